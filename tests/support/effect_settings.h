// The settings of one catalogue effect as a host passes them, and the call
// that applies them to the current layer.
#pragma once

#include <array>
#include <cstdint>

#include "paintcore.h"

namespace effect_test {

// Sliders p1..p6 at the middle of 0..1000, options p7 and p8 at 0, flags
// off, and a colour of distinct channels.
struct Settings {
    std::array<int32_t, 8> p = {500, 500, 500, 500, 500, 500, 0, 0};
    std::array<uint8_t, 6> f = {};
    int32_t seed = 3;
    int32_t red = 200, green = 60, blue = 40;
    const char* text = nullptr;
};

inline int32_t apply(const char* name, const Settings& s = {}) {
    return PTE_IPLImageProcess(0, name, s.seed, s.p[0], s.p[1], s.p[2], s.p[3], s.p[4], s.p[5], s.p[6], s.p[7],
                               s.f[0], s.f[1], s.f[2], s.f[3], s.f[4], s.f[5], s.red, s.green, s.blue, s.text);
}

}  // namespace effect_test
