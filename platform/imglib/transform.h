// Geometric transforms of our imaging library: a list of transforms built
// up with the ISE3Add… calls and run together over a picture by
// ISE3TransformProcess; a quadrilateral warped onto another; a push of the
// picture from one point towards another.
//
// Every transform is an inverse map: for each destination pixel it names the
// point of the source to show, and the source is sampled there. Transforms
// run in the order they were added (the first added acts on the picture
// first). Points use pixel centres on whole numbers; "the centre" of a
// picture of W x H is ((W - 1) / 2, (H - 1) / 2), and centre offsets move it.
// Distances from a centre are measured in pixels; "rho" below is the
// distance divided by the transform's radius.
//
// A transform at zero strength (a radius, amplitude, angle or distance of 0)
// gives back the picture exactly. Pictures are packed rows of 1, 3 or 4
// bytes a pixel (stride = width * bytes per pixel). The list lives on the
// caller's thread until ISE3ClearAllTransforms.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

// What a destination pixel shows when its source point lies outside the
// picture. Values other than these show the background.
enum TransformEdge : int32_t {
    kEdgeBackground = 0,  // the process call's background colour
    kEdgeWrap = 1,        // the picture repeated: leaving one side enters at the other
    kEdgeRepeat = 2,      // the nearest edge pixel
};

// Modes of ISE3TransformProcess.
enum TransformMode : int32_t {
    kTransformNearest = 0,   // the nearest source pixel: whole-pixel moves are exact, scattered pixels crisp
    kTransformBilinear = 1,  // bilinear; a pixel whose source point lies outside takes the background whole
    kTransformSmooth = 2,    // bilinear; the picture's edge fades into the background over one pixel
};

// At most this many transforms are kept; further Add calls report 0.
inline constexpr int32_t kMaxTransforms = 64;

// Empties the list.
BOOL ISE3ClearAllTransforms();

// Every Add call takes the size of the picture it is meant for (1 to 65535 a
// side; it places the centre and scales the noise) and reports 0, adding
// nothing, for sizes outside that range or a full list.

// The picture drawn into the ellipse of radii radiusX, radiusY about the
// centre: each ray from the centre is stretched so that the ellipse meets
// the picture's border. Outside the ellipse the rays run on past the border
// into the edge mode. A radius of 0 or less adds no change.
BOOL ISE3AddEllipticalTransform(int32_t width, int32_t height, int32_t radiusX, int32_t radiusY, int32_t offsetX,
                                int32_t offsetY, int32_t edgeMode);
// A glass sphere of `radius` over the centre: inside it the picture is seen
// magnified (source distance = radius * asin(rho) * 2 / pi), outside
// unchanged.
BOOL ISE3AddLensTransform(int32_t width, int32_t height, int32_t radius, int32_t offsetX, int32_t offsetY);
// Veins of marble: every point is pushed by two fractal noise fields of
// feature size scaleX by scaleY pixels, as far as turbulence * scale / 12
// pixels in each direction. Turbulence 0 adds no change; scales are held to
// 1..10000.
BOOL ISE3AddMarbleTransform(int32_t width, int32_t height, double turbulence, double scaleX, double scaleY);
// Moves the picture by (dx, dy) pixels.
BOOL ISE3AddOffsetTransform(int32_t width, int32_t height, int32_t dx, int32_t dy, int32_t edgeMode);
// Pinches the disc of `radius` about the centre towards it (amount 1..100
// in percent) or, for a negative amount, bulges it out: the source distance
// is d * (1 + b * (1 - rho)^2) with b = 1.5 * amount / 100 for a pinch and
// 0.75 * amount / 100 for a bulge, so the rim stays in place and the
// picture never folds.
BOOL ISE3AddPinchTransform(int32_t width, int32_t height, int32_t radius, int32_t amount, int32_t offsetX,
                           int32_t offsetY);
// Rings on water inside the disc of `radius`: each point moves along its ray
// by amplitude * sin(2 pi d / wavelength) * (1 - rho) pixels.
BOOL ISE3AddRippleTransform(int32_t width, int32_t height, int32_t radius, int32_t wavelength, int32_t amplitude,
                            int32_t offsetX, int32_t offsetY, int32_t edgeMode);
