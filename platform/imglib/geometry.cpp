#include "platform/imglib/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>

#include "platform/imglib/picture.h"
#include "platform/imglib/quarter_turn.h"

namespace imglib {

using detail::run_opencv;
using detail::valid_picture;
using detail::wrap;

BOOL IS3HorizontalFlipImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride) {
    if (!valid_picture(image, width, height, stride, bytesPerPixel)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat picture = wrap(image, width, height, stride, bytesPerPixel);
    // OpenCV swaps mirrored pairs, so source and destination may be one picture.
    return run_opencv(picture, [&](cv::Mat& out) { cv::flip(picture, out, 1); });
}

BOOL IS3VerticalFlipImage(uint8_t* image, uint32_t stride, uint32_t height) {
    if (image == nullptr) return 0;
    for (uint32_t top = 0, bottom = height; top + 1 < bottom; ++top) {
        --bottom;
        std::swap_ranges(image + size_t(top) * stride, image + size_t(top) * stride + stride,
                         image + size_t(bottom) * stride);
    }
    return 1;
}

BOOL IS3QuickRotateImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                         uint32_t dstStride, uint32_t bytesPerPixel, uint32_t rotation) {
    const bool quarter = rotation == kRotateRight || rotation == kRotateLeft;
    if (!quarter && rotation != kRotateHalf) return 0;
    const uint32_t outWidth = quarter ? height : width, outHeight = quarter ? width : height;
    if (!valid_picture(src, width, height, srcStride, bytesPerPixel) ||
        !valid_picture(dst, outWidth, outHeight, dstStride, bytesPerPixel))
        return 0;
    if (width == 0 || height == 0) return 1;
    if (quarter) {
        detail::turn_quarter(src, width, height, srcStride, dst, dstStride, bytesPerPixel, rotation == kRotateRight);
        return 1;
    }
    const cv::Mat in = wrap(src, width, height, srcStride, bytesPerPixel);
    const cv::Mat out = wrap(dst, outWidth, outHeight, dstStride, bytesPerPixel);
    return run_opencv(out, [&](cv::Mat& o) { cv::rotate(in, o, cv::ROTATE_180); });
}

BOOL IS3CropImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                  uint32_t dstStride, uint32_t bytesPerPixel, int32_t left, int32_t top, int32_t right,
                  int32_t bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (left < 0 || top < 0 || left == right || top == bottom) return 0;
    if (uint32_t(right) > width || uint32_t(bottom) > height) return 0;
    const uint32_t outWidth = uint32_t(right - left), outHeight = uint32_t(bottom - top);
    if (!valid_picture(src, width, height, srcStride, bytesPerPixel) ||
        !valid_picture(dst, outWidth, outHeight, dstStride, bytesPerPixel))
        return 0;
    const size_t row_bytes = size_t(outWidth) * bytesPerPixel;
    const uint8_t* from = src + size_t(top) * srcStride + size_t(left) * bytesPerPixel;
    for (uint32_t y = 0; y < outHeight; ++y)
        std::memcpy(dst + size_t(y) * dstStride, from + size_t(y) * srcStride, row_bytes);
    return 1;
}

namespace {

// The part of a w x h source at (x, y) that lands inside a dw x dh
// destination, as offsets into each and a size; empty when nothing does.
struct Overlap {
    uint32_t srcX = 0, srcY = 0, dstX = 0, dstY = 0, width = 0, height = 0;
};

Overlap overlap(uint32_t dstWidth, uint32_t dstHeight, uint32_t srcWidth, uint32_t srcHeight, int32_t x, int32_t y) {
    // 64-bit bounds: an offset near the int32 limits plus a size cannot wrap.
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t(x) + srcWidth, dstWidth);
    const int64_t y1 = std::min<int64_t>(int64_t(y) + srcHeight, dstHeight);
    Overlap o;
    if (x0 >= x1 || y0 >= y1) return o;
    o.dstX = uint32_t(x0);
    o.dstY = uint32_t(y0);
    o.srcX = uint32_t(x0 - x);
    o.srcY = uint32_t(y0 - y);
    o.width = uint32_t(x1 - x0);
    o.height = uint32_t(y1 - y0);
    return o;
}

}  // namespace

BOOL IS3OverlayImage(uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t bytesPerPixel, uint32_t dstStride,
                     const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                     int32_t y, double opacity, uint32_t) {
    if (!valid_picture(dst, dstWidth, dstHeight, dstStride, bytesPerPixel) ||
        !valid_picture(src, srcWidth, srcHeight, srcStride, bytesPerPixel) || std::isnan(opacity))
        return 0;
    const Overlap o = overlap(dstWidth, dstHeight, srcWidth, srcHeight, x, y);
    if (o.width == 0 || opacity <= 0.0) return 1;
    const uint8_t* from = src + size_t(o.srcY) * srcStride + size_t(o.srcX) * bytesPerPixel;
    uint8_t* to = dst + size_t(o.dstY) * dstStride + size_t(o.dstX) * bytesPerPixel;
    if (opacity >= 1.0) {
        const size_t row_bytes = size_t(o.width) * bytesPerPixel;
        for (uint32_t r = 0; r < o.height; ++r)
            std::memcpy(to + size_t(r) * dstStride, from + size_t(r) * srcStride, row_bytes);
        return 1;
    }
    const cv::Mat top = wrap(from, o.width, o.height, srcStride, bytesPerPixel);
    const cv::Mat base = wrap(to, o.width, o.height, dstStride, bytesPerPixel);
    return run_opencv(base, [&](cv::Mat& out) { cv::addWeighted(top, opacity, base, 1.0 - opacity, 0.0, out); });
}

BOOL IS40_OverlayImage(uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t bytesPerPixel, uint32_t dstStride,
                       const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                       int32_t y, double opacity, uint32_t flags) {
    return IS3OverlayImage(dst, dstWidth, dstHeight, bytesPerPixel, dstStride, src, srcWidth, srcHeight, srcStride, x,
                           y, opacity, flags);
}

}  // namespace imglib
