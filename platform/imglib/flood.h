// Our imaging library's colour regions: flood fills, colour replacement and
// colour-match maps, on pictures of 1, 3 or 4 bytes a pixel (packed top-down
// rows with a stride in bytes).
//
// Colour words give the pixel's bytes lowest first (red + green * 256 +
// blue * 65536 + alpha * 2^24 for RGBA32). A tolerance runs from 0 (the
// exact colour) to 195075 (any colour): each compared channel may differ by
// up to tolerance / 765 (integer division; 255 at the top). A negative
// tolerance matches nothing, and the call fails. Regions grow to the four
// neighbours of a pixel, as paint programs fill, or to all eight.
//
// `mode` decides what a fill or replacement writes: kWriteAll writes every
// byte of the new colour; any other value writes the colour channels (the
// first three, or the only one) and keeps alpha.
//
// Every call returns nonzero on success and 0, with its output untouched,
// when it cannot do the work (a point outside the picture, a bad tolerance,
// no memory).
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

inline constexpr int32_t kWriteAll = 2;
inline constexpr int32_t kFullTolerance = 195075;

// Fills the region around (x, y) whose pixels match that pixel in every
// channel, alpha included, with the colour. `fourConnected` nonzero: the
// region grows to four neighbours, else to eight.
BOOL IS3FloodFillImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                       int32_t x, int32_t y, uint32_t colour, int32_t fourConnected, int32_t tolerance,
                       int32_t mode);

// Replaces every pixel whose colour channels match `colour` by `newColour`,
// wherever it lies.
BOOL IS3ColorReplaceImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                          uint32_t colour, uint32_t newColour, int32_t tolerance, int32_t mode);

// Writes 1 into the map (one byte a pixel, `mapStride` bytes a row) for the
// region around (x, y) whose pixels match that pixel in the channels
// `channels` selects (channel c when byte c of it is nonzero), and 0 for
// every other pixel. `fourConnected` as for the fill; `reserved` is
// accepted (0).
BOOL IS3GetColorMatchMaskFromImage(const uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                   uint32_t stride, uint8_t* map, uint32_t mapStride, int32_t x, int32_t y,
                                   uint32_t channels, int32_t fourConnected, int32_t tolerance, int32_t reserved);

}  // namespace imglib
