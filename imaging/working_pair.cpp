#include "imaging/working_pair.h"

#include "engine/pixels.h"

namespace imaging {

Rgba32Pair rgba32_pair(engine::EngineState& s) {
    const uint64_t bytes = engine::sat_mul(engine::image_pixel_count(s), 4);
    auto& w = s.working;
    if (!w.iplSrc32 || !w.iplDst32 || w.iplSrc32.size() < bytes || w.iplDst32.size() < bytes) return {};
    return {w.iplSrc32.data(), w.iplDst32.data(), s.imageWidth, s.imageHeight, bytes};
}

void load_into_current_layer(engine::EngineState& s, const uint8_t* picture) {
    if (s.currentSlot == nullptr || engine::image_pixels(s, *s.currentSlot) == nullptr) return;
    pixels::load_rgba32(s, picture, s.imageWidth * 4, true);
}

}  // namespace imaging
