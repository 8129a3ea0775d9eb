// Metafiles rendered by the file module, compared with the same shapes drawn
// here directly with cairo and Pango, and probed where a shape, a fill rule,
// a clip or a line of text must (and must not) leave ink.
#include <gtest/gtest.h>

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "platform/imglib/codecs.h"
#include "platform/imglib/metafile_frames.h"
#include "support/metafile_builder.h"

using samples::Bytes;
using samples::EmfBuilder;
using samples::WmfBuilder;

namespace {

struct Raster {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * w + x) * 3]; }
    bool is(int x, int y, uint8_t r, uint8_t g, uint8_t b) const {
        const uint8_t* p = at(x, y);
        return p[0] == r && p[1] == g && p[2] == b;
    }
};

Raster render(const Bytes& file, int w, int h, uint32_t background = 0xFFFFFF) {
    Raster out{w, h, {}};
    uint8_t* rgb = imglib::codec::render_metafile(imglib::Bytes(file), uint32_t(w), uint32_t(h), background);
    if (rgb == nullptr) return Raster{};
    out.rgb.assign(rgb, rgb + size_t(w) * h * 3);
    imglib::GlobalFree(rgb);
    return out;
}

Raster reference(int w, int h, const std::function<void(cairo_t*)>& draw) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    Raster out{w, h, std::vector<uint8_t>(size_t(w) * h * 3)};
    const uint8_t* base = cairo_image_surface_get_data(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t px = reinterpret_cast<const uint32_t*>(base + y * cairo_image_surface_get_stride(s))[x];
            uint8_t* o = &out.rgb[(size_t(y) * w + x) * 3];
            o[0] = uint8_t(px >> 16), o[1] = uint8_t(px >> 8), o[2] = uint8_t(px);
        }
    cairo_surface_destroy(s);
    return out;
}

// Pixels whose channels differ by more than `by`.
size_t pixels_differing(const Raster& a, const Raster& b, int by) {
    size_t n = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        int worst = 0;
        for (size_t c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(a.rgb[i + c]) - int(b.rgb[i + c])));
        if (worst > by) ++n;
    }
    return n;
}

struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool any() const { return right >= 0; }
};

// Where the dark pixels are.
Ink ink(const Raster& r, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
    if (x1 < 0) x1 = r.w;
    if (y1 < 0) y1 = r.h;
    Ink k;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = r.at(x, y);
            if (p[0] < 100 && p[1] < 100 && p[2] < 100) {
                k.left = std::min(k.left, x), k.right = std::max(k.right, x);
                k.top = std::min(k.top, y), k.bottom = std::max(k.bottom, y);
            }
        }
    return k;
}

constexpr const char* kFace = "DejaVu Sans";

// The same Pango set-up as a picture's text: the face at an em in pixels,
// metrics not hinted.
PangoLayout* layout_for(cairo_t* cr, const char* text, double em) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    PangoFontDescription* desc = pango_font_description_from_string(kFace);
    pango_font_description_set_absolute_size(desc, em * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, text, -1);
    return layout;
}

Bytes shapes_emf() {
    EmfBuilder e(0, 0, 199, 149);
    e.create_pen(1, 0, 4, 0x0000FF).select(1);  // red, four units
    e.record(27, {10, 10}).record(54, {190, 10});
    e.select(0x80000008).create_brush(2, 0, 0xFF0000).select(2);  // no pen, blue
    e.poly16(86, {{20, 30}, {80, 30}, {50, 80}});
    e.create_pen(3, 0, 3, 0).select(3).create_brush(4, 0, 0x00FF00).select(4);  // black pen, green
    e.box(42, 100, 30, 180, 90);
    e.create_pen(5, 0, 5, 0xFF00FF).select(5);  // magenta
    e.poly16(85, {{20, 100}, {60, 60}, {100, 140}, {140, 100}});
    e.create_font(6, -20, 400, kFace).select(6).record(18, {1}).record(22, {24});
    e.text(150, 140, "Hi");
    return e.finish();
}

void shapes_reference(cairo_t* cr, double k) {
    cairo_scale(cr, k, k);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_set_line_width(cr, 4);
    cairo_move_to(cr, 10, 10), cairo_line_to(cr, 190, 10), cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_move_to(cr, 20, 30), cairo_line_to(cr, 80, 30), cairo_line_to(cr, 50, 80), cairo_close_path(cr);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 140, 60), cairo_scale(cr, 40, 30), cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 1, 0, 1);
    cairo_set_line_width(cr, 5);
    cairo_move_to(cr, 20, 100), cairo_curve_to(cr, 60, 60, 100, 140, 140, 100), cairo_stroke(cr);
    cairo_identity_matrix(cr);
    PangoLayout* layout = layout_for(cr, "Hi", 20 * k);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, 150 * k, 140 * k - pango_layout_get_baseline(layout) / double(PANGO_SCALE));
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

