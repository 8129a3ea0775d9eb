#include "brush/turn_effect.h"

#include "platform/imglib/effect_script.h"

namespace brush {

bool turn_picture(uint8_t* rgba, int32_t width, int32_t height, int32_t degrees) {
    using namespace imglib;
    if (rgba == nullptr || width <= 0 || height <= 0 || !ISL_Initialize()) return false;
    bool turned = false;
    if (ISL_AddEffect(kEffectRotate, 1)) {
        ISL_SetEffectValue(0, kRotateAngleValue, degrees);
        ISL_SetEffectValue(0, kRotateScaleValue, 100);
        turned = ISL_ExecuteScriptOnImage(rgba, uint32_t(width), uint32_t(height)) != 0;
    }
    ISL_Finish();
    return turned;
}

}  // namespace brush
