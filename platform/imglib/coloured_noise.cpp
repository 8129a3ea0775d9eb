// Coloured specks scattered over a picture.
#include "platform/imglib/effect_support.h"
#include "platform/imglib/noise.h"

namespace imglib {

BOOL ISE3GenerateColoredNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, uint32_t colour,
                              int32_t density, int32_t shaded, uint32_t seed) {
    if (!detail::effect_picture(image, width, height, stride, 3)) return 0;
    const double share = std::clamp(density, 0, 100) / 100.0;
    const uint8_t ink[3] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16)};
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += 3) {
            const uint64_t pixel = uint64_t(y) * width + x;
            if (!(detail::random_unit(seed, 2 * pixel) < share)) continue;
            const double strength = shaded ? detail::random_unit(seed, 2 * pixel + 1) : 1.0;
            for (int c = 0; c < 3; ++c) p[c] = detail::round_byte(ink[c] * strength);
        }
    });
    return 1;
}

}  // namespace imglib
