// Pixel layouts, the 8 <-> 16-bit rules, coverage, and every transfer
// between host buffers and layers.
//
// 8 to 16 bits multiplies by 256 (255 becomes 65280); 16 to 8 keeps the
// high byte. Host buffers carry their stride in bytes; layers are addressed
// with their own row length (16-bit values per row).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/engine_state.h"

namespace pixels {

inline constexpr uint16_t to16(uint8_t v) { return uint16_t(v << 8); }
inline constexpr uint8_t to8(uint16_t v) { return uint8_t(v >> 8); }

// An RGBA64 pixel as the colour pickers report it: -1 where the high byte of
// its alpha is 0 (transparent), else the high bytes as 0x00RRGGBB.
inline constexpr int32_t packed_color(const uint16_t* p) {
    if (to8(p[3]) == 0) return -1;
    return int32_t(to8(p[0])) << 16 | int32_t(to8(p[1])) << 8 | int32_t(to8(p[2]));
}

// Coverage of an image pixel for masked loads, 0..65535: the texture (a byte
// below 128 gives (t * 131070) >> 8) and, with maskActive, the mask value
// m < 65535 as (cov * m) >> 16. Looked up by image position; positions
// outside the image are fully covered.
class Coverage {
public:
    explicit Coverage(const engine::EngineState& s);
    bool any() const { return texture_ != nullptr || mask_ != nullptr; }
    bool has_mask() const { return mask_ != nullptr; }
    uint32_t at(int32_t x, int32_t y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return 65535;
        return at_index(size_t(y) * size_t(width_) + size_t(x));
    }
    uint32_t at_index(size_t i) const {
        uint32_t cov = 65535;
        if (texture_ != nullptr && texture_[i] < 128) cov = (uint32_t(texture_[i]) * 131070u) >> 8;
        if (mask_ != nullptr && mask_[i] < 65535) cov = (cov * mask_[i]) >> 16;
        return cov;
    }

private:
    const uint8_t* texture_ = nullptr;
    const uint16_t* mask_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// The mask values when the mask covers the image, else null.
const uint16_t* image_mask(const engine::EngineState& s);
uint16_t* image_mask(engine::EngineState& s);

// ---- Loads into layers ----

// How a masked load treats partly covered pixels; the earlier forms keep
// their own, narrower rules.
enum class LoadRule { Current, Early, Early2 };

void load_rgba32_layer(engine::EngineState& s, const uint8_t* src, int32_t stride, int32_t index, int32_t x,
                       int32_t y, int32_t width, int32_t height, bool useMask, LoadRule rule = LoadRule::Current);
void load_rgba32(engine::EngineState& s, const uint8_t* src, int32_t stride, bool useMask);
// Inflates a zlib stream of the layer's own size and loads it without the
// mask; a stream that does not inflate to the whole picture changes nothing.
void load_rgba32_layer_compressed(engine::EngineState& s, const uint8_t* data, int32_t length, int32_t index);
// Blue-green-red rows into the current layer, opaque.
void load_bgr24(engine::EngineState& s, const uint8_t* src, int32_t stride, int32_t width, int32_t height);
void load_rgb24(engine::EngineState& s, const uint8_t* src, int32_t stride, bool useMask);
void load_rgb24_to_alpha(engine::EngineState& s, const uint8_t* src, int32_t stride, bool useMask);
void set_rgba64_layer(engine::EngineState& s, const uint16_t* src, int32_t stride, int32_t index);
void set_layer_data(engine::EngineState& s, const void* src, int32_t index);
void copy_layer_data(engine::EngineState& s, int32_t from, int32_t to);

// ---- Reads from layers ----

void get_rgba64_layer_rect(const engine::EngineState& s, uint16_t* dst, int32_t stride, int32_t index, int32_t x,
                           int32_t y, int32_t width, int32_t height);
void get_layer_data(const engine::EngineState& s, void* dst, int32_t index);
// Result: imageHeight, or 0 when the layer has no pixels.
int32_t get_rgba32_layer(const engine::EngineState& s, uint8_t* dst, int32_t stride, int32_t index);
void get_rgb24(const engine::EngineState& s, uint8_t* dst, int32_t stride);
void get_rgb24_from_alpha(const engine::EngineState& s, uint8_t* dst, int32_t stride);
// Deflates the layer as RGBA32 into dst; returns the stream's length, 0 on failure.
int32_t get_rgba32_layer_compressed(const engine::EngineState& s, uint8_t* dst, int32_t capacity, int32_t index,
                                    int32_t last);

// ---- Conversions between host buffers ----

// The rectangle at (x, y) of a source of `rowPixels` pixels a row, packed out.
void rgba64_rect_to_rgba32(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height,
                           int32_t rowPixels, uint8_t* dst);
void rgba64_rect_to_rgb24(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height,
                          int32_t rowPixels, uint8_t* dst);
// width x height pixels from each buffer's first pixel, with strides in bytes.
void rgba64_to_rgba32(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t width,
                      int32_t height);
void rgba64_to_rgb24(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t width,
                     int32_t height);
// The reverse of rgba64_to_rgba32: every byte times 256.
void rgba32_to_rgba64(uint16_t* dst, int32_t dstStride, const uint8_t* src, int32_t srcStride, int32_t width,
                      int32_t height);

// ---- Run-length lines ----

int32_t get_layer_line_rle(const engine::EngineState& s, uint8_t* dst, int32_t index, int32_t row);
void put_layer_line_rle(engine::EngineState& s, const uint8_t* src, int32_t index, int32_t row);
int32_t get_mask_line_rle(const engine::EngineState& s, uint8_t* dst, int32_t row);
void put_mask_line_rle(engine::EngineState& s, const uint8_t* src, int32_t row);

// ---- Fills ----

void clear(engine::EngineState& s, int32_t r, int32_t g, int32_t b, int32_t a);
void clear_masked(engine::EngineState& s, int32_t r, int32_t g, int32_t b, int32_t a);
void clear_masked_alpha(engine::EngineState& s, int32_t r, int32_t g, int32_t b, int32_t a);
void clear_rgba64(uint16_t* buffer, int32_t stride, int32_t width, int32_t height, uint16_t r, uint16_t g,
                  uint16_t b, uint16_t a);
void clear_rgba32(uint8_t* buffer, int32_t stride, int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b,
                  uint8_t a);

// ---- Mask, texture and premultiplication helpers ----

// alpha = trunc(coverage / 65535 * alpha) for the pixels of a packed buffer
// lying at (x, y) in the image; pixels outside the image are left alone.
void adjust_rgba32_by_mask_and_texture(const engine::EngineState& s, uint8_t* buffer, int32_t x, int32_t y,
                                       int32_t width, int32_t height);
void premultiply_rgba32(uint8_t* buffer, int32_t width, int32_t height);
// Un-premultiplies pixels with 0 < alpha < 255, or with any alpha above 0
// when `opaque_too` is set.
void unpremultiply_rgba32(uint8_t* buffer, int32_t width, int32_t height, bool opaque_too);
void premultiply_rgba64(uint16_t* buffer, int32_t width, int32_t height);
void unpremultiply_rgba64(uint16_t* buffer, int32_t width, int32_t height);

}  // namespace pixels
