#include "undo/history.h"

#include <algorithm>
#include <cstring>

#include "platform/system.h"

namespace undo {

using engine::EngineState;

int32_t block_kb(int32_t w, int32_t h, int32_t bytes_per_pixel) {
    const uint64_t bytes = engine::sat_mul(uint64_t(std::max(w, 0)), uint64_t(std::max(h, 0)),
                                           uint64_t(bytes_per_pixel));
    return static_cast<int32_t>(std::min<uint64_t>(bytes / 1024, INT32_MAX));
}

namespace {

void take_off_memory(EngineState& s, int32_t kb) { s.undo.undoMemoryKB = std::max(0, s.undo.undoMemoryKB - kb); }

int32_t record_width(const UndoRecord& r) { return r.x1 - r.x0 + 1; }
int32_t record_height(const UndoRecord& r) { return r.y1 - r.y0 + 1; }

}  // namespace

void release_record(EngineState& s, UndoRecord& r) {
    if (r.pixels) take_off_memory(s, block_kb(record_width(r), record_height(r), 8));
    if (r.mask) take_off_memory(s, block_kb(record_width(r), record_height(r), 2));
    r.pixels.release();
    r.mask.release();
    r.x0 = r.y0 = r.x1 = r.y1 = 0;
}

void reset_dirty_rect(EngineState& s) {
    s.undo.dirtyX0 = s.imageWidth - 1;
    s.undo.dirtyY0 = s.imageHeight - 1;
    s.undo.dirtyX1 = 0;
    s.undo.dirtyY1 = 0;
}

void recompute_auto_budget(EngineState& s) {
    if (!s.undo.autoBudget) return;
    const platform::MemoryStatus m = platform::memory_status();
    const uint64_t avail_kb = std::min(m.availPhys, m.availPageFile) >> 10;
    const double estimate = static_cast<double>(avail_kb) * 0.85 + s.undo.undoMemoryKB;
    const int64_t d = static_cast<int64_t>(engine::image_pixel_count(s) / 1024);
    int64_t budget = static_cast<int64_t>(estimate) - 20 * d;
    budget = std::max(budget, 15 * d);
    s.undo.budgetKB = static_cast<int32_t>(std::clamp<int64_t>(budget, INT32_MIN, INT32_MAX));
}

void save_back_buffer(EngineState& s, int32_t layer) {
    if (s.undo.paused) return;
    if (engine::valid_layer_index(layer)) {
        const uint16_t* pixels = engine::image_pixels(s, s.layers[layer]);
        if (pixels && s.undo.back.pixels) {
            std::memcpy(s.undo.back.pixels.data(), pixels,
                        std::min(s.undo.back.pixels.size_bytes(), s.layers[layer].pixels.size_bytes()));
        }
    }
    if (s.mask.values && s.undo.back.mask) {
        std::memcpy(s.undo.back.mask.data(), s.mask.values.data(),
                    std::min(s.undo.back.mask.size_bytes(), s.mask.values.size_bytes()));
    }
}

void clear(EngineState& s) {
    reset_dirty_rect(s);
    s.undo.paused = 0;
    s.undo.redoCount = 0;
    for (UndoRecord& r : s.undo.records) release_record(s, r);
    s.undo.undoMemoryKB = block_kb(s.imageWidth, s.imageHeight, 10);
    save_back_buffer(s, s.currentLayer);
    recompute_auto_budget(s);
}

void reduce(EngineState& s, int32_t megabytes) {
    // Layer creation asks in megabytes; the history counts kilobytes.
    const int64_t wanted_kb = int64_t(megabytes) * 1024;
    int64_t freed_kb = 0;
    for (int32_t n = s.undo.levels - 1; n >= 0; --n) {
        UndoRecord& r = s.undo.records[n];
        if (!r.pixels) continue;
        if (freed_kb >= wanted_kb) break;
        const int32_t kb = block_kb(record_width(r), record_height(r), 10);
        r.pixels.release();
        r.mask.release();
        r.x0 = r.y0 = r.x1 = r.y1 = 0;
        take_off_memory(s, kb);
        freed_kb += kb;
    }
}

void release_everything(EngineState& s) {
    for (UndoRecord& r : s.undo.records) {
        r.pixels.release();
        r.mask.release();
        r.x0 = r.y0 = r.x1 = r.y1 = 0;
    }
    s.undo.back.pixels.release();
    s.undo.back.mask.release();
}

void allocate_back_buffers(EngineState& s) {
    const uint64_t pixels = engine::image_pixel_count(s);
    s.undo.back.pixels.allocate_or_throw(engine::sat_mul(pixels, 4));
    s.undo.back.pixels.fill_bytes(0);
    s.undo.back.mask.allocate_or_throw(pixels);
    s.undo.back.mask.fill_bytes(255);
}

}  // namespace undo
