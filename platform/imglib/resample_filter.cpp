// The filtered resampler: fourteen kernels, separable passes in fixed point.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <numbers>

#include "platform/imglib/picture.h"
#include "platform/imglib/resample.h"
#include "platform/imglib/resample_kernels.h"
#include "platform/parallel.h"

namespace imglib {

namespace detail {

namespace {

constexpr double kPi = std::numbers::pi;

double sinc(double x) {
    if (x == 0.0) return 1.0;
    const double a = kPi * x;
    return std::sin(a) / a;
}

double box(double x) { return (x >= -0.5 && x < 0.5) ? 1.0 : 0.0; }

double triangle(double x) {
    x = std::fabs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}

// Sinc over three lobes under a raised-cosine window: 0.54 + 0.46 cos for
// Hamming, 0.5 + 0.5 cos for Hanning.
double hamming(double x) {
    x = std::fabs(x);
    return x < 3.0 ? sinc(x) * (0.54 + 0.46 * std::cos(kPi * x / 3.0)) : 0.0;
}

double hanning(double x) {
    x = std::fabs(x);
    return x < 3.0 ? sinc(x) * (0.5 + 0.5 * std::cos(kPi * x / 3.0)) : 0.0;
}

// exp(-2 x^2): a standard deviation of half a pixel, cut at three of them.
double gaussian(double x) {
    x = std::fabs(x);
    return x < 1.5 ? std::exp(-2.0 * x * x) : 0.0;
}

// The quadratic B-spline.
double bell(double x) {
    x = std::fabs(x);
    if (x < 0.5) return 0.75 - x * x;
    if (x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
    return 0.0;
}

// The cubic B-spline: smooth, never negative, not interpolating.
double b_spline(double x) {
    x = std::fabs(x);
    if (x < 1.0) return (0.5 * x - 1.0) * x * x + 2.0 / 3.0;
    if (x < 2.0) {
        const double t = 2.0 - x;
        return t * t * t / 6.0;
    }
    return 0.0;
}

// Cubic convolution with slope a at 1: (a+2)|x|^3 - (a+3)x^2 + 1 inside 1,
// a|x|^3 - 5a x^2 + 8a|x| - 4a out to 2. a = -0.5 is Catmull-Rom.
template <int A_times_4>
double keys_cubic(double x) {
    constexpr double a = A_times_4 / 4.0;
    x = std::fabs(x);
    if (x < 1.0) return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0) return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    return 0.0;
}

// Mitchell-Netravali with B = C = 1/3.
double mitchell(double x) {
    constexpr double B = 1.0 / 3.0, C = 1.0 / 3.0;
    x = std::fabs(x);
    if (x < 1.0)
        return ((12.0 - 9.0 * B - 6.0 * C) * x * x * x + (-18.0 + 12.0 * B + 6.0 * C) * x * x + (6.0 - 2.0 * B)) / 6.0;
    if (x < 2.0)
        return ((-B - 6.0 * C) * x * x * x + (6.0 * B + 30.0 * C) * x * x + (-12.0 * B - 48.0 * C) * x +
                (8.0 * B + 24.0 * C)) /
               6.0;
    return 0.0;
}

double lanczos3(double x) {
    x = std::fabs(x);
    return x < 3.0 ? sinc(x) * sinc(x / 3.0) : 0.0;
}

// Plain sinc, cut at four pixels.
double sinc4(double x) { return std::fabs(x) < 4.0 ? sinc(x) : 0.0; }

// The cubic Hermite step: 2|x|^3 - 3x^2 + 1.
double hermite(double x) {
    x = std::fabs(x);
    return x < 1.0 ? (2.0 * x - 3.0) * x * x + 1.0 : 0.0;
}

// Indexed by filter number.
constexpr Kernel kKernels[] = {
    {box, 0.5},             // Box
    {triangle, 1.0},        // Triangle
    {hamming, 3.0},         // Hamming
    {gaussian, 1.5},        // Gaussian
    {bell, 1.5},            // Bell
    {b_spline, 2.0},        // B-Spline
    {keys_cubic<-4>, 2.0},  // Cubic 1: a = -1
    {keys_cubic<-3>, 2.0},  // Cubic 2: a = -0.75
    {lanczos3, 3.0},        // Lanczos3
    {mitchell, 2.0},        // Mitchell
    {sinc4, 4.0},           // Sinc
    {hermite, 1.0},         // Hermite
    {hanning, 3.0},         // Hanning
    {keys_cubic<-2>, 2.0},  // Catrom: a = -0.5
};
static_assert(std::size(kKernels) == kFilterCount);

// Weight tables larger than this many entries are refused.
constexpr uint64_t kMaxWeightEntries = uint64_t(1) << 22;

bool g_fast_paths = true;

}  // namespace

const Kernel* resize_kernel(uint32_t filter) { return filter < kFilterCount ? &kKernels[filter] : nullptr; }

void set_resampler_fast_paths(bool enabled) { g_fast_paths = enabled; }

bool axis_weights(uint32_t srcSize, uint32_t dstSize, const Kernel& kernel, AxisWeights& out) {
    if (srcSize == 0 || dstSize == 0) return false;
    const double scale = double(srcSize) / double(dstSize);
    // Reducing widens the kernel so that every source pixel is weighed.
    const double widen = std::max(scale, 1.0);
    const double support = kernel.support * widen;
    const uint64_t span = uint64_t(std::ceil(2.0 * support)) + 1;
    if (span * dstSize > kMaxWeightEntries) return false;

    // Real weights first, normalised to sum to 1 over each window. Each
    // destination pixel's window stands alone, so bands of them are worked
    // out at once (the kernels' sines are most of a resize's setup).
    std::vector<double> real(span * dstSize, 0.0);
    std::vector<int32_t> first(dstSize), count(dstSize);
    double max_weight = 0.0, max_abs_sum = 0.0;
    std::mutex maxima;
    const int64_t work_per_pixel = int64_t(span) * parallel::kColourWork * 4;
    parallel::for_bands(dstSize, work_per_pixel, [&](int64_t band_first, int64_t band_end) {
        double band_max_weight = 0.0, band_max_abs_sum = 0.0;
        for (auto i = uint32_t(band_first); i < uint32_t(band_end); ++i) {
            const double centre = (i + 0.5) * scale;
            // Source pixels whose centres lie strictly inside the support.
            const int64_t lo = std::max<int64_t>(int64_t(std::floor(centre - support - 0.5)) + 1, 0);
            const int64_t hi = std::min<int64_t>(int64_t(std::ceil(centre + support - 0.5)), srcSize);
            double* w = &real[i * span];
            double sum = 0.0;
            int64_t n = std::max<int64_t>(hi - lo, 0);
            n = std::min<int64_t>(n, int64_t(span));
            for (int64_t t = 0; t < n; ++t) {
                w[t] = kernel.value((double(lo + t) + 0.5 - centre) / widen);
                sum += w[t];
            }
            if (std::fabs(sum) < 1e-9) {
                // No weight reaches this pixel: take the source pixel under its centre.
                const int64_t nearest = std::clamp<int64_t>(int64_t(std::floor(centre)), 0, int64_t(srcSize) - 1);
                std::fill(w, w + span, 0.0);
                w[0] = 1.0;
                first[i] = int32_t(nearest);
                count[i] = 1;
                band_max_weight = std::max(band_max_weight, 1.0);
                band_max_abs_sum = std::max(band_max_abs_sum, 1.0);
                continue;
            }
            double abs_sum = 0.0;
            for (int64_t t = 0; t < n; ++t) {
                w[t] /= sum;
                abs_sum += std::fabs(w[t]);
                band_max_weight = std::max(band_max_weight, std::fabs(w[t]));
            }
            band_max_abs_sum = std::max(band_max_abs_sum, abs_sum);
            first[i] = int32_t(lo);
            count[i] = int32_t(n);
        }
        const std::lock_guard<std::mutex> hold(maxima);
        max_weight = std::max(max_weight, band_max_weight);
        max_abs_sum = std::max(max_abs_sum, band_max_abs_sum);
    });

    // The finest precision at which every weight fits 16 bits and an 8-bit
    // sum over the widest window stays inside 31 bits. Rounding (below)
    // moves each weight by less than one unit.
    int32_t precision = kMaxWeightPrecision;
    while (precision > 1) {
        const double unit = std::ldexp(1.0, precision);
        const bool weight_fits = max_weight * unit + 1.0 <= 32767.0;
        const bool sum_fits = (max_abs_sum * unit + double(span)) * 255.0 + unit < 2147483647.0;
        if (weight_fits && sum_fits) break;
        --precision;
    }
    const double unit = std::ldexp(1.0, precision);

    // Each weight is the step between the rounded running sums before and
    // after it, so a window's weights add up to exactly one unit however
    // many there are. Zero weights at both ends are dropped.
    int32_t taps = 1;
    std::vector<int32_t> fixed(span * dstSize, 0);
    parallel::for_bands(dstSize, int64_t(span) * parallel::kColourWork, [&](int64_t band_first, int64_t band_end) {
        int32_t band_taps = 1;
        for (auto i = uint32_t(band_first); i < uint32_t(band_end); ++i) {
            const double* w = &real[i * span];
            int32_t* f = &fixed[i * span];
            double running = 0.0;
            int64_t previous = 0;
            for (int32_t t = 0; t < count[i]; ++t) {
                running += w[t];
                const int64_t reached = t + 1 == count[i] ? int64_t(unit) : std::llround(running * unit);
                f[t] = int32_t(reached - previous);
                previous = reached;
            }
            int32_t lead = 0, n = count[i];
            while (n > 1 && f[lead] == 0) ++lead, --n;
            while (n > 1 && f[lead + n - 1] == 0) --n;
            if (lead > 0) std::memmove(f, f + lead, size_t(n) * sizeof(int32_t));
            first[i] += lead;
            count[i] = n;
            band_taps = std::max(band_taps, n);
        }
        const std::lock_guard<std::mutex> hold(maxima);
        taps = std::max(taps, band_taps);
    });

    out.taps = taps;
    out.precision = precision;
    out.first = std::move(first);
    out.count = std::move(count);
    out.weights.assign(size_t(taps) * dstSize, 0);
    for (uint32_t i = 0; i < dstSize; ++i)
        for (int32_t t = 0; t < out.count[i]; ++t) out.weights[size_t(i) * taps + t] = int16_t(fixed[i * span + t]);
    return true;
}

namespace {

template <class T>
T* row_at(uint8_t* base, uint32_t stride, uint32_t r) {
    return reinterpret_cast<T*>(base + size_t(r) * stride);
}
template <class T>
const T* row_at(const uint8_t* base, uint32_t stride, uint32_t r) {
    return reinterpret_cast<const T*>(base + size_t(r) * stride);
}

// Rounds a fixed-point sum and holds it to the channel's range: kernels with
// negative lobes ring past black and white at hard edges.
template <class T, class Acc>
T settle(Acc sum, int32_t precision) {
    constexpr Acc top = Acc(std::numeric_limits<T>::max());
    const Acc v = sum >> precision;  // sum already carries the rounding half
    return T(v < 0 ? 0 : (v > top ? top : v));
}

// 8-bit sums fit 32 bits (see the precision rule); 16-bit ones need 64.
template <class T>
using Accumulator = std::conditional_t<sizeof(T) == 1, int32_t, int64_t>;

template <class T, uint32_t C>
void rows_scalar(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
                 const AxisWeights& w) {
    using Acc = Accumulator<T>;
    const Acc half = Acc(1) << (w.precision - 1);
    const size_t out_width = w.first.size();
    for (uint32_t y = 0; y < rows; ++y) {
        const T* in = row_at<T>(src, srcStride, y);
        T* out = row_at<T>(dst, dstStride, y);
        for (size_t i = 0; i < out_width; ++i) {
            const int16_t* k = &w.weights[i * size_t(w.taps)];
            const T* p = in + size_t(w.first[i]) * C;
            Acc sum[C];
            for (uint32_t c = 0; c < C; ++c) sum[c] = half;
            for (int32_t t = 0; t < w.count[i]; ++t, p += C)
                for (uint32_t c = 0; c < C; ++c) sum[c] += Acc(k[t]) * Acc(p[c]);
            for (uint32_t c = 0; c < C; ++c) out[i * C + c] = settle<T>(sum[c], w.precision);
        }
    }
}

template <class T>
void columns_scalar(const uint8_t* src, uint32_t srcStride, int32_t srcBase, uint8_t* dst, uint32_t dstStride,
                    uint32_t rowValues, const AxisWeights& w, uint32_t y0, uint32_t y1) {
    using Acc = Accumulator<T>;
    const Acc half = Acc(1) << (w.precision - 1);
    std::vector<Acc> sums(rowValues);
    for (size_t y = y0; y < y1; ++y) {
        std::fill(sums.begin(), sums.end(), half);
        const int16_t* k = &w.weights[y * size_t(w.taps)];
        for (int32_t t = 0; t < w.count[y]; ++t) {
            const T* in = row_at<T>(src, srcStride, uint32_t(w.first[y] + t - srcBase));
            const Acc weight = k[t];
            for (uint32_t x = 0; x < rowValues; ++x) sums[x] += weight * Acc(in[x]);
        }
        T* out = row_at<T>(dst, dstStride, uint32_t(y - y0));
        for (uint32_t x = 0; x < rowValues; ++x) out[x] = settle<T>(sums[x], w.precision);
    }
}

template <class T>
void rows_any(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
              uint32_t channels, const AxisWeights& w) {
    switch (channels) {
        case 1: rows_scalar<T, 1>(src, srcStride, dst, dstStride, rows, w); break;
        case 3: rows_scalar<T, 3>(src, srcStride, dst, dstStride, rows, w); break;
        case 4: rows_scalar<T, 4>(src, srcStride, dst, dstStride, rows, w); break;
        default: break;
    }
}

// The pass along rows for any supported pixel, fast where it can be.
void rows_run(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
              uint32_t bytesPerPixel, const AxisWeights& w) {
    if (sixteen_bit(bytesPerPixel))
        rows_any<uint16_t>(src, srcStride, dst, dstStride, rows, bytesPerPixel / 2, w);
    else if (bytesPerPixel == 4 && g_fast_paths && have_sse2_resampler())
        resample_rows_rgba8_sse2(src, srcStride, dst, dstStride, rows, w);
    else
        resample_rows_u8(src, srcStride, dst, dstStride, rows, bytesPerPixel, w);
}

// The pass along columns for destination rows y0 .. y1 - 1 (written from
// dst on), reading source row r at src + (r - srcBase) * srcStride.
void columns_run(const uint8_t* src, uint32_t srcStride, int32_t srcBase, uint8_t* dst, uint32_t dstStride,
                 uint32_t rowBytes, uint32_t bytesPerPixel, const AxisWeights& w, uint32_t y0, uint32_t y1) {
    if (sixteen_bit(bytesPerPixel))
        columns_scalar<uint16_t>(src, srcStride, srcBase, dst, dstStride, rowBytes / 2, w, y0, y1);
    else if (g_fast_paths && have_sse2_resampler())
        resample_columns_u8_sse2(src, srcStride, srcBase, dst, dstStride, rowBytes, w, y0, y1);
    else
        resample_columns_u8(src, srcStride, srcBase, dst, dstStride, rowBytes, w, y0, y1);
}

// Work units of one destination row of each pass.
int64_t rows_work(const AxisWeights& across, uint32_t bytesPerPixel) {
    return int64_t(across.first.size()) * across.taps * bytesPerPixel / 8 + 1;
}
int64_t columns_work(uint32_t rowBytes, const AxisWeights& down) { return int64_t(rowBytes) * down.taps / 8 + 1; }

// Only along rows, in bands of rows.
void rows_pass(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
               uint32_t bytesPerPixel, const AxisWeights& w) {
    parallel::for_bands(rows, rows_work(w, bytesPerPixel), [&](int64_t first, int64_t end) {
        rows_run(src + size_t(first) * srcStride, srcStride, dst + size_t(first) * dstStride, dstStride,
                 uint32_t(end - first), bytesPerPixel, w);
    });
}

// Only along columns, in bands of destination rows.
void columns_pass(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t width,
                  uint32_t bytesPerPixel, const AxisWeights& w) {
    const uint32_t row_bytes = width * bytesPerPixel;
    parallel::for_bands(int64_t(w.first.size()), columns_work(row_bytes, w), [&](int64_t first, int64_t end) {
        columns_run(src, srcStride, 0, dst + size_t(first) * dstStride, dstStride, row_bytes, bytesPerPixel, w,
                    uint32_t(first), uint32_t(end));
    });
}

// Both axes, rows first. A band of destination rows keeps the rows-pass
// results it still needs in a window of its own, a few dozen rows tall, and
// makes each of them once as the window slides down: the picture between
// the passes is never held whole, and stays in the cache. A band that
// steals rows from another starts its window afresh there.
void rows_then_columns(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride,
                       uint32_t bytesPerPixel, const AxisWeights& across, const AxisWeights& down) {
    const uint32_t mid_stride = uint32_t(across.first.size()) * bytesPerPixel;
    const int32_t window = down.taps + 48;
    const double rows_per_row = double(down.first.back() + down.count.back()) / double(down.first.size());
    const int64_t work = int64_t(double(rows_work(across, bytesPerPixel)) * rows_per_row) +
                         columns_work(mid_stride, down);
    parallel::for_runs(int64_t(down.first.size()), work, [&](auto take) {
        std::vector<uint8_t> mid(size_t(mid_stride) * size_t(window));
        int32_t base = 0, made = 0;  // rows base .. made - 1 are in mid, from its top
        for (int64_t y; (y = take()) >= 0;) {
            const int32_t lo = down.first[size_t(y)], hi = lo + down.count[size_t(y)];
            if (lo < base || lo >= made) {
                base = made = lo;
            } else if (hi > base + window) {
                std::memmove(mid.data(), mid.data() + size_t(lo - base) * mid_stride, size_t(made - lo) * mid_stride);
                base = lo;
            }
            if (hi > made) {
                rows_run(src + size_t(made) * srcStride, srcStride, mid.data() + size_t(made - base) * mid_stride,
                         mid_stride, uint32_t(hi - made), bytesPerPixel, across);
                made = hi;
            }
            columns_run(mid.data(), mid_stride, base, dst + size_t(y) * dstStride, dstStride, mid_stride,
                        bytesPerPixel, down, uint32_t(y), uint32_t(y + 1));
        }
    });
}

// Destination rows a band claims at a time when the columns go first: each
// row stands alone, so small claims cost nothing and keep the bands even.
constexpr int64_t kRowsClaimed = 8;

// Both axes, columns first: each destination row is one row of the column
// pass, at the source width, then taken along.
void columns_then_rows(const uint8_t* src, uint32_t srcStride, uint32_t width, uint8_t* dst, uint32_t dstStride,
                       uint32_t bytesPerPixel, const AxisWeights& across, const AxisWeights& down) {
    const uint32_t mid_bytes = width * bytesPerPixel;
    const int64_t work = columns_work(mid_bytes, down) + rows_work(across, bytesPerPixel);
    parallel::for_chunks(int64_t(down.first.size()), kRowsClaimed, work, [&](int64_t first, int64_t end) {
        std::vector<uint8_t> mid(mid_bytes);
        for (int64_t y = first; y < end; ++y) {
            columns_run(src, srcStride, 0, mid.data(), mid_bytes, mid_bytes, bytesPerPixel, down, uint32_t(y),
                        uint32_t(y + 1));
            rows_run(mid.data(), mid_bytes, dst + size_t(y) * dstStride, dstStride, 1, bytesPerPixel, across);
        }
    });
}

void copy_rows(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rowBytes,
               uint32_t rows) {
    parallel::for_bands(rows, rowBytes * parallel::kCopyWork / 16 + 1, [&](int64_t first, int64_t end) {
        for (int64_t y = first; y < end; ++y)
            std::memcpy(dst + size_t(y) * dstStride, src + size_t(y) * srcStride, rowBytes);
    });
}

}  // namespace

void resample_rows_u8(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
                      uint32_t channels, const AxisWeights& w) {
    rows_any<uint8_t>(src, srcStride, dst, dstStride, rows, channels, w);
}

void resample_columns_u8(const uint8_t* src, uint32_t srcStride, int32_t srcBase, uint8_t* dst, uint32_t dstStride,
                         uint32_t rowBytes, const AxisWeights& w, uint32_t y0, uint32_t y1) {
    columns_scalar<uint8_t>(src, srcStride, srcBase, dst, dstStride, rowBytes, w, y0, y1);
}

}  // namespace detail

BOOL IS3ResizeFilterImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                          uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel,
                          uint32_t filter) {
    using namespace detail;
    const Kernel* kernel = resize_kernel(filter);
    if (kernel == nullptr || !valid_picture(src, width, height, srcStride, bytesPerPixel) ||
        !valid_picture(dst, newWidth, newHeight, dstStride, bytesPerPixel))
        return 0;
    if (width == 0 || height == 0 || newWidth == 0 || newHeight == 0) return 0;
    try {
        const bool across = width != newWidth, down = height != newHeight;
        AxisWeights wx, wy;
        if (across && !axis_weights(width, newWidth, *kernel, wx)) return 0;
        if (down && !axis_weights(height, newHeight, *kernel, wy)) return 0;
        if (!across && !down) {
            // The same size: every kernel leaves the picture as it is.
            copy_rows(src, srcStride, dst, dstStride, width * bytesPerPixel, height);
            return 1;
        }
        if (!down) {
            rows_pass(src, srcStride, dst, dstStride, height, bytesPerPixel, wx);
            return 1;
        }
        if (!across) {
            columns_pass(src, srcStride, dst, dstStride, width, bytesPerPixel, wy);
            return 1;
        }
        // Both axes: the order that touches fewer pixel taps goes first.
        const double rows_first = double(height) * newWidth * wx.taps + double(newHeight) * newWidth * wy.taps;
        const double columns_first = double(newHeight) * width * wy.taps + double(newHeight) * newWidth * wx.taps;
        if (rows_first <= columns_first)
            rows_then_columns(src, srcStride, dst, dstStride, bytesPerPixel, wx, wy);
        else
            columns_then_rows(src, srcStride, width, dst, dstStride, bytesPerPixel, wx, wy);
        return 1;
    } catch (...) {
        // The weight tables or the intermediate picture could not be had.
        return 0;
    }
}

}  // namespace imglib
