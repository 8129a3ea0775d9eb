// The effect catalogue: 159 named effects applied to the current layer
// through the working buffers, one row each, dispatched by exact name in
// the table's order.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/engine_state.h"
#include "imaging/effect_args.h"
#include "imaging/effect_rows.h"

namespace imaging {

// How a row reaches its work (each route is described in effect_routes.h).
enum class EffectRoute : uint8_t {
    InPlace,      // the call on a copy of the layer, loaded
    Filtered,     // premultiplied copy into the destination, alpha divided out, loaded
    Plain,        // the source as it stands into the destination, loaded
    Rgb24,        // the layer's colour through the 24-bit buffers, loaded as colour
    Transform,    // a geometric transform from source to destination
    Warp,         // a quadrilateral warp from source to destination
    Script,       // a numbered effect script on a copy of the layer
    ScriptTwice,  // a geometric script run on alpha and on colour
    Builtin,      // one of the engine's own filters
    Recipe,       // several steps in a fixed order
    Generator,    // a pattern-drawing script over a copy of the layer
    ScriptFile,   // a script file's picture, tiled
    Lua,          // a Lua filter script
};

struct EffectRow {
    std::string_view name;
    EffectRoute route;
    // Null while the route's machinery is not in this build: the name is
    // matched and nothing changes.
    effects::Run run;
};

inline constexpr size_t kEffectCount = 159;

// The rows in dispatch order.
const EffectRow* effect_rows();

// The route's short name ("in place", "filtered", "24-bit", ...).
std::string_view route_name(EffectRoute route);

// Applies the effect named args.name to the current layer. Nothing
// happens, and 0 is returned, when iplSrc32 or iplDst32 is missing (or
// not of the image's size). Otherwise the first row whose name equals it
// runs; the 24-bit working buffers are freed afterwards, also when no name
// matches; 1 is returned for a catalogue name, 0 for any other (null
// included). Memory that cannot be had throws std::bad_alloc; steps
// already loaded stay.
int32_t process_effect(engine::EngineState& s, const EffectArgs& args);

}  // namespace imaging
