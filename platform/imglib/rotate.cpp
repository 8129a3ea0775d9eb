#include "platform/imglib/rotate.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "platform/imglib/picture.h"

namespace imglib {

namespace {

// Bounding boxes are rounded up, but a side that is whole apart from the
// error of the sine and cosine of a float angle is taken as whole.
uint64_t whole_side(double side) {
    const double nearest = std::round(side);
    return std::fabs(side - nearest) < 1e-4 ? uint64_t(nearest) : uint64_t(std::ceil(side));
}

}  // namespace

BOOL IS3GetRotatedPixelSize(uint32_t width, uint32_t height, float radians, uint32_t* newWidth, uint32_t* newHeight) {
    if (newWidth == nullptr || newHeight == nullptr || width == 0 || height == 0 || !std::isfinite(radians)) return 0;
    const double c = std::fabs(std::cos(double(radians))), s = std::fabs(std::sin(double(radians)));
    const uint64_t w = whole_side(width * c + height * s), h = whole_side(width * s + height * c);
    if (w == 0 || h == 0 || w > UINT32_MAX || h > UINT32_MAX) return 0;
    *newWidth = uint32_t(w);
    *newHeight = uint32_t(h);
    return 1;
}

BOOL IS3RotateImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                    uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint64_t dstSize, uint32_t, uint32_t,
                    float radians, uint32_t bytesPerPixel, uint32_t mode) {
    if (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) return 0;
    if (!detail::valid_picture(src, width, height, srcStride, bytesPerPixel) ||
        !detail::valid_picture(dst, newWidth, newHeight, dstStride, bytesPerPixel))
        return 0;
    if (width == 0 || height == 0 || newWidth == 0 || newHeight == 0 || !std::isfinite(radians)) return 0;
    if (uint64_t(dstStride) * (newHeight - 1) + uint64_t(newWidth) * bytesPerPixel > dstSize) return 0;
    int interpolation = cv::INTER_NEAREST;
    if (mode == kRotateBilinear) interpolation = cv::INTER_LINEAR;
    else if (mode == kRotateBicubic) interpolation = cv::INTER_CUBIC;
    else if (mode != kRotateNearest) return 0;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bytesPerPixel);
    const cv::Mat out_view = detail::wrap(dst, newWidth, newHeight, dstStride, bytesPerPixel);
    return detail::run_opencv(out_view, [&](cv::Mat& out) {
        const double degrees = double(radians) * 180.0 / CV_PI;
        cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f((width - 1) * 0.5f, (height - 1) * 0.5f), degrees, 1.0);
        turn.at<double>(0, 2) += (double(newWidth) - width) * 0.5;
        turn.at<double>(1, 2) += (double(newHeight) - height) * 0.5;
        cv::warpAffine(in, out, turn, out.size(), interpolation, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    });
}

}  // namespace imglib
