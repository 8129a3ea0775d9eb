// The drawing panels of `pte demo`, made through the engine's exports.
#pragma once

#include <cstdint>
#include <vector>

namespace pte {

// Draws a small scene with gradients, shapes, flood fills and text in
// several scripts. Leaves what the display shows in `drawn`, and the same
// with a magic-wand selection shown over it in `selected`, both as RGB24
// rows of width x height. False when the engine could not make the image.
bool drawing_panels(int width, int height, std::vector<uint8_t>& drawn, std::vector<uint8_t>& selected);

}  // namespace pte
