// Motion blurs: linear (a line kernel through OpenCV's filter2D), and the
// radial (spin) and zoom blurs, which average bilinear samples along arcs
// about the centre or rays toward it.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Samples along a radial or zoom path, at most: beyond that the mean
// hardly changes and the cost keeps growing.
constexpr int kMaxSamples = 64;

// The kernel of a line `length` pixels long through the centre at `angle`
// degrees (counter-clockwise as seen, y down): points along the line are
// spread bilinearly over the cells around them and the weights normalised.
// Cropped to its nonzero cells; `anchor` is where the centre fell.
cv::Mat line_kernel(double angle, double length, cv::Point& anchor) {
    const int reach = int(std::ceil(length / 2)) + 1;
    const int side = 2 * reach + 1;
    cv::Mat k = cv::Mat::zeros(side, side, CV_64F);
    const double dx = std::cos(angle * kPi / 180.0), dy = -std::sin(angle * kPi / 180.0);
    const int points = int(std::ceil(length)) * 4 + 1;
    for (int i = 0; i < points; ++i) {
        const double t = -length / 2 + length * i / (points - 1);
        const double x = reach + t * dx, y = reach + t * dy;
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        k.at<double>(y0, x0) += (1 - fx) * (1 - fy);
        k.at<double>(y0, x0 + 1) += fx * (1 - fy);
        k.at<double>(y0 + 1, x0) += (1 - fx) * fy;
        k.at<double>(y0 + 1, x0 + 1) += fx * fy;
    }
    // Weights below this are rounding left over from points on a cell line.
    cv::Mat nonzero = k > 1e-9;
    const cv::Rect box = cv::boundingRect(nonzero);
    cv::Mat cropped;
    k(box).copyTo(cropped);
    cropped.setTo(0, cropped <= 1e-9);
    cropped /= cv::sum(cropped)[0];
    anchor = cv::Point(reach - box.x, reach - box.y);
    cv::Mat out;
    cropped.convertTo(out, CV_32F);
    return out;
}

// Bilinear sample of channel c at (x, y), the picture's edge repeated.
double sample(const uint8_t* src, uint32_t width, uint32_t height, uint32_t stride, uint32_t bpp, double x, double y,
              uint32_t c) {
    x = std::clamp(x, 0.0, double(width - 1));
    y = std::clamp(y, 0.0, double(height - 1));
    const uint32_t x0 = uint32_t(x), y0 = uint32_t(y);
    const uint32_t x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
    const double fx = x - x0, fy = y - y0;
    const auto at = [&](uint32_t px, uint32_t py) { return double(src[size_t(py) * stride + size_t(px) * bpp + c]); };
    return (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) + (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
}

// Each pixel the mean of `path(x, y, k, n)` sample positions, k = 0..n-1,
// n = samples(x, y).
template <class Samples, class Path>
void average_paths(const uint8_t* src, uint32_t width, uint32_t height, uint32_t stride, uint32_t bpp, uint8_t* dst,
                   uint32_t dstStride, Samples samples, Path path) {
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* row = dst + size_t(y) * dstStride;
        for (uint32_t x = 0; x < width; ++x) {
            const int n = samples(x, y);
            double sum[4] = {};
            for (int k = 0; k < n; ++k) {
                double sx, sy;
                path(x, y, k, n, sx, sy);
                for (uint32_t c = 0; c < bpp; ++c) sum[c] += sample(src, width, height, stride, bpp, sx, sy, c);
            }
            for (uint32_t c = 0; c < bpp; ++c) row[size_t(x) * bpp + c] = detail::round_byte(sum[c] / n);
        }
    });
}

int sample_count(double pathLength) { return std::clamp(int(std::ceil(pathLength)) + 1, 2, kMaxSamples); }

}  // namespace

BOOL ISE3MotionBlur(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                    uint8_t* dst, uint32_t dstStride, double angle, double length, int32_t level, int32_t kind) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, bpp))
        return 0;
    if (kind < kMotionLinear || kind > kMotionZoom || !std::isfinite(angle) || !std::isfinite(length)) return 0;
    // A path longer than the picture's diagonal (or a full turn, or the
    // whole way in) blurs no further.
    const double most = kind == kMotionLinear ? std::hypot(double(width), double(height)) + 2
                        : kind == kMotionRadial ? 360.0
                                                : 100.0;
    length = std::min(length, most);
    if (width == 0 || height == 0) return 1;
    const uint32_t share = uint32_t(std::clamp(level, 0, 100));
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        if (length < 1.0 || share == 0) {
            in.copyTo(o);
            return;
        }
        cv::Mat blurred;
        if (kind == kMotionLinear) {
            cv::Point anchor;
            const cv::Mat k = line_kernel(angle, length, anchor);
            // The whole blur goes straight into the output (OpenCV filters in place too).
            if (share == 100) {
                cv::filter2D(in, o, -1, k, anchor, 0, cv::BORDER_REPLICATE);
                return;
            }
            cv::filter2D(in, blurred, -1, k, anchor, 0, cv::BORDER_REPLICATE);
        } else {
            blurred.create(in.size(), in.type());
            const double cx = (double(width) - 1) / 2, cy = (double(height) - 1) / 2;
            const uint8_t* from = in.data;
            const uint32_t stride = uint32_t(in.step[0]);
            if (kind == kMotionRadial) {
                const double arc = length * kPi / 180.0;
                average_paths(
                    from, width, height, stride, bpp, blurred.data, uint32_t(blurred.step[0]),
                    [&](uint32_t x, uint32_t y) { return sample_count(std::hypot(x - cx, y - cy) * arc); },
                    [&](uint32_t x, uint32_t y, int k, int n, double& sx, double& sy) {
                        const double r = std::hypot(x - cx, y - cy), a = std::atan2(y - cy, x - cx);
                        const double t = a - arc / 2 + arc * k / (n - 1);
                        sx = cx + r * std::cos(t);
                        sy = cy + r * std::sin(t);
                    });
            } else {
                const double share_in = length / 100.0;
                average_paths(
                    from, width, height, stride, bpp, blurred.data, uint32_t(blurred.step[0]),
                    [&](uint32_t x, uint32_t y) { return sample_count(std::hypot(x - cx, y - cy) * share_in); },
                    [&](uint32_t x, uint32_t y, int k, int n, double& sx, double& sy) {
                        const double t = share_in * k / (n - 1);
                        sx = x + (cx - x) * t;
                        sy = y + (cy - y) * t;
                    });
            }
        }
        detail::lay_blurred(in, blurred, o, bpp, 15, share);
    });
}

}  // namespace imglib
