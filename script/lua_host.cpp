#include "script/lua_host.h"

#include <cstdio>
#include <cstring>
#include <lua.hpp>
#include <string>

#include "engine/trace.h"
#include "imaging/working_buffers.h"
#include "platform/notices.h"
#include "script/lua_bindings.h"
#include "script/lua_sandbox.h"
#include "script/lua_watch.h"
#include "script/paint_script.h"

namespace script {

namespace {

struct Setup {
    lua::RunContext* context;
    const FilterRunArgs* args;
    bool trusted;
};

constexpr const char* kBlendConstants[] = {
    "MERGE_NORMAL",     "MERGE_MULTIPLY",   "MERGE_SCREEN",  "MERGE_DARKEN",    "MERGE_LIGHTEN",
    "MERGE_DIFFERENCE", "MERGE_NEGATION",   "MERGE_EXCLUSIO", "MERGE_OVERLAY",  "MERGE_HARD_LIGHT",
    "MERGE_SOFT_LIGHT", "MERGE_DODGE",      "MERGE_BURN",    "MERGE_REFLECT",   "MERGE_GLOW",
    "MERGE_ADD",        "MERGE_SUBTRACT",   "MERGE_TEXTURIZE", "MERGE_TEXTURIZE2", "MERGE_TEXTURIZE3"};

void set_number(lua_State* L, const char* name, double v) {
    lua_pushnumber(L, v);
    lua_setglobal(L, name);
}

void set_numbered(lua_State* L, const char* stem, int n, double v) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%d", stem, n);
    set_number(L, name, v);
}

// Opens the standard libraries, registers the bindings and sets the
// globals; run under lua_cpcall so that running out of memory here is an
// error returned, not a panic.
int setup_state(lua_State* L) noexcept {
    const Setup& setup = *static_cast<const Setup*>(lua_touserdata(L, 1));
    const lua::RunContext& c = *setup.context;
    const FilterRunArgs& args = *setup.args;
    lua::open_libraries(L, setup.trusted);
    lua::register_bindings(L, setup.context);
    lua::watch_run(L, setup.context);
    set_number(L, "width", c.width);
    set_number(L, "height", c.height);
    set_number(L, "bound_x0", 0);
    set_number(L, "bound_y0", 0);
    set_number(L, "bound_x1", double(c.width) - 1);
    set_number(L, "bound_y1", double(c.height) - 1);
    for (int i = 0; i < 6; ++i) set_numbered(L, "sliderVal", i + 1, args.sliders[size_t(i)] * 0.001);
    for (int i = 0; i < 6; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "flagVal%d", i + 1);
        lua_pushboolean(L, (args.flags[size_t(i)] & 0xFF) != 0);
        lua_setglobal(L, name);
    }
    for (int i = 0; i < 2; ++i) set_numbered(L, "styleVal", i + 1, double(args.styles[size_t(i)]) + 1);
    for (int mode = 0; mode < int(std::size(kBlendConstants)); ++mode) set_number(L, kBlendConstants[mode], mode);
    return 0;
}

// The error object on top of the stack as text, read without converting
// it (a conversion could fail outside protected mode).
std::string error_text(lua_State* L) {
    if (lua_type(L, -1) == LUA_TSTRING) {
        size_t length = 0;
        const char* t = lua_tolstring(L, -1, &length);
        return std::string(t, length);
    }
    if (lua_type(L, -1) == LUA_TNUMBER) {
        char number[64];
        std::snprintf(number, sizeof number, LUA_NUMBER_FMT, lua_tonumber(L, -1));
        return number;
    }
    return "(error object is not a string)";
}

void report(engine::EngineState& s, const std::string& text) {
    platform::show_message(kScriptErrorCaption, text);
    const std::string kept = std::string(kScriptErrorCaption) + ": " + text;
    engine::set_last_error(s, kept.c_str());
}

// The script file to run, and whether it got as far as running.
struct Chunk {
    const char* path;
    bool loaded = false;
};

// Loads the script and calls it; run under lua_cpcall, so an error while
// loading or running, out of memory included, is returned, not a panic.
int load_and_call(lua_State* L) noexcept {
    Chunk& chunk = *static_cast<Chunk*>(lua_touserdata(L, 1));
    lua_settop(L, 0);
    if (lua::load_chunk_file(L, chunk.path) != 0) return lua_error(L);
    chunk.loaded = true;
    lua_call(L, 0, 1);
    return 0;
}

// Sets the state up for the run, then loads and runs the script; false
// with the error text when it fails to load or fails while running.
bool run_script(lua_State* L, const char* path, Setup& setup, std::string& error) {
    if (lua_cpcall(L, setup_state, &setup) != 0) {
        error = error_text(L);
        return false;
    }
    Chunk chunk{path};
    if (lua_cpcall(L, load_and_call, &chunk) == 0) return true;
    error = setup.context->cancelled ? "cancelled" : error_text(L);
    if (!chunk.loaded && error.size() > kLoadErrorCapacity) error.resize(kLoadErrorCapacity);
    return false;
}

// Closes the run's paint script (without its trailer) and then its state,
// on every path.
struct RunEnd {
    engine::EngineState& s;
    lua_State* L;
    RunEnd(engine::EngineState& state, lua_State* lua) : s(state), L(lua) {}
    RunEnd(const RunEnd&) = delete;
    RunEnd& operator=(const RunEnd&) = delete;
    ~RunEnd() {
        paint_abandon(s);
        lua_close(L);
        // Finalisers run by the close may have opened a file again.
        paint_abandon(s);
    }
};

}  // namespace

void lua_filter_run(engine::EngineState& s, const char* path, const FilterRunArgs& args) {
    const imaging::Rgba32Pair pair = imaging::rgba32_pair(s);
    if (!pair) return trace::no_working_buffers("PTE_LuaFilterRun");
    if (engine::current_image_pixels(s) == nullptr)
        trace::no_current_layer("PTE_LuaFilterRun", s);
    else if (s.working.src32Layer >= 0 && s.working.src32Layer != s.currentLayer)
        trace::skipped("PTE_LuaFilterRun",
                       "the source buffer holds layer %d but the current layer is %d: the script reads layer %d's "
                       "pixels (PTE_IPLUpdateSrcBuffer32 refreshes the source)",
                       s.working.src32Layer, s.currentLayer, s.working.src32Layer);
    std::memcpy(pair.dst, pair.src, pair.bytes);
    s.script.readDestination = 0;

    // The bindings reach the context until the state is closed, finalisers
    // included: it is made first, so it is destroyed after the close.
    lua::RunContext context{&s, pair.src, pair.dst, pair.width, pair.height};
    Setup setup{&context, &args, lua::trusted_by_environment()};
    s.script.escape.forget();
    lua_State* L = luaL_newstate();
    if (L == nullptr) {
        report(s, "not enough memory");
        return;
    }
    const RunEnd end(s, L);
    std::string error;
    if (run_script(L, path == nullptr ? "" : path, setup, error))
        imaging::load_into_current_layer(s, pair.dst);
    else
        report(s, error);
    if (s.script.readDestination == 1) std::memcpy(pair.src, pair.dst, pair.bytes);
}

}  // namespace script
