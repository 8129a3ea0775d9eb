#include "imaging/displacement.h"

#include <cstring>

#include "engine/merge.h"
#include "engine/pixels.h"
#include "imaging/effect_routes.h"
#include "imaging/working_buffers.h"

namespace imaging {

using effects::lib;
using engine::EngineState;

namespace {

// The transform mode of the pan: whole-pixel moves sample exactly.
constexpr int32_t kPanMode = 0;
// The displacement's mode: bilinear, hard against the background.
constexpr int32_t kDisplacementMode = 1;

}  // namespace

void pan(EngineState& s, int32_t dx, int32_t dy, int32_t edgeMode, int32_t red, int32_t green, int32_t blue,
         int32_t alpha, uint8_t useMask) {
    const Rgba32Pair p = rgba32_pair(s);
    engine::LayerSlot* layer = s.currentSlot;
    if (!p || layer == nullptr || engine::image_pixels(s, *layer) == nullptr) return;
    const EffectLibrary& l = lib();
    const uint32_t w = uint32_t(p.width), h = uint32_t(p.height);
    if (edgeMode != 0) {
        const uint32_t background =
            uint32_t(red & 255) | uint32_t(green & 255) << 8 | uint32_t(blue & 255) << 16 | uint32_t(alpha & 255) << 24;
        l.ISE3ClearAllTransforms();
        l.ISE3AddOffsetTransform(p.width, p.height, dx, dy, edgeMode);
        const bool done = l.ISE3TransformProcess(p.src, p.dst, w, h, 4, kPanMode, background) != 0;
        l.ISE3ClearAllTransforms();
        if (!done) return;
    } else {
        std::memset(p.dst, 0, size_t(p.bytes));
        l.IS3OverlayImage(p.dst, w, h, 4, w * 4, p.src, w, h, w * 4, dx, dy, 1.0, 0);
    }
    if (useMask) pixels::adjust_rgba32_by_mask_and_texture(s, p.dst, 0, 0, p.width, p.height);
    // Full opacity: 255 of 255, the blend step's 256, so that a pan over an
    // opaque layer moves it exactly.
    merge::merge_rgba32_image(s, p.dst, *layer, {0, 256, layer->keepAlpha != 0});
}

void displacement_bump(EngineState& s, const char* path, double strength, uint32_t background) {
    const Rgba32Pair p = rgba32_pair(s);
    if (!p) return;
    const uint32_t w = uint32_t(p.width), h = uint32_t(p.height);
    engine::OwnedBuffer<uint8_t> texture, map;
    texture.allocate_or_throw(p.bytes);
    map.allocate_or_throw(uint64_t(w) * h);
    // A script that renders nothing leaves the texture flat.
    texture.fill_bytes(0);
    effects::ScriptPicture tile = effects::render_script_file(path);
    const EffectLibrary& l = lib();
    if (tile) {
        l.IS3RGBAToBGRA(tile.pixels.data(), uint32_t(tile.width), uint32_t(tile.height), uint32_t(tile.width) * 4);
        effects::tile_over(tile.pixels.data(), tile.width, tile.height, texture.data(), p.width, p.height);
    }
    effects::make_opaque(texture.data(), p.width, p.height);
    if (!l.IS3ImageToGrayScale8Bit(texture.data(), w, h, 4, w * 4, map.data(), w, 0)) return;
    l.ISE3ClearAllTransforms();
    l.ISE3BumpMapDisplacementTransform(p.width, p.height, float(strength), map.data(), p.width, p.height);
    const bool done = l.ISE3TransformProcess(p.src, p.dst, w, h, 4, kDisplacementMode, background) != 0;
    l.ISE3ClearAllTransforms();
    if (!done) return;
    pixels::unpremultiply_rgba32(p.dst, p.width, p.height, false);
    load_into_current_layer(s, p.dst);
}

void warp_point_to_point(EngineState& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const Rgba32Pair p = rgba32_pair(s);
    if (!p) return;
    pixels::premultiply_rgba32(p.src, p.width, p.height);
    if (!lib().ISE3PushImage(p.src, p.dst, uint32_t(p.width), uint32_t(p.height), 4, x1, y1, x2, y2, 0)) return;
    pixels::unpremultiply_rgba32(p.dst, p.width, p.height, false);
    load_into_current_layer(s, p.dst);
}

}  // namespace imaging
