#include "imaging/effect_routes.h"

#include "engine/merge.h"
#include "engine/pixels.h"
#include "imaging/builtin_filters.h"

namespace imaging::effects {

using engine::EngineState;

Rgba32Pair pair(EngineState& s) { return rgba32_pair(s); }

uint8_t* refresh_source(EngineState& s) { return update_src_buffer32(s); }

void premultiply(EngineState& s, uint8_t* picture) { pixels::premultiply_rgba32(picture, s.imageWidth, s.imageHeight); }

void divide_alpha(EngineState& s, uint8_t* picture) {
    pixels::unpremultiply_rgba32(picture, s.imageWidth, s.imageHeight, false);
}

void load(EngineState& s, const uint8_t* picture) { load_into_current_layer(s, picture); }

// Without a current layer there is nothing to load into; the effect's entry has said so.
void load_rgb24(EngineState& s, const uint8_t* picture) {
    if (engine::current_image_pixels(s) != nullptr) pixels::load_rgb24(s, picture, s.imageWidth * 3, true);
}

void merge(EngineState& s, uint8_t* picture, int32_t mode, uint32_t opacity) {
    engine::LayerSlot* layer = s.currentSlot;
    if (layer == nullptr || engine::image_pixels(s, *layer) == nullptr) return;
    pixels::adjust_rgba32_by_mask_and_texture(s, picture, 0, 0, s.imageWidth, s.imageHeight);
    merge::merge_rgba32_image(s, picture, *layer, {mode, opacity, layer->keepAlpha != 0});
}

void load_grey(EngineState& s, const uint8_t* plane) {
    alloc_dst_buffer24(s);
    uint8_t* out = s.working.iplDst24.data();
    const uint32_t w = uint32_t(s.imageWidth), h = uint32_t(s.imageHeight);
    if (lib().IS3CombineImageChannels(out, w, h, 3, w * 3, plane, plane, plane, nullptr, w)) load_rgb24(s, out);
}

void allocate_rgb24(EngineState& s, bool output) {
    alloc_src_buffer24(s);
    if (output) alloc_dst_buffer24(s);
}

void free_rgb24(EngineState& s) {
    free_src_buffer24(s);
    free_dst_buffer24(s);
}

void builtin_step(EngineState& s, std::string_view name, bool premultiplied, const FilterValues& a,
                  const FilterOptions& o) {
    const Rgba32Pair p = pair(s);
    refresh_source(s);
    if (premultiplied) premultiply(s, p.src);
    if (!run_builtin_filter(s, name, 0, a, o)) return;
    if (premultiplied) divide_alpha(s, p.dst);
    load(s, p.dst);
}

void builtin_filter(EngineState& s, std::string_view name, const FilterValues& a, const FilterOptions& o) {
    run_builtin_filter(s, name, 0, a, o);
}

void builtin_in_place(EngineState& s, std::string_view name, const FilterValues& a, const FilterOptions& o) {
    run_builtin_filter(s, name, 1, a, o);
}

void grey_then_invert(EngineState& s, int32_t option) {
    refresh_source(s);
    builtin_filter(s, "Grayscale", {}, {option});
    builtin_in_place(s, "Invert", {}, {option});
}

engine::OwnedBuffer<uint8_t> plane_of(const Sides& z) {
    engine::OwnedBuffer<uint8_t> plane;
    plane.allocate(uint64_t(z.w) * z.h);
    return plane;
}

bool run_script(const Effect& e, uint8_t* picture, int32_t number, std::initializer_list<ScriptValue> values,
                bool swapRedBlue) {
    return run_script_on(picture, uint32_t(e.width), uint32_t(e.height), number, values, swapRedBlue);
}

bool run_script_on(uint8_t* picture, uint32_t w, uint32_t h, int32_t number,
                   std::initializer_list<ScriptValue> values, bool swapRedBlue) {
    const EffectLibrary& l = lib();
    if (!l.ISL_Initialize()) return false;
    bool ran = l.ISL_AddEffect(number, 1) != 0;
    if (ran) {
        for (const ScriptValue& v : values) l.ISL_SetEffectValue(0, v.parameter, v.value);
        const uint32_t stride = w * 4;
        if (swapRedBlue) l.IS3RGBAToBGRA(picture, w, h, stride);
        ran = l.ISL_ExecuteScriptOnImage(picture, w, h) != 0;
        if (swapRedBlue) l.IS3RGBAToBGRA(picture, w, h, stride);
    }
    l.ISL_Finish();
    return ran;
}

void script_route(EngineState& s, const Effect& e, int32_t number, std::initializer_list<ScriptValue> values,
                  bool premultiplied) {
    uint8_t* picture = refresh_source(s);
    if (premultiplied) premultiply(s, picture);
    if (!run_script(e, picture, number, values, true)) return;
    if (premultiplied) divide_alpha(s, picture);
    load(s, picture);
}

}  // namespace imaging::effects
