#include <algorithm>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/imglib/imglib.h"
#include "platform/imglib/picture.h"

namespace imglib {

void detail::lay_blurred(const cv::Mat& in, const cv::Mat& blurred, cv::Mat& out, uint32_t bytesPerPixel,
                         uint32_t channelMask, uint32_t share) {
    const size_t rowBytes = size_t(in.cols) * bytesPerPixel;
    const uint32_t all = (1u << bytesPerPixel) - 1u;
    const bool whole = share == 100 && (channelMask & all) == all;
    for (int y = 0; y < in.rows; ++y) {
        const uint8_t* a = in.ptr<uint8_t>(y);
        const uint8_t* b = blurred.ptr<uint8_t>(y);
        uint8_t* o = out.ptr<uint8_t>(y);
        if (whole) {
            if (b != o) std::memmove(o, b, rowBytes);
            continue;
        }
        if (share == 100) {
            // The whole result in the selected channels: a plain pick per byte.
            for (size_t i = 0; i < rowBytes; i += bytesPerPixel)
                for (uint32_t c = 0; c < bytesPerPixel; ++c) o[i + c] = ((channelMask >> c) & 1u) ? b[i + c] : a[i + c];
            continue;
        }
        for (size_t i = 0; i < rowBytes; ++i) {
            const bool selected = (channelMask >> (i % bytesPerPixel)) & 1u;
            o[i] = selected ? uint8_t((a[i] * (100 - share) + b[i] * share) / 100) : a[i];
        }
    }
}

BOOL IS3BlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                  uint8_t* dst, uint32_t dstStride, uint32_t level, uint32_t channelMask) {
    if (src == nullptr || dst == nullptr || bytesPerPixel < 1 || bytesPerPixel > 4) return 0;
    if (width == 0 || height == 0) return 1;
    if (srcStride < width * bytesPerPixel || dstStride < width * bytesPerPixel) return 0;
    try {
        detail::keep_to_caller_thread();
        const int type = CV_8UC(int(bytesPerPixel));
        const cv::Mat in(int(height), int(width), type, const_cast<uint8_t*>(src), srcStride);
        cv::Mat out(int(height), int(width), type, dst, dstStride);
        cv::Mat blurred;
        cv::blur(in, blurred, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE);
        detail::lay_blurred(in, blurred, out, bytesPerPixel, channelMask, std::min<uint32_t>(level, 100));
        return 1;
    } catch (const cv::Exception&) {
        return 0;
    }
}

}  // namespace imglib
