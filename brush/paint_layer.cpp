#include "brush/paint_layer.h"

#include <algorithm>
#include <cstring>

#include "engine/blend_modes.h"
#include "engine/layers.h"
#include "engine/trace.h"

namespace brush {

namespace {
void empty_changed_area(engine::EngineState& s) {
    engine::LayerSlot& p = s.paintLayer;
    p.changedLeft = s.imageWidth;
    p.changedTop = s.imageHeight;
    p.changedRight = 0;
    p.changedBottom = 0;
}
}  // namespace

void clear_paint_layer(engine::EngineState& s) {
    if (!s.paintLayer.has_pixels()) return;
    s.paintLayer.pixels.fill_bytes(0);
    empty_changed_area(s);
}

void clear_paint_layer_old(engine::EngineState& s) {
    engine::LayerSlot& p = s.paintLayer;
    if (!p.has_pixels()) return;
    p.pixels.fill_bytes(255);
    const int32_t x0 = std::max(p.changedLeft, 0), x1 = std::min(p.changedRight, p.width);
    const int32_t y0 = std::max(p.changedTop, 0), y1 = std::min(p.changedBottom, p.height);
    for (int32_t y = y0; x0 < x1 && y < y1; ++y)
        std::memset(p.pixels.data() + size_t(y) * size_t(p.rowLength) + size_t(x0) * 4, 0, size_t(x1 - x0) * 8);
    empty_changed_area(s);
}

void create_paint_layer(engine::EngineState& s, int32_t opacityPercent, const char* modeName) {
    engine::LayerSlot& p = s.paintLayer;
    if (!s.mask.values) trace::no_image("PTE_CreatePaintLayer");
    // A paint layer left at another image size is dropped: dabs and merges
    // address it with the image's size.
    if (p.has_pixels() && !engine::image_pixels(s, p)) p.pixels.release();
    if (!p.has_pixels()) {
        p.width = s.imageWidth;
        p.height = s.imageHeight;
        p.rowLength = s.layerRowLength;
        // Without the memory there is no paint layer and dabs go to the layer.
        if (p.pixels.allocate(engine::sat_mul(engine::image_pixel_count(s), 4)))
            clear_paint_layer(s);
        else
            trace::skipped("PTE_CreatePaintLayer", "no memory for a %d x %d paint layer: dabs go to the layer", p.width,
                           p.height);
    }
    if (modeName != nullptr && std::strlen(modeName) < sizeof p.modeName) std::strcpy(p.modeName, modeName);
    p.visible = 1;
    p.keepAlpha = 0;
    p.opacity = layers::opacity_from_percent(opacityPercent);
    p.mode = engine::blend_mode_from_name(modeName);
    if (!engine::is_blend_mode_name(modeName))
        trace::unknown_name("PTE_CreatePaintLayer", "blend mode", modeName, "the stroke merges as \"Normal\"");
}

void grow_changed_area(engine::LayerSlot& paint, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    paint.changedLeft = std::min(paint.changedLeft, left);
    paint.changedTop = std::min(paint.changedTop, top);
    paint.changedRight = std::max(paint.changedRight, right);
    paint.changedBottom = std::max(paint.changedBottom, bottom);
}

uint16_t* paint_pixels(engine::EngineState& s) { return engine::image_pixels(s, s.paintLayer); }

}  // namespace brush
