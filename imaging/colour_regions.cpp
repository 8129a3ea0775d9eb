#include "imaging/colour_regions.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <vector>

#include "engine/pixels.h"
#include "platform/imglib/flood.h"

namespace imaging {

namespace {

inline uint32_t rgb_word(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }

// The smallest colour word below `limit` (a multiple of 64) that no pixel
// has, or nothing when all of them occur.
std::optional<uint32_t> first_absent_below(const uint8_t* rgba, uint64_t pixelCount, uint32_t limit) {
    std::vector<uint64_t> seen(limit / 64, 0);
    for (uint64_t i = 0; i < pixelCount; ++i) {
        const uint32_t w = rgb_word(rgba + i * 4);
        if (w < limit) seen[w >> 6] |= uint64_t(1) << (w & 63);
    }
    for (size_t k = 0; k < seen.size(); ++k)
        if (~seen[k] != 0) return uint32_t(k * 64 + size_t(std::countr_zero(~seen[k])));
    return std::nullopt;
}

}  // namespace

int32_t library_tolerance(int32_t tolerance) {
    const int64_t t = int64_t(tolerance) * 195075 / 50000;
    return int32_t(std::clamp<int64_t>(t, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::optional<uint32_t> sample_colour_word(int32_t sample) {
    if (sample == -1) return std::nullopt;
    const uint32_t s = uint32_t(sample);
    return (s >> 16 & 0xFF) | (s & 0xFF00) | (s & 0xFF) << 16;
}

uint32_t colour_word(int32_t red, int32_t green, int32_t blue) {
    return uint32_t(uint8_t(red)) | uint32_t(uint8_t(green)) << 8 | uint32_t(uint8_t(blue)) << 16;
}

std::optional<uint32_t> find_marker_colour(const uint8_t* rgba, uint64_t pixelCount) {
    if (rgba == nullptr && pixelCount != 0) return std::nullopt;
    // Nearly always a colour with blue 0 is free: look among those first with
    // a table that stays in the cache, and among all only when none is.
    if (auto marker = first_absent_below(rgba, pixelCount, 1u << 16)) return marker;
    return first_absent_below(rgba, pixelCount, 1u << 24);
}

bool alpha_region_map(engine::EngineState& s, int32_t x, int32_t y, int32_t libraryTolerance,
                      engine::OwnedBuffer<uint8_t>& map) {
    const uint32_t w = uint32_t(s.imageWidth), h = uint32_t(s.imageHeight);
    engine::OwnedBuffer<uint8_t> grey;
    if (!grey.allocate(uint64_t(w) * h * 3) || !map.allocate(uint64_t(w) * h)) return false;
    pixels::get_rgb24_from_alpha(s, grey.data(), int32_t(w * 3));
    // Bytes 0 and 3 of the channel word: the grey's one meaningful channel.
    return imglib::IS3GetColorMatchMaskFromImage(grey.data(), w, h, 3, w * 3, map.data(), w, x, y, 0xFF0000FFu, 1,
                                                 libraryTolerance, 0) != 0;
}

}  // namespace imaging
