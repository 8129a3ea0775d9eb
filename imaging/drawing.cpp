#include "imaging/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/layers.h"
#include "engine/blend_modes.h"
#include "engine/merge.h"
#include "engine/pixels.h"
#include "engine/trace.h"
#include "imaging/colour_regions.h"
#include "imaging/working_buffers.h"
#include "platform/imglib/draw.h"
#include "platform/imglib/gradient.h"
#include "platform/dialogs.h"
#include "platform/imglib/text.h"

namespace imaging {

using engine::EngineState;

namespace {

constexpr uint32_t kOpaque = 255u << 24;

int32_t to_int32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

uint32_t image_stride(const EngineState& s) { return uint32_t(s.imageWidth) * 4; }

// A fresh iplDst32 cleared to the colour with alpha 0, so that the edges of
// what is drawn over it blend toward the colour itself.
uint8_t* cleared_dst(EngineState& s, int32_t red, int32_t green, int32_t blue) {
    alloc_dst_buffer32(s);
    uint8_t* dst = s.working.iplDst32.data();
    pixels::clear_rgba32(dst, s.imageWidth * 4, s.imageWidth, s.imageHeight, uint8_t(red), uint8_t(green),
                         uint8_t(blue), 0);
    return dst;
}

// A gradient's colour stops (blue, green, red, alpha) and positions in percent.
struct Stops {
    uint8_t bytes[16] = {};
    double positions[4] = {};
    int32_t count = 0;

    void add(const Rgb& c, uint8_t alpha, double position) {
        uint8_t* b = bytes + count * 4;
        b[0] = uint8_t(c.blue), b[1] = uint8_t(c.green), b[2] = uint8_t(c.red), b[3] = alpha;
        positions[count++] = position;
    }
};

// Counts 0 and 1 fade the first colour (the alpha is inverted after the
// fill); 2 to 4 place the colours at k * (100 / (count - 1)), the step an
// integer, so four colours sit at 0, 33, 66 and 99.
Stops gradient_stops(const std::array<Rgb, 4>& colours, int32_t count) {
    Stops s;
    if (count == 0) {
        s.add(colours[0], 255, 0);
        s.add(colours[0], 0, 100);
    } else if (count == 1) {
        s.add(colours[0], 0, 0);
        s.add(colours[0], 255, 100);
    } else {
        const int32_t step = 100 / (count - 1);
        for (int32_t k = 0; k < count; ++k) s.add(colours[size_t(k)], 0, double(k * step));
    }
    return s;
}

}  // namespace

uint32_t opacity_from_percent255(int32_t percent) {
    return uint32_t(std::clamp<int64_t>(int64_t(percent) * 51 / 20, 0, 256));
}

void merge_working_dst(EngineState& s, uint32_t opacity) {
    uint8_t* dst = s.working.iplDst32.data();
    if (dst == nullptr) return;
    if (engine::current_image_pixels(s) == nullptr) return trace::no_current_layer("draw into the current layer", s);
    pixels::adjust_rgba32_by_mask_and_texture(s, dst, 0, 0, s.imageWidth, s.imageHeight);
    merge::merge_rgba32_image(s, dst, *s.currentSlot, {engine::kModeNormal, opacity, s.currentSlot->keepAlpha != 0});
}

void draw_rectangle(EngineState& s, int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1, int32_t x2,
                    int32_t y2, int32_t opacityPercent) {
    const ReleaseOnExit release(s.working.iplDst32);
    uint8_t* dst = cleared_dst(s, red, green, blue);
    const uint32_t word = colour_word(red, green, blue) | kOpaque;
    if (imglib::IS3FillSolidRect(dst, uint32_t(s.imageWidth), uint32_t(s.imageHeight), 4, image_stride(s),
                                 std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), word))
        merge_working_dst(s, opacity_from_percent255(opacityPercent));
}

void draw_ellipse(EngineState& s, int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1, int32_t x2,
                  int32_t y2, int32_t opacityPercent) {
    const int64_t left = std::min(x1, x2), top = std::min(y1, y2);
    const int64_t rx = std::max<int64_t>((std::max(x1, x2) - left) / 2, 2);
    const int64_t ry = std::max<int64_t>((std::max(y1, y2) - top) / 2, 2);
    const ReleaseOnExit release(s.working.iplDst32);
    uint8_t* dst = cleared_dst(s, red, green, blue);
    // This call takes its colour as 0xAARRGGBB.
    const uint32_t word = uint32_t(uint8_t(blue)) | uint32_t(uint8_t(green)) << 8 | uint32_t(uint8_t(red)) << 16 | kOpaque;
    if (imglib::IS3DrawEllipseOnImage(dst, uint32_t(s.imageWidth), uint32_t(s.imageHeight), 4, image_stride(s), word,
                                      to_int32(left + rx), to_int32(top + ry), int32_t(rx), int32_t(ry), 1, 0, 100.0,
                                      0, 0, imglib::kSmoothEdges))
        merge_working_dst(s, opacity_from_percent255(opacityPercent));
}

