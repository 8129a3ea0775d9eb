// Four pixels at a time: single-precision lanes for the colour rules and
// quads of packed RGBA64 pixels for everything that stays in 16 bits.
//
// The colour rules are written once as templates over a number type and run
// on Float4. Every arithmetic operation is the IEEE single operation applied
// lane by lane (add, subtract, multiply, divide and square root are
// correctly rounded), and select, min_of, max_of and clamp01 have one NaN
// behaviour, so a pixel gets the same bits in any lane, with or without
// SSE2. Sixteen-bit values are exact in a float, so they cross between the
// two forms unchanged.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace simd {

#if defined(__SSE2__)

// ---- Float lanes ----

struct Mask4 {
    __m128 v;
    static Mask4 load(const uint32_t* p) { return {_mm_load_ps(reinterpret_cast<const float*>(p))}; }
    void store(uint32_t* p) const { _mm_store_ps(reinterpret_cast<float*>(p), v); }
};

struct Float4 {
    __m128 v;
    Float4() = default;
    Float4(__m128 x) : v(x) {}
    Float4(float x) : v(_mm_set1_ps(x)) {}
    static Float4 load(const float* p) { return _mm_load_ps(p); }
    void store(float* p) const { _mm_store_ps(p, v); }
};

inline Float4 operator+(Float4 a, Float4 b) { return _mm_add_ps(a.v, b.v); }
inline Float4 operator-(Float4 a, Float4 b) { return _mm_sub_ps(a.v, b.v); }
inline Float4 operator*(Float4 a, Float4 b) { return _mm_mul_ps(a.v, b.v); }
inline Float4 operator/(Float4 a, Float4 b) { return _mm_div_ps(a.v, b.v); }
inline Mask4 operator<(Float4 a, Float4 b) { return {_mm_cmplt_ps(a.v, b.v)}; }
inline Mask4 operator<=(Float4 a, Float4 b) { return {_mm_cmple_ps(a.v, b.v)}; }
inline Mask4 operator>(Float4 a, Float4 b) { return {_mm_cmpgt_ps(a.v, b.v)}; }
inline Mask4 operator>=(Float4 a, Float4 b) { return {_mm_cmpge_ps(a.v, b.v)}; }
inline Mask4 operator!=(Float4 a, Float4 b) { return {_mm_cmpneq_ps(a.v, b.v)}; }

inline Mask4 operator&(Mask4 a, Mask4 b) { return {_mm_and_ps(a.v, b.v)}; }
inline Mask4 operator|(Mask4 a, Mask4 b) { return {_mm_or_ps(a.v, b.v)}; }
// a and not b
inline Mask4 and_not(Mask4 a, Mask4 b) { return {_mm_andnot_ps(b.v, a.v)}; }
inline Mask4 no_lanes() { return {_mm_setzero_ps()}; }
inline Mask4 all_lanes() { return {_mm_castsi128_ps(_mm_set1_epi32(-1))}; }
inline bool any(Mask4 m) { return _mm_movemask_ps(m.v) != 0; }
inline bool all(Mask4 m) { return _mm_movemask_ps(m.v) == 0xF; }
// Lanes 0 .. count-1.
inline Mask4 first_lanes(int count) {
    return {_mm_castsi128_ps(_mm_cmpgt_epi32(_mm_set1_epi32(count), _mm_setr_epi32(0, 1, 2, 3)))};
}

