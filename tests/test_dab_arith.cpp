// The dab's exact steps without integer division, one pixel at a time and
// in eight lanes, against plain 64-bit arithmetic: the two division steps
// over their whole ranges, the weighted sums over their boundaries and
// random values.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "brush/dab_arith.h"

namespace {

using namespace brush::arith;

#if defined(__SSE2__)
std::vector<uint16_t> lanes_of(V v) {
    std::vector<uint16_t> out(8);
    store(out.data(), v);
    return out;
}

V lanes(const uint16_t* p) { return load(p); }
using V32 = __m128i;  // four unsigned 32-bit lanes
#endif

// Every x = hi * 65536 + lo with hi <= 65534 (the largest product of two
// channels, 65535^2, has hi = 65534): for one hi the floor of x / 65535 is
// q0 = floor(hi * 65536 / 65535), and one more from the lo at which x
// reaches the next multiple of 65535. The lanes are checked at every lo;
// the one-pixel form, as slow as plain code is, at the ends and the step.
TEST(DabArith, Div65535IsTheFloorForEveryProductOfTwoChannels) {
    uint64_t wrong = 0;
    for (uint32_t hi = 0; hi <= 65534; ++hi) {
        const uint64_t base = uint64_t(hi) * 65536;
        const uint32_t q0 = uint32_t(base / 65535);
        const uint64_t step = (uint64_t(q0) + 1) * 65535 - base;  // first lo of q0 + 1
        const auto want = [&](uint64_t lo) { return q0 + (lo >= step ? 1u : 0u); };
        const uint64_t last = hi == 65534 ? 1 : 65535;  // x <= 65535^2
        for (uint64_t lo : {uint64_t(0), step - 1, step, last})
            if (lo <= last) wrong += div65535(uint32_t(base + lo)) != want(lo);
#if defined(__SSE2__)
        // Lanes at or past the step: step - lo saturates to 0.
        const V stepLanes = splat(uint32_t(std::min<uint64_t>(step, 65535)));
        const V below = splat(q0), above = splat(q0 + 1);
        V lo8 = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
        for (uint32_t l0 = 0; l0 < 65536; l0 += 8, lo8 = add16(lo8, splat(8))) {
            const V past = equal(_mm_subs_epu16(stepLanes, lo8), zero());
            const V expected = step > 65535 ? below : select(past, above, below);
            wrong += !every(equal(div65535_of(splat(hi), lo8), expected));
        }
#endif
    }
    EXPECT_EQ(wrong, 0u);
}

#if defined(__SSE2__)
// a <= b for unsigned 32-bit lanes.
V32 at_most32(V32 a, V32 b) {
    const V32 sign = _mm_set1_epi32(INT32_MIN);
    return _mm_xor_si128(_mm_cmpgt_epi32(_mm_xor_si128(a, sign), _mm_xor_si128(b, sign)), _mm_set1_epi32(-1));
}
#endif

// floor(x * 65535 / d) = q exactly when q * d <= x * 65535 < q * d + d, all
// within 32 bits: every divisor d and every numerator x <= d, eight
// numerators of one divisor at once in lanes, one at a time for every 16th
// divisor and the last ones (the same double operations).
TEST(DabArith, ScaleByIsTheFloorForEveryDivisorAndNumerator) {
    uint64_t wrong = 0;
    for (uint32_t d = 1; d <= 65535; ++d) {
        const double scale = scale_for(d);
        if (d % 16 == 0 || d > 65535 - 64) {
            for (uint32_t x = 0; x <= d; ++x) {
                const uint32_t t = x * 65535u, low = scale_by(x, scale) * d;
                wrong += (low > t) | (t - low >= d);
            }
        }
#if defined(__SSE2__)
        const Scales scales = scales_for(splat(d));
        const V divisor = splat(d), k65535 = all_ones();
        const V32 d32 = _mm_set1_epi32(int32_t(d));
        V x8 = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
        for (uint32_t x0 = 0; x0 <= d; x0 += 8, x8 = add16(x8, splat(8))) {
            const V q = scale_by(x8, scales);
            // 32-bit products from their halves.
            const V qdHi = mul_hi(q, divisor), qdLo = mul_lo(q, divisor);
            const V tHi = mul_hi(x8, k65535), tLo = mul_lo(x8, k65535);
            const V32 qd[2] = {_mm_unpacklo_epi16(qdLo, qdHi), _mm_unpackhi_epi16(qdLo, qdHi)};
            const V32 t[2] = {_mm_unpacklo_epi16(tLo, tHi), _mm_unpackhi_epi16(tLo, tHi)};
            // Lanes past d are not checked.
            const V32 index[2] = {_mm_setr_epi32(0, 1, 2, 3), _mm_setr_epi32(4, 5, 6, 7)};
            for (int h = 0; h < 2; ++h) {
                const V32 inRange = at_most32(_mm_add_epi32(index[h], _mm_set1_epi32(int32_t(x0))), d32);
                const V32 fine = _mm_and_si128(at_most32(qd[h], t[h]),
                                               _mm_xor_si128(at_most32(_mm_add_epi32(qd[h], d32), t[h]),
                                                             _mm_set1_epi32(-1)));
                wrong += _mm_movemask_epi8(_mm_andnot_si128(fine, inRange)) != 0;
            }
        }
#endif
    }
    EXPECT_EQ(wrong, 0u);
}

#if defined(__SSE2__)

TEST(DabArithLanes, DivisorsOfZeroGiveNoFault) {
    // Lanes of a transparent destination divide by nothing that is used.
    alignas(16) const uint16_t d[8] = {0, 1, 2, 65535, 0, 300, 65534, 0};
    alignas(16) const uint16_t x[8] = {0, 1, 1, 65535, 0, 299, 65533, 0};
    const auto q = lanes_of(scale_by(lanes(x), scales_for(lanes(d))));
    const uint16_t want[8] = {0, 65535, 32767, 65535, 0, uint16_t(299u * 65535 / 300), uint16_t(65533u * 65535 / 65534),
                              0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(q[size_t(i)], want[i]) << i;
}

uint16_t pick16(std::mt19937& rng) {
    static const uint16_t edges[] = {0,     1,     2,     127,   128,   255,   256,   257,
                                     8191,  8192,  32767, 32768, 65279, 65280, 65534, 65535};
    if (rng() % 2) return edges[rng() % std::size(edges)];
    return uint16_t(rng());
}

uint16_t pick_weight(std::mt19937& rng) {
    static const uint16_t edges[] = {0, 1, 127, 128, 129, 255, 256};
    if (rng() % 2) return edges[rng() % std::size(edges)];
    return uint16_t(rng() % 257);
}

// Random lanes of products and weighted sums against 64-bit arithmetic.
TEST(DabArithLanes, ProductsAndWeightedSumsOverRandomLanes) {
    std::mt19937 rng(4711);
    alignas(16) uint16_t x[8], y[8], w[8], v[8], c[8], wholeQ[8], lowQ[8], plus[8];
    for (int round = 0; round < 400000; ++round) {
        for (int i = 0; i < 8; ++i) {
            x[i] = pick16(rng), y[i] = pick16(rng), w[i] = pick_weight(rng), v[i] = pick_weight(rng);
            // cov of 1..65535, as a painted pixel has.
            c[i] = uint16_t(1 + pick16(rng) % 65535);
            const uint32_t share = uint32_t(pick_weight(rng)) * pick16(rng);
            wholeQ[i] = uint16_t(share >> 8), lowQ[i] = uint16_t(share & 255);
            plus[i] = uint16_t(rng() % 3);
        }
        const auto hi = lanes_of(mul_hi(lanes(x), lanes(y)));
        const auto lo = lanes_of(mul_lo(lanes(x), lanes(y)));
        const auto q = lanes_of(mul_div65535(lanes(x), lanes(y)));
        const V i65536 = _mm_sub_epi16(zero(), lanes(c));
        const auto mixed = lanes_of(mix_over256(i65536, lanes(x), lanes(c), lanes(y)));
        const auto held =
            lanes_of(sum_over256_held(weighed(lanes(w), lanes(x)), weighed(lanes(v), lanes(y)), lanes(plus)));
        const auto shared =
            lanes_of(sum_over256_held(weighed(lanes(w), lanes(x)), Weighed{lanes(wholeQ), lanes(lowQ)}, zero()));
        const auto biggest = lanes_of(max_of(lanes(x), lanes(y)));
        const auto thin = lanes_of(at_most(lanes(x), 8191));
        for (size_t i = 0; i < 8; ++i) {
            const uint64_t p = uint64_t(x[i]) * y[i];
            ASSERT_EQ(hi[i], p >> 16);
            ASSERT_EQ(lo[i], p & 65535);
            ASSERT_EQ(q[i], p / 65535) << x[i] << " " << y[i];
            const uint64_t ic = 65536 - c[i];
            ASSERT_EQ(mixed[i], (((ic * x[i]) >> 8) + ((uint64_t(c[i]) * y[i]) >> 8)) >> 8) << x[i] << " " << c[i];
            const uint64_t sum = ((uint64_t(w[i]) * x[i] + uint64_t(v[i]) * y[i]) >> 8) + plus[i];
            ASSERT_EQ(held[i], std::min<uint64_t>(65535, sum)) << w[i] << " " << x[i] << " " << v[i] << " " << y[i];
            const uint64_t withShare = (uint64_t(w[i]) * x[i] + wholeQ[i] * 256ull + lowQ[i]) >> 8;
            ASSERT_EQ(shared[i], std::min<uint64_t>(65535, withShare));
            ASSERT_EQ(biggest[i], std::max(x[i], y[i]));
            ASSERT_EQ(thin[i], x[i] <= 8191 ? 65535 : 0);
        }
    }
}

TEST(DabArithLanes, PixelsSplitIntoPlanesAndBack) {
    alignas(16) uint16_t p[32], back[32];
    for (int i = 0; i < 32; ++i) p[i] = uint16_t(1000 * i + 7);
    const Pixels8 planes = load_pixels(p);
    const auto r = lanes_of(planes.r), a = lanes_of(planes.a);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(r[i], p[i * 4]);
        EXPECT_EQ(a[i], p[i * 4 + 3]);
    }
    store_pixels(back, planes);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(back[i], p[i]) << i;
}

#endif

}  // namespace
