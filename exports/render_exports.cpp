// The compositing renderer.
#include "engine/render.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_Render(uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t width,
                                 int32_t height) {
    guarded("Render Excpt", [&] { compositor::render_rect(state(), buffer, stride, x, y, width, height); });
}

}  // extern "C"
