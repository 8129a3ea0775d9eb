// Watercolour: colours flattened into washes by a median, lifted toward the
// paper's white, with pigment pooling where washes meet.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

BOOL ISE3WatercolorTintRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                           uint32_t dstStride, double strength, uint32_t flags) {
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, 3) || !(strength == strength))
        return 0;
    if (width == 0 || height == 0) return 1;
    strength = std::clamp(strength, 0.0, 1.0);
    const cv::Mat in = detail::wrap(src, width, height, srcStride, 3);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, 3);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        cv::Mat washes, grey, dx, dy;
        cv::medianBlur(in, washes, 5);
        cv::cvtColor(washes, grey, cv::COLOR_RGB2GRAY);
        cv::Sobel(grey, dx, CV_32F, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
        cv::Sobel(grey, dy, CV_32F, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
        const double pooling = (flags & kWatercolorWetEdges) ? 2.0 : 1.0;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* w = washes.ptr<uint8_t>(int(y));
            const float* gx = dx.ptr<float>(int(y));
            const float* gy = dy.ptr<float>(int(y));
            uint8_t* d = o.ptr<uint8_t>(int(y));
            for (uint32_t x = 0; x < width; ++x) {
                // A Sobel step of 255 levels is 1020: the steepest edge.
                const double edge = std::min(1.0, std::hypot(gx[x], gy[x]) / 1020.0 * 4.0);
                double keep = 1.0 - std::min(1.0, strength * edge * pooling);
                if (flags & kWatercolorGrain)
                    keep *= 1.0 - 0.12 * strength * detail::random_unit(0x9A9E5u, uint64_t(y) * width + x);
                for (int c = 0; c < 3; ++c) {
                    const double v = w[x * 3 + c];
                    d[x * 3 + c] = detail::round_byte((v + (255.0 - v) * strength * 0.5) * keep);
                }
            }
        }
    });
}

}  // namespace imglib
