// Transforms, quadrilateral warps and the geometric scripts that move
// alpha with colour.
#include <algorithm>
#include <cmath>

#include "engine/pixels.h"
#include "imaging/effect_routes.h"
#include "imaging/effect_rows.h"

namespace imaging::effects {

using engine::EngineState;
using imglib::ISPoint;

namespace {

// The transform process modes the catalogue uses.
constexpr int32_t kProcessSmooth = 2;
constexpr int32_t kProcessNearest = 0;

// (int)(t * k + add).
int32_t scaled(double t, double k, double add = 0) { return trunc_int(t * k + add); }

// A centre offset from a tenth-value: (int)(side * t * 0.02 - side), from
// -side at 0 to +side at 100.
int32_t offset_of(int32_t side, double t) { return trunc_int(side * t * 0.02 - side); }

// A radius of (int)(t * 0.01 * max(W, H)).
int32_t radius_of(const Effect& e, double t) { return trunc_int(t * 0.01 * std::max(e.width, e.height)); }

// The transform route: iplSrc32 refreshed and premultiplied (or, plain, as
// it stands), the list cleared, one transform added, the list run into
// iplDst32 with the colour word as background, the alpha divided out
// (unless plain) and iplDst32 loaded.
template <class Add>
void transform(EngineState& s, const Effect& e, Add add, bool plain = false) {
    const Rgba32Pair p = pair(s);
    if (!plain) {
        refresh_source(s);
        premultiply(s, p.src);
    }
    const EffectLibrary& l = lib();
    l.ISE3ClearAllTransforms();
    add(l);
    const uint32_t w = uint32_t(e.width), h = uint32_t(e.height);
    const bool done =
        l.ISE3TransformProcess(p.src, p.dst, w, h, 4, plain ? kProcessNearest : kProcessSmooth, e.colour()) != 0;
    l.ISE3ClearAllTransforms();
    if (!done) return;
    if (!plain) divide_alpha(s, p.dst);
    load(s, p.dst);
}

// The quadrilateral warp route: the premultiplied layer's corners onto the
// target (bottom-left, top-left, top-right, bottom-right) in iplDst32,
// cleared first to the colour with alpha 0; the alpha divided out, loaded.
void warp(EngineState& s, const Effect& e, const ISPoint (&target)[4]) {
    const Rgba32Pair p = pair(s);
    refresh_source(s);
    premultiply(s, p.src);
    pixels::clear_rgba32(p.dst, e.width * 4, e.width, e.height, uint8_t(e.args.red), uint8_t(e.args.green),
                         uint8_t(e.args.blue), 0);
    const int32_t w = e.width, h = e.height;
    const ISPoint corners[4] = {{0, h - 1}, {0, 0}, {w - 1, 0}, {w - 1, h - 1}};
    const uint32_t stride = uint32_t(w) * 4;
    if (!lib().IS3PolygonWarpImage(p.src, uint32_t(w), uint32_t(h), stride, p.dst, uint32_t(w), uint32_t(h), stride,
                                   corners, target, 32, 0, 0, imglib::kWarpSmooth))
        return;
    divide_alpha(s, p.dst);
    load(s, p.dst);
}

// hk and wk of the warps: (int)(side * 0.01 * (50 - tk)).
int32_t inset(int32_t side, double t) { return trunc_int(side * 0.01 * (50 - t)); }

}  // namespace

void elliptical(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddEllipticalTransform(e.width, e.height, scaled(e.t(1), 0.01 * e.width), scaled(e.t(2), 0.01 * e.height),
                                     0, 0, e.args.p7);
    });
}

void lens(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) { l.ISE3AddLensTransform(e.width, e.height, radius_of(e, e.t(1)), 0, 0); });
}

void marble(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddMarbleTransform(e.width, e.height, e.t(1) * 0.05 + 0.5, e.t(2) * 0.8 + 3, e.t(3) * 0.8 + 3);
    });
}

void offset(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddOffsetTransform(e.width, e.height, offset_of(e.width, e.t(1)), offset_of(e.height, e.t(2)), e.args.p7);
    });
}

void pinch(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddPinchTransform(e.width, e.height, radius_of(e, e.t(1)), trunc_int(e.t(2)), offset_of(e.width, e.t(3)),
                                offset_of(e.height, e.t(4)));
    });
}

void ripple(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddRippleTransform(e.width, e.height, radius_of(e, e.t(1)), trunc_int(e.t(2)), trunc_int(e.t(3)),
                                 offset_of(e.width, e.t(4)), offset_of(e.height, e.t(5)), e.args.p7);
    });
}

