// Tips and grit patterns made from pictures: an effect script rendered by
// the imaging library, or an image file.
//
// A tip shape comes from the picture turned by its angle (kept in the shape
// cache, so a new brush size or strength only resamples it), stretched to
// S x S and greyed: each tip value is trunc(grey * 256 * tipStrength), held
// to 0..65535. Grit patterns are (S + 25)-square pieces of the picture's
// grey image cut at random offsets.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace brush {

// Which sources a picture route tries.
enum class PictureSources { ScriptsThenFiles, FilesOnly };

// Builds tipAlpha (already cleared) from the picture at `path` turned by
// `angle` degrees; false when there is no picture or it cannot be
// resampled, and the caller draws the disc. drawingCountdown restarts at
// drawingLength after any resampling attempt.
bool build_picture_tip(engine::EngineState& s, const char* path, int32_t angle, PictureSources sources);

// Replaces the 20 grit patterns by pieces of the picture at `path`: for each
// pattern, two draws of the generator give the piece's left and top (x
// first) within the grey image. A picture smaller than S + 26 a side is
// tiled up to that size first. False, patterns unchanged, when the path
// gives no picture. drawingCountdown restarts at drawingLength on success.
bool build_grit_from_picture(engine::EngineState& s, const char* path);

// Stretches a packed picture of w x h (bytesPerPixel bytes a pixel) to a
// packed S x S square: averaged down when S is narrower than the picture,
// else bilinear. False when the imaging library refuses.
bool stretch_to_square(const uint8_t* picture, int32_t w, int32_t h, uint32_t bytesPerPixel, uint8_t* square,
                       int32_t S);

// Lays a picture of w x h (1 to 4 bytes a pixel) repeatedly over a canvas
// of cw x ch from its top-left corner, so that the canvas shows the
// picture tiled.
void tile_picture(const uint8_t* picture, int32_t w, int32_t h, uint32_t bytesPerPixel, uint8_t* canvas, int32_t cw,
                  int32_t ch);

}  // namespace brush
