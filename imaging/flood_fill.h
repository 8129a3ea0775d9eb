// The paint bucket: fills and erases by colour or by alpha, over the region
// connected to the clicked pixel or wherever the colour occurs, made in
// iplSrc32 and loaded into the current layer through the mask.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace imaging {

// Runs the fill mode named exactly by `mode` from (x, y) with the colour
// (each component's low byte) and a tolerance of 0 to 50000; a click outside
// the image, an unknown mode or a null one changes nothing. Modes:
// "Paint Non-connected", "Erase Non-connected", "Paint Connected",
// "Erase Connected", "Paint Alpha Connected", "Paint Alpha Non-Connected".
// The erase modes paint instead on the background layer (slot 1); "Paint
// Alpha Connected" works only above it. A mode that matches the clicked
// colour does nothing on a transparent pixel, which has no colour to match.
void flood_fill(engine::EngineState& s, int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y,
                int32_t tolerance, const char* mode);

}  // namespace imaging
