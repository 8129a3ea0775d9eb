// Picture files for the command-line host, through the engine's file functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pte {

// Writes a packed RGBA32 picture in the format the extension of `path`
// names: with alpha where the format keeps it, else as RGB24. False when
// the extension names no format the engine writes or the write fails.
bool write_picture(const std::string& path, const uint8_t* rgba, int width, int height, int dpi);

}  // namespace pte
