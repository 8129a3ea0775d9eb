#include "brush/picture_tip.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "brush/settings.h"
#include "brush/tip.h"
#include "brush/turn_effect.h"
#include "io/image_files.h"
#include "platform/imglib/channels.h"
#include "platform/imglib/effect_script.h"
#include "platform/imglib/files.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/resample.h"

namespace brush {

using engine::EngineState;
using engine::OwnedBuffer;
using namespace imglib;

namespace {

// Effect scripts render their picture tiled over a square of this side
// before grit is cut from it.
constexpr int32_t kScriptCanvas = 600;

// An effect script's picture, w x h RGBA32 from its header's size; false
// when the script gives none or the memory cannot be had.
bool render_script(const char* path, OwnedBuffer<uint8_t>& picture, int32_t& w, int32_t& h) {
    ISL_InitBuffers();
    ISLScriptHeader header{};
    if (!ISL_ReadScriptHeaderFromFile(path, &header)) return false;
    if (header.width <= 0 || header.height <= 0 || uint32_t(header.width) > kMaxFileSide ||
        uint32_t(header.height) > kMaxFileSide || uint64_t(header.width) * uint64_t(header.height) > kMaxFilePixels)
        return false;
    if (!picture.allocate(uint64_t(header.width) * uint64_t(header.height) * 4)) return false;
    if (!ISL_ExecuteScript(picture.data())) {
        picture.release();
        return false;
    }
    w = header.width;
    h = header.height;
    IS3RGBAToBGRA(picture.data(), uint32_t(w), uint32_t(h), uint32_t(w) * 4);
    return true;
}

// The shape cache takes the picture of `path`: a script's rendering when it
// loads as one, else the image file. A path too long to keep is kept as
// none, so it never matches a later one.
void load_shape(EngineState& s, const char* path, PictureSources sources) {
    ShapeCache& cache = s.brush.shapeCache;
    bool loaded_script = false;
    if (sources == PictureSources::ScriptsThenFiles && ISL_Initialize()) {
        if (ISL_LoadScriptFromFile(path)) {
            loaded_script = true;
            if (!render_script(path, cache.picture, cache.width, cache.height)) cache.width = cache.height = 0;
        }
        ISL_Finish();
    }
    if (!loaded_script) {
        const io::RGBAPicture picture(path);
        if (picture && cache.picture.allocate(uint64_t(picture.width()) * picture.height() * 4)) {
            std::memcpy(cache.picture.data(), picture.pixels(), cache.picture.size());
            cache.width = int32_t(picture.width());
            cache.height = int32_t(picture.height());
        }
    }
    if (!cache.picture) return;
    const size_t length = std::strlen(path);
    if (length < sizeof(cache.path)) std::memcpy(cache.path, path, length + 1);
    else cache.path[0] = '\0';
}

bool cache_holds(const ShapeCache& cache, const char* path, int32_t angle) {
    return cache.picture && cache.angle == angle && std::strcmp(cache.path, path) == 0;
}

// The cached picture stretched to S x S and greyed into tipAlpha.
bool resample_into_tip(EngineState& s) {
    const ShapeCache& cache = s.brush.shapeCache;
    const int32_t S = tip_edge(s);
    if (S < 1) return false;
    OwnedBuffer<uint8_t> sized, grey;
    if (!sized.allocate(uint64_t(S) * uint64_t(S) * 4) || !grey.allocate(uint64_t(S) * uint64_t(S))) return false;
    const uint32_t side = uint32_t(S);
    if (!stretch_to_square(cache.picture.data(), cache.width, cache.height, 4, sized.data(), S) ||
        !IS3ImageToGrayScale8Bit(sized.data(), side, side, 4, side * 4, grey.data(), side, 0))
        return false;
    const size_t T = size_t(s.tipSize);
    const float strength = s.brush.tipStrength;
    uint16_t* tip = s.brush.tipAlpha.data();
    for (int32_t y = 0; y < S; ++y)
        for (int32_t x = 0; x < S; ++x) tip[size_t(y) * T + size_t(x)] = to_tip_value(grey[size_t(y) * side + size_t(x)] * 256.0 * strength);
    return true;
}

// The 20 patterns cut from a grey image at least S + 26 a side.
void cut_patterns(EngineState& s, const uint8_t* grey, int32_t gw, int32_t gh) {
    BrushState& b = s.brush;
    const int32_t S = tip_edge(s), T = s.tipSize, piece = S + kTipMargin;
    for (auto& pattern : b.tipBuffers) {
        b.currentTip = pattern.data();
        pattern.fill_bytes(255);
        const int32_t ox = b.random.next() % (gw - piece);
        const int32_t oy = b.random.next() % (gh - piece);
        // The pattern's rows lie T bytes apart; where a piece is wider than
        // T, a row's tail is the next row's head, as dabs read it. All
        // S + 25 rows are written (the buffer holds T + 25).
        IS3OverlayImage(pattern.data(), uint32_t(T), uint32_t(T + kTipMargin), 1, uint32_t(T),
                        grey + size_t(oy) * size_t(gw) + size_t(ox), uint32_t(piece), uint32_t(piece), uint32_t(gw),
                        0, 0, 1.0, 0);
    }
}

// Cuts the patterns from a grey image, tiled first when it is smaller than
// a piece and its margin of offsets.
bool cut_from_grey(EngineState& s, const uint8_t* grey, int32_t w, int32_t h) {
    const int32_t least = tip_edge(s) + kTipMargin + 1;
    if (w >= least && h >= least) {
        cut_patterns(s, grey, w, h);
        return true;
    }
    const int32_t cw = std::max(w, least), ch = std::max(h, least);
    OwnedBuffer<uint8_t> canvas;
    if (!canvas.allocate(uint64_t(cw) * uint64_t(ch))) return false;
    tile_picture(grey, w, h, 1, canvas.data(), cw, ch);
    cut_patterns(s, canvas.data(), cw, ch);
    return true;
}

// The loaded script's picture tiled over the script canvas (larger when a
// piece would not fit in it), greyed, then cut.
void cut_from_script(EngineState& s, const char* path) {
    OwnedBuffer<uint8_t> picture, canvas, grey;
    int32_t w = 0, h = 0;
    if (!render_script(path, picture, w, h)) return;
    const int32_t side = std::max(kScriptCanvas, tip_edge(s) + kTipMargin + 1);
    const uint64_t area = uint64_t(side) * uint64_t(side);
    if (!canvas.allocate(area * 4) || !grey.allocate(area)) return;
    canvas.fill_bytes(0);
    tile_picture(picture.data(), w, h, 4, canvas.data(), side, side);
    const uint32_t u = uint32_t(side);
    if (IS3ImageToGrayScale8Bit(canvas.data(), u, u, 4, u * 4, grey.data(), u, 0))
        cut_patterns(s, grey.data(), side, side);
}

}  // namespace

bool stretch_to_square(const uint8_t* picture, int32_t w, int32_t h, uint32_t bytesPerPixel, uint8_t* square,
                       int32_t S) {
    const uint32_t uw = uint32_t(w), uh = uint32_t(h), side = uint32_t(S);
    return S < w ? IS3DecimateImage(picture, uw, uh, uw * bytesPerPixel, square, side, side, side * bytesPerPixel,
                                    bytesPerPixel, kDecimateAverage) != 0
                 : IS3ResizeImage(picture, uw, uh, uw * bytesPerPixel, square, side, side, side * bytesPerPixel,
                                  bytesPerPixel) != 0;
}

void tile_picture(const uint8_t* picture, int32_t w, int32_t h, uint32_t bytesPerPixel, uint8_t* canvas, int32_t cw,
                  int32_t ch) {
    if (picture == nullptr || canvas == nullptr || w <= 0 || h <= 0) return;
    const uint32_t stride = uint32_t(w) * bytesPerPixel, canvasStride = uint32_t(cw) * bytesPerPixel;
    for (int32_t x = 0; x < cw; x += w)
        for (int32_t y = 0; y < ch; y += h)
            IS3OverlayImage(canvas, uint32_t(cw), uint32_t(ch), bytesPerPixel, canvasStride, picture, uint32_t(w),
                            uint32_t(h), stride, x, y, 1.0, 0);
}

bool build_picture_tip(EngineState& s, const char* path, int32_t angle, PictureSources sources) {
    if (path == nullptr || s.tipSize < 1 || !tip_ready(s)) return false;
    ShapeCache& cache = s.brush.shapeCache;
    if (!cache_holds(cache, path, angle)) {
        cache.picture.release();
        cache.width = cache.height = 0;
        load_shape(s, path, sources);
        if (cache.picture) turn_picture(cache.picture.data(), cache.width, cache.height, angle);
        cache.angle = angle;
        if (!cache.picture) return false;
    }
    const bool done = resample_into_tip(s);
    s.brush.drawingCountdown = s.brush.drawingLength;
    return done;
}

bool build_grit_from_picture(EngineState& s, const char* path) {
    if (path == nullptr || s.tipSize < 1 || !grit_patterns_ready(s)) return false;
    BrushState& b = s.brush;
    if (ISL_Initialize()) {
        if (ISL_LoadScriptFromFile(path)) {
            // A loaded script never falls through to the image file.
            cut_from_script(s, path);
            b.drawingCountdown = b.drawingLength;
            ISL_Finish();
            return true;
        }
        ISL_Finish();
    }
    const io::RGBAPicture picture(path);
    if (!picture) return false;
    const uint32_t w = picture.width(), h = picture.height();
    OwnedBuffer<uint8_t> grey;
    if (!grey.allocate(uint64_t(w) * h) || !IS3ImageToGrayScale8Bit(picture.pixels(), w, h, 4, w * 4, grey.data(), w, 0))
        return false;
    if (!cut_from_grey(s, grey.data(), int32_t(w), int32_t(h))) return false;
    b.drawingCountdown = b.drawingLength;
    return true;
}

}  // namespace brush
