#include "platform/imglib/png_filters.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imglib::detail {

namespace {

enum Type : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

// A filtered byte's weight in the choice: its magnitude read as signed.
inline size_t magnitude(uint8_t v) { return v < 128 ? v : 256u - v; }

inline uint8_t paeth(int a, int b, int c) {
    const int p = b - c, q = a - c;
    const int pa = std::abs(p), pb = std::abs(q), pc = std::abs(p + q);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// The predictor of a byte from a (the byte bpp before it in the row, 0
// at the row's start), b (the byte above) and c (the byte above a).
template <Type T>
inline uint8_t predict(int a, int b, int c) {
    if constexpr (T == kSub) return uint8_t(a);
    if constexpr (T == kUp) return uint8_t(b);
    if constexpr (T == kAverage) return uint8_t((a + b) / 2);
    if constexpr (T == kPaeth) return paeth(a, b, c);
    return 0;
}

bool g_fast_paths = true;

#if defined(__SSE2__)
constexpr bool kHaveSse2 = true;

// The predictors on 16 bytes at once, the same bytes the scalar ones give.
template <Type T>
inline __m128i predict16(__m128i a, __m128i b, __m128i c) {
    if constexpr (T == kSub) return a;
    if constexpr (T == kUp) return b;
    if constexpr (T == kAverage) {
        // pavgb rounds up; the filter's average truncates.
        const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
        return _mm_sub_epi8(_mm_avg_epu8(a, b), odd);
    }
    if constexpr (T == kPaeth) {
        const __m128i zero = _mm_setzero_si128();
        auto half = [&](__m128i a8, __m128i b8, __m128i c8, bool high) {
            const __m128i av = high ? _mm_unpackhi_epi8(a8, zero) : _mm_unpacklo_epi8(a8, zero);
            const __m128i bv = high ? _mm_unpackhi_epi8(b8, zero) : _mm_unpacklo_epi8(b8, zero);
            const __m128i cv = high ? _mm_unpackhi_epi8(c8, zero) : _mm_unpacklo_epi8(c8, zero);
            const __m128i p = _mm_sub_epi16(bv, cv), q = _mm_sub_epi16(av, cv), pq = _mm_add_epi16(p, q);
            const __m128i pa = _mm_max_epi16(p, _mm_sub_epi16(zero, p));
            const __m128i pb = _mm_max_epi16(q, _mm_sub_epi16(zero, q));
            const __m128i pc = _mm_max_epi16(pq, _mm_sub_epi16(zero, pq));
            // a unless pa > pb or pa > pc; then b unless pb > pc, then c.
            const __m128i not_a = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
            const __m128i take_c = _mm_cmpgt_epi16(pb, pc);
            const __m128i bc = _mm_or_si128(_mm_and_si128(take_c, cv), _mm_andnot_si128(take_c, bv));
            return _mm_or_si128(_mm_and_si128(not_a, bc), _mm_andnot_si128(not_a, av));
        };
        return _mm_packus_epi16(half(a, b, c, false), half(a, b, c, true));
    }
    return _mm_setzero_si128();
}

inline __m128i load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The magnitudes of 16 filtered bytes, summed into two 64-bit lanes.
inline __m128i magnitudes16(__m128i v) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_sad_epu8(_mm_min_epu8(v, _mm_sub_epi8(zero, v)), zero);
}

inline size_t lanes_sum(__m128i v) {
    return size_t(_mm_cvtsi128_si32(v)) + size_t(_mm_cvtsi128_si32(_mm_unpackhi_epi64(v, v)));
}

// Filters bytes i.. of the row 16 at a time while 16 remain, with a check
// against give_up every 256 bytes; returns where it stopped and adds to sum.
template <Type T>
size_t apply16(const uint8_t* row, const uint8_t* above, size_t i, size_t bytes, uint32_t bpp, uint8_t* dst,
               size_t give_up, size_t& sum) {
    while (i + 16 <= bytes) {
        __m128i sums = _mm_setzero_si128();
        const size_t stop = i + 256 < bytes ? i + 256 : bytes;
        for (; i + 16 <= stop; i += 16) {
            const __m128i x = load16(row + i);
            const __m128i pred = predict16<T>(load16(row + i - bpp), load16(above + i), load16(above + i - bpp));
            const __m128i f = _mm_sub_epi8(x, pred);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), f);
            sums = _mm_add_epi64(sums, magnitudes16(f));
        }
        sum += lanes_sum(sums);
        if (sum > give_up) return bytes;  // already worse than the best
    }
    return i;
}

