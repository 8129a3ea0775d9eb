// Selections of a shape: an ellipse or a rectangle drawn into a grey
// picture of the mask and read back, so the shape takes the grey level of
// its percentage and the rest of the mask keeps its high bytes.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace mask {

// The 8-bit level of a percentage, trunc(percent * 2.559) (0 % gives 0, 50 %
// 127, 100 % 255), as an exact fraction, reduced mod 256 as the mask's level
// rule reduces it.
int32_t level_from_percent(int32_t percent);

// The ellipse in the box between two corners (either order): radii half the
// box's sides, truncated and at least 2, centred that far in from the box's
// top-left corner. Inside it the mask becomes 65535 for level 0, else
// (255 - level) * 256. Aliased edges.
void select_ellipse(engine::EngineState& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent);

// The same for the rectangle between two corners, both included, of any size.
void select_rectangle(engine::EngineState& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent);

}  // namespace mask
