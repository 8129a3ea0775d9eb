// One layer and the fixed table of 64 of them.
#pragma once

#include <array>
#include <cstdint>

#include "engine/buffer.h"

namespace engine {

inline constexpr int kLayerCount = 64;
inline constexpr int kTracingLayer = 0;
inline constexpr int kBackgroundLayer = 1;
inline constexpr int kModeNameCapacity = 50;  // 49 characters and the terminator

// A layer: RGBA64 pixels, straight alpha, `height` rows of `rowLength`
// 16-bit values. The paint layer is the same record outside the table.
struct LayerSlot {
    OwnedBuffer<uint16_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowLength = 0;  // width * 4
    uint8_t visible = 0;
    uint8_t keepAlpha = 0;
    uint16_t opacity = 0;  // 0..256, 256 = opaque
    char modeName[kModeNameCapacity] = {};
    int32_t mode = 0;
    // Area changed since the last clear; kept for the paint layer only.
    int32_t changedLeft = 0;
    int32_t changedTop = 0;
    int32_t changedRight = 0;
    int32_t changedBottom = 0;

    bool has_pixels() const { return static_cast<bool>(pixels); }
};

using LayerTable = std::array<LayerSlot, kLayerCount>;

inline bool valid_layer_index(int32_t index) { return index >= 0 && index < kLayerCount; }

}  // namespace engine
