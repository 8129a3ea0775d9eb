// Blurs, sharpening, cleaning, the mean and rank filters and added noise.
#include <algorithm>
#include <cstring>

#include "imaging/effect_routes.h"
#include "imaging/effect_rows.h"

namespace imaging::effects {

using engine::EngineState;

namespace {

// A window filter of RGBA32 from source to destination, every channel.
using WindowFilter = BOOL (*)(const uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t, uint8_t*, uint32_t, int32_t,
                              uint32_t);

// The radius (int)(t1 * 0.2) that the window filters read.
int32_t window_radius(const Effect& e) { return trunc_int(e.t(1) * 0.2); }

void window_filtered(EngineState& s, const Effect& e, WindowFilter call) {
    const Sides z(e);
    filtered(s, [&](const uint8_t* src, uint8_t* dst) {
        return call(src, z.w, z.h, 4, z.s4(), dst, z.s4(), window_radius(e), 15);
    });
}

void window_plain(EngineState& s, const Effect& e, WindowFilter call) {
    const Sides z(e);
    plain(s, [&](const uint8_t* src, uint8_t* dst) {
        return call(src, z.w, z.h, 4, z.s4(), dst, z.s4(), window_radius(e), 15);
    });
}

void motion(EngineState& s, const Effect& e, double angle, double length, int32_t level, int32_t kind) {
    const Sides z(e);
    filtered(s, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3MotionBlur(src, z.w, z.h, 4, z.s4(), dst, z.s4(), angle, length, level, kind);
    });
}

// The passes of the unsharp mask: max(1, (int)(t4 * 0.1)), at most the ten
// that the settings' range (t4 up to 100) gives, so a runaway setting
// cannot hold the host for hours.
constexpr int32_t kMostUnsharpPasses = 10;

}  // namespace

void blur(EngineState& s, const Effect& e) {
    const Sides z(e);
    // A negative share blurs nothing.
    const uint32_t level = uint32_t(std::max(0, trunc_int(e.t(1))));
    filtered(s, [&](const uint8_t* src, uint8_t* dst) {
        return lib().IS3BlurImage(src, z.w, z.h, 4, z.s4(), dst, z.s4(), level, 15);
    });
}

void blur_more(EngineState& s, const Effect& e) {
    const Sides z(e);
    filtered(s, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE40_BlurImage(src, z.w, z.h, 4, z.s4(), dst, z.s4(), trunc_int(e.t(1) * 0.2), e.t(2) * 0.01,
                                     15);
    });
}

void gaussian_blur(EngineState& s, const Effect& e) {
    const Sides z(e);
    filtered(s, [&](const uint8_t* src, uint8_t* dst) {
        return lib().IS40_GaussianBlurImage(src, z.w, z.h, 4, z.s4(), dst, z.s4(), e.t(1) * 0.4 + 0.6, 15);
    });
}

void motion_blur(EngineState& s, const Effect& e) {
    motion(s, e, e.t(1) * 3.6 - 180, e.t(2) * 0.2, trunc_int(e.t(3)), imglib::kMotionLinear);
}

void radial_blur(EngineState& s, const Effect& e) {
    motion(s, e, 0, e.t(1) * 0.2, trunc_int(e.t(2)), imglib::kMotionRadial);
}

void zoom_blur(EngineState& s, const Effect& e) {
    motion(s, e, 0, e.t(1) * 0.2, trunc_int(e.t(2)), imglib::kMotionZoom);
}

void horizontal_flip(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) { return lib().IS3HorizontalFlipImage(picture, z.w, z.h, 4, z.s4()); });
}

void vertical_flip(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) { return lib().IS3VerticalFlipImage(picture, z.s4(), z.h); });
}

void despeckle(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) { return lib().IS3DespeckleImage(picture, z.w, z.h, 4, z.s4(), 7); });
}

void dust_and_scratches(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3DustAndScratches(src, z.w, z.h, 3, z.s3(), dst, z.s3(), std::max(trunc_int(e.t(1)), 2),
                                          trunc_int(255 - e.t(2) * 2.559), e.t(3) * 0.01, 7);
    });
}

void add_gaussian_noise(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().ISE3AddGaussianNoise(picture, z.w, z.h, 4, z.s4(), trunc_int(e.t(1) * 200), 0, 0, e.f(1), 7,
                                          seed_of(e));
    });
}

