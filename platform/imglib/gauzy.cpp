// Gauzy: a diffuse glow, as a picture taken through gauze; a brightened
// blur of the picture laid over it by lightening or screen.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

BOOL ISE3GauzyRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                  uint32_t dstStride, double spread, double strength, double brightness, int32_t mode) {
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, 3))
        return 0;
    if (!(spread == spread) || !(strength == strength) || !(brightness == brightness)) return 0;
    if (width == 0 || height == 0) return 1;
    spread = std::clamp(spread, 0.0, 1.0);
    strength = std::clamp(strength, 0.0, 1.0);
    brightness = std::clamp(brightness, 0.0, 1.0);
    const cv::Mat in = detail::wrap(src, width, height, srcStride, 3);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, 3);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const double sigma = 1.0 + 19.0 * spread;
        const int side = 2 * int(std::ceil(3.0 * sigma)) + 1;
        cv::Mat glow;
        cv::GaussianBlur(in, glow, cv::Size(side, side), sigma, sigma, cv::BORDER_REPLICATE);
        const size_t bytes = size_t(width) * 3;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* a = in.ptr<uint8_t>(int(y));
            const uint8_t* g = glow.ptr<uint8_t>(int(y));
            uint8_t* d = o.ptr<uint8_t>(int(y));
            for (size_t i = 0; i < bytes; ++i) {
                const double v = a[i], lit = std::min(255.0, g[i] * (1.0 + brightness));
                const double over = mode == 0 ? std::max(v, lit) : 255.0 - (255.0 - v) * (255.0 - lit) / 255.0;
                d[i] = detail::round_byte(v * (1.0 - strength) + over * strength);
            }
        }
    });
}

}  // namespace imglib
