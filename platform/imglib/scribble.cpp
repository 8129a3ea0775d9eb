// Scribble: the picture redrawn in short pencil strokes on white, along its
// contours or hatched, more strokes where it is darker.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Strokes start from a grid of this many pixels, jittered.
constexpr uint32_t kSpacing = 3;

}  // namespace

BOOL ISE3Scribble(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                  uint32_t dstStride, int32_t style, uint8_t coloured, int32_t density, uint32_t seed) {
    if (const int32_t early = detail::separate_pair_result(src, srcStride, dst, dstStride, width, height, 3);
        early >= 0)
        return early;
    const double share = std::clamp(density, 0, 100) / 100.0;
    const auto at = [&](int64_t x, int64_t y) {
        x = std::clamp<int64_t>(x, 0, int64_t(width) - 1);
        y = std::clamp<int64_t>(y, 0, int64_t(height) - 1);
        return src + size_t(y) * srcStride + size_t(x) * 3;
    };
    const auto grey = [&](int64_t x, int64_t y) {
        const uint8_t* p = at(x, y);
        return double(detail::luma(p[0], p[1], p[2]));
    };
    detail::fill_rows(dst, dstStride, width * 3, height, 255);
    uint64_t draw = 0;
    for (uint32_t gy = 0; gy < height; gy += kSpacing) {
        for (uint32_t gx = 0; gx < width; gx += kSpacing, ++draw) {
            const uint64_t n = draw * 8;
            const int64_t x = gx + int64_t(detail::random_unit(seed, n) * kSpacing);
            const int64_t y = gy + int64_t(detail::random_unit(seed, n + 1) * kSpacing);
            if (x >= width || y >= height) continue;
            const double dark = 1.0 - grey(x, y) / 255.0;
            if (!(detail::random_unit(seed, n + 2) < dark * share)) continue;
            double angle;
            if (style == 0) {
                // Across the gradient: along the contour through the pixel.
                const double ddx = grey(x + 1, y) - grey(x - 1, y), ddy = grey(x, y + 1) - grey(x, y - 1);
                angle = (ddx == 0 && ddy == 0) ? detail::random_unit(seed, n + 3) * kPi
                                               : std::atan2(ddy, ddx) + kPi / 2;
            } else if (style == 1) {
                angle = kPi / 4;
            } else {
                angle = detail::random_unit(seed, n + 3) < 0.5 ? kPi / 4 : 3 * kPi / 4;
            }
            const double length = 4 + 8 * detail::random_unit(seed, n + 4);
            const uint8_t* p = at(x, y);
            const uint8_t ink[3] = {uint8_t(coloured ? p[0] : 0), uint8_t(coloured ? p[1] : 0),
                                    uint8_t(coloured ? p[2] : 0)};
            const double cx = std::cos(angle), cy = -std::sin(angle);
            const int steps = int(std::ceil(length)) * 2;
            for (int k = 0; k <= steps; ++k) {
                const double t = -length / 2 + length * k / steps;
                const int64_t px = int64_t(std::lround(double(x) + t * cx)), py = int64_t(std::lround(double(y) + t * cy));
                if (px < 0 || py < 0 || px >= width || py >= height) continue;
                std::memcpy(dst + size_t(py) * dstStride + size_t(px) * 3, ink, 3);
            }
        }
    }
    return 1;
}

}  // namespace imglib
