// Metafile records played onto a canvas that only takes notes: the device
// context's arithmetic (mapping modes, window and viewport, world
// transforms), objects, saved states, paths, clipping, text attributes and
// pictures, and the record decoders' checks of hostile sizes, counts and
// offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/imglib/metafile_records.h"
#include "support/metafile_builder.h"

using namespace imglib::metafile;
using samples::Bytes;
using samples::EmfBuilder;
using samples::WmfBuilder;

namespace {

struct Call {
    enum Kind { Fill, Stroke, Picture, Text, Clip };
    explicit Call(Kind k) : kind(k) {}
    Kind kind;
    Path path;  // canvas pixels
    Brush brush;
    Pen pen;
    FillRule rule = FillRule::Alternate;
    double scale = 1;  // canvas pixels per logical unit
    TextRun run;
    Font font;
    Point origin;  // the text's reference point on the canvas
    imglib::metafile::Clip clip;
    double sx = 0, sy = 0, scx = 0, scy = 0, opacity = 1;
    Point corner[2];  // the picture's destination corners on the canvas
    bool premultiplied = false, keyed = false;
    std::vector<uint8_t> rgba;
};

Path mapped(const Path& path, const Affine& m) {
    Path out = path;
    for (PathOp& op : out)
        for (Point& p : op.p) p = m.apply(p);
    return out;
}

// Takes notes of every call; text advances ten logical units a piece.
class NoteCanvas final : public Canvas {
public:
    void set_clip(const imglib::metafile::Clip& clip) override {
        Call c(Call::Clip);
        c.clip = clip;
        calls.push_back(c);
    }
    void fill(const Path& path, const Affine& m, FillRule rule, const Brush& brush) override {
        Call c(Call::Fill);
        c.path = mapped(path, m);
        c.rule = rule;
        c.brush = brush;
        calls.push_back(c);
    }
    void stroke(const Path& path, const Affine& m, const Pen& pen) override {
        Call c(Call::Stroke);
        c.path = mapped(path, m);
        c.pen = pen;
        c.scale = std::sqrt(std::fabs(m.determinant()));
        calls.push_back(c);
    }
    void draw_picture(const Picture& pic, double sx, double sy, double scx, double scy, double x, double y, double cx,
                      double cy, const Affine& m, bool, double opacity) override {
        Call c(Call::Picture);
        c.sx = sx, c.sy = sy, c.scx = scx, c.scy = scy, c.opacity = opacity;
        c.corner[0] = m.apply({x, y});
        c.corner[1] = m.apply({x + cx, y + cy});
        c.premultiplied = pic.premultiplied;
        c.keyed = pic.keyed;
        c.rgba = pic.rgba;
        calls.push_back(c);
    }
    double draw_text(const TextRun& run, const Font& font, const Affine& m) override {
        Call c(Call::Text);
        c.run = run;
        c.font = font;
        c.origin = m.apply(run.origin);
        calls.push_back(c);
        return 10.0 * double(run.pieces.size());
    }
    void copy_rgb(uint8_t*, size_t) const override {}

    std::vector<const Call*> of(Call::Kind kind) const {
        std::vector<const Call*> out;
        for (const Call& c : calls)
            if (c.kind == kind) out.push_back(&c);
        return out;
    }

    std::vector<Call> calls;
};

struct Box {
    double left, top, right, bottom;
};

Box bbox(const Path& path) {
    Box b{1e300, 1e300, -1e300, -1e300};
    for (const PathOp& op : path) {
        const int n = op.kind == PathOp::Curve ? 3 : op.kind == PathOp::Close ? 0 : 1;
        for (int i = 0; i < n; ++i) {
            b.left = std::min(b.left, op.p[i].x), b.right = std::max(b.right, op.p[i].x);
            b.top = std::min(b.top, op.p[i].y), b.bottom = std::max(b.bottom, op.p[i].y);
        }
    }
    return b;
}

Point last_point(const Path& path) {
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if (it->kind == PathOp::Curve) return it->p[2];
        if (it->kind != PathOp::Close) return it->p[0];
    }
    return {};
}

bool play(const Bytes& emf, NoteCanvas& canvas, uint32_t w = 100, uint32_t h = 100) {
    return play_emf(imglib::Bytes(emf), canvas, w, h);
}

// A 100 x 100 pixel picture at four pixels a millimetre.
EmfBuilder square_emf(uint16_t handles = 16) { return EmfBuilder(0, 0, 99, 99, handles, 4.0); }

void expect_box(const Box& got, const Box& want) {
    EXPECT_NEAR(got.left, want.left, 1e-9);
    EXPECT_NEAR(got.top, want.top, 1e-9);
    EXPECT_NEAR(got.right, want.right, 1e-9);
    EXPECT_NEAR(got.bottom, want.bottom, 1e-9);
}

// ---- Mapping ----

