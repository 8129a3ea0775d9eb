// Text as coverage: laid out and shaped by Pango, fonts found and fallen
// back on by fontconfig, drawn by cairo.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/imglib/linux/coverage_tiles.h"
#include "platform/imglib/render2d.h"

namespace imglib::render2d {

namespace {

struct GObjectUnref {
    void operator()(gpointer p) const noexcept { g_object_unref(p); }
};
struct FontDescriptionFree {
    void operator()(PangoFontDescription* d) const noexcept { pango_font_description_free(d); }
};
struct AttrListUnref {
    void operator()(PangoAttrList* l) const noexcept { pango_attr_list_unref(l); }
};
struct FontOptionsDestroy {
    void operator()(cairo_font_options_t* o) const noexcept { cairo_font_options_destroy(o); }
};
struct FontMetricsUnref {
    void operator()(PangoFontMetrics* m) const noexcept { pango_font_metrics_unref(m); }
};
using ContextPtr = std::unique_ptr<PangoContext, GObjectUnref>;
using LayoutPtr = std::unique_ptr<PangoLayout, GObjectUnref>;
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, FontDescriptionFree>;
using AttrListPtr = std::unique_ptr<PangoAttrList, AttrListUnref>;
using FontOptionsPtr = std::unique_ptr<cairo_font_options_t, FontOptionsDestroy>;
using FontMetricsPtr = std::unique_ptr<PangoFontMetrics, FontMetricsUnref>;

// Glyphs up to this size are drawn from the glyph cache; larger ones are
// filled as outlines, so a huge glyph never becomes a huge bitmap.
constexpr double kLargestCachedGlyph = 256;

// Pango counts in 1/1024 pixel in 32-bit integers, so a line must stay well
// under two million pixels: the text is cut where bytes * size passes this.
constexpr double kLongestText = 1e6;

// Pixels of room around the layout's extents for hinting and overhangs.
constexpr int64_t kInkMargin = 2;

ContextPtr text_context(bool smooth) {
    ContextPtr context(pango_font_map_create_context(pango_cairo_font_map_get_default()));
    FontOptionsPtr options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    // Advances at their true widths, so the layout does not change with the place it is drawn at.
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context.get(), options.get());
    return context;
}

FontDescriptionPtr font_description(PangoContext* context, const FontChoice& font) {
    FontDescriptionPtr d(pango_font_description_new());
    pango_font_description_set_family(d.get(), font.families.c_str());
    pango_font_description_set_weight(d.get(), PangoWeight(std::clamp(font.weight, 100, 1000)));
    pango_font_description_set_style(d.get(), font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    double size = std::clamp(font.pixelSize, 1.0, kMaxFontPixels);
    pango_font_description_set_absolute_size(d.get(), size * PANGO_SCALE);
    if (font.cellHeight) {
        // A cell height is ascent plus descent: scale the size to it.
        FontMetricsPtr m(pango_context_get_metrics(context, d.get(), nullptr));
        const double cell = double(pango_font_metrics_get_ascent(m.get()) + pango_font_metrics_get_descent(m.get())) /
                            PANGO_SCALE;
        if (cell > 0) size = std::clamp(size * size / cell, 1.0, kMaxFontPixels);
        pango_font_description_set_absolute_size(d.get(), size * PANGO_SCALE);
    }
    return d;
}

// The longest prefix of whole characters whose byte count times the size stays within reach.
std::string_view reachable_text(std::string_view utf8, double size) {
    const size_t limit = size_t(std::max(64.0, kLongestText / size));
    if (utf8.size() <= limit) return utf8;
    size_t end = limit;
    while (end > 0 && (uint8_t(utf8[end]) & 0xC0) == 0x80) --end;  // not inside a character
    return utf8.substr(0, end);
}

}  // namespace

bool text(const Rect& clip, const FontChoice& font, std::string_view utf8, int64_t x, int64_t y, bool smooth,
          const CoverageSink& sink) {
    ContextPtr context = text_context(smooth);
    FontDescriptionPtr description = font_description(context.get(), font);
    const double size = pango_font_description_get_size(description.get()) / double(PANGO_SCALE);
    utf8 = reachable_text(utf8, size);

    LayoutPtr layout(pango_layout_new(context.get()));
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), utf8.data(), int(utf8.size()));
    AttrListPtr attributes(pango_attr_list_new());
    if (font.underline) pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.strikeOut) pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout.get(), attributes.get());

    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout.get(), &ink, &logical);
    const Rect extents{x + std::min(ink.x, logical.x) - kInkMargin, y + std::min(ink.y, logical.y) - kInkMargin,
                       x + std::max<int64_t>(int64_t(ink.x) + ink.width, int64_t(logical.x) + logical.width) + kInkMargin,
                       y + std::max<int64_t>(int64_t(ink.y) + ink.height, int64_t(logical.y) + logical.height) + kInkMargin};
    const Rect area = clip.intersect(extents);
    if (area.empty()) return true;
    // The text's own coordinates must stay within cairo's reach of every tile.
    if (std::max(std::llabs(x - area.left), std::llabs(y - area.top)) >= int64_t(kSmoothReach)) return false;

    return detail::render_tiles(area, sink, [&](cairo_t* c) {
        cairo_set_antialias(c, smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
        cairo_move_to(c, double(x), double(y));
        if (size <= kLargestCachedGlyph) {
            pango_cairo_show_layout(c, layout.get());
        } else {
            pango_cairo_layout_path(c, layout.get());
            cairo_fill(c);
        }
        return true;
    });
}

std::string valid_utf8(std::string_view text) {
    if (g_utf8_validate(text.data(), gssize(text.size()), nullptr)) return std::string(text);
    gchar* repaired = g_utf8_make_valid(text.data(), gssize(text.size()));
    std::string out(repaired);
    g_free(repaired);
    return out;
}

}  // namespace imglib::render2d
