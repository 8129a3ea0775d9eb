#include "platform/imglib/gaussian_blur8.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/parallel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imglib::detail {

namespace {

// The weights sum to 256 and a sample is at most 255: a rows-pass value
// fits 16 bits unsigned. It is kept less 32768, as a signed 16-bit value,
// so that the columns pass can multiply and add pairs of rows at once; the
// columns pass adds back 256 * 32768.
constexpr int32_t kBias = 32768;
constexpr int32_t kColumnsOffset = 256 * kBias + (1 << 15);  // the bias and the rounding of the last shift

// Rows a band claims at a time in either pass: a band slowed by the rest of
// the machine holds up no other.
constexpr int64_t kRowsClaimed = 16;

// Rows of rows-pass values kept at once: about 64 MB of them at most.
constexpr size_t kRowsPassBytes = size_t(64) << 20;

bool g_fast_paths = true;

// The kernel's taps that carry weight: a position in the window and its
// weight. The `mirror_` lists are the same taps folded for the rows pass:
// taps at the same distance either side of the centre with the same weight
// share one multiply (the pair's two samples add to at most 510, and such
// a weight is at most 128); `mirror_at` holds the left tap's position and
// `mirror_right` the right one's, or -1 for a tap that stands alone.
struct Taps {
    std::vector<int32_t> at;
    std::vector<int16_t> weight;
    std::vector<int32_t> mirror_at, mirror_right;
    std::vector<int16_t> mirror_weight;
};

Taps nonzero_taps(const std::vector<uint16_t>& kernel) {
    Taps t;
    const size_t side = kernel.size();
    for (size_t i = 0; i < side; ++i)
        if (kernel[i] != 0) t.at.push_back(int32_t(i)), t.weight.push_back(int16_t(kernel[i]));
    for (size_t i = 0; i <= side / 2; ++i) {
        const size_t j = side - 1 - i;
        const auto add = [&](size_t left, int32_t right, uint16_t w) {
            if (w == 0) return;
            t.mirror_at.push_back(int32_t(left)), t.mirror_right.push_back(right);
            t.mirror_weight.push_back(int16_t(w));
        };
        if (i < j && kernel[i] == kernel[j]) {
            add(i, int32_t(j), kernel[i]);
        } else {
            add(i, -1, kernel[i]);
            if (i < j) add(j, -1, kernel[j]);
        }
    }
    return t;
}

// One row's rows-pass values: `pad` holds the row's samples widened to 16
// bits with `radius` pixels replicated at both ends.
void rows_pass_plain(const uint16_t* pad, int16_t* out, size_t lanes, uint32_t channels, const Taps& taps) {
    const size_t n = taps.at.size();
    for (size_t x = 0; x < lanes; ++x) {
        uint32_t sum = 0;
        for (size_t t = 0; t < n; ++t) sum += uint32_t(taps.weight[t]) * pad[x + size_t(taps.at[t]) * channels];
        out[x] = int16_t(int32_t(sum) - kBias);
    }
}

// One output row from the rows-pass rows under each tap.
void columns_pass_plain(const int16_t* const* rows, const int16_t* weights, size_t n, size_t x0, size_t x1,
                        uint8_t* out) {
    for (size_t x = x0; x < x1; ++x) {
        int32_t sum = kColumnsOffset;
        for (size_t t = 0; t < n; ++t) sum += int32_t(weights[t]) * rows[t][x];
        out[x] = uint8_t(std::min(255, sum >> 16));
    }
}

#if defined(__SSE2__)

// A vector in a container (the vector type's alignment attribute is lost
// as a template argument).
struct Vec {
    __m128i v;
};

// Sixteen lanes at a time in 16-bit arithmetic: no partial sum passes the
// whole, which fits 16 bits, so the wrapping adds never wrap.
size_t rows_pass_sse2(const uint16_t* pad, int16_t* out, size_t lanes, uint32_t channels, const Taps& taps,
                      const Vec* weights) {
    const size_t n = taps.mirror_at.size();
    const __m128i bias = _mm_set1_epi16(int16_t(-kBias));
    const auto load = [](const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    size_t x = 0;
    for (; x + 16 <= lanes; x += 16) {
        __m128i a = _mm_setzero_si128(), b = _mm_setzero_si128();
        for (size_t t = 0; t < n; ++t) {
            const uint16_t* p = pad + x + size_t(taps.mirror_at[t]) * channels;
            __m128i pa = load(p), pb = load(p + 8);
            if (taps.mirror_right[t] >= 0) {
                const uint16_t* q = pad + x + size_t(taps.mirror_right[t]) * channels;
                pa = _mm_add_epi16(pa, load(q)), pb = _mm_add_epi16(pb, load(q + 8));
            }
            a = _mm_add_epi16(a, _mm_mullo_epi16(pa, weights[t].v));
            b = _mm_add_epi16(b, _mm_mullo_epi16(pb, weights[t].v));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_xor_si128(a, bias));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 8), _mm_xor_si128(b, bias));
    }
    return x;
}