TEST(MetafileMapping, EveryModePutsTheRectangleWhereTheArithmeticSays) {
    struct Row {
        const char* name;
        std::vector<std::vector<int64_t>> records;  // type, then fields
        Box logical;
        Box canvas;
    };
    const int64_t nan = 0x7FC00000, two = 0x40000000, five = 0x40A00000, one = 0x3F800000;
    const Row rows[] = {
        {"text: one unit a pixel", {}, {10, 20, 30, 40}, {10, 20, 30, 40}},
        {"anisotropic",
         {{17, 8}, {10, 100, 200}, {9, 1000, 500}, {12, 0, 0}, {11, 100, 100}},
         {100, 200, 600, 450},
         {0, 0, 50, 50}},
        {"isotropic: the smaller scale both ways",
         {{17, 7}, {10, 100, 200}, {9, 1000, 500}, {12, 0, 50}, {11, 100, -100}},
         {100, 200, 600, 450},
         {0, 25, 50, 50}},
        {"tenths of a millimetre, y up", {{17, 2}}, {0, 0, 100, -50}, {0, 0, 40, 20}},
        {"hundredths of a millimetre", {{17, 3}}, {0, 0, 1000, -500}, {0, 0, 40, 20}},
        {"hundredths of an inch", {{17, 4}}, {0, 0, 50, -25}, {0, 0, 50.8, 25.4}},
        {"twips", {{17, 6}}, {0, 0, 1440, -720}, {0, 0, 101.6, 50.8}},
        {"world scale, then a translation after it",
         {{35, two, 0, 0, two, five, 0}, {36, one, 0, 0, one, one, one, 3}},
         {10, 10, 20, 20},
         {26, 21, 46, 41}},
        {"world scale, a translation before it",
         {{35, two, 0, 0, two, five, 0}, {36, one, 0, 0, one, one, one, 2}},
         {10, 10, 20, 20},
         {27, 22, 47, 42}},
        {"identity mode forgets the world", {{35, two, 0, 0, two, five, 0}, {36, 0, 0, 0, 0, 0, 0, 1}},
         {10, 20, 30, 40}, {10, 20, 30, 40}},
        {"a zero window extent is refused", {{17, 8}, {9, 0, 500}, {11, 1, 1}}, {10, 20, 30, 40}, {10, 20, 30, 40}},
        {"a world transform that is not a number is refused", {{35, nan, 0, 0, two, 0, 0}}, {10, 20, 30, 40},
         {10, 20, 30, 40}},
        {"a world transform collapsing the plane is refused", {{35, 0, 0, 0, 0, 0, 0}}, {10, 20, 30, 40},
         {10, 20, 30, 40}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EmfBuilder e = square_emf();
        for (const auto& rec : r.records) {
            Bytes body;
            for (size_t i = 1; i < rec.size(); ++i)
                for (int b = 0; b < 4; ++b) body.push_back(uint8_t(uint32_t(rec[i]) >> (8 * b)));
            e.raw(uint32_t(rec[0]), body);
        }
        e.box(43, int(r.logical.left), int(r.logical.top), int(r.logical.right), int(r.logical.bottom));
        NoteCanvas canvas;
        ASSERT_TRUE(play(e.finish(), canvas));
        const auto fills = canvas.of(Call::Fill);
        ASSERT_EQ(fills.size(), 1u);
        expect_box(bbox(fills[0]->path), r.canvas);
    }
}

TEST(MetafileMapping, TheHeaderBoundsStretchOverTheCanvas) {
    // Bounds (10, 20)-(109, 69) inclusive: 100 x 50 device pixels onto 200 x 100.
    EmfBuilder e(10, 20, 109, 69);
    e.box(43, 10, 20, 60, 45);
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas, 200, 100));
    expect_box(bbox(canvas.of(Call::Fill).at(0)->path), {0, 0, 100, 50});
}

TEST(MetafileMapping, WmfWindowCoversTheCanvasAndFollowsLaterWindows) {
    // Window 0..1000 x 0..500 onto 100 x 50; parameters stored bottom, right, top, left.
    WmfBuilder w(0, 0, 1000, 500);
    w.record(0x020B, {0, 0}).record(0x020C, {500, 1000});
    w.record(0x041B, {250, 500, 100, 200});         // rectangle (200, 100)-(500, 250)
    w.record(0x020B, {50, 100});                    // the window moves by (100, 50) ...
    w.record(0x041B, {250, 500, 100, 200});         // ... so the same rectangle moves back by 10 x 5 pixels
    NoteCanvas canvas;
    ASSERT_TRUE(play_wmf(imglib::Bytes(w.finish()), canvas, 100, 50));
    const auto fills = canvas.of(Call::Fill);
    ASSERT_EQ(fills.size(), 2u);
    expect_box(bbox(fills[0]->path), {20, 10, 50, 25});
    expect_box(bbox(fills[1]->path), {10, 5, 40, 20});
}

// ---- Objects and saved states ----

TEST(MetafileObjects, SlotsOutsideTheTableAndTheReservedOneAreIgnored) {
    EmfBuilder e = square_emf(4);
    e.create_brush(7, 0, 0x0000FF).select(7);  // beyond the four slots
    e.box(43, 0, 0, 10, 10);
    e.create_brush(0, 0, 0x0000FF).select(0);  // slot 0 is the picture's own
    e.box(43, 0, 0, 10, 10);
    e.create_brush(3, 0, 0x0000FF).select(3);
    e.box(43, 0, 0, 10, 10);
    e.record(40, {3}).select(3);  // deleted: selecting it changes nothing
    e.select(0x80000005);         // the hollow stock brush
    e.box(43, 0, 0, 10, 10);
    e.select(0x80000004);  // the black stock brush
    e.box(43, 0, 0, 10, 10);
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto fills = canvas.of(Call::Fill);
    ASSERT_EQ(fills.size(), 4u);
    EXPECT_EQ(fills[0]->brush.colour, (Colour{255, 255, 255}));
    EXPECT_EQ(fills[1]->brush.colour, (Colour{255, 255, 255}));
    EXPECT_EQ(fills[2]->brush.colour, (Colour{255, 0, 0}));
    EXPECT_EQ(fills[3]->brush.colour, (Colour{0, 0, 0}));
}

