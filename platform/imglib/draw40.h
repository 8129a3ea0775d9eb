// The later module's filled rectangles, ellipses and Gaussian blur, on
// pictures of 1 to 4 bytes a pixel (packed top-down rows with a stride in
// bytes). Colours are words whose bytes, lowest first, are the pixel's
// bytes in order (red, green, blue, alpha); a one-byte picture takes the
// lowest. Every call returns nonzero on success and 0, with the picture
// untouched, when it cannot do the work.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

// IS3FillSolidRect (draw.h): fills the rectangle from (left, top) to
// (right, bottom), both corners included, clipped to the picture. An empty
// or wholly outside rectangle changes nothing and succeeds.
BOOL IS40_FillSolidRect(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                        int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour);

// The ellipse of IS3DrawEllipseOnImage (draw.h) with the colour word in
// pixel order: the pixels (x, y) with ((x - cx) / rx)^2 + ((y - cy) / ry)^2
// <= 1 when `filled`, else a ring of `penWidth` pixels (at least 1) inside
// that edge, laid over the picture at `opacity` (0..1; each byte becomes
// trunc(old * (1 - opacity) + colour * opacity)). A radius of 0 draws a
// line through the centre. `quality` kSmoothEdges smooths the edges; the
// two reserved words are accepted.
BOOL IS40_DrawEllipseOnImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t stride, int32_t centreX, int32_t centreY, int32_t radiusX, int32_t radiusY,
                             uint32_t colour, int32_t filled, int32_t penWidth, double opacity, int32_t quality,
                             int32_t reserved1, int32_t reserved2);

// Gaussian blur with standard deviation `radius` (0 < radius <= 1000),
// edges repeated; channels outside `channelMask` (bit 0 = first byte of a
// pixel) are copied unchanged. Source and destination may be the same
// picture.
BOOL IS40_GaussianBlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                            uint32_t srcStride, uint8_t* dst, uint32_t dstStride, double radius,
                            uint32_t channelMask);

}  // namespace imglib
