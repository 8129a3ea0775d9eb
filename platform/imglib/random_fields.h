// Internal to the imaging library: seeded random numbers and smooth noise fields
// for the random transforms and the pattern generators. Everything here
// gives the same numbers on every machine for the same seed.
#pragma once

#include <cstdint>

namespace imglib::detail {

// A permuted congruential generator (PCG-XSH-RR): 64 bits of state, 32 bits
// out.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(0) {
        next();
        state_ += seed + 0x853C49E6748FEA9BULL;
        next();
    }
    uint32_t next() {
        const uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
        const uint32_t xorshifted = uint32_t(((old >> 18u) ^ old) >> 27u);
        const uint32_t rot = uint32_t(old >> 59u);
        return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
    }
    // 0 <= unit() < 1.
    double unit() { return next() * (1.0 / 4294967296.0); }
    // -1 <= signed_unit() < 1.
    double signed_unit() { return unit() * 2.0 - 1.0; }
    // lo <= between(lo, hi) < hi.
    double between(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // 0 <= below(n) < n for n >= 1; 0 otherwise.
    int32_t below(int32_t n) { return n <= 1 ? 0 : int32_t(uint64_t(next()) * uint64_t(n) >> 32); }

private:
    uint64_t state_;
};

// A well-mixed 32-bit hash of a whole point and a seed.
uint32_t hash_point(int32_t x, int32_t y, uint32_t seed);

// Gradient noise of the plane (Perlin's improved noise in two dimensions):
// smooth, about -1..1, 0 at whole points, repeating every 256 units; the
// seed chooses the gradients.
float gradient_noise(float x, float y, uint32_t seed);

// Fractal sums of gradient noise: `octaves` layers, each of twice the
// frequency and `persistence` times the weight of the one before, scaled
// back to about -1..1. With `turbulent` each layer counts with its absolute
// value (billowing clouds, 0..1).
float fractal_noise(float x, float y, uint32_t seed, int32_t octaves, float persistence, bool turbulent = false);

}  // namespace imglib::detail
