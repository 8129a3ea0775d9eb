// Histogram stretch (auto levels): the levels that cut off given shares of
// the darkest and brightest values are spread to black and white; per
// channel, on the luma, or on the lightness of hue, lightness, saturation.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

namespace {

struct Hsl {
    double h, s, l;  // hue in sixths of a turn (0..6), saturation 0..1, lightness 0..255
};

Hsl to_hsl(const uint8_t* p) {
    const double r = p[0], g = p[1], b = p[2];
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const double l = (hi + lo) / 2, d = hi - lo;
    if (d == 0) return {0, 0, l};
    const double s = l < 127.5 ? d / (hi + lo) : d / (510.0 - hi - lo);
    double h = hi == r ? (g - b) / d : hi == g ? 2 + (b - r) / d : 4 + (r - g) / d;
    if (h < 0) h += 6;
    return {h, s, l};
}

void from_hsl(const Hsl& c, uint8_t* p) {
    const double l = c.l / 255.0;
    const double hi = l < 0.5 ? l * (1 + c.s) : l + c.s - l * c.s, lo = 2 * l - hi;
    const auto channel = [&](double h) {
        h = std::fmod(h + 6.0, 6.0);
        const double v = h < 1 ? lo + (hi - lo) * h : h < 3 ? hi : h < 4 ? lo + (hi - lo) * (4 - h) : lo;
        return detail::round_byte(v * 255.0);
    };
    p[0] = channel(c.h + 2);
    p[1] = channel(c.h);
    p[2] = channel(c.h - 2);
}

}  // namespace

BOOL IS3HistogramStretchImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                              uint32_t stride, double lowPercent, double highPercent, uint32_t channelMask) {
    if (!detail::effect_picture(image, width, height, stride, bytesPerPixel)) return 0;
    if (!(lowPercent == lowPercent) || !(highPercent == highPercent)) return 0;
    const auto histograms = detail::channel_histograms(image, width, height, bytesPerPixel, stride);
    std::array<detail::ByteTable, 4> tables{};
    for (uint32_t c = 0; c < bytesPerPixel; ++c) {
        int32_t low = 0, high = 255;
        detail::clip_levels(histograms[c], lowPercent, highPercent, low, high);
        tables[c] = detail::stretch_table(low, high);
    }
    return detail::apply_tables(image, width, height, bytesPerPixel, stride, tables, channelMask);
}

BOOL IS3BrightnessHistogramStretchImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                        uint32_t stride, double lowPercent, double highPercent) {
    if (!detail::effect_picture(image, width, height, stride, bytesPerPixel)) return 0;
    if (!(lowPercent == lowPercent) || !(highPercent == highPercent)) return 0;
    int32_t low = 0, high = 255;
    if (!detail::clip_levels(detail::luma_histogram(image, width, height, bytesPerPixel, stride), lowPercent,
                             highPercent, low, high))
        return 1;
    detail::remap_luma(image, width, height, bytesPerPixel, stride, detail::stretch_table(low, high));
    return 1;
}

BOOL IS3BrightnessHistogramStretchImageInHSL(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                             uint32_t stride, double lowPercent, double highPercent, uint32_t) {
    if (!detail::effect_picture(image, width, height, stride, bytesPerPixel) || bytesPerPixel == 1) return 0;
    if (!(lowPercent == lowPercent) || !(highPercent == highPercent)) return 0;
    // Lightness (max + min) / 2 counted in whole levels, rounded up.
    detail::Histogram h{};
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel)
            ++h[size_t((std::max({p[0], p[1], p[2]}) + std::min({p[0], p[1], p[2]}) + 1) / 2)];
    }
    int32_t low = 0, high = 255;
    if (!detail::clip_levels(h, lowPercent, highPercent, low, high) || low >= high) return 1;
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel) {
            Hsl c = to_hsl(p);
            const double l = std::clamp((c.l - low) * 255.0 / (high - low), 0.0, 255.0);
            if (l == c.l) continue;
            c.l = l;
            from_hsl(c, p);
        }
    });
    return 1;
}

}  // namespace imglib
