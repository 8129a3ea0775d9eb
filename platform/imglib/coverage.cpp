#include "platform/imglib/coverage.h"

#include <algorithm>
#include <cmath>

namespace imglib::detail {

namespace {

inline uint8_t mix(uint8_t old, uint8_t colour, double w) {
    const double v = old * (1.0 - w) + colour * w;
    return uint8_t(std::clamp(std::trunc(v), 0.0, 255.0));
}

inline void lay_pixel(uint8_t* p, uint32_t bytesPerPixel, const PixelColour& colour, double w) {
    if (w >= 1.0) {
        for (uint32_t c = 0; c < bytesPerPixel; ++c) p[c] = colour.bytes[c];
    } else {
        for (uint32_t c = 0; c < bytesPerPixel; ++c) p[c] = mix(p[c], colour.bytes[c], w);
    }
}

}  // namespace

PixelColour colour_in_pixel_order(uint32_t word) {
    return {{uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)}};
}

PixelColour colour_from_argb(uint32_t word, uint32_t bytesPerPixel) {
    if (bytesPerPixel == 1) return {{uint8_t(word), 0, 0, 0}};
    return {{uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word), uint8_t(word >> 24)}};
}

void lay_coverage(uint8_t* image, uint32_t bytesPerPixel, uint32_t stride, const render2d::CoverageTile& tile,
                  const PixelColour& colour, double opacity) {
    // One weight per coverage byte, worked out once.
    double weight[256];
    for (int k = 0; k < 255; ++k) weight[k] = opacity * k / 255.0;
    weight[255] = opacity;  // full coverage lays exactly as an uncovered span would
    for (int32_t y = 0; y < tile.height; ++y) {
        const uint8_t* cover = tile.bytes + int64_t(y) * tile.stride;
        uint8_t* p = image + (tile.top + y) * int64_t(stride) + tile.left * int64_t(bytesPerPixel);
        for (int32_t x = 0; x < tile.width; ++x, p += bytesPerPixel)
            if (cover[x] != 0) lay_pixel(p, bytesPerPixel, colour, weight[cover[x]]);
    }
}

void lay_span(uint8_t* row, int64_t x0, int64_t x1, uint32_t bytesPerPixel, const PixelColour& colour,
              double opacity) {
    for (int64_t x = x0; x <= x1; ++x) lay_pixel(row + x * bytesPerPixel, bytesPerPixel, colour, opacity);
}

}  // namespace imglib::detail
