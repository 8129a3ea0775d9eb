// The compositing renderer: what the host shows.
//
// The visible layers of the stack, with the stroke in progress laid over
// the current layer, are composited for a rectangle of the image at the
// view's integer zoom and written as 24-bit blue-green-red pixels into the
// host's display buffer, over a transparency checkerboard, with the tracing
// layer and the selection mask mixed in when asked for.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace compositor {

// Renders the rectangle (x, y, width, height) of the image, in image
// pixels, into `buffer`, whose rows are `stride` bytes apart. Nothing is
// written when there is no current layer with pixels, no buffer, or nothing
// of the rectangle lies in the image and the view. Allocates nothing.
void render_rect(const engine::EngineState& s, uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t width,
                 int32_t height);

// The composite itself, before the checkerboard and the mask overlay: the
// RGBA64 values of `count` image pixels of `row`, from `column` on, `step`
// columns apart, with the tracing layer mixed in as the display shows it.
// Nothing is written unless every pixel lies in the image.
void composite_row(const engine::EngineState& s, int32_t row, int32_t column, int32_t count, int32_t step,
                   uint16_t* out);

}  // namespace compositor
