// Smooth-edged ellipses on Windows, as the exact area each pixel shares
// with the ellipse. GDI fills shapes without smooth edges, and GDI+ smooths
// them only on some systems (not on the compatibility layers the suite runs
// under), while the share of a pixel inside an ellipse has a closed form:
// the ellipse is the unit circle stretched, so a pixel's share is rx * ry
// times the area the circle shares with the pixel's stretched rectangle.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/imglib/render2d.h"

namespace imglib::render2d {

namespace {

double half_chord(double x) { return std::sqrt(std::max(0.0, 1 - x * x)); }

// The integral of half_chord from 0 to x, for |x| <= 1.
double half_chord_area(double x) {
    x = std::clamp(x, -1.0, 1.0);
    return 0.5 * (x * half_chord(x) + std::asin(x));
}

// The area the unit circle shares with the rectangle [x0, x1] x [y0, y1].
// Across x the circle's column is [-h(x), h(x)]; the rectangle's column
// [y0, y1] meets it in a length that is, between the points where h(x)
// passes y0 or y1, one of: 0, y1 - y0, h - y0, y1 + h or 2h, each of which
// integrates exactly.
double circle_rect_area(double x0, double x1, double y0, double y1) {
    x0 = std::max(x0, -1.0), x1 = std::min(x1, 1.0);
    if (!(x1 > x0) || !(y1 > y0) || y0 >= 1 || y1 <= -1) return 0;
    std::array<double, 6> cuts{};
    size_t n = 0;
    cuts[n++] = x0;
    cuts[n++] = x1;
    for (double y : {y0, y1})
        if (std::fabs(y) < 1)
            for (double x : {-half_chord(y), half_chord(y)})
                if (x > x0 && x < x1) cuts[n++] = x;
    for (size_t i = 1; i < n; ++i)  // a handful: sorted in place
        for (size_t j = i; j > 0 && cuts[j] < cuts[j - 1]; --j) std::swap(cuts[j], cuts[j - 1]);
    double area = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        const double a = cuts[i], b = cuts[i + 1];
        if (!(b > a)) continue;
        const double h = half_chord((a + b) / 2);
        const bool topCut = y1 < h, bottomCut = y0 > -h;  // the rectangle's edge inside the column
        const double chord = half_chord_area(b) - half_chord_area(a);
        if (topCut && bottomCut) area += (y1 - y0) * (b - a);
        else if (topCut) area += y1 > -h ? y1 * (b - a) + chord : 0;
        else if (bottomCut) area += y0 < h ? chord - y0 * (b - a) : 0;
        else area += 2 * chord;
    }
    return std::max(0.0, area);
}

// The share of pixel (x, y) inside the ellipse, 0..1: in the circle's
// space the pixel is a rectangle, wholly outside when its point nearest the
// centre is, wholly inside when its farthest corner is.
double pixel_share(int64_t x, int64_t y, double cx, double cy, double rx, double ry) {
    const double u0 = (double(x) - cx) / rx, u1 = (double(x) + 1 - cx) / rx;
    const double v0 = (double(y) - cy) / ry, v1 = (double(y) + 1 - cy) / ry;
    const double nu = std::clamp(0.0, u0, u1), nv = std::clamp(0.0, v0, v1);
    if (nu * nu + nv * nv >= 1) return 0;
    if (std::max(u0 * u0, u1 * u1) + std::max(v0 * v0, v1 * v1) <= 1) return 1;
    return std::clamp(rx * ry * circle_rect_area(u0, u1, v0, v1), 0.0, 1.0);
}

}  // namespace

bool smooth_ellipse(const Rect& clip, double cx, double cy, double rx, double ry, double innerRx, double innerRy,
                    const CoverageSink& sink) {
    if (!(rx > 0) || !(ry > 0) || !std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(rx) ||
        !std::isfinite(ry))
        return false;
    const double reach = std::max(std::fabs(cx - double(clip.left)), std::fabs(cx - double(clip.right))) + rx +
                         std::max(std::fabs(cy - double(clip.top)), std::fabs(cy - double(clip.bottom))) + ry;
    if (!(reach < kSmoothReach)) return false;
    const bool ring = innerRx > 0 && innerRy > 0;
    const Rect box{int64_t(std::floor(cx - rx)), int64_t(std::floor(cy - ry)), int64_t(std::ceil(cx + rx)),
                   int64_t(std::ceil(cy + ry))};
    const Rect area = clip.intersect(box);
    if (area.empty()) return true;
    std::vector<uint8_t> tile(size_t(kTileWidth) * kTileHeight);
    for (int64_t top = area.top; top < area.bottom; top += kTileHeight)
        for (int64_t left = area.left; left < area.right; left += kTileWidth) {
            const int32_t w = int32_t(std::min<int64_t>(kTileWidth, area.right - left));
            const int32_t h = int32_t(std::min<int64_t>(kTileHeight, area.bottom - top));
            for (int32_t j = 0; j < h; ++j)
                for (int32_t i = 0; i < w; ++i) {
                    const int64_t x = left + i, y = top + j;
                    double share = pixel_share(x, y, cx, cy, rx, ry);
                    if (ring && share > 0) share -= pixel_share(x, y, cx, cy, innerRx, innerRy);
                    tile[size_t(j) * size_t(w) + size_t(i)] = uint8_t(std::lround(std::clamp(share, 0.0, 1.0) * 255));
                }
            sink(CoverageTile{left, top, w, h, tile.data(), w});
        }
    return true;
}

}  // namespace imglib::render2d
