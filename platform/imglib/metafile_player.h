// Plays metafile records onto a canvas: the device context (mapping modes,
// window and viewport, world transform, pens, brushes, fonts, colours,
// modes, the saved-state stack, the path bracket and the clip) and the
// object table, shared by the EMF and WMF record decoders.
//
// The decoders have checked every record's sizes, counts and offsets before
// they call in; the player still treats every value as hostile (a zero
// extent, an unknown object index, a non-finite transform) and leaves out
// what it cannot draw.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/imglib/metafile_canvas.h"

namespace imglib::metafile {

// Rectangles of a region, in the units the record gives them.
struct Rect {
    double left = 0, top = 0, right = 0, bottom = 0;
};
using Region = std::vector<Rect>;

// A created font: the face with its raw height (negative: em height,
// positive: cell height, zero: the default size).
struct LogFont {
    Font font;
    double rawHeight = 0;
};

// Objects that occupy a slot but draw nothing here (palettes, regions the
// decoder could not read, bitmap brushes of the old kind).
struct Placeholder {};
using Object = std::variant<std::monostate, Pen, Brush, LogFont, Region, Placeholder>;

// GDI's values, as the files store them.
enum MapMode : int32_t {
    kMapText = 1,
    kMapLoMetric = 2,
    kMapHiMetric = 3,
    kMapLoEnglish = 4,
    kMapHiEnglish = 5,
    kMapTwips = 6,
    kMapIsotropic = 7,
    kMapAnisotropic = 8,
};
enum RegionMode : uint32_t { kRgnAnd = 1, kRgnOr = 2, kRgnXor = 3, kRgnDiff = 4, kRgnCopy = 5 };
enum ArcKind { kArcOpen, kArcChord, kArcPie };
// Raster operations of the records that draw a rectangle with no picture.
enum : uint32_t {
    kRopBlackness = 0x00000042,
    kRopPatCopy = 0x00F00021,
    kRopWhiteness = 0x00FF0062,
    kRopSrcCopy = 0x00CC0020,
};

// Pens and brushes built from the files' logical records. A cosmetic pen
// (the extended records' kind without the geometric flag) is one pixel
// wide whatever its width says.
Pen make_pen(uint32_t style, double width, Colour colour, bool cosmetic = false,
             std::span<const uint32_t> userDashes = {});
// lbStyle, colour and hatch of a logical brush (patterns come apart).
Brush make_brush(uint32_t style, Colour colour, uint32_t hatch);
Colour colour_ref(uint32_t value);  // 0x00BBGGRR

// One character of a text record, with its advance when the record has one.
struct TextChars {
    std::vector<std::string> pieces;  // UTF-8, one a character
    std::vector<double> advances;     // empty, or one a piece
};
// UTF-16LE code units (surrogate pairs joined, their two advances summed)
// and single-byte text of the Western code page, as pieces. Control
// characters keep their advance but draw nothing.
TextChars text_from_utf16(std::span<const uint16_t> units, std::span<const double> advances);
TextChars text_from_ansi(std::span<const uint8_t> bytes, std::span<const double> advances);
std::string utf8_from_utf16(std::span<const uint16_t> units);
std::string utf8_from_ansi(std::span<const uint8_t> bytes);

class Player {
public:
    // Device pixels go to canvas pixels through `deviceToCanvas`; objects
    // have `slots` places.
    Player(Canvas& canvas, const Affine& deviceToCanvas, size_t slots);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // ---- Mapping ----
    // The current window always covers this viewport from now on (WMF has
    // no device of its own): map mode and viewport records are ignored.
    void lock_viewport(double width, double height);
    // Device pixels per millimetre of the reference device (metric modes).
    void set_device_resolution(double xPerMm, double yPerMm);
    void set_map_mode(int32_t mode);
    void set_window_org(double x, double y);
    void set_window_ext(double cx, double cy);
    void set_viewport_org(double x, double y);
    void set_viewport_ext(double cx, double cy);
    void offset_window_org(double dx, double dy);
    void offset_viewport_org(double dx, double dy);
    void scale_window_ext(double xNum, double xDenom, double yNum, double yDenom);
    void scale_viewport_ext(double xNum, double xDenom, double yNum, double yDenom);
    void set_world_transform(const Affine& world);
    // 1 identity, 2 the given transform first, 3 the given transform last, 4 set.
    void modify_world_transform(const Affine& xform, uint32_t mode);
    // Logical units to canvas pixels, as things stand.
    Affine to_canvas() const;

    // ---- Attributes ----
    void set_bk_mode(uint32_t mode) { dc_.bkOpaque = mode == 2; }
    void set_bk_colour(Colour c) { dc_.bkColour = c; }
    void set_text_colour(Colour c) { dc_.textColour = c; }
    void set_fill_mode(uint32_t mode) { dc_.fillRule = mode == 2 ? FillRule::Winding : FillRule::Alternate; }
    void set_rop2(uint32_t rop2) { dc_.rop2 = rop2; }
    void set_text_align(uint32_t align) { dc_.textAlign = align; }
    void set_stretch_mode(uint32_t mode) { dc_.smoothStretch = mode == 4; }
    void set_arc_direction(uint32_t direction) { dc_.clockwise = direction == 2; }
    void set_miter_limit(double limit);

    // ---- Saved states ----
    void save_dc();
    // Negative: relative to the latest saved state (-1 is the latest);
    // positive: the state of that number, counted from 1.
    void restore_dc(int32_t which);

