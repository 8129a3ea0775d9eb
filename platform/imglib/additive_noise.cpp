// Noise added to a picture, drawn from the Gaussian, negative exponential,
// Rayleigh and uniform distributions (the last three shifted to mean 0).
#include "platform/imglib/effect_support.h"
#include "platform/imglib/noise.h"

namespace imglib {

namespace {

// Adds sample(n) to every selected channel, n counting the draws: one per
// channel, or one per pixel when monochrome.
template <class Sample>
BOOL add_noise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride, uint8_t monochrome,
               uint32_t channelMask, Sample sample) {
    if (!detail::effect_picture(image, width, height, stride, bpp)) return 0;
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bpp) {
            const uint64_t pixel = uint64_t(y) * width + x;
            const double shared = monochrome ? sample(pixel * 4) : 0.0;
            for (uint32_t c = 0; c < bpp; ++c) {
                if (!detail::selected(channelMask, c)) continue;
                const double noise = monochrome ? shared : sample(pixel * 4 + c);
                p[c] = detail::round_byte(p[c] + noise);
            }
        }
    });
    return 1;
}

}  // namespace

BOOL ISE3AddGaussianNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                          int32_t amount, int32_t mean, uint32_t, uint8_t monochrome, uint32_t channelMask,
                          uint32_t seed) {
    const double sigma = amount / 100.0, centre = mean / 100.0;
    return add_noise(image, width, height, bytesPerPixel, stride, monochrome, channelMask,
                     [&](uint64_t n) { return centre + sigma * detail::random_normal(seed, n); });
}

BOOL ISE3AddNegativeExpNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t stride, int32_t amount, uint8_t monochrome, uint32_t channelMask, uint32_t seed) {
    const double m = amount / 100.0;
    return add_noise(image, width, height, bytesPerPixel, stride, monochrome, channelMask,
                     [&](uint64_t n) { return m * -std::log(detail::random_open_unit(seed, n)) - m; });
}

BOOL ISE3AddRayleighNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                          int32_t amount, uint8_t monochrome, uint32_t channelMask, uint32_t seed) {
    const double s = amount / 100.0, mean = s * std::sqrt(3.14159265358979323846 / 2);
    return add_noise(image, width, height, bytesPerPixel, stride, monochrome, channelMask, [&](uint64_t n) {
        return s * std::sqrt(-2.0 * std::log(detail::random_open_unit(seed, n))) - mean;
    });
}

BOOL ISE3AddUniformNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                         int32_t amount, int32_t mean, uint32_t, uint8_t monochrome, uint32_t channelMask,
                         uint32_t seed) {
    const double a = amount / 100.0, centre = mean / 100.0;
    return add_noise(image, width, height, bytesPerPixel, stride, monochrome, channelMask,
                     [&](uint64_t n) { return centre + a * (2.0 * detail::random_unit(seed, n) - 1.0); });
}

}  // namespace imglib
