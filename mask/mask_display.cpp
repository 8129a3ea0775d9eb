#include "mask/mask_display.h"

namespace mask {

namespace {
// A byte stored * 256, kept to 16 bits as the host's value times 256 would be.
uint16_t stored(int32_t v) { return uint16_t(uint32_t(v) << 8); }
}  // namespace

void set_display_options(engine::EngineState& s, int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2,
                         int32_t b2, int32_t style) {
    s.mask.displayColor1[0] = stored(r1);
    s.mask.displayColor1[1] = stored(g1);
    s.mask.displayColor1[2] = stored(b1);
    s.mask.displayColor2[0] = stored(r2);
    s.mask.displayColor2[1] = stored(g2);
    s.mask.displayColor2[2] = stored(b2);
    s.mask.displayStyle = style;
}

}  // namespace mask
