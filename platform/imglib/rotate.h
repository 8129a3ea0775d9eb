// Turning a picture by any angle into the box that holds it.
#pragma once

#include "platform/imglib/imglib.h"

namespace imglib {

// Interpolation of IS3RotateImage.
enum RotateMode : uint32_t {
    kRotateNearest = 0,
    kRotateBilinear = 1,
    kRotateBicubic = 2,
};

// The box a width x height picture needs once turned by `radians`: the
// sides of its bounding box rounded up to whole pixels (a quarter turn
// swaps the sides exactly). 0 for an empty picture or an angle that is not
// a finite number.
BOOL IS3GetRotatedPixelSize(uint32_t width, uint32_t height, float radians, uint32_t* newWidth, uint32_t* newHeight);

// Turns a picture of 1, 3 or 4 bytes a pixel about its centre by `radians`,
// counter-clockwise as seen, into dst, a newWidth x newHeight picture of
// rows `dstStride` bytes apart and `dstSize` bytes in all: the centre of
// the source lands on the centre of dst, and what comes from outside the
// source is zero (transparent black). `reserved1` and `reserved2` are 0.
// Source and destination must not overlap.
BOOL IS3RotateImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                    uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint64_t dstSize, uint32_t reserved1,
                    uint32_t reserved2, float radians, uint32_t bytesPerPixel, uint32_t mode);

}  // namespace imglib