inline Float4 select(Mask4 m, Float4 a, Float4 b) {
    return _mm_or_ps(_mm_and_ps(m.v, a.v), _mm_andnot_ps(m.v, b.v));
}
// a < b ? a : b, lane by lane (with a NaN, the second operand).
inline Float4 min_of(Float4 a, Float4 b) { return _mm_min_ps(a.v, b.v); }
// a > b ? a : b
inline Float4 max_of(Float4 a, Float4 b) { return _mm_max_ps(a.v, b.v); }
inline Float4 sqrt_of(Float4 v) { return _mm_sqrt_ps(v.v); }
// Each lane truncated toward zero to a whole number; lanes must lie within
// the int32 range.
inline Float4 trunc_of(Float4 v) { return _mm_cvtepi32_ps(_mm_cvttps_epi32(v.v)); }
inline Float4 abs_of(Float4 v) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), v.v); }
// Stores a0 b0 a1 b1 a2 b2 a3 b3 at p, which need not be aligned.
inline void store_pairs(float* p, Float4 a, Float4 b) {
    _mm_storeu_ps(p, _mm_unpacklo_ps(a.v, b.v));
    _mm_storeu_ps(p + 4, _mm_unpackhi_ps(a.v, b.v));
}

// ---- Quads: four packed RGBA64 pixels ----

struct Quad {
    __m128i lo, hi;  // pixels 0, 1 and 2, 3: red, green, blue, alpha words
};

// One flag per pixel of a quad, as all 64 bits of the pixel set or clear.
struct QuadMask {
    __m128i lo, hi;
};

inline Quad load_quad(const uint16_t* p) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8))};
}
inline void store_quad(uint16_t* p, const Quad& q) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), q.lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 8), q.hi);
}
inline Quad zero_quad() { return {_mm_setzero_si128(), _mm_setzero_si128()}; }

inline QuadMask widen(Mask4 m) {
    const __m128i v = _mm_castps_si128(m.v);
    return {_mm_unpacklo_epi32(v, v), _mm_unpackhi_epi32(v, v)};
}
inline Quad select(QuadMask m, const Quad& a, const Quad& b) {
    return {_mm_or_si128(_mm_and_si128(m.lo, a.lo), _mm_andnot_si128(m.lo, b.lo)),
            _mm_or_si128(_mm_and_si128(m.hi, a.hi), _mm_andnot_si128(m.hi, b.hi))};
}

// The alpha words of a quad as four 32-bit lanes, and tests on them that
// give one lane per pixel.
inline __m128i alpha_lanes(const Quad& q) {
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(_mm_srli_epi64(q.lo, 48)),
                                           _mm_castsi128_ps(_mm_srli_epi64(q.hi, 48)), _MM_SHUFFLE(2, 0, 2, 0)));
}
inline Mask4 alpha_zero(const Quad& q) {
    return {_mm_castsi128_ps(_mm_cmpeq_epi32(alpha_lanes(q), _mm_setzero_si128()))};
}
inline Mask4 alpha_whole(const Quad& q) {
    return {_mm_castsi128_ps(_mm_cmpeq_epi32(alpha_lanes(q), _mm_set1_epi32(65535)))};
}
inline Mask4 alpha_at_least(const Quad& q, uint32_t least) {
    return {_mm_castsi128_ps(_mm_cmpgt_epi32(alpha_lanes(q), _mm_set1_epi32(int32_t(least) - 1)))};
}
// 65280 or more
inline Mask4 alpha_opaque(const Quad& q) { return alpha_at_least(q, 65280); }

inline __m128i alpha_words() { return _mm_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1); }
// q with the alpha words of `alpha`.
inline Quad with_alpha(const Quad& q, const Quad& alpha) {
    const __m128i a = alpha_words();
    return {_mm_or_si128(_mm_andnot_si128(a, q.lo), _mm_and_si128(a, alpha.lo)),
            _mm_or_si128(_mm_andnot_si128(a, q.hi), _mm_and_si128(a, alpha.hi))};
}
inline Quad with_alpha(const Quad& q, uint16_t v) {
    const __m128i a = _mm_and_si128(alpha_words(), _mm_set1_epi16(int16_t(v)));
    return {_mm_or_si128(_mm_andnot_si128(alpha_words(), q.lo), a),
            _mm_or_si128(_mm_andnot_si128(alpha_words(), q.hi), a)};
}

