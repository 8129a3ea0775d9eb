// Our imaging library's colour and tone adjustments, in place on pictures
// of 8-bit channels, 1, 3 or 4 bytes a pixel (bytes R, G, B, A), with a
// stride in bytes.
//
// Calls that take a channel mask change only the channels it selects (bit c
// for byte c); the others adjust the colour only: every byte of a one- or
// three-byte pixel, the first three of a four-byte pixel, whose alpha byte
// is never touched. Calls built on a grey level read Rec. 601 luma
// (0.299 R + 0.587 G + 0.114 B, rounded). Settings that leave a picture as
// it is (a gain of 1, a shift of 0) change no byte. Every call returns
// nonzero on success and 0, with the picture untouched, when it cannot do
// the work; a picture with a side of 0 succeeds.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

// Brightness and contrast, each -1..1: v becomes
// round((v - pivot) * gain + pivot + brightness * 255), held to 0..255, with
// gain 1 + contrast below 0 and 1 / (1 - contrast) from 0 up (contrast 1
// is a threshold at the pivot). The pivot is 127.5 (mid-grey) when
// `midGreyPivot` is 1, else the picture's mean luma.
BOOL IS3AdjustBrightnessContrast(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                 uint32_t stride, double brightness, double contrast, int32_t midGreyPivot);

// Gamma: v becomes round(255 * (v / 255)^(1 / gamma)); gamma must be above 0.
// `flags` is reserved (0).
BOOL IS3AdjustGamma(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                    double gamma, uint32_t flags);

// Histogram equalisation of each selected channel into the levels low..high
// (0..255; given the other way round they are swapped): with c(v) the count
// of values up to v and c0 that of the smallest value present, v becomes
// low + round((c(v) - c0) * (high - low) / (count - c0)). A channel of one
// value keeps it.
BOOL IS3HistogramEqualizeImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                               uint32_t stride, int32_t low, int32_t high, uint32_t channelMask);

// The same on the luma alone: Y of Y Cb Cr is equalised into low..high and
// the colour rebuilt with its Cb and Cr.
BOOL IS3BrightnessHistogramEqualizeImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                         uint32_t stride, int32_t low, int32_t high);

// Histogram stretch of each selected channel: the levels below which
// lowPercent of the values lie and above which highPercent lie (0..100
// each) become 0 and 255, and the levels between are spread linearly,
// rounded; a channel whose two levels meet keeps its values.
BOOL IS3HistogramStretchImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                              uint32_t stride, double lowPercent, double highPercent, uint32_t channelMask);

// The same stretch on the luma of Y Cb Cr, the colour rebuilt with its Cb and Cr.
BOOL IS3BrightnessHistogramStretchImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                        uint32_t stride, double lowPercent, double highPercent);

// The same stretch on the lightness of hue, lightness and saturation, hue
// and saturation kept. `flags` is reserved (0).
BOOL IS3BrightnessHistogramStretchImageInHSL(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                             uint32_t stride, double lowPercent, double highPercent, uint32_t flags);

// Colour balance: three tonal ranges (shadows, midtones, highlights), each
// with a shift -100..100 along cyan-red, magenta-green and yellow-blue; a
// shift moves a channel by up to 128 levels, weighted by how much the
// channel's own value belongs to the range (shadows fade out from 0 to
// 128, highlights in from 128 to 255, midtones peak at 128). `brightness`
// (-100..100) then lifts or lowers every channel by that percent of 255.
// With `keepLuminosity` set each pixel's luma is put back as it was.
BOOL ISE40_AdjustImageColorBalance(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                   uint32_t stride, int32_t shadowCyanRed, int32_t shadowMagentaGreen,
                                   int32_t shadowYellowBlue, int32_t midCyanRed, int32_t midMagentaGreen,
                                   int32_t midYellowBlue, int32_t highCyanRed, int32_t highMagentaGreen,
                                   int32_t highYellowBlue, int32_t brightness, int32_t keepLuminosity);

// Duotone: each pixel's luma L runs from black through the ink to white:
// L below 128 gives ink * L / 128, above it ink + (255 - ink) * (L - 128) / 127,
// rounded. The ink is the colour word's bytes (red, green, blue, lowest
// first) read as percentages (0..100, larger values count as 100) of 255.
// `flags` is reserved (0). Needs colour (3 or 4 bytes a pixel).
BOOL ISE3DuotoneImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                      uint32_t inkColour, uint32_t flags);

// Saturation: each colour channel v becomes round(L + (v - L) * factor),
// held to 0..255, about the pixel's luma L; 1 keeps the picture, 0 makes it
// grey, negative factors give the opposite hues. Needs colour.
BOOL IS3ModifyImageSaturation(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                              uint32_t stride, double factor);

// The negative: v becomes 255 - v. `flags` is reserved (0).
BOOL ISE3InvertImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                     uint32_t flags);

// Posterize an RGB24 picture to `levels` levels a channel (2..256; 0 and 1
// give the classic 4): v becomes q * 255 / (levels - 1), rounded down,
// with q = v * levels / 256.
BOOL ISE3PosterizeRGB(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t levels);

// Solarize: values of 128 and above become 255 - v. `flags` is reserved (0).
BOOL ISE3SolarizeImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                       uint32_t flags);

// Threshold of each selected channel, softened over low..high (0..255,
// given the other way round they are swapped): values below low become 0,
// values above high 255, and values from low to high rise evenly,
// round((v - low) * 255 / (high - low)); with low = high the threshold is
// hard, 255 from low up. An opaque alpha (255) stays opaque at any setting
// and a clear one (0) clear unless low is 0.
BOOL ISE3ThresholdFilter(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                         int32_t low, int32_t high, uint32_t channelMask);

// Tint: the chroma of each pixel (I and Q of Y I Q) turned by `angle`
// degrees about the grey axis, its luma kept; whole turns change nothing.
// `flags` is reserved (0). Needs colour.
BOOL ISE3AdjustTint(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                    int32_t angle, uint32_t flags);

// The contrast mask of photographers, on an RGBA32 picture in place: its
// grey, inverted and blurred with a Gaussian of standard deviation `radius`
// (0 < radius <= 1000), is laid over the picture in soft light (in overlay,
// stronger, with `stronger` set), lifting shadows and holding highlights.
// Alpha is kept.
BOOL ISE40_ContrastMaskImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t stronger,
                             double radius);

}  // namespace imglib
