// Linear and radial gradients on Windows, each pixel's colour interpolated
// between the stops at the pixel's centre. GDI draws only two-colour
// gradients along an axis, and GDI+ neither pads a linear gradient beyond
// its ends nor keeps a stop's colour where its alpha is 0; the
// interpolation itself is a few lines.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/imglib/render2d.h"

namespace imglib::render2d {

namespace {

uint8_t mix(uint8_t a, uint8_t b, double f) { return uint8_t(std::lround(a + (double(b) - a) * f)); }

// The colour at `t` along stops in order of their offsets: the first
// before the first stop, the last after the last, between two stops each
// channel (alpha too) on the line between them.
void colour_at(const std::vector<GradientStop>& stops, double t, uint8_t* out) {
    size_t next = 0;
    while (next < stops.size() && stops[next].offset <= t) ++next;
    const GradientStop& a = stops[next == 0 ? 0 : next - 1];
    const GradientStop& b = stops[next == stops.size() ? stops.size() - 1 : next];
    const double span = b.offset - a.offset;
    const double f = span > 0 ? std::clamp((t - a.offset) / span, 0.0, 1.0) : 0;
    out[0] = mix(a.r, b.r, f);
    out[1] = mix(a.g, b.g, f);
    out[2] = mix(a.b, b.b, f);
    out[3] = mix(a.a, b.a, f);
}

}  // namespace

bool fill_gradient(uint8_t* rgba, uint32_t width, uint32_t height, uint32_t stride, const Gradient& g) {
    if (rgba == nullptr || !gradient_drawable(g)) return false;
    std::vector<GradientStop> stops = g.stops;
    for (GradientStop& s : stops) s.offset = std::clamp(s.offset, 0.0, 1.0);
    std::stable_sort(stops.begin(), stops.end(),
                     [](const GradientStop& a, const GradientStop& b) { return a.offset < b.offset; });
    const double dx = g.x1 - g.x0, dy = g.y1 - g.y0, length2 = dx * dx + dy * dy;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = rgba + uint64_t(y) * stride;
        const double py = y + 0.5 - g.y0;
        for (uint32_t x = 0; x < width; ++x) {
            const double px = x + 0.5 - g.x0;
            const double t = g.radial ? std::hypot(px, py) / g.radius : (px * dx + py * dy) / length2;
            colour_at(stops, t, row + uint64_t(x) * 4);
        }
    }
    return true;
}

}  // namespace imglib::render2d