void add_negative_exponential_noise(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().ISE3AddNegativeExpNoise(picture, z.w, z.h, 4, z.s4(), trunc_int(e.t(1) * 200), e.f(1), 7,
                                             seed_of(e));
    });
}

void add_rayleigh_noise(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().ISE3AddRayleighNoise(picture, z.w, z.h, 4, z.s4(), trunc_int(e.t(1) * 200), e.f(1), 7,
                                          seed_of(e));
    });
}

void add_uniform_noise(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().ISE3AddUniformNoise(picture, z.w, z.h, 4, z.s4(), trunc_int(e.t(1) * 200), 0, 0, e.f(1), 7,
                                         seed_of(e));
    });
}

void mosaic(EngineState& s, const Effect& e) {
    // The blocks are made in place on the premultiplied source, so that
    // copy (not a stale destination) is what is divided out and loaded.
    const Sides z(e);
    uint8_t* picture = refresh_source(s);
    premultiply(s, picture);
    if (!lib().ISE3MosaicImage(picture, z.w, z.h, 4, z.s4(), std::max(trunc_int(e.t(1) * 0.5), 1))) return;
    divide_alpha(s, picture);
    load(s, picture);
}

void sharpen(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().IS3SharpenImage(src, z.w, z.h, 3, z.s3(), dst, z.s3(), trunc_int(e.t(1)), 7);
    });
}

void sharpen_more(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().ISE3SharpenImage(src, z.w, z.h, 3, z.s3(), dst, z.s3(), trunc_int(e.t(1) * 0.1), e.t(2) * 0.01,
                                      7);
    });
}

void unsharp_mask(EngineState& s, const Effect& e) {
    const Sides z(e);
    const int32_t passes = std::clamp(trunc_int(e.t(4) * 0.1), 1, kMostUnsharpPasses);
    rgb24(s, true, [&](uint8_t* src, uint8_t* dst) {
        bool any = false;
        for (int32_t pass = 0; pass < passes; ++pass) {
            if (!lib().IS3UnsharpMaskImage(src, z.w, z.h, 3, z.s3(), dst, z.s3(), trunc_int(e.t(1) * 2.55),
                                           e.t(2) * 0.01, e.t(3) * 0.04 + 0.2, 7))
                break;
            any = true;
            // The next pass sharpens this one's output.
            if (pass + 1 < passes) std::memcpy(src, dst, size_t(z.s3()) * z.h);
        }
        return any;
    });
}

void edge2(EngineState& s, const Effect& e) {
    const Sides z(e);
    engine::OwnedBuffer<uint8_t> grey, edges;
    if (!grey.allocate(uint64_t(z.w) * z.h) || !edges.allocate(uint64_t(z.w) * z.h)) return;
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        const EffectLibrary& l = lib();
        return l.IS3ImageToGrayScale8Bit(src, z.w, z.h, 3, z.s3(), grey.data(), z.s1(), 0) &&
               l.ISE3CannyEdgeDetector(grey.data(), z.w, z.h, z.s1(), edges.data(), z.s1(),
                                       e.t(1) * 1.8 * 0.01 + 0.6, e.t(2) * 0.3 * 0.01 + 0.2,
                                       e.t(3) * 0.3 * 0.01 * 0.6) &&
               l.IS3CombineImageChannels(dst, z.w, z.h, 3, z.s3(), edges.data(), edges.data(), edges.data(), nullptr,
                                         z.s1());
    });
}

void arithmetic_mean(EngineState& s, const Effect& e) { window_filtered(s, e, lib().ISE3ArithmeticMeanFilter); }
void geometric_mean(EngineState& s, const Effect& e) { window_plain(s, e, lib().ISE3GeometricMeanFilter); }
void harmonic_mean(EngineState& s, const Effect& e) { window_plain(s, e, lib().ISE3HarmonicMeanFilter); }
void maximum2(EngineState& s, const Effect& e) { window_plain(s, e, lib().ISE3MaximumFilter); }
void minimum2(EngineState& s, const Effect& e) { window_plain(s, e, lib().ISE3MinimumFilter); }
void midpoint(EngineState& s, const Effect& e) { window_filtered(s, e, lib().ISE3MidpointFilter); }
void median(EngineState& s, const Effect& e) { window_plain(s, e, lib().ISE3MedianCutImage); }

void deinterlace(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().IS3Deinterlace(picture, z.w, z.h, 4, z.s4(), e.f(1) == 0 ? 5 : 1);
    });
}

}  // namespace imaging::effects