// Eight lanes at a time, two taps to a multiply-add of interleaved rows;
// `pairs` holds both taps' weights in each 32-bit lane. An odd tap count
// ends with a pair whose second weight is 0.
size_t columns_pass_sse2(const int16_t* const* rows, const Vec* pairs, size_t n, size_t x0, size_t x1,
                         uint8_t* out) {
    const __m128i offset = _mm_set1_epi32(kColumnsOffset);
    size_t x = x0;
    for (; x + 8 <= x1; x += 8) {
        __m128i lo = offset, hi = offset;
        for (size_t t = 0; t < n; t += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + x));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t + 1] + x));
            lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), pairs[t / 2].v));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), pairs[t / 2].v));
        }
        const __m128i words = _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(words, words));
    }
    return x;
}

#endif

// The blur of source rows [0, height) into output rows [y0, y1), with the
// rows-pass values of source rows [first, first + made) in `rows_pass`.
struct Blur {
    const uint8_t* src;
    size_t srcStride;
    uint8_t* dst;
    size_t dstStride;
    uint32_t width, height, channels;
    int32_t radius;
    Taps taps;
    bool fast;

    size_t lanes() const { return size_t(width) * channels; }

    void rows_pass(int64_t first, int64_t made, int16_t* rows_pass) const {
        const size_t n = lanes();
        const int64_t work = int64_t(n) * int64_t(taps.at.size()) / 8 + 1;
        parallel::for_chunks(made, kRowsClaimed, work, [&](int64_t begin, int64_t end) {
            std::vector<uint16_t> pad((size_t(width) + 2 * size_t(radius)) * channels);
#if defined(__SSE2__)
            std::vector<Vec> weights;
            for (int16_t w : taps.mirror_weight) weights.push_back({_mm_set1_epi16(w)});
#endif
            for (int64_t r = begin; r < end; ++r) {
                fill_pad(src + size_t(first + r) * srcStride, pad.data());
                int16_t* out = rows_pass + size_t(r) * n;
                size_t done = 0;
#if defined(__SSE2__)
                if (fast) done = rows_pass_sse2(pad.data(), out, n, channels, taps, weights.data());
#endif
                rows_pass_plain(pad.data() + done, out + done, n - done, channels, taps);
            }
        });
    }

    // The row widened to 16 bits, its end pixels repeated `radius` times.
    void fill_pad(const uint8_t* row, uint16_t* pad) const {
        const size_t r = size_t(radius);
        for (size_t p = 0; p < r; ++p)
            for (uint32_t c = 0; c < channels; ++c) {
                pad[p * channels + c] = row[c];
                pad[(r + width + p) * channels + c] = row[(width - 1) * size_t(channels) + c];
            }
        for (size_t i = 0; i < lanes(); ++i) pad[r * channels + i] = row[i];
    }

