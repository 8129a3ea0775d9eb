// The engine's random generator as the tests compute it for themselves:
// state * 214013 + 2531011 (mod 2^32), result (state >> 16) & 0x7FFF.
#pragma once

#include <cstdint>

struct Lcg {
    uint32_t s;
    int32_t next() {
        s = s * 214013u + 2531011u;
        return int32_t((s >> 16) & 0x7FFF);
    }
};
