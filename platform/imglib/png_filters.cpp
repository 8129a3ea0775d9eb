#include "platform/imglib/png_filters.h"

#include <cstdlib>
#include <cstring>
#include <limits>

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

// Filters the row with T into out (type byte first). Stops once the
// running sum of magnitudes passes `give_up` and returns the sum so far.
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
    for (size_t i = lead; i < bytes; ++i) {
        dst[i] = uint8_t(row[i] - predict<T>(row[i - bpp], above[i], above[i - bpp]));
        sum += magnitude(dst[i]);
        if (sum > give_up) break;  // already worse than the best: it cannot win
    }
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
        best_sum = 0;
        for (size_t i = 0; i < bytes; ++i) best_sum += magnitude(row[i]);
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
