// Stipple: the picture drawn in dots on white, more dots where it is darker.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

BOOL ISE3Stipple(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                 uint32_t dstStride, int32_t density, int32_t coloured, int32_t dotRadius, uint32_t seed) {
    if (const int32_t early = detail::separate_pair_result(src, srcStride, dst, dstStride, width, height, 3);
        early >= 0)
        return early;
    const double share = std::clamp(density, 0, 100) / 100.0;
    const int32_t r = std::clamp(dotRadius, 0, 8);
    detail::fill_rows(dst, dstStride, width * 3, height, 255);
    // Dots reach into the rows around them, so they are laid one after another.
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = src + size_t(y) * srcStride;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + size_t(x) * 3;
            const double dark = 1.0 - detail::luma(p[0], p[1], p[2]) / 255.0;
            if (!(detail::random_unit(seed, uint64_t(y) * width + x) < dark * dark * share)) continue;
            const uint8_t ink[3] = {uint8_t(coloured ? p[0] : 0), uint8_t(coloured ? p[1] : 0),
                                    uint8_t(coloured ? p[2] : 0)};
            for (int32_t dy = -r; dy <= r; ++dy)
                for (int32_t dx = -r; dx <= r; ++dx) {
                    const int64_t px = int64_t(x) + dx, py = int64_t(y) + dy;
                    if (dx * dx + dy * dy > r * r || px < 0 || py < 0 || px >= width || py >= height) continue;
                    std::memcpy(dst + size_t(py) * dstStride + size_t(px) * 3, ink, 3);
                }
        }
    }
    return 1;
}

}  // namespace imglib
