// The drop shadow: the picture's alpha, offset, grown and blurred, in the
// shadow's colour, with the picture laid over it.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

uint8_t* ISE3DropShadow(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, int32_t dx,
                        int32_t dy, uint32_t shadowColour, int32_t spread, int32_t softness, int32_t withPicture) {
    if (!detail::effect_picture(src, width, height, srcStride, 4)) return nullptr;
    if (spread < 0 || spread > detail::kMaxWindowRadius || softness < 0 || softness > 10 * detail::kMaxWindowRadius)
        return nullptr;
    const uint64_t bytes = uint64_t(width) * height * 4;
    auto* result = static_cast<uint8_t*>(GlobalAlloc(bytes));
    if (result == nullptr) return nullptr;
    if (bytes == 0) return result;
    try {
        detail::keep_to_caller_thread();
        const cv::Mat in = detail::wrap(src, width, height, srcStride, 4);
        // The alpha, moved by (dx, dy); what comes from outside is clear.
        cv::Mat alpha(int(height), int(width), CV_8UC1, cv::Scalar(0));
        for (uint32_t y = 0; y < height; ++y) {
            const int64_t sy = int64_t(y) - dy;
            if (sy < 0 || sy >= height) continue;
            const uint8_t* row = in.ptr<uint8_t>(int(sy));
            uint8_t* a = alpha.ptr<uint8_t>(int(y));
            for (uint32_t x = 0; x < width; ++x) {
                const int64_t sx = int64_t(x) - dx;
                if (sx >= 0 && sx < width) a[x] = row[size_t(sx) * 4 + 3];
            }
        }
        if (spread > 0)
            cv::dilate(alpha, alpha, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * spread + 1, 2 * spread + 1)));
        if (softness > 0) {
            const double sigma = softness / 10.0;
            const int side = 2 * int(std::ceil(3.0 * sigma)) + 1;
            cv::GaussianBlur(alpha, alpha, cv::Size(side, side), sigma, sigma, cv::BORDER_CONSTANT);
        }
        const double shade[3] = {double(shadowColour & 0xFF), double((shadowColour >> 8) & 0xFF),
                                 double((shadowColour >> 16) & 0xFF)};
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* s = in.ptr<uint8_t>(int(y));
            const uint8_t* a = alpha.ptr<uint8_t>(int(y));
            uint8_t* d = result + size_t(y) * width * 4;
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 4) {
                // The picture over its shadow, straight alpha.
                const double sa = withPicture ? s[3] / 255.0 : 0.0, da = a[x] / 255.0;
                const double oa = sa + da * (1 - sa);
                for (int c = 0; c < 3; ++c)
                    d[c] = oa > 0 ? detail::round_byte((s[c] * sa + shade[c] * da * (1 - sa)) / oa) : 0;
                d[3] = detail::round_byte(oa * 255.0);
            }
        }
        return result;
    } catch (...) {
        GlobalFree(result);
        return nullptr;
    }
}

}  // namespace imglib
