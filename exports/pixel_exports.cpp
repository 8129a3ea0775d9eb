// Pixel transfer, conversions, clears and run-length lines.
#include "engine/pixels.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;
using pixels::LoadRule;

extern "C" {

PTE_API void PTE_CALL PTE_LoadRGBA32Layer(const uint8_t* src, int32_t stride, int32_t index, int32_t x, int32_t y,
                                          int32_t width, int32_t height, uint8_t useMask) {
    guarded("LoadRGBA32Layer Excpt",
            [&] { pixels::load_rgba32_layer(state(), src, stride, index, x, y, width, height, useMask != 0); });
}

PTE_API void PTE_CALL PTE_LoadRGBA32(const uint8_t* src, int32_t stride, uint8_t useMask) {
    guarded("LoadRGBA32 Excpt", [&] { pixels::load_rgba32(state(), src, stride, useMask != 0); });
}

PTE_API void PTE_CALL PTE_LoadRGBA32Into(const uint8_t* src, int32_t stride, int32_t index, int32_t x, int32_t y,
                                         int32_t width, int32_t height) {
    guarded("LoadRGBA32Into Excpt",
            [&] { pixels::load_rgba32_layer(state(), src, stride, index, x, y, width, height, true); });
}

PTE_API void PTE_CALL PTE_LoadRGBA32Layer_GOOD(const uint8_t* src, int32_t stride, int32_t index, int32_t width,
                                               int32_t height, uint8_t useMask) {
    guarded("LoadRGBA32Layer Excpt", [&] {
        pixels::load_rgba32_layer(state(), src, stride, index, 0, 0, width, height, useMask != 0, LoadRule::Early);
    });
}

PTE_API void PTE_CALL PTE_LoadRGBA32Layer_GOOD2(const uint8_t* src, int32_t stride, int32_t index, int32_t width,
                                                int32_t height, uint8_t useMask) {
    guarded("LoadRGBA32Layer Excpt", [&] {
        pixels::load_rgba32_layer(state(), src, stride, index, 0, 0, width, height, useMask != 0, LoadRule::Early2);
    });
}

PTE_API void PTE_CALL PTE_LoadRGBA32LayerCompressed(const uint8_t* data, int32_t, int32_t length, int32_t index) {
    guarded("LoadRGBA32LayerCompressed Excpt",
            [&] { pixels::load_rgba32_layer_compressed(state(), data, length, index); });
}

PTE_API void PTE_CALL PTE_Load(const uint8_t* src, int32_t stride, int32_t width, int32_t height) {
    guarded("Load Excpt", [&] { pixels::load_bgr24(state(), src, stride, width, height); });
}

PTE_API void PTE_CALL PTE_LoadRGB24(const uint8_t* src, int32_t stride, uint8_t useMask) {
    guarded("LoadRGB24 Excpt", [&] { pixels::load_rgb24(state(), src, stride, useMask != 0); });
}

PTE_API void PTE_CALL PTE_LoadRGB24ToAlpha(const uint8_t* src, int32_t stride, uint8_t useMask) {
    guarded("LoadRGB24ToAlpha Excpt", [&] { pixels::load_rgb24_to_alpha(state(), src, stride, useMask != 0); });
}

PTE_API void PTE_CALL PTE_SetRGBA64Layer(const uint16_t* src, int32_t stride, int32_t index) {
    pixels::set_rgba64_layer(state(), src, stride, index);
}

PTE_API void PTE_CALL PTE_SetLayerData(const void* src, int32_t index) { pixels::set_layer_data(state(), src, index); }

PTE_API void PTE_CALL PTE_CopyLayerData(int32_t from, int32_t to) { pixels::copy_layer_data(state(), from, to); }

PTE_API void PTE_CALL PTE_GetRGBA64LayerRect(uint16_t* dst, int32_t stride, int32_t index, int32_t x, int32_t y,
                                             int32_t width, int32_t height) {
    pixels::get_rgba64_layer_rect(state(), dst, stride, index, x, y, width, height);
}

PTE_API void PTE_CALL PTE_GetRGBA64Layer(uint16_t* dst, int32_t stride, int32_t index) {
    pixels::get_rgba64_layer_rect(state(), dst, stride, index, 0, 0, state().imageWidth, state().imageHeight);
}

PTE_API void PTE_CALL PTE_GetLayerData(void* dst, int32_t index) { pixels::get_layer_data(state(), dst, index); }

PTE_API int32_t PTE_CALL PTE_GetRGBA32Layer(uint8_t* dst, int32_t stride, int32_t index) {
    return pixels::get_rgba32_layer(state(), dst, stride, index);
}

PTE_API int32_t PTE_CALL PTE_GetRGBA32(uint8_t* dst, int32_t stride) {
    return pixels::get_rgba32_layer(state(), dst, stride, state().currentLayer);
}

PTE_API void PTE_CALL PTE_GetRGB24(uint8_t* dst, int32_t stride) { pixels::get_rgb24(state(), dst, stride); }

PTE_API void PTE_CALL PTE_GetRGB24FromAlpha(uint8_t* dst, int32_t stride) {
    pixels::get_rgb24_from_alpha(state(), dst, stride);
}

PTE_API int32_t PTE_CALL PTE_GetRGBA32LayerCompressed(uint8_t* dst, int32_t, int32_t capacity, int32_t index,
                                                      int32_t last) {
    return guarded("GetRGBA32Layer Excpt", int32_t{0},
                   [&] { return pixels::get_rgba32_layer_compressed(state(), dst, capacity, index, last); });
}

PTE_API void PTE_CALL PTE_RGBA64RectToRGBA32(const uint16_t* src, int32_t x, int32_t y, int32_t width,
                                             int32_t height, int32_t rowPixels, int32_t, uint8_t* dst) {
    pixels::rgba64_rect_to_rgba32(src, x, y, width, height, rowPixels, dst);
}

PTE_API void PTE_CALL PTE_RGBA64RectToRGBA24(const uint16_t* src, int32_t x, int32_t y, int32_t width,
                                             int32_t height, int32_t rowPixels, int32_t, uint8_t* dst) {
    pixels::rgba64_rect_to_rgb24(src, x, y, width, height, rowPixels, dst);
}

// x and y bound the loops only: width x height pixels from each first pixel.
PTE_API void PTE_CALL PTE_GetRGBA32FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src,
                                                  int32_t srcStride, int32_t, int32_t, int32_t width,
                                                  int32_t height) {
    pixels::rgba64_to_rgba32(dst, dstStride, src, srcStride, width, height);
}

