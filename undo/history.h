// The undo history: back copies of the current layer and mask, and steps
// that exchange rectangles with them.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace undo {

// Empty dirty rectangle, ready to grow by min and max: (W - 1, H - 1, 0, 0).
void reset_dirty_rect(engine::EngineState& s);

// The undo back buffer (the current layer as it stood at the last save)
// when it covers the image, else null.
const uint16_t* back_pixels(const engine::EngineState& s);

// Empties every record, sets the memory figure to the back buffers' share,
// refreshes the back copies from the current layer and the mask, and
// recomputes the automatic budget.
void clear(engine::EngineState& s);

// Copies the whole layer and the whole mask into the back copies, unless paused.
void save_back_buffer(engine::EngineState& s, int32_t layer);

// Releases the oldest steps that hold pixels until `megabytes` have been
// freed; the order of the remaining steps is kept.
void reduce(engine::EngineState& s, int32_t megabytes);

// Releases every record's blocks and the two back copies (image deletion and
// re-sizing); the memory figure is left to the caller.
void release_everything(engine::EngineState& s);

// Allocates the two back copies for the image size: a transparent layer and
// a fully selected mask until the first refresh.
void allocate_back_buffers(engine::EngineState& s);

// With the automatic budget on: the smaller of available memory and page
// file, * 0.85, plus what the history holds, less 20 KB per image kilopixel,
// and at least 15 KB per image kilopixel.
void recompute_auto_budget(engine::EngineState& s);

// Kilobytes of a w * h block of `bytes_per_pixel`, truncated.
int32_t block_kb(int32_t w, int32_t h, int32_t bytes_per_pixel);

// Releases both blocks of a record, taking them off the memory figure, and
// clears its rectangle.
void release_record(engine::EngineState& s, UndoRecord& r);

// Widens the dirty rectangle to take in (x0, y0)-(x1, y1). Dabs pass their
// right and bottom edges one past the dab; a save reads all four edges as
// inclusive and clips them to the image.
void grow_dirty_rect(engine::EngineState& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// Records one step of the current layer and/or the mask: the dirty
// rectangle's before-image moves from the back copies into a new step and
// the back copies take the after-image. Redoable steps are dropped first,
// and the oldest steps make room under the budget. When memory cannot be
// had no step is recorded, but the back copies still follow the layer.
void save_step(engine::EngineState& s, bool savePixels, bool saveMask);

// Exchange the next step to undo (or redo) with the layer and the mask.
// Neither allocates. A step whose layer no longer covers the image leaves
// every layer alone; its mask part is still exchanged.
void undo_step(engine::EngineState& s);
void redo_step(engine::EngineState& s);

// Empties the history, then keeps `levels` steps at most (0..500).
void set_levels(engine::EngineState& s, int32_t levels);

// A fixed budget of `megabytes`, or with 0 the automatic budget, computed at once.
void set_budget_mb(engine::EngineState& s, int32_t megabytes);

bool can_undo(const engine::EngineState& s);
bool can_redo(const engine::EngineState& s);
// Steps that hold a block, redoable ones included.
int32_t step_count(const engine::EngineState& s);
// The budget in whole megabytes, recomputed first when it is automatic.
int32_t budget_mb(engine::EngineState& s);
// What the history holds, back copies included, in whole megabytes.
int32_t memory_mb(const engine::EngineState& s);

}  // namespace undo
