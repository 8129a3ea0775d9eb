// What a host hands to one run of the effect catalogue, and the values
// derived from it on entry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "script/colour_space.h"

namespace imaging {

// The arguments of one catalogue run, in the host's order.
struct EffectArgs {
    const char* name = nullptr;  // compared exactly, whole and case-sensitive
    int32_t seed = 0;            // first value of the random generators
    std::array<int32_t, 6> p = {};  // the six numeric settings
    int32_t p7 = 0;                 // option value
    int32_t p8 = 0;                 // option value
    std::array<uint8_t, 6> f = {};  // option flags (low bytes)
    int32_t red = 0, green = 0, blue = 0;  // a colour, 0..255 each
    const char* text = nullptr;            // a script path
};

// A float-to-integer conversion of the catalogue's formulas: truncation
// toward zero, held to the int32 range.
using colour_space::trunc_int;

// The arguments with the values every route reads: the tenths t1..t6
// (pk * 0.1 held as 32-bit floats), the colour word, and the generators'
// size units.
class Effect {
public:
    Effect(const EffectArgs& args, int32_t imageWidth, int32_t imageHeight);

    const EffectArgs& args;
    const int32_t width, height;

    // pk and tk for k = 1..6.
    int32_t p(int k) const { return args.p[size_t(k - 1)]; }
    double t(int k) const { return double(tenths_[size_t(k - 1)]); }
    // Flag k = 1..6 (its low byte).
    uint8_t f(int k) const { return args.f[size_t(k - 1)]; }

    // red + green * 256 + blue * 65536.
    uint32_t colour() const { return colour_; }
    // max(1, W * H / 1000) and max(1, W * H / 10000), integer divisions.
    int32_t u1000() const { return u1000_; }
    int32_t u10000() const { return u10000_; }

private:
    std::array<float, 6> tenths_{};
    uint32_t colour_ = 0;
    int32_t u1000_ = 1, u10000_ = 1;
};

// The saturation factors of a tenth-value x (0..100):
// sat(x) = (x - 50) * 0.02 * 2 + 1 above 50, else x * 0.02 * 3 - 2 (-2..3, 1 at 50);
// hsat(x) = (x - 50) * 0.02 * 9 + 1 above 50, else x * 0.02 * 11 - 10 (-10..10).
double saturation_curve(double x);
double hyper_saturation_curve(double x);

}  // namespace imaging
