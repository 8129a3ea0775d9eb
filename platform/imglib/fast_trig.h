// Internal to the imaging library: sine, cosine and arctangent of four
// values at a time for warp maps, without branches or tables. Errors stay
// below 1e-6 of a turn, far under the 1/32 pixel the sampler resolves at
// any radius a picture has.
#pragma once

#include "engine/simd4.h"

namespace imglib::detail {

using simd::Float4;

// sin a and cos a, lane by lane, for |a| below about 1e6 radians.
inline void sincos4(Float4 a, Float4& s, Float4& c) {
    const Float4 pi = 3.14159265f, halfPi = 1.57079633f;
    // To -pi .. pi: the nearest whole turn taken off (truncation of a value
    // moved half a turn towards its sign).
    const Float4 half = simd::select(a >= Float4(0.0f), Float4(0.5f), Float4(-0.5f));
    const Float4 turns = simd::trunc_of(a * Float4(0.159154943f) + half);
    // 2 pi in two parts, the first with few enough bits that turns times it
    // is exact, so the reduction loses nothing over hundreds of turns.
    Float4 t = (a - turns * Float4(6.28125f)) - turns * Float4(1.93530717958e-3f);
    // To -pi/2 .. pi/2, where the series converge fast: sin(pi - t) = sin t
    // and cos(pi - t) = -cos t.
    const simd::Mask4 above = t > halfPi, below = t < Float4(0.0f) - halfPi;
    t = simd::select(above, pi - t, simd::select(below, Float4(0.0f) - pi - t, t));
    const Float4 sign = simd::select(above | below, Float4(-1.0f), Float4(1.0f));
    const Float4 t2 = t * t;
    s = t * (Float4(1.0f) +
             t2 * (Float4(-1.66666667e-1f) +
                   t2 * (Float4(8.33333333e-3f) +
                         t2 * (Float4(-1.98412698e-4f) + t2 * (Float4(2.75573192e-6f) - t2 * Float4(2.50521084e-8f))))));
    c = sign * (Float4(1.0f) +
                t2 * (Float4(-0.5f) +
                      t2 * (Float4(4.16666667e-2f) +
                            t2 * (Float4(-1.38888889e-3f) +
                                  t2 * (Float4(2.48015873e-5f) +
                                        t2 * (Float4(-2.75573192e-7f) + t2 * Float4(2.08767570e-9f)))))));
}

// atan2(y, x), -pi .. pi, lane by lane, from a polynomial on one octant.
inline Float4 atan2_4(Float4 y, Float4 x) {
    const Float4 ax = simd::abs_of(x), ay = simd::abs_of(y), zero = 0.0f;
    const Float4 lo = simd::min_of(ax, ay), hi = simd::max_of(ax, ay);
    const Float4 t = simd::select(hi > zero, lo / simd::max_of(hi, Float4(1e-30f)), zero), t2 = t * t;
    Float4 a = t * (Float4(0.99997726f) +
                    t2 * (Float4(-0.33262347f) +
                          t2 * (Float4(0.19354346f) +
                                t2 * (Float4(-0.11643287f) + t2 * (Float4(0.05265332f) - Float4(0.01172120f) * t2)))));
    a = simd::select(ay > ax, Float4(1.57079637f) - a, a);
    a = simd::select(x < zero, Float4(3.14159274f) - a, a);
    return simd::select(y < zero, zero - a, a);
}

}  // namespace imglib::detail
