// Our imaging library's drawing module: filled and transparent rectangles
// and ellipses on pictures of 1 to 4 bytes a pixel (packed top-down rows
// with a stride in bytes). Every call returns nonzero on success and 0,
// with the picture untouched, when it cannot do the work.
//
// Colour words: the rectangle calls take the pixel's bytes lowest first
// (red + green * 256 + blue * 65536 + alpha * 2^24 for RGBA32); the ellipse
// call takes 0xAARRGGBB, red in bits 16 to 23. A one-byte picture takes the
// lowest byte of either.
//
// Edges: a `quality` of kSmoothEdges draws anti-aliased edges, each edge
// pixel taking the colour by the share of it the shape covers; any other
// value draws aliased edges, a pixel being in or out.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

inline constexpr int32_t kSmoothEdges = 4;

// Sets the rectangle from (left, top) to (right, bottom), both corners
// included, clipped to the picture, to the colour. An empty or wholly
// outside rectangle changes nothing and succeeds.
BOOL IS3FillSolidRect(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                      int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour);

// Lays the colour over the same rectangle at `opacity` (0..1, larger values
// count as 1): each byte becomes trunc(old * (1 - opacity) + colour * opacity).
// `reserved` is accepted (0).
BOOL IS3FillTransparentRectOnImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                   uint32_t stride, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                   uint32_t colour, double opacity, int32_t reserved);

// The ellipse centred on pixel (centreX, centreY) with radii radiusX and
// radiusY, filled or as a ring of `penWidth` pixels (at least 1) inside its
// edge, laid over the picture at `opacity` (0..1, larger values count as 1)
// as above. Aliased, it takes the pixels (x, y) with
// ((x - cx) / rx)^2 + ((y - cy) / ry)^2 <= 1 (a radius of 0 gives a line
// through the centre); smooth, it covers the area of the ellipse around
// the centre pixel's middle with radii rx + 1/2 and ry + 1/2, the same
// pixels at full coverage and its edge in between. `reserved1` and
// `reserved2` are accepted (0).
BOOL IS3DrawEllipseOnImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                           uint32_t stride, uint32_t colour, int32_t centreX, int32_t centreY, int32_t radiusX,
                           int32_t radiusY, int32_t filled, int32_t penWidth, double opacity, int32_t reserved1,
                           int32_t reserved2, int32_t quality);

namespace detail {

struct PixelColour;

// The ellipse of IS3DrawEllipseOnImage with the colour already in pixel
// order; both ellipse calls of the library draw through it.
BOOL draw_ellipse(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                  const PixelColour& colour, int32_t centreX, int32_t centreY, int32_t radiusX, int32_t radiusY,
                  int32_t filled, int32_t penWidth, double opacity, int32_t quality);

// The rectangle of IS3FillTransparentRectOnImage with the colour in pixel order.
BOOL lay_rect(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
              int32_t left, int32_t top, int32_t right, int32_t bottom, const PixelColour& colour, double opacity);

}  // namespace detail

}  // namespace imglib
