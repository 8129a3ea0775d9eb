// Our imaging library's gradient fills of RGBA32 pictures (4 bytes a pixel,
// packed top-down rows with a stride in bytes).
//
// Colour stops come as `count` groups of four bytes, blue, green, red,
// alpha, each at a position in percent (0 to 100) along the gradient; the
// colour before the first and after the last position continues outward.
// Colour and alpha interpolate separately. Points are pixels: the gradient
// runs between their centres. The gradient is laid over the picture at
// `opacity` (0..1, larger values count as 1): each byte becomes
// trunc(old * (1 - opacity) + gradient * opacity), so opacity 1 replaces
// every pixel. Every call returns nonzero on success and 0, with the
// picture untouched, when it cannot do the work (no stops, a NaN, a
// gradient of no length).
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

// From pixel (x1, y1) to pixel (x2, y2). `reserved1` and `reserved2` are
// accepted (1 and 0).
BOOL ISE3GradientFillImageLinear(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t x1,
                                 int32_t y1, int32_t x2, int32_t y2, const uint8_t* stops, const double* positions,
                                 int32_t count, int32_t reserved1, int32_t reserved2, double opacity);

// Out from pixel (centreX, centreY) to `radius` pixels. `reserved1` and
// `reserved2` are accepted (0).
BOOL ISE3GradientFillImageRadial(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t radius,
                                 int32_t centreX, int32_t centreY, const uint8_t* stops, const double* positions,
                                 int32_t count, int32_t reserved1, int32_t reserved2, double opacity);

}  // namespace imglib
