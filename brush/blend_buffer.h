// The blend buffer: a tip-sized RGBA64 square of colour picked up from the
// canvas around the brush, which blending dabs paint instead of the brush
// colour and, with remix, feed back into.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace brush {

// The blend buffer when it covers the tip capacity, else null.
uint16_t* blend_buffer(engine::EngineState& s);

// Picks up colour around (x, y) from an image-sized RGBA64 picture into the
// buffer's top-left S x S square (S = the tip edge), mixed with the brush
// colour by mix (0..256, the brush colour's share). A window that crosses
// the image edge refills the whole square first: with hold, the old colour
// turned opaque; else the brush colour. The mask in force lowers the
// picked-up alpha. Nothing happens while blendStrength is 0 or without a
// picture.
void copy_blend_buffer(engine::EngineState& s, int32_t x, int32_t y, const uint16_t* source, int32_t mix,
                       bool hold);

// The mask-maker form: one 16-bit value per tip position, the mask around
// (x, y) mixed with the brush colour's mask value.
void copy_blend_buffer_mask(engine::EngineState& s, int32_t x, int32_t y, int32_t mix);

void clear_blend_buffer(engine::EngineState& s);

// Colour filters over the used square, alpha untouched: 289 grey, 290
// invert, 291 zero below level %, 292 raise above level % to 65280.
void filter_blend_buffer(engine::EngineState& s, int32_t kind, int32_t level);

// The mask value a brush colour paints: dark paints 65535, white 0.
uint32_t mask_value_of(const uint16_t (&colour)[4]);

}  // namespace brush
