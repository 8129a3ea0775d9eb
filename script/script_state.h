// What a Lua filter run keeps in the engine: the read-destination flag and
// the paint-script file being recorded.
#pragma once

#include <cstdint>
#include <cstdio>

namespace script {

struct ScriptState {
    // 0: the read bindings read the source picture; 1: the destination.
    uint8_t readDestination = 0;
    // The paint-script file while one is being recorded, else null. Every
    // filter run closes it before it returns.
    std::FILE* paintScript = nullptr;
};

}  // namespace script
