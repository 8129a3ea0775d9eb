// Colour sampling: 16-bit channels of the current layer and the mask, and
// packed colours from the pictures a brush picks colour from.
#include "brush/sampling.h"
#include "exports/guard.h"

using engine::state;

extern "C" {

PTE_API int32_t PTE_CALL PTE_GetRed64(int32_t x, int32_t y) { return brush::channel64(state(), x, y, 0); }
PTE_API int32_t PTE_CALL PTE_GetGreen64(int32_t x, int32_t y) { return brush::channel64(state(), x, y, 1); }
PTE_API int32_t PTE_CALL PTE_GetBlue64(int32_t x, int32_t y) { return brush::channel64(state(), x, y, 2); }
PTE_API int32_t PTE_CALL PTE_GetAlpha64(int32_t x, int32_t y) { return brush::channel64(state(), x, y, 3); }
PTE_API int32_t PTE_CALL PTE_GetMask64(int32_t x, int32_t y) { return brush::mask64(state(), x, y); }

PTE_API int32_t PTE_CALL PTE_GetColorAt(int32_t x, int32_t y, const uint16_t* pixels) {
    return brush::color_at(state(), x, y, pixels);
}

PTE_API int32_t PTE_CALL PTE_GetColorAtSurface(int32_t x, int32_t y) {
    return brush::color_at(state(), x, y, brush::current_layer_pixels(state()));
}

PTE_API int32_t PTE_CALL PTE_GetColorAtLayer(int32_t x, int32_t y, int32_t index) {
    return brush::color_at(state(), x, y, brush::layer_pixels(state(), index));
}

PTE_API int32_t PTE_CALL PTE_GetColorAtUnderLayer(int32_t x, int32_t y) {
    return brush::color_at(state(), x, y, brush::history_pixels(state()));
}

PTE_API int32_t PTE_CALL PTE_GetColorAtHistory(int32_t x, int32_t y) {
    return brush::color_at_history(state(), x, y);
}

PTE_API int32_t PTE_CALL PTE_GetColorAtTrace(int32_t x, int32_t y) {
    return brush::color_at(state(), x, y, brush::tracing_pixels(state()));
}

}  // extern "C"