PTE_API void PTE_CALL PTE_GetRGB24FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src,
                                                 int32_t srcStride, int32_t, int32_t, int32_t width, int32_t height) {
    pixels::rgba64_to_rgb24(dst, dstStride, src, srcStride, width, height);
}

PTE_API void PTE_CALL PTE_GetRGBA32FromRGBA64(uint8_t* dst, int32_t dstStride, int32_t width, int32_t height,
                                              const uint16_t* src, int32_t srcStride) {
    pixels::rgba64_to_rgba32(dst, dstStride, src, srcStride, width, height);
}

PTE_API void PTE_CALL PTE_GetRGB24FromRGBA64(uint8_t* dst, int32_t dstStride, const uint16_t* src,
                                             int32_t srcStride) {
    pixels::rgba64_to_rgb24(dst, dstStride, src, srcStride, state().imageWidth, state().imageHeight);
}

PTE_API int32_t PTE_CALL PTE_GetRGBA32LayerLineRLE(uint8_t* dst, int32_t index, int32_t row) {
    return pixels::get_layer_line_rle(state(), dst, index, row);
}

PTE_API void PTE_CALL PTE_PutRGBA32LayerLineRLE(const uint8_t* src, int32_t index, int32_t row) {
    pixels::put_layer_line_rle(state(), src, index, row);
}