TEST(MetafileObjects, WmfObjectsTakeTheLowestFreeSlot) {
    WmfBuilder w(0, 0, 100, 100, 4);
    w.create_pen(0, 1, 0x000000);      // slot 0
    w.create_brush(0, 0x0000FF);       // slot 1: red
    w.create_brush(0, 0x00FF00);       // slot 2: green
    w.record(0x01F0, {1});             // slot 1 freed
    w.create_brush(0, 0xFF0000);       // slot 1 again: blue
    w.record(0x012D, {1});
    w.record(0x041B, {10, 10, 0, 0});
    w.record(0x012D, {2});
    w.record(0x041B, {10, 10, 0, 0});
    NoteCanvas canvas;
    ASSERT_TRUE(play_wmf(imglib::Bytes(w.finish()), canvas, 100, 100));
    const auto fills = canvas.of(Call::Fill);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0]->brush.colour, (Colour{0, 0, 255}));
    EXPECT_EQ(fills[1]->brush.colour, (Colour{0, 255, 0}));
}

TEST(MetafileObjects, RestoringCountsBackFromTheLatestOrUpFromTheFirst) {
    struct Row {
        std::vector<int32_t> restores;
        Colour want;
    };
    // Saved in turn with red, green, blue brushes; yellow is current.
    for (const Row& r : {Row{{-1}, {0, 0, 255}}, Row{{-2}, {0, 255, 0}}, Row{{-2, -1}, {255, 0, 0}},
                         Row{{1}, {255, 0, 0}}, Row{{2}, {0, 255, 0}}, Row{{0}, {255, 255, 0}},
                         Row{{4}, {255, 255, 0}}, Row{{-4}, {255, 255, 0}}, Row{{-3, -1}, {255, 0, 0}}}) {
        EmfBuilder e = square_emf();
        uint32_t slot = 1;
        for (uint32_t colour : {0x0000FFu, 0x00FF00u, 0xFF0000u}) {
            e.create_brush(slot, 0, colour).select(slot);
            e.record(33, {});
            ++slot;
        }
        e.create_brush(slot, 0, 0x00FFFF).select(slot);
        std::string trace;
        for (int32_t v : r.restores) e.record(34, {v}), trace += std::to_string(v) + " ";
        SCOPED_TRACE(trace);
        e.box(43, 0, 0, 10, 10);
        NoteCanvas canvas;
        ASSERT_TRUE(play(e.finish(), canvas));
        EXPECT_EQ(canvas.of(Call::Fill).at(0)->brush.colour, r.want);
    }
}

// ---- Pens ----

TEST(MetafilePens, WidthsStylesCapsAndJoinsComeFromTheRecords) {
    EmfBuilder e = square_emf();
    e.create_pen(1, 0, 1, 0x000000).select(1).poly16(87, {{0, 0}, {10, 0}});  // one unit: a pixel
    e.create_pen(2, 0x2201, 6, 0x0000FF).select(2).poly16(87, {{0, 0}, {10, 0}});  // dash, flat, miter
    // Extended pens: a cosmetic one is a pixel whatever its width; a
    // geometric one with user dashes; one of the hollow brush draws nothing.
    e.record(95, {3, 0, 0, 0, 0, 0x00000000, 9, 0, 0x00FF00, 0, 0}).select(3).poly16(87, {{0, 0}, {10, 0}});
    e.record(95, {4, 0, 0, 0, 0, 0x00011007, 4, 0, 0xFF0000, 0, 2, 5, 3}).select(4).poly16(87, {{0, 0}, {10, 0}});
    e.record(95, {5, 0, 0, 0, 0, 0x00010000, 4, 1, 0, 0, 0}).select(5).poly16(87, {{0, 0}, {10, 0}});
    e.record(58, {4});  // miter limit
    e.select(2).poly16(87, {{0, 0}, {10, 0}});
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto s = canvas.of(Call::Stroke);
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[0]->pen.width, 0);
    EXPECT_EQ(s[1]->pen.width, 6);
    EXPECT_EQ(s[1]->pen.style, LineStyle::Dash);
    EXPECT_EQ(s[1]->pen.cap, LineCap::Flat);
    EXPECT_EQ(s[1]->pen.join, LineJoin::Miter);
    EXPECT_EQ(s[1]->pen.colour, (Colour{255, 0, 0}));
    EXPECT_EQ(s[2]->pen.width, 0);
    EXPECT_EQ(s[3]->pen.style, LineStyle::User);
    EXPECT_EQ(s[3]->pen.dashes, (std::vector<double>{5, 3}));
    EXPECT_EQ(s[3]->pen.join, LineJoin::Bevel);
    EXPECT_EQ(s[4]->pen.miterLimit, 4);
}

// ---- Arcs ----

