#include "undo/history.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/layers.h"
#include "engine/pixels.h"
#include "platform/parallel.h"
#include "engine/trace.h"
#include "platform/system.h"

namespace undo {

using engine::EngineState;
using engine::OwnedBuffer;

int32_t block_kb(int32_t w, int32_t h, int32_t bytes_per_pixel) {
    const uint64_t bytes = engine::sat_mul(uint64_t(std::max(w, 0)), uint64_t(std::max(h, 0)),
                                           uint64_t(bytes_per_pixel));
    return static_cast<int32_t>(std::min<uint64_t>(bytes / 1024, INT32_MAX));
}

namespace {

inline constexpr int kPixelValues = 4;  // 16-bit values per RGBA64 pixel
inline constexpr int kMaskValues = 1;   // per G16 mask value

void take_off_memory(EngineState& s, int32_t kb) { s.undo.undoMemoryKB = std::max(0, s.undo.undoMemoryKB - kb); }
void add_memory(EngineState& s, int32_t kb) {
    s.undo.undoMemoryKB = static_cast<int32_t>(std::min<int64_t>(int64_t(s.undo.undoMemoryKB) + kb, INT32_MAX));
}

int32_t record_width(const UndoRecord& r) { return r.x1 - r.x0 + 1; }
int32_t record_height(const UndoRecord& r) { return r.y1 - r.y0 + 1; }

void clear_rect(UndoRecord& r) { r.x0 = r.y0 = r.x1 = r.y1 = 0; }

// One kind of data a step holds (layer pixels or mask values): the live
// image-sized buffer, its back copy, and how many 16-bit values a pixel has.
struct Plane {
    uint16_t* live = nullptr;
    uint16_t* back = nullptr;
    int values = 0;
    explicit operator bool() const { return live != nullptr && back != nullptr; }
};

// The back copy when it covers the image at `values` a pixel, else null.
template <class Buffer>
auto image_back(const EngineState& s, Buffer& back, int values) -> decltype(back.data()) {
    const uint64_t need = engine::sat_mul(engine::image_pixel_count(s), uint64_t(values));
    return (back && back.size() == need) ? back.data() : nullptr;
}

// The current layer with its back copy, when both cover the image.
Plane pixel_plane(EngineState& s) {
    return Plane{engine::current_image_pixels(s), image_back(s, s.undo.back.pixels, kPixelValues), kPixelValues};
}

// The mask with its back copy, when both cover the image.
Plane mask_plane(EngineState& s) {
    return Plane{pixels::image_mask(s), image_back(s, s.undo.back.mask, kMaskValues), kMaskValues};
}

// The one block copy of the history. Walks the rows of a step's rectangle
// and hands f the row in the live buffer, in the back copy and in the
// step's block, with the row's byte count. Doing every copy of a row
// before the next row keeps the row in cache between the copies. Rows are
// independent, so a large rectangle is walked in bands of rows.
template <class F>
void for_each_step_row(const EngineState& s, const Plane& plane, const UndoRecord& r, uint16_t* block, F&& f) {
    const int32_t w = record_width(r), h = record_height(r);
    if (w <= 0 || h <= 0) return;
    const size_t image_row = size_t(s.imageWidth) * size_t(plane.values);
    const size_t block_row = size_t(w) * size_t(plane.values);
    const size_t first = size_t(r.y0) * image_row + size_t(r.x0) * size_t(plane.values);
    const int64_t work_per_row = int64_t(block_row) * parallel::kCopyWork / 4;
    parallel::for_bands(h, work_per_row, [&](int64_t band_first, int64_t band_end) {
        for (int64_t y = band_first; y < band_end; ++y) {
            const size_t at = first + size_t(y) * image_row;
            f(plane.live + at, plane.back + at, block + size_t(y) * block_row, block_row * sizeof(uint16_t));
        }
    });
}

// Before-image into the step, after-image into the back copy.
void store_rows(const EngineState& s, const Plane& plane, const UndoRecord& r, uint16_t* block) {
    for_each_step_row(s, plane, r, block, [](uint16_t* live, uint16_t* back, uint16_t* blk, size_t bytes) {
        std::memcpy(blk, back, bytes);
        std::memcpy(back, live, bytes);
    });
}

// The back copy takes the after-image; no step keeps the before-image.
void refresh_rows(const EngineState& s, const Plane& plane, const UndoRecord& r) {
    for_each_step_row(s, plane, r, nullptr, [](uint16_t* live, uint16_t* back, uint16_t*, size_t bytes) {
        std::memcpy(back, live, bytes);
    });
}

// The step's state goes into the live buffer, the back copy's into the
// step, and the live buffer's new state into the back copy: afterwards the
// step holds what the opposite operation brings back.
void exchange_rows(const EngineState& s, const Plane& plane, const UndoRecord& r, uint16_t* block) {
    for_each_step_row(s, plane, r, block, [](uint16_t* live, uint16_t* back, uint16_t* blk, size_t bytes) {
        std::memcpy(live, blk, bytes);
        std::memcpy(blk, back, bytes);
        std::memcpy(back, live, bytes);
    });
}

// True when a step's rectangle lies inside the image and its blocks have
// its size, so an exchange stays inside every buffer.
bool fits_image(const EngineState& s, const UndoRecord& r) {
    if (r.x0 < 0 || r.y0 < 0 || r.x1 >= s.imageWidth || r.y1 >= s.imageHeight) return false;
    const int32_t w = record_width(r), h = record_height(r);
    if (w < 0 || h < 0) return false;
    const uint64_t area = uint64_t(w) * uint64_t(h);
    if (r.pixels && r.pixels.size() != area * kPixelValues) return false;
    if (r.mask && r.mask.size() != area * kMaskValues) return false;
    return true;
}

void move_record(UndoState& u, int32_t from, int32_t to) {
    u.records[to] = std::move(u.records[from]);
    u.recordLayers[to] = u.recordLayers[from];
    clear_rect(u.records[from]);
}

// Drops the steps that could be redone; the others move down to index 0.
void discard_redo(EngineState& s) {
    UndoState& u = s.undo;
    const int32_t k = u.redoCount;
    if (k <= 0) return;
    for (int32_t i = 0; i < k && i < kMaxLevels; ++i) release_record(s, u.records[i]);
    for (int32_t i = k; i < u.levels; ++i) move_record(u, i, i - k);
    u.redoCount = 0;
}

// Clips the dirty rectangle to the image; an empty one (a change that did
// not paint dabs, or one only a pixel wide or high) becomes the whole image.
void settle_dirty_rect(EngineState& s) {
    UndoState& u = s.undo;
    u.dirtyX0 = std::max(u.dirtyX0, 0);
    u.dirtyX1 = std::min(u.dirtyX1, s.imageWidth - 1);
    u.dirtyY0 = std::max(u.dirtyY0, 0);
    u.dirtyY1 = std::min(u.dirtyY1, s.imageHeight - 1);
    if (u.dirtyX0 >= u.dirtyX1 || u.dirtyY0 >= u.dirtyY1) {
        u.dirtyX0 = 0;
        u.dirtyY0 = 0;
        u.dirtyX1 = s.imageWidth - 1;
        u.dirtyY1 = s.imageHeight - 1;
    }
}

// The blocks a new step asks for, obtained under the budget.
struct NewBlocks {
    OwnedBuffer<uint16_t> pixels;
    OwnedBuffer<uint16_t> mask;
};

// Releases the oldest records one at a time until the step's estimate fits
// the budget, then allocates. The oldest record always goes; at index 0 the
// blocks are allocated whatever the budget says, so a budget too small for
// one step still keeps the newest.
void make_room(EngineState& s, int32_t w, int32_t h, bool want_pixels, bool want_mask, NewBlocks& out) {
    UndoState& u = s.undo;
    const int64_t estimate = block_kb(w, h, 10);  // both kinds, whatever is asked for
    const uint64_t area = uint64_t(w) * uint64_t(h);
    for (int32_t n = u.levels - 1; n >= 0; --n) {
        release_record(s, u.records[n]);
        if (int64_t(u.undoMemoryKB) + estimate >= u.budgetKB && n > 0) continue;
        if (want_pixels && !out.pixels && out.pixels.allocate(area * kPixelValues))
            add_memory(s, block_kb(w, h, 8));
        if (want_mask && !out.mask && out.mask.allocate(area * kMaskValues)) add_memory(s, block_kb(w, h, 2));
        if ((!want_pixels || out.pixels) && (!want_mask || out.mask)) return;
    }
}

void give_back(EngineState& s, NewBlocks& blocks, int32_t w, int32_t h) {
    if (blocks.pixels) take_off_memory(s, block_kb(w, h, 8));
    if (blocks.mask) take_off_memory(s, block_kb(w, h, 2));
    blocks.pixels.release();
    blocks.mask.release();
}

// Makes the step's layer current and exchanges its blocks. A layer that no
// longer covers the image is left alone (and not selected): the pixels
// belong to it and must never land in another layer. The mask is the
// image's, so its part of the step is exchanged whatever the layer.
void exchange_step(EngineState& s, int32_t index) {
    UndoRecord& r = s.undo.records[index];
    if (!r.in_use() || !fits_image(s, r)) return;
    engine::LayerSlot* slot = layers::slot_at(s, s.undo.recordLayers[index]);
    const bool layer_present = slot != nullptr && engine::image_pixels(s, *slot) != nullptr;
    if (layer_present && s.currentSlot != slot) layers::set_layer(s, s.undo.recordLayers[index]);
    if (r.pixels && layer_present && s.currentSlot == slot) {
        if (const Plane plane = pixel_plane(s)) exchange_rows(s, plane, r, r.pixels.data());
    }
    if (r.mask) {
        if (const Plane plane = mask_plane(s)) exchange_rows(s, plane, r, r.mask.data());
    }
}

// What a save keeps, when that is less than a host may expect: no step at
// all with undo off, only the newest one under a budget of 0.
[[gnu::cold]] void trace_step_kept(const EngineState& s, bool savePixels, bool saveMask) {
    const UndoState& u = s.undo;
    if (u.levels <= 0)
        trace::skipped("PTE_SaveUndoBuffer", "undo is off: 0 levels (PTE_SetUndoLevels); only the back buffers follow");
    else if (!savePixels && !saveMask)
        trace::skipped("PTE_SaveUndoBuffer", "neither pixels nor mask asked for: the step holds nothing to undo");
    else if (u.budgetKB <= 0 && !u.autoBudget)
        trace::skipped("PTE_SaveUndoBuffer",
                       "the undo budget is 0 MB (PTE_SetUndoMB, 0 for automatic): each step replaces the one before");
}

// Why an undo or redo changes nothing.
[[gnu::cold]] void trace_no_step(const EngineState& s, const char* operation, const char* what) {
    const UndoState& u = s.undo;
    if (u.paused) return trace::skipped(operation, "undo is paused (PTE_ResumeUndo)");
    if (u.levels <= 0) return trace::skipped(operation, "undo is off: 0 levels (PTE_SetUndoLevels)");
    trace::skipped(operation, "there is no step to %s (%d held, %d to redo)", what, step_count(s), u.redoCount);
}

}  // namespace

void release_record(EngineState& s, UndoRecord& r) {
    if (r.pixels) take_off_memory(s, block_kb(record_width(r), record_height(r), 8));
    if (r.mask) take_off_memory(s, block_kb(record_width(r), record_height(r), 2));
    r.pixels.release();
    r.mask.release();
    clear_rect(r);
}

const uint16_t* back_pixels(const EngineState& s) { return image_back(s, s.undo.back.pixels, kPixelValues); }

void reset_dirty_rect(EngineState& s) {
    s.undo.dirtyX0 = s.imageWidth - 1;
    s.undo.dirtyY0 = s.imageHeight - 1;
    s.undo.dirtyX1 = 0;
    s.undo.dirtyY1 = 0;
}

void grow_dirty_rect(EngineState& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    UndoState& u = s.undo;
    u.dirtyX0 = std::min(u.dirtyX0, x0);
    u.dirtyY0 = std::min(u.dirtyY0, y0);
    u.dirtyX1 = std::max(u.dirtyX1, x1);
    u.dirtyY1 = std::max(u.dirtyY1, y1);
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
    if (s.undo.paused) return trace::skipped("refresh the undo back buffers", "undo is paused (PTE_ResumeUndo)");
    if (engine::valid_layer_index(layer)) {
        const uint16_t* pixels = engine::image_pixels(s, s.layers[layer]);
        if (pixels && s.undo.back.pixels) {
            parallel::copy_bytes(s.undo.back.pixels.data(), pixels,
                                 std::min(s.undo.back.pixels.size_bytes(), s.layers[layer].pixels.size_bytes()));
        }
    }
    if (s.mask.values && s.undo.back.mask) {
        parallel::copy_bytes(s.undo.back.mask.data(), s.mask.values.data(),
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

void save_step(EngineState& s, bool savePixels, bool saveMask) {
    UndoState& u = s.undo;
    if (u.paused) return trace::skipped("PTE_SaveUndoBuffer", "undo is paused (PTE_ResumeUndo)");
    settle_dirty_rect(s);
    discard_redo(s);

    UndoRecord rect;  // the rectangle only; the blocks come from make_room
    rect.x0 = u.dirtyX0;
    rect.y0 = u.dirtyY0;
    rect.x1 = u.dirtyX1;
    rect.y1 = u.dirtyY1;
    const int32_t w = record_width(rect), h = record_height(rect);

    // A kind whose live buffer or back copy is missing cannot be recorded:
    // a step of it would hold whatever the back copy last saw, perhaps
    // another layer's pixels.
    const Plane pixel = savePixels ? pixel_plane(s) : Plane{};
    const Plane mask = saveMask ? mask_plane(s) : Plane{};
    const bool want_pixels = static_cast<bool>(pixel), want_mask = static_cast<bool>(mask);
    if ((savePixels || saveMask) && !want_pixels && !want_mask) {
        reset_dirty_rect(s);
        // With undo off, that is the reason a host needs to hear.
        if (u.levels <= 0) return trace_step_kept(s, savePixels, saveMask);
        return trace::skipped("PTE_SaveUndoBuffer", "nothing to record: no current layer of the image's size, no mask");
    }
    if (trace::enabled()) trace_step_kept(s, savePixels, saveMask);

    recompute_auto_budget(s);
    NewBlocks blocks;
    make_room(s, w, h, want_pixels, want_mask, blocks);

    if ((want_pixels && !blocks.pixels) || (want_mask && !blocks.mask)) {
        // Out of memory even with the history emptied: no step, but the
        // back copies still match the layer and the mask.
        give_back(s, blocks, w, h);
        if (want_pixels) refresh_rows(s, pixel, rect);
        if (want_mask) refresh_rows(s, mask, rect);
    } else if (u.levels > 0) {
        for (int32_t i = u.levels - 1; i > 0; --i) move_record(u, i - 1, i);
        UndoRecord& r = u.records[0];
        r.pixels = std::move(blocks.pixels);
        r.mask = std::move(blocks.mask);
        r.x0 = rect.x0;
        r.y0 = rect.y0;
        r.x1 = rect.x1;
        r.y1 = rect.y1;
        u.recordLayers[0] = s.currentLayer;
        if (want_pixels) store_rows(s, pixel, r, r.pixels.data());
        if (want_mask) store_rows(s, mask, r, r.mask.data());
    }
    reset_dirty_rect(s);
}

void undo_step(EngineState& s) {
    if (!can_undo(s) || s.undo.paused) return trace_no_step(s, "PTE_Undo", "undo");
    exchange_step(s, s.undo.redoCount);
    ++s.undo.redoCount;
}

void redo_step(EngineState& s) {
    if (s.undo.paused || s.undo.redoCount <= 0) return trace_no_step(s, "PTE_Redo", "redo");
    --s.undo.redoCount;
    exchange_step(s, s.undo.redoCount);
}

void set_levels(EngineState& s, int32_t levels) {
    clear(s);
    s.undo.levels = std::clamp(levels, 0, kMaxLevels);
}

void set_budget_mb(EngineState& s, int32_t megabytes) {
    if (megabytes != 0) {
        s.undo.autoBudget = 0;
        s.undo.budgetKB = static_cast<int32_t>(std::clamp<int64_t>(int64_t(megabytes) * 1024, INT32_MIN, INT32_MAX));
    } else {
        s.undo.autoBudget = 1;
        recompute_auto_budget(s);
    }
}

bool can_undo(const EngineState& s) {
    const UndoState& u = s.undo;
    return u.redoCount >= 0 && u.redoCount < u.levels && u.records[u.redoCount].in_use();
}

bool can_redo(const EngineState& s) { return s.undo.redoCount != 0; }

int32_t step_count(const EngineState& s) {
    return static_cast<int32_t>(
        std::count_if(s.undo.records.begin(), s.undo.records.end(), [](const UndoRecord& r) { return r.in_use(); }));
}

int32_t budget_mb(EngineState& s) {
    recompute_auto_budget(s);
    return s.undo.budgetKB / 1024;
}

int32_t memory_mb(const EngineState& s) { return s.undo.undoMemoryKB / 1024; }

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
        clear_rect(r);
        take_off_memory(s, kb);
        freed_kb += kb;
    }
}

void release_everything(EngineState& s) {
    for (UndoRecord& r : s.undo.records) {
        r.pixels.release();
        r.mask.release();
        clear_rect(r);
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
