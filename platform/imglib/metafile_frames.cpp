#include "platform/imglib/metafile_frames.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace imglib::metafile {

bool in_reach(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.x) <= kReach && std::fabs(p.y) <= kReach;
}

bool place_picture(const Picture& pic, double sx, double sy, double scx, double scy, double x, double y, double cx,
                   double cy, const Affine& m, PicturePlacement& out) {
    if (!m.usable() || !(scx > 0) || !(scy > 0) || cx == 0 || cy == 0 || !std::isfinite(cx) || !std::isfinite(cy))
        return false;
    out.x0 = std::max(sx, 0.0), out.x1 = std::min(sx + scx, double(pic.width));
    out.y0 = std::max(sy, 0.0), out.y1 = std::min(sy + scy, double(pic.height));
    if (!(out.x1 > out.x0) || !(out.y1 > out.y0)) return false;
    const Affine place =
        Affine::translation(-sx, -sy).then(Affine::scaling(cx / scx, cy / scy)).then(Affine::translation(x, y));
    out.full = place.then(m);
    for (Point corner : {Point{out.x0, out.y0}, Point{out.x1, out.y0}, Point{out.x0, out.y1}, Point{out.x1, out.y1}})
        if (!in_reach(out.full.apply(corner))) return false;
    return out.full.usable();
}

bool path_in_reach(const Path& path, const Affine& m) {
    for (const PathOp& op : path) {
        const int n = op.kind == PathOp::Curve ? 3 : op.kind == PathOp::Close ? 0 : 1;
        for (int i = 0; i < n; ++i)
            if (!in_reach(m.apply(op.p[i]))) return false;
    }
    return true;
}

double canvas_length(const Path& path, const Affine& m) {
    double total = 0;
    Point last{}, start{};
    for (const PathOp& op : path) {
        const auto to = [&](Point p) {
            const Point q = m.apply(p);
            total += std::hypot(q.x - last.x, q.y - last.y);
            last = q;
        };
        switch (op.kind) {
            case PathOp::Move: last = start = m.apply(op.p[0]); break;
            case PathOp::Line: to(op.p[0]); break;
            case PathOp::Curve: to(op.p[0]), to(op.p[1]), to(op.p[2]); break;
            case PathOp::Close: total += std::hypot(start.x - last.x, start.y - last.y), last = start; break;
        }
    }
    return total;
}

bool text_frame(const TextRun& run, const Font& font, const Affine& m, TextFrame& out) {
    const Point origin = m.apply(run.origin);
    if (!m.usable() || !in_reach(origin)) return false;
    Affine linear{m.xx, m.yx, m.xy, m.yy, 0, 0};
    if (linear.determinant() < 0) linear = Affine{linear.xx, linear.yx, -linear.xy, -linear.yy, 0, 0};
    out.scale = std::sqrt(linear.determinant());
    const double k = out.scale;
    const Affine unit{linear.xx / k, linear.yx / k, linear.xy / k, linear.yy / k, 0, 0};
    out.stretch = std::max(std::hypot(unit.xx, unit.yx), std::hypot(unit.xy, unit.yy));
    // The unit map keeps areas, so its axes' lengths s and 1/s follow from
    // the sum of its squared entries, s^2 + 1/s^2.
    const double squares = unit.xx * unit.xx + unit.yx * unit.yx + unit.xy * unit.xy + unit.yy * unit.yy;
    out.aspect = std::max(1.0, (squares + std::sqrt(std::max(0.0, squares * squares - 4))) / 2);
    const double turn = -font.escapement * std::numbers::pi / 180;
    out.frame = Affine{std::cos(turn), std::sin(turn), -std::sin(turn), std::cos(turn), 0, 0}.then(unit).then(
        Affine::translation(origin.x, origin.y));
    return out.frame.usable();
}

bool text_drawable(double em, const TextFrame& tf) {
    constexpr double kMostPixels = 16384;
    return em >= 0.5 && em * std::max(tf.stretch, tf.aspect) <= kMostPixels;
}

}  // namespace imglib::metafile
