// Effects built from several steps, in their fixed order. A step that
// fails loads nothing; the steps before it stay in the layer.
#include <algorithm>
#include <limits>

#include "imaging/adjustments.h"
#include "imaging/effect_routes.h"
#include "imaging/effect_rows.h"
#include "mask/channel_shuffles.h"

namespace imaging::effects {

using engine::EngineState;

namespace {

// from - p, held to the int32 range.
int32_t less(int32_t from, int32_t p) {
    return int32_t(std::clamp<int64_t>(int64_t(from) - p, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// "Invert" of a fresh copy into iplDst32.
void invert_fresh_copy(EngineState& s, int32_t option) {
    refresh_source(s);
    builtin_filter(s, "Invert", {}, {option});
}

// The picture's saturation scaled by sat(t) on a fresh copy, loaded.
void saturate(EngineState& s, const Effect& e, double t) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().IS3ModifyImageSaturation(picture, z.w, z.h, 4, z.s4(), saturation_curve(t));
    });
}

// The contrast mask. With p7 set: the inverted grey, blurred (premultiplied)
// into iplSrc32 and merged in soft light; else the library's own call on a
// fresh copy with `flag`.
void contrast_mask_steps(EngineState& s, const Effect& e, uint8_t flag) {
    const Sides z(e);
    const double t1 = e.t(1);
    if (e.args.p7 == 0) {
        in_place(s, [&](uint8_t* picture) {
            return lib().ISE40_ContrastMaskImage(picture, z.w, z.h, z.s4(), flag, t1 / 18 + 2);
        });
        return;
    }
    const Rgba32Pair p = pair(s);
    grey_then_invert(s, e.args.p7);
    premultiply(s, p.dst);
    if (!lib().IS40_GaussianBlurImage(p.dst, z.w, z.h, 4, z.s4(), p.src, z.s4(), t1 * 0.4 + 0.6, 15)) return;
    divide_alpha(s, p.src);
    merge(s, p.src, kModeSoftLight);
}

// The outline of the line recipes: the inverted grey, pulled by "Value
// Blur" in place (a1 = 1000, a2 = 1000 - p), merged in Texturize.
void outline(EngineState& s, int32_t option, int32_t p) {
    grey_then_invert(s, option);
    builtin_in_place(s, "Value Blur", {1000, less(1000, p)}, {});
    merge(s, pair(s).dst, kModeTexturize);
}

}  // namespace

void charcoal(EngineState& s, const Effect& e) {
    builtin_step(s, "Grayscale", false, {}, {e.args.p7});
    invert_fresh_copy(s, e.args.p7);
    builtin_in_place(s, "Value Blur", {e.p(1), e.p(2)}, {});
    merge(s, pair(s).dst, kModeDodge);
}

void color_pencil(EngineState& s, const Effect& e) {
    builtin_step(s, "Bas Relief", false, {300}, {e.args.p7});
    builtin_step(s, "Hyper Contrast", false, {e.p(1)}, {});
    saturate(s, e, e.t(2));
}

void color_pencil2(EngineState& s, const Effect& e) {
    grey_then_invert(s, e.args.p7);
    script_route(s, e, 23, {{3, trunc_int(e.t(1) * 2.55 + 1)}, {4, 180}, {5, 90}, {7, 0}});
    merge(s, pair(s).dst, kModeDodge);
}

void crayon(EngineState& s, const Effect& e) {
    color_pencil(s, e);
    builtin_step(s, "Value Blur", true, {e.p(3), e.p(3)}, {});
}

void pointillism(EngineState& s, const Effect& e) {
    crayon(s, e);
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().ISE3AddGaussianNoise(picture, z.w, z.h, 4, z.s4(), trunc_int(e.t(4) * 200), 0, 0, e.f(1), 7,
                                          seed_of(e));
    });
}

void watercolor_and_ink(EngineState& s, const Effect& e) {
    const Sides z(e);
    imaging::photo_pop(s, e.p(1), e.t(2), e.f(1));
    grey_then_invert(s, 0);
    // The ink lines: the inverted grey scribbled over, through RGB24.
    const Rgba32Pair p = pair(s);
    allocate_rgb24(s, true);
    uint8_t* lines = s.working.iplSrc24.data();
    uint8_t* scribbled = s.working.iplDst24.data();
    mask::rgba32_to_rgb24(lines, e.width, e.height, p.dst);
    if (lib().ISE3Scribble(lines, z.w, z.h, z.s3(), scribbled, z.s3(), 0, e.f(2), 100, seed_of(e)))
        mask::rgb24_to_rgba32(p.dst, e.width, e.height, scribbled);
    free_rgb24(s);
    builtin_in_place(s, "Value Blur", {1000, less(1000, e.p(3))}, {});
    merge(s, p.dst, kModeTexturize2);
}

void contrast_mask(EngineState& s, const Effect& e) { contrast_mask_steps(s, e, e.f(1)); }

void photo_pop(EngineState& s, const Effect& e) { imaging::photo_pop(s, e.p(1), e.t(2), e.f(1)); }

void photo_detailer(EngineState& s, const Effect& e) {
    contrast_mask_steps(s, e, 0);
    imaging::photo_pop(s, e.p(2), e.t(3), 0);
    grey_then_invert(s, 0);
    builtin_in_place(s, "Value Blur", {1000, less(1000, e.p(4))}, {});
    merge(s, pair(s).dst, kModeTexturize);
}

void glow(EngineState& s, const Effect& e) {
    invert_fresh_copy(s, 0);
    builtin_in_place(s, "Value Blur", {less(1000, e.p(1)), 1000}, {});
    merge(s, pair(s).dst, kModeSubtract);
}

void radiant(EngineState& s, const Effect& e) {
    const Sides z(e);
    const Rgba32Pair p = pair(s);
    refresh_source(s);
    premultiply(s, p.src);
    if (!lib().IS40_GaussianBlurImage(p.src, z.w, z.h, 4, z.s4(), p.dst, z.s4(), e.t(1) * 0.4 + 0.6, 15)) return;
    divide_alpha(s, p.dst);
    merge(s, p.dst, kModeOverlay, uint32_t(std::max(0, trunc_int(e.t(2) * 2.5))));
}

void edge3(EngineState& s, const Effect& e) {
    builtin_step(s, "Grayscale", false, {}, {e.args.p7});
    invert_fresh_copy(s, e.args.p7);
    builtin_in_place(s, "Value Blur", {less(1000, e.p(1)), less(1000, e.p(2))}, {});
    merge(s, pair(s).dst, kModeDodge);
}

void emboss3(EngineState& s, const Effect& e) {
    grey_then_invert(s, e.args.p7);
    script_route(s, e, 23, {{3, trunc_int(e.t(1) * 2.55 + 1)}, {4, trunc_int(e.t(2) * 3.6)}, {5, 45}, {7, 0}});
    merge(s, pair(s).dst, kModeDodge);
}

void outliner1(EngineState& s, const Effect& e) { outline(s, e.args.p7, e.p(1)); }

void outliner2(EngineState& s, const Effect& e) {
    imaging::photo_pop(s, e.p(1), e.t(2), e.f(1));
    outline(s, e.args.p7, e.p(3));
}

}  // namespace imaging::effects
