// Linear and radial gradients on cairo's gradient patterns.
//
// cairo keeps colour premultiplied, so a stop of alpha 0 would lose its
// colour. Colour and alpha are rendered apart instead: the colour from
// opaque stops, the alpha (when the stops' alphas differ) from a second
// pattern into a one-channel surface.
#include <algorithm>
#include <cmath>

#include "platform/imglib/linux/cairo_rgba32.h"
#include "platform/imglib/render2d.h"

namespace imglib::render2d {

namespace {

using cairo_rgba32::PatternPtr;
using cairo_rgba32::Surface;

enum class Plane { Colour, Alpha };

PatternPtr gradient_pattern(const Gradient& g, Plane plane) {
    PatternPtr p(g.radial ? cairo_pattern_create_radial(g.x0, g.y0, 0, g.x0, g.y0, g.radius)
                          : cairo_pattern_create_linear(g.x0, g.y0, g.x1, g.y1));
    for (const GradientStop& s : g.stops) {
        const double offset = std::clamp(s.offset, 0.0, 1.0);
        if (plane == Plane::Colour)
            cairo_pattern_add_color_stop_rgb(p.get(), offset, s.r / 255.0, s.g / 255.0, s.b / 255.0);
        else
            cairo_pattern_add_color_stop_rgba(p.get(), offset, 0, 0, 0, s.a / 255.0);
    }
    cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(p.get(), CAIRO_FILTER_GOOD);
    if (cairo_pattern_status(p.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return p;
}

// Paints the pattern over the whole surface, the tile at (left, top) of the picture.
bool paint(const Surface& s, cairo_pattern_t* pattern, int64_t left, int64_t top) {
    cairo_rgba32::ContextPtr c = s.context();
    if (!c) return false;
    cairo_translate(c.get(), double(-left), double(-top));
    cairo_set_source(c.get(), pattern);
    cairo_set_operator(c.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(c.get());
    const bool ok = cairo_status(c.get()) == CAIRO_STATUS_SUCCESS;
    c.reset();
    s.flush();
    return ok;
}

bool drawable(const Gradient& g) {
    if (g.stops.empty()) return false;
    for (const GradientStop& s : g.stops)
        if (!std::isfinite(s.offset)) return false;
    const double values[] = {g.x0, g.y0, g.x1, g.y1, g.radius};
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return g.radial ? g.radius > 0 : (g.x0 != g.x1 || g.y0 != g.y1);
}

}  // namespace

bool fill_gradient(uint8_t* rgba, uint32_t width, uint32_t height, uint32_t stride, const Gradient& g) {
    if (rgba == nullptr || !drawable(g)) return false;
    if (width == 0 || height == 0) return true;
    const bool oneAlpha = std::all_of(g.stops.begin(), g.stops.end(),
                                      [&](const GradientStop& s) { return s.a == g.stops.front().a; });
    const PatternPtr colour = gradient_pattern(g, Plane::Colour);
    const PatternPtr alpha = oneAlpha ? nullptr : gradient_pattern(g, Plane::Alpha);
    if (!colour || (!oneAlpha && !alpha)) return false;
    const Surface colourTile(kTileWidth, kTileHeight, CAIRO_FORMAT_RGB24);
    const Surface alphaTile(oneAlpha ? 1 : kTileWidth, oneAlpha ? 1 : kTileHeight, CAIRO_FORMAT_A8);
    if (!colourTile || !alphaTile) return false;

    for (int64_t top = 0; top < int64_t(height); top += kTileHeight)
        for (int64_t left = 0; left < int64_t(width); left += kTileWidth) {
            if (!paint(colourTile, colour.get(), left, top)) return false;
            if (!oneAlpha && !paint(alphaTile, alpha.get(), left, top)) return false;
            const int32_t w = int32_t(std::min<int64_t>(kTileWidth, width - left));
            const int32_t h = int32_t(std::min<int64_t>(kTileHeight, height - top));
            uint8_t* corner = rgba + top * int64_t(stride) + left * 4;
            colourTile.store_straight(corner, stride, w, h);
            for (int32_t y = 0; y < h; ++y) {
                const uint8_t* a = oneAlpha ? nullptr : alphaTile.data() + int64_t(y) * alphaTile.stride();
                uint8_t* out = corner + int64_t(y) * stride;
                for (int32_t x = 0; x < w; ++x) out[x * 4 + 3] = oneAlpha ? g.stops.front().a : a[x];
            }
        }
    return true;
}

}  // namespace imglib::render2d