// Every word w becomes (w * factor) >> 8, for factors 0..256: the product
// is below 2^24, so its middle two bytes are the result.
inline Quad scale_words(const Quad& q, uint16_t factor) {
    const __m128i f = _mm_set1_epi16(int16_t(factor));
    const auto scale = [f](__m128i w) {
        return _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epu16(w, f), 8), _mm_srli_epi16(_mm_mullo_epi16(w, f), 8));
    };
    return {scale(q.lo), scale(q.hi)};
}

// Four display pixels: blue, green and red in the low three bytes of each 32-bit lane.
struct Bgr4 {
    __m128i v;
};

// The 12 bytes of four display pixels. With `scratch` set, the 4 bytes
// after them may be written too (the caller writes them again later),
// which saves splitting the store.
inline void store_bgr(uint8_t* out, Bgr4 bgr, bool scratch = false) {
    // Pixels 0, 1 and 2, 3 as six bytes at the bottom of each 64-bit half ...
    const __m128i even = _mm_and_si128(bgr.v, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF));
    const __m128i odd = _mm_and_si128(bgr.v, _mm_set_epi32(0xFFFFFF, 0, 0xFFFFFF, 0));
    const __m128i halves = _mm_or_si128(even, _mm_srli_epi64(odd, 8));
    // ... and the upper six moved down to follow the lower.
    const __m128i bytes = _mm_or_si128(_mm_move_epi64(halves), _mm_slli_si128(_mm_srli_si128(halves, 8), 6));
    if (scratch) return _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
    const uint32_t last = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8)));
    std::memcpy(out + 8, &last, 4);
}

// The high bytes of blue, green and red of each pixel: 12 bytes.
inline void store_bgr(uint8_t* out, const Quad& q, bool scratch = false) {
    const auto bgra = [](__m128i v) {
        v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
        return _mm_srli_epi16(v, 8);
    };
    store_bgr(out, Bgr4{_mm_packus_epi16(bgra(q.lo), bgra(q.hi))}, scratch);  // b g r a, four times
}

// ---- Between the two forms ----

// Four pixels, channel by channel.
struct Pixels4 {
    Float4 r, g, b, a;
};

inline Float4 low_words(__m128i v) { return _mm_cvtepi32_ps(_mm_unpacklo_epi16(v, _mm_setzero_si128())); }
inline Float4 high_words(__m128i v) { return _mm_cvtepi32_ps(_mm_unpackhi_epi16(v, _mm_setzero_si128())); }

inline Pixels4 to_floats(const Quad& q) {
    const __m128i t0 = _mm_unpacklo_epi16(q.lo, q.hi);  // r0 r2 g0 g2 b0 b2 a0 a2
    const __m128i t1 = _mm_unpackhi_epi16(q.lo, q.hi);  // r1 r3 g1 g3 b1 b3 a1 a3
    const __m128i rg = _mm_unpacklo_epi16(t0, t1);      // r0 r1 r2 r3 g0 g1 g2 g3
    const __m128i ba = _mm_unpackhi_epi16(t0, t1);      // b0 b1 b2 b3 a0 a1 a2 a3
    return {low_words(rg), high_words(rg), low_words(ba), high_words(ba)};
}

// Two lanes of floats 0..65535 as words, truncated.
inline __m128i pack_words(Float4 a, Float4 b) {
    // Biased by 32768 so that the signed saturating pack keeps every value.
    const __m128i bias = _mm_set1_epi32(32768);
    const __m128i x = _mm_sub_epi32(_mm_cvttps_epi32(a.v), bias);
    const __m128i y = _mm_sub_epi32(_mm_cvttps_epi32(b.v), bias);
    return _mm_xor_si128(_mm_packs_epi32(x, y), _mm_set1_epi16(-32768));
}

