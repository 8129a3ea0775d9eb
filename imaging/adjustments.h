// Adjustments of their own: photo pop on the current layer, hue,
// saturation and lightness (or value) shifts of a caller's RGBA32 buffer,
// and the blur of a caller's RGB24 buffer.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace imaging {

// Photo pop: the layer sharpened (24-bit, amount 5, colour only) and
// loaded; when flag is 1 "Hyper Contrast" at 0.001, loaded; "Hyper
// Contrast" at amount / 1000, loaded; then a fresh copy's saturation
// scaled by the saturation curve of `saturation` (0..100, 50 keeps it) and
// loaded. Returns 1 when that last step loaded, 0 when its call failed or
// the RGBA32 working buffers are missing (then nothing changes).
int32_t photo_pop(engine::EngineState& s, int32_t amount, double saturation, uint8_t flag);

// Per pixel of a packed RGBA32 buffer (alpha untouched): hue + hue degrees
// (wrapped once into 0..360), saturation + saturation / 100 and lightness
// (or value) + lightness / 100, each held to 0..1; greys keep hue and
// saturation 0. A pixel whose three values come out unchanged keeps its
// bytes. Nothing for a null buffer or a side below 1.
void hsl_adjust_rgba32(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation,
                       int32_t lightness);
void hsv_adjust_rgba32(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t value);

// The box blur of a packed RGB24 buffer (size / 5 with integer division,
// weight * 0.01, every channel) through a scratch copy, copied back on
// success. Nothing for a null buffer or a side below 1; memory that cannot
// be had throws std::bad_alloc.
void blur_more_rgb24(uint8_t* buffer, int32_t width, int32_t height, int32_t size, int32_t weight);

}  // namespace imaging
