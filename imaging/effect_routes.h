// The routes of the effect catalogue, written once and shared by every
// row: how the current layer reaches a library call, a built-in filter or a
// script through the working buffers, and how the result comes back.
//
// Every route starts from the RGBA32 pair, which the catalogue has checked
// on entry (both buffers there, at the image's size). Results go back into
// the current layer through the mask and texture (loads), or through the
// blend step (merges), always honouring the layer's keepAlpha. A step whose
// call reports failure loads nothing; steps already loaded stay.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "engine/engine_state.h"
#include "imaging/effect_args.h"
#include "imaging/effect_library.h"
#include "imaging/working_buffers.h"

namespace imaging::effects {

using imglib::BOOL;

// The library in force (the test seam).
inline const EffectLibrary& lib() { return effect_library(); }

// The picture's sides and the row lengths in bytes of its three layouts.
struct Sides {
    uint32_t w, h;
    explicit Sides(const Effect& e) : w(uint32_t(e.width)), h(uint32_t(e.height)) {}
    uint32_t s1() const { return w; }
    uint32_t s3() const { return w * 3; }
    uint32_t s4() const { return w * 4; }
};

// A plane of the image's size, or a null one when it cannot be had.
engine::OwnedBuffer<uint8_t> plane_of(const Sides& z);

// The seed of the random effects.
inline uint32_t seed_of(const Effect& e) { return uint32_t(e.args.seed); }

// ---- Steps ----

// The RGBA32 pair; both present, the catalogue checked.
Rgba32Pair pair(engine::EngineState& s);
// iplSrc32 read afresh from the current layer.
uint8_t* refresh_source(engine::EngineState& s);
// Premultiplies colour by alpha, and divides it out again (0 < alpha < 255).
void premultiply(engine::EngineState& s, uint8_t* picture);
void divide_alpha(engine::EngineState& s, uint8_t* picture);
// An image-sized RGBA32 picture into the current layer through the mask.
void load(engine::EngineState& s, const uint8_t* picture);
// An image-sized RGB24 picture into the current layer's colour through the mask.
void load_rgb24(engine::EngineState& s, const uint8_t* picture);
// An image-sized RGBA32 picture, its alpha weighed by mask and texture (in
// place), merged into the current layer in blend mode `mode` at `opacity`
// (0..256), the layer's keepAlpha honoured.
void merge(engine::EngineState& s, uint8_t* picture, int32_t mode, uint32_t opacity = 255);

// Blend modes the recipes merge with.
inline constexpr int32_t kModeOverlay = 8;
inline constexpr int32_t kModeSoftLight = 10;
inline constexpr int32_t kModeDodge = 11;
inline constexpr int32_t kModeSubtract = 16;
inline constexpr int32_t kModeTexturize = 17;
inline constexpr int32_t kModeTexturize2 = 18;

// A one-byte plane of the image's size as the grey of iplDst24, loaded as
// the layer's colour.
void load_grey(engine::EngineState& s, const uint8_t* plane);

// The 24-bit working buffers: iplSrc24 filled with the layer's colour and,
// when asked, an iplDst24 for a separate output.
void allocate_rgb24(engine::EngineState& s, bool output);
void free_rgb24(engine::EngineState& s);

// ---- Built-in filters ----

using FilterValues = std::array<int32_t, 6>;
using FilterOptions = std::array<int32_t, 8>;

// A built-in filter as a step of its own: iplSrc32 refreshed (premultiplied
// when asked), the filter into iplDst32, the alpha divided out again, and
// iplDst32 loaded.
void builtin_step(engine::EngineState& s, std::string_view name, bool premultiplied, const FilterValues& a,
                  const FilterOptions& o);
// A built-in filter from iplSrc32 as it stands into iplDst32, nothing loaded.
void builtin_filter(engine::EngineState& s, std::string_view name, const FilterValues& a, const FilterOptions& o);
// A built-in filter in place on iplDst32, nothing loaded.
void builtin_in_place(engine::EngineState& s, std::string_view name, const FilterValues& a, const FilterOptions& o);
// "Grayscale" (o1 = option) of a fresh copy into iplDst32, then "Invert"
// (o1 = option) in place on it: the first steps of the line recipes.
void grey_then_invert(engine::EngineState& s, int32_t option);

// ---- Effect scripts ----

struct ScriptValue {
    int32_t parameter;
    int32_t value;
};

// One run of effect `number` with its values over an RGBA32 picture in
// place, red and blue swapped around it when asked. False when the script
// module cannot run it (not available, an effect it does not know, a
// failed run): the picture is then as it was.
bool run_script(const Effect& e, uint8_t* picture, int32_t number, std::initializer_list<ScriptValue> values,
                bool swapRedBlue);
// The same over a packed RGBA32 picture of w x h.
bool run_script_on(uint8_t* picture, uint32_t w, uint32_t h, int32_t number,
                   std::initializer_list<ScriptValue> values, bool swapRedBlue);

// The script route: the layer read into iplSrc32 (premultiplied when
// asked), the script run on it with the channel swap, and loaded on success.
void script_route(engine::EngineState& s, const Effect& e, int32_t number, std::initializer_list<ScriptValue> values,
                  bool premultiplied = false);

// The relief of "Emboss" on the layer's colour through the 24-bit buffers:
// `heights`, a plane of the image's size, or the grey of the layer's colour
// when null, lit by the light of t1 and t2 at depth t3.
void emboss_relief(engine::EngineState& s, const Effect& e, const uint8_t* heights);

// ---- Script files ----

// The picture a script file renders: width x height of its header, bytes
// blue, green, red, alpha as the script module gives them.
struct ScriptPicture {
    engine::OwnedBuffer<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    explicit operator bool() const { return bool(pixels); }
};

// Loads and renders the script file at `path` (ISL_Initialize, load,
// buffers, header, render, ISL_Finish whenever initialised). An empty
// picture when the module cannot run, the file is not a script or the
// picture cannot be had.
ScriptPicture render_script_file(const char* path);

// Lays a packed RGBA32 picture of w x h repeatedly over a packed RGBA32
// canvas of cw x ch from its top-left corner.
void tile_over(const uint8_t* picture, int32_t w, int32_t h, uint8_t* canvas, int32_t cw, int32_t ch);

// Sets the alpha byte of every pixel of a packed RGBA32 picture to 255.
void make_opaque(uint8_t* picture, int32_t w, int32_t h);

// ---- Routes around one library call ----
//
// `call` receives the pictures and returns the library call's result.

// In place: the layer into iplSrc32, the call on it, iplSrc32 loaded.
template <class Call>
void in_place(engine::EngineState& s, Call call) {
    uint8_t* picture = refresh_source(s);
    if (call(picture)) load(s, picture);
}

// Filtered: iplSrc32 refreshed and premultiplied, the call into iplDst32,
// the alpha divided out, iplDst32 loaded.
template <class Call>
void filtered(engine::EngineState& s, Call call) {
    const Rgba32Pair p = pair(s);
    refresh_source(s);
    premultiply(s, p.src);
    if (!call(p.src, p.dst)) return;
    divide_alpha(s, p.dst);
    load(s, p.dst);
}

// Plain: the call from iplSrc32 as it stands (not refreshed) into
// iplDst32, which is loaded.
template <class Call>
void plain(engine::EngineState& s, Call call) {
    const Rgba32Pair p = pair(s);
    if (call(p.src, p.dst)) load(s, p.dst);
}

// 24-bit: iplSrc24 holds the layer's colour (and iplDst24 is there for a
// separate output); the call's output is loaded as colour; both freed.
template <class Call>
void rgb24(engine::EngineState& s, bool separateOutput, Call call) {
    allocate_rgb24(s, separateOutput);
    uint8_t* src = s.working.iplSrc24.data();
    uint8_t* dst = separateOutput ? s.working.iplDst24.data() : nullptr;
    if (call(src, dst)) load_rgb24(s, separateOutput ? dst : src);
    free_rgb24(s);
}

}  // namespace imaging::effects