void spin(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddSpinTransform(e.width, e.height, radius_of(e, e.t(1)), scaled(e.t(2), 3.6, -180),
                               offset_of(e.width, e.t(3)), offset_of(e.height, e.t(4)));
    });
}

void spin_wave(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddSpinWaveTransform(e.width, e.height, radius_of(e, e.t(1)), scaled(e.t(2), 3.6, -180), trunc_int(e.t(3)),
                                   offset_of(e.width, e.t(4)), offset_of(e.height, e.t(5)));
    });
}

void wave(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddWaveTransform(e.width, e.height, e.t(1) * 0.2, trunc_int(e.t(2)), e.args.p7);
    });
}

void wow(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) { l.ISE3AddWowTransform(e.width, e.height, radius_of(e, e.t(1)), e.args.p7); });
}

void zig_zag(EngineState& s, const Effect& e) {
    transform(s, e, [&](const EffectLibrary& l) {
        l.ISE3AddZigZagTransform(e.width, e.height, e.t(1) * 0.2, trunc_int(e.t(2)), e.args.p7);
    });
}

void frosted_glass(EngineState& s, const Effect& e) {
    transform(
        s, e, [&](const EffectLibrary& l) { l.ISE3AddRandomTransform(e.width, e.height, scaled(e.t(1), 0.5)); }, true);
}

// ---- Quadrilateral warps ----

void perspective(EngineState& s, const Effect& e) {
    const int32_t W = e.width, H = e.height;
    const int32_t h1 = inset(H, e.t(1)), w2 = inset(W, e.t(2)), h3 = inset(H, e.t(3)), w4 = inset(W, e.t(4));
    warp(s, e, {{w4, H - 1 - h1}, {w2, h1}, {W - 1 - w2, h3}, {W - 1 - w4, H - 1 - h3}});
}

void warp_corners(EngineState& s, const Effect& e) {
    const int32_t W = e.width, H = e.height;
    const int32_t h1 = inset(H, e.t(1)), h2 = inset(H, e.t(2)), h3 = inset(H, e.t(3)), h4 = inset(H, e.t(4));
    const int32_t w1 = inset(W, e.t(1)), w2 = inset(W, e.t(2)), w3 = inset(W, e.t(3)), w4 = inset(W, e.t(4));
    warp(s, e, {{w1, H - 1 - h1}, {w2, h2}, {W - 1 - w3, h3}, {W - 1 - w4, H - 1 - h4}});
}

void stretch(EngineState& s, const Effect& e) {
    const int32_t W = e.width, H = e.height;
    const int32_t w1 = inset(W, e.t(1)), h2 = inset(H, e.t(2));
    warp(s, e, {{w1, H - 1 - h2}, {w1, h2}, {W - 1 - w1, h2}, {W - 1 - w1, H - 1 - h2}});
}

void vertical_pivot(EngineState& s, const Effect& e) {
    const int32_t W = e.width, H = e.height;
    const int32_t h1 = inset(H, e.t(1)), h3 = inset(H, e.t(3));
    const int32_t xl = trunc_int(W * e.t(2) * 0.01), xr = trunc_int(W * (100 - e.t(4)) * 0.01);
    warp(s, e, {{xl, H - 1 - h1}, {xl, h1}, {W - 1 - xr, h3}, {W - 1 - xr, H - 1 - h3}});
}

void horizontal_pivot(EngineState& s, const Effect& e) {
    const int32_t W = e.width, H = e.height;
    const int32_t w1 = inset(W, e.t(1)), w3 = inset(W, e.t(3));
    const int32_t yt = trunc_int(H * e.t(2) * 0.01), yb = trunc_int(H * (100 - e.t(4)) * 0.01);
    warp(s, e, {{w3, H - 1 - yb}, {w1, yt}, {W - 1 - w1, yt}, {W - 1 - w3, H - 1 - yb}});
}

void skew(EngineState& s, const Effect& e) {
    const int32_t W = e.width, H = e.height;
    const int32_t h1 = inset(H, e.t(1)), w2 = inset(W, e.t(2)), h3 = inset(H, e.t(3)), w4 = inset(W, e.t(4));
    warp(s, e, {{-w4, H - 1 + h1}, {-w2, h1}, {W - 1 - w2, h3}, {W - 1 - w4, H - 1 + h3}});
}

// ---- Geometric scripts, run on alpha and on colour ----

