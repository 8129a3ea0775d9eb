// Layers and layer alpha.
#include "engine/layers.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API int32_t PTE_CALL PTE_CreateLayer(int32_t index, int32_t width, int32_t height) {
    return guarded("CreateLayer Excpt", int32_t{0},
                   [&] { return layers::create_layer(state(), index, width, height) ? 1 : 0; });
}

PTE_API void PTE_CALL PTE_DeleteLayer(int32_t index) {
    guarded("DeleteLayer Excpt", [&] { layers::delete_layer(state(), index); });
}

PTE_API void PTE_CALL PTE_SetLayer(int32_t index) {
    guarded("SetLayer Excpt", [&] { layers::set_layer(state(), index); });
}

PTE_API int32_t PTE_CALL PTE_GetLayerNum(void) { return state().currentLayer; }

PTE_API void PTE_CALL PTE_SetLayerOptions(int32_t index, uint8_t visible, uint8_t keepAlpha, int32_t opacityPercent,
                                          const char* modeName) {
    guarded("SetLayerOptions Excpt",
            [&] { layers::set_layer_options(state(), index, visible, keepAlpha, opacityPercent, modeName); });
}

PTE_API void PTE_CALL PTE_SwapLayers(int32_t a, int32_t b) { layers::swap_layers(state(), a, b); }

PTE_API int32_t PTE_CALL PTE_GetLayerCount(void) { return layers::layer_count(state()); }

PTE_API void PTE_CALL PTE_DeletePaintLayer(void) { state().paintLayer.pixels.release(); }

PTE_API void PTE_CALL PTE_InvertAlpha(int32_t index) { layers::invert_alpha(state(), index); }

PTE_API void PTE_CALL PTE_SetLayerAlpha(int32_t index, uint16_t value) { layers::set_layer_alpha(state(), index, value); }

PTE_API void PTE_CALL PTE_NormalizeLayerAlpha(int32_t index) { layers::normalize_layer_alpha(state(), index); }

PTE_API void PTE_CALL PTE_SetColorAlpha(int32_t red, int32_t green, int32_t blue) {
    layers::set_color_alpha(state(), red, green, blue);
}

PTE_API void PTE_CALL PTE_BlurPaintLayerAlpha(void) {
    guarded("BlurPaintLayerAlpha Excpt", [] { layers::blur_paint_layer_alpha(state()); });
}

PTE_API void PTE_CALL PTE_InvertAlpha_RGBA32(uint8_t* buffer) {
    layers::invert_alpha_rgba32(buffer, state().imageWidth, state().imageHeight);
}

PTE_API void PTE_CALL PTE_SetColorAlphaRGBABuf(uint8_t* buffer, int32_t width, int32_t height, int32_t red,
                                               int32_t green, int32_t blue) {
    layers::set_color_alpha_rgba32(buffer, width, height, red, green, blue);
}

PTE_API void PTE_CALL PTE_SetAlphaFromRGBAImageColor(uint8_t* buffer, int32_t red, int32_t green, int32_t blue) {
    layers::clear_alpha_of_color_rgba32(buffer, state().imageWidth, state().imageHeight, red, green, blue);
}

}  // extern "C"
