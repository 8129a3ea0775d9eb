// Internal to the imaging library: what the effect calls share. Checking
// the pictures they are given, laying a result into the channels a mask
// selects, counter-based random numbers, and rows run on OpenCV's loop.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <opencv2/core.hpp>
#include <vector>

#include "platform/imglib/picture.h"

namespace imglib::detail {

// Effects work on pictures of 8-bit channels: 1, 3 or 4 bytes a pixel.
inline bool effect_picture(const void* data, uint32_t width, uint32_t height, uint32_t stride, uint32_t bpp) {
    return (bpp == 1 || bpp == 3 || bpp == 4) && valid_picture(data, width, height, stride, bpp);
}

// A source and a destination of one shape that an effect can read and write.
inline bool picture_pair(const void* src, uint32_t srcStride, const void* dst, uint32_t dstStride, uint32_t width,
                         uint32_t height, uint32_t bpp) {
    return effect_picture(src, width, height, srcStride, bpp) && effect_picture(dst, width, height, dstStride, bpp);
}

// Channel c of a pixel is selected by bit c of the mask.
inline bool selected(uint32_t channelMask, uint32_t c) { return ((channelMask >> c) & 1u) != 0; }

// Every channel of a bpp-byte pixel selected by the mask?
inline bool all_selected(uint32_t channelMask, uint32_t bpp) {
    const uint32_t all = (1u << bpp) - 1u;
    return (channelMask & all) == all;
}

// The first three bytes (the colour) of a four-byte pixel; every byte of a
// one- or three-byte pixel.
inline uint32_t colour_channels(uint32_t bpp) { return bpp == 4 ? 7u : (1u << bpp) - 1u; }

// Byte-for-byte copy of a picture between strides; nothing when they are
// the same memory.
void copy_picture(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rowBytes,
                  uint32_t height);

// Every byte of `height` rows of `rowBytes` set to `value` (white paper for 255).
inline void fill_rows(uint8_t* dst, uint32_t stride, uint32_t rowBytes, uint32_t height, uint8_t value) {
    for (uint32_t y = 0; y < height; ++y) std::memset(dst + size_t(y) * stride, value, rowBytes);
}

// Whether two pictures share any byte.
bool overlapping(const uint8_t* a, uint32_t aStride, const uint8_t* b, uint32_t bStride, uint32_t height);

// For an effect that reads src while it writes a separate dst: the result
// to return before any work (0 for pictures it cannot use or that share
// bytes, 1 for an empty picture), or -1 when the work can go ahead.
inline int32_t separate_pair_result(const uint8_t* src, uint32_t srcStride, const uint8_t* dst, uint32_t dstStride,
                                    uint32_t width, uint32_t height, uint32_t bpp) {
    if (!picture_pair(src, srcStride, dst, dstStride, width, height, bpp)) return 0;
    if (width == 0 || height == 0) return 1;
    return overlapping(src, srcStride, dst, dstStride, height) ? 0 : -1;
}

// ---- Random numbers ----
//
// Counter-based: the value for (seed, n) depends on nothing else, so an
// effect gives the same picture on every run and whatever the number of
// threads that made it.

inline uint64_t mix64(uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The draws of one seed.
class Random {
public:
    explicit Random(uint32_t seed) : key_(mix64(uint64_t(seed) << 1 | 1u)) {}
    uint64_t bits(uint64_t n) const { return mix64(key_ ^ n); }
    // Uniform in [0, 1).
    double unit(uint64_t n) const { return double(bits(n) >> 11) * 0x1.0p-53; }
    // Uniform in (0, 1]: safe under a logarithm.
    double open_unit(uint64_t n) const { return 1.0 - unit(n); }
    // Standard normal, by the inverse of its distribution over a uniform
    // 32-bit draw (half of bits(n) by `half`), read from a table of 4097
    // quantiles between which it runs straight: symmetric about 0, and
    // never beyond about 3.7 (a share of 1 in 4000 of a true normal lies
    // further out).
    double normal(uint64_t n, int half) const {
        const uint32_t u = uint32_t(bits(n) >> (32 * half));
        const double* q = normal_quantiles();
        const uint32_t i = u >> 20;
        const double f = double(u & 0xFFFFFu) * 0x1.0p-20;
        return q[i] + (q[i + 1] - q[i]) * f;
    }

private:
    static const double* normal_quantiles();
    uint64_t key_;
};

inline double random_unit(uint32_t seed, uint64_t n) { return Random(seed).unit(n); }

// ---- Rows ----

// Runs body(y) for every row 0..height-1 through OpenCV's parallel loop:
// on the caller's thread unless OpenCV is given threads. Bodies write rows
// of their own only, so the result never depends on how the rows were
// shared out.
template <class Body>
void for_rows(uint32_t height, Body&& body) {
    cv::parallel_for_(cv::Range(0, int(height)), [&](const cv::Range& r) {
        for (int y = r.start; y < r.end; ++y) body(uint32_t(y));
    });
}

inline uint8_t clamp_byte(double v) { return uint8_t(v <= 0.0 ? 0.0 : v >= 255.0 ? 255.0 : v); }
inline uint8_t round_byte(double v) { return clamp_byte(std::floor(v + 0.5)); }
inline uint8_t clamp_byte_int(int64_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Rec. 601 luma of a red, green, blue triple, rounded: the grey every effect
// that needs one reads (the same weights as IS3ImageToGrayScale8Bit).
inline int32_t luma(int32_t r, int32_t g, int32_t b) { return (r * 299 + g * 587 + b * 114 + 500) / 1000; }

// The grey of one pixel of a 1-, 3- or 4-byte picture.
inline int32_t pixel_luma(const uint8_t* p, uint32_t bpp) { return bpp == 1 ? p[0] : luma(p[0], p[1], p[2]); }

// Writes value(x, y) for every pixel of a one-byte plane, stretched so that
// the smallest becomes 0 and the largest 255 (a flat plane is mid-grey).
template <class Value>
bool stretched_plane(uint8_t* plane, uint32_t width, uint32_t height, uint32_t stride, Value value) {
    std::vector<float> values;
    try {
        values.resize(size_t(width) * height);
    } catch (...) {
        return false;
    }
    for_rows(height, [&](uint32_t y) {
        for (uint32_t x = 0; x < width; ++x) values[size_t(y) * width + x] = float(value(x, y));
    });
    if (values.empty()) return true;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    const float low = *lo, range = *hi - *lo;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const float v = values[size_t(y) * width + x];
            plane[size_t(y) * stride + x] = range > 0 ? round_byte((v - low) / range * 255.0) : 128;
        }
    return true;
}

// The window radius windowed filters accept; larger radii report failure.
inline constexpr int32_t kMaxWindowRadius = 1000;

}  // namespace imglib::detail
