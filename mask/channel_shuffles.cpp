#include "mask/channel_shuffles.h"

#include <cstring>

#include "mask/selection.h"
#include "platform/parallel.h"

namespace mask {

using engine::EngineState;

namespace {

uint64_t pixel_count(int32_t width, int32_t height) {
    return (width > 0 && height > 0) ? uint64_t(width) * uint64_t(height) : 0;
}

// Calls f(dst pixel, src pixel) over width * height packed pixels of the
// given sizes; in bands unless the host handed overlapping buffers (one
// picture shuffled in place), which take one pass in order.
template <size_t DstBytes, size_t SrcBytes, class F>
void for_each_pair(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src, F&& f) {
    if (dst == nullptr || src == nullptr) return;
    const auto count = int64_t(pixel_count(width, height));
    const bool separate =
        parallel::disjoint_rows(dst, 0, count * int64_t(DstBytes), src, 0, count * int64_t(SrcBytes), 1);
    parallel::for_bands_if(separate, count, parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t i = first; i < end; ++i) f(dst + i * DstBytes, src + i * SrcBytes);
    });
}

// Sets every image pixel of an RGBA32 image for which match(i) holds.
template <class Match>
void fill_where(const EngineState& s, uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t c3,
                Match&& match) {
    if (image == nullptr) return;
    const uint8_t colour[4] = {uint8_t(c0), uint8_t(c1), uint8_t(c2), uint8_t(c3)};
    parallel::for_bands(int64_t(engine::image_pixel_count(s)), parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t i = first; i < end; ++i) {
            if (match(uint64_t(i))) std::memcpy(image + i * 4, colour, 4);
        }
    });
}

}  // namespace

void replace_alpha_range_rgba32(const EngineState& s, uint8_t* image, int32_t alpha, int32_t tolerance, int32_t c0,
                                int32_t c1, int32_t c2, int32_t c3) {
    const int32_t t = channel_tolerance(tolerance);
    fill_where(s, image, c0, c1, c2, c3, [=](uint64_t i) { return within_tolerance(image[i * 4 + 3], alpha, t); });
}

void colour_from_flood_map_rgba32(const EngineState& s, uint8_t* image, const uint8_t* map, int32_t c0, int32_t c1,
                                  int32_t c2, int32_t c3) {
    if (map == nullptr) return;
    fill_where(s, image, c0, c1, c2, c3, [map](uint64_t i) { return map[i] == 1; });
}

void rgba32_alpha_to_rgb24(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) {
    for_each_pair<3, 4>(dst, width, height, src, [](uint8_t* d, const uint8_t* p) { d[0] = d[1] = d[2] = p[3]; });
}

void rgb24_to_rgba32_alpha(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) {
    for_each_pair<4, 3>(dst, width, height, src,
                        [](uint8_t* d, const uint8_t* p) { d[3] = uint8_t((uint32_t(p[0]) + p[1] + p[2]) / 3); });
}

void rgb24_to_rgba32(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) {
    for_each_pair<4, 3>(dst, width, height, src, [](uint8_t* d, const uint8_t* p) { std::memcpy(d, p, 3); });
}

void rgba32_to_rgb24(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src) {
    for_each_pair<3, 4>(dst, width, height, src, [](uint8_t* d, const uint8_t* p) { std::memcpy(d, p, 3); });
}

}  // namespace mask
