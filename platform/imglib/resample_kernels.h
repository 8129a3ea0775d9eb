// Internal to the imaging library: the kernels of the filtered resampler and
// the fixed-point weights it builds from them for one axis.
#pragma once

#include <cstdint>
#include <vector>

namespace imglib::detail {

// A kernel: its value at a distance x (in source pixels at scale 1) and the
// distance beyond which it is 0.
struct Kernel {
    double (*value)(double x);
    double support;
};

// The kernel of a filter number, or null for an unknown number.
const Kernel* resize_kernel(uint32_t filter);

// The weights that take one axis of srcSize pixels to dstSize pixels.
// Destination pixel i reads count[i] source pixels from first[i] on, with
// weights weights[i * taps .. i * taps + count[i]), each a value over
// 2^precision. The weights of every destination pixel sum to exactly
// 2^precision, so a flat row stays flat; windows never leave 0..srcSize.
struct AxisWeights {
    int32_t taps = 0;
    int32_t precision = 0;
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<int16_t> weights;
};

// The largest precision used; 8-bit sums then stay far inside 32 bits.
inline constexpr int32_t kMaxWeightPrecision = 22;

// False when the sizes are 0 or the weights cannot be held.
bool axis_weights(uint32_t srcSize, uint32_t dstSize, const Kernel& kernel, AxisWeights& out);

// One pass of the resampler over 8-bit channels, along rows (each row of
// `rows` rows goes from srcWidth to the weights' destination size, `channels`
// bytes a pixel) or along columns (destination row y, for y from y0 up to
// y1, mixes source rows first[y] .. first[y] + count[y] - 1, byte by byte
// over rowBytes bytes). Each sum is rounded, shifted by the precision and
// clamped to 0..255. Every output row depends on source rows only, so
// either pass may be run in bands of output rows.
//
// The column pass reads source row r at src + (r - srcBase) * srcStride,
// so src may hold only the rows a band needs, and writes row y0 at dst.
void resample_rows_u8(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
                      uint32_t channels, const AxisWeights& w);
void resample_columns_u8(const uint8_t* src, uint32_t srcStride, int32_t srcBase, uint8_t* dst, uint32_t dstStride,
                         uint32_t rowBytes, const AxisWeights& w, uint32_t y0, uint32_t y1);

// The same two passes with SSE2, bit for bit the same results; the row pass
// only for 4 channels. Present when the build has SSE2.
bool have_sse2_resampler();
void resample_rows_rgba8_sse2(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rows,
                              const AxisWeights& w);
void resample_columns_u8_sse2(const uint8_t* src, uint32_t srcStride, int32_t srcBase, uint8_t* dst,
                              uint32_t dstStride, uint32_t rowBytes, const AxisWeights& w, uint32_t y0, uint32_t y1);

// Turns the SSE2 passes off (false) or on again; for comparing the two.
void set_resampler_fast_paths(bool enabled);

}  // namespace imglib::detail
