// Perlin's gradient noise: random unit gradients on a lattice, each cell's
// value blended from the four corners' dot products with the quintic fade,
// summed over octaves.
#include "platform/imglib/effect_support.h"
#include "platform/imglib/noise.h"

namespace imglib {

namespace {

constexpr int kOctaves = 6;
constexpr double kBaseCells = 4.0;

double corner(uint32_t seed, int64_t ix, int64_t iy, int octave, double dx, double dy) {
    const uint64_t key = (uint64_t(uint32_t(ix)) << 32 | uint32_t(iy)) ^ (uint64_t(octave) << 58);
    const double angle = detail::random_unit(seed, key) * 2 * 3.14159265358979323846;
    return std::cos(angle) * dx + std::sin(angle) * dy;
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

double gradient_noise(uint32_t seed, double x, double y, int octave) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = int64_t(fx), iy = int64_t(fy);
    const double dx = x - fx, dy = y - fy, u = fade(dx), v = fade(dy);
    const double a = corner(seed, ix, iy, octave, dx, dy), b = corner(seed, ix + 1, iy, octave, dx - 1, dy);
    const double c = corner(seed, ix, iy + 1, octave, dx, dy - 1), d = corner(seed, ix + 1, iy + 1, octave, dx - 1, dy - 1);
    return (a + (b - a) * u) * (1 - v) + (c + (d - c) * u) * v;
}

}  // namespace

BOOL ISE3GeneratePerlinNoise(uint8_t* plane, uint32_t width, uint32_t height, uint32_t stride, double persistence,
                             uint32_t seed) {
    if (!detail::effect_picture(plane, width, height, stride, 1) || !(persistence == persistence)) return 0;
    persistence = std::clamp(persistence, 0.0, 1.0);
    const double scale0 = kBaseCells / std::max<uint32_t>(std::max(width, height), 1);
    return detail::stretched_plane(plane, width, height, stride, [&](uint32_t x, uint32_t y) {
        double sum = 0, amplitude = 1, scale = scale0;
        for (int k = 0; k < kOctaves; ++k, amplitude *= persistence, scale *= 2)
            sum += amplitude * gradient_noise(seed, x * scale, y * scale, k);
        return sum;
    }) ? 1 : 0;
}

}  // namespace imglib
