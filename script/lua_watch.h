// A run's watch: scripts that never end must not hang the host. Every few
// thousand instructions the watch looks at the Escape key; a press the
// script does not take itself with "is_escape" within
// EscapeKey::kAnswerTime stops the run with the error "cancelled", which
// no pcall or xpcall in the script can keep from ending it. Code the
// interpreter runs with hooks off (finalisers) is out of its reach: the
// safe libraries give scripts no way to install any.
#pragma once

#include "script/lua_bindings.h"

struct lua_State;

namespace script::lua {

// Sets the watch on a state made for the run; `context` outlives the state.
void watch_run(lua_State* L, RunContext* context);

}  // namespace script::lua
