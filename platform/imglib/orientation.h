// Internal to the file module: pictures stored turned or mirrored, as TIFF
// and EXIF orientation codes describe them, put upright.
#pragma once

#include <cstdint>

namespace imglib::detail {

// Orientation codes: where the stored first row and first column appear.
// 1 top, left (as stored); 2 top, right (mirrored); 3 bottom, right (half
// turn); 4 bottom, left (upside down); 5 left, top (transposed); 6 right,
// top (a quarter turn clockwise to stand); 7 right, bottom (transverse);
// 8 left, bottom (a quarter turn counter-clockwise to stand).
inline bool swaps_sides(uint32_t orientation) { return orientation >= 5 && orientation <= 8; }

// Puts an RGBA32 GlobalAlloc picture of packed rows upright. Codes 2 to 4
// work in place; 5 to 8 give a new block of height x width (the old one is
// freed, and width and height swap). Any other code leaves the picture as
// it is. Null (the old block freed) when memory runs out.
uint8_t* orient_upright(uint8_t* rgba, uint32_t& width, uint32_t& height, uint32_t orientation);

}  // namespace imglib::detail
