// How the renderer shows the mask.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace mask {

// Two display colours (bytes, stored * 256) and the display style.
void set_display_options(engine::EngineState& s, int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2,
                         int32_t b2, int32_t style);

}  // namespace mask
