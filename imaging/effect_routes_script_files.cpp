// Pictures from effect-script files, and the pattern chain: backgrounds,
// emboss and bump textures, displacement, "Patternizer" and "Pattern
// Explorer".
#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging/displacement.h"
#include "imaging/effect_routes.h"
#include "imaging/effect_rows.h"

namespace imaging::effects {

using engine::EngineState;
using engine::OwnedBuffer;

ScriptPicture render_script_file(const char* path) {
    ScriptPicture out;
    const EffectLibrary& l = lib();
    if (path == nullptr || !l.ISL_Initialize()) return out;
    imglib::ISLScriptHeader header{};
    if (l.ISL_LoadScriptFromFile(path) && l.ISL_InitBuffers() && l.ISL_ReadScriptHeaderFromFile(path, &header) &&
        header.width > 0 && header.height > 0 &&
        out.pixels.allocate(uint64_t(header.width) * uint64_t(header.height) * 4)) {
        if (l.ISL_ExecuteScript(out.pixels.data())) {
            out.width = header.width;
            out.height = header.height;
        } else {
            out.pixels.release();
        }
    }
    l.ISL_Finish();
    return out;
}

void tile_over(const uint8_t* picture, int32_t w, int32_t h, uint8_t* canvas, int32_t cw, int32_t ch) {
    // A picture of no size would never advance.
    if (picture == nullptr || w < 1 || h < 1) return;
    for (int32_t y = 0; y < ch; y += h)
        for (int32_t x = 0; x < cw; x += w)
            lib().IS3OverlayImage(canvas, uint32_t(cw), uint32_t(ch), 4, uint32_t(cw) * 4, picture, uint32_t(w),
                                  uint32_t(h), uint32_t(w) * 4, x, y, 1.0, 0);
}

void make_opaque(uint8_t* picture, int32_t w, int32_t h) {
    const size_t n = size_t(w) * size_t(h);
    for (size_t i = 0; i < n; ++i) picture[i * 4 + 3] = 255;
}

namespace {

// (int)(t * k + add).
int32_t scaled(double t, double k, double add = 0) { return trunc_int(t * k + add); }

// A packed RGBA32 picture that a chain works on.
struct Copy {
    OwnedBuffer<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
};

Copy copy_of(const uint8_t* picture, int32_t w, int32_t h) {
    Copy c;
    if (c.pixels.allocate(uint64_t(w) * uint64_t(h) * 4)) {
        std::memcpy(c.pixels.data(), picture, size_t(w) * size_t(h) * 4);
        c.width = w;
        c.height = h;
    }
    return c;
}

// Scaled to (int)(t6 * 0.01 * side) in each direction, never below 5, when
// t6 is below 100; the copy as it was when the bicubic resize fails.
void shrink(Copy& c, double t6) {
    if (!(t6 < 100)) return;
    const int32_t w = std::max(5, trunc_int(t6 * 0.01 * c.width)), h = std::max(5, trunc_int(t6 * 0.01 * c.height));
    OwnedBuffer<uint8_t> smaller;
    if (!smaller.allocate(uint64_t(w) * uint64_t(h) * 4)) return;
    if (!lib().IS3ResizeImageBicubic(c.pixels.data(), uint32_t(c.width), uint32_t(c.height), uint32_t(c.width) * 4,
                                     smaller.data(), uint32_t(w), uint32_t(h), uint32_t(w) * 4, 4))
        return;
    c.pixels = std::move(smaller);
    c.width = w;
    c.height = h;
}

// The pattern chain's scripts over the copy, each a run of its own without
// a channel swap; a step that cannot run leaves the copy as it was.
void pattern_steps(Copy& c, const Effect& e) {
    uint8_t* p = c.pixels.data();
    const uint32_t w = uint32_t(c.width), h = uint32_t(c.height);
    if (e.t(4) != 50) run_script_on(p, w, h, 51, {{3, scaled(e.t(4), 7.2, -360)}, {4, 100}}, false);
    if (e.t(1) > 0 || e.t(2) > 0)
        run_script_on(p, w, h, 16, {{3, scaled(e.t(1), 10)}, {4, trunc_int(e.t(2))}, {6, 0}, {5, 1}}, false);
    if (e.t(3) > 0) {
        const int32_t length = scaled(e.t(3), 0.2);
        run_script_on(p, w, h, 13, {{3, length}, {4, length}, {5, 4}, {6, 4}, {7, 0}, {8, 0}, {9, 1}}, false);
    }
    if (e.f(2) == 1) run_script_on(p, w, h, 6, {{3, 360}, {4, 3}, {5, 3}, {7, 1}}, false);
    if (e.t(5) != 50) {
        const int32_t sw = c.width, sh = c.height;
        run_script_on(p, w, h, 54, {{3, trunc_int(double(sw / 50) * e.t(5) - sw)}, {4, trunc_int(double(sh / 50) * e.t(5) - sh)}},
                      false);
    }
    // The kaleidoscope's centre from the seed: r = seed / 32767 of the
    // picture's pixels, as a column (mod w) and a row (/ h).
    const int64_t v = trunc_int(double(e.args.seed) / 32767.0 * double(c.width) * double(c.height));
    run_script_on(p, w, h, 49,
                  {{3, int32_t(v % c.width)}, {4, int32_t(v / c.height)}, {5, e.f(1) != 0 ? 2 : 1}, {6, 0}}, false);
}

// The chain's result tiled over iplSrc32 from the top-left, made opaque
// and loaded.
void tile_into_layer(EngineState& s, const Effect& e, const Copy& c) {
    uint8_t* src = pair(s).src;
    tile_over(c.pixels.data(), c.width, c.height, src, e.width, e.height);
    make_opaque(src, e.width, e.height);
    load(s, src);
}

// The cached picture of "Pattern Explorer" for `path`, rendered anew only
// when the path differs from the cached one (compared byte for byte). A
// path that renders nothing leaves the cache as it was.
const PatternCache* cached_pattern(EngineState& s, const char* path) {
    PatternCache& cache = s.patternCache;
    if (path == nullptr) return nullptr;
    if (cache.picture && cache.path == path) return &cache;
    ScriptPicture fresh = render_script_file(path);
    if (!fresh) return nullptr;
    // Kept as RGBA, the order of the layer the chain's result is tiled
    // over, so that the pattern shows the script's own colours.
    lib().IS3RGBAToBGRA(fresh.pixels.data(), uint32_t(fresh.width), uint32_t(fresh.height), uint32_t(fresh.width) * 4);
    cache.picture = std::move(fresh.pixels);
    cache.width = fresh.width;
    cache.height = fresh.height;
    cache.path = path;
    return &cache;
}

}  // namespace

void patternizer(EngineState& s, const Effect& e) {
    Copy c = copy_of(refresh_source(s), e.width, e.height);
    if (!c.pixels) return;
    shrink(c, e.t(6));
    pattern_steps(c, e);
    tile_into_layer(s, e, c);
}

void pattern_explorer(EngineState& s, const Effect& e) {
    const PatternCache* cache = cached_pattern(s, e.args.text);
    if (cache == nullptr) return;
    Copy c = copy_of(cache->picture.data(), cache->width, cache->height);
    if (!c.pixels) return;
    pattern_steps(c, e);
    shrink(c, e.t(6));
    tile_into_layer(s, e, c);
}

void backgrounds(EngineState& s, const Effect& e) {
    ScriptPicture tile = render_script_file(e.args.text);
    if (!tile) return;
    const EffectLibrary& l = lib();
    const uint32_t w = uint32_t(tile.width), h = uint32_t(tile.height);
    l.IS3RGBAToBGRA(tile.pixels.data(), w, h, w * 4);
    // The tile at t1 percent of its size; a size below a pixel, or beyond
    // what a script may render, has no tile to lay.
    const int32_t tw = scaled(e.t(1), 0.01 * tile.width), th = scaled(e.t(1), 0.01 * tile.height);
    if (tw < 1 || th < 1 || tw > imglib::kMaxScriptSide || th > imglib::kMaxScriptSide) return;
    OwnedBuffer<uint8_t> sized;
    if (!sized.allocate(uint64_t(tw) * uint64_t(th) * 4) ||
        !l.IS3ResizeImageBicubic(tile.pixels.data(), w, h, w * 4, sized.data(), uint32_t(tw), uint32_t(th),
                                 uint32_t(tw) * 4, 4))
        return;
    uint8_t* src = pair(s).src;
    tile_over(sized.data(), tw, th, src, e.width, e.height);
    make_opaque(src, e.width, e.height);
    load(s, src);
}

namespace {

// The script file's picture tiled over a buffer of the image's size (as
// the module gives it, or turned to RGBA), opaque; null without a picture.
OwnedBuffer<uint8_t> tiled_texture(const Effect& e, bool rgba) {
    OwnedBuffer<uint8_t> canvas;
    ScriptPicture tile = render_script_file(e.args.text);
    if (!tile || !canvas.allocate(uint64_t(e.width) * uint64_t(e.height) * 4)) return canvas;
    if (rgba)
        lib().IS3RGBAToBGRA(tile.pixels.data(), uint32_t(tile.width), uint32_t(tile.height), uint32_t(tile.width) * 4);
    canvas.fill_bytes(0);
    tile_over(tile.pixels.data(), tile.width, tile.height, canvas.data(), e.width, e.height);
    make_opaque(canvas.data(), e.width, e.height);
    return canvas;
}

}  // namespace

void texturize_emboss(EngineState& s, const Effect& e) {
    const OwnedBuffer<uint8_t> texture = tiled_texture(e, true);
    const Sides z(e);
    OwnedBuffer<uint8_t> heights = plane_of(z);
    if (!texture || !heights) return;
    if (!lib().IS3ImageToGrayScale8Bit(texture.data(), z.w, z.h, 4, z.s4(), heights.data(), z.s1(), 0)) return;
    emboss_relief(s, e, heights.data());
}

void texturize_bump(EngineState& s, const Effect& e) {
    OwnedBuffer<uint8_t> texture = tiled_texture(e, false);
    if (!texture) return;
    // The picture is already in the module's byte order: no swap for the
    // bump, one afterwards for the merge.
    if (!run_script(e, texture.data(), 27,
                    {{3, scaled(e.t(1), 2.55, 1)}, {4, scaled(e.t(2), 0.5, 1)}, {5, scaled(e.t(3), 0.5, -25)}}, false))
        return;
    const Sides z(e);
    lib().IS3RGBAToBGRA(texture.data(), z.w, z.h, z.s4());
    make_opaque(texture.data(), e.width, e.height);
    const int32_t opacity = std::clamp(scaled(e.t(4), 2.55), 0, 256);
    merge(s, texture.data(), e.f(1) == 0 ? kModeTexturize : kModeTexturize2, uint32_t(opacity));
}

void displacement_bump(EngineState& s, const Effect& e) {
    premultiply(s, refresh_source(s));
    imaging::displacement_bump(s, e.args.text, e.t(1), e.colour());
}

}  // namespace imaging::effects
