// The functions a filter script calls, registered as Lua globals.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

struct lua_State;

namespace script::lua {

// What every binding reaches through its first upvalue.
struct RunContext {
    engine::EngineState* s = nullptr;
    uint8_t* src = nullptr;  // iplSrc32
    uint8_t* dst = nullptr;  // iplDst32
    int32_t width = 0;
    int32_t height = 0;
    bool cancelled = false;  // the run's watch saw an Escape press nobody took
};

// Registers the bound functions as globals. Runs inside a protected call.
void register_bindings(lua_State* L, RunContext* context);

}  // namespace script::lua
