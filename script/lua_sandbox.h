// What a filter script may reach of the machine. Scripts are shared and
// downloaded like pictures, so by default a run opens the standard
// libraries without the parts that run programs, change or remove files,
// end the process, load native code or byte code, or reach into the
// interpreter's internals: io.open reads only, and chunks of byte code are
// refused wherever text chunks are loaded. A host that runs only scripts it
// trusts sets PAINTCORE_LUA_TRUSTED=1 in the environment for the full
// libraries.
#pragma once

struct lua_State;

namespace script::lua {

// PAINTCORE_LUA_TRUSTED is set to 1.
bool trusted_by_environment();

// Opens the standard libraries, whole when `trusted`, else the safe set.
// Runs inside a protected call.
void open_libraries(lua_State* L, bool trusted);

// Loads a script file as a function on top of the stack and returns 0, or
// returns an error status with the message on top. A first line starting
// with '#' is skipped (its line end kept, so line numbers stay right);
// byte code is refused: the interpreter does not check it, and a damaged
// chunk can crash it. Raises no Lua error.
int load_chunk_file(lua_State* L, const char* path);

}  // namespace script::lua
