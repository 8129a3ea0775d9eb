// The working buffers: image-sized 8-bit copies of the current layer that
// effects and drawing operations hand to the imaging library.
//
// Each is sized from the image at the moment it is allocated; allocating
// always discards the previous buffer of its kind. Allocation that cannot be
// met throws std::bad_alloc and leaves that buffer null.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace imaging {

// iplSrc32: the current layer as RGBA32 (transparent black when there is
// no current layer covering the image).
void alloc_src_buffer32(engine::EngineState& s);
// iplDst32: RGBA32, contents unset.
void alloc_dst_buffer32(engine::EngineState& s);
// iplSrc24: the current layer's colour as RGB24 (black when there is none).
void alloc_src_buffer24(engine::EngineState& s);
// iplDst24: RGB24, contents unset.
void alloc_dst_buffer24(engine::EngineState& s);

void free_src_buffer32(engine::EngineState& s);
void free_dst_buffer32(engine::EngineState& s);
void free_src_buffer24(engine::EngineState& s);
void free_dst_buffer24(engine::EngineState& s);

// Copies an image-sized RGBA32 picture into iplSrc32; nothing when either
// is missing or the buffer is smaller than the image.
void set_src_buffer32(engine::EngineState& s, const uint8_t* picture);

// Reads the current layer into iplSrc32 again; the buffer, or null when
// there is none.
uint8_t* update_src_buffer32(engine::EngineState& s);

// Releases a working buffer when the operation that allocated it ends,
// whichever way it ends.
class ReleaseOnExit {
public:
    explicit ReleaseOnExit(engine::OwnedBuffer<uint8_t>& buffer) : buffer_(buffer) {}
    ReleaseOnExit(const ReleaseOnExit&) = delete;
    ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;
    ~ReleaseOnExit() { buffer_.release(); }

private:
    engine::OwnedBuffer<uint8_t>& buffer_;
};

// The RGBA32 pair that filters read and write.
struct Rgba32Pair {
    uint8_t* src = nullptr;  // iplSrc32
    uint8_t* dst = nullptr;  // iplDst32
    int32_t width = 0;
    int32_t height = 0;
    uint64_t bytes = 0;  // width * height * 4

    explicit operator bool() const { return src != nullptr && dst != nullptr; }
};

// iplSrc32 and iplDst32 when both exist and hold the image at its current
// size; otherwise both pointers are null, so that buffers left from a
// smaller image are never overrun.
Rgba32Pair rgba32_pair(engine::EngineState& s);

// Loads a picture of the image's size (RGBA32, rows of W * 4 bytes) into
// the current layer through the mask and texture. A current layer that
// does not cover the image is left alone, so the picture is never read past
// its end.
void load_into_current_layer(engine::EngineState& s, const uint8_t* picture);

}  // namespace imaging
