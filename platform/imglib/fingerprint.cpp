// The fingerprint: ridges in rings about the centre, pushed outward where
// the picture is dark, so the picture shows as a print's whorls.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

BOOL ISE3Fingerprint(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                     uint32_t dstStride, double spacing, int32_t bend, uint8_t sharp) {
    if (!(spacing == spacing)) return 0;
    if (const int32_t early = detail::separate_pair_result(src, srcStride, dst, dstStride, width, height, 1);
        early >= 0)
        return early;
    spacing = std::clamp(spacing, 2.0, 1e6);
    const double push = std::clamp(bend, 0, 10);
    const double cx = (double(width) - 1) / 2, cy = (double(height) - 1) / 2;
    detail::for_rows(height, [&](uint32_t y) {
        const uint8_t* s = src + size_t(y) * srcStride;
        uint8_t* d = dst + size_t(y) * dstStride;
        for (uint32_t x = 0; x < width; ++x) {
            const double phase = std::hypot(x - cx, y - cy) / spacing + push * (1.0 - s[x] / 255.0);
            const double ridge = 0.5 + 0.5 * std::cos(2 * 3.14159265358979323846 * phase);
            d[x] = sharp ? (ridge >= 0.5 ? 255 : 0) : detail::round_byte(ridge * 255.0);
        }
    });
    return 1;
}

}  // namespace imglib
