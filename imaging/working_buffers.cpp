#include "imaging/working_buffers.h"

#include <cstring>

#include "engine/pixels.h"
#include "engine/trace.h"

namespace imaging {

using engine::EngineState;

namespace {

uint64_t image_bytes(const EngineState& s, uint64_t bytesPerPixel) {
    return engine::sat_mul(engine::image_pixel_count(s), bytesPerPixel);
}

bool current_layer_covers_image(EngineState& s) {
    return s.currentSlot != nullptr && engine::image_pixels(s, *s.currentSlot) != nullptr;
}

// The current layer as RGBA32 into an image-sized buffer; transparent black
// when there is nothing to read, so the buffer never holds stale memory.
void read_current_rgba32(EngineState& s, engine::OwnedBuffer<uint8_t>& buffer) {
    s.working.src32Layer = s.currentLayer;
    if (current_layer_covers_image(s) &&
        pixels::get_rgba32_layer(s, buffer.data(), s.imageWidth * 4, s.currentLayer) == s.imageHeight)
        return;
    buffer.fill_bytes(0);
    s.working.src32Layer = -1;
}

}  // namespace

void alloc_src_buffer32(EngineState& s) {
    s.working.iplSrc32.allocate_or_throw(image_bytes(s, 4));
    read_current_rgba32(s, s.working.iplSrc32);
}

void alloc_dst_buffer32(EngineState& s) { s.working.iplDst32.allocate_or_throw(image_bytes(s, 4)); }

void alloc_src_buffer24(EngineState& s) {
    engine::OwnedBuffer<uint8_t>& buffer = s.working.iplSrc24;
    buffer.allocate_or_throw(image_bytes(s, 3));
    if (current_layer_covers_image(s))
        pixels::get_rgb24(s, buffer.data(), s.imageWidth * 3);
    else
        buffer.fill_bytes(0);
}

void alloc_dst_buffer24(EngineState& s) { s.working.iplDst24.allocate_or_throw(image_bytes(s, 3)); }

void free_src_buffer32(EngineState& s) { s.working.iplSrc32.release(); }
void free_dst_buffer32(EngineState& s) { s.working.iplDst32.release(); }
void free_src_buffer24(EngineState& s) { s.working.iplSrc24.release(); }
void free_dst_buffer24(EngineState& s) { s.working.iplDst24.release(); }

void set_src_buffer32(EngineState& s, const uint8_t* picture) {
    engine::OwnedBuffer<uint8_t>& buffer = s.working.iplSrc32;
    const uint64_t bytes = image_bytes(s, 4);
    if (picture == nullptr) return trace::skipped("PTE_IPLSetSrcBuffer32", "no picture (null)");
    if (!buffer || buffer.size_bytes() < bytes)
        return trace::skipped("PTE_IPLSetSrcBuffer32",
                              "no RGBA32 source buffer of the image's size (PTE_IPLAllocSrcBuffer32)");
    std::memcpy(buffer.data(), picture, size_t(bytes));
    s.working.src32Layer = -1;
}

uint8_t* update_src_buffer32(EngineState& s) {
    engine::OwnedBuffer<uint8_t>& buffer = s.working.iplSrc32;
    if (!buffer) {
        trace::skipped("PTE_IPLUpdateSrcBuffer32", "no RGBA32 source buffer (PTE_IPLAllocSrcBuffer32 makes it)");
        return nullptr;
    }
    // A buffer from before a size change is not refilled: it would be overrun.
    if (buffer.size_bytes() >= image_bytes(s, 4))
        read_current_rgba32(s, buffer);
    else
        trace::skipped("PTE_IPLUpdateSrcBuffer32", "the source buffer is from a smaller image: allocate it again");
    return buffer.data();
}

Rgba32Pair rgba32_pair(EngineState& s) {
    const uint64_t bytes = image_bytes(s, 4);
    auto& w = s.working;
    if (!w.iplSrc32 || !w.iplDst32 || w.iplSrc32.size_bytes() < bytes || w.iplDst32.size_bytes() < bytes) return {};
    return {w.iplSrc32.data(), w.iplDst32.data(), s.imageWidth, s.imageHeight, bytes};
}

void load_into_current_layer(EngineState& s, const uint8_t* picture) {
    if (current_layer_covers_image(s)) pixels::load_rgba32(s, picture, s.imageWidth * 4, true);
}

}  // namespace imaging
