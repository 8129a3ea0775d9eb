// The unsharp mask: the picture's difference from a Gaussian blur of itself,
// added back in where it exceeds a threshold.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

BOOL IS3UnsharpMaskImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t threshold, double amount,
                         double radius, uint32_t channelMask) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, bpp))
        return 0;
    if (!(radius > 0.0) || radius > double(detail::kMaxWindowRadius) || !std::isfinite(amount)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        const int side = 2 * int(std::ceil(3.0 * radius)) + 1;
        cv::Mat blurred;
        cv::GaussianBlur(in, blurred, cv::Size(side, side), radius, radius, cv::BORDER_REPLICATE);
        // The new value of a byte for each difference -255..255 from its
        // blur, with the byte's own value added after: exact, since
        // round(v + amount * d) = v + round(amount * d) for a whole v.
        int32_t lift[511];
        for (int32_t d = -255; d <= 255; ++d)
            // Held to +-512: beyond that every byte saturates alike.
            lift[d + 255] = std::abs(d) > threshold ? int32_t(std::clamp(std::floor(amount * d + 0.5), -512.0, 512.0)) : 0;
        bool chosen[4] = {};
        for (uint32_t c = 0; c < bpp; ++c) chosen[c] = detail::selected(channelMask, c);
        detail::for_rows(height, [=, &in, &blurred, &o](uint32_t y) {
            const uint8_t* a = in.ptr<uint8_t>(int(y));
            const uint8_t* b = blurred.ptr<uint8_t>(int(y));
            uint8_t* d = o.ptr<uint8_t>(int(y));
            for (uint32_t x = 0; x < width; ++x, a += bpp, b += bpp, d += bpp)
                for (uint32_t c = 0; c < bpp; ++c)
                    d[c] = chosen[c] ? detail::clamp_byte_int(int64_t(a[c]) + lift[a[c] - b[c] + 255]) : a[c];
        });
    });
}

}  // namespace imglib