// Turns the disc of `radius` by `angle` degrees (counter-clockwise as seen):
// the inner half turns whole, the outer half less and less, to none at the
// rim.
BOOL ISE3AddSpinTransform(int32_t width, int32_t height, int32_t radius, int32_t angle, int32_t offsetX,
                          int32_t offsetY);
// Rings of the disc turning to and fro: the turn at rho is angle *
// sin(waves * pi * rho) * (1 - rho) degrees (waves held to 1..1000).
BOOL ISE3AddSpinWaveTransform(int32_t width, int32_t height, int32_t radius, int32_t angle, int32_t waves,
                              int32_t offsetX, int32_t offsetY);
// Waves across both axes: x moves by amplitude * sin(2 pi y / wavelength),
// y by amplitude * sin(2 pi x / wavelength). A wavelength of 0 or less adds
// no change.
BOOL ISE3AddWaveTransform(int32_t width, int32_t height, double amplitude, int32_t wavelength, int32_t edgeMode);
// A fish-eye over the disc of `radius` about the centre of the picture: the
// source distance is radius * rho * (0.35 + 0.65 * rho), nearly three times
// magnified in the middle.
BOOL ISE3AddWowTransform(int32_t width, int32_t height, int32_t radius, int32_t edgeMode);
// As the wave transform with a triangle wave of `period` pixels: straight
// zig-zags instead of curves.
BOOL ISE3AddZigZagTransform(int32_t width, int32_t height, double amplitude, int32_t period, int32_t edgeMode);
// Frosted glass: every pixel shows a source pixel up to `distance` pixels
// away in each direction, chosen by a hash of its position (the same
// picture on every run).
BOOL ISE3AddRandomTransform(int32_t width, int32_t height, int32_t distance);
// Refraction through a bumpy surface: the grey map (one byte a pixel,
// mapWidth x mapHeight, repeated when smaller than the picture) is a height
// field, and each point moves by strength / 64 times its slope (the
// difference of the neighbouring map values either side) in each direction.
// The map is copied; a null or empty map reports 0.
BOOL ISE3BumpMapDisplacementTransform(int32_t width, int32_t height, float strength, const uint8_t* map,
                                      int32_t mapWidth, int32_t mapHeight);

// Runs the list from src into dst (both packed, width x height, 1, 3 or 4
// bytes a pixel, not overlapping) in a TransformMode. `background` is a
// colour word whose bytes, lowest first, are a pixel's bytes in order. An
// empty list copies the picture.
BOOL ISE3TransformProcess(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                          int32_t mode, uint32_t background);

// A corner of a quadrilateral.
struct ISPoint {
    int32_t x;
    int32_t y;
};

// Sampling of IS3PolygonWarpImage.
enum PolygonWarpSampling : int32_t {
    kWarpNearest = 0,   // the nearest source pixel
    kWarpBilinear = 1,  // bilinear, the quadrilateral's edge hard
    kWarpSmooth = 2,    // bilinear, the quadrilateral's edge blended over the destination by its coverage
};

// Maps the quadrilateral srcQuad of src onto the quadrilateral dstQuad of
// dst by the perspective transform that takes each corner of one to the
// corner of the other (corners in the order bottom-left, top-left,
// top-right, bottom-right). Corners may lie outside either picture.
// Destination pixels outside the warped quadrilateral keep what they held.
// bitsPerPixel is 24 or 32; `reserved1` and `reserved2` are 0. A
// quadrilateral that is not convex (three corners on a line, a dart, a bow
// tie), which no perspective map takes a rectangle onto, reports 0.
BOOL IS3PolygonWarpImage(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, uint8_t* dst,
                         uint32_t dstWidth, uint32_t dstHeight, uint32_t dstStride, const ISPoint* srcQuad,
                         const ISPoint* dstQuad, uint32_t bitsPerPixel, int32_t reserved1, int32_t reserved2,
                         int32_t sampling);

// Pushes the neighbourhood of (x1, y1) over to (x2, y2), as a finger smudges
// wet paint: dst shows at (x2, y2) what src shows at (x1, y1), and the push
// fades smoothly to nothing at `radius` pixels from (x2, y2). A radius of 0
// or less takes twice the push's length (at least 4), the least for which
// the picture never folds over itself. Packed pictures of 1, 3 or 4 bytes a
// pixel, not overlapping.
BOOL ISE3PushImage(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                   int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t radius);

}  // namespace imglib
