// Dust and scratches: values far from their neighbourhood's median (OpenCV's
// median filter) are pulled toward it; the rest of the picture is kept.
#include <opencv2/imgproc.hpp>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

BOOL ISE3DustAndScratches(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                          uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, int32_t threshold,
                          double amount, uint32_t channelMask) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::picture_pair(src, srcStride, dst, dstStride, width, height, bpp) || radius < 0 ||
        radius > detail::kMaxWindowRadius || !(amount == amount))
        return 0;
    if (width == 0 || height == 0) return 1;
    amount = std::clamp(amount, 0.0, 1.0);
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bpp);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, bpp);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        cv::Mat median;
        if (radius == 0)
            median = in.clone();
        else
            cv::medianBlur(in, median, 2 * radius + 1);
        const size_t rowBytes = size_t(width) * bpp;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* a = in.ptr<uint8_t>(int(y));
            const uint8_t* m = median.ptr<uint8_t>(int(y));
            uint8_t* d = o.ptr<uint8_t>(int(y));
            for (size_t i = 0; i < rowBytes; ++i) {
                const bool far = std::abs(int32_t(a[i]) - int32_t(m[i])) > threshold;
                d[i] = far && detail::selected(channelMask, uint32_t(i % bpp))
                           ? detail::round_byte((1.0 - amount) * a[i] + amount * m[i])
                           : a[i];
            }
        }
    });
}

}  // namespace imglib
