#include "mask/selection.h"

#include <algorithm>
#include <cmath>

#include "engine/pixels.h"
#include "platform/parallel.h"
#include "engine/trace.h"
#include "script/colour_space.h"

namespace mask {

using engine::EngineState;

namespace {

// floor(v / 3), also for the negative sums host components may give.
int64_t floor_third(int64_t v) { return v >= 0 ? v / 3 : -((-v + 2) / 3); }

// Mean of three bytes, truncated (they are never negative).
inline uint32_t mean3(const uint8_t* p) { return (uint32_t(p[0]) + p[1] + p[2]) / 3; }

// Calls f(mask value, i) for every image pixel index while the mask
// exists. Every operation here reads and writes pixel i alone, so the
// image is walked in bands; `work` is the cost of one call of f.
template <class F>
void for_each_mask_value(EngineState& s, F&& f, int64_t work = parallel::kPixelWork) {
    uint16_t* m = pixels::image_mask(s);
    if (m == nullptr) return trace::no_image("change the selection mask");
    const auto count = int64_t(engine::image_pixel_count(s));
    parallel::for_bands(count, work, [&](int64_t first, int64_t end) {
        for (int64_t i = first; i < end; ++i) f(m[i], uint64_t(i));
    });
}

// Writes `value` wherever match(i) holds.
template <class Match>
void mark_where(EngineState& s, uint16_t value, Match&& match, int64_t work = parallel::kPixelWork) {
    for_each_mask_value(
        s,
        [&](uint16_t& m, uint64_t i) {
            if (match(i)) m = value;
        },
        work);
}

// Calls f(mask value, layer pixel) over the image when both the mask and a
// current layer covering the image are there.
template <class F>
void for_each_layer_pixel(EngineState& s, F&& f) {
    uint16_t* layer = engine::current_image_pixels(s);
    if (layer == nullptr) return trace::no_current_layer("move between the mask and the current layer", s);
    for_each_mask_value(s, [&](uint16_t& m, uint64_t i) { f(m, layer + i * 4); });
}

// Whether a hue lies within T degrees of the reference, each difference
// truncated toward zero first; the second and third differences carry a
// range across 0/360.
bool hue_within_tolerance(double h, double reference, int32_t tolerance) {
    const auto near = [tolerance](double d) { return std::fabs(std::trunc(d)) <= tolerance; };
    return near(h - reference) || near(h - (reference - 360.0)) || near((h - 360.0) - reference);
}

}  // namespace

uint16_t grey_to_mask(int64_t grey) {
    if (grey <= 255) return 65535;
    if (grey <= 65280) return static_cast<uint16_t>(65280 - grey);
    return 0;
}

uint16_t level_value(int32_t level) {
    // Unsigned arithmetic wraps like the modulo the rule asks for, for any level.
    return static_cast<uint16_t>(((255u - static_cast<uint32_t>(level)) & 255u) << 8);
}

// percent * 2.56 and percent * 1.8 as exact fractions (64/25 and 9/5):
// the same truncation as the floating products without their rounding.
int32_t channel_tolerance(int32_t percent) { return static_cast<int32_t>(int64_t(percent) * 64 / 25); }
int32_t hue_tolerance(int32_t percent) { return static_cast<int32_t>(int64_t(percent) * 9 / 5); }

void invert(EngineState& s) {
    for_each_mask_value(s, [](uint16_t& m, uint64_t) { m = static_cast<uint16_t>(65535 - m); });
}

void fill_from_grey(EngineState& s, int32_t red, int32_t green, int32_t blue) {
    const uint16_t value = grey_to_mask(floor_third(int64_t(red) + green + blue));
    for_each_mask_value(s, [value](uint16_t& m, uint64_t) { m = value; });
}

void save_rgb24(const EngineState& s, uint8_t* dst, int32_t stride_bytes) {
    const uint16_t* m = pixels::image_mask(s);
    if (m == nullptr) return trace::no_image("PTE_SaveMask");
    if (dst == nullptr) return trace::skipped("PTE_SaveMask", "no destination (null)");
    parallel::for_bands(s.imageHeight, s.imageWidth * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t y = first; y < end; ++y) {
            const uint16_t* row = m + y * s.imageWidth;
            uint8_t* out = dst + y * stride_bytes;
            for (int32_t x = 0; x < s.imageWidth; ++x, out += 3)
                out[0] = out[1] = out[2] = uint8_t(255 - (row[x] >> 8));
        }
    });
}

void load_rgb24(EngineState& s, const uint8_t* src, int32_t stride_bytes, int32_t width, int32_t height) {
    uint16_t* m = pixels::image_mask(s);
    if (m == nullptr) return trace::no_image("PTE_LoadMask");
    if (src == nullptr) return trace::skipped("PTE_LoadMask", "no source (null)");
    width = std::min(width, s.imageWidth);
    height = std::min(height, s.imageHeight);
    if (width <= 0) return;
    parallel::for_bands(height, width * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t y = first; y < end; ++y) {
            const uint8_t* in = src + y * stride_bytes;
            uint16_t* row = m + y * s.imageWidth;
            for (int32_t x = 0; x < width; ++x, in += 3) {
                const uint32_t k = mean3(in);
                row[x] = k == 0 ? 65535 : static_cast<uint16_t>((255 - k) << 8);
            }
        }
    });
}

void image_from_mask(EngineState& s) {
    for_each_layer_pixel(s, [](uint16_t& m, uint16_t* p) {
        p[0] = p[1] = p[2] = static_cast<uint16_t>(std::min<uint32_t>(65535u - m, 65280u));
        p[3] = 65535;
    });
}

