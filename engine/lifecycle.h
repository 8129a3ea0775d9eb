// Creating, re-sizing and deleting the one image with all its buffers.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace lifecycle {

// Each throws std::bad_alloc when a buffer cannot be had; what was allocated
// or freed up to then stays so.
void create_image(engine::EngineState& s, void* hostWindow, int32_t width, int32_t height, int32_t tipSize,
                  int32_t createParam);
void new_size(engine::EngineState& s, void* hostWindow, int32_t width, int32_t height, int32_t tipSize,
              int32_t createParam);
void delete_image(engine::EngineState& s);

// Image sides outside 0..10000 become 100.
int32_t bound_side(int32_t side);

// Kilobytes of the undo back buffer and mask back buffer: W * H * 10 / 1024.
int32_t back_buffers_kb(int32_t width, int32_t height);

}  // namespace lifecycle
