// Sharpening: the Laplacian sharpen kernel and the stronger sharpen against
// a box blur, both through OpenCV.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

BOOL IS3SharpenImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                     uint8_t* dst, uint32_t dstStride, int32_t amount, uint32_t channelMask) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, bpp)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const float k = float(amount / 100.0);
        const cv::Mat kernel = (cv::Mat_<float>(3, 3) << 0, -k, 0, -k, 1 + 4 * k, -k, 0, -k, 0);
        cv::Mat sharp;
        cv::filter2D(in, sharp, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
        detail::lay_blurred(in, sharp, o, bpp, channelMask, 100);
    });
}

BOOL ISE3SharpenImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                      uint8_t* dst, uint32_t dstStride, int32_t size, double weight, uint32_t channelMask) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, bpp)) return 0;
    if (size < 0 || size > detail::kMaxWindowRadius || !std::isfinite(weight)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const int side = 2 * size + 3;
        cv::Mat box, sharp;
        cv::blur(in, box, cv::Size(side, side), cv::Point(-1, -1), cv::BORDER_REPLICATE);
        cv::addWeighted(in, 1 + 2 * weight, box, -2 * weight, 0, sharp);
        detail::lay_blurred(in, sharp, o, bpp, channelMask, 100);
    });
}

}  // namespace imglib
