// Moving channels between interleaved pictures and single-channel planes.
//
// Pictures here have 8-bit channels, 1 to 4 bytes a pixel; planes are one
// byte a pixel with their own stride.
#pragma once

#include "platform/imglib/imglib.h"

namespace imglib {

// Copies channel c of each pixel into plane c; a null plane is skipped, and
// a plane beyond the pixel's channels must be null.
BOOL IS3SplitImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                   uint8_t* plane0, uint8_t* plane1, uint8_t* plane2, uint8_t* plane3, uint32_t planeStride);

// Writes plane c into channel c of each pixel; a null plane leaves that
// channel as it is, so one plane can replace one channel (or the same plane
// can fill several).
BOOL IS3CombineImageChannels(uint8_t* dst, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t dstStride,
                             const uint8_t* plane0, const uint8_t* plane1, const uint8_t* plane2, const uint8_t* plane3,
                             uint32_t planeStride);

// Splits RGBA32 into RGB24 and, when `alpha` is not null, a one-byte
// alpha plane.
BOOL IS3SplitRGBAToRGBPlusA(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t rgbaStride, uint8_t* rgb,
                            uint32_t rgbStride, uint8_t* alpha, uint32_t alphaStride);

// The grey level of each pixel, 0.299 R + 0.587 G + 0.114 B rounded, into a
// one-byte plane; a one-byte picture is copied. Alpha is ignored. `flags`
// is reserved (0).
BOOL IS3ImageToGrayScale8Bit(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t flags);

// Swaps the first and third byte of every 4-byte pixel, in place (RGBA to
// BGRA and back).
BOOL IS3RGBAToBGRA(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride);

}  // namespace imglib
