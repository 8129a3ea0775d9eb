// The exact integer steps of a dab that are done without an integer
// division, one pixel at a time and, with SSE2, eight pixels at a time in
// 16-bit lanes. Both forms give the same bits for every input they accept.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brush::arith {

#define DAB_ARITH_INLINE [[gnu::always_inline]] inline

// floor(x / 65535) for x <= 65535 * 65535 without a multiply: adding the
// high half and one before the shift makes up the difference between
// dividing by 65536 and by 65535.
DAB_ARITH_INLINE uint32_t div65535(uint32_t x) { return (x + (x >> 16) + 1) >> 16; }

// What scale_by adds before truncating: see there.
inline constexpr double kScaleLift = 0x1p-20;

// 65535 / d in double: exact to 2^-53 relative, one division per pixel.
DAB_ARITH_INLINE double scale_for(uint32_t d) { return 65535.0 / d; }

// floor(x * 65535 / d) for 0 < d <= 65535 and x <= d, with scale =
// scale_for(d): x * scale lies within 2^-35 of the true quotient q, which
// is either an integer or at least 1/65535 below the next one. Adding 2^-20
// lifts an integer quotient that came out a hair low and never pushes a
// fraction over: the truncation is the exact floor.
DAB_ARITH_INLINE uint32_t scale_by(uint32_t x, double scale) { return uint32_t(x * scale + kScaleLift); }

#if defined(__SSE2__)

// Eight unsigned 16-bit lanes. A mask lane is 0 or 65535.
using V = __m128i;