// Channels of 0..65535 as a quad, truncated toward zero.
inline Quad to_quad(const Pixels4& p) {
    const __m128i rg = pack_words(p.r, p.g);
    const __m128i ba = pack_words(p.b, p.a);
    const __m128i t0 = _mm_unpacklo_epi16(rg, ba);  // r0 b0 r1 b1 r2 b2 r3 b3
    const __m128i t1 = _mm_unpackhi_epi16(rg, ba);  // g0 a0 g1 a1 g2 a2 g3 a3
    return {_mm_unpacklo_epi16(t0, t1), _mm_unpackhi_epi16(t0, t1)};
}

// Lanes whose value, truncated toward zero, is `value`.
inline Mask4 truncated_is(Float4 v, int32_t value) {
    return {_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_cvttps_epi32(v.v), _mm_set1_epi32(value)))};
}

// Channels of 0..65535, truncated, as display pixels of their high bytes.
inline Bgr4 bgr_high_bytes(Float4 r, Float4 g, Float4 b) {
    const __m128i high = _mm_set1_epi32(0xFF00);
    const __m128i red = _mm_slli_epi32(_mm_and_si128(_mm_cvttps_epi32(r.v), high), 8);
    const __m128i green = _mm_and_si128(_mm_cvttps_epi32(g.v), high);
    const __m128i blue = _mm_srli_epi32(_mm_cvttps_epi32(b.v), 8);
    return {_mm_or_si128(_mm_or_si128(red, green), blue)};
}

#else

// Without SSE2 the same operations run lane by lane.

struct Mask4 {
    bool v[4];
    static Mask4 load(const uint32_t* p) { return {{p[0] != 0, p[1] != 0, p[2] != 0, p[3] != 0}}; }
    void store(uint32_t* p) const {
        for (int i = 0; i < 4; ++i) p[i] = v[i] ? ~0u : 0u;
    }
};

struct Float4 {
    float v[4];
    Float4() = default;
    Float4(float x) : v{x, x, x, x} {}
    static Float4 load(const float* p) {
        Float4 r;
        for (int i = 0; i < 4; ++i) r.v[i] = p[i];
        return r;
    }
    void store(float* p) const {
        for (int i = 0; i < 4; ++i) p[i] = v[i];
    }
};

template <class Op>
inline Float4 lanewise(Float4 a, Float4 b, Op op) {
    Float4 r;
    for (int i = 0; i < 4; ++i) r.v[i] = op(a.v[i], b.v[i]);
    return r;
}
template <class Op>
inline Mask4 compare(Float4 a, Float4 b, Op op) {
    Mask4 r;
    for (int i = 0; i < 4; ++i) r.v[i] = op(a.v[i], b.v[i]);
    return r;
}

inline Float4 operator+(Float4 a, Float4 b) { return lanewise(a, b, [](float x, float y) { return x + y; }); }
inline Float4 operator-(Float4 a, Float4 b) { return lanewise(a, b, [](float x, float y) { return x - y; }); }
inline Float4 operator*(Float4 a, Float4 b) { return lanewise(a, b, [](float x, float y) { return x * y; }); }
inline Float4 operator/(Float4 a, Float4 b) { return lanewise(a, b, [](float x, float y) { return x / y; }); }
inline Mask4 operator<(Float4 a, Float4 b) { return compare(a, b, [](float x, float y) { return x < y; }); }
inline Mask4 operator<=(Float4 a, Float4 b) { return compare(a, b, [](float x, float y) { return x <= y; }); }
inline Mask4 operator>(Float4 a, Float4 b) { return compare(a, b, [](float x, float y) { return x > y; }); }
inline Mask4 operator>=(Float4 a, Float4 b) { return compare(a, b, [](float x, float y) { return x >= y; }); }
inline Mask4 operator!=(Float4 a, Float4 b) { return compare(a, b, [](float x, float y) { return x != y; }); }
inline Mask4 operator&(Mask4 a, Mask4 b) { return {{a.v[0] && b.v[0], a.v[1] && b.v[1], a.v[2] && b.v[2], a.v[3] && b.v[3]}}; }
inline Mask4 operator|(Mask4 a, Mask4 b) { return {{a.v[0] || b.v[0], a.v[1] || b.v[1], a.v[2] || b.v[2], a.v[3] || b.v[3]}}; }
inline Mask4 and_not(Mask4 a, Mask4 b) {
    return {{a.v[0] && !b.v[0], a.v[1] && !b.v[1], a.v[2] && !b.v[2], a.v[3] && !b.v[3]}};
}
inline Mask4 no_lanes() { return {{false, false, false, false}}; }
inline Mask4 all_lanes() { return {{true, true, true, true}}; }
inline bool any(Mask4 m) { return m.v[0] || m.v[1] || m.v[2] || m.v[3]; }
inline bool all(Mask4 m) { return m.v[0] && m.v[1] && m.v[2] && m.v[3]; }
inline Mask4 first_lanes(int count) { return {{0 < count, 1 < count, 2 < count, 3 < count}}; }

