// Our imaging library's text: a UTF-8 text drawn into an RGBA32 picture
// with a font chosen by a logical-font record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/imglib/imglib.h"
#include "platform/imglib/render2d.h"

namespace imglib {

// The 60-byte logical-font record, in its stored layout (little-endian,
// no padding).
struct FontRecord {
    int32_t height;       // < 0: character height in pixels; > 0: cell height; 0: the default, 16
    int32_t width;        // average character width; not used
    int32_t escapement;   // tenths of a degree; not used
    int32_t orientation;  // not used
    int32_t weight;       // 0: regular; else 1..1000, 400 regular, 700 bold
    uint8_t italic;
    uint8_t underline;
    uint8_t strikeOut;
    uint8_t charSet;        // not used: text arrives as UTF-8
    uint8_t outPrecision;   // not used
    uint8_t clipPrecision;  // not used
    uint8_t quality;        // not used: the drawing call chooses the edges
    uint8_t pitchAndFamily; // low bits 1 fixed pitch; bits 4..7 the generic family when the face is missing
    char faceName[32];      // NUL-terminated UTF-8; empty: the default face
};
static_assert(sizeof(FontRecord) == 60, "the record keeps its stored layout");
inline constexpr size_t kFontRecordSize = sizeof(FontRecord);

// Character height of a record whose height is 0.
inline constexpr int32_t kDefaultFontPixels = 16;

// The font a record asks for: its face first, then the generic family its
// pitch and family byte names (sans-serif when none), each fallen back on by
// the platform for characters the face lacks or when it is not installed.
render2d::FontChoice font_from_record(const FontRecord& record);

// A text rectangle: from (left, top) up to, not including, (right, bottom).
struct TextRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Draws a UTF-8 text (invalid sequences shown as U+FFFD) with its top-left
// corner at the rectangle's, clipped to the rectangle and the picture, in
// the colour word's bytes (red + green * 256 + blue * 65536 + alpha * 2^24),
// laid over each pixel by the share of it the text covers: each byte becomes
// trunc(old * (1 - w) + colour * w). Over a premultiplied picture with an
// opaque colour that is drawing over. `quality` kSmoothEdges (draw.h)
// smooths the edges; any other value draws each pixel fully or not at all.
// A null record is a zeroed one. A null text fails; an empty text, or one
// wholly outside, draws nothing and succeeds. `reserved1` and `reserved2`
// are accepted (0).
BOOL IS40_DrawSmoothTextOnRGBA2(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, const char* text,
                                const FontRecord* font, int32_t quality, TextRect rect, int32_t reserved1,
                                int32_t reserved2, uint32_t colour);

}  // namespace imglib