TEST(MetafileArcs, ArcsRunCounterClockwiseAsSeenUnlessToldOtherwise) {
    struct Row {
        const char* name;
        int map;     // map mode: 1 text, 2 tenths of a millimetre (y up)
        bool clockwise;
        double lowest;  // largest canvas y the arc reaches
    };
    for (Row r : {Row{"y down", 1, false, 50}, Row{"y down, clockwise", 1, true, 100},
                  Row{"y up", 2, false, 50}, Row{"y up, clockwise", 2, true, 100}}) {
        SCOPED_TRACE(r.name);
        EmfBuilder e = square_emf();
        e.record(17, {r.map});
        if (r.clockwise) e.record(57, {2});
        // The same canvas square either way: 250 tenths of a millimetre are 100 pixels.
        const int k = r.map == 2 ? 250 : 100, sign = r.map == 2 ? -1 : 1;
        e.record(45, {0, 0, k, sign * k, k, sign * k / 2, k / 2, 0});  // from the right to the top
        NoteCanvas canvas;
        ASSERT_TRUE(play(e.finish(), canvas));
        const auto s = canvas.of(Call::Stroke);
        ASSERT_EQ(s.size(), 1u);
        EXPECT_NEAR(s[0]->path.front().p[0].x, 100, 1e-9);
        EXPECT_NEAR(s[0]->path.front().p[0].y, 50, 1e-9);
        EXPECT_NEAR(last_point(s[0]->path).x, 50, 1e-9);
        EXPECT_NEAR(last_point(s[0]->path).y, 0, 1e-9);
        EXPECT_NEAR(bbox(s[0]->path).bottom, r.lowest, 1e-9);
        EXPECT_TRUE(canvas.of(Call::Fill).empty());  // an arc is open
    }
}

TEST(MetafileArcs, PiesChordsAndAngleArcsCloseAndMoveAsDrawn) {
    EmfBuilder e = square_emf();
    e.record(47, {0, 0, 100, 100, 100, 50, 50, 0});  // pie
    e.record(46, {0, 0, 100, 100, 100, 50, 50, 0});  // chord
    e.record(27, {0, 0});
    e.raw(41, {50, 0, 0, 0, 50, 0, 0, 0, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xB4, 0x42});  // centre, radius, 0, 90 degrees
    e.record(54, {0, 100});
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto fills = canvas.of(Call::Fill);
    const auto strokes = canvas.of(Call::Stroke);
    ASSERT_EQ(fills.size(), 2u);
    ASSERT_EQ(strokes.size(), 4u);
    // The pie starts at the centre and closes there.
    EXPECT_NEAR(fills[0]->path.front().p[0].x, 50, 1e-9);
    EXPECT_NEAR(fills[0]->path.front().p[0].y, 50, 1e-9);
    EXPECT_EQ(fills[0]->path.back().kind, PathOp::Close);
    // The chord starts on the ellipse.
    EXPECT_NEAR(fills[1]->path.front().p[0].x, 100, 1e-9);
    EXPECT_EQ(fills[1]->path.back().kind, PathOp::Close);
    // The angle arc: a line from the current position, a quarter turn up
    // to the top, which becomes the current position for the next line.
    const Path& aa = strokes[2]->path;
    EXPECT_NEAR(aa[0].p[0].x, 0, 1e-9);
    EXPECT_NEAR(aa[1].p[0].x, 100, 1e-9);
    EXPECT_NEAR(aa[1].p[0].y, 50, 1e-9);
    EXPECT_NEAR(last_point(aa).x, 50, 1e-9);
    EXPECT_NEAR(last_point(aa).y, 0, 1e-9);
    EXPECT_NEAR(strokes[3]->path[0].p[0].x, 50, 1e-9);
    EXPECT_NEAR(strokes[3]->path[0].p[0].y, 0, 1e-9);
}

TEST(MetafileArcs, AnEllipseStaysWithinItsBoxAndTouchesEachSide) {
    EmfBuilder e = square_emf();
    e.box(42, 10, 20, 90, 60);
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const Path& p = canvas.of(Call::Fill).at(0)->path;
    expect_box(bbox(p), {10, 20, 90, 60});  // the control points of quarter arcs stay in the box
    // Midpoint of the first quarter (t = 1/2): on the ellipse at 45 degrees.
    const Point a = p[0].p[0], c1 = p[1].p[0], c2 = p[1].p[1], b = p[1].p[2];
    const double mx = (a.x + 3 * c1.x + 3 * c2.x + b.x) / 8, my = (a.y + 3 * c1.y + 3 * c2.y + b.y) / 8;
    const double u = (mx - 50) / 40, v = (my - 40) / 20;
    EXPECT_NEAR(u * u + v * v, 1, 1e-3);
}

// ---- Paths and clipping ----

TEST(MetafilePaths, ABracketCollectsFiguresAndDrawsThemOnlyWhenUsed) {
    EmfBuilder e = square_emf();
    e.record(19, {2});  // winding
    e.record(59, {}).record(27, {10, 10}).record(54, {90, 10}).record(54, {90, 90}).record(61, {});
    e.box(42, 20, 20, 40, 40);  // a figure inside the bracket is collected, not drawn
    e.record(60, {});
    e.record(63, {0, 0, 0, 0});  // stroke and fill
    e.record(59, {}).box(43, 0, 0, 5, 5).record(68, {});  // aborted
    e.record(62, {0, 0, 0, 0});                           // nothing left to fill
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto fills = canvas.of(Call::Fill);
    const auto strokes = canvas.of(Call::Stroke);
    ASSERT_EQ(fills.size(), 1u);  // the aborted bracket leaves nothing to fill
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(fills[0]->rule, FillRule::Winding);
    const Path& p = fills[0]->path;
    ASSERT_GE(p.size(), 5u);
    EXPECT_EQ(p[0].kind, PathOp::Move);
    EXPECT_EQ(p[2].kind, PathOp::Line);
    EXPECT_EQ(p[3].kind, PathOp::Close);
    EXPECT_EQ(p[4].kind, PathOp::Move);  // the ellipse is a second figure
    EXPECT_EQ(strokes[0]->path.size(), p.size());
}

