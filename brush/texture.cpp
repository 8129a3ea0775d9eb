#include "brush/texture.h"

#include <algorithm>

#include "engine/trace.h"

namespace brush {

void create_texture(engine::EngineState& s, int32_t layer) {
    const uint16_t* pixels = engine::valid_layer_index(layer) ? engine::image_pixels(s, s.layers[layer]) : nullptr;
    if (pixels == nullptr) return trace::no_layer("PTE_CreateTexture", s, layer);
    const uint64_t count = engine::image_pixel_count(s);
    auto& texture = s.brush.texture;
    if (texture.size() != count && !texture.allocate(count)) return;
    for (uint64_t i = 0; i < count; ++i) {
        const uint16_t* p = pixels + i * 4;
        const uint32_t grey = ((uint32_t(p[0]) + p[1] + p[2]) / 3) >> 8;
        // Never 0 and never 255: a texture always leaves some coverage and
        // never leaves it whole.
        texture[i] = uint8_t(std::clamp<uint32_t>(grey, 4, 250));
    }
}

void delete_texture(engine::EngineState& s) { s.brush.texture.release(); }

}  // namespace brush
