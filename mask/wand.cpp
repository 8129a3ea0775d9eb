#include "mask/wand.h"

#include <optional>
#include <string_view>

#include "brush/sampling.h"
#include "engine/trace.h"
#include "imaging/colour_regions.h"
#include "imaging/working_buffers.h"
#include "mask/selection.h"
#include "mask/shapes.h"
#include "platform/imglib/flood.h"

namespace mask {

using engine::EngineState;

namespace {

struct Click {
    EngineState& s;
    uint8_t* src;  // iplSrc32: the current layer, the marker colour written into it
    uint32_t width, height;
    int32_t x, y;
    int32_t tolerance;
    int32_t level;
    int32_t sample;  // 0x00RRGGBB, or -1 where transparent

    uint32_t stride() const { return width * 4; }
    int32_t library() const { return imaging::library_tolerance(tolerance); }
    int32_t range() const { return imaging::range_tolerance(tolerance); }
    bool transparent() const { return sample == -1; }
    int32_t red() const { return sample >> 16 & 0xFF; }
    int32_t green() const { return sample >> 8 & 0xFF; }
    int32_t blue() const { return sample & 0xFF; }
    std::optional<uint32_t> marker() const { return imaging::find_marker_colour(src, uint64_t(width) * height); }
    void mark_marker(uint32_t marker) const {
        mark_colour_rgba32(s, src, int32_t(marker & 0xFF), int32_t(marker >> 8 & 0xFF), int32_t(marker >> 16), level);
    }
};

void non_connected(const Click& c) {
    const std::optional<uint32_t> clicked = imaging::sample_colour_word(c.sample);
    const std::optional<uint32_t> marker = c.marker();
    if (!clicked || !marker) return;
    if (imglib::IS3ColorReplaceImage(c.src, c.width, c.height, 4, c.stride(), *clicked, *marker, c.library(), 0))
        c.mark_marker(*marker);
}

void connected(const Click& c) {
    const std::optional<uint32_t> marker = c.marker();
    if (!marker) return;
    if (imglib::IS3FloodFillImage(c.src, c.width, c.height, 4, c.stride(), c.x, c.y, *marker, 1, c.library(), 0))
        c.mark_marker(*marker);
}

void colour_range(const Click& c) {
    if (!c.transparent()) mark_colour_range_rgba32(c.s, c.src, c.red(), c.green(), c.blue(), c.range(), c.level);
}

void luminance_range(const Click& c) {
    if (!c.transparent()) mark_luminance_range_rgba32(c.s, c.src, c.red(), c.green(), c.blue(), c.range(), c.level);
}

void hue_range(const Click& c) {
    if (!c.transparent()) mark_hue_range_rgba32(c.s, c.src, c.red(), c.green(), c.blue(), c.range(), c.level);
}

void alpha_connected(const Click& c) {
    if (c.s.currentLayer <= engine::kBackgroundLayer)
        return trace::skipped("PTE_IPLMaskWand", "\"Alpha Connected\" works on layers above the background only");
    engine::OwnedBuffer<uint8_t> map;
    if (imaging::alpha_region_map(c.s, c.x, c.y, c.library(), map)) mark_flood_map(c.s, map.data(), c.level);
}

void alpha_non_connected(const Click& c) {
    const int32_t alpha = brush::channel64(c.s, c.x, c.y, 3) >> 8;
    mark_alpha_range_rgba32(c.s, c.src, alpha, c.range(), c.level);
}

struct WandMode {
    std::string_view name;
    void (*run)(const Click&);
};

constexpr WandMode kWandModes[] = {
    {"Non-connected", non_connected},     {"Connected", connected},
    {"Color Range", colour_range},        {"Luminance Range", luminance_range},
    {"Hue Range", hue_range},             {"Alpha Connected", alpha_connected},
    {"Alpha Non-connected", alpha_non_connected},
};

}  // namespace

void magic_wand(EngineState& s, int32_t x, int32_t y, int32_t tolerance, int32_t percent, const char* mode) {
    if (x < 0 || y < 0 || x >= s.imageWidth || y >= s.imageHeight)
        return trace::skipped("PTE_IPLMaskWand", "(%d, %d) lies outside the %d x %d image", x, y, s.imageWidth,
                              s.imageHeight);
    const WandMode* chosen = nullptr;
    for (const WandMode& m : kWandModes)
        if (mode != nullptr && m.name == mode) chosen = &m;
    if (chosen == nullptr) return trace::unknown_name("PTE_IPLMaskWand", "wand mode", mode, "nothing is selected");
    const imaging::ReleaseOnExit release(s.working.iplSrc32);
    imaging::alloc_src_buffer32(s);
    const int32_t sample = brush::color_at(s, x, y, brush::current_layer_pixels(s));
    const Click click{s, s.working.iplSrc32.data(), uint32_t(s.imageWidth), uint32_t(s.imageHeight), x, y,
                      tolerance, level_from_percent(percent), sample};
    // Without a current layer the wand reads a transparent picture.
    if (engine::current_image_pixels(s) == nullptr)
        trace::no_current_layer("PTE_IPLMaskWand", s);
    else if (sample == -1 && !chosen->name.starts_with("Alpha") && chosen->name != "Connected")
        trace::skipped("PTE_IPLMaskWand", "the pixel at (%d, %d) is transparent: it has no colour to match", x, y);
    chosen->run(click);
}

}  // namespace mask
