// Flips, quarter turns, crops and laying one picture over another.
//
// Pixel sizes as in resample.h: 1, 3 or 4 bytes of 8-bit channels, 2, 6 or
// 8 bytes of 16-bit channels. Strides are in bytes. A call that cannot do
// its work reports 0 and leaves its output untouched.
#pragma once

#include "platform/imglib/imglib.h"

namespace imglib {

// Mirrors a picture left to right, in place.
BOOL IS3HorizontalFlipImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride);

// Mirrors a picture top to bottom, in place: rows of `stride` bytes swap.
BOOL IS3VerticalFlipImage(uint8_t* image, uint32_t stride, uint32_t height);

// Quarter-turn codes of IS3QuickRotateImage.
enum QuickRotation : uint32_t {
    kRotateRight = 0,  // a quarter turn clockwise
    kRotateHalf = 1,   // a half turn
    kRotateLeft = 2,   // a quarter turn counter-clockwise
};

// Turns a width x height picture into dst, which is height x width for the
// quarter turns and width x height for the half turn. Pixel (x, y) goes to
// (height - 1 - y, x) turning right and to (y, width - 1 - x) turning left.
BOOL IS3QuickRotateImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                         uint32_t dstStride, uint32_t bytesPerPixel, uint32_t rotation);

// Copies the rectangle from (left, top) up to, not including, (right,
// bottom) into dst, a picture of (right - left) x (bottom - top). The
// corners may come in either order; the rectangle must lie inside the
// source and not be empty.
BOOL IS3CropImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                  uint32_t dstStride, uint32_t bytesPerPixel, int32_t left, int32_t top, int32_t right, int32_t bottom);

// Lays src with its top-left corner at (x, y) of dst; x and y may be
// negative or reach past dst, and only the overlap is written. At opacity 1
// (or more) the overlap is a plain copy of the source, alpha included;
// below 1 each channel becomes src * opacity + dst * (1 - opacity),
// rounded; at 0 (or less) nothing changes. Both pictures share the pixel
// size and must not overlap in memory. `flags` is reserved (0 or 1).
BOOL IS3OverlayImage(uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t bytesPerPixel, uint32_t dstStride,
                     const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                     int32_t y, double opacity, uint32_t flags);

// The same for the newer module.
BOOL IS40_OverlayImage(uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t bytesPerPixel, uint32_t dstStride,
                       const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                       int32_t y, double opacity, uint32_t flags);

}  // namespace imglib
