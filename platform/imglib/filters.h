// Our imaging library's neighbourhood filters: box, motion, radial and zoom
// blurs, sharpening and the unsharp mask, the mean, midpoint and rank
// filters, despeckle, dust and scratches, deinterlacing and Canny edges.
//
// Pictures are packed top-down rows of 8-bit channels, 1, 3 or 4 bytes a
// pixel (bytes R, G, B, A), with a stride in bytes. A channel mask selects
// the channels a filter writes (bit c for byte c of a pixel); every other
// channel of the output is a copy of the source, so mask 7 leaves the alpha
// byte of a four-byte picture exactly as it was. Edges repeat the outermost
// pixels unless a filter says otherwise. Source and destination may be the
// same picture. Window radii above 1000 report failure. Every call returns
// nonzero on success and 0, with the output untouched, when it cannot do the
// work; a picture with a side of 0 succeeds and changes nothing.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

// Box blur over a square of side 2 * size + 3 (size 0 is 3 x 3), mixed into
// the source: each selected channel becomes trunc((1 - weight) * source +
// weight * blurred), weight held to 0..1. The two modules' calls are the same.
BOOL ISE40_BlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                     uint8_t* dst, uint32_t dstStride, int32_t size, double weight, uint32_t channelMask);
BOOL ISE3BlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                   uint8_t* dst, uint32_t dstStride, int32_t size, double weight, uint32_t channelMask);

// Kinds of ISE3MotionBlur.
enum MotionBlurKind : int32_t {
    kMotionLinear = 0,  // along a straight line at `angle`, `length` pixels long
    kMotionRadial = 1,  // along circles about the centre, an arc of `length` degrees
    kMotionZoom = 2,    // along rays to the centre, `length` percent of the way in
};

// Motion blur of every channel: each pixel becomes the mean of the picture
// along its path (centred on the pixel for the linear and radial kinds;
// from the pixel toward the centre for the zoom kind), sampled bilinearly.
// The linear path's angle is in degrees counter-clockwise from the x axis.
// `level` (0..100) is the share of the blurred picture in the result. A
// length below one pixel (or one degree, or one percent) copies the picture.
BOOL ISE3MotionBlur(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                    uint8_t* dst, uint32_t dstStride, double angle, double length, int32_t level, int32_t kind);

// Sharpening with the four-neighbour Laplacian: each selected channel
// becomes v + amount / 100 * (4 v - left - right - up - down), rounded and
// held to 0..255 (amount 100 is the classic 3 x 3 sharpen kernel).
BOOL IS3SharpenImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                     uint8_t* dst, uint32_t dstStride, int32_t amount, uint32_t channelMask);

// Stronger sharpening against a box blur of side 2 * size + 3:
// v + 2 * weight * (v - box), rounded and held to 0..255.
BOOL ISE3SharpenImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                      uint8_t* dst, uint32_t dstStride, int32_t size, double weight, uint32_t channelMask);

// The unsharp mask: d = v - Gaussian(v) with standard deviation `radius`
// (0 < radius <= 1000); where |d| > threshold the channel becomes
// v + amount * d, rounded and held to 0..255, elsewhere it stays v.
BOOL IS3UnsharpMaskImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t threshold, double amount,
                         double radius, uint32_t channelMask);

// Mean filters over the (2 r + 1) square about each pixel, r = radius
// (radius 0 copies). Arithmetic: the rounded mean. Geometric: the product's
// n-th root, rounded; 0 when any value in the window is 0. Harmonic:
// n / sum(1 / v), rounded; 0 when any value is 0. Midpoint: (max + min + 1) / 2.
BOOL ISE3ArithmeticMeanFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                              uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius,
                              uint32_t channelMask);
BOOL ISE3GeometricMeanFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius,
                             uint32_t channelMask);
BOOL ISE3HarmonicMeanFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                            uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask);
BOOL ISE3MidpointFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                        uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask);

// Rank filters over the same square: the largest value (dilation), the
// smallest (erosion) and the median. The maximum and minimum count only
// pixels inside the picture.
BOOL ISE3MaximumFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                       uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask);
BOOL ISE3MinimumFilter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                       uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask);
BOOL ISE3MedianCutImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                        uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, uint32_t channelMask);

// Despeckle, in place: a selected channel that is the single largest or the
// single smallest value of its 3 x 3 block (an impulse) becomes the block's
// median; every other value stays, so edges and texture are kept.
BOOL IS3DespeckleImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                       uint32_t channelMask);

// Dust and scratches: m = the median over the (2 radius + 1) square; a
// selected channel v with |v - m| > threshold becomes
// round((1 - amount) * v + amount * m) (amount held to 0..1); others stay.
BOOL ISE3DustAndScratches(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                          uint32_t srcStride, uint8_t* dst, uint32_t dstStride, int32_t radius, int32_t threshold,
                          double amount, uint32_t channelMask);

// Deinterlace modes: bit 0 picks the field rebuilt (set: the odd rows 1, 3,
// 5, ...; clear: the even rows); bit 2 rebuilds a row as the mean of the
// rows above and below it (the one there is at an edge), else as a copy of
// the row above it (below it for row 0).
enum DeinterlaceMode : int32_t {
    kDeinterlaceOddRows = 1,
    kDeinterlaceInterpolate = 4,
};
BOOL IS3Deinterlace(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                    int32_t mode);

// Canny edges of a one-byte plane into another: Gaussian smoothing with
// standard deviation `sigma` (0 < sigma <= 100), gradient magnitudes (L2),
// thinning to local maxima, and hysteresis: pixels above high * the largest
// magnitude are edges, and so are pixels above low * it that connect to
// them. Edges are 255, everything else 0.
BOOL ISE3CannyEdgeDetector(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                           uint32_t dstStride, double sigma, double high, double low);

}  // namespace imglib
