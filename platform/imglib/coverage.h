// Internal to the imaging library: colour laid over a picture by coverage,
// the one way every drawn shape and text reaches the pixels.
#pragma once

#include <cstdint>

#include "platform/imglib/render2d.h"

namespace imglib::detail {

// A colour as the bytes of a pixel, in pixel order.
struct PixelColour {
    uint8_t bytes[4] = {};
};

// The colour word's bytes, lowest first, as the pixel's bytes in order.
PixelColour colour_in_pixel_order(uint32_t word);
// A word 0xAARRGGBB: red, green, blue, alpha as the pixel's bytes in order
// (a one-byte picture takes the lowest byte).
PixelColour colour_from_argb(uint32_t word, uint32_t bytesPerPixel);

// Lays the colour over the pixels the tile covers, in a picture of 1 to 4
// bytes a pixel the tile lies inside: each byte becomes
// trunc(old * (1 - w) + colour * w) with w = opacity * coverage / 255.
void lay_coverage(uint8_t* image, uint32_t bytesPerPixel, uint32_t stride, const render2d::CoverageTile& tile,
                  const PixelColour& colour, double opacity);

// The same for the pixels x0..x1 (both included) of one row, fully covered.
void lay_span(uint8_t* row, int64_t x0, int64_t x1, uint32_t bytesPerPixel, const PixelColour& colour,
              double opacity);

}  // namespace imglib::detail
