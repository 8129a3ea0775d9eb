// Brush settings, tips, grit patterns and the brush texture.
#include "brush/settings.h"
#include "brush/texture.h"
#include "brush/tip.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_SetColor(int32_t red, int32_t green, int32_t blue) {
    brush::set_color(state(), red, green, blue);
}

PTE_API void PTE_CALL PTE_SetColor16(uint16_t red, uint16_t green, uint16_t blue) {
    brush::set_color16(state(), red, green, blue);
}

PTE_API void PTE_CALL PTE_SetColorBanks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1,
                                        int32_t r2, int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3) {
    const int32_t rgb[12] = {r0, g0, b0, r1, g1, b1, r2, g2, b2, r3, g3, b3};
    brush::set_color_banks(state(), rgb);
}

PTE_API void PTE_CALL PTE_SetBlendStrength(int32_t strength) { brush::set_blend_strength(state(), strength); }

PTE_API void PTE_CALL PTE_SetBlendPrimaryColorStrength(int32_t strength) {
    brush::set_primary_strength(state(), strength);
}

PTE_API void PTE_CALL PTE_SetBlendRemix(uint8_t remix) { state().brush.blendRemix = remix; }

PTE_API void PTE_CALL PTE_SetDensity(int32_t density) { state().brush.densityLimit = int32_t(int64_t(density) - 1); }

PTE_API void PTE_CALL PTE_SetAlpha(int32_t percent) { brush::set_alpha(state(), percent); }

PTE_API void PTE_CALL PTE_SetColorVary(int32_t amount) { state().brush.colorVary = amount; }

PTE_API void PTE_CALL PTE_SetAlphaLocked(int32_t locked) { state().brush.alphaLocked = locked; }

PTE_API void PTE_CALL PTE_SetColorLocked(int32_t locked) { state().brush.colorLocked = locked; }

PTE_API void PTE_CALL PTE_SetBlobLocked(int32_t locked) { state().brush.blobLocked = locked; }

PTE_API void PTE_CALL PTE_SetAlphaLevel(int32_t level) { state().brush.alphaLevel = level; }

PTE_API void PTE_CALL PTE_SetImageBrushMode(int32_t on) { state().brush.imageBrushMode = on; }

PTE_API void PTE_CALL PTE_SetSolidBrushMode(int32_t on) { state().brush.solidBrushMode = on; }

PTE_API void PTE_CALL PTE_SetRotateBrushMode(int32_t mode, int32_t degrees) {
    brush::set_rotate_mode(state(), mode, degrees);
}

PTE_API void PTE_CALL PTE_SetMixMode(int32_t kind, int32_t amount) { brush::set_mix_mode(state(), kind, amount); }

PTE_API void PTE_CALL PTE_TempDisableBlend(void) { state().brush.blendOffOnce = 1; }

PTE_API void PTE_CALL PTE_SetMaskMakerOn(void) { state().brush.maskMakerOn = 1; }

PTE_API void PTE_CALL PTE_SetEraseModeOn(void) { state().brush.eraseModeOn = 1; }

PTE_API void PTE_CALL PTE_DecDrawingLength(void) {
    int32_t& countdown = state().brush.drawingCountdown;
    if (countdown > INT32_MIN) --countdown;
}

PTE_API void PTE_CALL PTE_SetRandomSeed(int32_t seed) { brush::set_random_seed(state(), seed); }

PTE_API void PTE_CALL PTE_SetStartDir(const char* path) { brush::set_start_dir(state(), path); }

PTE_API void PTE_CALL PTE_SetSize(int32_t size) { brush::set_size(state(), size); }

PTE_API void PTE_CALL PTE_SetScaleSize(int32_t n) { brush::set_scale_size(state(), n); }

PTE_API void PTE_CALL PTE_SetPixColorVary(int32_t amount) { brush::set_pix_color_vary(state(), amount); }

PTE_API void PTE_CALL PTE_SetPixLumVary(int32_t amount) { brush::set_pix_lum_vary(state(), amount); }

PTE_API void PTE_CALL PTE_SetTool(float tipStrength, int32_t gritBlock, int32_t gritBlockThreshold,
                                  int32_t gritPixelThreshold, uint8_t tipSoftness, int32_t colorVary,
                                  int32_t drawingLength, int32_t blendStrength, int32_t primaryStrength,
                                  uint8_t blendRemix, uint8_t reserved1, uint8_t tipInvert, uint8_t reserved2,
                                  const char* gritSource, const char* shapeSource, int32_t shapeAngle) {
    const brush::ToolSettings tool{tipStrength,     gritBlock,     gritBlockThreshold, gritPixelThreshold,
                                   tipSoftness,     colorVary,     drawingLength,      blendStrength,
                                   primaryStrength, blendRemix,    reserved1,          tipInvert,
                                   reserved2,       gritSource,    shapeSource,        shapeAngle};
    guarded("SetTool Excpt", [&] { brush::set_tool(state(), tool); });
}

PTE_API void PTE_CALL PTE_SetPixelRGB24(uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t red,
                                        int32_t green, int32_t blue) {
    brush::set_pixel_rgb24(state(), buffer, stride, x, y, red, green, blue);
}

PTE_API void PTE_CALL PTE_SetBrushShape(const char* path, int32_t angle) {
    guarded("SetBrushShape Excpt", [&] { brush::set_brush_shape(state(), path, angle); });
}

PTE_API void PTE_CALL PTE_SetBrushShape_ORIGINAL(const char* path, int32_t angle) {
    guarded("SetBrushShape Excpt",
            [&] { brush::set_brush_shape(state(), path, angle, brush::PictureSources::FilesOnly); });
}

PTE_API void PTE_CALL PTE_CreateBlobFromImage(int32_t index, int32_t mode) {
    guarded("CreateBlobFromImage Excpt", [&] { brush::create_blob_from_image(state(), index, mode); });
}

PTE_API void PTE_CALL PTE_CreateTexture(int32_t index) {
    guarded("CreateTexture Excpt", [&] { brush::create_texture(state(), index); });
}

PTE_API void PTE_CALL PTE_DeleteTexture(void) { brush::delete_texture(state()); }

}  // extern "C"
