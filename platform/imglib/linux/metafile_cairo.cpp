// The metafile canvas drawn with cairo, text laid out by Pango.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/imglib/metafile_canvas.h"
#include "platform/imglib/metafile_frames.h"

namespace imglib::metafile {

namespace {

// The largest side of a cairo image surface.
constexpr uint32_t kMaxSurfaceSide = 32767;
// Dash patterns with more repeats than this along a path are drawn solid:
// they would cost far more than the picture is worth.
constexpr double kMaxDashRepeats = 200000;

cairo_matrix_t cairo_of(const Affine& m) { return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0}; }

void add_path(cairo_t* cr, const Path& path, const Affine& m = Affine{}) {
    for (const PathOp& op : path) {
        const Point a = m.apply(op.p[0]);
        switch (op.kind) {
            case PathOp::Move: cairo_move_to(cr, a.x, a.y); break;
            case PathOp::Line:
                if (cairo_has_current_point(cr)) cairo_line_to(cr, a.x, a.y);
                else cairo_move_to(cr, a.x, a.y);
                break;
            case PathOp::Curve: {
                const Point b = m.apply(op.p[1]), c = m.apply(op.p[2]);
                if (!cairo_has_current_point(cr)) cairo_move_to(cr, a.x, a.y);
                cairo_curve_to(cr, a.x, a.y, b.x, b.y, c.x, c.y);
                break;
            }
            case PathOp::Close: cairo_close_path(cr); break;
        }
    }
}

void set_colour(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

cairo_fill_rule_t fill_rule(FillRule r) {
    return r == FillRule::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
}

uint32_t argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

// The picture as a cairo surface: opaque, premultiplied with its alpha, or
// keyed (alpha 0 leaves the pixel out). Null when cairo cannot hold it.
cairo_surface_t* surface_of(const Picture& pic) {
    if (pic.width == 0 || pic.height == 0 || pic.width > kMaxSurfaceSide || pic.height > kMaxSurfaceSide ||
        pic.rgba.size() < size_t(pic.width) * pic.height * 4)
        return nullptr;
    const bool alpha = pic.premultiplied || pic.keyed;
    cairo_surface_t* s =
        cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, int(pic.width), int(pic.height));
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    uint8_t* base = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (uint32_t y = 0; y < pic.height; ++y) {
        const uint8_t* in = pic.rgba.data() + size_t(y) * pic.width * 4;
        auto* out = reinterpret_cast<uint32_t*>(base + size_t(y) * size_t(stride));
        for (uint32_t x = 0; x < pic.width; ++x, in += 4) {
            if (pic.keyed) {
                out[x] = in[3] == 0 ? 0 : argb(255, in[0], in[1], in[2]);
            } else if (pic.premultiplied) {
                // Colour above its alpha is not a premultiplied colour: held to it.
                const uint8_t a = in[3];
                out[x] = argb(a, std::min(in[0], a), std::min(in[1], a), std::min(in[2], a));
            } else {
                out[x] = argb(255, in[0], in[1], in[2]);
            }
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

// The 8 x 8 cell of a hatch: its lines in the brush colour, the rest clear.
cairo_surface_t* hatch_cell(Hatch hatch, Colour c) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return s;
    cairo_surface_flush(s);
    uint8_t* base = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const uint32_t ink = argb(255, c.r, c.g, c.b);
    for (int y = 0; y < 8; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(base + y * stride);
        for (int x = 0; x < 8; ++x) {
            const bool h = y == 7, v = x == 7, fwd = x == y, back = x + y == 7;
            bool on = false;
            switch (hatch) {
                case Hatch::Horizontal: on = h; break;
                case Hatch::Vertical: on = v; break;
                case Hatch::ForwardDiagonal: on = fwd; break;
                case Hatch::BackwardDiagonal: on = back; break;
                case Hatch::Cross: on = h || v; break;
                case Hatch::DiagonalCross: on = fwd || back; break;
            }
            row[x] = on ? ink : 0;
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

void set_tiled_source(cairo_t* cr, cairo_surface_t* s) {
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_pattern_t* p = cairo_get_source(cr);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(p, CAIRO_FILTER_NEAREST);
}

// Dash lengths of the standard styles, in units of the pen's width; thin
// pens use the longer pixel patterns of one-pixel lines.
std::vector<double> dash_pattern(LineStyle style, bool thin) {
    switch (style) {
        case LineStyle::Dash: return thin ? std::vector<double>{18, 6} : std::vector<double>{3, 1};
        case LineStyle::Dot: return thin ? std::vector<double>{3, 3} : std::vector<double>{1, 1};
        case LineStyle::DashDot: return thin ? std::vector<double>{9, 6, 3, 6} : std::vector<double>{3, 1, 1, 1};
        case LineStyle::DashDotDot:
            return thin ? std::vector<double>{9, 3, 3, 3, 3, 3} : std::vector<double>{3, 1, 1, 1, 1, 1};
        default: return {};
    }
}

class CairoCanvas final : public Canvas {
public:
    CairoCanvas(cairo_surface_t* surface, uint32_t width, uint32_t height)
        : surface_(surface), width_(width), height_(height) {
        reset_context();
    }
    ~CairoCanvas() override {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    void set_clip(const Clip& clip) override {
        clip_ = clip;
        apply_clip();
    }

    void fill(const Path& path, const Affine& m, FillRule rule, const Brush& brush) override {
        if (path.empty() || brush.kind == BrushKind::None || !m.usable() || !path_in_reach(path, m)) return;
        cairo_save(cr_);
        cairo_new_path(cr_);
        add_path(cr_, path, m);
        cairo_set_fill_rule(cr_, fill_rule(rule));
        paint_brush(brush);
        cairo_restore(cr_);
        recover();
    }

    void stroke(const Path& path, const Affine& m, const Pen& pen) override {
        if (path.empty() || pen.style == LineStyle::None || !m.usable() || !path_in_reach(path, m)) return;
        const double scale = std::sqrt(std::fabs(m.determinant()));
        const double pixels = pen.width * scale;
        const bool thin = !(pixels > 1.5);
        cairo_save(cr_);
        cairo_new_path(cr_);
        double unit;  // canvas pixels per user unit of the stroke
        if (thin) {
            // One-pixel lines go through pixel centres, so that a line on
            // whole device coordinates covers one row of pixels, not two halves.
            add_path(cr_, path, m.then(Affine::translation(0.5, 0.5)));
            cairo_set_line_width(cr_, 1);
            unit = 1;
        } else {
            const cairo_matrix_t cm = cairo_of(m);
            cairo_set_matrix(cr_, &cm);
            add_path(cr_, path);
            // Wider than the canvas's diagonal covers it anyway.
            const double most = 2 * std::hypot(double(width_), double(height_)) + 2;
            cairo_set_line_width(cr_, std::min(pen.width, most / scale));
            unit = scale;
        }
        cairo_set_line_cap(cr_, pen.cap == LineCap::Flat     ? CAIRO_LINE_CAP_BUTT
                                : pen.cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                             : CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr_, pen.join == LineJoin::Bevel   ? CAIRO_LINE_JOIN_BEVEL
                                 : pen.join == LineJoin::Miter ? CAIRO_LINE_JOIN_MITER
                                                               : CAIRO_LINE_JOIN_ROUND);
        cairo_set_miter_limit(cr_, pen.miterLimit);
        set_dashes(path, m, pen, thin, unit);
        set_colour(cr_, pen.colour);
        cairo_stroke(cr_);
        cairo_restore(cr_);
        recover();
    }

    void draw_picture(const Picture& pic, double sx, double sy, double scx, double scy, double x, double y, double cx,
                      double cy, const Affine& m, bool smooth, double opacity) override {
        PicturePlacement placed;
        if (!place_picture(pic, sx, sy, scx, scy, x, y, cx, cy, m, placed)) return;
        const Affine& full = placed.full;
        const double x0 = placed.x0, y0 = placed.y0, x1 = placed.x1, y1 = placed.y1;
        cairo_surface_t* s = surface_of(pic);
        if (s == nullptr) return;
        cairo_save(cr_);
        const cairo_matrix_t cm = cairo_of(full);
        cairo_set_matrix(cr_, &cm);
        cairo_new_path(cr_);
        cairo_rectangle(cr_, x0, y0, x1 - x0, y1 - y0);
        cairo_set_source_surface(cr_, s, 0, 0);
        cairo_pattern_t* p = cairo_get_source(cr_);
        cairo_pattern_set_filter(p, smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
        cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
        if (opacity < 1) {
            cairo_clip(cr_);
            cairo_paint_with_alpha(cr_, std::max(0.0, opacity));
        } else {
            cairo_fill(cr_);
        }
        cairo_restore(cr_);
        cairo_surface_destroy(s);
        recover();
    }

    double draw_text(const TextRun& run, const Font& font, const Affine& m) override;

    void copy_rgb(uint8_t* rgb, size_t strideBytes) const override {
        cairo_surface_flush(surface_);
        const uint8_t* base = cairo_image_surface_get_data(surface_);
        const int stride = cairo_image_surface_get_stride(surface_);
        for (uint32_t y = 0; y < height_; ++y) {
            const auto* in = reinterpret_cast<const uint32_t*>(base + size_t(y) * size_t(stride));
            uint8_t* out = rgb + y * strideBytes;
            for (uint32_t x = 0; x < width_; ++x, out += 3) {
                out[0] = uint8_t(in[x] >> 16);
                out[1] = uint8_t(in[x] >> 8);
                out[2] = uint8_t(in[x]);
            }
        }
    }

private:
    // A context in an error state ignores everything after; a fresh one on
    // the same surface carries on with the clip re-applied.
    void recover() {
        if (cairo_status(cr_) == CAIRO_STATUS_SUCCESS) return;
        cairo_destroy(cr_);
        reset_context();
        apply_clip();
    }

    void reset_context() {
        cr_ = cairo_create(surface_);
        cairo_save(cr_);  // the unclipped state each clip starts from
    }

    void apply_clip() {
        cairo_restore(cr_);
        cairo_save(cr_);
        for (const ClipShape& shape : clip_) {
            if (!path_in_reach(shape.path, Affine{})) continue;  // cannot be drawn: no narrower than the canvas
            cairo_new_path(cr_);
            add_path(cr_, shape.path);
            if (shape.outside) {
                cairo_rectangle(cr_, -2, -2, double(width_) + 4, double(height_) + 4);
                cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
            } else {
                cairo_set_fill_rule(cr_, fill_rule(shape.rule));
            }
            cairo_clip(cr_);
        }
        cairo_new_path(cr_);
        if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
            cairo_destroy(cr_);
            reset_context();
        }
    }

    // Fills the current path (already in canvas pixels) with the brush.
    void paint_brush(const Brush& brush) {
        switch (brush.kind) {
            case BrushKind::Solid:
                set_colour(cr_, brush.colour);
                cairo_fill(cr_);
                break;
            case BrushKind::Hatch: {
                if (brush.opaqueBackground) {
                    set_colour(cr_, brush.background);
                    cairo_fill_preserve(cr_);
                }
                cairo_surface_t* cell = hatch_cell(brush.hatch, brush.colour);
                set_tiled_source(cr_, cell);
                cairo_fill(cr_);
                cairo_surface_destroy(cell);
                break;
            }
            case BrushKind::Pattern: {
                cairo_surface_t* tile = brush.pattern ? surface_of(*brush.pattern) : nullptr;
                if (tile == nullptr) {
                    set_colour(cr_, brush.colour);
                    cairo_fill(cr_);
                    break;
                }
                set_tiled_source(cr_, tile);
                cairo_fill(cr_);
                cairo_surface_destroy(tile);
                break;
            }
            case BrushKind::None: break;
        }
    }

    void set_dashes(const Path& path, const Affine& m, const Pen& pen, bool thin, double unit) {
        std::vector<double> dashes;
        if (pen.style == LineStyle::User) {
            for (double d : pen.dashes) dashes.push_back(thin ? d * std::sqrt(std::fabs(m.determinant())) : d);
        } else {
            dashes = dash_pattern(pen.style, thin);
            if (!thin)
                for (double& d : dashes) d *= pen.width;
        }
        double period = 0;
        for (double d : dashes) period += d;
        if (dashes.empty() || !std::isfinite(period) || period * unit < 1) return;  // solid
        if (canvas_length(path, m) / (period * unit) > kMaxDashRepeats) return;
        cairo_set_dash(cr_, dashes.data(), int(dashes.size()), 0);
    }

    cairo_surface_t* surface_;
    cairo_t* cr_ = nullptr;
    uint32_t width_, height_;
    Clip clip_;
};

// The share of a face's em in its character cell (ascent plus descent),
// measured at a plain scale; 1 when the face has no metrics.
double em_per_cell(const PangoFontDescription* face) {
    constexpr double kProbe = 100;
    PangoFontDescription* desc = pango_font_description_copy(face);
    pango_font_description_set_absolute_size(desc, kProbe * PANGO_SCALE);
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoFontMetrics* metrics = pango_context_get_metrics(context, desc, nullptr);
    const double cell =
        double(pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics)) / PANGO_SCALE;
    pango_font_metrics_unref(metrics);
    g_object_unref(context);
    pango_font_description_free(desc);
    return cell > 0 ? kProbe / cell : 1;
}

PangoFontDescription* font_description(const Font& font) {
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, font.face.empty() ? "Sans" : font.face.c_str());
    pango_font_description_set_weight(desc, PangoWeight(std::clamp(font.weight, 100, 1000)));
    pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return desc;
}

// A layout for the context's current matrix with the face at `em` pixels.
PangoLayout* text_layout(cairo_t* cr, PangoFontDescription* desc, const Font& font, double em) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    cairo_font_options_t* options = cairo_font_options_create();
    // Unhinted metrics: a run is as wide at every scale, so placement
    // follows the map and not the pixel grid.
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_font_description_set_absolute_size(desc, em * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.underline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.strikeout) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    return layout;
}

// Shows the run in the text frame (the context's matrix) with its
// alignment and background; its advance in frame pixels, or -1 when it is
// too wide to place.
double show_run(cairo_t* cr, PangoLayout* layout, const TextRun& run, double scale) {
    const bool spaced = !run.advances.empty() && run.advances.size() == run.pieces.size();
    std::string whole;
    for (const std::string& p : run.pieces) whole += p;
    // The run's box: its width and the line's ascent and descent.
    pango_layout_set_text(layout, whole.empty() ? " " : whole.c_str(), -1);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double baseline = pango_layout_get_baseline(layout) / double(PANGO_SCALE);
    const double height = logical.height / double(PANGO_SCALE);
    double width = whole.empty() ? 0 : logical.width / double(PANGO_SCALE);
    if (spaced) {
        width = 0;
        for (double a : run.advances) width += a * scale;
    }
    if (!std::isfinite(width) || std::fabs(width) > kReach) return -1;
    const double left = run.halign == TextHAlign::Centre ? -width / 2 : run.halign == TextHAlign::Right ? -width : 0;
    const double top = run.valign == TextVAlign::Baseline ? -baseline
                       : run.valign == TextVAlign::Bottom ? -height
                                                          : 0;
    if (run.opaqueBackground) {
        cairo_new_path(cr);
        cairo_rectangle(cr, left, top, width, height);
        set_colour(cr, run.background);
        cairo_fill(cr);
    }
    set_colour(cr, run.colour);
    if (!spaced) {
        cairo_move_to(cr, left, top);
        if (!whole.empty()) pango_cairo_show_layout(cr, layout);
        return width;
    }
    double x = left;
    for (size_t i = 0; i < run.pieces.size(); ++i) {
        if (!run.pieces[i].empty()) {
            pango_layout_set_text(layout, run.pieces[i].c_str(), -1);
            cairo_move_to(cr, x, top);
            pango_cairo_show_layout(cr, layout);
        }
        x += run.advances[i] * scale;
    }
    return width;
}

double CairoCanvas::draw_text(const TextRun& run, const Font& font, const Affine& m) {
    TextFrame tf;
    if (!(font.height > 0) || !std::isfinite(font.height) || !text_frame(run, font, m, tf)) return 0;
    PangoFontDescription* desc = font_description(font);
    double em = font.height * tf.scale;
    if (font.cellHeight) em *= em_per_cell(desc);
    double advance = 0;
    if (text_drawable(em, tf)) {
        cairo_save(cr_);
        if (run.clipped) {
            const cairo_matrix_t lm = cairo_of(m);
            cairo_set_matrix(cr_, &lm);
            cairo_new_path(cr_);
            const Point a = run.clipRect[0], b = run.clipRect[1];
            cairo_rectangle(cr_, std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
            cairo_clip(cr_);
        }
        const cairo_matrix_t cm = cairo_of(tf.frame);
        cairo_set_matrix(cr_, &cm);
        PangoLayout* layout = text_layout(cr_, desc, font, em);
        const double width = show_run(cr_, layout, run, tf.scale);
        if (width >= 0) advance = width / tf.scale;
        g_object_unref(layout);
        cairo_restore(cr_);
        recover();
    }
    pango_font_description_free(desc);
    return advance;
}

}  // namespace

std::unique_ptr<Canvas> make_canvas(uint32_t width, uint32_t height, Colour background) {
    if (width == 0 || height == 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(width), int(height));
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_t* cr = cairo_create(s);
    set_colour(cr, background);
    cairo_paint(cr);
    cairo_destroy(cr);
    return std::make_unique<CairoCanvas>(s, width, height);
}

}  // namespace imglib::metafile