TEST(MetafileClip, ShapesCombineAsTheModesSay) {
    EmfBuilder e(0, 0, 49, 49);  // onto a 100 x 100 canvas: device pixels are two canvas pixels
    e.box(30, 10, 10, 40, 40);   // intersect
    e.box(43, 0, 0, 1, 1);
    e.box(29, 20, 20, 30, 30);  // exclude
    e.box(43, 0, 0, 1, 1);
    e.record(33, {});
    // Region in device units: two rectangles, with RGN_COPY.
    e.record(75, {64, 5, 32, 1, 2, 32, 0, 0, 10, 10, 0, 0, 5, 5, 5, 5, 10, 10});
    e.box(43, 0, 0, 1, 1);
    e.record(34, {-1});  // back to the two shapes before
    e.box(43, 0, 0, 1, 1);
    e.record(75, {0, 5});  // an empty region copied: no clip at all
    e.box(43, 0, 0, 1, 1);
    e.record(59, {}).box(42, 0, 0, 10, 10).record(60, {}).record(67, {1});  // clip path, and
    e.box(43, 0, 0, 1, 1);
    e.record(26, {5, 0});  // moved by five units
    e.box(43, 0, 0, 1, 1);
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto clips = canvas.of(Call::Clip);
    ASSERT_EQ(clips.size(), 7u);
    ASSERT_EQ(clips[0]->clip.size(), 1u);
    expect_box(bbox(clips[0]->clip[0].path), {20, 20, 80, 80});
    EXPECT_FALSE(clips[0]->clip[0].outside);
    ASSERT_EQ(clips[1]->clip.size(), 2u);
    EXPECT_TRUE(clips[1]->clip[1].outside);
    ASSERT_EQ(clips[2]->clip.size(), 1u);
    expect_box(bbox(clips[2]->clip[0].path), {0, 0, 20, 20});
    EXPECT_EQ(clips[3]->clip.size(), 2u);
    EXPECT_TRUE(clips[4]->clip.empty());
    ASSERT_EQ(clips[5]->clip.size(), 1u);
    expect_box(bbox(clips[5]->clip[0].path), {0, 0, 20, 20});
    expect_box(bbox(clips[6]->clip[0].path), {10, 0, 30, 20});
    EXPECT_TRUE(canvas.of(Call::Stroke).size() == 7u);  // the clip path itself is not drawn
}

TEST(MetafileClip, UnionsOpenTheClipRatherThanLoseParts) {
    EmfBuilder e = square_emf();
    e.box(30, 10, 10, 40, 40);
    e.record(75, {48, 2, 32, 1, 1, 16, 0, 0, 5, 5, 0, 0, 5, 5});  // or
    e.box(43, 0, 0, 1, 1);
    e.record(75, {48, 3, 32, 1, 1, 16, 0, 0, 5, 5, 0, 0, 5, 5});  // xor with the whole canvas: outside the shape
    e.box(43, 0, 0, 1, 1);
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto clips = canvas.of(Call::Clip);
    ASSERT_EQ(clips.size(), 2u);
    EXPECT_TRUE(clips[0]->clip.empty());
    ASSERT_EQ(clips[1]->clip.size(), 1u);
    EXPECT_TRUE(clips[1]->clip[0].outside);
}

// ---- Text ----

TEST(MetafileText, AlignmentOptionsAndFontsReachTheRun) {
    EmfBuilder e = square_emf();
    e.create_font(1, -20, 700, "Serif Face", 900).select(1);
    e.record(22, {24 | 6});  // baseline, centre
    e.record(18, {1});       // transparent
    e.text(50, 60, "Ab");
    e.create_font(2, 30, 400, "").select(2);
    e.record(22, {8 | 2 | 1});  // bottom, right, update the current position
    e.record(18, {2});          // opaque
    e.record(25, {0x00FFFF});
    e.record(27, {70, 80});
    e.text(0, 0, "xyz");
    e.text(0, 0, "q");  // continues from where the last run ended (right aligned: to its left)
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto t = canvas.of(Call::Text);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0]->run.halign, TextHAlign::Centre);
    EXPECT_EQ(t[0]->run.valign, TextVAlign::Baseline);
    EXPECT_FALSE(t[0]->run.opaqueBackground);
    EXPECT_EQ(t[0]->font.face, "Serif Face");
    EXPECT_EQ(t[0]->font.height, 20);
    EXPECT_FALSE(t[0]->font.cellHeight);
    EXPECT_EQ(t[0]->font.weight, 700);
    EXPECT_EQ(t[0]->font.escapement, 90);
    EXPECT_NEAR(t[0]->origin.x, 50, 1e-9);
    EXPECT_EQ(t[1]->run.halign, TextHAlign::Right);
    EXPECT_EQ(t[1]->run.valign, TextVAlign::Bottom);
    EXPECT_TRUE(t[1]->run.opaqueBackground);
    EXPECT_EQ(t[1]->run.background, (Colour{255, 255, 0}));
    EXPECT_TRUE(t[1]->font.cellHeight);
    EXPECT_EQ(t[1]->font.height, 30);
    EXPECT_NEAR(t[1]->origin.x, 70, 1e-9);
    EXPECT_NEAR(t[1]->origin.y, 80, 1e-9);
    EXPECT_NEAR(t[2]->origin.x, 40, 1e-9);  // 70 less three pieces of ten
}

