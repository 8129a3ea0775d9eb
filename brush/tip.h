// Brush tips and grit patterns: the tip shape `tipAlpha` (a disc with a
// soft edge), the 20 grit patterns cut from the random tables, and the
// grey "blob" paint made from a layer.
#pragma once

#include <cstdint>

#include "brush/picture_tip.h"
#include "engine/engine_state.h"

namespace brush {

// The tip shape covers the tip capacity (an image exists).
bool tip_ready(const engine::EngineState& s);
// All 20 grit patterns cover (T + 25)^2 bytes.
bool grit_patterns_ready(const engine::EngineState& s);

// Clears the whole tip and builds it for the brush size: from the picture
// at `path` (an effect script or, failing that, an image file; with
// FilesOnly an image file only) turned by `angle`, or the disc when the
// path has fewer than 2 characters or gives no picture.
void set_brush_shape(engine::EngineState& s, const char* path, int32_t angle,
                     PictureSources sources = PictureSources::ScriptsThenFiles);

// A tip value: trunc(value) held to 0..65535 (NaN gives 0).
uint16_t to_tip_value(double value);

// The disc: radius R = S / 2 about the integer centre (S / 2, S / 2), a
// soft edge of R * softness / 255 falling linearly to 0, optionally
// inverted, every value times tipStrength. Nothing happens without a tip.
void build_disc(engine::EngineState& s);

// The 20 grit patterns from the two random tables, by blocks of gritBlock
// tip pixels; currentTip ends on the last pattern. Reading continues at the
// table's start when it reaches the end, so no read leaves a table. A block
// edge below 1 makes no blocks: every pattern byte stays 255 (never
// painted). Throws std::logic_error when the tables or patterns are missing
// (no image).
void build_grit_from_tables(engine::EngineState& s);

// Rewrites a layer as grey paint whose alpha follows its luminance; mode 1
// keeps some of the colour, pulling dark and light toward the middle.
void create_blob_from_image(engine::EngineState& s, int32_t layer, int32_t mode);

}  // namespace brush
