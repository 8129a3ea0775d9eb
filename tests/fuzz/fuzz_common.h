// Shared set-up of the fuzz targets: small pictures only, so that every
// input runs in milliseconds, and a check that decoders hand out what they
// claim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/imglib/codecs.h"

namespace fuzz {

inline void keep_pictures_small() {
    static const bool once = (imglib::codec::set_max_pixels(uint64_t(1) << 20), true);
    (void)once;
}

// Touches every byte of a decoded picture (so the sanitizers see a short
// block) and frees it.
inline void consume(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t channels) {
    if (pixels == nullptr) return;
    volatile uint8_t sum = 0;
    for (size_t i = 0, n = size_t(width) * height * channels; i < n; ++i) sum = uint8_t(sum + pixels[i]);
    imglib::GlobalFree(pixels);
}

}  // namespace fuzz
