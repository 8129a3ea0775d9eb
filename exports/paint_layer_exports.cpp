// Paint layer.
#include "brush/paint_layer.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_CreatePaintLayer(int32_t opacityPercent, const char* modeName) {
    guarded("CreatePaintLayer Excpt", [&] { brush::create_paint_layer(state(), opacityPercent, modeName); });
}

PTE_API void PTE_CALL PTE_ClearPaintLayer(void) { brush::clear_paint_layer(state()); }

PTE_API void PTE_CALL PTE_ClearPaintLayer_old(void) { brush::clear_paint_layer_old(state()); }

}  // extern "C"