size_t unfiltered_sum16(const uint8_t* row, size_t bytes, size_t& i) {
    __m128i sums = _mm_setzero_si128();
    for (; i + 16 <= bytes; i += 16) sums = _mm_add_epi64(sums, magnitudes16(load16(row + i)));
    return lanes_sum(sums);
}
#else
constexpr bool kHaveSse2 = false;

template <Type T>
size_t apply16(const uint8_t*, const uint8_t*, size_t i, size_t, uint32_t, uint8_t*, size_t, size_t&) {
    return i;
}
size_t unfiltered_sum16(const uint8_t*, size_t, size_t&) { return 0; }
#endif

// Filters the row with T into out (type byte first). Stops once the
// running sum of magnitudes passes `give_up` and returns the sum so far;
// only whether it passed matters then, not where it stopped.
template <Type T>
size_t apply(const uint8_t* row, const uint8_t* above, size_t bytes, uint32_t bpp, uint8_t* out, size_t give_up) {
    out[0] = T;
    uint8_t* dst = out + 1;
    size_t sum = 0;
    const size_t lead = bytes < bpp ? bytes : bpp;
    for (size_t i = 0; i < lead; ++i) {
        dst[i] = uint8_t(row[i] - predict<T>(0, above[i], 0));
        sum += magnitude(dst[i]);
    }
    const size_t rest = kHaveSse2 && g_fast_paths ? apply16<T>(row, above, lead, bytes, bpp, dst, give_up, sum) : lead;
    for (size_t i = rest; i < bytes; ++i) {
        dst[i] = uint8_t(row[i] - predict<T>(row[i - bpp], above[i], above[i - bpp]));
        sum += magnitude(dst[i]);
        if (sum > give_up) break;  // already worse than the best: it cannot win
    }
    return sum;
}

size_t unfiltered_sum(const uint8_t* row, size_t bytes) {
    size_t i = 0, sum = kHaveSse2 && g_fast_paths ? unfiltered_sum16(row, bytes, i) : 0;
    for (; i < bytes; ++i) sum += magnitude(row[i]);
    return sum;
}

using Apply = size_t (*)(const uint8_t*, const uint8_t*, size_t, uint32_t, uint8_t*, size_t);

constexpr struct {
    uint32_t bit;
    Apply apply;
} kTrials[] = {{kPngFilterSub, apply<kSub>},
               {kPngFilterUp, apply<kUp>},
               {kPngFilterAverage, apply<kAverage>},
               {kPngFilterPaeth, apply<kPaeth>}};

}  // namespace

void set_png_filter_fast_paths(bool enabled) { g_fast_paths = enabled; }

void filter_png_row(const uint8_t* row, const uint8_t* above, size_t bytes, uint32_t bpp, uint32_t allowed,
                    uint8_t* out, uint8_t* scratch) {
    allowed &= kPngAllFilters;
    if (allowed == 0) allowed = kPngAllFilters;
    constexpr size_t kNever = std::numeric_limits<size_t>::max();
    // A single filter is applied without weighing it.
    if ((allowed & (allowed - 1)) == 0) {
        for (const auto& trial : kTrials)
            if (allowed == trial.bit) return void(trial.apply(row, above, bytes, bpp, out, kNever));
        out[0] = kNone;
        std::memcpy(out + 1, row, bytes);
        return;
    }
    // The unfiltered row is the one to beat when it is allowed.
    size_t best_sum = kNever - 256;
    if ((allowed & kPngFilterNone) != 0) {
        best_sum = unfiltered_sum(row, bytes);
    }
    uint8_t* buffers[2] = {out, scratch};
    int best = -1;  // the unfiltered row
    for (const auto& trial : kTrials) {
        if ((allowed & trial.bit) == 0) continue;
        const int into = best == 0 ? 1 : 0;
        const size_t sum = trial.apply(row, above, bytes, bpp, buffers[into], best_sum);
        if (sum < best_sum) {
            best_sum = sum;
            best = into;
        }
    }
    if (best == -1) {
        out[0] = kNone;
        std::memcpy(out + 1, row, bytes);
    } else if (best == 1) {
        std::memcpy(out, scratch, bytes + 1);
    }
}

}  // namespace imglib::detail
