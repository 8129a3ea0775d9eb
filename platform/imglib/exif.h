// Internal to the file module: what the readers take from a photo's EXIF
// block (the APP1 segment of a JPEG file that starts "Exif\0\0").
#pragma once

#include <cstdint>

#include "platform/imglib/byte_reader.h"

namespace imglib::detail {

struct ExifFacts {
    uint32_t orientation = 1;  // 1..8 as TIFF numbers them (orientation.h); 1 when absent or out of range
    double xResolution = 0, yResolution = 0;  // 0 when absent
    uint32_t resolutionUnit = 0;              // 2 inch, 3 centimetre, 0 when absent or another
};

// Reads the facts of an EXIF segment's payload; false when it is not one.
bool read_exif(Bytes segment, ExifFacts& facts);

}  // namespace imglib::detail
