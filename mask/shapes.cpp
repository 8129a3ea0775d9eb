#include "mask/shapes.h"

#include <algorithm>
#include <limits>

#include "engine/pixels.h"
#include "engine/trace.h"
#include "mask/selection.h"
#include "platform/imglib/draw.h"

namespace mask {

using engine::EngineState;

namespace {

// The grey colour word of a level: the level in each of three bytes.
uint32_t grey_word(int32_t level) { return uint32_t(level) * 65793u; }

int32_t to_int32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Saves the mask into a grey RGB24 picture, lets `draw` paint the shape into
// it, and reads it back when the drawing succeeded.
template <class Draw>
void through_grey_picture(EngineState& s, Draw&& draw) {
    if (pixels::image_mask(s) == nullptr) return trace::no_image("select a shape");
    const uint32_t w = uint32_t(s.imageWidth), h = uint32_t(s.imageHeight);
    engine::OwnedBuffer<uint8_t> picture;
    if (!picture.allocate(uint64_t(w) * h * 3)) return;
    save_rgb24(s, picture.data(), int32_t(w * 3));
    if (draw(picture.data(), w, h)) load_rgb24(s, picture.data(), int32_t(w * 3), int32_t(w), int32_t(h));
}

}  // namespace

int32_t level_from_percent(int32_t percent) {
    // Only the low byte matters to ((255 - level) mod 256); it also keeps
    // the grey word within three bytes.
    return int32_t((int64_t(percent) * 2559 / 1000) & 0xFF);
}

void select_ellipse(EngineState& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent) {
    const uint32_t grey = grey_word(level_from_percent(percent));
    const int64_t left = std::min(x0, x1), top = std::min(y0, y1);
    const int64_t rx = std::max<int64_t>((std::max(x0, x1) - left) / 2, 2);
    const int64_t ry = std::max<int64_t>((std::max(y0, y1) - top) / 2, 2);
    through_grey_picture(s, [&](uint8_t* picture, uint32_t w, uint32_t h) {
        return imglib::IS3DrawEllipseOnImage(picture, w, h, 3, w * 3, grey, to_int32(left + rx), to_int32(top + ry),
                                             int32_t(rx), int32_t(ry), 1, 0, 1.0, 0, 0, 2) != 0;
    });
}

void select_rectangle(EngineState& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent) {
    const uint32_t grey = grey_word(level_from_percent(percent));
    through_grey_picture(s, [&](uint8_t* picture, uint32_t w, uint32_t h) {
        return imglib::IS3FillTransparentRectOnImage(picture, w, h, 3, w * 3, std::min(x0, x1), std::min(y0, y1),
                                                     std::max(x0, x1), std::max(y0, y1), grey, 1.0, 0) != 0;
    });
}

}  // namespace mask