TEST(MetafileText, CharactersAdvancesAndOptionsAreDecoded) {
    EmfBuilder e = square_emf();
    e.record(18, {1});
    // Surrogate pair (two units, one character) and a lone surrogate, with advances.
    {
        Bytes body(16 + 12, 0);
        auto le32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) body.push_back(uint8_t(v >> (8 * i)));
        };
        le32(5), le32(6), le32(4), le32(76), le32(0), le32(0), le32(0), le32(0), le32(0), le32(84);
        for (uint16_t u : {0x0041, 0xD83D, 0xDE00, 0xDC00}) body.push_back(uint8_t(u)), body.push_back(uint8_t(u >> 8));
        for (uint32_t d : {7u, 11u, 13u, 17u}) le32(d);
        e.raw(84, body);
    }
    e.text(0, 0, std::string("a\tb"), 0, {3, 4, 5});  // a tab keeps its advance, draws nothing
    e.record(25, {0x0000FF});
    e.text(0, 0, "zz", 0x2 | 0x10, {}, 1, 2, 30, 40);  // opaque rectangle; glyph numbers are not drawn
    e.text(0, 0, "w", 0x4, {}, 1, 2, 30, 40);          // clipped
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto t = canvas.of(Call::Text);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0]->run.pieces, (std::vector<std::string>{"A", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"}));
    EXPECT_EQ(t[0]->run.advances, (std::vector<double>{7, 24, 17}));
    EXPECT_EQ(t[1]->run.pieces, (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(t[1]->run.advances, (std::vector<double>{3, 4, 5}));
    const auto fills = canvas.of(Call::Fill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->brush.colour, (Colour{255, 0, 0}));
    expect_box(bbox(fills[0]->path), {1, 2, 30, 40});
    EXPECT_TRUE(t[2]->run.clipped);
    EXPECT_EQ(t[2]->run.clipRect[1].y, 40);
}

TEST(MetafileText, WesternBytesBecomeTheirCharacters) {
    const uint8_t bytes[] = {'A', 0x80, 0xE9, 0x93, 0x81};
    const TextChars t = text_from_ansi(bytes, {});
    EXPECT_EQ(t.pieces, (std::vector<std::string>{"A", "\xE2\x82\xAC", "\xC3\xA9", "\xE2\x80\x9C", ""}));
    EXPECT_TRUE(t.advances.empty());
}

TEST(MetafileText, ADefaultHeightIsSixteenDevicePixels) {
    EmfBuilder e = square_emf();
    e.record(17, {8}).record(9, {1000, 1000}).record(11, {100, 100});  // ten units a pixel
    e.create_font(1, 0, 0, "").select(1);
    e.text(0, 0, "x");
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    EXPECT_NEAR(canvas.of(Call::Text).at(0)->font.height, 160, 1e-9);
}

// ---- Pictures ----

TEST(MetafilePictures, BlocksWithAndWithoutBitmapsAsTheirOperationsSay) {
    const Bytes rgba = {1, 2, 3, 9, 255, 255, 255, 9, 0, 0, 0, 9, 40, 50, 60, 9,  // top row
                        7, 8, 9, 9, 10, 11, 12, 9, 13, 14, 15, 9, 16, 17, 18, 9};
    EmfBuilder e = square_emf();
    // Bottom-up bitmap: a source row counted from the stored (bottom) row.
    e.stretch_dibits(10, 10, 40, 20, 1, 0, 2, 1, samples::dib_info(4, 2, 32), samples::dib_rows32(4, 2, rgba, false));
    e.create_brush(1, 0, 0x00FF00).select(1);
    e.blit(76, 5, 5, 10, 10, 0x00F00021, 0, 0, 0, 0, {}, {});  // pattern copy: the brush
    e.blit(76, 5, 5, 10, 10, 0x00000042, 0, 0, 0, 0, {}, {});  // black
    e.blit(76, 5, 5, 10, 10, 0x00550009, 0, 0, 0, 0, {}, {});  // inverting the screen: not drawn
    e.blit(77, 0, 0, 8, 4, 0x008800C6, 0, 0, 4, 2, samples::dib_info(4, -2, 32), samples::dib_rows32(4, 2, rgba, true));
    e.blit(116, 0, 0, 8, 4, 0x00030201, 0, 0, 4, 2, samples::dib_info(4, -2, 32),
           samples::dib_rows32(4, 2, rgba, true));
    // Blend function: source alpha, constant alpha 128.
    e.blit(114, 0, 0, 8, 4, 0x01800000, 0, 0, 4, 2, samples::dib_info(4, -2, 32),
           samples::dib_rows32(4, 2, rgba, true));
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto pics = canvas.of(Call::Picture);
    const auto fills = canvas.of(Call::Fill);
    ASSERT_EQ(pics.size(), 4u);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(pics[0]->sy, 1);  // stored row 0 is the picture's row 1
    EXPECT_EQ(pics[0]->sx, 1);
    EXPECT_NEAR(pics[0]->corner[1].x, 50, 1e-9);
    EXPECT_EQ(fills[0]->brush.colour, (Colour{0, 255, 0}));
    EXPECT_EQ(fills[1]->brush.colour, (Colour{0, 0, 0}));
    // And with white shows what is under white pixels.
    EXPECT_TRUE(pics[1]->keyed);
    EXPECT_EQ(pics[1]->rgba[3], 255);
    EXPECT_EQ(pics[1]->rgba[7], 0);
    // The key colour (1, 2, 3) is left out.
    EXPECT_EQ(pics[2]->rgba[3], 0);
    EXPECT_EQ(pics[2]->rgba[7], 255);
    EXPECT_TRUE(pics[3]->premultiplied);
    EXPECT_EQ(pics[3]->rgba[3], 9);
    EXPECT_NEAR(pics[3]->opacity, 128.0 / 255, 1e-12);
}

TEST(MetafilePictures, PatternBrushesTileSmallBitmapsOnly) {
    const auto pattern_record = [](uint32_t index, const Bytes& info, const Bytes& bits) {
        Bytes b;
        for (uint32_t v : {index, 0u, 32u, uint32_t(info.size()), 32u + uint32_t(info.size()), uint32_t(bits.size())})
            for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
        b.insert(b.end(), info.begin(), info.end());
        b.insert(b.end(), bits.begin(), bits.end());
        return b;
    };
    const Bytes tile = {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255};
    Bytes huge = samples::dib_info(2048, 1024, 1);  // 2^21 pixels of one bit, black and white
    huge.insert(huge.end(), {0, 0, 0, 0, 255, 255, 255, 0});
    EmfBuilder e = square_emf();
    e.raw(94, pattern_record(1, samples::dib_info(2, 2, 32), samples::dib_rows32(2, 2, tile, false))).select(1);
    e.box(43, 0, 0, 10, 10);
    e.raw(94, pattern_record(2, huge, Bytes(2048 / 8 * 1024, 0xFF))).select(2);
    e.box(43, 0, 0, 10, 10);
    e.raw(94, pattern_record(3, Bytes(40, 0), {})).select(3);  // a bitmap that does not decode
    e.box(43, 0, 0, 10, 10);
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto fills = canvas.of(Call::Fill);
    ASSERT_EQ(fills.size(), 3u);
    EXPECT_EQ(fills[0]->brush.kind, BrushKind::Pattern);
    ASSERT_TRUE(fills[0]->brush.pattern);
    EXPECT_EQ(fills[0]->brush.pattern->rgba[0], 1);
    for (int i : {1, 2}) {
        EXPECT_EQ(fills[size_t(i)]->brush.kind, BrushKind::Solid);
        EXPECT_EQ(fills[size_t(i)]->brush.colour, (Colour{0, 0, 0}));
    }
}

// ---- Hostile records ----

TEST(MetafileRecords, RecordsPromisingMoreThanTheyHoldAreSkipped) {
    const auto le = [](std::initializer_list<uint32_t> words) {
        Bytes b;
        for (uint32_t w : words)
            for (int i = 0; i < 4; ++i) b.push_back(uint8_t(w >> (8 * i)));
        return b;
    };
    struct Row {
        const char* name;
        uint32_t type;
        Bytes body;
    };
    const Row rows[] = {
        {"polygon of more points than bytes", 86, le({0, 0, 0, 0, 1000, 0x00010001, 0x00020002})},
        {"polygon of 2^30 points", 3, le({0, 0, 0, 0, 0x40000000, 1, 1})},
        {"poly-polygon of 2^32 - 1 polygons", 8, le({0, 0, 0, 0, 0xFFFFFFFF, 3, 3, 0, 0, 1, 1, 2, 2})},
        {"poly-polygon of more points than bytes", 91, le({0, 0, 0, 0, 1, 500, 500, 0x00010001})},
        {"poly-draw of more types than bytes", 56, le({0, 0, 0, 0, 2, 1, 1, 2, 2})},
        {"text whose string lies past the record", 84, le({0, 0, 0, 0, 1, 0, 0, 0, 0, 5, 4000, 0, 0, 0, 0, 0, 0})},
        {"text of 2^31 characters", 84, le({0, 0, 0, 0, 1, 0, 0, 0, 0, 0x80000000, 76, 0, 0, 0, 0, 0, 0})},
        {"region of more rectangles than bytes", 75, le({48, 5, 32, 1, 9999, 16, 0, 0, 1, 1, 0, 0, 1, 1})},
        {"region bigger than its record", 75, le({4096, 5, 32, 1, 1, 16, 0, 0, 1, 1, 0, 0, 1, 1})},
        {"bitmap past the record", 81, le({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4, 80, 40, 120, 64, 0, 0xCC0020, 4, 4})},
        {"user dashes past the record", 95, le({1, 0, 0, 0, 0, 0x10007, 4, 0, 0, 0, 0x10000000, 1})},
        {"font record cut short", 82, le({1, 0xFFFFFFF0, 0, 0})},
        {"world transform cut short", 36, le({0x3F800000, 0, 0})},
        {"arc cut short", 45, le({0, 0, 10, 10, 10})},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EmfBuilder e = square_emf();
        e.raw(r.type, r.body);
        e.select(1);  // the font cut short was never made
        e.box(43, 1, 2, 3, 4);
        NoteCanvas canvas;
        ASSERT_TRUE(play(e.finish(), canvas));
        const auto fills = canvas.of(Call::Fill);
        ASSERT_EQ(fills.size(), 1u);
        expect_box(bbox(fills[0]->path), {1, 2, 3, 4});
        EXPECT_TRUE(canvas.of(Call::Text).empty());
        EXPECT_TRUE(canvas.of(Call::Picture).empty());
        EXPECT_TRUE(canvas.of(Call::Clip).empty());
        EXPECT_EQ(canvas.of(Call::Stroke).size(), 1u);
    }
}

TEST(MetafileRecords, AdvancesPastTheRecordAreDroppedAndTheTextKept) {
    EmfBuilder e = square_emf();
    Bytes body(16 + 12, 0);
    auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) body.push_back(uint8_t(v >> (8 * i)));
    };
    le32(5), le32(6), le32(2), le32(76), le32(0), le32(0), le32(0), le32(0), le32(0), le32(9000);
    body.insert(body.end(), {'h', 0, 'i', 0});
    e.raw(84, body);
    NoteCanvas canvas;
    ASSERT_TRUE(play(e.finish(), canvas));
    const auto t = canvas.of(Call::Text);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0]->run.pieces.size(), 2u);
    EXPECT_TRUE(t[0]->run.advances.empty());
}

