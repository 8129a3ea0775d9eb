// The unsharp mask: the picture's difference from a Gaussian blur of itself,
// added back in where it exceeds a threshold.
#include <opencv2/imgproc.hpp>
#include <vector>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

BOOL IS3UnsharpMaskImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t threshold, double amount,
                         double radius, uint32_t channelMask) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, bpp))
        return 0;
    if (!(radius > 0.0) || radius > double(detail::kMaxWindowRadius) || !std::isfinite(amount)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const int side = 2 * int(std::ceil(3.0 * radius)) + 1;
        cv::Mat blurred;
        cv::GaussianBlur(in, blurred, cv::Size(side, side), radius, radius, cv::BORDER_REPLICATE);
        // Every (value, blurred value) pair's result, looked up per byte.
        std::vector<uint8_t> result(65536);
        for (int32_t v = 0; v < 256; ++v)
            for (int32_t b = 0; b < 256; ++b) {
                const int32_t diff = v - b;
                result[size_t(v << 8 | b)] = std::abs(diff) > threshold ? detail::round_byte(v + amount * diff) : uint8_t(v);
            }
        bool chosen[4] = {};
        for (uint32_t c = 0; c < bpp; ++c) chosen[c] = detail::selected(channelMask, c);
        const bool every = detail::all_selected(channelMask, bpp);
        const uint8_t* table = result.data();
        detail::for_rows(height, [=, &in, &blurred, &o](uint32_t y) {
            const uint8_t* a = in.ptr<uint8_t>(int(y));
            const uint8_t* b = blurred.ptr<uint8_t>(int(y));
            uint8_t* d = o.ptr<uint8_t>(int(y));
            const size_t bytes = size_t(width) * bpp;
            if (every) {
                for (size_t i = 0; i < bytes; ++i) d[i] = table[size_t(a[i]) << 8 | b[i]];
                return;
            }
            for (size_t i = 0; i < bytes; i += bpp)
                for (uint32_t c = 0; c < bpp; ++c)
                    d[i + c] = chosen[c] ? table[size_t(a[i + c]) << 8 | b[i + c]] : a[i + c];
        });
    });
}

}  // namespace imglib
