#include "imaging/flood_fill.h"

#include <optional>
#include <string_view>

#include "brush/sampling.h"
#include "engine/layers.h"
#include "engine/trace.h"
#include "imaging/colour_regions.h"
#include "imaging/working_buffers.h"
#include "mask/channel_shuffles.h"
#include "platform/imglib/flood.h"

namespace imaging {

using engine::EngineState;

namespace {

// Everything a fill mode works with.
struct Fill {
    EngineState& s;
    uint8_t* src;  // iplSrc32
    uint32_t width, height;
    int32_t x, y;
    int32_t red, green, blue;
    int32_t tolerance;  // as the host gave it
    uint32_t word;      // the fill colour word, alpha 0

    uint32_t stride() const { return width * 4; }
    int32_t library() const { return library_tolerance(tolerance); }
    bool on_background() const { return s.currentLayer == engine::kBackgroundLayer; }
    void load() const { load_into_current_layer(s, src); }

    // The clicked pixel's colour as a colour word, or nothing where it is transparent.
    std::optional<uint32_t> clicked_colour() const {
        return sample_colour_word(brush::color_at(s, x, y, brush::current_layer_pixels(s)));
    }
    std::optional<uint32_t> marker() const { return find_marker_colour(src, uint64_t(width) * height); }

    // Every pixel within the tolerance of the clicked colour replaced by
    // `with` (its colour channels).
    bool replace_clicked_colour(uint32_t with) const {
        const std::optional<uint32_t> clicked = clicked_colour();
        return clicked && imglib::IS3ColorReplaceImage(src, width, height, 4, stride(), *clicked, with, library(), 0);
    }
    // The region connected to the click filled with `with` (its colour channels).
    bool flood(uint32_t with) const {
        return imglib::IS3FloodFillImage(src, width, height, 4, stride(), x, y, with, 1, library(), 0) != 0;
    }
    // Pixels of the marker's colour made transparent.
    void erase_marked(uint32_t marker) const {
        layers::clear_alpha_of_color_rgba32(src, int32_t(width), int32_t(height), int32_t(marker & 0xFF),
                                            int32_t(marker >> 8 & 0xFF), int32_t(marker >> 16));
    }
};

void paint_non_connected(const Fill& f) {
    if (f.replace_clicked_colour(f.word)) f.load();
}

void erase_non_connected(const Fill& f) {
    if (f.on_background()) return paint_non_connected(f);
    const std::optional<uint32_t> marker = f.marker();
    if (!marker || !f.replace_clicked_colour(*marker)) return;
    f.erase_marked(*marker);
    f.load();
}

void paint_connected(const Fill& f) {
    const std::optional<uint32_t> marker = f.marker();
    if (!marker || !f.flood(*marker)) return;
    if (imglib::IS3ColorReplaceImage(f.src, f.width, f.height, 4, f.stride(), *marker, f.word | 0xFF000000u, 0,
                                     imglib::kWriteAll))
        f.load();
}

void erase_connected(const Fill& f) {
    if (f.on_background()) return paint_connected(f);
    const std::optional<uint32_t> marker = f.marker();
    if (!marker || !f.flood(*marker)) return;
    f.erase_marked(*marker);
    f.load();
}

// The region of alike alpha around the click, found on the layer's alpha as
// a grey picture, painted opaque.
void paint_alpha_connected(const Fill& f) {
    if (f.s.currentLayer <= engine::kBackgroundLayer)
        return trace::skipped("PTE_IPLFloodFill",
                              "\"Paint Alpha Connected\" works on layers above the background only");
    engine::OwnedBuffer<uint8_t> map;
    if (!alpha_region_map(f.s, f.x, f.y, f.library(), map)) return;
    mask::colour_from_flood_map_rgba32(f.s, f.src, map.data(), f.red, f.green, f.blue, 255);
    f.load();
}

void paint_alpha_non_connected(const Fill& f) {
    const int32_t alpha = brush::channel64(f.s, f.x, f.y, 3) >> 8;
    mask::replace_alpha_range_rgba32(f.s, f.src, alpha, range_tolerance(f.tolerance), f.red, f.green, f.blue, 255);
    f.load();
}

struct FillMode {
    std::string_view name;
    void (*run)(const Fill&);
};

constexpr FillMode kFillModes[] = {
    {"Paint Non-connected", paint_non_connected},   {"Erase Non-connected", erase_non_connected},
    {"Paint Connected", paint_connected},           {"Erase Connected", erase_connected},
    {"Paint Alpha Connected", paint_alpha_connected}, {"Paint Alpha Non-Connected", paint_alpha_non_connected},
};

}  // namespace

void flood_fill(EngineState& s, int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t tolerance,
                const char* mode) {
    if (x < 0 || y < 0 || x >= s.imageWidth || y >= s.imageHeight)
        return trace::skipped("PTE_IPLFloodFill", "(%d, %d) lies outside the %d x %d image", x, y, s.imageWidth,
                              s.imageHeight);
    const FillMode* chosen = nullptr;
    for (const FillMode& m : kFillModes)
        if (mode != nullptr && m.name == mode) chosen = &m;
    if (chosen == nullptr) return trace::unknown_name("PTE_IPLFloodFill", "fill mode", mode, "nothing is filled");
    if (engine::current_image_pixels(s) == nullptr) trace::no_current_layer("PTE_IPLFloodFill", s);
    const ReleaseOnExit release(s.working.iplSrc32);
    alloc_src_buffer32(s);
    const Fill fill{s,   s.working.iplSrc32.data(), uint32_t(s.imageWidth), uint32_t(s.imageHeight), x, y, red,
                    green, blue, tolerance, colour_word(red, green, blue)};
    chosen->run(fill);
}

}  // namespace imaging