DAB_ARITH_INLINE V zero() { return _mm_setzero_si128(); }
DAB_ARITH_INLINE V all_ones() { return _mm_set1_epi32(-1); }
DAB_ARITH_INLINE V splat(uint32_t v) { return _mm_set1_epi16(int16_t(uint16_t(v))); }
DAB_ARITH_INLINE V load(const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
DAB_ARITH_INLINE void store(uint16_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

DAB_ARITH_INLINE V add16(V a, V b) { return _mm_add_epi16(a, b); }
// min(65535, a + b)
DAB_ARITH_INLINE V add_held(V a, V b) { return _mm_adds_epu16(a, b); }
// 65535 - a
DAB_ARITH_INLINE V rest(V a) { return _mm_xor_si128(a, all_ones()); }
// (a * b) >> 16 and (a * b) & 65535
DAB_ARITH_INLINE V mul_hi(V a, V b) { return _mm_mulhi_epu16(a, b); }
DAB_ARITH_INLINE V mul_lo(V a, V b) { return _mm_mullo_epi16(a, b); }
// a >= b ? a : b
DAB_ARITH_INLINE V max_of(V a, V b) { return _mm_add_epi16(_mm_subs_epu16(a, b), b); }

DAB_ARITH_INLINE V equal(V a, V b) { return _mm_cmpeq_epi16(a, b); }
DAB_ARITH_INLINE V at_most(V a, uint32_t k) { return _mm_cmpeq_epi16(_mm_subs_epu16(a, splat(k)), zero()); }
DAB_ARITH_INLINE V either(V m, V n) { return _mm_or_si128(m, n); }
// m ? a : b, lane by lane
DAB_ARITH_INLINE V select(V m, V a, V b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
// m ? 0 : a
DAB_ARITH_INLINE V cleared(V m, V a) { return _mm_andnot_si128(m, a); }
DAB_ARITH_INLINE bool every(V m) { return _mm_movemask_epi8(m) == 0xFFFF; }
DAB_ARITH_INLINE bool none(V m) { return _mm_movemask_epi8(m) == 0; }

// floor(p / 65535) of a product p = hi * 65536 + lo of two 16-bit values.
// p = hi * 65535 + (hi + lo), and hi <= 65534, so hi + lo < 2 * 65535: the
// quotient is hi, and one more when hi + lo >= 65535, that is when
// lo >= 65535 - hi (tested as a saturating 65535 - hi - lo of zero).
DAB_ARITH_INLINE V div65535_of(V hi, V lo) { return _mm_sub_epi16(hi, equal(_mm_subs_epu16(rest(hi), lo), zero())); }

// floor(x * y / 65535): div65535 of the product, lane by lane.
DAB_ARITH_INLINE V mul_div65535(V x, V y) { return div65535_of(mul_hi(x, y), mul_lo(x, y)); }

// floor((floor(x * y / 256) + floor(u * v / 256)) / 256) where the result
// fits 16 bits. With each product split as hi * 65536 + lo, it is the sum
// of the high halves plus the carry out of the two lows' high bytes.
DAB_ARITH_INLINE V mix_over256(V x, V y, V u, V v) {
    const V high = add16(mul_hi(x, y), mul_hi(u, v));
    const V low = add16(_mm_srli_epi16(mul_lo(x, y), 8), _mm_srli_epi16(mul_lo(u, v), 8));
    return add16(high, _mm_srli_epi16(low, 8));
}

// A weight w of 0..256 times a 16-bit x, as floor(w * x / 256) and the
// low byte of the product: w * x < 2^24, so the high half is below 256.
struct Weighed {
    V whole, low;
};
DAB_ARITH_INLINE Weighed weighed(V w, V x) {
    const V lo = mul_lo(w, x);
    return {_mm_or_si128(_mm_slli_epi16(mul_hi(w, x), 8), _mm_srli_epi16(lo, 8)), _mm_and_si128(lo, splat(255))};
}

// min(65535, floor((p + q) / 256) + plus) for p = w * x and q = whole * 256
// + low, both below 2^24 (plus 0..2).
DAB_ARITH_INLINE V sum_over256_held(Weighed p, Weighed q, V plus) {
    const V carry = _mm_srli_epi16(add16(p.low, q.low), 8);
    return add_held(add_held(p.whole, q.whole), add16(carry, plus));
}

// Eight RGBA64 pixels as four planes of one channel each.
struct Pixels8 {
    V r, g, b, a;
};

DAB_ARITH_INLINE Pixels8 load_pixels(const uint16_t* p) {
    const V p0 = load(p), p1 = load(p + 8), p2 = load(p + 16), p3 = load(p + 24);
    const V t0 = _mm_unpacklo_epi16(p0, p1);  // r0 r2 g0 g2 b0 b2 a0 a2
    const V t1 = _mm_unpackhi_epi16(p0, p1);  // r1 r3 g1 g3 b1 b3 a1 a3
    const V t2 = _mm_unpacklo_epi16(p2, p3);
    const V t3 = _mm_unpackhi_epi16(p2, p3);
    const V u0 = _mm_unpacklo_epi16(t0, t1);  // r0 r1 r2 r3 g0 g1 g2 g3
    const V u1 = _mm_unpackhi_epi16(t0, t1);  // b0 b1 b2 b3 a0 a1 a2 a3
    const V u2 = _mm_unpacklo_epi16(t2, t3);
    const V u3 = _mm_unpackhi_epi16(t2, t3);
    return {_mm_unpacklo_epi64(u0, u2), _mm_unpackhi_epi64(u0, u2), _mm_unpacklo_epi64(u1, u3),
            _mm_unpackhi_epi64(u1, u3)};
}

DAB_ARITH_INLINE void store_pixels(uint16_t* p, const Pixels8& x) {
    const V rg0 = _mm_unpacklo_epi16(x.r, x.g);  // r0 g0 r1 g1 r2 g2 r3 g3
    const V rg1 = _mm_unpackhi_epi16(x.r, x.g);
    const V ba0 = _mm_unpacklo_epi16(x.b, x.a);
    const V ba1 = _mm_unpackhi_epi16(x.b, x.a);
    store(p, _mm_unpacklo_epi32(rg0, ba0));
    store(p + 8, _mm_unpackhi_epi32(rg0, ba0));
    store(p + 16, _mm_unpacklo_epi32(rg1, ba1));
    store(p + 24, _mm_unpackhi_epi32(rg1, ba1));
}

// scale_for of eight divisors, two lanes per register in lane order.
struct Scales {
    __m128d q[4];
};

DAB_ARITH_INLINE __m128d low_pair(V words32) { return _mm_cvtepi32_pd(words32); }
DAB_ARITH_INLINE __m128d high_pair(V words32) { return _mm_cvtepi32_pd(_mm_srli_si128(words32, 8)); }

// Lanes of 0 take the divisor 1: their quotients are not used.
DAB_ARITH_INLINE Scales scales_for(V d) {
    d = _mm_sub_epi16(d, equal(d, zero()));
    const V lo = _mm_unpacklo_epi16(d, zero()), hi = _mm_unpackhi_epi16(d, zero());
    const __m128d k = _mm_set1_pd(65535.0);
    return {{_mm_div_pd(k, low_pair(lo)), _mm_div_pd(k, high_pair(lo)), _mm_div_pd(k, low_pair(hi)),
             _mm_div_pd(k, high_pair(hi))}};
}

// scale_by lane by lane: the same double operations, so the same bits.
DAB_ARITH_INLINE V scale_by(V x, const Scales& s) {
    const V lo = _mm_unpacklo_epi16(x, zero()), hi = _mm_unpackhi_epi16(x, zero());
    const __m128d lift = _mm_set1_pd(kScaleLift);
    const auto quotient = [&](__m128d v, __m128d scale) {
        return _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(v, scale), lift));
    };
    const V q0 = _mm_unpacklo_epi64(quotient(low_pair(lo), s.q[0]), quotient(high_pair(lo), s.q[1]));
    const V q1 = _mm_unpacklo_epi64(quotient(low_pair(hi), s.q[2]), quotient(high_pair(hi), s.q[3]));
    // 0..65535 biased by 32768, so that the signed saturating pack keeps every value.
    const V bias = _mm_set1_epi32(32768);
    return _mm_xor_si128(_mm_packs_epi32(_mm_sub_epi32(q0, bias), _mm_sub_epi32(q1, bias)), splat(0x8000));
}

#endif

}  // namespace brush::arith
