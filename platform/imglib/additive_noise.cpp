// Noise added to a picture, drawn from the Gaussian, negative exponential,
// Rayleigh and uniform distributions (the last three shifted to mean 0).
#include <array>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/noise.h"

namespace imglib {

namespace {

// A noise value as the whole number of levels it moves a byte by:
// round(v + x) is v + round(x) for a whole v. Held to +-512, beyond which
// every byte saturates alike; rounded by truncating a positive sum.
inline int32_t levels_of(double x) {
    x = std::clamp(x, -512.0, 512.0);
    return int32_t(x + 1024.5) - 1024;
}

// Moves every selected channel by shift(n) levels, n = pixel * 4 + channel
// counting the draws (channel 0 for all of a pixel's channels when
// monochrome). The loop keeps its values in locals: the bytes it writes
// could otherwise alias them.
template <class Shift>
BOOL add_noise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride, uint8_t monochrome,
               uint32_t channelMask, Shift shift) {
    if (!detail::effect_picture(image, width, height, stride, bpp)) return 0;
    std::array<bool, 4> chosen{};
    for (uint32_t c = 0; c < bpp; ++c) chosen[c] = detail::selected(channelMask, c);
    detail::for_rows(height, [=](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        const uint64_t first = uint64_t(y) * width * 4;
        for (uint32_t x = 0; x < width; ++x, p += bpp) {
            const uint64_t pixel = first + uint64_t(x) * 4;
            const int32_t shared = monochrome ? shift(pixel) : 0;
            for (uint32_t c = 0; c < bpp; ++c)
                if (chosen[c]) p[c] = detail::clamp_byte_int(int32_t(p[c]) + (monochrome ? shared : shift(pixel + c)));
        }
    });
    return 1;
}

}  // namespace

BOOL ISE3AddGaussianNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                          int32_t amount, int32_t mean, uint32_t, uint8_t monochrome, uint32_t channelMask,
                          uint32_t seed) {
    const double sigma = amount / 100.0, centre = mean / 100.0;
    const detail::Random random(seed);
    // Draws n and n + 1 share one hash, half each.
    return add_noise(image, width, height, bytesPerPixel, stride, monochrome, channelMask,
                     [=](uint64_t n) { return levels_of(centre + sigma * random.normal(n >> 1, int(n & 1))); });
}

BOOL ISE3AddNegativeExpNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t stride, int32_t amount, uint8_t monochrome, uint32_t channelMask, uint32_t seed) {
    const double m = amount / 100.0;
    const detail::Random random(seed);
    return add_noise(image, width, height, bytesPerPixel, stride, monochrome, channelMask,
                     [=](uint64_t n) { return levels_of(m * -std::log(random.open_unit(n)) - m); });
}

BOOL ISE3AddRayleighNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                          int32_t amount, uint8_t monochrome, uint32_t channelMask, uint32_t seed) {
    const double s = amount / 100.0, mean = s * std::sqrt(3.14159265358979323846 / 2);
    const detail::Random random(seed);
    return add_noise(image, width, height, bytesPerPixel, stride, monochrome, channelMask, [=](uint64_t n) {
        return levels_of(s * std::sqrt(-2.0 * std::log(random.open_unit(n))) - mean);
    });
}

BOOL ISE3AddUniformNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                         int32_t amount, int32_t mean, uint32_t, uint8_t monochrome, uint32_t channelMask,
                         uint32_t seed) {
    const double a = amount / 100.0, centre = mean / 100.0;
    const detail::Random random(seed);
    return add_noise(image, width, height, bytesPerPixel, stride, monochrome, channelMask,
                     [=](uint64_t n) { return levels_of(centre + a * (2.0 * random.unit(n) - 1.0)); });
}

}  // namespace imglib
