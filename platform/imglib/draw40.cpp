#include "platform/imglib/draw40.h"

#include "platform/imglib/coverage.h"
#include "platform/imglib/draw.h"
#include "platform/imglib/gaussian_blur8.h"
#include "platform/imglib/picture.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace imglib {

namespace {

constexpr double kMaxRadius = 1000.0;


}  // namespace

BOOL IS40_FillSolidRect(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                        int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
    return IS3FillSolidRect(image, width, height, bytesPerPixel, stride, left, top, right, bottom, colour);
}

BOOL IS40_DrawEllipseOnImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t stride, int32_t centreX, int32_t centreY, int32_t radiusX, int32_t radiusY,
                             uint32_t colour, int32_t filled, int32_t penWidth, double opacity, int32_t quality,
                             int32_t, int32_t) {
    return detail::draw_ellipse(image, width, height, bytesPerPixel, stride, detail::colour_in_pixel_order(colour),
                                centreX, centreY, radiusX, radiusY, filled, penWidth, opacity, quality);
}

BOOL IS40_GaussianBlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                            uint32_t srcStride, uint8_t* dst, uint32_t dstStride, double radius,
                            uint32_t channelMask) {
    if (!detail::valid_byte_picture(src, width, height, srcStride, bytesPerPixel) ||
        !detail::valid_byte_picture(dst, width, height, dstStride, bytesPerPixel))
        return 0;
    if (!(radius > 0.0) || radius > kMaxRadius) return 0;
    if (width == 0 || height == 0) return 1;
    try {
        detail::match_pool_threads();
        const int type = CV_8UC(int(bytesPerPixel));
        const cv::Mat in(int(height), int(width), type, const_cast<uint8_t*>(src), srcStride);
        cv::Mat out(int(height), int(width), type, dst, dstStride);
        const int k = 2 * int(std::ceil(3.0 * radius)) + 1;
        const uint32_t all = (1u << bytesPerPixel) - 1u;
        const auto blur = [&](cv::Mat& to) {
            if (!detail::gaussian_blur8(src, srcStride, to.data, to.step, width, height, bytesPerPixel, k, radius))
                cv::GaussianBlur(in, to, cv::Size(k, k), radius, radius, cv::BORDER_REPLICATE);
        };
        // Every channel blurred: straight into the output (the blur may run in place).
        if ((channelMask & all) == all) {
            blur(out);
            return 1;
        }
        cv::Mat blurred(int(height), int(width), type);
        blur(blurred);
        detail::lay_blurred(in, blurred, out, bytesPerPixel, channelMask, 100);
        return 1;
    } catch (const cv::Exception&) {
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace imglib
