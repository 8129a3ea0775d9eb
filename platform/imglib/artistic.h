// Our imaging library's artistic effects: oil paint, watercolour, stipple,
// scribble, crackle, gauzy glow, halftone, mosaic, a shaded bevel, the drop
// shadow, emboss with a height map and the fingerprint.
//
// Calls whose name ends in RGB take RGB24 pictures (3 bytes a pixel);
// others say what they take. Rows are packed top-down with a stride in
// bytes. Random effects draw every value from `seed` and the place it is
// used at, so one seed gives one picture. Every call returns nonzero on
// success and 0, with its output untouched, when it cannot do the work; a
// picture with a side of 0 succeeds.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

// Flags of the oil paint.
enum OilPaintFlags : uint32_t {
    kOilPaintPerChannel = 1,  // each channel takes its own most frequent level
    kOilPaintRound = 2,       // a round brush instead of a square one
};

// Oil paint: within the window of radius `radius` (0..100) about each pixel
// the intensities ((R + G + B) / 3) are sorted into `levels` bins (1..256),
// and the pixel becomes the mean colour, truncated, of the fullest bin (the
// darker of equally full bins). With kOilPaintPerChannel each channel is
// binned by its own values instead. Source and destination must not overlap.
BOOL ISE3OilPaintRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                     uint32_t dstStride, int32_t radius, int32_t levels, uint32_t flags);

// Flags of the watercolour.
enum WatercolorFlags : uint32_t {
    kWatercolorGrain = 1,     // the paper's grain shows through the washes
    kWatercolorWetEdges = 2,  // pigment pools darker along the edges of washes
};

// Watercolour: colours flattened into washes (a 5 x 5 median), lightened
// toward the white of the paper by strength / 2 and darkened where washes
// meet by strength times the edge's steepness; strength 0..1.
BOOL ISE3WatercolorTintRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                           uint32_t dstStride, double strength, uint32_t flags);

// Stipple: the picture drawn in dots on white paper. Each pixel starts a
// dot with probability (darkness)^2 * density / 100 (density 0..100); dots
// are black, or of the picture's colour when `coloured` is nonzero, and
// have radius `dotRadius` (0..8; 0 is a single pixel).
BOOL ISE3Stipple(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                 uint32_t dstStride, int32_t density, int32_t coloured, int32_t dotRadius, uint32_t seed);

// Scribble: the picture redrawn as short pencil strokes on white paper,
// more of them where it is darker. Style 0 lays each stroke along the
// picture's contours (across its gradient); 1 hatches every stroke at 45
// degrees; any other value cross-hatches at 45 and 135 degrees. Strokes are
// black, or of the picture's colour when `coloured` is nonzero. `density`
// (0..100) scales how many are drawn.
BOOL ISE3Scribble(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                  uint32_t dstStride, int32_t style, uint8_t coloured, int32_t density, uint32_t seed);

// Crackle: the craquelure of old paint. Cells about random points (a
// jittered grid of `cellSize` pixels, at least 4) are parted by cracks
// where a pixel is nearly as close to a second point as to its own; cracks
// are dark, or light when `lightCracks` is nonzero; with `relief` each cell
// is shaded as a slightly domed tile lit from the top left.
BOOL ISE3CrackleRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                    uint32_t dstStride, int32_t lightCracks, int32_t cellSize, uint8_t relief, uint32_t seed);

// Gauzy: a soft glow as through gauze. A Gaussian blur (standard deviation
// 1 + 19 * spread) brightened by 1 + brightness is laid over the picture
// at `strength`, by lightening (mode 0) or by screen (any other mode); the
// three fractions are held to 0..1.
BOOL ISE3GauzyRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                  uint32_t dstStride, double spread, double strength, double brightness, int32_t mode);

// Halftone, in place on RGB24: a screen of `cellSize`-pixel cells (at least
// 1) at 45 degrees; each cell holds a round dot whose area is the cell's
// darkness (light dots on ink above half). In black on white from the
// luma, or with `colour` set each channel screened on its own at its own
// angle (15, 75 and 0 degrees).
BOOL ISE3HalftoneImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t cellSize,
                       uint8_t colour);

// Mosaic, in place: each `cellSize`-square block from the top-left corner
// (smaller blocks at the right and bottom edges) becomes its mean, rounded;
// 1, 3 or 4 bytes a pixel, every channel.
BOOL ISE3MosaicImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                     int32_t cellSize);

// Bevel profiles and flags of ISE3ShadeBevelEdge.
enum BevelProfile : int32_t { kBevelFlat = 0, kBevelRound = 3 };
enum BevelFlags : int32_t { kBevelSunken = 1 };

// A shaded bevel round the picture's border, in place on RGB24, as on a
// button: within `bevelWidth` pixels of an edge the surface slopes (a
// straight chamfer for profile 0, a quarter round for 3, between for 1 and
// 2), lit from `lightAngle` (0..255 for a full turn, 0 from the left,
// counting counter-clockwise as seen). Lit slopes move toward white by up
// to `highlight`, shaded ones toward black by up to `shadow` (0..255 each),
// the whole shading laid at `opacity` (0..255); the flat face inside keeps
// its colours. `softness` (0..500) eases the slope in from the outer edge
// over softness / 500 of the width.
BOOL ISE3ShadeBevelEdge(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t bevelWidth,
                        int32_t profile, int32_t flags, int32_t highlight, int32_t shadow, int32_t lightAngle,
                        int32_t opacity, int32_t softness);

// The drop shadow of an RGBA32 picture: its alpha, in the shadow colour
// (a colour word, red lowest), moved by (dx, dy), grown by `spread` pixels
// and blurred with a Gaussian of standard deviation softness / 10 pixels;
// with `withPicture` set the picture is laid over its shadow. Returns a new
// RGBA32 picture of the same size (rows of width * 4 bytes), released with
// GlobalFree, or null when it cannot be made.
uint8_t* ISE3DropShadow(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, int32_t dx,
                        int32_t dy, uint32_t shadowColour, int32_t spread, int32_t softness, int32_t withPicture);

// Emboss with a height map: the surface's normal from the height map's
// slopes (depth 0..100 scales them; 0 is flat), lit from `azimuth` radians
// (counter-clockwise as seen from the x axis) at `elevation` radians above
// the picture; each colour channel of `colour` (RGB24) is multiplied by the
// light falling on the surface (a flat surface gets sin(elevation)).
BOOL IS3EmbossRGB(const uint8_t* heights, uint32_t width, uint32_t height, uint32_t heightStride,
                  const uint8_t* colour, uint32_t colourStride, uint8_t* dst, uint32_t dstStride, double azimuth,
                  double elevation, int32_t depth);

// The fingerprint: ridges running in rings about the plane's centre,
// `spacing` pixels apart (at least 2), pushed outward by up to `bend` ridge
// spacings (0..10) where the source plane is darker, as a finger's print
// follows its skin; sharp ridges (0 or 255) when `sharp` is set, else
// shaded ones. One-byte planes.
BOOL ISE3Fingerprint(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                     uint32_t dstStride, double spacing, int32_t bend, uint8_t sharp);

}  // namespace imglib
