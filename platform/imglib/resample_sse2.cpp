// SSE2 twins of the resampler's 8-bit passes. Same weights, same integer
// sums, same rounding and clamping as the scalar passes: the results are
// identical byte for byte (the tests compare them).
//
// Two taps are taken at a time with one multiply-add of 16-bit pairs:
// channel values of two pixels (or two rows) are interleaved so that each
// 32-bit lane gets v0 * w0 + v1 * w1.
#include <cstring>

#include "platform/imglib/resample_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imglib::detail {

#if defined(__SSE2__)

namespace {

// Both weights of a tap pair in every 32-bit lane: w0 in the low half.
inline __m128i weight_pair(int16_t w0, int16_t w1) {
    return _mm_set1_epi32(int32_t(uint32_t(uint16_t(w0)) | (uint32_t(uint16_t(w1)) << 16)));
}

inline uint32_t load_u32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

bool have_sse2_resampler() { return true; }

void resample_rows_rgba8_sse2(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
                              const AxisWeights& w) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (w.precision - 1));
    const __m128i shift = _mm_cvtsi32_si128(w.precision);
    const size_t out_width = w.first.size();
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* in = src + size_t(y) * srcStride;
        uint8_t* out = dst + size_t(y) * dstStride;
        for (size_t i = 0; i < out_width; ++i) {
            const int16_t* k = &w.weights[i * size_t(w.taps)];
            const uint8_t* p = in + size_t(w.first[i]) * 4;
            const int32_t n = w.count[i];
            __m128i sum = half;
            int32_t t = 0;
            for (; t + 1 < n; t += 2) {
                // r0 g0 b0 a0 r1 g1 b1 a1 -> r0 r1 g0 g1 b0 b1 a0 a1 (16-bit)
                __m128i px = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + t * 4)), zero);
                px = _mm_unpacklo_epi16(px, _mm_srli_si128(px, 8));
                sum = _mm_add_epi32(sum, _mm_madd_epi16(px, weight_pair(k[t], k[t + 1])));
            }
            if (t < n) {
                // The last pixel alone, paired with zeros: nothing past the window is read.
                __m128i px = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(load_u32(p + t * 4))), zero);
                px = _mm_unpacklo_epi16(px, zero);
                sum = _mm_add_epi32(sum, _mm_madd_epi16(px, weight_pair(k[t], 0)));
            }
            sum = _mm_sra_epi32(sum, shift);
            // Saturating packs hold each channel to 0..255.
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(sum, sum), zero);
            const uint32_t v = uint32_t(_mm_cvtsi128_si32(packed));
            std::memcpy(out + i * 4, &v, 4);
        }
    }
}

void resample_columns_u8_sse2(const uint8_t* src, uint32_t srcStride, int32_t srcBase, uint8_t* dst,
                              uint32_t dstStride, uint32_t rowBytes, const AxisWeights& w, uint32_t y0, uint32_t y1) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (w.precision - 1));
    const __m128i shift = _mm_cvtsi32_si128(w.precision);
    const uint32_t vector_bytes = rowBytes & ~15u;
    for (size_t y = y0; y < y1; ++y) {
        const int16_t* k = &w.weights[y * size_t(w.taps)];
        const int32_t n = w.count[y];
        const uint8_t* first_row = src + size_t(w.first[y] - srcBase) * srcStride;
        uint8_t* out = dst + (y - y0) * dstStride;
        for (uint32_t x = 0; x < vector_bytes; x += 16) {
            __m128i s0 = half, s1 = half, s2 = half, s3 = half;
            const uint8_t* row = first_row + x;
            int32_t t = 0;
            for (; t + 1 < n; t += 2, row += 2 * size_t(srcStride)) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + srcStride));
                const __m128i wv = weight_pair(k[t], k[t + 1]);
                const __m128i alo = _mm_unpacklo_epi8(a, zero), blo = _mm_unpacklo_epi8(b, zero);
                const __m128i ahi = _mm_unpackhi_epi8(a, zero), bhi = _mm_unpackhi_epi8(b, zero);
                s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), wv));
                s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), wv));
                s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), wv));
                s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), wv));
            }
            if (t < n) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
                const __m128i wv = weight_pair(k[t], 0);
                const __m128i alo = _mm_unpacklo_epi8(a, zero), ahi = _mm_unpackhi_epi8(a, zero);
                s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, zero), wv));
                s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, zero), wv));
                s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, zero), wv));
                s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, zero), wv));
            }
            s0 = _mm_sra_epi32(s0, shift);
            s1 = _mm_sra_epi32(s1, shift);
            s2 = _mm_sra_epi32(s2, shift);
            s3 = _mm_sra_epi32(s3, shift);
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(s0, s1), _mm_packs_epi32(s2, s3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), bytes);
        }
        // The last bytes of the row, one at a time, by the same sum.
        for (uint32_t x = vector_bytes; x < rowBytes; ++x) {
            int32_t sum = 1 << (w.precision - 1);
            for (int32_t t = 0; t < n; ++t) sum += int32_t(k[t]) * first_row[size_t(t) * srcStride + x];
            sum >>= w.precision;
            out[x] = uint8_t(sum < 0 ? 0 : (sum > 255 ? 255 : sum));
        }
    }
}

#else

bool have_sse2_resampler() { return false; }
void resample_rows_rgba8_sse2(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
                              const AxisWeights& w) {
    resample_rows_u8(src, srcStride, dst, dstStride, rows, 4, w);
}
void resample_columns_u8_sse2(const uint8_t* src, uint32_t srcStride, int32_t srcBase, uint8_t* dst,
                              uint32_t dstStride, uint32_t rowBytes, const AxisWeights& w, uint32_t y0, uint32_t y1) {
    resample_columns_u8(src, srcStride, srcBase, dst, dstStride, rowBytes, w, y0, y1);
}

#endif

}  // namespace imglib::detail
