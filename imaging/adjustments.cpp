#include "imaging/adjustments.h"

#include <algorithm>
#include <cstring>

#include "engine/trace.h"
#include "imaging/effect_routes.h"
#include "script/colour_space.h"

namespace imaging {

using engine::EngineState;

int32_t photo_pop(EngineState& s, int32_t amount, double saturation, uint8_t flag) {
    using namespace effects;
    const Rgba32Pair p = pair(s);
    if (!p) {
        trace::no_working_buffers("PTE_IPLPhotoPop");
        return 0;
    }
    const uint32_t w = uint32_t(p.width), h = uint32_t(p.height);
    rgb24(s, true, [&](const uint8_t* src, uint8_t* dst) {
        return lib().IS3SharpenImage(src, w, h, 3, w * 3, dst, w * 3, 5, 7);
    });
    if (flag == 1) builtin_step(s, "Hyper Contrast", false, {1}, {});
    builtin_step(s, "Hyper Contrast", false, {amount}, {});
    uint8_t* picture = refresh_source(s);
    if (!lib().IS3ModifyImageSaturation(picture, w, h, 4, w * 4, saturation_curve(saturation))) return 0;
    load(s, picture);
    return 1;
}

namespace {

// Hue moved by `shift` degrees and brought back once into 0..360.
double shifted_hue(double h, int32_t shift) {
    h += shift;
    if (h > 360.0) h -= 360.0;
    if (h < 0.0) h += 360.0;
    return h;
}

double shifted_share(double v, int32_t percent) { return std::clamp(v + percent * 0.01, 0.0, 1.0); }

template <class Pixel>
void each_pixel(uint8_t* buffer, int32_t width, int32_t height, Pixel pixel) {
    if (buffer == nullptr || width <= 0 || height <= 0) return;
    const size_t count = size_t(width) * size_t(height);
    for (uint8_t* p = buffer; p != buffer + count * 4; p += 4) pixel(p);
}

void put(uint8_t* p, const colour_space::Rgb8& c) {
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

}  // namespace

namespace {

// The shift of one model: a pixel's (hue, saturation, third) from its bytes
// and back. Greys (hue -1 in HSV, saturation 0 in both) keep hue and
// saturation 0; a pixel whose three values come out unchanged keeps its
// bytes, since converting back truncates.
template <class Model, class From, class To>
void shift_model(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t third,
                 From from, To to, double Model::*third_of) {
    each_pixel(buffer, width, height, [&](uint8_t* p) {
        const Model before = from(p[0], p[1], p[2]);
        const bool grey = p[0] == p[1] && p[1] == p[2];
        Model after = before;
        if (grey) {
            after.h = after.s = 0;
        } else {
            after.h = shifted_hue(before.h, hue);
            after.s = shifted_share(before.s, saturation);
        }
        after.*third_of = shifted_share(before.*third_of, third);
        const bool same_hue = after.h == before.h || grey;
        if (same_hue && after.s == before.s && after.*third_of == before.*third_of) return;
        put(p, to(after));
    });
}

}  // namespace

void hsl_adjust_rgba32(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation,
                       int32_t lightness) {
    shift_model(buffer, width, height, hue, saturation, lightness, colour_space::rgb_to_hsl, colour_space::hsl_to_rgb,
                &colour_space::Hsl::l);
}

void hsv_adjust_rgba32(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation,
                       int32_t value) {
    shift_model(buffer, width, height, hue, saturation, value, colour_space::rgb_to_hsv, colour_space::hsv_to_rgb,
                &colour_space::Hsv::v);
}

void blur_more_rgb24(uint8_t* buffer, int32_t width, int32_t height, int32_t size, int32_t weight) {
    if (buffer == nullptr || width <= 0 || height <= 0) return;
    // A packed row must fit a 32-bit stride.
    if (int64_t(width) * 3 > INT32_MAX) return;
    const uint32_t w = uint32_t(width), h = uint32_t(height), stride = w * 3;
    engine::OwnedBuffer<uint8_t> scratch;
    scratch.allocate_or_throw(engine::sat_mul(stride, h));
    if (effects::lib().ISE3BlurImage(buffer, w, h, 3, stride, scratch.data(), stride, size / 5, weight * 0.01, 15))
        std::memcpy(buffer, scratch.data(), scratch.size_bytes());
}

}  // namespace imaging
