#include "platform/imglib/channels.h"

#include <opencv2/imgproc.hpp>
#include <utility>

#include "platform/imglib/picture.h"

namespace imglib {

using detail::valid_picture;

namespace {

// Planes given for channels a pixel does not have are a caller's mistake.
bool planes_fit(uint32_t bytesPerPixel, const void* p0, const void* p1, const void* p2, const void* p3) {
    const void* planes[] = {p0, p1, p2, p3};
    for (uint32_t c = bytesPerPixel; c < 4; ++c)
        if (planes[c] != nullptr) return false;
    return true;
}

bool eight_bit_picture(const void* data, uint32_t width, uint32_t height, uint32_t stride, uint32_t bytesPerPixel) {
    return bytesPerPixel >= 1 && bytesPerPixel <= 4 && bytesPerPixel != 2 &&
           valid_picture(data, width, height, stride, bytesPerPixel);
}

}  // namespace

BOOL IS3SplitImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                   uint8_t* plane0, uint8_t* plane1, uint8_t* plane2, uint8_t* plane3, uint32_t planeStride) {
    if (!eight_bit_picture(src, width, height, srcStride, bytesPerPixel) || planeStride < width ||
        !planes_fit(bytesPerPixel, plane0, plane1, plane2, plane3))
        return 0;
    uint8_t* planes[] = {plane0, plane1, plane2, plane3};
    for (uint32_t c = 0; c < bytesPerPixel; ++c) {
        if (planes[c] == nullptr) continue;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* s = src + size_t(y) * srcStride + c;
            uint8_t* d = planes[c] + size_t(y) * planeStride;
            for (uint32_t x = 0; x < width; ++x, s += bytesPerPixel) d[x] = *s;
        }
    }
    return 1;
}

BOOL IS3CombineImageChannels(uint8_t* dst, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t dstStride,
                             const uint8_t* plane0, const uint8_t* plane1, const uint8_t* plane2, const uint8_t* plane3,
                             uint32_t planeStride) {
    if (!eight_bit_picture(dst, width, height, dstStride, bytesPerPixel) || planeStride < width ||
        !planes_fit(bytesPerPixel, plane0, plane1, plane2, plane3))
        return 0;
    const uint8_t* planes[] = {plane0, plane1, plane2, plane3};
    for (uint32_t c = 0; c < bytesPerPixel; ++c) {
        if (planes[c] == nullptr) continue;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* s = planes[c] + size_t(y) * planeStride;
            uint8_t* d = dst + size_t(y) * dstStride + c;
            for (uint32_t x = 0; x < width; ++x, d += bytesPerPixel) *d = s[x];
        }
    }
    return 1;
}

BOOL IS3SplitRGBAToRGBPlusA(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t rgbaStride, uint8_t* rgb,
                            uint32_t rgbStride, uint8_t* alpha, uint32_t alphaStride) {
    if (!valid_picture(rgba, width, height, rgbaStride, 4) || !valid_picture(rgb, width, height, rgbStride, 3) ||
        (alpha != nullptr && !valid_picture(alpha, width, height, alphaStride, 1)))
        return 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* s = rgba + size_t(y) * rgbaStride;
        uint8_t* d = rgb + size_t(y) * rgbStride;
        uint8_t* a = alpha != nullptr ? alpha + size_t(y) * alphaStride : nullptr;
        for (uint32_t x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            if (a != nullptr) a[x] = s[3];
        }
    }
    return 1;
}

BOOL IS3ImageToGrayScale8Bit(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t) {
    if (!eight_bit_picture(src, width, height, srcStride, bytesPerPixel) ||
        !valid_picture(dst, width, height, dstStride, 1))
        return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat in = detail::wrap(src, width, height, srcStride, bytesPerPixel);
    const cv::Mat out = detail::wrap(dst, width, height, dstStride, 1);
    return detail::run_opencv(out, [&](cv::Mat& o) {
        switch (bytesPerPixel) {
            case 1: in.copyTo(o); break;
            case 3: cv::cvtColor(in, o, cv::COLOR_RGB2GRAY); break;
            default: cv::cvtColor(in, o, cv::COLOR_RGBA2GRAY); break;
        }
    });
}

BOOL IS3RGBAToBGRA(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride) {
    if (!valid_picture(image, width, height, stride, 4)) return 0;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += 4) std::swap(p[0], p[2]);
    }
    return 1;
}

}  // namespace imglib
