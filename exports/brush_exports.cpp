// Brush texture.
#include "brush/texture.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_CreateTexture(int32_t index) {
    guarded("CreateTexture Excpt", [&] { brush::create_texture(state(), index); });
}

PTE_API void PTE_CALL PTE_DeleteTexture(void) { brush::delete_texture(state()); }

}  // extern "C"
