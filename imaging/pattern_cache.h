// What "Pattern Explorer" keeps between calls: the script path it rendered
// last and that script's picture (RGBA32 of the header's size), so that
// exploring one pattern with new settings renders its script once.
#pragma once

#include <cstdint>
#include <string>

#include "engine/buffer.h"

namespace imaging {

struct PatternCache {
    std::string path;
    engine::OwnedBuffer<uint8_t> picture;
    int32_t width = 0;
    int32_t height = 0;
};

}  // namespace imaging
