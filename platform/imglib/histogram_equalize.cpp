// Histogram equalisation: each level goes to its share of the cumulative
// count, spread over the wanted range; per channel, or on the luma alone.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

namespace {

detail::ByteTable equalize_table(const detail::Histogram& h, int32_t low, int32_t high) {
    uint64_t total = 0, first = 0;
    for (const uint64_t n : h) {
        if (first == 0) first = n;
        total += n;
    }
    // One value (or none): nothing to spread.
    if (total == first) return detail::identity_table();
    detail::ByteTable t{};
    uint64_t cumulative = 0;
    for (int v = 0; v < 256; ++v) {
        cumulative += h[size_t(v)];
        const double share = cumulative < first ? 0.0 : double(cumulative - first) / double(total - first);
        t[size_t(v)] = detail::round_byte(low + share * (high - low));
    }
    return t;
}

void order_range(int32_t& low, int32_t& high) {
    low = std::clamp(low, 0, 255);
    high = std::clamp(high, 0, 255);
    if (low > high) std::swap(low, high);
}

}  // namespace

BOOL IS3HistogramEqualizeImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                               uint32_t stride, int32_t low, int32_t high, uint32_t channelMask) {
    if (!detail::effect_picture(image, width, height, stride, bytesPerPixel)) return 0;
    order_range(low, high);
    const auto histograms = detail::channel_histograms(image, width, height, bytesPerPixel, stride);
    std::array<detail::ByteTable, 4> tables{};
    for (uint32_t c = 0; c < bytesPerPixel; ++c) tables[c] = equalize_table(histograms[c], low, high);
    return detail::apply_tables(image, width, height, bytesPerPixel, stride, tables, channelMask);
}

BOOL IS3BrightnessHistogramEqualizeImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                         uint32_t stride, int32_t low, int32_t high) {
    if (!detail::effect_picture(image, width, height, stride, bytesPerPixel)) return 0;
    order_range(low, high);
    const detail::ByteTable t =
        equalize_table(detail::luma_histogram(image, width, height, bytesPerPixel, stride), low, high);
    detail::remap_luma(image, width, height, bytesPerPixel, stride, t);
    return 1;
}

}  // namespace imglib
