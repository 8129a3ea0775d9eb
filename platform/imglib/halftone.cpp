// Halftone: a screen of round dots at an angle, each dot's area the
// darkness of the picture at its cell's centre.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Whether the pixel centre (x, y) is inked by a screen of `cell` pixels at
// `angle` radians over the darkness `dark_at(cx, cy)` at its cell's centre.
template <class DarkAt>
bool inked(double x, double y, double cell, double angle, DarkAt dark_at) {
    const double ca = std::cos(angle), sa = std::sin(angle);
    const double u = x * ca + y * sa, w = -x * sa + y * ca;
    const double cu = (std::floor(u / cell) + 0.5) * cell, cw = (std::floor(w / cell) + 0.5) * cell;
    const double dark = dark_at(cu * ca - cw * sa, cu * sa + cw * ca);
    const double distance = std::hypot(u - cu, w - cw);
    // A dot of area dark * cell^2; above half, a paper-white dot of the rest.
    if (dark <= 0.5) return distance <= cell * std::sqrt(dark / kPi);
    return distance > cell * std::sqrt((1.0 - dark) / kPi);
}

}  // namespace

BOOL ISE3HalftoneImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t cellSize,
                       uint8_t colour) {
    if (!detail::effect_picture(image, width, height, stride, 3)) return 0;
    if (width == 0 || height == 0) return 1;
    const double cell = std::clamp(cellSize, 1, 4096);
    std::vector<uint8_t> source;
    try {
        source.resize(size_t(width) * height * 3);
    } catch (...) {
        return 0;
    }
    detail::copy_picture(image, stride, source.data(), width * 3, width * 3, height);
    const auto pixel = [&](double x, double y) {
        const int64_t px = std::clamp<int64_t>(int64_t(std::floor(x)), 0, int64_t(width) - 1);
        const int64_t py = std::clamp<int64_t>(int64_t(std::floor(y)), 0, int64_t(height) - 1);
        return &source[(size_t(py) * width + size_t(px)) * 3];
    };
    const double angles[3] = {15 * kPi / 180, 75 * kPi / 180, 0.0};
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* out = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            if (!colour) {
                const bool ink = inked(px, py, cell, kPi / 4, [&](double cx, double cy) {
                    const uint8_t* p = pixel(cx, cy);
                    return 1.0 - detail::luma(p[0], p[1], p[2]) / 255.0;
                });
                std::memset(out + size_t(x) * 3, ink ? 0 : 255, 3);
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                const bool ink = inked(px, py, cell, angles[c],
                                       [&](double cx, double cy) { return 1.0 - pixel(cx, cy)[c] / 255.0; });
                out[size_t(x) * 3 + size_t(c)] = ink ? 0 : 255;
            }
        }
    });
    return 1;
}

}  // namespace imglib
