// Duotone: the picture's grey levels printed in one ink, from black through
// the ink to white.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL ISE3DuotoneImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                      uint32_t inkColour, uint32_t) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::effect_picture(image, width, height, stride, bpp) || bpp == 1) return 0;
    // The ink's channels, percentages of 255.
    double ink[3];
    for (int c = 0; c < 3; ++c) ink[c] = std::min<uint32_t>((inkColour >> (8 * c)) & 0xFF, 100) * 255.0 / 100.0;
    std::array<detail::ByteTable, 3> ramp{};
    for (int c = 0; c < 3; ++c)
        for (int l = 0; l < 256; ++l)
            ramp[size_t(c)][size_t(l)] = detail::round_byte(
                l < 128 ? ink[c] * l / 128.0 : ink[c] + (255.0 - ink[c]) * (l - 128) / 127.0);
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bpp) {
            const int32_t l = detail::pixel_luma(p, bpp);
            for (int c = 0; c < 3; ++c) p[c] = ramp[size_t(c)][size_t(l)];
        }
    });
    return 1;
}

}  // namespace imglib
