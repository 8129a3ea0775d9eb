#include "engine/engine_state.h"

#include <cstring>

namespace engine {

EngineState& state() {
    static EngineState the_state;
    return the_state;
}

void set_last_error(EngineState& s, const char* text) {
    // The last byte is never written, so the text always stays terminated.
    std::memset(s.lastError, 0, kLastErrorCapacity - 1);
    if (text == nullptr) return;
    std::memcpy(s.lastError, text, strnlen(text, kLastErrorCapacity - 1));
}

namespace {
bool covers_image(const EngineState& s, const LayerSlot& slot) {
    return slot.has_pixels() && slot.width == s.imageWidth && slot.height == s.imageHeight &&
           slot.rowLength == s.layerRowLength;
}
}  // namespace

uint16_t* image_pixels(EngineState& s, LayerSlot& slot) {
    return covers_image(s, slot) ? slot.pixels.data() : nullptr;
}

const uint16_t* image_pixels(const EngineState& s, const LayerSlot& slot) {
    return covers_image(s, slot) ? slot.pixels.data() : nullptr;
}

uint16_t* current_image_pixels(EngineState& s) {
    return s.currentSlot != nullptr ? image_pixels(s, *s.currentSlot) : nullptr;
}

const uint16_t* current_image_pixels(const EngineState& s) {
    return s.currentSlot != nullptr ? image_pixels(s, *s.currentSlot) : nullptr;
}

}  // namespace engine
