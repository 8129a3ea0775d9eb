#include "platform/imglib/geometry.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>

#include "platform/imglib/picture.h"
#include "platform/imglib/quarter_turn.h"
#include "platform/parallel.h"

namespace imglib {

using detail::run_opencv;
using detail::valid_picture;
using detail::wrap;

namespace {

// Rows of row_bytes bytes between two pictures that do not overlap, in bands.
void copy_rows(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, size_t row_bytes, uint32_t rows) {
    parallel::for_bands(rows, int64_t(row_bytes) * parallel::kCopyWork / 16 + 1, [&](int64_t first, int64_t end) {
        for (int64_t r = first; r < end; ++r)
            std::memcpy(to + size_t(r) * toStride, from + size_t(r) * fromStride, row_bytes);
    });
}

}  // namespace

BOOL IS3HorizontalFlipImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride) {
    if (!valid_picture(image, width, height, stride, bytesPerPixel)) return 0;
    if (width == 0 || height == 0) return 1;
    // Rows mirror alone: each band of rows is flipped by OpenCV, which
    // swaps mirrored pairs, so source and destination may be one picture.
    detail::match_pool_threads();
    std::atomic<bool> ok{true};
    parallel::for_bands(height, int64_t(width) * parallel::kCopyWork / 2 + 1, [&](int64_t first, int64_t end) {
        const cv::Mat band = wrap(image + size_t(first) * stride, width, uint32_t(end - first), stride, bytesPerPixel);
        if (!run_opencv(band, [&](cv::Mat& out) { cv::flip(band, out, 1); })) ok = false;
    });
    return ok ? 1 : 0;
}

BOOL IS3VerticalFlipImage(uint8_t* image, uint32_t stride, uint32_t height) {
    if (image == nullptr) return 0;
    // Each pair of rows swaps alone.
    parallel::for_bands(height / 2, int64_t(stride) * parallel::kCopyWork / 8 + 1, [&](int64_t first, int64_t end) {
        for (int64_t top = first; top < end; ++top) {
            uint8_t* upper = image + size_t(top) * stride;
            std::swap_ranges(upper, upper + stride, image + size_t(height - 1 - top) * stride);
        }
    });
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
    // A half turn takes source rows first..end-1 to destination rows
    // height-end..height-first-1, each mirrored: bands of rows apart.
    detail::match_pool_threads();
    std::atomic<bool> ok{true};
    parallel::for_bands(height, int64_t(width) * parallel::kCopyWork / 2 + 1, [&](int64_t first, int64_t end) {
        const auto rows = uint32_t(end - first);
        const cv::Mat in = wrap(src + size_t(first) * srcStride, width, rows, srcStride, bytesPerPixel);
        const cv::Mat out = wrap(dst + size_t(height - end) * dstStride, width, rows, dstStride, bytesPerPixel);
        if (!run_opencv(out, [&](cv::Mat& o) { cv::rotate(in, o, cv::ROTATE_180); })) ok = false;
    });
    return ok ? 1 : 0;
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
    copy_rows(from, srcStride, dst, dstStride, row_bytes, outHeight);
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
        copy_rows(from, srcStride, to, dstStride, size_t(o.width) * bytesPerPixel, o.height);
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
