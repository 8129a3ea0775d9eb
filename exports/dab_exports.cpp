// Dabs: one stamp of the brush into the paint layer, the current layer or the mask.
#include "brush/dab.h"
#include "exports/guard.h"

using engine::state;

extern "C" {

PTE_API void PTE_CALL PTE_DrawDabGrit(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue) {
    brush::draw_dab(state(), x, y, red, green, blue);
}

PTE_API void PTE_CALL PTE_DrawDabGritMask(int32_t x, int32_t y) { brush::draw_dab_mask(state(), x, y); }

}  // extern "C"
