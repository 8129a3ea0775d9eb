// Device-independent bitmaps in memory: the packed form in which pictures
// cross the clipboard, come from scanners and leave screen captures.
//
// A packed bitmap is an info header (with its colour masks and palette)
// followed by the pixel rows, bottom row first unless the header's height
// is negative. The bitmaps this library writes are uncompressed: 32 bits a
// pixel with red, green, blue and alpha masks for pictures with alpha, 24
// bits for screens.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

// Bytes of the bitmap IS3RGBAToDIB writes for a width x height picture
// (header and rows); 0 when no bitmap can be that large.
uint64_t IS3DIBSizeOfRGBA(uint32_t width, uint32_t height);

// Writes a packed RGBA32 picture as a 32-bit bitmap with an alpha mask into
// `dib`, which holds `capacity` bytes. 0 when it does not fit or the
// picture is empty.
BOOL IS3RGBAToDIB(const uint8_t* rgba, uint32_t width, uint32_t height, uint8_t* dib, uint64_t capacity);

// The width and height of a packed bitmap of `size` bytes; 0 when its
// header cannot be read or announces a picture the library does not hold.
uint32_t IS3DIBWidth(const uint8_t* dib, uint64_t size);
uint32_t IS3DIBHeight(const uint8_t* dib, uint64_t size);

// Converts a packed bitmap into a packed RGBA32 picture of IS3DIBWidth x
// IS3DIBHeight, top row first. Pixels of a bitmap without an alpha channel
// take `alpha`. 0 (picture untouched) for a bitmap that does not decode
// completely.
BOOL IS3DIBToRGBA(const uint8_t* dib, uint64_t size, uint8_t* rgba, uint8_t alpha);

// A packed bitmap as a BMP file (the 14-byte file header in front), in a
// GlobalAlloc block of *fileSize bytes; null when the bitmap cannot be read
// or the memory cannot be had.
uint8_t* IS3DIBToBMPFile(const uint8_t* dib, uint64_t size, uint64_t* fileSize);

// A bitmap as the display hands it out: 32-bit pixels blue, green, red and
// one unused byte, top row first, rows `stride` bytes apart.
struct DeviceBitmap {
    uint32_t width = 0;
    uint32_t height = 0;
    uint64_t stride = 0;
    const uint8_t* bits = nullptr;
};
using HBITMAP = const DeviceBitmap*;

// A packed 24-bit bitmap of a display bitmap, in a
// GlobalAlloc block of *size bytes; null for an empty bitmap or without
// memory. `palette` is reserved (0).
uint8_t* IS3HBITMAPToDIB(HBITMAP bitmap, uint32_t palette, uint64_t* size);

}  // namespace imglib