TEST(MetafileRecords, DamagedChainsAndHeadersFail) {
    const Bytes good = square_emf().box(43, 0, 0, 5, 5).finish();
    NoteCanvas canvas;
    ASSERT_TRUE(play(good, canvas));
    struct Row {
        const char* name;
        Bytes bytes;
    };
    Bytes tiny = good, huge = good, noEnd(good.begin(), good.end() - 20), shortHeader = good, noBounds = good;
    tiny[108 + 4] = 4;                                                      // a record of four bytes
    huge[108 + 4] = 0xF0, huge[108 + 5] = 0xFF, huge[108 + 6] = 0xFF;      // past the end
    shortHeader[4] = 80;                                                    // header under 88 bytes
    for (size_t i = 8; i < 40; ++i) noBounds[i] = 0;                        // no bounds, no frame
    noBounds[16] = 0xFF, noBounds[17] = 0xFF, noBounds[18] = 0xFF, noBounds[19] = 0xFF;  // right = -1
    for (const Row& r : {Row{"tiny record", tiny}, Row{"record past the end", huge}, Row{"no end record", noEnd},
                         Row{"short header", shortHeader}, Row{"empty bounds and frame", noBounds}}) {
        SCOPED_TRACE(r.name);
        NoteCanvas c;
        EXPECT_FALSE(play(r.bytes, c));
    }
}

