// The strokes of `pte demo`, painted through the engine's exports.
#pragma once

#include <cstdint>
#include <vector>

namespace pte {

// Paints four strokes (soft, grit, smudge, eraser) on a paper background,
// each shown by the renderer as it goes, merged and saved for undo. Leaves
// the final display in `painted` and the display after undoing the eraser
// in `undone`, both as RGB24 rows of width x height. False when the engine
// could not make the image.
bool paint_strokes(int width, int height, std::vector<uint8_t>& painted, std::vector<uint8_t>& undone);

}  // namespace pte
