// Mean filters over a square window: arithmetic (OpenCV's box filter),
// geometric and harmonic (sliding sums of logarithms and reciprocals in
// fixed point, so every window's sum is exact), and midpoint (OpenCV's
// erosion and dilation).
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

namespace {

bool window_call(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bpp, uint32_t srcStride,
                 const uint8_t* dst, uint32_t dstStride, int32_t radius) {
    return detail::effect_picture(src, width, height, srcStride, bpp) &&
           detail::effect_picture(dst, width, height, dstStride, bpp) && radius >= 0 &&
           radius <= detail::kMaxWindowRadius;
}

int32_t clamp_index(int64_t i, uint32_t size) { return int32_t(std::clamp<int64_t>(i, 0, int64_t(size) - 1)); }

// Fixed-point terms of one byte value for a mean of terms: term[v] for v
// 1..255; a value of 0 is counted apart and makes the mean 0.
struct Terms {
    int64_t term[256] = {};
};

// For each selected channel, the mean of the window's terms, with the
// window's zero count; finish(sum, n) gives the byte. Sums slide down the
// columns and along each row, edges repeated, so every window is summed in
// exact integers.
template <class Finish>
void term_mean(const cv::Mat& in, cv::Mat& out, uint32_t bpp, int32_t radius, uint32_t channelMask,
               const Terms& terms, Finish finish) {
    const uint32_t width = uint32_t(in.cols), height = uint32_t(in.rows);
    const int64_t n = int64_t(2 * radius + 1) * (2 * radius + 1);
    std::vector<int64_t> column(width);
    std::vector<int32_t> zeros(width);
    for (uint32_t c = 0; c < bpp; ++c) {
        if (!detail::selected(channelMask, c)) continue;
        const auto value = [&](int32_t x, int32_t y) { return in.ptr<uint8_t>(y)[size_t(x) * bpp + c]; };
        const auto add_row = [&](int32_t y, int sign) {
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t v = value(int32_t(x), y);
                if (v == 0)
                    zeros[x] += sign;
                else
                    column[x] += sign * terms.term[v];
            }
        };
        std::fill(column.begin(), column.end(), 0);
        std::fill(zeros.begin(), zeros.end(), 0);
        for (int32_t d = -radius; d <= radius; ++d) add_row(clamp_index(d, height), 1);
        for (uint32_t y = 0; y < height; ++y) {
            if (y > 0) {
                add_row(clamp_index(int64_t(y) - 1 - radius, height), -1);
                add_row(clamp_index(int64_t(y) + radius, height), 1);
            }
            int64_t sum = 0;
            int32_t zero = 0;
            for (int32_t d = -radius; d <= radius; ++d) {
                const int32_t x = clamp_index(d, width);
                sum += column[size_t(x)];
                zero += zeros[size_t(x)];
            }
            uint8_t* row = out.ptr<uint8_t>(int(y));
            for (uint32_t x = 0; x < width; ++x) {
                if (x > 0) {
                    const int32_t gone = clamp_index(int64_t(x) - 1 - radius, width);
                    const int32_t come = clamp_index(int64_t(x) + radius, width);
                    sum += column[size_t(come)] - column[size_t(gone)];
                    zero += zeros[size_t(come)] - zeros[size_t(gone)];
                }
                row[size_t(x) * bpp + c] = zero > 0 ? 0 : finish(sum, n);
            }
        }
    }
}

constexpr double kLogScale = 4294967296.0;   // 2^32
constexpr double kInverseScale = 1099511627776.0;  // 2^40

const Terms& log_terms() {
    static const Terms t = [] {
        Terms s;
        for (int v = 1; v < 256; ++v) s.term[v] = int64_t(std::llround(std::log(double(v)) * kLogScale));
        return s;
    }();
    return t;
}

const Terms& inverse_terms() {
    static const Terms t = [] {
        Terms s;
        for (int v = 1; v < 256; ++v) s.term[v] = int64_t(std::llround(kInverseScale / v));
        return s;
    }();
    return t;
}

// Runs a per-channel body from src into a fresh result, then lays the
// selected channels of the result into dst.
template <class Body>
BOOL filter_into(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bpp, uint32_t srcStride, uint8_t* dst,
                 uint32_t dstStride, uint32_t channelMask, Body body) {
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        cv::Mat result = in.clone();
        body(in, result);
        detail::lay_blurred(in, result, o, bpp, channelMask, 100);
    });
}

}  // namespace

BOOL ISE3ArithmeticMeanFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                              uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius,
                              uint32_t channelMask) {
    if (!window_call(src, width, height, bytesPerPixel, srcStride, dst, dstStride, radius)) return 0;
    return filter_into(src, width, height, bytesPerPixel, srcStride, dst, dstStride, channelMask,
                       [&](const cv::Mat& in, cv::Mat& result) {
                           const int side = 2 * radius + 1;
                           cv::blur(in, result, cv::Size(side, side), cv::Point(-1, -1), cv::BORDER_REPLICATE);
                       });
}

BOOL ISE3GeometricMeanFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius,
                             uint32_t channelMask) {
    if (!window_call(src, width, height, bytesPerPixel, srcStride, dst, dstStride, radius)) return 0;
    return filter_into(src, width, height, bytesPerPixel, srcStride, dst, dstStride, channelMask,
                       [&](const cv::Mat& in, cv::Mat& result) {
                           term_mean(in, result, bytesPerPixel, radius, channelMask, log_terms(), [](int64_t sum, int64_t n) {
                               return detail::round_byte(std::exp(double(sum) / kLogScale / double(n)));
                           });
                       });
}

BOOL ISE3HarmonicMeanFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                            uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius,
                            uint32_t channelMask) {
    if (!window_call(src, width, height, bytesPerPixel, srcStride, dst, dstStride, radius)) return 0;
    return filter_into(src, width, height, bytesPerPixel, srcStride, dst, dstStride, channelMask,
                       [&](const cv::Mat& in, cv::Mat& result) {
                           term_mean(in, result, bytesPerPixel, radius, channelMask, inverse_terms(),
                                     [](int64_t sum, int64_t n) {
                                         return detail::round_byte(double(n) * kInverseScale / double(sum));
                                     });
                       });
}

BOOL ISE3MidpointFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                        uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask) {
    if (!window_call(src, width, height, bytesPerPixel, srcStride, dst, dstStride, radius)) return 0;
    return filter_into(src, width, height, bytesPerPixel, srcStride, dst, dstStride, channelMask,
                       [&](const cv::Mat& in, cv::Mat& result) {
                           const cv::Mat square =
                               cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * radius + 1, 2 * radius + 1));
                           cv::Mat low, high;
                           cv::erode(in, low, square);
                           cv::dilate(in, high, square);
                           const size_t bytes = size_t(width) * bytesPerPixel;
                           for (uint32_t y = 0; y < height; ++y) {
                               const uint8_t* a = low.ptr<uint8_t>(int(y));
                               const uint8_t* b = high.ptr<uint8_t>(int(y));
                               uint8_t* r = result.ptr<uint8_t>(int(y));
                               for (size_t i = 0; i < bytes; ++i) r[i] = uint8_t((a[i] + b[i] + 1) / 2);
                           }
                       });
}

}  // namespace imglib