TEST(MetafileRecords, WmfParametersComeLastToFirst) {
    WmfBuilder w(0, 0, 100, 100);
    w.record(0x020C, {100, 100});
    w.record(0x0418, {40, 30, 20, 10});                  // ellipse (10, 20)-(30, 40)
    w.record(0x061C, {6, 4, 90, 80, 70, 60});            // round rectangle (60, 70)-(80, 90), corners 4 x 6
    w.poly(0x0324, {{1, 2}, {3, 4}, {5, 6}});            // polygon, points x then y
    w.record(0x0538, {2, 3, 3, 0, 0, 9, 0, 9, 9, 50, 50, 59, 50, 59, 59});  // two triangles
    w.record(0x0214, {7, 8}).record(0x0213, {17, 18});   // move to (8, 7), line to (18, 17)
    w.create_font(-12, 400, "Face");
    w.record(0x012D, {0});
    w.text_out(11, 12, "odd");
    NoteCanvas canvas;
    ASSERT_TRUE(play_wmf(imglib::Bytes(w.finish()), canvas, 100, 100));
    const auto fills = canvas.of(Call::Fill);
    ASSERT_EQ(fills.size(), 4u);
    expect_box(bbox(fills[0]->path), {10, 20, 30, 40});
    expect_box(bbox(fills[1]->path), {60, 70, 80, 90});
    expect_box(bbox(fills[2]->path), {1, 2, 5, 6});
    expect_box(bbox(fills[3]->path), {0, 0, 59, 59});
    const auto strokes = canvas.of(Call::Stroke);
    ASSERT_EQ(strokes.size(), 5u);
    expect_box(bbox(strokes[4]->path), {8, 7, 18, 17});
    const auto t = canvas.of(Call::Text);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0]->run.pieces, (std::vector<std::string>{"o", "d", "d"}));
    EXPECT_NEAR(t[0]->origin.x, 11, 1e-9);
    EXPECT_NEAR(t[0]->origin.y, 12, 1e-9);
    EXPECT_EQ(t[0]->font.face, "Face");
    EXPECT_EQ(t[0]->font.height, 12);
}

TEST(MetafileRecords, WmfRegionsClipAndFill) {
    WmfBuilder w(0, 0, 100, 100);
    w.record(0x020C, {100, 100});
    w.create_brush(0, 0x0000FF);  // slot 0
    // Region (slot 1): one scan from y 10 to 20 with spans 0..5 and 30..40.
    w.record(0x06FF, {0, 6, 0, 0, 40, 1, 14, 0, 10, 40, 20, 4, 10, 20, 0, 5, 30, 40, 4});
    w.record(0x0228, {1, 0});        // fill region 1 with brush 0
    w.record(0x012C, {1});           // clip to it
    w.record(0x041B, {100, 100, 0, 0});
    w.record(0x012C, {7});           // no such region: the clip opens
    w.record(0x041B, {100, 100, 0, 0});
    NoteCanvas canvas;
    ASSERT_TRUE(play_wmf(imglib::Bytes(w.finish()), canvas, 100, 100));
    const auto fills = canvas.of(Call::Fill);
    ASSERT_EQ(fills.size(), 3u);
    EXPECT_EQ(fills[0]->brush.colour, (Colour{255, 0, 0}));
    expect_box(bbox(fills[0]->path), {0, 10, 40, 20});
    const auto clips = canvas.of(Call::Clip);
    ASSERT_EQ(clips.size(), 2u);
    ASSERT_EQ(clips[0]->clip.size(), 1u);
    EXPECT_EQ(clips[0]->clip[0].path.size(), 10u);  // two rectangles
    EXPECT_TRUE(clips[1]->clip.empty());
}

}  // namespace
