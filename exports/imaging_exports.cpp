// Imaging set-up, working buffers and whole-image geometry.
#include "exports/guard.h"
#include "imaging/layer_geometry.h"
#include "imaging/working_buffers.h"
#include "platform/imglib/init.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_IPLInit(void) {
    imglib::IS40_Initialize();
    imglib::ISE40_Initialize();
    imglib::IS3Initialize();
    imglib::ISE3Initialize();
}

PTE_API void PTE_CALL PTE_IPLExit(void) { imglib::IS3Exit(); }

PTE_API void PTE_CALL PTE_IPLAllocSrcBuffer32(void) {
    guarded("IPLAllocSrcBuffer32 Excpt", [] { imaging::alloc_src_buffer32(state()); });
}

PTE_API void PTE_CALL PTE_IPLFreeSrcBuffer32(void) {
    guarded("IPLFreeSrcBuffer32 Excpt", [] { imaging::free_src_buffer32(state()); });
}

PTE_API void PTE_CALL PTE_IPLAllocDstBuffer32(void) {
    guarded("IPLAllocDstBuffer32 Excpt", [] { imaging::alloc_dst_buffer32(state()); });
}

PTE_API void PTE_CALL PTE_IPLFreeDstBuffer32(void) {
    guarded("IPLFreeDstBuffer32 Excpt", [] { imaging::free_dst_buffer32(state()); });
}

PTE_API void PTE_CALL PTE_IPLAllocSrcBuffer24(void) {
    guarded("IPLAllocSrcBuffer24 Excpt", [] { imaging::alloc_src_buffer24(state()); });
}

PTE_API void PTE_CALL PTE_IPLFreeSrcBuffer24(void) {
    guarded("IPLFreeSrcBuffer24 Excpt", [] { imaging::free_src_buffer24(state()); });
}

PTE_API void PTE_CALL PTE_IPLAllocDstBuffer24(void) {
    guarded("IPLAllocDstBuffer24 Excpt", [] { imaging::alloc_dst_buffer24(state()); });
}

PTE_API void PTE_CALL PTE_IPLFreeDstBuffer24(void) {
    guarded("IPLFreeDstBuffer24 Excpt", [] { imaging::free_dst_buffer24(state()); });
}

PTE_API void PTE_CALL PTE_IPLSetSrcBuffer32(const uint8_t* picture) {
    guarded("IPLSetSrcBuffer32 Excpt", [&] { imaging::set_src_buffer32(state(), picture); });
}

PTE_API uint8_t* PTE_CALL PTE_IPLUpdateSrcBuffer32(void) {
    return guarded("IPLUpdateSrcBuffer32 Excpt", static_cast<uint8_t*>(nullptr),
                   [] { return imaging::update_src_buffer32(state()); });
}

PTE_API void PTE_CALL PTE_IPLResize(int32_t newWidth, int32_t newHeight, const char* filterName) {
    guarded("IPLResize Excpt", [&] { imaging::resize_layers(state(), newWidth, newHeight, filterName); });
}

PTE_API void PTE_CALL PTE_IPLResizePage(int32_t newWidth, int32_t newHeight, const char* anchor) {
    guarded("IPLResizePage Excpt", [&] { imaging::resize_canvas(state(), newWidth, newHeight, anchor); });
}

PTE_API void PTE_CALL PTE_IPLCrop(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    guarded("IPLCrop Excpt", [&] { imaging::crop_layers(state(), left, top, right, bottom); });
}

PTE_API void PTE_CALL PTE_IPLRotateLeft(void) {
    guarded("IPLRotateLeft Excpt", [] { imaging::rotate_layers_left(state()); });
}

PTE_API void PTE_CALL PTE_IPLRotateRight(void) {
    guarded("IPLRotateRight Excpt", [] { imaging::rotate_layers_right(state()); });
}

PTE_API void PTE_CALL PTE_IPLFlipHorizontal(void) {
    guarded("IPLFlipHorizontal Excpt", [] { imaging::flip_layers_horizontal(state()); });
}

PTE_API void PTE_CALL PTE_IPLFlipVertical(void) {
    // The text is the one hosts already match on, spelling included.
    guarded("IPLVlipVertical Excpt", [] { imaging::flip_layers_vertical(state()); });
}

}  // extern "C"
