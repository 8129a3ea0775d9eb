// Drawing into the current layer: filled rectangles and ellipses, linear and
// radial gradients, and text, each made in a working buffer by the imaging
// library and merged or loaded into the layer through the selection mask.
//
// Colours arrive as red, green and blue; each component's low byte counts.
#pragma once

#include <array>
#include <cstdint>

#include "engine/engine_state.h"

namespace imaging {

// trunc(percent * 2.55) as an exact fraction (so 100 gives 255), held to
// the merge's 0..256.
uint32_t opacity_from_percent255(int32_t percent);

// Merges iplDst32 into the current layer: its alpha weighed by mask and
// texture, then laid in "Normal" at `opacity` (0..256), keeping the layer's
// alpha when its keepAlpha is set.
void merge_working_dst(engine::EngineState& s, uint32_t opacity);

// The rectangle between two corners (either order, both included), solid
// in the colour, merged at the opacity percentage.
void draw_rectangle(engine::EngineState& s, int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1,
                    int32_t x2, int32_t y2, int32_t opacityPercent);

// The filled, anti-aliased ellipse in the box between two corners, radii
// half the box's sides (truncated) and at least 2, centred that far in from
// the box's top-left corner; merged at the opacity percentage.
void draw_ellipse(engine::EngineState& s, int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1,
                  int32_t x2, int32_t y2, int32_t opacityPercent);

struct Rgb {
    int32_t red, green, blue;
};

// A gradient of `count` colours (0 to 4; any other count draws nothing):
// "Linear" from (x1, y1) to (x2, y2), any other kind radial around (x1, y1)
// out to (x2, y2). Counts 0 and 1 fade the first colour in and out; 2 to 4
// spread the colours evenly, opaque.
void draw_gradient(engine::EngineState& s, const std::array<Rgb, 4>& colours, int32_t count, int32_t x1, int32_t y1,
                   int32_t x2, int32_t y2, const char* kind);

// Draws UTF-8 text with the engine's font record at (x, y) into iplSrc32
// (refreshed from the current layer first) and loads it into the layer
// through the mask: anti-aliased when `smooth`, else aliased. 1 when
// loaded; 0 without iplSrc32, without a text, with nothing to draw (an
// empty text, a place at or past the right or bottom edge), or when it
// cannot be drawn; the layer is then left as it was.
int32_t draw_text(engine::EngineState& s, int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y,
                  const char* text, bool smooth);

// The font dialog: this platform offers none within the engine's reach, so
// it answers as a cancelled dialog does (0) and leaves the record alone.
int32_t choose_font(engine::EngineState& s);

// The 60-byte font record copied in and out; null is ignored.
void set_font_record(engine::EngineState& s, const void* record);
void get_font_record(const engine::EngineState& s, void* record);

}  // namespace imaging
