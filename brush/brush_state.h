// Brush settings, tip, grit patterns, texture and blend buffer.
#pragma once

#include <array>
#include <cstdint>

#include "brush/image_brush_state.h"
#include "brush/random.h"
#include "engine/buffer.h"

namespace brush {

inline constexpr int kTipBufferCount = 20;
inline constexpr int kTipMargin = 25;  // spare rows and columns of a grit pattern
inline constexpr int kMaxSampleCount = 1000;
inline constexpr int kStartDirCapacity = 1024;
inline constexpr int kShapePathCapacity = 1024;
inline constexpr int32_t kMixNormal = 32;  // mix kind of plain painting; 33 and below paint or multiply

// The shape picture last loaded, already turned by its angle.
struct ShapeCache {
    engine::OwnedBuffer<uint8_t> picture;  // RGBA32
    int32_t width = 0;
    int32_t height = 0;
    char path[kShapePathCapacity] = {};
    int32_t angle = 0;
};

struct BrushState {
    // Colours: 16-bit channels, an 8-bit v stored as v * 256.
    uint16_t brushColor[4] = {};
    uint16_t bankRed[4] = {};
    uint16_t bankGreen[4] = {};
    uint16_t bankBlue[4] = {};
    uint16_t bankAlpha[4] = {};

    int32_t blendStrength = 0;
    int32_t blendStrengthRest = 0;
    int32_t primaryStrength = 0;
    int32_t primaryStrengthRest = 0;
    uint8_t blendRemix = 0;
    int32_t densityLimit = 0;
    int32_t alphaPercent = 0;
    int32_t alphaScale = 0;
    int32_t colorVary = 0;
    int32_t alphaLocked = 0;
    int32_t colorLocked = 0;
    int32_t blobLocked = 0;
    int32_t alphaLevel = 0;
    int32_t imageBrushMode = 0;
    int32_t solidBrushMode = 0;
    int32_t rotateMode = 0;
    int32_t rotateDegrees = 0;
    float rotateRadians = 0;
    float rotateSin = 0;
    float rotateCos = 0;
    int32_t mixKind = 0;
    int32_t mixAmount = 0;
    int32_t mixAmountRest = 0;
    int32_t mixSteps = 0;
    int32_t mixShift = 0;

    // One-dab flags.
    uint8_t blendOffOnce = 0;
    uint8_t maskMakerOn = 0;
    uint8_t eraseModeOn = 0;

    // Every dab through the one-pixel loops instead of the eight-pixel lanes:
    // both give the same bits, and the tests compare them.
    uint8_t dabLanesOff = 0;

    char startDir[kStartDirCapacity] = {};
    int32_t randomSeed = 0;
    RandomGenerator random;

    int32_t brushSize = 0;
    int32_t sampleCount = 0;
    std::array<int32_t, kMaxSampleCount> sampleOffsets = {};
    int32_t pixColorVary = 0;
    int32_t pixLumVary = 0;
    RandomByteTable pixColorTable;
    RandomByteTable pixLumTable;

    // PTE_SetTool arguments.
    float tipStrength = 0;
    int32_t gritBlock = 0;
    int32_t gritBlockThreshold = 0;
    int32_t gritPixelThreshold = 0;
    uint8_t tipSoftness = 0;
    int32_t drawingLength = 0;
    int32_t drawingCountdown = 0;
    uint8_t tipInvert = 0;
    int32_t toolByte11 = 0;  // stored, read by nothing
    uint8_t toolByte13 = 0;  // stored, read by nothing
    int32_t shapeAngle = 0;

    // Tip, grit patterns, texture. T = tipSize.
    engine::OwnedBuffer<uint16_t> tipAlpha;                                // T * T
    std::array<engine::OwnedBuffer<uint8_t>, kTipBufferCount> tipBuffers;  // (T + 25)^2 each
    uint8_t* currentTip = nullptr;
    ShapeCache shapeCache;
    engine::OwnedBuffer<uint8_t> texture;  // imageWidth * imageHeight, values 4..250

    RandomByteTable randomTableA;  // 1,000,000 bytes, 0..254
    RandomByteTable randomTableB;  // 1,000,000 bytes, 0..253

    // Colour picked up for blending: RGBA64, T * T pixels, row length tipRowLength.
    engine::OwnedBuffer<uint16_t> blendBuffer;

    ImageBrushState images;
};

}  // namespace brush
