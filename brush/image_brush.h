// Image brushes: a small picture stamped instead of a flat colour. The
// picture is kept at its loaded size, resampled to the brush size on
// demand, optionally turned, and poured into the blend buffer, whose
// colours blending dabs then paint. A strip of square frames side by side
// lets the host pick one frame at a time.
//
// Pictures are RGBA64 (8-bit values loaded as v * 256); the flat colours
// of fill and colour are v * 257. Every operation that needs the brush size
// uses the tip edge S (the brush size held to the tip capacity) and does
// nothing while it is 0. A picture that cannot be read, or one larger than
// the tip capacity, leaves the brush as it was; memory that cannot be had
// throws std::bad_alloc with the brush as it was.
#pragma once

#include <cstdint>
#include <new>

#include "engine/engine_state.h"

namespace brush {

// Sizing the picture failed for want of memory (inside copy_from_image_brush too).
struct SizeImageBrushError : std::bad_alloc {};

void load_image_brush(engine::EngineState& s, const char* path);
// Host pixels, packed RGBA32 rows of width * 4 bytes.
void load_image_brush_from_rgba32(engine::EngineState& s, const uint8_t* pixels, int32_t width, int32_t height);
// A strip of height x height frames (width / height of them); the brush
// becomes a transparent height x height picture until a frame is copied.
void load_image_brush_array(engine::EngineState& s, const char* path);
// Frame trunc(frames * position) of the strip (held to the strip) into the brush.
void copy_from_image_brush_array(engine::EngineState& s, float position);

// The brush becomes the blend buffer's used S x S square.
void copy_to_image_brush(engine::EngineState& s);
// The brush becomes S x S of one opaque colour (0..255 each, low byte).
void fill_image_brush(engine::EngineState& s, int32_t red, int32_t green, int32_t blue);
// Every pixel takes the colour and keeps its alpha; without a brush, an
// opaque S x S one is made first.
void color_image_brush(engine::EngineState& s, int32_t red, int32_t green, int32_t blue);

// sizedBrush = the brush resampled to S x S (averaged down when S is below
// its width, else bilinear); the rotation must then be made again.
void size_image_brush(engine::EngineState& s);
// Sizes the brush, then mixes it into the blend buffer's S x S square
// keeping `keepPercent` (0..100) of the old content: d = trunc(percent *
// 2.55), each value (old * d + sized * (255 - d)) >> 8.
void copy_from_image_brush(engine::EngineState& s, int32_t keepPercent);

// rotatedBrush = sizedBrush turned by -angle degrees (the effect's 360 -
// angle), its alpha turned as a grey picture of its own.
void rotate_image_brush(engine::EngineState& s, int32_t angle);
// As copy_from_image_brush with the turned picture: each value
// (q * 256 * (255 - d) + old * d) >> 8, q * 256 for d = 0. Nothing before
// a rotation.
void copy_from_image_brush_rotate(engine::EngineState& s, int32_t keepPercent);

// Writes the brush at its loaded size as an RGBA PNG at 72 dots per inch.
// Throws std::runtime_error when the file cannot be written.
void save_image_brush(const engine::EngineState& s, const char* path);

}  // namespace brush
