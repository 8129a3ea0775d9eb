// Moving the current layer's pixels through the RGBA32 working buffers: a
// pan with an edge mode, a displacement by a script texture's slopes, and a
// push from one point to another. Each needs iplSrc32 and iplDst32 (at the
// image's size) and does nothing without them.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace imaging {

// Pans iplSrc32 as it stands by (dx, dy) into iplDst32: with a nonzero edge
// mode through the offset transform (1 wraps, 2 repeats the edge, other
// numbers show the background red, green, blue, alpha), with edge mode 0
// laid over transparent black. With `useMask` the result's alpha is
// weighed by mask and texture; it is then merged into the current layer in
// "Normal" at full opacity, the layer's keepAlpha honoured.
void pan(engine::EngineState& s, int32_t dx, int32_t dy, int32_t edgeMode, int32_t red, int32_t green, int32_t blue,
         int32_t alpha, uint8_t useMask);

// Renders the script file at `path`, tiles it (as RGBA) over the image,
// makes it opaque, and takes its grey level as the height map of the
// bump-map displacement (strength as a 32-bit float) from iplSrc32 as it
// stands into iplDst32 (hard edges against `background`, a colour word
// red + green * 256 + blue * 65536 + alpha * 2^24); the alpha is divided out
// and iplDst32 loaded through the mask. A script that renders nothing
// leaves a flat map: the layer comes back as it was.
void displacement_bump(engine::EngineState& s, const char* path, double strength, uint32_t background);

// Premultiplies iplSrc32 as it stands, pushes the neighbourhood of
// (x1, y1) over to (x2, y2) into iplDst32, divides the alpha out and loads
// iplDst32 through the mask.
void warp_point_to_point(engine::EngineState& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

}  // namespace imaging
