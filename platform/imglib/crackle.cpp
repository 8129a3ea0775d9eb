// Crackle: craquelure, the network of cracks in old paint, as the borders of
// cells about jittered points (a Voronoi diagram).
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

namespace {

// Crack width, in pixels of difference between the two nearest points' distances.
constexpr double kCrackWidth = 1.5;

struct Nearest {
    double first = 1e300, second = 1e300;
    double px = 0, py = 0;  // the nearest point
};

}  // namespace

BOOL ISE3CrackleRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                    uint32_t dstStride, int32_t lightCracks, int32_t cellSize, uint8_t relief, uint32_t seed) {
    if (const int32_t early = detail::separate_pair_result(src, srcStride, dst, dstStride, width, height, 3);
        early >= 0)
        return early;
    const double cell = std::clamp(cellSize, 4, 4096);
    const auto point = [&](int64_t i, int64_t j, double& px, double& py) {
        const uint64_t key = uint64_t(uint32_t(i + 1)) << 32 | uint32_t(j + 1);
        px = (double(i) + detail::random_unit(seed, key * 2)) * cell;
        py = (double(j) + detail::random_unit(seed, key * 2 + 1)) * cell;
    };
    detail::for_rows(height, [&](uint32_t y) {
        const uint8_t* in = src + size_t(y) * srcStride;
        uint8_t* out = dst + size_t(y) * dstStride;
        const int64_t cj = int64_t(y / cell);
        for (uint32_t x = 0; x < width; ++x) {
            const int64_t ci = int64_t(x / cell);
            Nearest n;
            for (int64_t j = cj - 1; j <= cj + 1; ++j)
                for (int64_t i = ci - 1; i <= ci + 1; ++i) {
                    double px, py;
                    point(i, j, px, py);
                    const double d = std::hypot(px - x, py - y);
                    if (d < n.first) {
                        n.second = n.first;
                        n.first = d;
                        n.px = px;
                        n.py = py;
                    } else if (d < n.second) {
                        n.second = d;
                    }
                }
            const bool crack = n.second - n.first < kCrackWidth;
            double shade = 1.0;
            if (relief) shade = std::clamp(1.0 + 0.3 * ((n.px - x) + (n.py - y)) / cell, 0.6, 1.4);
            for (int c = 0; c < 3; ++c) {
                double v = in[x * 3 + c] * shade;
                if (crack) v = lightCracks ? v + (255.0 - v) * 0.65 : v * 0.35;
                out[x * 3 + c] = detail::round_byte(v);
            }
        }
    });
    return 1;
}

}  // namespace imglib
