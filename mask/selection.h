// The selection mask: building it from the current layer, caller images,
// colours, ranges, hue and flood maps, and turning it back into layer
// pixels, alpha or a grey image.
//
// The mask is G16 over the whole image (row length imageWidth): 65535 is
// fully selected, 0 fully protected. Caller images are image-sized and
// packed (RGBA32 rows of W * 4 bytes, RGB24 of W * 3, flood maps of W,
// where 1 means inside) and trusted; a null pointer, a missing mask or a
// current layer that does not cover the image makes an operation do
// nothing. Operations that mark write one value where their condition
// holds and leave every other mask value as it was.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace mask {

// ---- Value rules ----

// Grey to mask, dark selected and light protected: 65535 up to 255,
// 65280 - g from 256 to 65280, 0 above.
uint16_t grey_to_mask(int64_t grey);

// The value marking operations write for an 8-bit level: ((255 - level)
// mod 256) * 256, so level 0 writes 65280 and level 255 writes 0.
uint16_t level_value(int32_t level);

// Tolerances in percent: trunc(percent * 2.56) for a channel,
// trunc(percent * 1.8) degrees for a hue.
int32_t channel_tolerance(int32_t percent);
int32_t hue_tolerance(int32_t percent);

// |value - reference| <= tolerance, in 64 bits so host values cannot overflow.
inline bool within_tolerance(int64_t value, int64_t reference, int64_t tolerance) {
    return (value >= reference ? value - reference : reference - value) <= tolerance;
}

// ---- Whole-mask operations ----

void invert(engine::EngineState& s);
// Every value M(floor((red + green + blue) / 3)) of 16-bit components.
void fill_from_grey(engine::EngineState& s, int32_t red, int32_t green, int32_t blue);
// 255 - (m >> 8) into all three bytes: selected is black, protected white.
void save_rgb24(const engine::EngineState& s, uint8_t* dst, int32_t stride_bytes);
// Grey k = floor(sum / 3) of each pixel: 65535 for black, else (255 - k) * 256;
// over width x height clipped to the image.
void load_rgb24(engine::EngineState& s, const uint8_t* src, int32_t stride_bytes, int32_t width, int32_t height);

// ---- Between the mask and the current layer ----

// Colour min(65535 - m, 65280), opaque.
void image_from_mask(engine::EngineState& s);
void alpha_from_mask(engine::EngineState& s);
void from_alpha(engine::EngineState& s);
// M of the mean of the layer's three colour channels.
void from_layer(engine::EngineState& s);

// ---- Marking from caller images ----

void mark_differences_rgba32(engine::EngineState& s, const uint8_t* a, const uint8_t* b, uint16_t value);
void mark_colour_rgba32(engine::EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                        int32_t level);
void mark_colour_rgb24(engine::EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                       int32_t level);
void mark_flood_map(engine::EngineState& s, const uint8_t* map, int32_t level);
void mark_colour_range_rgba32(engine::EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                              int32_t tolerance, int32_t level);
void mark_alpha_range_rgba32(engine::EngineState& s, const uint8_t* image, int32_t alpha, int32_t tolerance,
                             int32_t level);
void mark_luminance_range_rgba32(engine::EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                                 int32_t tolerance, int32_t level);
// Hues within the tolerance of the reference colour's, across 0/360 too;
// greys have hue -1, so they match a red reference once T >= 1.
void mark_hue_range_rgba32(engine::EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                           int32_t tolerance, int32_t level);

// ---- The mask applied to alpha ----

// Alpha byte a becomes ((m >> 8) * a) >> 8 over an image-sized RGBA32 image.
void apply_to_alpha_rgba32(const engine::EngineState& s, uint8_t* image);
// The same over a packed picture of width x height lying at the image's
// top-left corner: only the pixels over the image change. With
// `keepSelected`, fully selected pixels keep their alpha (the formula takes
// 1/256 of it: an opaque pixel would become 254).
void apply_to_alpha_rgba32(const engine::EngineState& s, uint8_t* image, int32_t width, int32_t height,
                           bool keepSelected);
// The same on the RGBA32 working source, when it exists at the image's
// size and the mask is in force.
void apply_to_working_alpha(engine::EngineState& s);

}  // namespace mask
