// What the renderer shows: the mask overlay, tracing, and whether the mask is in force.
#include "exports/guard.h"
#include "mask/mask_display.h"

using engine::state;

extern "C" {

PTE_API void PTE_CALL PTE_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2,
                                         int32_t style) {
    mask::set_display_options(state(), r1, g1, b1, r2, g2, b2, style);
}

PTE_API void PTE_CALL PTE_DisplayMask(uint8_t shown) { state().maskShown = shown; }

PTE_API void PTE_CALL PTE_EnableMask(uint8_t active) { state().maskActive = active; }

PTE_API void PTE_CALL PTE_SetTracingMode(uint8_t on) { state().tracingMode = on; }

}  // extern "C"
