// Our imaging library's noise: noise added to a picture in four classic
// distributions, and pictures made of noise (coloured specks, value noise
// in octaves, Perlin's gradient noise).
//
// Pictures are packed rows of 8-bit channels, 1, 3 or 4 bytes a pixel,
// with a stride in bytes; a channel mask selects the channels changed (bit
// c for byte c), so mask 7 keeps the alpha byte of a four-byte picture.
// Every random value comes from `seed` and the pixel's place alone: the
// same seed gives the same picture on every run. Amounts are in hundredths
// of a level. Every call returns nonzero on success and 0, with the picture
// untouched, when it cannot do the work.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

// Gaussian noise, standard deviation amount / 100, mean `mean` / 100, drawn
// through a table of the normal's quantiles (so never beyond about 3.7
// deviations);
// `flags` is reserved (0). With `monochrome` one draw serves all channels
// of a pixel. Each channel becomes round(v + noise), held to 0..255.
BOOL ISE3AddGaussianNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                          int32_t amount, int32_t mean, uint32_t flags, uint8_t monochrome, uint32_t channelMask,
                          uint32_t seed);

// Negative exponential noise of mean amount / 100, shifted to mean 0 (so
// the picture keeps its brightness): many small darkenings, a few large
// brightenings.
BOOL ISE3AddNegativeExpNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t stride, int32_t amount, uint8_t monochrome, uint32_t channelMask, uint32_t seed);

// Rayleigh noise of scale amount / 100, shifted to mean 0.
BOOL ISE3AddRayleighNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                          int32_t amount, uint8_t monochrome, uint32_t channelMask, uint32_t seed);

// Uniform noise in +-amount / 100 about mean / 100; `flags` reserved (0).
BOOL ISE3AddUniformNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                         int32_t amount, int32_t mean, uint32_t flags, uint8_t monochrome, uint32_t channelMask,
                         uint32_t seed);

// Coloured specks on an RGB24 picture, in place: `density` percent
// (0..100) of the pixels become the colour word's colour (red, green, blue,
// lowest byte first), at full strength when `shaded` is 0, else at a random
// strength over the picture.
BOOL ISE3GenerateColoredNoise(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, uint32_t colour,
                              int32_t density, int32_t shaded, uint32_t seed);

// Value noise in octaves into a one-byte plane: random values on a lattice
// of `frequency` cells across the plane's longer side (at least 1),
// smoothed and interpolated with a cosine, summed over `octaves` octaves
// (1..16), each of twice the frequency and `persistence` (0..1) times the
// amplitude of the one before, stretched to 0..255 (a flat result is 128).
BOOL ISE3GenerateHugoNoise(uint8_t* plane, uint32_t width, uint32_t height, uint32_t stride, int32_t octaves,
                           double frequency, double persistence, uint32_t seed);

// Perlin's gradient noise into a one-byte plane: six octaves from four cells
// across the longer side, each of twice the frequency and `persistence`
// (0..1) times the amplitude of the one before, stretched to 0..255.
BOOL ISE3GeneratePerlinNoise(uint8_t* plane, uint32_t width, uint32_t height, uint32_t stride, double persistence,
                             uint32_t seed);

}  // namespace imglib
