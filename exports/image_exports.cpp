// Image lifecycle, view, last error and memory helpers.
#include <cstdlib>
#include <cstring>

#include "engine/lifecycle.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_CreateImage(void* hostWindow, int32_t width, int32_t height, int32_t tipSize,
                                      int32_t createParam) {
    guarded("CreateImage Excpt",
            [&] { lifecycle::create_image(state(), hostWindow, width, height, tipSize, createParam); });
}

PTE_API void PTE_CALL PTE_NewSize(void* hostWindow, int32_t width, int32_t height, int32_t tipSize,
                                  int32_t createParam) {
    guarded("NewSize Excpt", [&] { lifecycle::new_size(state(), hostWindow, width, height, tipSize, createParam); });
}

PTE_API void PTE_CALL PTE_DeleteImage(void) {
    guarded("DeleteImage Excpt", [] { lifecycle::delete_image(state()); });
}

PTE_API void PTE_CALL PTE_SetScale(int32_t numerator, int32_t denominator) {
    state().scaleNumerator = numerator;
    state().scaleDenominator = denominator;
}

PTE_API void PTE_CALL PTE_SetOffset(int32_t x, int32_t y) {
    state().viewOffsetX = x;
    state().viewOffsetY = y;
}

PTE_API void PTE_CALL PTE_SetViewSize(int32_t width, int32_t height) {
    state().viewWidth = width;
    state().viewHeight = height;
}

PTE_API void PTE_CALL PTE_SetLastError(const char* text) { engine::set_last_error(state(), text); }

PTE_API const char* PTE_CALL PTE_GetLastError(void) { return state().lastError; }

PTE_API void* PTE_CALL PTE_Alloc(int32_t size) {
    if (size < 0) return nullptr;
    return std::malloc(size == 0 ? 1 : size_t(size));
}

PTE_API void PTE_CALL PTE_Free(void* block) { std::free(block); }

PTE_API void PTE_CALL PTE_Memcpy(void* destination, const void* source, int32_t length) {
    if (destination == nullptr || source == nullptr || length <= 0) return;
    std::memcpy(destination, source, size_t(length));
}

PTE_API void* PTE_CALL BankAdrs(void* pointer) { return pointer; }

}  // extern "C"
