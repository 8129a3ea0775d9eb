// Internal to the imaging library: quarter turns of a picture.
#pragma once

#include <cstdint>

namespace imglib::detail {

// Turns a width x height picture of bytesPerPixel (1, 2, 3, 4, 6 or 8)
// bytes a pixel into a height x width one: clockwise when `right`, else
// counter-clockwise. The pictures must not overlap.
void turn_quarter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                  uint32_t dstStride, uint32_t bytesPerPixel, bool right);

// Turns 4-byte pixels with SSE2 when the build has it (results identical to
// the plain loop); false turns that path off, for comparing the two.
void set_quarter_turn_fast_path(bool enabled);

}  // namespace imglib::detail
