// Rank filters over a square window through OpenCV: maximum (dilation),
// minimum (erosion) and median.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

namespace {

enum class Rank { Maximum, Minimum, Median };

BOOL rank_filter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bpp, uint32_t srcStride, uint8_t* dst,
                 uint32_t dstStride, int32_t radius, uint32_t channelMask, Rank rank) {
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, bpp) || radius < 0 ||
        radius > detail::kMaxWindowRadius)
        return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const int side = 2 * radius + 1;
        cv::Mat result;
        if (radius == 0) {
            result = in;
        } else if (rank == Rank::Median) {
            cv::medianBlur(in, result, side);
        } else {
            const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(side, side));
            if (rank == Rank::Maximum)
                cv::dilate(in, result, square);
            else
                cv::erode(in, result, square);
        }
        detail::lay_blurred(in, result, o, bpp, channelMask, 100);
    });
}

}  // namespace

BOOL ISE3MaximumFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                       uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask) {
    return rank_filter(src, width, height, bytesPerPixel, srcStride, dst, dstStride, radius, channelMask,
                       Rank::Maximum);
}

BOOL ISE3MinimumFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                       uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask) {
    return rank_filter(src, width, height, bytesPerPixel, srcStride, dst, dstStride, radius, channelMask,
                       Rank::Minimum);
}

BOOL ISE3MedianCutImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                        uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask) {
    return rank_filter(src, width, height, bytesPerPixel, srcStride, dst, dstStride, radius, channelMask,
                       Rank::Median);
}

}  // namespace imglib
