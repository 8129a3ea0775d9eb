// Value noise in octaves: random values on a lattice, smoothed with their
// neighbours, interpolated with a cosine, and summed over octaves of rising
// frequency and falling amplitude.
#include "platform/imglib/effect_support.h"
#include "platform/imglib/noise.h"

namespace imglib {

namespace {

constexpr double kPi = 3.14159265358979323846;

double lattice(uint32_t seed, int64_t ix, int64_t iy, int octave) {
    const uint64_t key = (uint64_t(uint32_t(ix)) << 32 | uint32_t(iy)) ^ (uint64_t(octave) << 58);
    return detail::random_unit(seed, key);
}

// The lattice value weighted with its eight neighbours: a quarter for
// itself, an eighth for each side, a sixteenth for each corner.
double smoothed(uint32_t seed, int64_t ix, int64_t iy, int octave) {
    const double corners = lattice(seed, ix - 1, iy - 1, octave) + lattice(seed, ix + 1, iy - 1, octave) +
                           lattice(seed, ix - 1, iy + 1, octave) + lattice(seed, ix + 1, iy + 1, octave);
    const double sides = lattice(seed, ix - 1, iy, octave) + lattice(seed, ix + 1, iy, octave) +
                         lattice(seed, ix, iy - 1, octave) + lattice(seed, ix, iy + 1, octave);
    return corners / 16 + sides / 8 + lattice(seed, ix, iy, octave) / 4;
}

double cosine_mix(double a, double b, double t) {
    const double f = (1 - std::cos(t * kPi)) / 2;
    return a * (1 - f) + b * f;
}

double octave_value(uint32_t seed, double x, double y, int octave) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = int64_t(fx) + 1, iy = int64_t(fy) + 1;  // lattice indices stay positive
    const double top = cosine_mix(smoothed(seed, ix, iy, octave), smoothed(seed, ix + 1, iy, octave), x - fx);
    const double bottom =
        cosine_mix(smoothed(seed, ix, iy + 1, octave), smoothed(seed, ix + 1, iy + 1, octave), x - fx);
    return cosine_mix(top, bottom, y - fy);
}

}  // namespace

BOOL ISE3GenerateHugoNoise(uint8_t* plane, uint32_t width, uint32_t height, uint32_t stride, int32_t octaves,
                           double frequency, double persistence, uint32_t seed) {
    if (!detail::effect_picture(plane, width, height, stride, 1)) return 0;
    if (!std::isfinite(frequency) || !(persistence == persistence)) return 0;
    octaves = std::clamp(octaves, 1, 16);
    frequency = std::clamp(frequency, 1.0, 4096.0);
    persistence = std::clamp(persistence, 0.0, 1.0);
    const double cell = std::max(width, height) / frequency;
    return detail::stretched_plane(plane, width, height, stride, [&](uint32_t x, uint32_t y) {
        double sum = 0, amplitude = 1, scale = 1 / cell;
        for (int k = 0; k < octaves; ++k, amplitude *= persistence, scale *= 2)
            sum += amplitude * octave_value(seed, x * scale, y * scale, k);
        return sum;
    }) ? 1 : 0;
}

}  // namespace imglib
