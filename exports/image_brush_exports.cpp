// Image brushes.
#include "brush/image_brush.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;
using exports::guarded_step;

extern "C" {

PTE_API void PTE_CALL PTE_LoadImageBrush(const char* path) {
    guarded("LoadImageBrush Excpt", [&] { brush::load_image_brush(state(), path); });
}

PTE_API void PTE_CALL PTE_LoadImageBrushFromRGBA32(const uint8_t* pixels, int32_t width, int32_t height) {
    guarded("LoadImageBrushFromRGBA32 Excpt",
            [&] { brush::load_image_brush_from_rgba32(state(), pixels, width, height); });
}

PTE_API void PTE_CALL PTE_LoadImageBrushArray(const char* path) {
    guarded("LoadImageBrushArray Excpt", [&] { brush::load_image_brush_array(state(), path); });
}

PTE_API void PTE_CALL PTE_CopyToImageBrush(void) {
    guarded("CopyToImageBrush Excpt", [&] { brush::copy_to_image_brush(state()); });
}

PTE_API void PTE_CALL PTE_FillImageBrush(int32_t red, int32_t green, int32_t blue) {
    guarded("FillImageBrush Excpt", [&] { brush::fill_image_brush(state(), red, green, blue); });
}

PTE_API void PTE_CALL PTE_ColorImageBrush(int32_t red, int32_t green, int32_t blue) {
    guarded("ColorImageBrush Excpt", [&] { brush::color_image_brush(state(), red, green, blue); });
}

PTE_API void PTE_CALL PTE_SizeImageBrush(void) {
    guarded("SizeImageBrush Excpt", [&] { brush::size_image_brush(state()); });
}

PTE_API void PTE_CALL PTE_CopyFromImageBrush(int32_t keepPercent) {
    guarded_step<brush::SizeImageBrushError>("SizeImageBrush Excpt", "CopyFromImageBrush Excpt",
                                             [&] { brush::copy_from_image_brush(state(), keepPercent); });
}

PTE_API void PTE_CALL PTE_CopyFromImageBrushArray(float position) {
    guarded("CopyFromImageBrushArray Excpt", [&] { brush::copy_from_image_brush_array(state(), position); });
}

PTE_API void PTE_CALL PTE_RotateImageBrush(int32_t angle) {
    guarded("RotateImageBrush Excpt", [&] { brush::rotate_image_brush(state(), angle); });
}

PTE_API void PTE_CALL PTE_CopyFromImageBrushRotate(int32_t keepPercent) {
    guarded("CopyFromImageBrushRotate Excpt", [&] { brush::copy_from_image_brush_rotate(state(), keepPercent); });
}

PTE_API void PTE_CALL PTE_SaveImageBrush(const char* path) {
    guarded("SaveImageBrush Excpt", [&] { brush::save_image_brush(state(), path); });
}

}  // extern "C"