TEST(MetafileRender, ShapesAndTextMatchTheSameDrawnWithCairo) {
    const Bytes file = shapes_emf();
    for (int k : {1, 2}) {
        SCOPED_TRACE("scale " + std::to_string(k));
        const Raster got = render(file, 200 * k, 150 * k);
        ASSERT_FALSE(got.rgb.empty());
        const Raster want = reference(200 * k, 150 * k, [&](cairo_t* cr) { shapes_reference(cr, k); });
        // Edges of curves may round differently by a shade; nothing more.
        EXPECT_LE(pixels_differing(got, want, 16), size_t(2 * k));
        EXPECT_EQ(pixels_differing(got, want, 64), 0u);
        // And the shapes are where they belong.
        EXPECT_TRUE(got.is(50 * k, 40 * k, 0, 0, 255));
        EXPECT_TRUE(got.is(140 * k, 60 * k, 0, 255, 0));
        EXPECT_TRUE(got.is(100 * k, 10 * k, 255, 0, 0));
        const Ink text = ink(got, 145 * k, 110 * k, 200 * k, 150 * k);
        ASSERT_TRUE(text.any());
        EXPECT_NEAR(text.bottom, 140 * k - 1, 1);  // standing on the baseline
    }
}

TEST(MetafileRender, TheSamePictureAsWmfAndAsEmfIsTheSame) {
    EmfBuilder e(0, 0, 199, 149);
    e.create_pen(1, 0, 3, 0x0000FF).select(1).create_brush(2, 0, 0x00FF00).select(2);
    e.box(43, 10, 10, 60, 50).box(42, 70, 10, 150, 70);
    e.poly16(86, {{10, 80}, {90, 80}, {50, 140}});
    e.poly16(87, {{100, 100}, {190, 140}, {120, 140}});
    e.create_font(3, -24, 700, kFace).select(3).record(18, {1});
    e.text(100, 80, "Wm");
    WmfBuilder w(0, 0, 200, 150);
    w.record(0x020C, {150, 200});
    w.create_pen(0, 3, 0x0000FF).record(0x012D, {0}).create_brush(0, 0x00FF00).record(0x012D, {1});
    w.record(0x041B, {50, 60, 10, 10}).record(0x0418, {70, 150, 10, 70});
    w.poly(0x0324, {{10, 80}, {90, 80}, {50, 140}});
    w.poly(0x0325, {{100, 100}, {190, 140}, {120, 140}});
    w.create_font(-24, 700, kFace).record(0x012D, {2}).record(0x0102, {1});
    w.text_out(100, 80, "Wm");
    const Raster a = render(e.finish(), 200, 150), b = render(w.finish(), 200, 150);
    ASSERT_FALSE(a.rgb.empty());
    ASSERT_FALSE(b.rgb.empty());
    EXPECT_EQ(a.rgb, b.rgb);
    EXPECT_TRUE(ink(a, 100, 70, 200, 100).any());
}

