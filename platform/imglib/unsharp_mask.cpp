// The unsharp mask: the picture's difference from a Gaussian blur of itself,
// added back in where it exceeds a threshold.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

BOOL IS3UnsharpMaskImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t threshold, double amount,
                         double radius, uint32_t channelMask) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::effect_picture(src, width, height, srcStride, bpp) ||
        !detail::effect_picture(dst, width, height, dstStride, bpp))
        return 0;
    if (!(radius > 0.0) || radius > double(detail::kMaxWindowRadius) || !std::isfinite(amount)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const int side = 2 * int(std::ceil(3.0 * radius)) + 1;
        cv::Mat blurred;
        cv::GaussianBlur(in, blurred, cv::Size(side, side), radius, radius, cv::BORDER_REPLICATE);
        const size_t rowBytes = size_t(width) * bpp;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* a = in.ptr<uint8_t>(int(y));
            const uint8_t* b = blurred.ptr<uint8_t>(int(y));
            uint8_t* d = o.ptr<uint8_t>(int(y));
            for (size_t i = 0; i < rowBytes; ++i) {
                const int32_t diff = int32_t(a[i]) - int32_t(b[i]);
                const bool sharpened = detail::selected(channelMask, uint32_t(i % bpp)) && std::abs(diff) > threshold;
                d[i] = sharpened ? detail::round_byte(a[i] + amount * diff) : a[i];
            }
        }
    });
}

}  // namespace imglib
