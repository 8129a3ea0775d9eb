// The drawing surface a metafile is played onto.
//
// The record players (metafile_player.h) decode records and keep the device
// context; everything they draw goes through this small interface, so that
// the rasteriser behind it can be exchanged (the Linux build draws with
// cairo and Pango, platform/imglib/linux/metafile_cairo.cpp).
//
// Geometry arrives in logical units with the affine map that takes it to
// canvas pixels (x right, y down, pixel (i, j) covering [i, i+1) x [j, j+1)).
// Clip shapes, hatches and pattern tiles are in canvas pixels.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace imglib::metafile {

struct Point {
    double x = 0, y = 0;
};

// x' = xx x + xy y + x0, y' = yx x + yy y + y0.
struct Affine {
    double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;

    Point apply(Point p) const { return {xx * p.x + xy * p.y + x0, yx * p.x + yy * p.y + y0}; }
    // The linear part only: where a distance goes.
    Point apply_vector(Point v) const { return {xx * v.x + xy * v.y, yx * v.x + yy * v.y}; }
    // This map followed by `next`.
    Affine then(const Affine& next) const {
        return {next.xx * xx + next.xy * yx,      next.yx * xx + next.yy * yx,
                next.xx * xy + next.xy * yy,      next.yx * xy + next.yy * yy,
                next.xx * x0 + next.xy * y0 + next.x0, next.yx * x0 + next.yy * y0 + next.y0};
    }
    double determinant() const { return xx * yy - xy * yx; }
    // Finite and not collapsing the plane onto a line: a map worth drawing with.
    bool usable() const {
        const double d = determinant();
        return std::isfinite(d) && std::isfinite(x0) && std::isfinite(y0) && std::fabs(d) > 1e-12;
    }
    static Affine translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static Affine scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
};

struct PathOp {
    enum Kind : uint8_t { Move, Line, Curve, Close };
    Kind kind = Move;
    Point p[3];  // Move and Line: p[0]; Curve: two control points, then the end
};
using Path = std::vector<PathOp>;

struct Colour {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Colour&) const = default;
};

// A picture of RGBA32 rows, top row first. Premultiplied pictures carry
// colour already multiplied by alpha (the blending records' sources);
// others are drawn opaque, their alpha ignored unless `keyed`.
struct Picture {
    std::vector<uint8_t> rgba;
    uint32_t width = 0, height = 0;
    bool premultiplied = false;
    bool keyed = false;  // alpha 0 marks pixels left out, every other pixel is opaque
};

enum class LineStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, None, User };
enum class LineCap : uint8_t { Round, Square, Flat };
enum class LineJoin : uint8_t { Round, Bevel, Miter };

struct Pen {
    LineStyle style = LineStyle::Solid;
    // Width in logical units; 0 draws one canvas pixel wide whatever the map.
    double width = 0;
    Colour colour;
    LineCap cap = LineCap::Round;
    LineJoin join = LineJoin::Round;
    double miterLimit = 10;
    std::vector<double> dashes;  // LineStyle::User: on, off, ... in logical units
};

enum class BrushKind : uint8_t { None, Solid, Hatch, Pattern };
enum class Hatch : uint8_t { Horizontal, Vertical, ForwardDiagonal, BackwardDiagonal, Cross, DiagonalCross };

struct Brush {
    BrushKind kind = BrushKind::Solid;
    Colour colour{255, 255, 255};
    Hatch hatch = Hatch::Horizontal;
    std::shared_ptr<const Picture> pattern;  // BrushKind::Pattern, tiled in canvas pixels
    // Hatches fill the gaps between their lines with this colour when set.
    bool opaqueBackground = false;
    Colour background{255, 255, 255};
};

enum class FillRule : uint8_t { Alternate, Winding };

struct Font {
    std::string face;  // UTF-8; empty for the default face
    // Logical units, > 0: the em square, or with `cellHeight` the height of
    // the character cell (ascent plus descent), which the canvas turns into
    // an em from the face's metrics.
    double height = 16;
    bool cellHeight = false;
    int32_t weight = 400;  // 100..900
    bool italic = false, underline = false, strikeout = false;
    double escapement = 0;  // baseline angle, degrees counter-clockwise as seen
};

// Reference-point alignment of a text run.
enum class TextHAlign : uint8_t { Left, Centre, Right };
enum class TextVAlign : uint8_t { Top, Baseline, Bottom };

struct TextRun {
    // The characters, one entry per advance when `advances` is given (each
    // entry is one character, UTF-8), else the run is laid out as a whole.
    std::vector<std::string> pieces;
    std::vector<double> advances;  // logical units along the baseline
    Point origin;                  // logical units
    TextHAlign halign = TextHAlign::Left;
    TextVAlign valign = TextVAlign::Top;
    Colour colour;
    bool opaqueBackground = false;  // the run's box filled with `background` first
    Colour background{255, 255, 255};
    bool clipped = false;  // drawn only inside clipRect (logical corners)
    Point clipRect[2];
};

// One shape the clip is intersected with: its inside, or with `outside`
// everything but its inside.
struct ClipShape {
    Path path;  // canvas pixels
    FillRule rule = FillRule::Winding;
    bool outside = false;
};
using Clip = std::vector<ClipShape>;  // empty: the whole canvas

class Canvas {
public:
    virtual ~Canvas() = default;

    // Restricts every later drawing to the intersection of the shapes.
    virtual void set_clip(const Clip& clip) = 0;
    virtual void fill(const Path& path, const Affine& toCanvas, FillRule rule, const Brush& brush) = 0;
    virtual void stroke(const Path& path, const Affine& toCanvas, const Pen& pen) = 0;
    // Draws the source rectangle (sx, sy, scx, scy) of the picture, in its
    // pixels from the top row, stretched over the logical rectangle at
    // (x, y) of extent (cx, cy); negative extents mirror. `smooth` filters,
    // otherwise the nearest source pixel is taken. `opacity` 0..1.
    virtual void draw_picture(const Picture& picture, double sx, double sy, double scx, double scy, double x,
                              double y, double cx, double cy, const Affine& toCanvas, bool smooth,
                              double opacity) = 0;
    // Draws a text run; returns its advance in logical units.
    virtual double draw_text(const TextRun& run, const Font& font, const Affine& toCanvas) = 0;
    // The canvas as RGB24 rows `strideBytes` apart.
    virtual void copy_rgb(uint8_t* rgb, size_t strideBytes) const = 0;
};

// A width x height canvas painted with `background`; null when the
// rasteriser cannot make one that size.
std::unique_ptr<Canvas> make_canvas(uint32_t width, uint32_t height, Colour background);

}  // namespace imglib::metafile
