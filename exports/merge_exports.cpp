// Merging strokes, layers and the visible stack.
#include "engine/merge.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_MergePaintLayer(int32_t index) {
    guarded("MergePaintLayer Excpt", [&] { merge::merge_paint_layer(state(), index); });
}

PTE_API void PTE_CALL PTE_MergeLayer(int32_t from, int32_t to) {
    guarded("MergeLayer Excpt", [&] { merge::merge_layer(state(), from, to); });
}

PTE_API void PTE_CALL PTE_MergeLayerIntoRect(int32_t from, uint16_t* buffer, int32_t x, int32_t y, int32_t width,
                                             int32_t height) {
    guarded("MergeLayerIntoRect Excpt",
            [&] { merge::merge_layer_into_rect(state(), from, buffer, x, y, width, height); });
}

PTE_API void PTE_CALL PTE_MergeLayerInto(int32_t from, uint16_t* buffer) {
    guarded("MergeLayerInto Excpt", [&] {
        merge::merge_layer_into_rect(state(), from, buffer, 0, 0, state().imageWidth, state().imageHeight);
    });
}

PTE_API void PTE_CALL PTE_MergeRect(uint16_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height) {
    guarded("MergeRect Excpt", [&] { merge::merge_visible_rect(state(), buffer, x, y, width, height); });
}

PTE_API void PTE_CALL PTE_Merge(uint16_t* buffer) {
    guarded("Merge Excpt", [&] {
        merge::merge_visible_rect(state(), buffer, 0, 0, state().imageWidth, state().imageHeight);
    });
}

PTE_API int32_t PTE_CALL PTE_GetColorAtMerged(int32_t x, int32_t y) {
    return guarded("PTE_GetColorAtMerged Excpt", int32_t{0}, [&] { return merge::color_at_merged(state(), x, y); });
}

PTE_API void PTE_CALL PTE_LoadRGBA32Layer_BAD(uint8_t* src, int32_t ignored, int32_t index, int32_t width,
                                              int32_t height, uint8_t useMask) {
    (void)ignored;
    guarded("LoadRGBA32Layer Excpt",
            [&] { merge::load_rgba32_layer_merged(state(), src, index, width, height, useMask != 0); });
}

}  // extern "C"
