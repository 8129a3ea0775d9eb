#include "script/lua_watch.h"

#include <lua.hpp>

namespace script::lua {

namespace {

// Often enough to answer within a few milliseconds, seldom enough that the
// clock read costs nothing measurable.
constexpr int kInstructionsBetweenLooks = 10000;

// Its address keys the run's context in the registry.
const char kContextKey = 0;

RunContext* run_context(lua_State* L) {
    lua_pushlightuserdata(L, const_cast<char*>(&kContextKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    auto* context = static_cast<RunContext*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return context;
}

void look(lua_State* L, lua_Debug*) {
    RunContext* c = run_context(L);
    if (c == nullptr) return;
    if (!c->cancelled) {
        EscapeKey& key = c->s->script.escape;
        const EscapeKey::Clock::time_point now = EscapeKey::Clock::now();
        key.look(now);
        if (!key.unanswered(now)) return;
        key.take();
        c->cancelled = true;
    }
    // From here every instruction raises again, so a script that catches
    // the error only moves it to its next instruction.
    lua_sethook(L, look, LUA_MASKCOUNT, 1);
    lua_pushliteral(L, "cancelled");
    lua_error(L);
}

// Lua calls an error handler before it unwinds; for the watch's own error
// that is still inside the watch, where hooks are off and a handler that
// never returned could not be stopped. So the script's handler (the
// upvalue) is left out for it.
int handle_unless_cancelled(lua_State* L) noexcept {
    const RunContext* c = run_context(L);
    if (c != nullptr && c->cancelled) return 1;
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    return 1;
}

// xpcall(f, handler), with the handler behind handle_unless_cancelled.
int watched_xpcall(lua_State* L) noexcept {
    luaL_checkany(L, 2);
    lua_settop(L, 2);
    lua_pushcclosure(L, handle_unless_cancelled, 1);
    lua_insert(L, 1);
    const int status = lua_pcall(L, 0, LUA_MULTRET, 1);
    lua_pushboolean(L, status == 0);
    lua_replace(L, 1);
    return lua_gettop(L);
}

}  // namespace

void watch_run(lua_State* L, RunContext* context) {
    lua_pushlightuserdata(L, const_cast<char*>(&kContextKey));
    lua_pushlightuserdata(L, context);
    lua_rawset(L, LUA_REGISTRYINDEX);
    lua_pushcfunction(L, watched_xpcall);
    lua_setglobal(L, "xpcall");
    lua_sethook(L, look, LUA_MASKCOUNT, kInstructionsBetweenLooks);
}

}  // namespace script::lua
