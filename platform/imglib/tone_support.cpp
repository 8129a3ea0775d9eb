#include "platform/imglib/tone_support.h"

#include <opencv2/core.hpp>

namespace imglib::detail {

BOOL apply_tables(uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride,
                  const std::array<ByteTable, 4>& tables, uint32_t channelMask) {
    if (!effect_picture(image, width, height, stride, bpp)) return 0;
    if (width == 0 || height == 0) return 1;
    const cv::Mat picture = wrap(image, width, height, stride, bpp);
    return run_opencv(picture, [&](cv::Mat& out) {
        cv::Mat lut(1, 256, CV_8UC(int(bpp)));
        const ByteTable same = identity_table();
        for (int v = 0; v < 256; ++v)
            for (uint32_t c = 0; c < bpp; ++c)
                lut.ptr<uint8_t>(0)[size_t(v) * bpp + c] = selected(channelMask, c) ? tables[c][size_t(v)] : same[size_t(v)];
        cv::LUT(picture, lut, out);
    });
}

BOOL apply_table(uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride, const ByteTable& table,
                 uint32_t channelMask) {
    return apply_tables(image, width, height, bpp, stride, {table, table, table, table}, channelMask);
}

std::array<Histogram, 4> channel_histograms(const uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp,
                                            uint32_t stride) {
    std::array<Histogram, 4> h{};
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bpp)
            for (uint32_t c = 0; c < bpp; ++c) ++h[c][p[c]];
    }
    return h;
}

Histogram luma_histogram(const uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride) {
    Histogram h{};
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bpp) ++h[size_t(pixel_luma(p, bpp))];
    }
    return h;
}

void remap_luma(uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride, const ByteTable& table) {
    const uint32_t colours = bpp == 1 ? 1 : 3;
    for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bpp) {
            const int32_t l = pixel_luma(p, bpp);
            const int32_t shift = int32_t(table[size_t(l)]) - l;
            if (shift == 0) continue;
            for (uint32_t c = 0; c < colours; ++c) p[c] = clamp_byte_int(int64_t(p[c]) + shift);
        }
    });
}

bool clip_levels(const Histogram& h, double lowPercent, double highPercent, int32_t& low, int32_t& high) {
    uint64_t total = 0;
    for (const uint64_t n : h) total += n;
    if (total == 0) return false;
    const double lowCount = std::clamp(lowPercent, 0.0, 100.0) / 100.0 * double(total);
    const double highCount = std::clamp(highPercent, 0.0, 100.0) / 100.0 * double(total);
    uint64_t below = 0;
    low = 255;
    for (int32_t v = 0; v < 256; ++v) {
        below += h[size_t(v)];
        if (double(below) > lowCount) {
            low = v;
            break;
        }
    }
    uint64_t above = 0;
    high = 0;
    for (int32_t v = 255; v >= 0; --v) {
        above += h[size_t(v)];
        if (double(above) > highCount) {
            high = v;
            break;
        }
    }
    return true;
}

ByteTable stretch_table(int32_t low, int32_t high) {
    if (low >= high) return identity_table();
    ByteTable t{};
    for (int32_t v = 0; v < 256; ++v) t[size_t(v)] = round_byte(double(v - low) * 255.0 / double(high - low));
    return t;
}

}  // namespace imglib::detail
