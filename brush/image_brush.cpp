#include "brush/image_brush.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "brush/blend_buffer.h"
#include "brush/picture_tip.h"
#include "brush/settings.h"
#include "brush/turn_effect.h"
#include "engine/pixels.h"
#include "io/image_files.h"
#include "platform/imglib/channels.h"

namespace brush {

using engine::EngineState;

namespace {

bool fits_tip(const EngineState& s, int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= s.tipSize && height <= s.tipSize;
}

// A picture of width x height, contents unset.
BrushPicture make_picture(int32_t width, int32_t height) {
    BrushPicture p;
    p.pixels.allocate_or_throw(engine::sat_mul(uint64_t(width), uint64_t(height), 4));
    p.width = width;
    p.height = height;
    return p;
}

// A packed RGBA32 picture as RGBA64, each byte * 256.
BrushPicture widened(const uint8_t* rgba, int32_t width, int32_t height) {
    BrushPicture p = make_picture(width, height);
    pixels::rgba32_to_rgba64(p.pixels.data(), width * 8, rgba, width * 4, width, height);
    return p;
}

// An S x S picture of one colour.
BrushPicture flat_picture(int32_t S, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    BrushPicture p = make_picture(S, S);
    pixels::clear_rgba64(p.pixels.data(), S * 8, S, S, r, g, b, a);
    return p;
}

uint16_t byte_colour(int32_t v) { return uint16_t(uint8_t(v) * 257); }

// d = trunc(percent * 2.55): the blend buffer's share out of 255.
uint32_t kept_share(int32_t keepPercent) { return uint32_t(std::clamp(keepPercent, 0, 100) * 2.55); }

// A blend-buffer value that keeps share d of the old value against the fresh one.
uint16_t kept_mix(uint32_t old, uint32_t fresh, uint32_t d) {
    return d == 0 ? uint16_t(fresh) : uint16_t((old * d + fresh * (255 - d)) >> 8);
}

// Row y of the blend buffer's S x S square.
uint16_t* blend_row(EngineState& s, uint16_t* blend, int32_t y) {
    return blend + size_t(y) * size_t(s.tipRowLength);
}

}  // namespace

void load_image_brush(EngineState& s, const char* path) {
    const io::RGBAPicture picture(path);
    if (!picture || !fits_tip(s, picture.width(), picture.height())) return;
    s.brush.images.imageBrush = widened(picture.pixels(), int32_t(picture.width()), int32_t(picture.height()));
}

void load_image_brush_from_rgba32(EngineState& s, const uint8_t* pixels, int32_t width, int32_t height) {
    if (pixels == nullptr || !fits_tip(s, width, height)) return;
    s.brush.images.imageBrush = widened(pixels, width, height);
}

void load_image_brush_array(EngineState& s, const char* path) {
    const io::RGBAPicture picture(path);
    // The strip's width is not bounded by the tip: only a frame must fit.
    if (!picture || !fits_tip(s, 1, picture.height()) || picture.width() > uint32_t(INT32_MAX / 8)) return;
    const int32_t w = int32_t(picture.width()), h = int32_t(picture.height());
    BrushPicture strip = widened(picture.pixels(), w, h);
    BrushPicture frame = make_picture(h, h);
    frame.pixels.fill_bytes(0);
    ImageBrushState& ib = s.brush.images;
    ib.brushStrip = std::move(strip);
    ib.stripFrames = w / h;
    ib.imageBrush = std::move(frame);
}

void copy_from_image_brush_array(EngineState& s, float position) {
    ImageBrushState& ib = s.brush.images;
    const int32_t h = ib.brushStrip.height;
    if (!ib.imageBrush.pixels || !ib.brushStrip.pixels || ib.stripFrames < 1) return;
    // A position outside 0..1 would address a frame past the strip's ends.
    const double wanted = std::trunc(double(ib.stripFrames) * double(position));
    const int32_t frame = wanted >= 0 ? int32_t(std::min<double>(wanted, ib.stripFrames - 1)) : 0;
    // The brush was replaced since the strip was loaded: it is a frame again.
    if (ib.imageBrush.width != h || ib.imageBrush.height != h) ib.imageBrush = make_picture(h, h);
    const size_t row_values = size_t(h) * 4;
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(ib.imageBrush.pixels.data() + size_t(y) * row_values,
                    ib.brushStrip.pixels.data() + size_t(y) * size_t(ib.brushStrip.width) * 4 + size_t(frame) * row_values,
                    row_values * sizeof(uint16_t));
}

void copy_to_image_brush(EngineState& s) {
    const int32_t S = tip_edge(s);
    if (S == 0) return;
    BrushPicture p = make_picture(S, S);
    p.pixels.fill_bytes(0);
    if (uint16_t* blend = blend_buffer(s); blend != nullptr)
        for (int32_t y = 0; y < S; ++y)
            std::memcpy(p.pixels.data() + size_t(y) * size_t(S) * 4, blend_row(s, blend, y),
                        size_t(S) * 4 * sizeof(uint16_t));
    s.brush.images.imageBrush = std::move(p);
}

void fill_image_brush(EngineState& s, int32_t red, int32_t green, int32_t blue) {
    const int32_t S = tip_edge(s);
    if (S == 0) return;
    s.brush.images.imageBrush = flat_picture(S, byte_colour(red), byte_colour(green), byte_colour(blue), 65535);
}

void color_image_brush(EngineState& s, int32_t red, int32_t green, int32_t blue) {
    BrushPicture& brush = s.brush.images.imageBrush;
    if (!brush.pixels) {
        const int32_t S = tip_edge(s);
        if (S == 0) return;
        brush = flat_picture(S, 65535, 65535, 65535, 65535);
    }
    const uint16_t r = byte_colour(red), g = byte_colour(green), b = byte_colour(blue);
    uint16_t* v = brush.pixels.data();
    for (size_t i = 0, n = size_t(brush.width) * size_t(brush.height); i < n; ++i, v += 4) {
        v[0] = r;
        v[1] = g;
        v[2] = b;
    }
}

void size_image_brush(EngineState& s) {
    ImageBrushState& ib = s.brush.images;
    const int32_t S = tip_edge(s);
    if (!ib.imageBrush.pixels || S == 0) return;
    if (!ib.sizedBrush.pixels || ib.sizedBrush.width != S || ib.sizedBrush.height != S) {
        ib.sizedBrush.clear();
        try {
            ib.sizedBrush = make_picture(S, S);
        } catch (const std::bad_alloc&) {
            throw SizeImageBrushError();
        }
    }
    ib.rotationReady = 0;
    const BrushPicture& from = ib.imageBrush;
    uint8_t* to = reinterpret_cast<uint8_t*>(ib.sizedBrush.pixels.data());
    const auto* src = reinterpret_cast<const uint8_t*>(from.pixels.data());
    bool ok = true;
    if (from.width == S && from.height == S)
        std::memcpy(to, src, size_t(S) * size_t(S) * 8);
    else
        ok = stretch_to_square(src, from.width, from.height, 8, to, S);
    if (!ok) ib.sizedBrush.pixels.fill_bytes(0);  // never stamp old memory
}

void copy_from_image_brush(EngineState& s, int32_t keepPercent) {
    const uint32_t d = kept_share(keepPercent);
    size_image_brush(s);
    const ImageBrushState& ib = s.brush.images;
    uint16_t* blend = blend_buffer(s);
    const int32_t S = tip_edge(s);
    if (!ib.sizedBrush.pixels || blend == nullptr || S == 0 || ib.sizedBrush.width != S) return;
    for (int32_t y = 0; y < S; ++y) {
        uint16_t* b = blend_row(s, blend, y);
        const uint16_t* p = ib.sizedBrush.pixels.data() + size_t(y) * size_t(S) * 4;
        for (int32_t i = 0; i < S * 4; ++i) b[i] = kept_mix(b[i], p[i], d);
    }
}

void rotate_image_brush(EngineState& s, int32_t angle) {
    ImageBrushState& ib = s.brush.images;
    const BrushPicture& sized = ib.sizedBrush;
    if (!sized.pixels) return;
    const int32_t w = sized.width, h = sized.height;
    const uint64_t bytes = engine::sat_mul(uint64_t(w), uint64_t(h), 4);
    if (!ib.rotationReady || !ib.rotateSource || !ib.rotatedBrush) {
        ib.rotationReady = 0;
        if (ib.rotateSource.size() != bytes) ib.rotateSource.release();
        if (ib.rotatedBrush.size() != bytes) ib.rotatedBrush.release();
        if (!ib.rotateSource) ib.rotateSource.allocate_or_throw(bytes);
        if (!ib.rotatedBrush) {
            ib.rotatedBrush.allocate_or_throw(bytes);
            ib.rotatedBrush.fill_bytes(0);
        }
        ib.rotationWidth = w;
        ib.rotationHeight = h;
        pixels::rgba64_to_rgba32(ib.rotateSource.data(), w * 4, sized.pixels.data(), w * 8, w, h);
        ib.rotationReady = 1;
    }
    // The effect's angle: 360 - angle, brought back into range for angles
    // near the int32 limits.
    int64_t degrees = 360 - int64_t(angle);
    if (degrees > std::numeric_limits<int32_t>::max()) degrees %= 360;

    engine::OwnedBuffer<uint8_t> alpha;
    alpha.allocate_or_throw(uint64_t(w) * uint64_t(h));
    uint8_t* source = ib.rotateSource.data();
    uint8_t* turned = ib.rotatedBrush.data();
    const uint32_t uw = uint32_t(w), uh = uint32_t(h), stride = uw * 4;
    // The alpha is turned as a grey picture of its own in the first channel.
    imglib::IS3SplitImage(source, uw, uh, 4, stride, nullptr, nullptr, nullptr, alpha.data(), uw);
    imglib::IS3CombineImageChannels(turned, uw, uh, 4, stride, alpha.data(), nullptr, nullptr, nullptr, uw);
    if (turn_picture(turned, w, h, int32_t(degrees)))
        imglib::IS3SplitImage(turned, uw, uh, 4, stride, alpha.data(), nullptr, nullptr, nullptr, uw);
    std::memcpy(turned, source, size_t(bytes));
    if (turn_picture(turned, w, h, int32_t(degrees)))
        imglib::IS3CombineImageChannels(turned, uw, uh, 4, stride, nullptr, nullptr, nullptr, alpha.data(), uw);
}

void copy_from_image_brush_rotate(EngineState& s, int32_t keepPercent) {
    const uint32_t d = kept_share(keepPercent);
    const ImageBrushState& ib = s.brush.images;
    uint16_t* blend = blend_buffer(s);
    if (!ib.rotatedBrush || !ib.rotationReady || blend == nullptr) return;
    // The rotation was made at an earlier brush size: it must still fit the tip.
    if (!fits_tip(s, ib.rotationWidth, ib.rotationHeight)) return;
    const int32_t w = ib.rotationWidth;
    for (int32_t y = 0; y < ib.rotationHeight; ++y) {
        uint16_t* b = blend_row(s, blend, y);
        const uint8_t* q = ib.rotatedBrush.data() + size_t(y) * size_t(w) * 4;
        for (int32_t i = 0; i < w * 4; ++i) b[i] = kept_mix(b[i], uint32_t(q[i]) * 256, d);
    }
}

void save_image_brush(const EngineState& s, const char* path) {
    const BrushPicture& brush = s.brush.images.imageBrush;
    if (!brush.pixels) return;
    const int32_t w = brush.width, h = brush.height;
    engine::OwnedBuffer<uint8_t> rgba;
    rgba.allocate_or_throw(engine::sat_mul(uint64_t(w), uint64_t(h), 4));
    pixels::rgba64_to_rgba32(rgba.data(), w * 4, brush.pixels.data(), w * 8, w, h);
    if (io::write_to_file_rgba32(rgba.data(), w, h, path, ".png", 72) == 0)
        throw std::runtime_error("image brush file not written");
}

}  // namespace brush