TEST(MetafileRender, TextStandsWhereItsAlignmentSays) {
    struct Row {
        const char* name;
        uint32_t align;
        int escapement;
        std::function<void(const Ink&)> check;
    };
    const int x = 100, y = 100, em = 40;
    const Row rows[] = {
        {"top left", 0, 0, [&](const Ink& k) {
             EXPECT_GE(k.top, y); EXPECT_LE(k.top, y + em / 2); EXPECT_GE(k.left, x); EXPECT_LE(k.left, x + 8);
         }},
        {"baseline", 24, 0, [&](const Ink& k) { EXPECT_NEAR(k.bottom, y - 1, 1); EXPECT_LT(k.top, y - em / 2); }},
        {"bottom", 8, 0, [&](const Ink& k) { EXPECT_LE(k.bottom, y - 4); EXPECT_GE(k.bottom, y - em / 2); }},
        {"centre", 24 | 6, 0, [&](const Ink& k) { EXPECT_NEAR((k.left + k.right) / 2.0, x, 2); }},
        {"right", 24 | 2, 0, [&](const Ink& k) { EXPECT_LE(k.right, x); EXPECT_GE(k.right, x - 8); }},
        // A quarter turn counter-clockwise: the baseline runs up from the
        // origin and the letters stand to its left.
        {"turned", 24, 900, [&](const Ink& k) {
             EXPECT_LE(k.bottom, y); EXPECT_GE(k.bottom, y - 8); EXPECT_LE(k.right, x); EXPECT_LT(k.left, x - em / 2);
             EXPECT_GT(k.bottom - k.top, k.right - k.left);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EmfBuilder e(0, 0, 199, 199);
        e.create_font(1, -em, 400, kFace, r.escapement).select(1).record(18, {1}).record(22, {r.align});
        e.text(x, y, "HH");
        const Raster got = render(e.finish(), 200, 200);
        const Ink k = ink(got);
        ASSERT_TRUE(k.any());
        r.check(k);
    }
}

TEST(MetafileRender, TextReadsTheRightWayWhereLogicalYRunsUp) {
    // Tenths of a millimetre at four pixels a millimetre: y up, 0.4 pixel a unit.
    EmfBuilder e(0, 0, 199, 199, 16, 4.0);
    e.record(17, {2});
    e.create_font(1, -100, 400, kFace).select(1).record(18, {1}).record(22, {24});
    e.text(100, -400, "L");  // baseline at canvas y 160
    const Raster got = render(e.finish(), 200, 200);
    const Ink k = ink(got);
    ASSERT_TRUE(k.any());
    EXPECT_NEAR(k.bottom, 159, 1);
    EXPECT_GT(k.bottom - k.top, 20);  // 40 pixels of em: the font scaled with the map
    // The foot of the L runs right along the bottom; its stem is on the left.
    const Ink foot = ink(got, 0, k.bottom, 200, k.bottom + 1), top = ink(got, 0, k.top, 200, k.top + 1);
    EXPECT_GT(foot.right - foot.left, 2 * (top.right - top.left));
    EXPECT_NEAR(top.left, foot.left, 1);
}

TEST(MetafileRender, AdvancesBackgroundsAndClipsOfTextRuns) {
    EmfBuilder e(0, 0, 199, 99);
    e.create_font(1, -30, 400, kFace).select(1).record(22, {24});
    e.record(18, {1});
    e.text(10, 40, "II", 0, {80, 30});  // the second I stands 80 units after the first
    e.record(25, {0x0000FF});
    e.text(10, 90, "I", 0x2, {}, 150, 60, 190, 95);  // opaque rectangle: red
    e.text(150, 40, "WWW", 0x4, {}, 150, 0, 165, 99);   // clipped at x 165
    e.record(18, {2});                                  // opaque background mode
    e.text(60, 90, "-");
    const Raster got = render(e.finish(), 200, 100);
    const Ink first = ink(got, 0, 0, 50, 50), second = ink(got, 50, 0, 140, 50);
    ASSERT_TRUE(first.any());
    ASSERT_TRUE(second.any());
    EXPECT_NEAR(second.left - first.left, 80, 1);
    EXPECT_TRUE(got.is(185, 65, 255, 0, 0));
    const Ink clipped = ink(got, 140, 0, 200, 50);
    ASSERT_TRUE(clipped.any());
    EXPECT_LE(clipped.right, 164);
    // Around the dash, inside its line's box, the background colour.
    EXPECT_TRUE(got.is(62, 70, 255, 0, 0));
}

TEST(MetafileRender, FillRulesHatchesPatternsClipsAndDashes) {
    const std::vector<std::pair<int, int>> star = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
    EmfBuilder e(0, 0, 399, 199);
    e.select(0x80000008).select(0x80000004);  // no pen, black brush
    e.poly16(86, star);                       // alternate: the middle stays empty
    e.record(19, {2});
    e.record(58, {10});
    e.raw(86, [&] {  // the star moved right, winding: the middle is filled
        Bytes body(16, 0);
        body.insert(body.end(), {5, 0, 0, 0});
        for (auto [sx, sy] : star)
            body.insert(body.end(), {uint8_t(sx + 100), 0, uint8_t(sy), 0});
        return body;
    }());
    // Cross hatch in red over a green background; then over nothing.
    e.create_brush(1, 2, 0x0000FF, 4).select(1).record(25, {0x00FF00});
    e.box(43, 200, 0, 264, 64);
    e.record(18, {1});
    e.box(43, 300, 0, 364, 64);
    // A two-by-two checker pattern brush.
    const Bytes checker = {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
    Bytes body;
    auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) body.push_back(uint8_t(v >> (8 * i)));
    };
    const Bytes info = samples::dib_info(2, 2, 32), rows = samples::dib_rows32(2, 2, checker, false);
    le32(2), le32(0), le32(32), le32(uint32_t(info.size())), le32(32 + uint32_t(info.size())),
        le32(uint32_t(rows.size()));
    body.insert(body.end(), info.begin(), info.end());
    body.insert(body.end(), rows.begin(), rows.end());
    e.raw(94, body).select(2);
    e.box(43, 0, 100, 40, 140);
    // Clipped to a circle, a square fill leaves its corners alone.
    e.record(33, {});
    e.record(59, {}).box(42, 100, 100, 180, 180).record(60, {}).record(67, {5});
    e.select(0x80000004).box(43, 100, 100, 180, 180);
    e.record(34, {-1});
    // A dashed one-pixel line, and one with the hollow pen.
    e.create_pen(3, 1, 1, 0).select(3);
    e.poly16(87, {{200, 150}, {390, 150}});
    e.select(0x80000008).poly16(87, {{200, 170}, {390, 170}});
    const Raster got = render(e.finish(), 400, 200);
    ASSERT_FALSE(got.rgb.empty());
    EXPECT_TRUE(got.is(50, 45, 255, 255, 255));  // alternate
    EXPECT_TRUE(got.is(150, 45, 0, 0, 0));       // winding
    EXPECT_TRUE(got.is(50, 20, 0, 0, 0));        // a point of the star
    int red = 0, green = 0, white = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            red += got.is(200 + x, y, 255, 0, 0) + got.is(300 + x, y, 255, 0, 0);
            green += got.is(200 + x, y, 0, 255, 0);
            white += got.is(300 + x, y, 255, 255, 255);
        }
    // Each 8 x 8 cell of a cross hatch has 15 line pixels of 64.
    EXPECT_EQ(red, 2 * 64 * 15);
    EXPECT_EQ(green, 64 * 49);
    EXPECT_EQ(white, 64 * 49);
    for (int y = 100; y < 140; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(got.at(x, y)[0], ((x + y) % 2 == 0) ? 0 : 255) << x << "," << y;
    EXPECT_TRUE(got.is(140, 140, 0, 0, 0));
    EXPECT_TRUE(got.is(102, 102, 255, 255, 255));
    EXPECT_TRUE(got.is(178, 178, 255, 255, 255));
    int dark = 0;
    for (int x = 200; x < 390; ++x) dark += got.at(x, 150)[0] < 100;
    EXPECT_GT(dark, 100);  // dashes of 18 and gaps of 6
    EXPECT_LT(dark, 170);
    EXPECT_FALSE(ink(got, 200, 160, 400, 180).any());
}

TEST(MetafileRender, BackgroundSizeAndMappingOfTheReadingCall) {
    // A 50 x 50 device-pixel picture of one rectangle, read at 100 x 40 over blue.
    EmfBuilder e(0, 0, 49, 49);
    e.select(0x80000008).select(0x80000004).box(43, 25, 0, 50, 25);
    const Raster got = render(e.finish(), 100, 40, 0xFF0000);
    ASSERT_EQ(got.w, 100);
    EXPECT_TRUE(got.is(10, 30, 0, 0, 255));
    EXPECT_TRUE(got.is(49, 19, 0, 0, 255));
    EXPECT_TRUE(got.is(50, 0, 0, 0, 0));
    EXPECT_TRUE(got.is(99, 19, 0, 0, 0));
    EXPECT_TRUE(got.is(99, 20, 0, 0, 255));
}

// A picture wider than one canvas is played tile by tile: across the tile
// seams it is the same picture as one played onto a single canvas.
TEST(MetafileRender, WidePicturesJoinAcrossTiles) {
    const auto drawing = [](int dx, int width) {
        EmfBuilder e(0, 0, width - 1, 299);
        e.create_pen(1, 0, 5, 0x0000FF).select(1).create_brush(2, 2, 0xFF0000, 5).select(2).record(18, {1});
        e.box(43, 16000 + dx, 20, 16800 + dx, 120);   // across the first seam
        e.box(42, 16300 + dx, 150, 16500 + dx, 290);
        e.create_font(3, -60, 400, kFace).select(3).record(22, {24});
        e.text(16330 + dx, 250, "Seam");
        return e.finish();
    };
    constexpr int kWide = 40000, kShift = -15904;  // a whole number of hatch cells
    const Raster wide = render(drawing(0, kWide), kWide, 300);
    const Raster narrow = render(drawing(kShift, 1000), 1000, 300);
    ASSERT_FALSE(wide.rgb.empty());
    ASSERT_FALSE(narrow.rgb.empty());
    int worst = 0, differing = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 1000; ++x) {
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(int(wide.at(x - kShift, y)[c]) - int(narrow.at(x, y)[c])));
            differing += d > 0;
            worst = std::max(worst, d);
        }
    // Glyph edges may round a shade apart where a tile cuts a word.
    EXPECT_LE(worst, 2);
    EXPECT_LE(differing, 20);
    EXPECT_TRUE(ink(narrow, 470, 200, 520, 260).any());  // the text stands on the seam
}