void draw_gradient(EngineState& s, const std::array<Rgb, 4>& colours, int32_t count, int32_t x1, int32_t y1,
                   int32_t x2, int32_t y2, const char* kind) {
    if (count < 0 || count > 4) return trace::skipped("PTE_IPLGradient", "%d colours: a gradient takes 0 to 4", count);
    const Stops stops = gradient_stops(colours, count);
    const ReleaseOnExit release(s.working.iplDst32);
    alloc_dst_buffer32(s);
    uint8_t* dst = s.working.iplDst32.data();
    const uint32_t w = uint32_t(s.imageWidth), h = uint32_t(s.imageHeight);
    bool filled;
    if (kind != nullptr && std::strcmp(kind, "Linear") == 0) {
        filled = imglib::ISE3GradientFillImageLinear(dst, w, h, image_stride(s), x1, y1, x2, y2, stops.bytes,
                                                     stops.positions, stops.count, 1, 0, 1.0);
    } else {
        const double dx = double(x2) - x1, dy = double(y2) - y1;
        const int32_t radius = to_int32(int64_t(std::sqrt(dy * dy + dx * dx)));
        filled = imglib::ISE3GradientFillImageRadial(dst, w, h, image_stride(s), radius, x1, y1, stops.bytes,
                                                     stops.positions, stops.count, 0, 0, 1.0);
    }
    if (!filled) return;
    layers::invert_alpha_rgba32(dst, s.imageWidth, s.imageHeight);
    merge_working_dst(s, 255);
}

int32_t draw_text(EngineState& s, int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, const char* text,
                  bool smooth) {
    engine::OwnedBuffer<uint8_t>& source = s.working.iplSrc32;
    const uint64_t bytes = engine::image_pixel_count(s) * 4;
    if (!source || source.size_bytes() < bytes) {
        trace::skipped("PTE_IPLText", "no RGBA32 source buffer of the image's size (PTE_IPLAllocSrcBuffer32)");
        return 0;
    }
    if (text == nullptr || *text == '\0' || x >= s.imageWidth || y >= s.imageHeight) {
        trace::skipped("PTE_IPLText", "no text, or (%d, %d) lies at or past the image's right or bottom edge", x, y);
        return 0;
    }
    uint8_t* src = update_src_buffer32(s);
    const int32_t w = s.imageWidth, h = s.imageHeight;
    imglib::FontRecord font;
    std::memcpy(&font, s.font.record.data(), sizeof font);
    const uint32_t word = colour_word(red, green, blue) | kOpaque;
    const imglib::TextRect rect{x, y, w, h};
    if (smooth) {
        // Drawn over premultiplied pixels, transparent ones black, so that
        // edges blend toward what lies under them, then divided out again.
        layers::set_color_alpha_rgba32(src, w, h, 0, 0, 0);
        pixels::premultiply_rgba32(src, w, h);
    }
    const bool drawn = imglib::IS40_DrawSmoothTextOnRGBA2(src, uint32_t(w), uint32_t(h), uint32_t(w) * 4, text, &font,
                                                          smooth ? imglib::kSmoothEdges : 1, rect, 0, 0, word) != 0;
    if (smooth) pixels::unpremultiply_rgba32(src, w, h, false);
    if (!drawn || engine::current_image_pixels(s) == nullptr) return 0;
    load_into_current_layer(s, src);
    return 1;
}

namespace {

// What a font dialog that could not be shown reports, by its extended error.
const char* font_error_text(uint32_t error) {
    switch (error) {
        case 2: return "Font Err: CDERR_INITIALIZATION";
        case 5: return "Font Err: CDERR_LOADSTRFAILURE";
        case 6: return "Font Err: CDERR_FINDRESFAILURE";
        case 7: return "Font Err: CDERR_LOADRESFAILURE";
        case 8: return "Font Err: CDERR_LOCKRESFAILURE";
        case 9: return "Font Err: CDERR_MEMALLOCFAILURE";
        case 10: return "Font Err: CDERR_MEMLOCKFAILURE";
        case 8193: return "Font Err: CFERR_NOFONTS";
        case 8194: return "Font Err: CFERR_MAXLESSTHANMIN";
        case 65535: return "Font Err: CDERR_DIALOGFAILURE";
        default: return "Font Err: Other Error";
    }
}

}  // namespace

// The dialog opens on the stored record; one that cannot be shown is
// reported, and opened once more from a zeroed record.
int32_t choose_font(EngineState& s) {
    platform::FontDialog& dialog = platform::font_dialog();
    platform::FontDialogRecord d{s.hostWindow, s.font.record.data(), s.font.textColour,
                                 platform::kFontScreenFonts | platform::kFontFromRecord};
    uint32_t error = 0;
    int32_t chosen = dialog.choose(d, error);
    if (chosen == 0 && error != 0) {
        engine::set_last_error(s, font_error_text(error));
        s.font.record.fill(0);
        d.flags = platform::kFontScreenFonts;
        chosen = dialog.choose(d, error);
    }
    if (chosen != 0) s.font.textColour = d.colour;
    return chosen;
}

void set_font_record(EngineState& s, const void* record) {
    if (record != nullptr) std::memcpy(s.font.record.data(), record, s.font.record.size());
}

void get_font_record(const EngineState& s, void* record) {
    if (record != nullptr) std::memcpy(record, s.font.record.data(), s.font.record.size());
}

}  // namespace imaging
