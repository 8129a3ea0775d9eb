// Paint layer and blend buffer.
#include "brush/blend_buffer.h"
#include "brush/paint_layer.h"
#include "brush/sampling.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_CreatePaintLayer(int32_t opacityPercent, const char* modeName) {
    guarded("CreatePaintLayer Excpt", [&] { brush::create_paint_layer(state(), opacityPercent, modeName); });
}

PTE_API void PTE_CALL PTE_ClearPaintLayer(void) { brush::clear_paint_layer(state()); }

PTE_API void PTE_CALL PTE_ClearPaintLayer_old(void) { brush::clear_paint_layer_old(state()); }

PTE_API void PTE_CALL PTE_DoCopyBlendBuffer(int32_t x, int32_t y, const uint16_t* source, int32_t mix,
                                            int32_t hold) {
    brush::copy_blend_buffer(state(), x, y, source, mix, (hold & 0xFF) != 0);
}

PTE_API void PTE_CALL PTE_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t mix, int32_t hold) {
    brush::copy_blend_buffer(state(), x, y, brush::current_layer_pixels(state()), mix, (hold & 0xFF) != 0);
}

PTE_API void PTE_CALL PTE_CopyBlendBufferLayer(int32_t index, int32_t x, int32_t y, int32_t mix) {
    brush::copy_blend_buffer(state(), x, y, brush::layer_pixels(state(), index), mix, false);
}

PTE_API void PTE_CALL PTE_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t mix) {
    brush::copy_blend_buffer(state(), x, y, brush::history_pixels(state()), mix, false);
}

PTE_API void PTE_CALL PTE_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t mix) {
    brush::copy_blend_buffer(state(), x, y, brush::history_pixels(state()), mix, false);
}

PTE_API void PTE_CALL PTE_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t mix) {
    brush::copy_blend_buffer(state(), x, y, brush::tracing_pixels(state()), mix, false);
}

PTE_API void PTE_CALL PTE_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t mix) {
    brush::copy_blend_buffer_mask(state(), x, y, mix);
}

PTE_API void PTE_CALL PTE_ClearBlendBuffer(void) { brush::clear_blend_buffer(state()); }

PTE_API void PTE_CALL PTE_FilterBlendBuffer(int32_t kind, int32_t level) {
    brush::filter_blend_buffer(state(), kind, level);
}

}  // extern "C"
