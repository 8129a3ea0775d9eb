#include "platform/screen_pixels.h"

#include <bit>

namespace platform {

namespace {

// One channel's place in a pixel and how to widen it to 8 bits.
struct Field {
    uint32_t shift = 0;
    uint32_t max = 0;
    uint8_t of(uint32_t pixel) const {
        const uint32_t v = (pixel >> shift) & max;
        return max == 255 ? uint8_t(v) : uint8_t((uint64_t(v) * 255 + max / 2) / max);
    }
};

// A mask of one run of set bits, as a field; false for an empty mask or
// one with holes.
bool field_of(uint32_t mask, Field& f) {
    if (mask == 0) return false;
    f.shift = uint32_t(std::countr_zero(mask));
    const uint32_t run = mask >> f.shift;
    if ((run & (run + 1)) != 0) return false;
    f.max = run;
    return true;
}

uint32_t pixel_at(const uint8_t* p, uint32_t bytes, bool msbFirst) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < bytes; ++i) {
        const uint32_t b = p[msbFirst ? i : bytes - 1 - i];
        v = v << 8 | b;
    }
    return v;
}

}  // namespace

bool raster_to_bgrx(const uint8_t* raster, uint32_t width, uint32_t height, uint64_t stride,
                    const RasterFormat& format, uint8_t* out, uint64_t outStride) {
    const uint32_t bits = format.bitsPerPixel;
    if (raster == nullptr || out == nullptr || (bits != 16 && bits != 24 && bits != 32)) return false;
    Field red, green, blue;
    if (!field_of(format.redMask, red) || !field_of(format.greenMask, green) || !field_of(format.blueMask, blue))
        return false;
    const uint32_t bytes = bits / 8;
    if (stride < uint64_t(width) * bytes || outStride < uint64_t(width) * 4) return false;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = raster + y * stride;
        uint8_t* to = out + y * outStride;
        for (uint32_t x = 0; x < width; ++x, in += bytes, to += 4) {
            const uint32_t pixel = pixel_at(in, bytes, format.msbFirst);
            to[0] = blue.of(pixel);
            to[1] = green.of(pixel);
            to[2] = red.of(pixel);
            to[3] = 0;
        }
    }
    return true;
}

}  // namespace platform
