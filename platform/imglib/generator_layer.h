// Internal to the imaging library: how the generator effects put what they
// make onto the picture. A generator makes a layer (shapes drawn with
// anti-aliased edges, or a field of colour) and lays it over the picture in
// one pass through the engine's blend step, so a generator in "Multiply"
// multiplies exactly as a layer in that mode would.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/imglib/script_effects.h"

namespace imglib::detail {

// Blend modes in the scripts' numbering: 12 is "Normal", 0 … 11 are the
// engine's modes 1 … 12 ("Multiply" … "Burn"), 13 … 40 are the engine's
// modes of the same number; anything else lays as "Normal".
int32_t engine_mode_of_script_mode(int32_t scriptMode);

// Writes one row of a layer: `width` RGBA64 pixels in the picture's channel
// order (blue, green, red, alpha), colour straight with 255 as 65280 and
// alpha with full as 65535.
using LayerRow = std::function<void(int32_t y, uint16_t* rgba64)>;

// Lays the rows of a layer over the picture with the engine's blend step in
// engine mode `mode` at full opacity. Picture bytes become 16 bits as colour
// * 256 and alpha * 257, and go back as the high byte, so an unchanged
// pixel comes back unchanged.
void blend_layer(Bgra& picture, int32_t mode, const LayerRow& layer);

// A colour as the picture's bytes (blue, green, red).
struct Colour {
    uint8_t b = 255, g = 255, r = 255;

    // From values given red, green, blue, each held to 0..255.
    static Colour of(int32_t red, int32_t green, int32_t blue);
};

// Shapes drawn one at a time: each is rasterised as coverage (0..1 per
// pixel, the larger where parts of one shape overlap) and then laid over
// the layer in its colour and opacity ("over"), so a shape never darkens
// where its own parts meet. The layer starts transparent.
// Pixel centres lie on whole coordinates.
class ShapeLayer {
public:
    // False when the memory cannot be had.
    bool allocate(int32_t width, int32_t height);

    // The points within radius of the segment, edges anti-aliased over one
    // pixel (a segment of no length is a disc).
    void capsule(float x0, float y0, float x1, float y1, float radius);
    // A disc; `soft` fades it from the middle out, (1 - (d / r)^2)^2.
    void disc(float cx, float cy, float radius, bool soft);
    // A ring of `pen` pixels inside the circle of `radius`.
    void ring(float cx, float cy, float radius, float pen);
    // A rectangle of w x h about its centre turned by `angle` radians
    // (counter-clockwise as seen); pen > 0 draws only a border that wide.
    void rectangle(float cx, float cy, float w, float h, float angle, float pen);

    // Lays the shape drawn since the last commit over the layer at opacity
    // 0..1 and clears the coverage.
    void commit(Colour colour, float opacity);

    // Lays the layer over the picture (same size) in engine mode `mode`.
    void blend_over(Bgra& picture, int32_t mode) const;

private:
    // Raises the coverage of pixel (x, y) to c (0..1).
    void cover(int32_t x, int32_t y, float c);
    // Rows y0..y1 (clipped) touched between columns x0 and x1 (clipped).
    bool clip_rows(float y0, float y1, int32_t& top, int32_t& bottom) const;
    void touch(int32_t y, int32_t x0, int32_t x1);
    // Covers the pixels within reach of (cx, cy) by coverage(distance).
    template <class Coverage>
    void round_shape(float cx, float cy, float reach, Coverage coverage);

    int32_t w_ = 0, h_ = 0;
    std::vector<uint16_t> layer_;  // straight colour with 255 as 65280, alpha with full as 65535
    std::vector<uint8_t> cover_;
    std::vector<int32_t> left_, right_;  // per row, the columns touched since the last commit
    int32_t top_ = 0, bottom_ = -1;
};

// Most shapes a generator may draw: enough for every value the catalogue
// passes on a picture of its size, and few enough that any script ends in a
// time bounded by the picture's size. A shape is drawn in `pieces` pieces
// (capsules, discs) of at most `pieceArea` pixels each.
int32_t shape_budget(const Bgra& picture, double pieces, double pieceArea);

}  // namespace imglib::detail
