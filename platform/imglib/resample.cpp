// The resamplers OpenCV provides: area averaging, nearest, bilinear, bicubic.
#include "platform/imglib/resample.h"

#include <opencv2/imgproc.hpp>

#include "platform/imglib/picture.h"

namespace imglib {

namespace {

BOOL resize_with(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                 uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel, int interpolation) {
    using namespace detail;
    if (!valid_picture(src, width, height, srcStride, bytesPerPixel) ||
        !valid_picture(dst, newWidth, newHeight, dstStride, bytesPerPixel))
        return 0;
    if (width == 0 || height == 0 || newWidth == 0 || newHeight == 0) return 0;
    const cv::Mat in = wrap(src, width, height, srcStride, bytesPerPixel);
    const cv::Mat out = wrap(dst, newWidth, newHeight, dstStride, bytesPerPixel);
    return run_opencv(out, [&](cv::Mat& o) { cv::resize(in, o, o.size(), 0, 0, interpolation); });
}

}  // namespace

BOOL IS3DecimateImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                      uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel,
                      uint32_t mode) {
    if (mode != kDecimateNearest && mode != kDecimateAverage) return 0;
    const int interpolation = mode == kDecimateAverage ? cv::INTER_AREA : cv::INTER_NEAREST_EXACT;
    return resize_with(src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel,
                       interpolation);
}

BOOL IS3SimpleResampleImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                            uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel) {
    // The exact variant samples at pixel centres, so halving takes every other pixel symmetrically.
    return resize_with(src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel,
                       cv::INTER_NEAREST_EXACT);
}

BOOL IS3ResizeImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                    uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel) {
    return resize_with(src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel,
                       cv::INTER_LINEAR);
}

BOOL IS3ResizeImageBicubic(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                           uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel) {
    return resize_with(src, width, height, srcStride, dst, newWidth, newHeight, dstStride, bytesPerPixel,
                       cv::INTER_CUBIC);
}

}  // namespace imglib
