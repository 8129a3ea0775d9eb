// Dab rendering: one stamp of the brush tip into the paint layer, the
// current layer or the mask.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace brush {

// Stamps the tip centred at (x, y) with the colour (16-bit values, kept to
// their high bytes) into the paint layer when there is one, else into the
// current layer; in mask-maker mode into the mask instead. The window is
// clipped to the image, so a centre anywhere is accepted; it still grows
// the undo dirty rectangle (and the paint layer's changed area) and clears
// the one-dab flags. Without a current layer, or before an image exists,
// the dab does nothing.
void draw_dab(engine::EngineState& s, int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue);

// Stamps the tip into the mask with the value of brushColor (dark paints
// 65535, white 0). Clears only blendOffOnce: mask-maker and erase mode stay.
void draw_dab_mask(engine::EngineState& s, int32_t x, int32_t y);

}  // namespace brush
