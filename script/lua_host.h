// Lua filter scripts: one run of a script over the current layer, in a
// fresh Lua 5.1 state with the standard libraries, the engine's bindings
// and the run's values as globals.
#pragma once

#include <array>
#include <cstdint>

#include "engine/engine_state.h"

namespace script {

// The values a run hands to its script.
struct FilterRunArgs {
    std::array<int32_t, 6> sliders = {};  // sliderVal1..6 = value * 0.001
    std::array<int32_t, 2> styles = {};   // styleVal1, 2 = value + 1
    std::array<int32_t, 6> flags = {};    // flagVal1..6 = low byte nonzero
};

inline constexpr const char* kScriptErrorCaption = "Lua Script Error";
// Load errors are cut to this many characters.
inline constexpr size_t kLoadErrorCapacity = 2047;

// Runs the script file at `path` (null is the empty path). Nothing happens
// without the RGBA32 working buffers. The destination starts as a copy of
// the source; when the script ends without error the destination is loaded
// into the current layer through the mask. A script that cannot be loaded
// or fails is reported under "Lua Script Error" on standard error, and its
// text is kept as the last error; the layer then keeps only what "flush"
// and "merge" already did.
void lua_filter_run(engine::EngineState& s, const char* path, const FilterRunArgs& args);

}  // namespace script
