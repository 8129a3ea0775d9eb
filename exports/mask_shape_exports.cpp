// Selections from shapes and the magic wand.
#include "exports/guard.h"
#include "mask/shapes.h"
#include "mask/wand.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_IPLMaskEllipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent) {
    guarded("IPLMaskEllipse Excpt", [&] { mask::select_ellipse(state(), x0, y0, x1, y1, percent); });
}

PTE_API void PTE_CALL PTE_IPLMaskRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent) {
    guarded("IPLMaskRectangle Excpt", [&] { mask::select_rectangle(state(), x0, y0, x1, y1, percent); });
}

PTE_API void PTE_CALL PTE_IPLMaskWand(int32_t x, int32_t y, int32_t tolerance, int32_t percent, const char* mode) {
    guarded("IPLMaskWand Excpt", [&] { mask::magic_wand(state(), x, y, tolerance, percent, mode); });
}

}  // extern "C"
