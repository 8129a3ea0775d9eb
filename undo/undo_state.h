// The undo history's records and budget.
#pragma once

#include <array>
#include <cstdint>

#include "engine/buffer.h"

namespace undo {

inline constexpr int kMaxLevels = 500;

// One step: a rectangle of pixels and/or mask values, edges inclusive.
struct UndoRecord {
    engine::OwnedBuffer<uint16_t> pixels;  // w * h RGBA64
    engine::OwnedBuffer<uint16_t> mask;    // w * h G16
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    bool in_use() const { return pixels || mask; }
};

struct UndoState {
    std::array<UndoRecord, kMaxLevels> records;  // 0 is the newest step
    std::array<int32_t, kMaxLevels> recordLayers = {};
    // The current layer and the mask as they stood at the last save point.
    UndoRecord back;  // pixels: the undo back buffer; mask: the undo mask back buffer
    int32_t redoCount = 0;
    int32_t levels = 0;
    int32_t budgetKB = 0;
    uint8_t autoBudget = 0;
    int32_t undoMemoryKB = 0;
    uint8_t paused = 0;
    // Undo dirty rectangle, inclusive; empty when x0 >= x1 or y0 >= y1.
    int32_t dirtyX0 = 0, dirtyY0 = 0, dirtyX1 = 0, dirtyY1 = 0;
};

}  // namespace undo