inline Float4 select(Mask4 m, Float4 a, Float4 b) {
    Float4 r;
    for (int i = 0; i < 4; ++i) r.v[i] = m.v[i] ? a.v[i] : b.v[i];
    return r;
}
inline Float4 min_of(Float4 a, Float4 b) { return lanewise(a, b, [](float x, float y) { return x < y ? x : y; }); }
inline Float4 max_of(Float4 a, Float4 b) { return lanewise(a, b, [](float x, float y) { return x > y ? x : y; }); }
inline Float4 sqrt_of(Float4 v) {
    Float4 r;
    for (int i = 0; i < 4; ++i) r.v[i] = std::sqrt(v.v[i]);
    return r;
}
inline Float4 trunc_of(Float4 v) {
    Float4 r;
    for (int i = 0; i < 4; ++i) r.v[i] = float(int32_t(v.v[i]));
    return r;
}
inline Float4 abs_of(Float4 v) {
    Float4 r;
    for (int i = 0; i < 4; ++i) r.v[i] = std::fabs(v.v[i]);
    return r;
}
inline void store_pairs(float* p, Float4 a, Float4 b) {
    for (int i = 0; i < 4; ++i) {
        p[2 * i] = a.v[i];
        p[2 * i + 1] = b.v[i];
    }
}

struct Quad {
    uint16_t w[16];
};
struct QuadMask {
    bool p[4];
};

inline Quad load_quad(const uint16_t* p) {
    Quad q;
    std::memcpy(q.w, p, sizeof q.w);
    return q;
}
inline void store_quad(uint16_t* p, const Quad& q) { std::memcpy(p, q.w, sizeof q.w); }
inline Quad zero_quad() { return Quad{}; }

struct Bgr4 {
    uint32_t p[4];
};
inline void store_bgr(uint8_t* out, Bgr4 bgr, bool = false) {
    for (int i = 0; i < 4; ++i) {
        out[i * 3] = uint8_t(bgr.p[i]);
        out[i * 3 + 1] = uint8_t(bgr.p[i] >> 8);
        out[i * 3 + 2] = uint8_t(bgr.p[i] >> 16);
    }
}
inline void store_bgr(uint8_t* out, const Quad& q, bool = false) {
    for (int i = 0; i < 4; ++i) {
        out[i * 3] = uint8_t(q.w[i * 4 + 2] >> 8);
        out[i * 3 + 1] = uint8_t(q.w[i * 4 + 1] >> 8);
        out[i * 3 + 2] = uint8_t(q.w[i * 4] >> 8);
    }
}
inline QuadMask widen(Mask4 m) { return {{m.v[0], m.v[1], m.v[2], m.v[3]}}; }

