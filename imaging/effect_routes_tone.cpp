// Colour and tone adjustments.
#include <algorithm>

#include "imaging/adjustments.h"
#include "imaging/effect_routes.h"
#include "imaging/effect_rows.h"

namespace imaging::effects {

using engine::EngineState;

namespace {

// A tenth-value read as a level 0..255 the library way: (int)(t * 2.559).
int32_t level_of(double t) { return trunc_int(t * 2.559); }

// A tenth-value as a colour-balance shift: (int)(t - 50), or 0 when its
// range is switched off.
int32_t shift_of(double t, bool on) { return on ? trunc_int(t - 50) : 0; }

// Shifts of hue (degrees), saturation and lightness (percent) from t1..t3.
struct Shifts {
    int32_t hue, saturation, lightness;
    explicit Shifts(const Effect& e)
        : hue(trunc_int(e.t(1) * 3.6 - 180)),
          saturation(trunc_int(e.t(2) * 2 - 100)),
          lightness(trunc_int(e.t(3) * 2 - 100)) {}
};

}  // namespace

void brightness_and_contrast(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().IS3AdjustBrightnessContrast(picture, z.w, z.h, 4, z.s4(), e.t(1) * 0.02 - 1, e.t(2) * 0.02 - 1, 1);
    });
}

void brightness_histogram_equalize(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().IS3BrightnessHistogramEqualizeImage(picture, z.w, z.h, 4, z.s4(), level_of(e.t(1)),
                                                         level_of(e.t(2)));
    });
}

void brightness_histogram_stretch(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().IS3BrightnessHistogramStretchImage(picture, z.w, z.h, 4, z.s4(), e.t(1), e.t(2));
    });
}

void brightness_histogram_stretch_hsl(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().IS3BrightnessHistogramStretchImageInHSL(picture, z.w, z.h, 4, z.s4(), e.t(1), e.t(2), 0);
    });
}

void gamma(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) { return lib().IS3AdjustGamma(picture, z.w, z.h, 4, z.s4(), e.t(1) * 0.02, 0); });
}

void histogram_equalize(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().IS3HistogramEqualizeImage(picture, z.w, z.h, 4, z.s4(), level_of(e.t(1)), level_of(e.t(2)), 15);
    });
}

void histogram_stretch(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, false, [&](uint8_t* src, uint8_t*) {
        return lib().IS3HistogramStretchImage(src, z.w, z.h, 3, z.s3(), e.t(1), e.t(2), 15);
    });
}

void adjust_color_balance(EngineState& s, const Effect& e) {
    const Sides z(e);
    const bool shadows = e.f(1) == 1, mids = e.f(2) == 1, highs = e.f(3) == 1;
    in_place(s, [&](uint8_t* picture) {
        return lib().ISE40_AdjustImageColorBalance(
            picture, z.w, z.h, 4, z.s4(), shift_of(e.t(1), shadows), shift_of(e.t(2), shadows),
            shift_of(e.t(3), shadows), shift_of(e.t(1), mids), shift_of(e.t(2), mids), shift_of(e.t(3), mids),
            shift_of(e.t(1), highs), shift_of(e.t(2), highs), shift_of(e.t(3), highs), trunc_int(e.t(4) - 50), 0);
    });
}

void adjust_hsl(EngineState& s, const Effect& e) {
    const Shifts d(e);
    in_place(s, [&](uint8_t* picture) {
        hsl_adjust_rgba32(picture, e.width, e.height, d.hue, d.saturation, d.lightness);
        return true;
    });
}

void adjust_hsv(EngineState& s, const Effect& e) {
    const Shifts d(e);
    in_place(s, [&](uint8_t* picture) {
        hsv_adjust_rgba32(picture, e.width, e.height, d.hue, d.saturation, d.lightness);
        return true;
    });
}

void duotone(EngineState& s, const Effect& e) {
    const Sides z(e);
    const uint32_t ink =
        uint32_t(trunc_int(e.t(1))) + uint32_t(trunc_int(e.t(2))) * 256u + uint32_t(trunc_int(e.t(3))) * 65536u;
    in_place(s, [&](uint8_t* picture) { return lib().ISE3DuotoneImage(picture, z.w, z.h, 4, z.s4(), ink, 0); });
}

void grayscale(EngineState& s, const Effect& e) {
    // The grey of iplSrc32 as the host left it.
    const Sides z(e);
    engine::OwnedBuffer<uint8_t> grey;
    if (!grey.allocate(uint64_t(z.w) * z.h)) return;
    if (lib().IS3ImageToGrayScale8Bit(pair(s).src, z.w, z.h, 4, z.s4(), grey.data(), z.s1(), 0))
        load_grey(s, grey.data());
}

void hyper_saturation(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().IS3ModifyImageSaturation(picture, z.w, z.h, 4, z.s4(), hyper_saturation_curve(e.t(1)));
    });
}

void negative(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, false, [&](uint8_t* src, uint8_t*) { return lib().ISE3InvertImage(src, z.w, z.h, 3, z.s3(), 0); });
}

void posterize(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, false, [&](uint8_t* src, uint8_t*) { return lib().ISE3PosterizeRGB(src, z.w, z.h, z.s3(), 0); });
}

void solarize(EngineState& s, const Effect& e) {
    const Sides z(e);
    rgb24(s, false, [&](uint8_t* src, uint8_t*) { return lib().ISE3SolarizeImage(src, z.w, z.h, 3, z.s3(), 0); });
}

void threshold(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().ISE3ThresholdFilter(picture, z.w, z.h, 4, z.s4(), trunc_int(e.t(1) * 2.55),
                                         trunc_int(e.t(2) * 2.55), 15);
    });
}

void tint(EngineState& s, const Effect& e) {
    const Sides z(e);
    in_place(s, [&](uint8_t* picture) {
        return lib().ISE3AdjustTint(picture, z.w, z.h, 4, z.s4(), trunc_int(e.t(1) * 3.6 - 180), 0);
    });
}

}  // namespace imaging::effects
