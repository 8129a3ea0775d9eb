// The selection mask: building it, turning it back into pixels, and the
// channel shuffles that go with it.
#include "exports/guard.h"
#include "mask/channel_shuffles.h"
#include "mask/selection.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_InvertMask(void) {
    guarded("InvertMask Excpt", [] { mask::invert(state()); });
}

PTE_API void PTE_CALL PTE_ClearMask(int32_t red, int32_t green, int32_t blue) {
    guarded("ClearMask Excpt", [&] { mask::fill_from_grey(state(), red, green, blue); });
}

PTE_API void PTE_CALL PTE_SaveMask(uint8_t* dst, int32_t stride) {
    guarded("SaveMask Excpt", [&] { mask::save_rgb24(state(), dst, stride); });
}

PTE_API void PTE_CALL PTE_LoadMask(const uint8_t* src, int32_t stride, int32_t width, int32_t height) {
    guarded("LoadMask Excpt", [&] { mask::load_rgb24(state(), src, stride, width, height); });
}

PTE_API void PTE_CALL PTE_CreateImageFromMask(void) {
    guarded("CreateImageFromMask Excpt", [] { mask::image_from_mask(state()); });
}

PTE_API void PTE_CALL PTE_CreateAlphaFromMask(void) {
    guarded("CreateAlphaFromMask Excpt", [] { mask::alpha_from_mask(state()); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromAlpha(void) {
    guarded("CreateMaskFromAlpha Excpt", [] { mask::from_alpha(state()); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromImage(void) {
    guarded("CreateMaskFromImage Excpt", [] { mask::from_layer(state()); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromDiff_RGBA32(const uint8_t* a, const uint8_t* b, uint16_t value) {
    guarded("CreateMaskFromDiff_RGBA32 Excpt", [&] { mask::mark_differences_rgba32(state(), a, b, value); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageColor(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                                                       int32_t level) {
    guarded("CreateMaskFromRGBAImageColor Excpt",
            [&] { mask::mark_colour_rgba32(state(), image, c0, c1, c2, level); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromRGB24ImageColor(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                                                        int32_t level) {
    guarded("CreateMaskFromRGB24ImageColor Excpt",
            [&] { mask::mark_colour_rgb24(state(), image, c0, c1, c2, level); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromFloodMask(const uint8_t* map, int32_t level) {
    guarded("CreateMaskFromFloodMask Excpt", [&] { mask::mark_flood_map(state(), map, level); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageColorRange(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                                                            int32_t tolerance, int32_t level) {
    guarded("CreateMaskFromRGBAImageColorRange Excpt",
            [&] { mask::mark_colour_range_rgba32(state(), image, c0, c1, c2, tolerance, level); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageAlphaRange(const uint8_t* image, int32_t alpha, int32_t tolerance,
                                                            int32_t level) {
    guarded("CreateMaskFromRGBAImageAlphaRange Excpt",
            [&] { mask::mark_alpha_range_rgba32(state(), image, alpha, tolerance, level); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageLuminanceRange(const uint8_t* image, int32_t c0, int32_t c1,
                                                                int32_t c2, int32_t tolerance, int32_t level) {
    guarded("CreateMaskFromRGBAImageLuminanceRange Excpt",
            [&] { mask::mark_luminance_range_rgba32(state(), image, c0, c1, c2, tolerance, level); });
}

PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageHueRange(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                                                          int32_t tolerance, int32_t level) {
    guarded("CreateMaskFromRGBAImageHueRange Excpt",
            [&] { mask::mark_hue_range_rgba32(state(), image, c0, c1, c2, tolerance, level); });
}

PTE_API void PTE_CALL PTE_ApplyMaskToAlpha_RGBA32(uint8_t* image) {
    guarded("ApplyMaskToAlpha_RGBA32 Excpt", [&] { mask::apply_to_alpha_rgba32(state(), image); });
}

PTE_API void PTE_CALL PTE_ApplyMaskToAlpha_IPLSrcRGBA(void) {
    guarded("ApplyMaskToAlpha_IPLSrcRGBA Excpt", [] { mask::apply_to_working_alpha(state()); });
}

PTE_API void PTE_CALL PTE_ReplaceFromRGBAImageAlphaRange(uint8_t* image, int32_t alpha, int32_t tolerance, int32_t c0,
                                                         int32_t c1, int32_t c2, int32_t c3) {
    guarded("ReplaceFromRGBAImageAlphaRange Excpt",
            [&] { mask::replace_alpha_range_rgba32(state(), image, alpha, tolerance, c0, c1, c2, c3); });
}

PTE_API void PTE_CALL PTE_ColorRGBA32FromFloodMask(uint8_t* image, const uint8_t* map, int32_t c0, int32_t c1,
                                                   int32_t c2, int32_t c3) {
    guarded("ColorRGBA32FromFloodMask Excpt",
            [&] { mask::colour_from_flood_map_rgba32(state(), image, map, c0, c1, c2, c3); });
}

PTE_API void PTE_CALL PTE_RGBAlphaToRGB(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) {
    guarded("RGBAlphaToRGB Excpt", [&] { mask::rgba32_alpha_to_rgb24(dst, width, height, src); });
}

PTE_API void PTE_CALL PTE_RGBToRGBAlpha(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) {
    guarded("RGBToRGBAlpha Excpt", [&] { mask::rgb24_to_rgba32_alpha(dst, width, height, src); });
}

PTE_API void PTE_CALL PTE_RGBToRGBA(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) {
    guarded("RGBToRGBA Excpt", [&] { mask::rgb24_to_rgba32(dst, width, height, src); });
}

PTE_API void PTE_CALL PTE_RGBAToRGB(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) {
    guarded("RGBAToRGB Excpt", [&] { mask::rgba32_to_rgb24(dst, width, height, src); });
}

}  // extern "C"
