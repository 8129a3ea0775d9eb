// Saturation: each colour channel moved away from (or toward) the pixel's
// grey by a factor.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL IS3ModifyImageSaturation(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                              uint32_t stride, double factor) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::effect_picture(image, width, height, stride, bpp) || bpp == 1 || !std::isfinite(factor)) return 0;
    if (factor == 1.0) return 1;
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bpp) {
            const double l = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
            for (int c = 0; c < 3; ++c) p[c] = detail::round_byte(l + (p[c] - l) * factor);
        }
    });
    return 1;
}

}  // namespace imglib
