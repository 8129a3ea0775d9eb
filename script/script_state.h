// What a Lua filter run keeps in the engine: the read-destination flag, the
// paint-script file being recorded and the Escape key as scripts see it.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/keys.h"
#include "script/escape_key.h"

namespace script {

struct ScriptState {
    // 0: the read bindings read the source picture; 1: the destination.
    uint8_t readDestination = 0;
    // The paint-script file while one is being recorded, else null. Every
    // filter run closes it before it returns.
    std::FILE* paintScript = nullptr;
    // Read by "is_escape" and by every run's watch.
    EscapeKey escape{platform::escape_key_down};
};

}  // namespace script
