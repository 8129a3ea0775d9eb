// Working buffers that image processing reads and writes.
#pragma once

#include <cstdint>

#include "engine/buffer.h"

namespace imaging {

// Image-sized at the moment of allocation; they do not follow size changes.
struct WorkingBuffers {
    engine::OwnedBuffer<uint8_t> iplSrc32;  // RGBA32
    engine::OwnedBuffer<uint8_t> iplDst32;  // RGBA32
    engine::OwnedBuffer<uint8_t> iplSrc24;  // RGB24
    engine::OwnedBuffer<uint8_t> iplDst24;  // RGB24
    // The layer iplSrc32 was last read from, or -1 (transparent, or the
    // host's picture): only for telling a host that it holds another layer.
    int32_t src32Layer = -1;

    void release_all() {
        iplSrc32.release();
        iplDst32.release();
        iplSrc24.release();
        iplDst24.release();
    }
};

}  // namespace imaging
