// The brush texture: the grey level of a layer, one byte per image pixel.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace brush {

// Builds (or overwrites) the texture from an image-sized layer: per pixel
// ((red + green + blue) / 3) >> 8, held to 4..250. Nothing happens for a
// slot without image-sized pixels or when the buffer cannot be had.
void create_texture(engine::EngineState& s, int32_t layer);
void delete_texture(engine::EngineState& s);

}  // namespace brush
