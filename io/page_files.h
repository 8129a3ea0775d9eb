// Saving the page: the composite of the visible layers written to a file
// one row at a time, so no picture of the whole image is ever held.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace io {

// Writes the composite as RGB24 (".bmp", ".png", ".jpg") or RGBA32 (".png",
// ".tga", ".tif"), extensions compared without regard to case, at dpi. An
// extension outside these writes nothing. A row buffer that cannot be had
// throws std::bad_alloc and a file that cannot be written throws
// std::runtime_error; either way any existing file of that name is left as
// it was.
void save_page_rgb24(const engine::EngineState& s, const char* path, const char* ext, int32_t dpi);
void save_page_rgba32(const engine::EngineState& s, const char* path, const char* ext, int32_t dpi);

}  // namespace io
