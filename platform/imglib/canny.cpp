// Canny edges through OpenCV, with the thresholds given as fractions of the
// picture's largest gradient magnitude.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

BOOL ISE3CannyEdgeDetector(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                           uint32_t dstStride, double sigma, double high, double low) {
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, 1))
        return 0;
    if (!(sigma > 0.0) || sigma > 100.0 || !std::isfinite(high) || !std::isfinite(low)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, 1);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, 1);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const int side = 2 * int(std::ceil(3.0 * sigma)) + 1;
        cv::Mat smooth, dx, dy, magnitude;
        cv::GaussianBlur(in, smooth, cv::Size(side, side), sigma, sigma, cv::BORDER_REPLICATE);
        cv::Sobel(smooth, dx, CV_32F, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
        cv::Sobel(smooth, dy, CV_32F, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
        cv::magnitude(dx, dy, magnitude);
        double largest = 0;
        cv::minMaxLoc(magnitude, nullptr, &largest);
        const double strong = std::max(0.0, high) * largest, weak = std::max(0.0, low) * largest;
        cv::Mat edges;
        cv::Canny(smooth, edges, std::min(weak, strong), strong, 3, true);
        edges.copyTo(o);
    });
}

}  // namespace imglib