// Drawings of most record kinds, whole and with every byte changed in turn
// and random bytes sprinkled in: each reading gives a picture or nothing,
// never a fault (the sanitizer build watches).
// A map that squeezes text along one axis makes the glyph rasteriser size
// the face along the other: such text is left out before it reaches the
// rasteriser, whose failure on it loses memory.
TEST(MetafileRender, TextSqueezedPastWhatGlyphsCanBeIsLeftOut) {
    using imglib::metafile::Affine;
    imglib::metafile::TextRun run;
    run.pieces = {"H"};
    const imglib::metafile::Font font;
    imglib::metafile::TextFrame tf;
    // Twice as tall, half as wide: areas kept, axes 2 and 1/2, aspect 4.
    ASSERT_TRUE(imglib::metafile::text_frame(run, font, Affine{0.5, 0, 0, 2, 0, 0}, tf));
    EXPECT_DOUBLE_EQ(tf.scale, 1);
    EXPECT_DOUBLE_EQ(tf.stretch, 2);
    EXPECT_DOUBLE_EQ(tf.aspect, 4);
    EXPECT_TRUE(imglib::metafile::text_drawable(4096, tf));
    EXPECT_FALSE(imglib::metafile::text_drawable(4097, tf));
    EXPECT_FALSE(imglib::metafile::text_drawable(0.49, tf));
    // Turned a quarter and scaled alike: aspect 1, the bound is the em's own.
    ASSERT_TRUE(imglib::metafile::text_frame(run, font, Affine{0, 3, -3, 0, 0, 0}, tf));
    EXPECT_NEAR(tf.aspect, 1, 1e-12);
    EXPECT_TRUE(imglib::metafile::text_drawable(16384, tf));
    EXPECT_FALSE(imglib::metafile::text_drawable(16385, tf));

    const auto squeezed = [](float narrow) {
        EmfBuilder e(0, 0, 199, 199);
        e.world(narrow, 0, 0, 1 / narrow, 100, 0);
        e.create_font(1, -40, 400, kFace).select(1).record(18, {1}).record(22, {0});
        e.text(0, 0, "HHHH");
        return e.finish();
    };
    // A third as wide and three times as tall: drawn, and taller.
    const Ink plain = ink(render(squeezed(1), 200, 200)), modest = ink(render(squeezed(1 / 3.f), 200, 200));
    ASSERT_TRUE(plain.any());
    ASSERT_TRUE(modest.any());
    EXPECT_GT(modest.bottom - modest.top, 2 * (plain.bottom - plain.top));
    // Two hundred times as tall: the face would be sized past any glyph.
    const Raster thin = render(squeezed(1 / 200.f), 200, 200);
    ASSERT_FALSE(thin.rgb.empty());
    EXPECT_FALSE(ink(thin).any());
}

TEST(MetafileRender, DamagedRichFilesNeverFault) {
    const std::vector<Bytes> files = {samples::emf_gallery(), samples::wmf_gallery()};
    std::mt19937 rng(1807);
    int drawn = 0;
    for (const Bytes& original : files) {
        const Raster whole = render(original, 200, 150);
        ASSERT_FALSE(whole.rgb.empty());
        EXPECT_GT(std::count(whole.rgb.begin(), whole.rgb.end(), 255), 0);
        EXPECT_LT(std::count(whole.rgb.begin(), whole.rgb.end(), 255), long(whole.rgb.size()) * 9 / 10);
        for (size_t i = 0; i < original.size(); ++i) {
            Bytes b = original;
            b[i] = uint8_t(b[i] ^ (1u << (i % 8)) ^ 0x80);
            const Raster r = render(b, 24, 24);
            drawn += !r.rgb.empty();
        }
        for (int round = 0; round < 300; ++round) {
            Bytes b = original;
            for (int n = 0; n < 4; ++n) b[rng() % b.size()] = uint8_t(rng());
            drawn += !render(b, 24, 24).rgb.empty();
        }
    }
    EXPECT_GT(drawn, 0);
}

}  // namespace