void alpha_from_mask(EngineState& s) {
    for_each_layer_pixel(s, [](uint16_t& m, uint16_t* p) { p[3] = m; });
}

void from_alpha(EngineState& s) {
    for_each_layer_pixel(s, [](uint16_t& m, uint16_t* p) { m = p[3]; });
}

void from_layer(EngineState& s) {
    for_each_layer_pixel(s, [](uint16_t& m, uint16_t* p) {
        m = grey_to_mask((uint32_t(p[0]) + p[1] + p[2]) / 3);
    });
}

void mark_differences_rgba32(EngineState& s, const uint8_t* a, const uint8_t* b, uint16_t value) {
    if (a == nullptr || b == nullptr) return;
    mark_where(s, value, [a, b](uint64_t i) {
        const uint8_t* p = a + i * 4;
        const uint8_t* q = b + i * 4;
        return p[0] != q[0] || p[1] != q[1] || p[2] != q[2] || p[3] != q[3];
    });
}

void mark_colour_rgba32(EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t level) {
    if (image == nullptr) return;
    mark_where(s, level_value(level), [=](uint64_t i) {
        const uint8_t* p = image + i * 4;
        return p[0] == c0 && p[1] == c1 && p[2] == c2;
    });
}

void mark_colour_rgb24(EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t level) {
    if (image == nullptr) return;
    mark_where(s, level_value(level), [=](uint64_t i) {
        const uint8_t* p = image + i * 3;
        return p[0] == c0 && p[1] == c1 && p[2] == c2;
    });
}

void mark_flood_map(EngineState& s, const uint8_t* map, int32_t level) {
    if (map == nullptr) return;
    mark_where(s, level_value(level), [map](uint64_t i) { return map[i] == 1; });
}

void mark_colour_range_rgba32(EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                              int32_t tolerance, int32_t level) {
    if (image == nullptr) return;
    const int32_t t = channel_tolerance(tolerance);
    mark_where(s, level_value(level), [=](uint64_t i) {
        const uint8_t* p = image + i * 4;
        return within_tolerance(p[0], c0, t) && within_tolerance(p[1], c1, t) && within_tolerance(p[2], c2, t);
    });
}

void mark_alpha_range_rgba32(EngineState& s, const uint8_t* image, int32_t alpha, int32_t tolerance, int32_t level) {
    if (image == nullptr) return;
    const int32_t t = channel_tolerance(tolerance);
    mark_where(s, level_value(level), [=](uint64_t i) { return within_tolerance(image[i * 4 + 3], alpha, t); });
}

void mark_luminance_range_rgba32(EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                                 int32_t tolerance, int32_t level) {
    if (image == nullptr) return;
    const int32_t t = channel_tolerance(tolerance);
    const int64_t reference = floor_third(int64_t(c0) + c1 + c2);
    mark_where(s, level_value(level), [=](uint64_t i) { return within_tolerance(mean3(image + i * 4), reference, t); });
}

void mark_hue_range_rgba32(EngineState& s, const uint8_t* image, int32_t c0, int32_t c1, int32_t c2,
                           int32_t tolerance, int32_t level) {
    if (image == nullptr) return;
    const int32_t t = hue_tolerance(tolerance);
    const double reference = colour_space::rgb_to_hsv(c0, c1, c2).h;
    mark_where(
        s, level_value(level),
        [=](uint64_t i) {
            const uint8_t* p = image + i * 4;
            return hue_within_tolerance(colour_space::rgb_to_hsv(p[0], p[1], p[2]).h, reference, t);
        },
        parallel::kColourWork);
}

void apply_to_alpha_rgba32(const EngineState& s, uint8_t* image) {
    apply_to_alpha_rgba32(s, image, s.imageWidth, s.imageHeight, false);
}

void apply_to_alpha_rgba32(const EngineState& s, uint8_t* image, int32_t width, int32_t height, bool keepSelected) {
    const uint16_t* m = pixels::image_mask(s);
    if (m == nullptr || image == nullptr || width <= 0 || height <= 0) return;
    const int64_t columns = std::min(width, s.imageWidth), rows = std::min(height, s.imageHeight);
    parallel::for_bands(rows, columns * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t y = first; y < end; ++y) {
            const uint16_t* mask_row = m + y * int64_t(s.imageWidth);
            uint8_t* row = image + y * int64_t(width) * 4;
            for (int64_t x = 0; x < columns; ++x) {
                if (keepSelected && mask_row[x] == 65535) continue;
                uint8_t& a = row[x * 4 + 3];
                a = static_cast<uint8_t>((uint32_t(mask_row[x] >> 8) * a) >> 8);
            }
        }
    });
}

void apply_to_working_alpha(EngineState& s) {
    auto& source = s.working.iplSrc32;
    // The working buffers keep the size they were allocated at; one from
    // before a size change is left alone rather than overrun.
    if (!s.maskActive)
        return trace::skipped("PTE_ApplyMaskToAlpha_IPLSrcRGBA", "the mask is not in force (PTE_EnableMask)");
    if (!source || source.size() != engine::sat_mul(engine::image_pixel_count(s), 4))
        return trace::skipped("PTE_ApplyMaskToAlpha_IPLSrcRGBA", "no RGBA32 source buffer of the image's size "
                                                                 "(PTE_IPLAllocSrcBuffer32)");
    apply_to_alpha_rgba32(s, source.data());
}

}  // namespace mask