    // ---- Objects ----
    void create_object(uint32_t index, Object object);  // at a given slot (EMF)
    void add_object(Object object);                      // at the lowest free slot (WMF)
    void select_object(uint32_t index);
    void select_stock_object(uint32_t which);
    void delete_object(uint32_t index);
    const Object* object(uint32_t index) const;
    const Brush& brush() const { return dc_.brush; }

    // ---- Path bracket ----
    void begin_path();
    void end_path() { recording_ = false; }
    void abort_path();
    void close_figure();
    void fill_path();
    void stroke_path();
    void stroke_and_fill_path();
    void select_clip_path(uint32_t mode);

    // ---- Figures (logical units) ----
    void move_to(Point p);
    void line_to(Point p);
    // With `fromCurrent` the figure starts at the current position and moves it.
    void polyline(std::span<const Point> points, bool fromCurrent);
    void polygon(std::span<const Point> points);
    void poly_polygon(std::span<const Point> points, std::span<const uint32_t> counts);
    void poly_polyline(std::span<const Point> points, std::span<const uint32_t> counts);
    void poly_bezier(std::span<const Point> points, bool fromCurrent);
    // Points tagged move (6), line (2), curve (4), each with close (1).
    void poly_draw(std::span<const Point> points, std::span<const uint8_t> types);
    void rectangle(const Rect& box);
    void round_rect(const Rect& box, double cornerWidth, double cornerHeight);
    void ellipse(const Rect& box);
    // Arc, chord or pie of the ellipse in box, from the ray through start
    // to the ray through end in the arc direction. With `fromCurrent` (arc
    // to) a line joins the current position first and the end moves it.
    void arc(ArcKind kind, const Rect& box, Point start, Point end, bool fromCurrent = false);
    // Line from the current position, then the arc of the circle; degrees,
    // counter-clockwise as seen.
    void angle_arc(Point centre, double radius, double startDegrees, double sweepDegrees);
    void set_pixel(Point p, Colour c);

    // ---- Regions and clipping ----
    void intersect_clip_rect(const Rect& r);
    void exclude_clip_rect(const Rect& r);
    void offset_clip(double dx, double dy);
    // A region in device units (EMF) combined with the clip; an empty
    // region with kRgnCopy resets it.
    void select_clip_region(const Region& deviceRects, uint32_t mode);
    // The same for a region in logical units (WMF).
    void select_clip_region_logical(const Region& rects, uint32_t mode);
    void fill_region(const Region& rects, const Brush& brush);
    void frame_region(const Region& rects, const Brush& brush, double width, double height);

    // ---- Pictures ----
    // A raster record: its picture (null for records without one) drawn
    // from the source rectangle into the logical destination with `rop`.
    void draw_picture(const Picture* picture, double sx, double sy, double scx, double scy, const Rect& dest,
                      uint32_t rop, double opacity = 1);

    // ---- Text ----
    struct TextOut {
        Point origin;  // logical
        TextChars chars;
        bool opaqueRect = false, clipped = false;
        Rect rect;  // logical, for the two options above
    };
    void text_out(const TextOut& text);

private:
    struct DeviceContext {
        int32_t mapMode = kMapText;
        Point winOrg{0, 0}, winExt{1, 1}, vpOrg{0, 0}, vpExt{1, 1};
        Affine world;
        Pen pen;
        Brush brush;
        LogFont font;
        Colour textColour{0, 0, 0}, bkColour{255, 255, 255};
        bool bkOpaque = true;
        FillRule fillRule = FillRule::Alternate;
        uint32_t rop2 = 13;  // copy the pen
        uint32_t textAlign = 0;
        bool smoothStretch = false;
        bool clockwise = false;
        Point current;
        std::shared_ptr<const Clip> clip;  // null: the whole canvas; shared by saved states
    };

    Affine page_to_device() const;
    double device_units_per_logical_y() const;
    void sync_clip();
    void set_clip(std::shared_ptr<const Clip> clip);
    void combine_clip(ClipShape shape, uint32_t mode);
    ClipShape canvas_shape(const Path& logical, const Affine& map, FillRule rule) const;
    // Draws a figure, or in a path bracket adds it to the path.
    void figure(const Path& path, bool fill, bool stroke);
    void fill_with(const Path& path, const Affine& map, const Brush& brush);
    void stroke_with(const Path& path, const Affine& map);
    // Whether a figure continuing from the current position needs a move
    // there first: always when drawn at once, in a bracket after a closed
    // or before any figure.
    bool starts_figure() const { return !recording_ || path_.empty() || path_.back().kind == PathOp::Close; }
    bool drawing_allowed() const { return dc_.rop2 != 11; }  // R2_NOP draws nothing
    Colour mixed(Colour c) const;
    Brush mixed_brush(const Brush& b) const;
    void append_arc(Path& path, const Rect& box, double a0, double a1, bool joinWithLine) const;
    bool arc_angles(const Rect& box, Point start, Point end, double& a0, double& a1) const;
    Font resolved_font() const;

    Canvas& canvas_;
    const Affine deviceToCanvas_;
    bool viewportLocked_ = false;
    double xPerMm_ = 96 / 25.4, yPerMm_ = 96 / 25.4;
    DeviceContext dc_;
    std::vector<DeviceContext> saved_;
    std::vector<Object> objects_;
    bool recording_ = false;
    Path path_;  // the path bracket's figures, logical units
    bool clipDirty_ = false;
};

}  // namespace imglib::metafile
