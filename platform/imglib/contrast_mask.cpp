// The contrast mask: a blurred negative of the picture's grey, laid over it
// in soft light (or overlay), so that shadows open and highlights calm.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL ISE40_ContrastMaskImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t stronger,
                             double radius) {
    if (!detail::effect_picture(image, width, height, stride, 4)) return 0;
    if (!(radius > 0.0) || radius > double(detail::kMaxWindowRadius)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat picture = detail::wrap(image, width, height, stride, 4);
    return detail::run_opencv(picture, [&](cv::Mat& out) {
        cv::Mat grey(int(height), int(width), CV_8UC1), mask;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* p = picture.ptr<uint8_t>(int(y));
            uint8_t* g = grey.ptr<uint8_t>(int(y));
            for (uint32_t x = 0; x < width; ++x, p += 4) g[x] = uint8_t(255 - detail::luma(p[0], p[1], p[2]));
        }
        const int side = 2 * int(std::ceil(3.0 * radius)) + 1;
        cv::GaussianBlur(grey, mask, cv::Size(side, side), radius, radius, cv::BORDER_REPLICATE);
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* p = out.ptr<uint8_t>(int(y));
            const uint8_t* m = mask.ptr<uint8_t>(int(y));
            for (uint32_t x = 0; x < width; ++x, p += 4) {
                const double s = m[x] / 255.0;
                for (int c = 0; c < 3; ++c) {
                    const double b = p[c] / 255.0;
                    // Soft light: (1 - 2s) b^2 + 2 s b; overlay: screen or multiply by b's half.
                    const double v = stronger ? (b < 0.5 ? 2 * b * s : 1 - 2 * (1 - b) * (1 - s))
                                              : (1 - 2 * s) * b * b + 2 * s * b;
                    p[c] = detail::round_byte(v * 255.0);
                }
            }
        }
    });
}

}  // namespace imglib
