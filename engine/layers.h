// The layer table: creating, selecting, configuring and re-ordering layers,
// and the small alpha operations on layers and host RGBA32 buffers.
//
// Indices outside 0..63 name no slot: every operation treats them as an
// empty slot and touches nothing.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace layers {

// The slot at index, or null for an index outside the table.
engine::LayerSlot* slot_at(engine::EngineState& s, int32_t index);

// True when created (or re-used at the same size); false for a bad index or
// size, or when the memory cannot be had even after the history gave some back.
bool create_layer(engine::EngineState& s, int32_t index, int32_t width, int32_t height);
void delete_layer(engine::EngineState& s, int32_t index);
void set_layer(engine::EngineState& s, int32_t index);
void set_layer_options(engine::EngineState& s, int32_t index, uint8_t visible, uint8_t keepAlpha,
                       int32_t opacityPercent, const char* modeName);
void swap_layers(engine::EngineState& s, int32_t a, int32_t b);
int32_t layer_count(const engine::EngineState& s);

// percent * 2.56, truncated toward zero, held to the 0..256 opacity range.
uint16_t opacity_from_percent(int32_t percent);

// The highest index in 1..63 whose slot has pixels, or 1.
int32_t find_top_layer(const engine::EngineState& s);

// The layer just above `index` when it is a visible "Layer Mask" with pixels
// and index lies below topLayer; else null.
const engine::LayerSlot* mask_layer_of(const engine::EngineState& s, int32_t index);

void invert_alpha(engine::EngineState& s, int32_t index);
void set_layer_alpha(engine::EngineState& s, int32_t index, uint16_t value);
void normalize_layer_alpha(engine::EngineState& s, int32_t index);
void set_color_alpha(engine::EngineState& s, int32_t red, int32_t green, int32_t blue);
void blur_paint_layer_alpha(engine::EngineState& s);

// Host RGBA32 buffers, packed.
void invert_alpha_rgba32(uint8_t* buffer, int32_t width, int32_t height);
void set_color_alpha_rgba32(uint8_t* buffer, int32_t width, int32_t height, int32_t red, int32_t green,
                            int32_t blue);
void clear_alpha_of_color_rgba32(uint8_t* buffer, int32_t width, int32_t height, int32_t red, int32_t green,
                                 int32_t blue);

}  // namespace layers
