// Tint: the chroma of Y I Q turned about the grey axis, as a television's
// tint control turns the colour subcarrier's phase.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL ISE3AdjustTint(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                    int32_t angle, uint32_t) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::effect_picture(image, width, height, stride, bpp) || bpp == 1) return 0;
    if (angle % 360 == 0) return 1;
    const double a = (angle % 360) * 3.14159265358979323846 / 180.0, ca = std::cos(a), sa = std::sin(a);
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bpp) {
            const double r = p[0], g = p[1], b = p[2];
            const double l = 0.299 * r + 0.587 * g + 0.114 * b;
            const double i0 = 0.596 * r - 0.274 * g - 0.322 * b;
            const double q0 = 0.211 * r - 0.523 * g + 0.312 * b;
            const double i = i0 * ca - q0 * sa, q = i0 * sa + q0 * ca;
            p[0] = detail::round_byte(l + 0.956 * i + 0.621 * q);
            p[1] = detail::round_byte(l - 0.272 * i - 0.647 * q);
            p[2] = detail::round_byte(l - 1.106 * i + 1.703 * q);
        }
    });
    return 1;
}

}  // namespace imglib
