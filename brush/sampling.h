// Colour sampling: single 16-bit channels of the current layer and the
// mask, and packed 8-bit colours from the pictures a brush can pick colour
// from (the current layer, any layer, the undo back buffer, the tracing
// layer).
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace brush {

// The pictures colour is picked from, each image-sized RGBA64, or null
// when it is missing or left at another size.
const uint16_t* current_layer_pixels(const engine::EngineState& s);
const uint16_t* layer_pixels(const engine::EngineState& s, int32_t index);
const uint16_t* history_pixels(const engine::EngineState& s);
const uint16_t* tracing_pixels(const engine::EngineState& s);

// Channel 0..3 of the current layer's pixel; 0 outside the image or
// without a current layer (no clamping).
int32_t channel64(const engine::EngineState& s, int32_t x, int32_t y, int channel);
// 65535 - the mask value: 0 is paintable. 0 outside the image or while the
// mask is not in force.
int32_t mask64(const engine::EngineState& s, int32_t x, int32_t y);

// The pixel nearest (x, y) inside the image as 0x00RRGGBB of high bytes,
// -1 where its alpha is below 256, 0 without pixels.
int32_t color_at(const engine::EngineState& s, int32_t x, int32_t y, const uint16_t* pixels);

// color_at on the undo back buffer while the next step to undo holds a
// block, else 0.
int32_t color_at_history(const engine::EngineState& s, int32_t x, int32_t y);

}  // namespace brush
