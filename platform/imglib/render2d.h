// Vector drawing under the imaging library: anti-aliased shapes and text
// rendered as coverage, and gradients rendered into pictures. This header is
// the platform seam; on this platform the implementations are built on
// cairo and Pango (platform/imglib/linux/).
//
// Coordinates are continuous picture coordinates: pixel (x, y) is the square
// from (x, y) to (x + 1, y + 1).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace imglib::render2d {

// Pixels from (left, top) up to, not including, (right, bottom).
struct Rect {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    Rect intersect(const Rect& o) const {
        return {left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
                bottom < o.bottom ? bottom : o.bottom};
    }
};

// One coverage byte per pixel of a tile of a picture: 0 leaves the pixel
// alone, 255 covers it fully.
struct CoverageTile {
    int64_t left = 0;
    int64_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* bytes = nullptr;
    int32_t stride = 0;  // bytes from one row to the next
};

// Receives the coverage a renderer makes, a tile at a time, so that no
// picture-sized plane is ever needed.
using CoverageSink = std::function<void(const CoverageTile&)>;

// Largest tile a renderer hands over.
inline constexpr int32_t kTileWidth = 4096;
inline constexpr int32_t kTileHeight = 128;

// Farthest a shape may reach from the tile it is rendered into and still get
// smooth edges; beyond it the renderer's fixed-point coordinates run out.
inline constexpr double kSmoothReach = 1 << 22;

// Area coverage of the ellipse centred at (cx, cy) with radii (rx, ry), less
// the inner ellipse of radii (innerRx, innerRy) when both are above 0, over
// `clip`. False when it cannot be rendered; the sink may have had tiles.
bool smooth_ellipse(const Rect& clip, double cx, double cy, double rx, double ry, double innerRx, double innerRy,
                    const CoverageSink& sink);

// A font chosen by family and size.
struct FontChoice {
    std::string families;     // comma-separated, first choice first
    double pixelSize = 16;    // the character height (em size) in pixels, or the cell height with cellHeight
    bool cellHeight = false;  // pixelSize is ascent + descent
    int32_t weight = 400;     // 100..1000: 400 regular, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// Largest character height text is drawn at, in pixels.
inline constexpr double kMaxFontPixels = 10000;

// Coverage of a text laid out with its top-left corner at (x, y), over the
// part of `clip` it has ink in: shaped (kerning, ligatures, right-to-left
// and CJK scripts, fallback fonts for characters the font lacks), a line
// per line break, never wrapped. `utf8` must be valid UTF-8. Smooth edges,
// or aliased ones where every pixel is covered fully or not at all. False
// when it cannot be rendered.
bool text(const Rect& clip, const FontChoice& font, std::string_view utf8, int64_t x, int64_t y, bool smooth,
          const CoverageSink& sink);

// The text with every invalid UTF-8 sequence replaced by U+FFFD.
std::string valid_utf8(std::string_view text);

struct GradientStop {
    double offset = 0;  // 0..1 along the gradient
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct Gradient {
    bool radial = false;
    // Linear: from (x0, y0) to (x1, y1). Radial: centred at (x0, y0), out to `radius`.
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, radius = 0;
    std::vector<GradientStop> stops;  // the colours before the first and after the last pad outward
};

// Fills every pixel of a straight RGBA32 picture with the gradient sampled
// at the pixel's centre. Colour and alpha interpolate apart, so a stop keeps
// its colour where its alpha is 0. False when it cannot be rendered (no
// stops, no length or radius, a picture too large).
bool fill_gradient(uint8_t* rgba, uint32_t width, uint32_t height, uint32_t stride, const Gradient& gradient);

}  // namespace imglib::render2d
