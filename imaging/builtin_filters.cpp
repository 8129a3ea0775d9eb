#include "imaging/builtin_filters.h"

#include <algorithm>
#include <cstring>

#include "imaging/filter_canvas.h"
#include "imaging/working_buffers.h"
#include "platform/imglib/draw40.h"
#include "platform/parallel.h"
#include "script/colour_space.h"

namespace imaging {

namespace filters {

namespace {

// Rows y0..y1-1 and in each the columns x0..x1-1, in bands of rows when
// `independent`: the body reads nothing another pixel's body writes (a
// pixel itself, or neighbours in a picture nobody writes), else in one
// pass in order, as a filter that reads what it wrote needs.
template <class Body>
void each_pixel_in(int32_t x0, int32_t x1, int32_t y0, int32_t y1, bool independent, int64_t work, Body body) {
    if (x0 >= x1 || y0 >= y1) return;
    parallel::for_bands_if(independent, y1 - y0, (x1 - x0) * work, [&](int64_t first, int64_t end) {
        for (int32_t y = y0 + int32_t(first); y < y0 + int32_t(end); ++y)
            for (int32_t x = x0; x < x1; ++x) body(x, y);
    });
}

// Every pixel, each changed from itself alone.
template <class Body>
void each_pixel(Canvas& c, int64_t work, Body body) {
    each_pixel_in(0, c.width(), 0, c.height(), true, work, body);
}

// The pixels at least one away from every edge; their bodies read
// neighbours, so they run in bands only when reading the source.
template <class Body>
void each_inner_pixel(Canvas& c, int64_t work, Body body) {
    each_pixel_in(1, c.width() - 1, 1, c.height() - 1, !c.reads_destination(), work, body);
}

void threshold(Canvas& c, double level) {
    each_pixel(c, parallel::kPixelWork, [&](int32_t x, int32_t y) {
        const int32_t v = c.lum(x, y) < level ? 0 : 255;
        c.put_rgb(x, y, v, v, v);
    });
}

void basic_threshold(engine::EngineState& s, const Rgba32Pair& p) {
    Canvas c(s, p);
    threshold(c, s.filters.q[0] * 255.0);
}

// Thresholds, loads that into the layer, then whitens dark pixels that are
// much darker than their 3 x 3 surroundings: isolated specks.
void line_art_cleaner(engine::EngineState& s, const Rgba32Pair& p) {
    const double dark = s.filters.q[0] * 255.0, lift = s.filters.q[1] * 255.0;
    {
        Canvas c(s, p);
        threshold(c, dark);
    }
    load_into_current_layer(s, p.dst);
    parallel::copy_bytes(p.src, p.dst, p.bytes);
    Canvas c(s, p);
    each_inner_pixel(c, parallel::kColourWork, [&](int32_t x, int32_t y) {
        const int32_t l = c.lum(x, y);
        if (!(l < dark)) return;
        if (c.mean_lum3x3(x, y) - lift > l) c.put_rgb(x, y, 255, 255, 255);
    });
}

void adjust_lab(engine::EngineState& s, const Rgba32Pair& p) {
    Canvas c(s, p);
    const auto& q = s.filters.q;
    each_pixel(c, parallel::kColourWork * 4, [&](int32_t x, int32_t y) {
        const uint8_t* px = c.at(x, y);
        colour_space::Lab lab = colour_space::rgb_to_lab(px[0], px[1], px[2]);
        lab.l += (q[0] - 0.5) * 200.0;
        lab.a += (q[1] - 0.5) * 200.0;
        lab.b += (q[2] - 0.5) * 200.0;
        const colour_space::Rgb8 out = colour_space::lab_to_rgb(lab);
        c.put_rgb(x, y, out.r, out.g, out.b);
    });
}

// Steepens each channel along two parabolas, the dark one weighted by
// 1 - lightness and the bright one by lightness.
void hyper_contrast(engine::EngineState& s, const Rgba32Pair& p) {
    Canvas c(s, p);
    int32_t k = trunc_int((1.0 - s.filters.q[0]) * 255.0);
    if (k == 0) k = 1;
    each_pixel(c, parallel::kColourWork, [&](int32_t x, int32_t y) {
        const uint8_t* px = c.at(x, y);
        const double light = colour_space::rgb_to_hsl(px[0], px[1], px[2]).l;
        int32_t out[3];
        for (int ch = 0; ch < 3; ++ch) {
            const int32_t v = px[ch];
            const int32_t low = (v - 255) * (v - 255) / k, high = v * v / k;
            out[ch] = trunc_int((255 - low) * (1.0 - light) + high * light);
        }
        c.put_rgb(x, y, out[0], out[1], out[2]);
    });
}

// Saturation and lightness move away from the neighbour's: up by q1 of the
// room above, or down by q1 of the value.
double relief(double v, double neighbour, double amount) {
    if (v > neighbour) v += amount * (1.0 - v);
    else if (v < neighbour) v -= v * amount;
    return std::clamp(v, 0.0, 1.0);
}

void bas_relief(engine::EngineState& s, const Rgba32Pair& p) {
    Canvas c(s, p);
    const double amount = s.filters.q[0];
    const int32_t option = s.filters.o[0];
    const int32_t nx = option == 0 || option == 2 ? -1 : 0;
    const int32_t ny = option == 1 || option == 2 ? -1 : 0;
    each_inner_pixel(c, parallel::kColourWork * 2, [&](int32_t x, int32_t y) {
        const uint8_t* px = c.at(x, y);
        const uint8_t* pn = c.at(x + nx, y + ny);
        const colour_space::Hsl hsl = colour_space::rgb_to_hsl(px[0], px[1], px[2]);
        const colour_space::Hsl other = colour_space::rgb_to_hsl(pn[0], pn[1], pn[2]);
        const colour_space::Hsl out{hsl.h, relief(hsl.s, other.s, amount), relief(hsl.l, other.l, amount)};
        // HSL does not carry every byte triple through unchanged, so a pixel
        // whose saturation and lightness stay put keeps its bytes.
        if (out.s == hsl.s && out.l == hsl.l) return;
        const colour_space::Rgb8 rgb = colour_space::hsl_to_rgb(out);
        c.put_rgb(x, y, rgb.r, rgb.g, rgb.b);
    });
}

void grayscale(engine::EngineState& s, const Rgba32Pair& p) {
    Canvas c(s, p);
    each_pixel(c, parallel::kPixelWork, [&](int32_t x, int32_t y) {
        const int32_t l = c.lum(x, y);
        c.put_rgb(x, y, l, l, l);
    });
}

void invert(engine::EngineState& s, const Rgba32Pair& p) {
    Canvas c(s, p);
    each_pixel(c, parallel::kPixelWork, [&](int32_t x, int32_t y) {
        const uint8_t* px = c.at(x, y);
        c.put_rgb(x, y, 255 - px[0], 255 - px[1], 255 - px[2]);
    });
}

// A shape (ellipse or rectangle) of one value on a plane of another,
// blurred, then used per pixel as the weight of the picture against a fade
// colour (options o3) and as alpha (o4).
void vignette(engine::EngineState& s, const Rgba32Pair& p) {
    auto& q = s.filters.q;
    const auto& o = s.filters.o;
    const int32_t w = p.width, h = p.height;
    const uint64_t count = engine::image_pixel_count(s);
    if (count == 0) return;
    engine::OwnedBuffer<uint8_t> plane, blurred;
    if (!plane.allocate(count) || !blurred.allocate(count)) return;

    const int32_t fade = o[4];
    int32_t shape = 255;
    if (fade == 0)
        plane.fill_bytes(clamp_byte(trunc_int(255.0 - q[5] * 255.0)));
    else {
        plane.fill_bytes(0);
        if (fade == 1) shape = clamp_byte(trunc_int(q[5] * 255.0));
    }
    const int32_t e = std::max(2, trunc_int(w * q[4])), f = std::max(2, trunc_int(h * q[4]));
    const int32_t cx = w / 2, cy = h / 2;
    double radius = q[3] * 50.0;
    if (radius == 0) radius = 0.1;

    const uint32_t side = uint32_t(w), rows = uint32_t(h);
    if (o[5] != 0) {
        const auto clamp_to = [](int64_t v, int32_t size) { return int32_t(std::clamp<int64_t>(v, 0, size - 1)); };
        imglib::IS40_FillSolidRect(plane.data(), side, rows, 1, side, clamp_to(int64_t(cx) - e, w),
                                   clamp_to(int64_t(cy) - f, h), clamp_to(int64_t(cx) + e, w),
                                   clamp_to(int64_t(cy) + f, h), uint32_t(shape));
    } else {
        imglib::IS40_DrawEllipseOnImage(plane.data(), side, rows, 1, side, cx, cy, e, f, uint32_t(shape), 1, 0, 1.0,
                                        0, 0, 0);
    }
    // A blur that cannot be made (a radius out of range) leaves the picture as it is.
    if (!imglib::IS40_GaussianBlurImage(plane.data(), side, rows, 1, side, blurred.data(), side, radius, 15)) return;
    if (q[0] == 0) q[0] = 0.001;

    Canvas c(s, p);
    const auto write_fraction = [&](int32_t x, int32_t y, int ch, double v) {
        c.put(x, y, ch, trunc_int(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    each_pixel(c, parallel::kColourWork, [&](int32_t x, int32_t y) {
        double v = blurred[size_t(y) * size_t(w) + size_t(x)] / 255.0;
        if (fade == 1) v = 1.0 - v;
        const uint8_t* px = c.at(x, y);
        double frac[4];
        for (int ch = 0; ch < 4; ++ch) frac[ch] = px[ch] / 255.0;
        if (o[3] == 1) frac[3] = v;
        if (o[2] == 1)
            for (int ch = 0; ch < 3; ++ch) frac[ch] = v * frac[ch] + (1.0 - v) * q[size_t(ch)];
        for (int ch = 0; ch < 4; ++ch) write_fraction(x, y, ch, frac[ch]);
    });
}

}  // namespace

}  // namespace filters

int32_t run_builtin_filter(engine::EngineState& s, std::string_view name, uint8_t inPlace,
                           const std::array<int32_t, 6>& a, const std::array<int32_t, 8>& o) {
    const Rgba32Pair pair = rgba32_pair(s);
    if (!pair) return 0;
    FilterBlock& block = s.filters;
    for (size_t i = 0; i < a.size(); ++i) block.q[i] = a[i] * 0.001;
    block.o = o;
    block.left = 0;
    block.top = 0;
    block.right = s.imageWidth - 1;
    block.bottom = s.imageHeight - 1;
    block.inPlace = inPlace;
    if (inPlace == 0) parallel::copy_bytes(pair.dst, pair.src, pair.bytes);

    using Filter = void (*)(engine::EngineState&, const Rgba32Pair&);
    static constexpr Filter kFilters[] = {
        filters::anti_alias, filters::adaptive_blur, filters::line_art_cleaner, filters::basic_threshold,
        filters::adjust_lab, filters::detail_blur,   filters::value_blur,       filters::hyper_contrast,
        filters::bas_relief, filters::grayscale,     filters::invert,           filters::vignette};
    static_assert(std::size(kFilters) == kBuiltinFilterNames.size());
    for (size_t i = 0; i < kBuiltinFilterNames.size(); ++i) {
        if (name == kBuiltinFilterNames[i]) {
            kFilters[i](s, pair);
            return 1;
        }
    }
    return 0;
}

}  // namespace imaging
