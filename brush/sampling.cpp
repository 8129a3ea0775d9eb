#include "brush/sampling.h"

#include <algorithm>

#include "engine/pixels.h"
#include "undo/history.h"

namespace brush {

using engine::EngineState;

const uint16_t* current_layer_pixels(const EngineState& s) {
    return s.currentSlot != nullptr ? engine::image_pixels(s, *s.currentSlot) : nullptr;
}

const uint16_t* layer_pixels(const EngineState& s, int32_t index) {
    return engine::valid_layer_index(index) ? engine::image_pixels(s, s.layers[size_t(index)]) : nullptr;
}

const uint16_t* history_pixels(const EngineState& s) { return undo::back_pixels(s); }

const uint16_t* tracing_pixels(const EngineState& s) { return layer_pixels(s, engine::kTracingLayer); }

namespace {
bool inside(const EngineState& s, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < s.imageWidth && y < s.imageHeight;
}
size_t pixel_index(const EngineState& s, int32_t x, int32_t y) { return size_t(y) * size_t(s.imageWidth) + size_t(x); }
}  // namespace

int32_t channel64(const EngineState& s, int32_t x, int32_t y, int channel) {
    const uint16_t* p = current_layer_pixels(s);
    if (p == nullptr || !inside(s, x, y)) return 0;
    return p[pixel_index(s, x, y) * 4 + size_t(channel)];
}

int32_t mask64(const EngineState& s, int32_t x, int32_t y) {
    const uint16_t* m = pixels::image_mask(s);
    if (!s.maskActive || m == nullptr || !inside(s, x, y)) return 0;
    return 65535 - m[pixel_index(s, x, y)];
}

int32_t color_at(const EngineState& s, int32_t x, int32_t y, const uint16_t* pixels) {
    if (pixels == nullptr || s.imageWidth <= 0 || s.imageHeight <= 0) return 0;
    x = std::clamp(x, 0, s.imageWidth - 1);
    y = std::clamp(y, 0, s.imageHeight - 1);
    return pixels::packed_color(pixels + pixel_index(s, x, y) * 4);
}

int32_t color_at_history(const EngineState& s, int32_t x, int32_t y) {
    const undo::UndoState& u = s.undo;
    if (u.redoCount < 0 || u.redoCount >= u.levels || u.redoCount >= undo::kMaxLevels) return 0;
    if (!u.records[size_t(u.redoCount)].in_use()) return 0;
    return color_at(s, x, y, history_pixels(s));
}

}  // namespace brush