namespace {

// The alpha plane rides in the first byte of iplSrc32 through a first run
// of the script; the layer read again (premultiplied as before) takes the
// second run; the moved plane becomes its alpha. Neither run swaps red and
// blue: the scripts treat all four bytes alike.
void script_twice(EngineState& s, const Effect& e, int32_t number, std::initializer_list<ScriptValue> values,
                  bool premultiplied = false) {
    const Sides z(e);
    engine::OwnedBuffer<uint8_t> alpha = plane_of(z);
    if (!alpha) return;
    const EffectLibrary& l = lib();
    uint8_t* picture = refresh_source(s);
    if (premultiplied) premultiply(s, picture);
    if (!l.IS3SplitImage(picture, z.w, z.h, 4, z.s4(), nullptr, nullptr, nullptr, alpha.data(), z.s1()) ||
        !l.IS3CombineImageChannels(picture, z.w, z.h, 4, z.s4(), alpha.data(), nullptr, nullptr, nullptr, z.s1()) ||
        !run_script(e, picture, number, values, false) ||
        !l.IS3SplitImage(picture, z.w, z.h, 4, z.s4(), alpha.data(), nullptr, nullptr, nullptr, z.s1()))
        return;
    refresh_source(s);
    if (premultiplied) premultiply(s, picture);
    if (!run_script(e, picture, number, values, false)) return;
    l.IS3CombineImageChannels(picture, z.w, z.h, 4, z.s4(), nullptr, nullptr, nullptr, alpha.data(), z.s1());
    if (premultiplied) divide_alpha(s, picture);
    load(s, picture);
}

int32_t at_least(int32_t v, int32_t least) { return std::max(v, least); }

}  // namespace

void twirl(EngineState& s, const Effect& e) {
    script_twice(s, e, 6,
                 {{3, scaled(e.t(1), 7.2, -360)}, {4, at_least(trunc_int(e.t(2)), 1)}, {5, at_least(trunc_int(e.t(3)), 1)},
                  {7, e.f(1)}},
                 true);
}

void sine_distortion(EngineState& s, const Effect& e) {
    script_twice(s, e, 13,
                 {{3, trunc_int(e.width * 0.01 * e.t(1))}, {4, trunc_int(e.height * 0.01 * e.t(2))},
                  {5, trunc_int(e.t(3) / 3)}, {6, trunc_int(e.t(4) / 3)}, {7, trunc_int(e.width * 0.01 * e.t(5) - 1)},
                  {8, trunc_int(e.height * 0.01 * e.t(6) - 1)}, {9, e.f(1)}},
                 true);
}

void kaleidoscope(EngineState& s, const Effect& e) {
    script_twice(s, e, 49,
                 {{3, trunc_int(e.width * 0.01 * e.t(1))}, {4, trunc_int(e.height * 0.01 * e.t(2))},
                  {5, trunc_int(e.t(3) / 3)}, {6, e.args.p7}},
                 true);
}

void scratch(EngineState& s, const Effect& e) {
    script_twice(s, e, 56,
                 {{3, e.args.seed}, {4, trunc_int(e.t(1))}, {5, scaled(e.t(2), 4)}, {6, scaled(e.t(3), 3.6)}, {7, e.f(1)},
                  {9, e.f(2)}});
}

void waves(EngineState& s, const Effect& e) {
    script_twice(s, e, 16, {{3, scaled(e.t(1), 10)}, {4, scaled(e.t(2), 5)}, {6, scaled(e.t(3), 3.6)}, {5, e.f(1)}},
                 true);
}

void divider(EngineState& s, const Effect& e) {
    script_twice(s, e, 17, {{3, trunc_int(e.t(1))}, {4, trunc_int(e.t(2))}});
}

void carpet(EngineState& s, const Effect& e) { script_twice(s, e, 18, {{3, scaled(e.t(1), 5)}, {4, scaled(e.t(2), 5)}}); }

void glass(EngineState& s, const Effect& e) {
    script_twice(s, e, 39, {{3, e.args.seed}, {4, scaled(e.t(1), 10)}, {5, scaled(e.t(2), 0.25)}});
}

void voxel(EngineState& s, const Effect& e) { script_twice(s, e, 22, {{3, scaled(e.t(1), 1, 4)}}); }

void zoom(EngineState& s, const Effect& e) {
    script_twice(s, e, 50,
                 {{3, scaled(e.t(1), 10, 1)}, {4, scaled(e.t(2), 20, -1000)}, {5, scaled(e.t(3), 20, -1000)}, {7, e.f(1)}},
                 true);
}

void rotate(EngineState& s, const Effect& e) {
    script_twice(s, e, 51, {{3, scaled(e.t(1), 7.2, -360)}, {4, scaled(e.t(2), 10)}}, true);
}

void tilt(EngineState& s, const Effect& e) {
    script_twice(s, e, 54, {{3, scaled(e.t(1), 20, -1000)}, {4, scaled(e.t(2), 20, -1000)}}, true);
}

void seamless(EngineState& s, const Effect& e) { script_twice(s, e, 52, {{3, scaled(e.t(1), 3)}}); }

}  // namespace imaging::effects
