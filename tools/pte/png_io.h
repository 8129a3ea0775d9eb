// PNG files for the command-line host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pte {

// Writes packed RGBA32 (or RGB24 when channels is 3) rows as a PNG; false
// with a reason in `error` when the file cannot be written.
bool write_png(const std::string& path, const uint8_t* pixels, int width, int height, int channels,
               std::string& error);

}  // namespace pte
