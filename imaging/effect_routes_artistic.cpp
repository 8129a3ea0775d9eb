// Painterly, graphic and generated pictures.
#include <algorithm>

#include "imaging/effect_routes.h"
#include "imaging/effect_rows.h"

namespace imaging::effects {

using engine::EngineState;

namespace {

// The two flags of the painterly calls: 1 when f1 is 1, plus 2 when f2 is 1.
uint32_t paint_flags(const Effect& e) { return (e.f(1) == 1 ? 1u : 0u) + (e.f(2) == 1 ? 2u : 0u); }

}  // namespace

void oil_paint(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3OilPaintRGB(src, z.w, z.h, z.s3(), dst, z.s3(), trunc_int(e.t(1) * 0.1 + 2),
                                     trunc_int(e.t(2) * 2.55), paint_flags(e));
    });
}

void stipple(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3Stipple(src, z.w, z.h, z.s3(), dst, z.s3(), trunc_int(e.t(1)), e.args.p7, e.args.p8,
                                 seed_of(e));
    });
}

void watercolor_tint(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3WatercolorTintRGB(src, z.w, z.h, z.s3(), dst, z.s3(), e.t(1) * 0.01, paint_flags(e));
    });
}

void halftone(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, false, [&](uint8_t* src, uint8_t*) {
        return lib().ISE3HalftoneImage(src, z.w, z.h, z.s3(), std::max(trunc_int(e.t(1) * 0.5), 1), e.f(1));
    });
}

void color_noise(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, false, [&](uint8_t* src, uint8_t*) {
        return lib().ISE3GenerateColoredNoise(src, z.w, z.h, z.s3(), e.colour(), trunc_int(e.t(1)), e.args.p7,
                                              seed_of(e));
    });
}

void hugo_noise(EngineState& s, const Effect& e) {
    const Sides z(e);
    engine::OwnedBuffer<uint8_t> plane = plane_of(z);
    if (!plane) return;
    if (lib().ISE3GenerateHugoNoise(plane.data(), z.w, z.h, z.s1(), trunc_int(e.t(1) * 0.04 + 2), 10 - e.t(2) * 0.1,
                                    1 - e.t(3) * 0.01, seed_of(e)))
        load_grey(s, plane.data());
}

void perlin_noise(EngineState& s, const Effect& e) {
    const Sides z(e);
    engine::OwnedBuffer<uint8_t> plane = plane_of(z);
    if (!plane) return;
    if (lib().ISE3GeneratePerlinNoise(plane.data(), z.w, z.h, z.s1(), 1 - e.t(1) * 0.01, seed_of(e)))
        load_grey(s, plane.data());
}

void bevel(EngineState& s, const Effect& e) {
    const Sides z(e);
    const auto level = [&](int k) { return trunc_int(e.t(k) * 2.559); };
    rgb24(s, false, [&](uint8_t* src, uint8_t*) {
        return lib().ISE3ShadeBevelEdge(src, z.w, z.h, z.s3(), trunc_int(e.t(1)), imglib::kBevelRound, 0, level(2),
                                        level(3), level(4), level(5), trunc_int(e.t(6) * 5));
    });
}

void crackle(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3CrackleRGB(src, z.w, z.h, z.s3(), dst, z.s3(), e.args.p7, trunc_int(e.t(1)), e.f(1),
                                    seed_of(e));
    });
}

void drop_shadow(EngineState& s, const Effect& e) {
    const Sides z(e);
    const Rgba32Pair p = pair(s);
    const EffectLibrary& l = lib();
    uint8_t* shadow = l.ISE3DropShadow(p.src, z.w, z.h, z.s4(), trunc_int(e.t(1)), trunc_int(e.t(2)), 0, 0,
                                       trunc_int(e.t(3) * 3.59), 1);
    if (shadow == nullptr) return;
    const BOOL laid = l.IS3OverlayImage(p.dst, z.w, z.h, 4, z.s4(), shadow, z.w, z.h, z.s4(), 0, 0, 1.0, 0);
    l.GlobalFree(shadow);
    if (laid) load(s, p.dst);
}

void emboss_relief(EngineState& s, const Effect& e, const uint8_t* heights) {
    const Sides z(e);
    engine::OwnedBuffer<uint8_t> grey;
    if (heights == nullptr) {
        grey = plane_of(z);
        if (!grey) return;
    }
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        const EffectLibrary& l = lib();
        if (heights == nullptr && !l.IS3ImageToGrayScale8Bit(src, z.w, z.h, 3, z.s3(), grey.data(), z.s1(), 0))
            return false;
        return l.IS3EmbossRGB(heights != nullptr ? heights : grey.data(), z.w, z.h, z.s1(), src, z.s3(), dst, z.s3(),
                              e.t(1) * 3.6 * 6.28 / 360, e.t(2) * 3.6 * 3.14 / 360, trunc_int(e.t(3) * 0.5)) != 0;
    });
}

void emboss(EngineState& s, const Effect& e) { emboss_relief(s, e, nullptr); }

void fingerprint(EngineState& s, const Effect& e) {
    const Sides z(e);
    engine::OwnedBuffer<uint8_t> grey = plane_of(z), print = plane_of(z);
    if (!grey || !print) return;
    const EffectLibrary& l = lib();
    if (l.IS3ImageToGrayScale8Bit(pair(s).src, z.w, z.h, 4, z.s4(), grey.data(), z.s1(), 0) &&
        l.ISE3Fingerprint(grey.data(), z.w, z.h, z.s1(), print.data(), z.s1(), e.t(1), trunc_int(e.t(2) * 0.1),
                          e.f(1)))
        load_grey(s, print.data());
}

void gauzy(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3GauzyRGB(src, z.w, z.h, z.s3(), dst, z.s3(), e.t(1) * 0.01, e.t(2) * 0.01, e.t(3) * 0.01,
                                  e.args.p7);
    });
}

void scribble(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3Scribble(src, z.w, z.h, z.s3(), dst, z.s3(), e.args.p7, e.f(1), trunc_int(e.t(1)),
                                  seed_of(e));
    });
}

}  // namespace imaging::effects
