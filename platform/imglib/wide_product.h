// Exact products of two 64-bit values, up to 128 bits
// on every target (32-bit compilers have no 128-bit integer type).
#pragma once

#include <cstdint>

namespace imglib {

struct WideProduct {
    uint64_t high = 0, low = 0;
};

constexpr WideProduct multiply_wide(uint64_t a, uint64_t b) {
    const uint64_t a0 = uint32_t(a), a1 = a >> 32, b0 = uint32_t(b), b1 = b >> 32;
    const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const uint64_t middle = (p00 >> 32) + uint32_t(p01) + uint32_t(p10);
    return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | uint32_t(p00)};
}

// The sum, modulo 2^128.
constexpr WideProduct add_wide(WideProduct a, WideProduct b) {
    const uint64_t low = a.low + b.low;
    return {a.high + b.high + (low < a.low ? 1u : 0u), low};
}

constexpr bool not_above(WideProduct a, WideProduct b) {
    return a.high < b.high || (a.high == b.high && a.low <= b.low);
}

}  // namespace imglib
