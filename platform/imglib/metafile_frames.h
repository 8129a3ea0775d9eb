// What every metafile canvas works out the same way, whatever draws for
// it: how far a shape may reach before it is left out, the length of a
// path on the canvas, and the frame a text run is laid out in.
#pragma once

#include "platform/imglib/metafile_canvas.h"

namespace imglib::metafile {

// Canvas coordinates beyond this are out of the rasterisers' fixed-point
// reach; shapes reaching that far are left out rather than drawn wrapped
// around.
inline constexpr double kReach = double(1 << 22);

bool in_reach(Point p);
// Whether every point of the path, mapped by m, is in reach.
bool path_in_reach(const Path& path, const Affine& m);
// Length of the path in canvas pixels, curves by their control polygons
// (never shorter than the curve).
double canvas_length(const Path& path, const Affine& m);

// Where the source rectangle (sx, sy, scx x scy) of a picture lands when
// it is drawn into the rectangle (x, y, cx x cy) under m: `full` maps
// source pixels to the canvas, (x0, y0)-(x1, y1) is the part of the source
// inside the picture.
struct PicturePlacement {
    Affine full;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// False when nothing of the picture can be drawn: an unusable map, an empty
// or unbounded rectangle, a source outside the picture, or a corner out of
// reach.
bool place_picture(const Picture& pic, double sx, double sy, double scx, double scy, double x, double y, double cx,
                   double cy, const Affine& m, PicturePlacement& out);

// Text runs are laid out in a frame of their own: the origin where the map
// puts the reference point, axes turned and sheared as the map does but
// never mirrored (text reads left to right even where logical y runs up),
// one unit a canvas pixel, then turned by the escapement. `scale` is the
// canvas pixels of a logical unit, `stretch` how far the frame lengthens
// a unit at most, `aspect` its longest axis over its shortest (1 when the
// map turns and scales alike in both directions).
struct TextFrame {
    Affine frame;
    double scale = 1, stretch = 1, aspect = 1;
};

// False when the run cannot be placed (an unusable map, an origin out of reach).
bool text_frame(const TextRun& run, const Font& font, const Affine& m, TextFrame& out);

// Whether glyphs `em` canvas pixels high in the frame can be drawn. Text under
// half a pixel cannot be seen. Glyphs of more than 16384 pixels, the em
// stretched by the map or by the frame's aspect (a face squeezed along one
// axis is sized along the other), are not text a picture holds, and glyph
// rasterisers fail on them.
bool text_drawable(double em, const TextFrame& tf);

}  // namespace imglib::metafile
