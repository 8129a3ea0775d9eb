// The undo history: back copies of the current layer and mask, and steps
// that exchange rectangles with them.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace undo {

// Empty dirty rectangle, ready to grow by min and max: (W - 1, H - 1, 0, 0).
void reset_dirty_rect(engine::EngineState& s);

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

}  // namespace undo
