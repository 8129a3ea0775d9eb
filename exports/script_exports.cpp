// Lua filter scripts.
#include "exports/guard.h"
#include "script/lua_host.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_LuaFilterRun(const char* path, int32_t slider1, int32_t slider2, int32_t slider3,
                                       int32_t slider4, int32_t slider5, int32_t slider6, int32_t style1,
                                       int32_t style2, int32_t flag1, int32_t flag2, int32_t flag3, int32_t flag4,
                                       int32_t flag5, int32_t flag6) {
    guarded("LuaFilterRun Excpt", [&] {
        const script::FilterRunArgs args{{slider1, slider2, slider3, slider4, slider5, slider6},
                                         {style1, style2},
                                         {flag1, flag2, flag3, flag4, flag5, flag6}};
        script::lua_filter_run(state(), path, args);
    });
}

}  // extern "C"
