#include "platform/imglib/random_fields.h"

#include <cmath>

namespace imglib::detail {

uint32_t hash_point(int32_t x, int32_t y, uint32_t seed) {
    // Two rounds of a multiply-xorshift mixer over the three words.
    uint64_t h = uint64_t(uint32_t(x)) * 0x9E3779B97F4A7C15ULL ^ uint64_t(uint32_t(y)) * 0xC2B2AE3D27D4EB4FULL ^
                 uint64_t(seed) * 0x165667B19E3779F9ULL;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 33;
    return uint32_t(h);
}

namespace {

// Eight unit-length gradient directions, chosen by a hash of the corner.
constexpr float kDiagonal = 0.70710678f;
constexpr float kGradients[8][2] = {{1, 0},  {-1, 0}, {0, 1},  {0, -1}, {kDiagonal, kDiagonal},
                                    {-kDiagonal, kDiagonal}, {kDiagonal, -kDiagonal}, {-kDiagonal, -kDiagonal}};

float corner(int32_t ix, int32_t iy, float dx, float dy, uint32_t seed) {
    const float* g = kGradients[hash_point(ix & 255, iy & 255, seed) & 7];
    return g[0] * dx + g[1] * dy;
}

// 6t^5 - 15t^4 + 10t^3: flat first and second derivatives at 0 and 1.
float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace

float gradient_noise(float x, float y, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = int32_t(fx), iy = int32_t(fy);
    const float dx = x - fx, dy = y - fy;
    const float u = fade(dx), v = fade(dy);
    const float a = lerp(corner(ix, iy, dx, dy, seed), corner(ix + 1, iy, dx - 1, dy, seed), u);
    const float b = lerp(corner(ix, iy + 1, dx, dy - 1, seed), corner(ix + 1, iy + 1, dx - 1, dy - 1, seed), u);
    // Two dimensions reach about +-0.71; scaled to about +-1.
    return lerp(a, b, v) * 1.41421356f;
}

float fractal_noise(float x, float y, uint32_t seed, int32_t octaves, float persistence, bool turbulent) {
    float sum = 0.0f, weight = 1.0f, total = 0.0f, frequency = 1.0f;
    for (int32_t o = 0; o < octaves; ++o) {
        // Each octave is shifted so that the whole points of one are not the
        // whole points of the next, where every octave would be 0 together.
        const float n = gradient_noise(x * frequency + 0.31f * float(o), y * frequency + 0.67f * float(o),
                                       seed + uint32_t(o) * 0x9E3779B9u);
        sum += weight * (turbulent ? std::fabs(n) : n);
        total += weight;
        weight *= persistence;
        frequency *= 2.0f;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

}  // namespace imglib::detail
