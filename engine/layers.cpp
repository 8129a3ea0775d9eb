#include "engine/layers.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "brush/texture.h"
#include "engine/blend_modes.h"
#include "engine/trace.h"
#include "platform/imglib/imglib.h"
#include "undo/history.h"

namespace layers {

using engine::EngineState;
using engine::LayerSlot;

LayerSlot* slot_at(EngineState& s, int32_t index) {
    return engine::valid_layer_index(index) ? &s.layers[index] : nullptr;
}

namespace {

// Calls f(pixel) for every RGBA64 pixel of a slot, by its own size.
template <class F>
void for_each_pixel(LayerSlot& slot, F&& f) {
    if (!slot.has_pixels()) return;
    for (int32_t y = 0; y < slot.height; ++y) {
        uint16_t* p = slot.pixels.data() + size_t(y) * size_t(slot.rowLength);
        for (int32_t x = 0; x < slot.width; ++x, p += 4) f(p);
    }
}

template <class F>
void for_each_rgba32(uint8_t* buffer, int32_t width, int32_t height, F&& f) {
    if (buffer == nullptr || width <= 0 || height <= 0) return;
    const size_t count = size_t(width) * size_t(height);
    for (size_t i = 0; i < count; ++i) f(buffer + i * 4);
}

bool allocate_layer_pixels(EngineState& s, LayerSlot& slot, int32_t width, int32_t height) {
    const uint64_t values = engine::sat_mul(uint64_t(width), uint64_t(height), 4);
    if (slot.pixels.allocate(values)) return true;
    // Ask the history to give memory back, in whole megabytes, and try once more.
    const uint64_t megabytes = engine::sat_mul(values, 2) / 1048576;
    undo::reduce(s, static_cast<int32_t>(std::min<uint64_t>(megabytes, INT32_MAX)));
    return slot.pixels.allocate(values);
}

bool valid_layer_size(int32_t width, int32_t height) {
    return width >= 0 && height >= 0 && width <= std::numeric_limits<int32_t>::max() / 4;
}

}  // namespace

uint16_t opacity_from_percent(int32_t percent) {
    // percent * 2.56 truncated toward zero, in integers. Percentages outside
    // 0..100 are held to the 0..256 range the blend arithmetic is built for.
    const int64_t scaled = int64_t(percent) * 256 / 100;
    return static_cast<uint16_t>(std::clamp<int64_t>(scaled, 0, 256));
}

bool create_layer(EngineState& s, int32_t index, int32_t width, int32_t height) {
    LayerSlot* slot = slot_at(s, index);
    if (slot == nullptr || !valid_layer_size(width, height)) {
        trace::skipped("PTE_CreateLayer", "no layer %d of %d x %d: slots are 0..63, sides 0 and up", index, width,
                       height);
        return false;
    }
    if (slot->has_pixels() && (slot->width != width || slot->height != height)) slot->pixels.release();
    slot->width = width;
    slot->height = height;
    slot->rowLength = width * 4;
    if (!slot->has_pixels() && !allocate_layer_pixels(s, *slot, width, height)) {
        trace::skipped("PTE_CreateLayer", "no memory for layer %d of %d x %d", index, width, height);
        return false;
    }
    // The background starts opaque white, every other layer transparent black.
    slot->pixels.fill_bytes(index == engine::kBackgroundLayer ? 255 : 0);
    return true;
}

void delete_layer(EngineState& s, int32_t index) {
    if (LayerSlot* slot = slot_at(s, index)) slot->pixels.release();
}

void set_layer(EngineState& s, int32_t index) {
    LayerSlot* slot = slot_at(s, index);
    if (slot == nullptr || !slot->has_pixels()) return trace::no_layer("PTE_SetLayer", s, index);
    if (slot->mode == engine::kModeTexturize3) brush::delete_texture(s);
    LayerSlot* current = s.currentSlot;
    if (index != s.currentLayer && current != nullptr && current->visible && current->mode == engine::kModeTexturize3)
        brush::create_texture(s, s.currentLayer);
    s.currentSlot = slot;
    s.currentLayer = index;
    undo::save_back_buffer(s, index);
}

int32_t find_top_layer(const EngineState& s) {
    int32_t top = 1;
    for (int32_t i = 1; i < engine::kLayerCount; ++i) {
        if (s.layers[i].has_pixels()) top = i;
    }
    return top;
}

void set_layer_options(EngineState& s, int32_t index, uint8_t visible, uint8_t keepAlpha, int32_t opacityPercent,
                       const char* modeName) {
    LayerSlot* slot = slot_at(s, index);
    if (slot == nullptr) return trace::no_layer("PTE_SetLayerOptions", s, index);
    if (slot->mode == engine::kModeTexturize3) brush::delete_texture(s);
    slot->visible = visible;
    slot->keepAlpha = keepAlpha;
    slot->opacity = opacity_from_percent(opacityPercent);
    std::memset(slot->modeName, 0, sizeof slot->modeName);
    if (modeName != nullptr && std::strlen(modeName) < sizeof slot->modeName) std::strcpy(slot->modeName, modeName);
    slot->mode = engine::blend_mode_from_name(modeName);
    if (!engine::is_blend_mode_name(modeName))
        trace::unknown_name("PTE_SetLayerOptions", "blend mode", modeName, "the layer blends as \"Normal\"");
    s.topLayer = find_top_layer(s);
    if (index != s.currentLayer && slot->visible && slot->mode == engine::kModeTexturize3)
        brush::create_texture(s, index);
}

void swap_layers(EngineState& s, int32_t a, int32_t b) {
    LayerSlot* first = slot_at(s, a);
    LayerSlot* second = slot_at(s, b);
    if (first == nullptr || second == nullptr) return trace::no_layer("PTE_SwapLayers", s, first == nullptr ? a : b);
    if (first == second) return;
    std::swap(*first, *second);
}

int32_t layer_count(const EngineState& s) {
    return static_cast<int32_t>(
        std::count_if(s.layers.begin(), s.layers.end(), [](const LayerSlot& l) { return l.has_pixels(); }));
}

const LayerSlot* mask_layer_of(const EngineState& s, int32_t index) {
    if (index < 0 || index >= s.topLayer || index + 1 >= engine::kLayerCount) return nullptr;
    const LayerSlot& above = s.layers[index + 1];
    if (above.mode != engine::kModeLayerMask || !above.has_pixels() || !above.visible) return nullptr;
    return &above;
}

void invert_alpha(EngineState& s, int32_t index) {
    LayerSlot* slot = slot_at(s, index);
    if (slot == nullptr || !slot->has_pixels()) return trace::no_layer("PTE_InvertAlpha", s, index);
    for_each_pixel(*slot, [](uint16_t* p) { p[3] = uint16_t(65535 - p[3]); });
}

void set_layer_alpha(EngineState& s, int32_t index, uint16_t value) {
    LayerSlot* slot = slot_at(s, index);
    if (slot == nullptr || !slot->has_pixels()) return trace::no_layer("PTE_SetLayerAlpha", s, index);
    for_each_pixel(*slot, [value](uint16_t* p) { p[3] = value; });
}

void normalize_layer_alpha(EngineState& s, int32_t index) {
    LayerSlot* slot = slot_at(s, index);
    if (slot == nullptr || !slot->has_pixels()) return trace::no_layer("PTE_NormalizeLayerAlpha", s, index);
    const uint32_t opacity = slot->opacity;  // at most 256, so the product stays within 16 bits
    for_each_pixel(*slot, [opacity](uint16_t* p) { p[3] = uint16_t((opacity * p[3]) >> 8); });
    slot->opacity = 256;
}

void set_color_alpha(EngineState& s, int32_t red, int32_t green, int32_t blue) {
    uint16_t* pixels = engine::current_image_pixels(s);
    if (pixels == nullptr) return trace::no_current_layer("PTE_SetColorAlpha", s);
    const auto wide = [](int32_t v) { return uint16_t(std::clamp(v, 0, 255) * 257); };
    const uint16_t r = wide(red), g = wide(green), b = wide(blue);
    const uint64_t count = engine::image_pixel_count(s);
    for (uint64_t i = 0; i < count; ++i) {
        uint16_t* p = pixels + i * 4;
        if (p[3] < 256) {
            p[0] = r;
            p[1] = g;
            p[2] = b;
            p[3] = 0;
        }
    }
}

void blur_paint_layer_alpha(EngineState& s) {
    LayerSlot& paint = s.paintLayer;
    if (!paint.has_pixels() || paint.width <= 0 || paint.height <= 0)
        return trace::skipped("PTE_BlurPaintLayerAlpha", "no paint layer (PTE_CreatePaintLayer makes it)");
    const uint64_t count = uint64_t(paint.width) * uint64_t(paint.height);
    engine::OwnedBuffer<uint8_t> alpha, blurred;
    if (!alpha.allocate(count) || !blurred.allocate(count)) return;
    for (uint64_t i = 0; i < count; ++i) alpha[i] = uint8_t(paint.pixels[i * 4 + 3] >> 8);
    const uint32_t w = uint32_t(paint.width);
    if (!imglib::IS3BlurImage(alpha.data(), w, uint32_t(paint.height), 1, w, blurred.data(), w, 100, 1)) return;
    // Nearly opaque pixels stay whole so the blur only softens the edges.
    for (uint64_t i = 0; i < count; ++i) paint.pixels[i * 4 + 3] = alpha[i] >= 240 ? 65535 : uint16_t(blurred[i] * 256);
}

void invert_alpha_rgba32(uint8_t* buffer, int32_t width, int32_t height) {
    for_each_rgba32(buffer, width, height, [](uint8_t* p) { p[3] = uint8_t(255 - p[3]); });
}

void set_color_alpha_rgba32(uint8_t* buffer, int32_t width, int32_t height, int32_t red, int32_t green,
                            int32_t blue) {
    for_each_rgba32(buffer, width, height, [=](uint8_t* p) {
        if (p[3] == 0) {
            p[0] = uint8_t(red);
            p[1] = uint8_t(green);
            p[2] = uint8_t(blue);
        }
    });
}

void clear_alpha_of_color_rgba32(uint8_t* buffer, int32_t width, int32_t height, int32_t red, int32_t green,
                                 int32_t blue) {
    for_each_rgba32(buffer, width, height, [=](uint8_t* p) {
        if (p[0] == red && p[1] == green && p[2] == blue) p[3] = 0;
    });
}

}  // namespace layers
