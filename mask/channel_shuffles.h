// Small RGB24 and RGBA32 shuffles that go with the mask operations: alpha
// replaced by range or by flood map, alpha moved into grey and back, and
// colour copied between three- and four-byte pixels. None touches the mask.
//
// Buffers are packed (width * 3 or width * 4 bytes a row) and trusted; a
// null pointer or a size below 1 does nothing.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace mask {

// Over an image-sized RGBA32 image: every pixel whose alpha byte lies
// within trunc(tolerance * 2.56) of `alpha` becomes (c0, c1, c2, c3).
void replace_alpha_range_rgba32(const engine::EngineState& s, uint8_t* image, int32_t alpha, int32_t tolerance,
                                int32_t c0, int32_t c1, int32_t c2, int32_t c3);
// Over an image-sized RGBA32 image: every pixel whose map byte is 1 becomes (c0, c1, c2, c3).
void colour_from_flood_map_rgba32(const engine::EngineState& s, uint8_t* image, const uint8_t* map, int32_t c0,
                                  int32_t c1, int32_t c2, int32_t c3);

// Each RGB24 pixel takes the RGBA32 pixel's alpha in all three bytes.
void rgba32_alpha_to_rgb24(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
// Each RGBA32 alpha becomes the mean of the RGB24 pixel's bytes; colour stays.
void rgb24_to_rgba32_alpha(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
// Colour bytes copied across; the RGBA32 alpha stays, or is dropped.
void rgb24_to_rgba32(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
void rgba32_to_rgb24(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);

}  // namespace mask
