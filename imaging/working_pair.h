// The RGBA32 pair of working buffers that filters read and write.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace imaging {

struct Rgba32Pair {
    uint8_t* src = nullptr;  // iplSrc32
    uint8_t* dst = nullptr;  // iplDst32
    int32_t width = 0;
    int32_t height = 0;
    uint64_t bytes = 0;  // width * height * 4

    explicit operator bool() const { return src != nullptr && dst != nullptr; }
};

// iplSrc32 and iplDst32 when both exist and hold the image at its current
// size; otherwise both pointers are null. Buffers do not follow size
// changes, and ones left from a smaller image would be overrun.
Rgba32Pair rgba32_pair(engine::EngineState& s);

}  // namespace imaging

namespace imaging {

// Loads a picture of the image's size (RGBA32, rows of W * 4 bytes) into
// the current layer through the mask and texture. A current layer that
// does not cover the image is left alone, so the picture is never read past
// its end.
void load_into_current_layer(engine::EngineState& s, const uint8_t* picture);

}  // namespace imaging
