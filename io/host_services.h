// Facts about the machine and small file and display services for the host.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace host {

// A byte count in megabytes: (high word << 12) | (low word >> 20), kept to 32 bits.
uint32_t megabytes(uint64_t bytes);

// 1 once after a display change was noted, which is then cleared; else 0.
int32_t take_display_changed(engine::EngineState& s);

// The system folder, in engine-owned storage valid until the next call.
const char* dir_info(engine::EngineState& s);

}  // namespace host