PTE_API int32_t PTE_CALL PTE_GetMaskLineRLE(uint8_t* dst, int32_t row) {
    return pixels::get_mask_line_rle(state(), dst, row);
}

PTE_API void PTE_CALL PTE_PutMaskLineRLE(const uint8_t* src, int32_t row) {
    pixels::put_mask_line_rle(state(), src, row);
}

PTE_API void PTE_CALL PTE_Clear(int32_t red, int32_t green, int32_t blue, int32_t alpha) {
    pixels::clear(state(), red, green, blue, alpha);
}

PTE_API void PTE_CALL PTE_ClearMasked(int32_t red, int32_t green, int32_t blue, int32_t alpha) {
    pixels::clear_masked(state(), red, green, blue, alpha);
}

PTE_API void PTE_CALL PTE_ClearMaskedAlpha(int32_t red, int32_t green, int32_t blue, int32_t alpha) {
    guarded("ClearMaskedAlpha Excpt", [&] { pixels::clear_masked_alpha(state(), red, green, blue, alpha); });
}

PTE_API void PTE_CALL PTE_ClearRGBA64(uint16_t* buffer, int32_t stride, uint16_t red, uint16_t green, uint16_t blue,
                                      uint16_t alpha) {
    pixels::clear_rgba64(buffer, stride, state().imageWidth, state().imageHeight, red, green, blue, alpha);
}

PTE_API void PTE_CALL PTE_ClearRGBA32(uint8_t* buffer, int32_t stride, uint8_t red, uint8_t green, uint8_t blue,
                                      uint8_t alpha) {
    pixels::clear_rgba32(buffer, stride, state().imageWidth, state().imageHeight, red, green, blue, alpha);
}

PTE_API void PTE_CALL PTE_ClearRGBA32Buf(uint8_t* buffer, int32_t width, int32_t height, uint8_t red, uint8_t green,
                                         uint8_t blue, uint8_t alpha) {
    // A packed row too long for a byte stride cannot be a real buffer.
    if (width <= 0 || width > INT32_MAX / 4) return;
    pixels::clear_rgba32(buffer, width * 4, width, height, red, green, blue, alpha);
}

PTE_API void PTE_CALL PTE_AdjustRGBA32RectByMaskAndTexture(uint8_t* buffer, int32_t x, int32_t y, int32_t width,
                                                           int32_t height) {
    pixels::adjust_rgba32_by_mask_and_texture(state(), buffer, x, y, width, height);
}

PTE_API void PTE_CALL PTE_AdjustRGBA32ByMaskAndTexture(uint8_t* buffer, int32_t width, int32_t height) {
    pixels::adjust_rgba32_by_mask_and_texture(state(), buffer, 0, 0, width, height);
}

PTE_API void PTE_CALL PTE_AdjustRGBA32PreFilter(uint8_t* buffer, int32_t width, int32_t height) {
    pixels::premultiply_rgba32(buffer, width, height);
}

PTE_API void PTE_CALL PTE_AdjustRGBA32PostFilter(uint8_t* buffer, int32_t width, int32_t height) {
    pixels::unpremultiply_rgba32(buffer, width, height, false);
}

PTE_API void PTE_CALL PTE_AdjustRGBA32ForAlphaComp(int32_t flag, uint8_t* buffer) {
    if (flag != 0) pixels::unpremultiply_rgba32(buffer, state().imageWidth, state().imageHeight, true);
}

PTE_API void PTE_CALL PTE_AdjustRGBA64PreFilter(uint16_t* buffer, int32_t width, int32_t height) {
    pixels::premultiply_rgba64(buffer, width, height);
}

PTE_API void PTE_CALL PTE_AdjustRGBA64PostFilter(uint16_t* buffer, int32_t width, int32_t height) {
    pixels::unpremultiply_rgba64(buffer, width, height);
}

}  // extern "C"
