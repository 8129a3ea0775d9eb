// A small picture of known colour regions for the paint bucket and the
// magic wand, and the regions worked out the slow way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace region_picture {

using Rgba = std::vector<int>;

// A character a pixel: paper 'a', paper within the tolerance edge 'b' (red
// +5), paper just past it 'c' (red +6), wall 'w', paper at half alpha 'h',
// transparent black 't' and opaque red 1 'u' (black and red 1 are the first
// two candidate marker colours). The corner region of 'a' at the top left is
// closed off from the rest by walls meeting corner to corner.
inline constexpr int kWidth = 12, kHeight = 6;
// Tolerance 1000 of 50000: library tolerance 3901, each channel within 5;
// as a range, 2 percent, within trunc(2 * 2.56) = 5.
inline constexpr int kTolerance = 1000;
inline constexpr int kRange = 5;

Rgba colour_at(int x, int y);
// The picture as packed RGBA32.
std::vector<uint8_t> rgba32();

// The 4-connected pixels of a w x h picture around (sx, sy) for which
// matches(x, y) holds, breadth first; indexed y * w + x.
std::vector<bool> breadth_first_region(int w, int h, int sx, int sy, const std::function<bool(int, int)>& matches);

// The 4-connected pixels around (sx, sy) whose first `channels` channels
// each lie within `range` of that pixel's, breadth first; indexed
// y * kWidth + x.
std::vector<bool> region(int sx, int sy, int range, int channels = 4);
// Loads the picture into layer `slot` of a fresh image of its size with a
// transparent layer 2 (the mask not involved), makes it current and protects
// the whole mask when `protect` is set.
void load_onto_layer(int slot, bool protect);

// Whether each of the first three channels lies within `range`.
bool rgb_within(const Rgba& p, const Rgba& ref, int range);

}  // namespace region_picture
