// Screen rasters as the display server hands them out, turned into the
// display bitmap layout of captures (imglib::DeviceBitmap: blue, green,
// red, one unused byte a pixel).
#pragma once

#include <cstdint>

namespace platform {

// A packed true-colour raster: 16, 24 or 32 bits a pixel, each pixel a
// number stored least significant byte first (or most significant first
// when `msbFirst`), its channels where the masks say.
struct RasterFormat {
    uint32_t bitsPerPixel = 0;
    bool msbFirst = false;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
};

// Converts width x height pixels of a raster with rows `stride` bytes apart
// into `out` (rows `outStride` bytes apart); channels narrower than 8 bits
// are scaled to the full 0..255. False, out untouched, for a format it does
// not know (another pixel size, a missing or scattered mask).
bool raster_to_bgrx(const uint8_t* raster, uint32_t width, uint32_t height, uint64_t stride,
                    const RasterFormat& format, uint8_t* out, uint64_t outStride);

}  // namespace platform
