// Internal to the imaging library: what the tone adjustments share. Tables
// of one byte to another per channel, histograms, and changing a pixel's
// luma by moving its three colour bytes together.
#pragma once

#include <array>
#include <cstdint>

#include "platform/imglib/effect_support.h"
#include "platform/imglib/imglib.h"

namespace imglib::detail {

using imglib::BOOL;

using ByteTable = std::array<uint8_t, 256>;

inline ByteTable identity_table() {
    ByteTable t{};
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(v);
    return t;
}

// Applies tables[c] to channel c of every pixel selected by the mask, in
// place (OpenCV's LUT); other channels keep their bytes.
BOOL apply_tables(uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride,
                  const std::array<ByteTable, 4>& tables, uint32_t channelMask);

// The same table for every selected channel.
BOOL apply_table(uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride, const ByteTable& table,
                 uint32_t channelMask);

using Histogram = std::array<uint64_t, 256>;

// Counts of each channel's values, in one pass.
std::array<Histogram, 4> channel_histograms(const uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp,
                                            uint32_t stride);

// Counts of the pixels' lumas (the one byte of a one-byte picture).
Histogram luma_histogram(const uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride);

// Maps each pixel's luma L through the table by adding table[L] - L to each
// colour byte (held to 0..255): in Y Cb Cr this changes Y alone. A table
// entry equal to its index changes nothing.
void remap_luma(uint8_t* image, uint32_t width, uint32_t height, uint32_t bpp, uint32_t stride, const ByteTable& table);

// The level below which `percent` of the counted values lie (the smallest
// value present for 0), and the level above which `percent` lie (the
// largest for 0); false when nothing was counted.
bool clip_levels(const Histogram& h, double lowPercent, double highPercent, int32_t& low, int32_t& high);

// The linear stretch of low..high to 0..255, rounded; identity when low >= high.
ByteTable stretch_table(int32_t low, int32_t high);

}  // namespace imglib::detail
