// Pictures to and from the clipboard, and screen captures.
//
// The clipboard holds one picture as a packed device-independent bitmap.
// Copies take the current layer (or a rectangle of it, or a caller picture)
// with the mask applied to its alpha. Pastes read the clipboard into the
// newRGBA buffer and from there into the current layer: as it is, or
// scaled, turned and centred on a point.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"
#include "platform/clipboard.h"

namespace io {

void to_clipboard(engine::EngineState& s);
// The rectangle between the two corners (in either order) clipped to the
// image; nothing is copied when no pixel of it lies on the image.
void to_clipboard_rect(engine::EngineState& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// A packed caller picture; the mask is applied to its alpha in place where
// it lies over the image.
void rgba32_to_clipboard(engine::EngineState& s, uint8_t* rgba, int32_t width, int32_t height);

// 1 while the last copy is still what the desktop's clipboard offers to
// other programs.
int32_t clipboard_owned();

// 1 when newRGBA now holds the clipboard's picture, else 0 with newRGBA as
// it was.
int32_t from_clipboard(engine::EngineState& s);
// Lays the clipboard's picture with its top-left corner (or, with `centre`,
// its centre) at (x, y) over the current layer through the mask; 1 when it
// was laid. Without a picture on the clipboard or a current layer nothing
// changes and the result is 0.
int32_t from_clipboard_into(engine::EngineState& s, int32_t x, int32_t y, bool centre);
// Scales the picture by `scale`, turns it by `angle` degrees
// (counter-clockwise as seen) and merges it over the current layer at (x,
// y) in "Normal" at opacity 255 through the mask and texture. `smooth`
// chooses bicubic resampling over nearest pixels.
void from_clipboard_into_ex(engine::EngineState& s, int32_t x, int32_t y, float scale, int32_t angle, bool centre,
                            bool smooth);
// The same with the picture's longer side brought to `size` pixels;
// smoothing works on colour premultiplied by alpha, and only the part of the
// picture over the image is merged.
void from_clipboard_into_ex2(engine::EngineState& s, int32_t x, int32_t y, int32_t size, int32_t angle, bool centre,
                             bool smooth);

// 1 when newRGBA now holds the screen, else 0 with newRGBA as it was.
int32_t screen_capture(engine::EngineState& s);
// The screen laid over the current layer at (0, 0) through the mask.
int32_t screen_capture_into(engine::EngineState& s);

// A packed bitmap into newRGBA (alpha 255 where the bitmap has none): 1 when
// newRGBA now holds it, else 0 with newRGBA as it was. Throws NewRGBAError
// when the picture's memory cannot be had.
int32_t dib_to_new_rgba(engine::EngineState& s, const platform::Dib& dib);
int32_t dib_to_new_rgba(engine::EngineState& s, const uint8_t* dib, uint64_t size);
// The packed bitmap of a packed RGBA32 picture; empty for an empty picture.
platform::Dib rgba_to_dib(const uint8_t* rgba, int32_t width, int32_t height);

}  // namespace io
