// The paint layer: a whole-image layer that collects one stroke and is
// merged into its layer at the stroke's end.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace brush {

// Allocates the paint layer on first use (cleared, changed area empty) and
// sets its opacity and mode; an existing paint layer keeps its pixels.
void create_paint_layer(engine::EngineState& s, int32_t opacityPercent, const char* modeName);

// Transparent black everywhere, changed area empty: (W, H, 0, 0).
void clear_paint_layer(engine::EngineState& s);

// The earlier clear: opaque white everywhere but the changed area, which
// becomes transparent black; then the changed area is emptied.
void clear_paint_layer_old(engine::EngineState& s);

// Grows the paint layer's changed area by a rectangle, right and bottom one
// past the last column and row.
void grow_changed_area(engine::LayerSlot& paint, int32_t left, int32_t top, int32_t right, int32_t bottom);

// The paint layer's pixels when it covers the image, else null.
uint16_t* paint_pixels(engine::EngineState& s);

}  // namespace brush