inline Quad select(QuadMask m, const Quad& a, const Quad& b) {
    Quad r;
    for (int i = 0; i < 16; ++i) r.w[i] = m.p[i / 4] ? a.w[i] : b.w[i];
    return r;
}
inline Mask4 alpha_zero(const Quad& q) { return {{q.w[3] == 0, q.w[7] == 0, q.w[11] == 0, q.w[15] == 0}}; }
inline Mask4 alpha_whole(const Quad& q) {
    return {{q.w[3] == 65535, q.w[7] == 65535, q.w[11] == 65535, q.w[15] == 65535}};
}
inline Mask4 alpha_at_least(const Quad& q, uint32_t least) {
    return {{q.w[3] >= least, q.w[7] >= least, q.w[11] >= least, q.w[15] >= least}};
}
inline Mask4 alpha_opaque(const Quad& q) { return alpha_at_least(q, 65280); }
inline Quad with_alpha(const Quad& q, const Quad& alpha) {
    Quad r = q;
    for (int i = 3; i < 16; i += 4) r.w[i] = alpha.w[i];
    return r;
}
inline Quad with_alpha(const Quad& q, uint16_t v) {
    Quad r = q;
    for (int i = 3; i < 16; i += 4) r.w[i] = v;
    return r;
}
inline Quad scale_words(const Quad& q, uint16_t factor) {
    Quad r;
    for (int i = 0; i < 16; ++i) r.w[i] = uint16_t((uint32_t(q.w[i]) * factor) >> 8);
    return r;
}

struct Pixels4 {
    Float4 r, g, b, a;
};

inline Pixels4 to_floats(const Quad& q) {
    Pixels4 p;
    for (int i = 0; i < 4; ++i) {
        p.r.v[i] = q.w[i * 4];
        p.g.v[i] = q.w[i * 4 + 1];
        p.b.v[i] = q.w[i * 4 + 2];
        p.a.v[i] = q.w[i * 4 + 3];
    }
    return p;
}
inline Mask4 truncated_is(Float4 v, int32_t value) {
    Mask4 m;
    for (int i = 0; i < 4; ++i) m.v[i] = int32_t(v.v[i]) == value;
    return m;
}
inline Bgr4 bgr_high_bytes(Float4 r, Float4 g, Float4 b) {
    Bgr4 out;
    for (int i = 0; i < 4; ++i)
        out.p[i] = (uint32_t(r.v[i]) >> 8) << 16 | (uint32_t(g.v[i]) >> 8) << 8 | uint32_t(b.v[i]) >> 8;
    return out;
}
inline Quad to_quad(const Pixels4& p) {
    Quad q;
    for (int i = 0; i < 4; ++i) {
        q.w[i * 4] = uint16_t(p.r.v[i]);
        q.w[i * 4 + 1] = uint16_t(p.g.v[i]);
        q.w[i * 4 + 2] = uint16_t(p.b.v[i]);
        q.w[i * 4 + 3] = uint16_t(p.a.v[i]);
    }
    return q;
}

#endif

// 0..1; NaN becomes 0.
inline Float4 clamp01(Float4 v) { return min_of(max_of(v, 0.0f), 1.0f); }

inline Pixels4 select(Mask4 m, const Pixels4& a, const Pixels4& b) {
    return {select(m, a.r, b.r), select(m, a.g, b.g), select(m, a.b, b.b), select(m, a.a, b.a)};
}

// Up to four pixels `step` 16-bit values apart; pixels from count on are 0.
// Reads nothing beyond the count pixels.
inline Quad gather_quad(const uint16_t* p, int64_t step, int count) {
#if defined(__SSE2__)
    const auto pixel = [&](int i) {
        return i < count ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i * step)) : _mm_setzero_si128();
    };
    return {_mm_unpacklo_epi64(pixel(0), pixel(1)), _mm_unpacklo_epi64(pixel(2), pixel(3))};
#else
    Quad q{};
    for (int i = 0; i < count; ++i) std::memcpy(q.w + i * 4, p + i * step, 8);
    return q;
#endif
}

// The first count pixels of a quad.
inline void put_quad(uint16_t* p, int count, const Quad& q) {
    if (count == 4) return store_quad(p, q);
    alignas(16) uint16_t quad[16];
    store_quad(quad, q);
    std::memcpy(p, quad, size_t(count) * 8);
}

}  // namespace simd