    void columns_pass(int64_t y0, int64_t y1, int64_t first, const int16_t* rows_pass) const {
        const size_t n = lanes(), count = taps.at.size();
        const size_t paired = count + (count & 1);
        const int64_t work = int64_t(n) * int64_t(count) / 8 + 1;
        parallel::for_chunks(y1 - y0, kRowsClaimed, work, [&](int64_t begin, int64_t end) {
            std::vector<const int16_t*> rows(paired);
            std::vector<int16_t> weights(paired, 0);
            std::copy(taps.weight.begin(), taps.weight.end(), weights.begin());
#if defined(__SSE2__)
            std::vector<Vec> pairs;
            for (size_t t = 0; t < paired; t += 2)
                pairs.push_back({_mm_set1_epi32(
                    int32_t(uint32_t(uint16_t(weights[t])) | uint32_t(uint16_t(weights[t + 1])) << 16))});
#endif
            // Strips of lanes, so the rows under the taps stay in cache
            // from one output row to the next.
            constexpr size_t kStrip = 1024;
            for (size_t x0 = 0; x0 < n; x0 += kStrip) {
                const size_t x1 = std::min(n, x0 + kStrip);
                for (int64_t y = y0 + begin; y < y0 + end; ++y) {
                    for (size_t t = 0; t < count; ++t) {
                        const int64_t source = std::clamp<int64_t>(y + taps.at[t] - radius, 0, height - 1);
                        rows[t] = rows_pass + size_t(source - first) * n;
                    }
                    if (paired > count) rows[count] = rows[0];
                    uint8_t* out = dst + size_t(y) * dstStride;
                    size_t done = x0;
#if defined(__SSE2__)
                    if (fast) done = columns_pass_sse2(rows.data(), pairs.data(), paired, x0, x1, out);
#endif
                    columns_pass_plain(rows.data(), weights.data(), count, done, x1, out);
                }
            }
        });
    }
};

}  // namespace

std::vector<uint16_t> fixed_point_gaussian(int side, double sigma) {
    if (side < 1 || side % 2 == 0) return {};
    // One bright sample in a dark row long enough that no edge reaches the
    // kernel's window around it: output x holds 255 * w[c + r - x] / 256,
    // rounded, which is the weight itself for weights up to 128 and one less
    // above. The weights sum to 256, so at most one is above 128, and the
    // sum read back says whether one was.
    const int r = side / 2, centre = side;
    cv::Mat row(1, 2 * side + 1, CV_8UC1, cv::Scalar(0)), out;
    row.at<uint8_t>(0, centre) = 255;
    cv::GaussianBlur(row, out, cv::Size(side, side), sigma, sigma, cv::BORDER_REPLICATE);
    std::vector<uint16_t> kernel(static_cast<size_t>(side));
    int sum = 0;
    for (int j = 0; j < side; ++j) sum += kernel[size_t(j)] = out.at<uint8_t>(0, centre + r - j);
    if (sum == 255) {
        auto largest = std::max_element(kernel.begin(), kernel.end());
        if (*largest < 128) return {};
        ++*largest;
    } else if (sum != 256) {
        return {};
    }
    return kernel;
}

bool gaussian_blur8(const uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, uint32_t width,
                    uint32_t height, uint32_t channels, int side, double sigma) {
    if (width == 0 || height == 0 || channels == 0 || channels > 4) return false;
    const std::vector<uint16_t> kernel = fixed_point_gaussian(side, sigma);
    if (kernel.empty()) return false;
    Blur blur{src, srcStride, dst, dstStride, width, height, channels, side / 2, nonzero_taps(kernel), g_fast_paths};
    const size_t lanes = blur.lanes();
    // Output rows written before later rows are read: a picture blurred onto
    // itself is read from a copy.
    std::vector<uint8_t> copy;
    if (!parallel::disjoint_rows(src, int64_t(srcStride), int64_t(lanes), dst, int64_t(dstStride), int64_t(lanes),
                                 height)) {
        copy.resize(lanes * height);
        for (uint32_t y = 0; y < height; ++y) std::memcpy(&copy[size_t(y) * lanes], src + size_t(y) * srcStride, lanes);
        blur.src = copy.data();
        blur.srcStride = lanes;
    }
    const int64_t r = blur.radius, h = height;
    const int64_t slab = std::max<int64_t>(2 * r + 1, int64_t(kRowsPassBytes / (lanes * 2)));
    // Left unset: the bands of the rows pass write (and first touch) it.
    const auto rows_pass = std::make_unique_for_overwrite<int16_t[]>(size_t(std::min(h, slab + 2 * r)) * lanes);
    for (int64_t y0 = 0; y0 < h; y0 += slab) {
        const int64_t y1 = std::min(h, y0 + slab);
        const int64_t first = std::max<int64_t>(0, y0 - r), last = std::min<int64_t>(h, y1 + r);
        blur.rows_pass(first, last - first, rows_pass.get());
        blur.columns_pass(y0, y1, first, rows_pass.get());
    }
    return true;
}

void set_gaussian_fast_paths(bool on) { g_fast_paths = on; }

}  // namespace imglib::detail
