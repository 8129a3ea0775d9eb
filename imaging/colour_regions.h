// What the flood fills and the magic wand share: the two forms of their
// tolerance, the clicked colour as the imaging library takes it, and the
// marker colour that marks a region in the working picture.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/engine_state.h"

namespace imaging {

// The host's tolerance runs from 0 to 50000 (the full range). For the
// imaging library's colour matching it becomes trunc(t * 0.00002 * 195075),
// computed exactly as t * 195075 / 50000 and held to the int32 range.
int32_t library_tolerance(int32_t tolerance);
// For the percentage tolerance of the mask's range operations: t / 500.
inline int32_t range_tolerance(int32_t tolerance) { return tolerance / 500; }

// A sampled colour 0x00RRGGBB as a colour word in pixel byte order (red
// and blue bytes swapped); nothing for the transparent sample -1, which
// names no colour.
std::optional<uint32_t> sample_colour_word(int32_t sample);

// The colour word red + green * 256 + blue * 65536 of the low bytes of the
// three components.
uint32_t colour_word(int32_t red, int32_t green, int32_t blue);

// The first RGB colour no pixel of a packed RGBA32 picture has, searching
// blue from 0, within it green from 0, within that red from 0 to 255: the
// smallest red + green * 256 + blue * 65536 absent from the picture.
// Nothing when the picture holds every one of the 2^24 colours.
std::optional<uint32_t> find_marker_colour(const uint8_t* rgba, uint64_t pixelCount);

// The flood map (1 inside, 0 elsewhere; W x H bytes) of the region around
// (x, y) whose alpha lies within the library tolerance of that pixel's,
// found on the current layer's alpha as a grey picture. False, with the map
// unset, when the memory cannot be had or the imaging library cannot find it.
bool alpha_region_map(engine::EngineState& s, int32_t x, int32_t y, int32_t libraryTolerance,
                      engine::OwnedBuffer<uint8_t>& map);

}  // namespace imaging
