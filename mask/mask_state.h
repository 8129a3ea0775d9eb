// The selection mask and how the renderer shows it.
#pragma once

#include <cstdint>

#include "engine/buffer.h"

namespace mask {

struct MaskState {
    // G16 over the whole image, row length imageWidth; 65535 = selected.
    engine::OwnedBuffer<uint16_t> values;
    // Display colours, 16-bit red, green, blue (bytes stored * 256), and style.
    uint16_t displayColor1[3] = {};
    uint16_t displayColor2[3] = {};
    int32_t displayStyle = 0;
};

}  // namespace mask
