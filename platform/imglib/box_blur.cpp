// Box blur mixed into the source by a weight ("blur more").
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

namespace {

BOOL box_blur(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bpp, uint32_t srcStride, uint8_t* dst,
              uint32_t dstStride, int32_t size, double weight, uint32_t channelMask) {
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, bpp))
        return 0;
    if (size < 0 || size > detail::kMaxWindowRadius || !(weight == weight)) return 0;
    if (width == 0 || height == 0) return 1;
    weight = std::clamp(weight, 0.0, 1.0);
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const int side = 2 * size + 3;
        cv::Mat blurred;
        cv::blur(in, blurred, cv::Size(side, side), cv::Point(-1, -1), cv::BORDER_REPLICATE);
        const size_t rowBytes = size_t(width) * bpp;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* a = in.ptr<uint8_t>(int(y));
            const uint8_t* b = blurred.ptr<uint8_t>(int(y));
            uint8_t* d = o.ptr<uint8_t>(int(y));
            for (size_t i = 0; i < rowBytes; ++i)
                d[i] = detail::selected(channelMask, uint32_t(i % bpp))
                           ? detail::clamp_byte((1.0 - weight) * a[i] + weight * b[i])
                           : a[i];
        }
    });
}

}  // namespace

BOOL ISE40_BlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                     uint8_t* dst, uint32_t dstStride, int32_t size, double weight, uint32_t channelMask) {
    return box_blur(src, width, height, bytesPerPixel, srcStride, dst, dstStride, size, weight, channelMask);
}

BOOL ISE3BlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                   uint8_t* dst, uint32_t dstStride, int32_t size, double weight, uint32_t channelMask) {
    return box_blur(src, width, height, bytesPerPixel, srcStride, dst, dstStride, size, weight, channelMask);
}

}  // namespace imglib
