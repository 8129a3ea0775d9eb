// The pictures of an image brush: the loaded picture, its copy at the
// brush size, the 8-bit copies the rotation works on, and a strip of
// frames.
#pragma once

#include <cstdint>

#include "engine/buffer.h"

namespace brush {

// An RGBA64 picture of packed rows (width * 4 values a row).
struct BrushPicture {
    engine::OwnedBuffer<uint16_t> pixels;
    int32_t width = 0;
    int32_t height = 0;

    void clear() {
        pixels.release();
        width = height = 0;
    }
};

struct ImageBrushState {
    BrushPicture imageBrush;  // at its loaded size
    BrushPicture sizedBrush;  // imageBrush at brushSize x brushSize
    // sizedBrush as RGBA32, and its rotated copy; both rotationWidth x
    // rotationHeight.
    engine::OwnedBuffer<uint8_t> rotateSource;
    engine::OwnedBuffer<uint8_t> rotatedBrush;
    int32_t rotationWidth = 0;
    int32_t rotationHeight = 0;
    uint8_t rotationReady = 0;  // rotateSource matches sizedBrush
    BrushPicture brushStrip;    // square frames side by side
    int32_t stripFrames = 0;
};

}  // namespace brush
