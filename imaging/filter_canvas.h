// Pixel access shared by the built-in filters.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "engine/engine_state.h"
#include "imaging/working_buffers.h"
#include "script/colour_space.h"

namespace imaging::filters {

using colour_space::trunc_int;

// A pixel's luminance as the filters take it: (red + green + blue) / 3, integer.
inline int32_t lum(const uint8_t* p) { return (int32_t(p[0]) + p[1] + p[2]) / 3; }

inline uint8_t clamp_byte(int64_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Reads come from iplSrc32, or from iplDst32 while the block's inPlace is
// set; writes go to iplDst32. Reads outside the image give 0; writes there
// are dropped and every written channel is held to 0..255.
class Canvas {
public:
    Canvas(const engine::EngineState& s, const Rgba32Pair& p) : Canvas(p, s.filters.inPlace != 0) {}
    // Reads from iplDst32 when readDestination, else from iplSrc32.
    Canvas(const Rgba32Pair& p, bool readDestination)
        : read_(readDestination ? p.dst : p.src), dst_(p.dst), w_(p.width), h_(p.height) {}

    int32_t width() const { return w_; }
    // Whether reads come from the picture written (in place).
    bool reads_destination() const { return read_ == dst_; }
    int32_t height() const { return h_; }
    bool inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

    // The pixel read at (x, y), which must lie inside.
    const uint8_t* at(int32_t x, int32_t y) const { return read_ + offset(x, y); }

    // The luminance at (x, y); 0 outside.
    int32_t lum(int32_t x, int32_t y) const { return inside(x, y) ? filters::lum(at(x, y)) : 0; }
    // The 3 x 3 block's luminances summed and divided by 9, integer.
    int32_t mean_lum3x3(int32_t x, int32_t y) const {
        int32_t sum = 0;
        for (int32_t dy = -1; dy <= 1; ++dy)
            for (int32_t dx = -1; dx <= 1; ++dx) sum += lum(x + dx, y + dy);
        return sum / 9;
    }

    void put(int32_t x, int32_t y, int c, int64_t v) {
        if (inside(x, y)) dst_[offset(x, y) + size_t(c)] = clamp_byte(v);
    }
    void put_rgb(int32_t x, int32_t y, int64_t r, int64_t g, int64_t b) {
        put(x, y, 0, r);
        put(x, y, 1, g);
        put(x, y, 2, b);
    }

private:
    size_t offset(int32_t x, int32_t y) const { return (size_t(y) * size_t(w_) + size_t(x)) * 4; }

    const uint8_t* read_;
    uint8_t* dst_;
    int32_t w_, h_;
};

// The filters, each over the whole image with the block in s.filters.
void value_blur(engine::EngineState& s, const Rgba32Pair& p);
void anti_alias(engine::EngineState& s, const Rgba32Pair& p);
void adaptive_blur(engine::EngineState& s, const Rgba32Pair& p);
void detail_blur(engine::EngineState& s, const Rgba32Pair& p);

}  // namespace imaging::filters
