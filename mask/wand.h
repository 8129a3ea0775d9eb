// The magic wand: marks the selection mask where the current layer matches
// the clicked pixel by colour, luminance, hue or alpha, connected to it or
// anywhere. Marked pixels take the level's mask value; the rest of the mask
// keeps its values, so a new selection starts from a cleared mask and an
// added one does not.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace mask {

// Modes, by exact name: "Non-connected", "Connected", "Color Range",
// "Luminance Range", "Hue Range", "Alpha Connected" (above the background
// layer only), "Alpha Non-connected"; any other name does nothing, as does a
// click outside the image. The tolerance runs from 0 to 50000, the
// percentage gives the level (0 selects, 100 protects). Modes that match
// the clicked colour do nothing on a transparent pixel, which has none.
void magic_wand(engine::EngineState& s, int32_t x, int32_t y, int32_t tolerance, int32_t percent, const char* mode);

}  // namespace mask
