#include "platform/imglib/text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/imglib/coverage.h"
#include "platform/imglib/draw.h"
#include "platform/imglib/picture.h"

namespace imglib {

namespace {

// Generic families by the high nibble of the pitch and family byte.
const char* generic_family(uint8_t pitchAndFamily) {
    if ((pitchAndFamily & 3) == 1) return "monospace";  // fixed pitch
    switch (pitchAndFamily >> 4) {
        case 1: return "serif";
        case 3: return "monospace";
        case 4: return "cursive";
        case 5: return "fantasy";
        default: return "sans-serif";
    }
}

// The face name up to its terminator (or all 32 bytes), or "" when it is
// not valid UTF-8.
std::string face_name(const FontRecord& record) {
    const char* name = record.faceName;
    const size_t length = strnlen(name, sizeof(record.faceName));
    const std::string face(name, length);
    return render2d::valid_utf8(face) == face ? face : std::string();
}

}  // namespace

render2d::FontChoice font_from_record(const FontRecord& record) {
    render2d::FontChoice choice;
    const std::string face = face_name(record);
    choice.families = face.empty() ? generic_family(record.pitchAndFamily)
                                 : face + "," + generic_family(record.pitchAndFamily);
    // Heights in 64 bits: the magnitude of INT32_MIN does not fit in 32.
    const int64_t h = record.height;
    choice.pixelSize = h == 0 ? kDefaultFontPixels : std::min<double>(double(h < 0 ? -h : h), render2d::kMaxFontPixels);
    choice.cellHeight = h > 0;
    choice.weight = record.weight == 0 ? 400 : std::clamp(record.weight, 100, 1000);
    choice.italic = record.italic != 0;
    choice.underline = record.underline != 0;
    choice.strikeOut = record.strikeOut != 0;
    return choice;
}

BOOL IS40_DrawSmoothTextOnRGBA2(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, const char* text,
                                const FontRecord* font, int32_t quality, TextRect rect, int32_t, int32_t,
                                uint32_t colour) {
    if (text == nullptr || !detail::valid_picture(image, width, height, stride, 4)) return 0;
    const render2d::Rect clip = render2d::Rect{rect.left, rect.top, rect.right, rect.bottom}.intersect(
        render2d::Rect{0, 0, int64_t(width), int64_t(height)});
    if (clip.empty() || *text == '\0') return 1;
    const FontRecord zeroed{};
    const render2d::FontChoice choice = font_from_record(font != nullptr ? *font : zeroed);
    const detail::PixelColour pixel = detail::colour_in_pixel_order(colour);
    try {
        const std::string utf8 = render2d::valid_utf8(text);
        return render2d::text(clip, choice, utf8, rect.left, rect.top, quality == kSmoothEdges,
                              [&](const render2d::CoverageTile& tile) {
                                  detail::lay_coverage(image, 4, stride, tile, pixel, 1.0);
                              })
                   ? 1
                   : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace imglib
