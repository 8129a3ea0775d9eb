// Smooth-edged shapes as coverage, on cairo.
#include <cmath>

#include "platform/imglib/linux/coverage_tiles.h"
#include "platform/imglib/render2d.h"

namespace imglib::render2d {

namespace {

void ellipse_path(cairo_t* c, double cx, double cy, double rx, double ry) {
    cairo_save(c);
    cairo_translate(c, cx, cy);
    cairo_scale(c, rx, ry);
    cairo_new_sub_path(c);
    cairo_arc(c, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(c);
    cairo_restore(c);
}

}  // namespace

bool smooth_ellipse(const Rect& clip, double cx, double cy, double rx, double ry, double innerRx, double innerRy,
                    const CoverageSink& sink) {
    if (!(rx > 0) || !(ry > 0) || !std::isfinite(cx) || !std::isfinite(cy)) return false;
    // Every point of the path must stay within the renderer's reach of every tile.
    const double reach = std::max(std::fabs(cx - double(clip.left)), std::fabs(cx - double(clip.right))) + rx +
                         std::max(std::fabs(cy - double(clip.top)), std::fabs(cy - double(clip.bottom))) + ry;
    if (!(reach < kSmoothReach)) return false;
    const bool ring = innerRx > 0 && innerRy > 0;
    return detail::render_tiles(clip, sink, [&](cairo_t* c) {
        cairo_set_antialias(c, CAIRO_ANTIALIAS_GRAY);
        // Curves flattened to a hundredth of a pixel: at cairo's usual tenth,
        // mirror-image edge pixels differ by several percent of coverage.
        cairo_set_tolerance(c, 0.01);
        cairo_set_fill_rule(c, CAIRO_FILL_RULE_EVEN_ODD);
        ellipse_path(c, cx, cy, rx, ry);
        if (ring) ellipse_path(c, cx, cy, innerRx, innerRy);
        cairo_fill(c);
        return true;
    });
}

}  // namespace imglib::render2d
