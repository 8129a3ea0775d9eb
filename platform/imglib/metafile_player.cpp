#include "platform/imglib/metafile_player.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace imglib::metafile {

namespace {

constexpr double kPi = std::numbers::pi;
// Saved states beyond this are not kept: a file saving without end would
// otherwise grow the stack by one record's worth of bytes each time.
constexpr size_t kMaxSavedStates = 4096;
// The default size of a font of height 0, in device pixels.
constexpr double kDefaultFontPixels = 16;

Path rect_path(const Rect& r) {
    Path p;
    p.push_back({PathOp::Move, {{r.left, r.top}}});
    p.push_back({PathOp::Line, {{r.right, r.top}}});
    p.push_back({PathOp::Line, {{r.right, r.bottom}}});
    p.push_back({PathOp::Line, {{r.left, r.bottom}}});
    p.push_back({PathOp::Close, {}});
    return p;
}

Path region_path(const Region& rects) {
    Path p;
    for (const Rect& r : rects) {
        const Path one = rect_path(r);
        p.insert(p.end(), one.begin(), one.end());
    }
    return p;
}

// Figures of consecutive points, counts[i] points each, closed when asked;
// a figure of fewer than two points is left out, and counts beyond the
// points end the list.
Path point_figures(std::span<const Point> points, std::span<const uint32_t> counts, bool closed) {
    Path path;
    size_t at = 0;
    for (uint32_t n : counts) {
        if (n > points.size() - at) break;
        if (n >= 2) {
            path.push_back({PathOp::Move, {points[at]}});
            for (size_t i = 1; i < n; ++i) path.push_back({PathOp::Line, {points[at + i]}});
            if (closed) path.push_back({PathOp::Close, {}});
        }
        at += n;
    }
    return path;
}

Path mapped(const Path& path, const Affine& map) {
    Path out = path;
    for (PathOp& op : out)
        for (Point& pt : op.p) pt = map.apply(pt);
    return out;
}

Rect normalised(const Rect& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

void put_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool is_control(uint32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp < 0xA0); }

// The Western code page's characters 0x80..0x9F; the rest are Latin-1.
// Undefined positions stay C1 controls, which draw nothing.
constexpr uint16_t kWestern80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t western(uint8_t b) { return b >= 0x80 && b < 0xA0 ? kWestern80[b - 0x80] : b; }

// Code points of UTF-16 units with the number of units each took; a lone
// surrogate becomes the replacement character.
template <class Fn>
void each_code_point(std::span<const uint16_t> units, Fn&& fn) {
    for (size_t i = 0; i < units.size();) {
        const uint32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            fn(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00u), i, 2);
            i += 2;
        } else {
            fn(u >= 0xD800 && u < 0xE000 ? 0xFFFDu : u, i, 1);
            ++i;
        }
    }
}

}  // namespace

Colour colour_ref(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)}; }

Pen make_pen(uint32_t style, double width, Colour colour, bool cosmetic, std::span<const uint32_t> userDashes) {
    Pen pen;
    pen.colour = colour;
    switch (style & 0x0Fu) {
        case 1: pen.style = LineStyle::Dash; break;
        case 2: pen.style = LineStyle::Dot; break;
        case 3: pen.style = LineStyle::DashDot; break;
        case 4: pen.style = LineStyle::DashDotDot; break;
        case 5: pen.style = LineStyle::None; break;
        case 7: pen.style = userDashes.empty() ? LineStyle::Solid : LineStyle::User; break;
        case 8: pen.style = LineStyle::Dot; break;  // every other pixel
        default: pen.style = LineStyle::Solid; break;  // solid, inside frame
    }
    switch (style & 0x0F00u) {
        case 0x100: pen.cap = LineCap::Square; break;
        case 0x200: pen.cap = LineCap::Flat; break;
        default: pen.cap = LineCap::Round; break;
    }
    switch (style & 0xF000u) {
        case 0x1000: pen.join = LineJoin::Bevel; break;
        case 0x2000: pen.join = LineJoin::Miter; break;
        default: pen.join = LineJoin::Round; break;
    }
    // Pens of one unit or less, and every cosmetic pen, are one pixel wide
    // whatever the mapping.
    const double w = std::fabs(width);
    pen.width = (cosmetic || !std::isfinite(w) || w <= 1) ? 0 : w;
    if (pen.style == LineStyle::User)
        for (uint32_t d : userDashes) pen.dashes.push_back(double(d));
    return pen;
}

Brush make_brush(uint32_t style, Colour colour, uint32_t hatch) {
    Brush b;
    b.colour = colour;
    if (style == 1) {
        b.kind = BrushKind::None;
    } else if (style == 2 && hatch <= 5) {
        b.kind = BrushKind::Hatch;
        b.hatch = Hatch(hatch);
    } else {
        b.kind = BrushKind::Solid;
    }
    return b;
}

std::string utf8_from_utf16(std::span<const uint16_t> units) {
    std::string out;
    each_code_point(units, [&](uint32_t cp, size_t, size_t) {
        if (cp == 0) return;
        put_utf8(out, cp);
    });
    return out;
}

std::string utf8_from_ansi(std::span<const uint8_t> bytes) {
    std::string out;
    for (uint8_t b : bytes)
        if (b != 0) put_utf8(out, western(b));
    return out;
}

TextChars text_from_utf16(std::span<const uint16_t> units, std::span<const double> advances) {
    TextChars t;
    const bool spaced = advances.size() >= units.size() && !units.empty();
    each_code_point(units, [&](uint32_t cp, size_t at, size_t n) {
        std::string piece;
        if (!is_control(cp)) put_utf8(piece, cp);
        t.pieces.push_back(std::move(piece));
        if (spaced) t.advances.push_back(n == 2 ? advances[at] + advances[at + 1] : advances[at]);
    });
    return t;
}

TextChars text_from_ansi(std::span<const uint8_t> bytes, std::span<const double> advances) {
    TextChars t;
    const bool spaced = advances.size() >= bytes.size() && !bytes.empty();
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::string piece;
        const uint32_t cp = western(bytes[i]);
        if (!is_control(cp)) put_utf8(piece, cp);
        t.pieces.push_back(std::move(piece));
        if (spaced) t.advances.push_back(advances[i]);
    }
    return t;
}

Player::Player(Canvas& canvas, const Affine& deviceToCanvas, size_t slots)
    : canvas_(canvas), deviceToCanvas_(deviceToCanvas), objects_(slots) {
    dc_.pen = make_pen(0, 0, {0, 0, 0});
    dc_.font.font.height = kDefaultFontPixels;
}

Player::~Player() = default;

// ---- Mapping ----

void Player::lock_viewport(double width, double height) {
    dc_.mapMode = kMapAnisotropic;
    dc_.vpOrg = {0, 0};
    dc_.vpExt = {width, height};
    viewportLocked_ = true;
}

void Player::set_device_resolution(double xPerMm, double yPerMm) {
    if (std::isfinite(xPerMm) && std::isfinite(yPerMm) && xPerMm > 0 && yPerMm > 0) {
        xPerMm_ = xPerMm;
        yPerMm_ = yPerMm;
    }
}

void Player::set_map_mode(int32_t mode) {
    if (!viewportLocked_ && mode >= kMapText && mode <= kMapAnisotropic) dc_.mapMode = mode;
}

void Player::set_window_org(double x, double y) { dc_.winOrg = {x, y}; }

void Player::set_window_ext(double cx, double cy) {
    if (cx != 0 && cy != 0) dc_.winExt = {cx, cy};  // a zero extent is refused, as the system does
}

void Player::set_viewport_org(double x, double y) {
    if (!viewportLocked_) dc_.vpOrg = {x, y};
}

void Player::set_viewport_ext(double cx, double cy) {
    if (!viewportLocked_ && cx != 0 && cy != 0) dc_.vpExt = {cx, cy};
}

void Player::offset_window_org(double dx, double dy) { dc_.winOrg = {dc_.winOrg.x + dx, dc_.winOrg.y + dy}; }

void Player::offset_viewport_org(double dx, double dy) {
    if (!viewportLocked_) dc_.vpOrg = {dc_.vpOrg.x + dx, dc_.vpOrg.y + dy};
}

void Player::scale_window_ext(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom != 0 && yDenom != 0) set_window_ext(dc_.winExt.x * xNum / xDenom, dc_.winExt.y * yNum / yDenom);
}

void Player::scale_viewport_ext(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom != 0 && yDenom != 0) set_viewport_ext(dc_.vpExt.x * xNum / xDenom, dc_.vpExt.y * yNum / yDenom);
}

void Player::set_world_transform(const Affine& world) {
    if (world.usable()) dc_.world = world;
}

void Player::modify_world_transform(const Affine& xform, uint32_t mode) {
    switch (mode) {
        case 1: dc_.world = Affine{}; break;
        case 2: set_world_transform(xform.then(dc_.world)); break;
        case 3: set_world_transform(dc_.world.then(xform)); break;
        case 4: set_world_transform(xform); break;
        default: break;
    }
}

Affine Player::page_to_device() const {
    double kx = 1, ky = 1;
    const auto metric = [&](double mmPerUnit) {
        kx = xPerMm_ * mmPerUnit;
        ky = -yPerMm_ * mmPerUnit;  // these modes count y upward
    };
    switch (dc_.mapMode) {
        case kMapLoMetric: metric(0.1); break;
        case kMapHiMetric: metric(0.01); break;
        case kMapLoEnglish: metric(0.254); break;
        case kMapHiEnglish: metric(0.0254); break;
        case kMapTwips: metric(25.4 / 1440); break;
        case kMapIsotropic:
        case kMapAnisotropic: {
            kx = dc_.vpExt.x / dc_.winExt.x;
            ky = dc_.vpExt.y / dc_.winExt.y;
            if (dc_.mapMode == kMapIsotropic) {  // one unit is as long both ways: the smaller scale wins
                const double k = std::min(std::fabs(kx), std::fabs(ky));
                kx = std::copysign(k, kx);
                ky = std::copysign(k, ky);
            }
            break;
        }
        default: break;
    }
    return {kx, 0, 0, ky, dc_.vpOrg.x - dc_.winOrg.x * kx, dc_.vpOrg.y - dc_.winOrg.y * ky};
}

Affine Player::to_canvas() const { return dc_.world.then(page_to_device()).then(deviceToCanvas_); }

double Player::device_units_per_logical_y() const {
    const Affine m = dc_.world.then(page_to_device());
    return std::hypot(m.xy, m.yy);
}

// ---- Saved states ----

void Player::set_miter_limit(double limit) {
    if (std::isfinite(limit) && limit >= 1) dc_.pen.miterLimit = limit;
}

void Player::save_dc() {
    if (saved_.size() < kMaxSavedStates) saved_.push_back(dc_);
}

void Player::restore_dc(int32_t which) {
    const int64_t n = int64_t(saved_.size());
    const int64_t index = which < 0 ? n + which : int64_t(which) - 1;
    if (which == 0 || index < 0 || index >= n) return;
    const bool clipChanged = saved_[size_t(index)].clip != dc_.clip;
    dc_ = saved_[size_t(index)];
    saved_.resize(size_t(index));
    if (clipChanged) clipDirty_ = true;
}

// ---- Objects ----

void Player::create_object(uint32_t index, Object object) {
    if (index != 0 && index < objects_.size()) objects_[index] = std::move(object);
}

void Player::add_object(Object object) {
    for (Object& slot : objects_)
        if (std::holds_alternative<std::monostate>(slot)) {
            slot = std::move(object);
            return;
        }
}

const Object* Player::object(uint32_t index) const { return index < objects_.size() ? &objects_[index] : nullptr; }

void Player::select_object(uint32_t index) {
    if (index & 0x80000000u) {
        select_stock_object(index & 0x7FFFFFFFu);
        return;
    }
    const Object* o = object(index);
    if (o == nullptr) return;
    if (const Pen* pen = std::get_if<Pen>(o)) {
        const double limit = dc_.pen.miterLimit;
        dc_.pen = *pen;
        dc_.pen.miterLimit = limit;  // the limit belongs to the context, not the pen
    } else if (const Brush* brush = std::get_if<Brush>(o)) {
        dc_.brush = *brush;
    } else if (const LogFont* font = std::get_if<LogFont>(o)) {
        dc_.font = *font;
    } else if (const Region* region = std::get_if<Region>(o)) {
        select_clip_region_logical(*region, kRgnCopy);
    }
}

void Player::select_stock_object(uint32_t which) {
    const auto grey = [&](uint8_t v) { dc_.brush = make_brush(0, {v, v, v}, 0); };
    switch (which) {
        case 0: case 18: grey(255); break;
        case 1: grey(192); break;
        case 2: grey(128); break;
        case 3: grey(64); break;
        case 4: grey(0); break;
        case 5: dc_.brush = make_brush(1, {}, 0); break;
        case 6: dc_.pen = make_pen(0, 0, {255, 255, 255}); break;
        case 7: case 19: dc_.pen = make_pen(0, 0, {0, 0, 0}); break;
        case 8: dc_.pen = make_pen(5, 0, {0, 0, 0}); break;
        case 10: case 11: case 12: case 13: case 14: case 16: case 17:
            dc_.font = LogFont{};
            dc_.font.font.height = kDefaultFontPixels;
            break;
        default: break;
    }
}

void Player::delete_object(uint32_t index) {
    if (index < objects_.size()) objects_[index] = std::monostate{};
}

// ---- Drawing helpers ----

Colour Player::mixed(Colour c) const {
    switch (dc_.rop2) {
        case 1: return {0, 0, 0};        // black
        case 16: return {255, 255, 255};  // white
        default: return c;
    }
}

Brush Player::mixed_brush(const Brush& b) const {
    Brush out = b;
    out.colour = mixed(b.colour);
    out.opaqueBackground = dc_.bkOpaque;
    out.background = dc_.bkColour;
    if ((dc_.rop2 == 1 || dc_.rop2 == 16) && out.kind != BrushKind::None) out.kind = BrushKind::Solid;
    return out;
}

void Player::sync_clip() {
    if (!clipDirty_) return;
    static const Clip kWhole;
    canvas_.set_clip(dc_.clip ? *dc_.clip : kWhole);
    clipDirty_ = false;
}

void Player::fill_with(const Path& path, const Affine& map, const Brush& brush) {
    if (path.empty() || brush.kind == BrushKind::None || !drawing_allowed()) return;
    sync_clip();
    canvas_.fill(path, map, dc_.fillRule, mixed_brush(brush));
}

void Player::stroke_with(const Path& path, const Affine& map) {
    if (path.empty() || dc_.pen.style == LineStyle::None || !drawing_allowed()) return;
    sync_clip();
    Pen pen = dc_.pen;
    pen.colour = mixed(pen.colour);
    canvas_.stroke(path, map, pen);
}

void Player::figure(const Path& path, bool fill, bool stroke) {
    if (path.empty()) return;
    if (recording_) {
        path_.insert(path_.end(), path.begin(), path.end());
        return;
    }
    const Affine map = to_canvas();
    if (fill) fill_with(path, map, dc_.brush);
    if (stroke) stroke_with(path, map);
}

// ---- Path bracket ----

void Player::begin_path() {
    path_.clear();
    recording_ = true;
}

void Player::abort_path() {
    path_.clear();
    recording_ = false;
}

void Player::close_figure() {
    if (recording_ && !path_.empty() && path_.back().kind != PathOp::Close) path_.push_back({PathOp::Close, {}});
}

void Player::fill_path() {
    recording_ = false;
    fill_with(path_, to_canvas(), dc_.brush);
    path_.clear();
}

void Player::stroke_path() {
    recording_ = false;
    stroke_with(path_, to_canvas());
    path_.clear();
}

void Player::stroke_and_fill_path() {
    recording_ = false;
    const Affine map = to_canvas();
    fill_with(path_, map, dc_.brush);
    stroke_with(path_, map);
    path_.clear();
}

// ---- Clipping ----

ClipShape Player::canvas_shape(const Path& logical, const Affine& map, FillRule rule) const {
    return {mapped(logical, map), rule, false};
}

void Player::set_clip(std::shared_ptr<const Clip> clip) {
    dc_.clip = std::move(clip);
    clipDirty_ = true;
}

void Player::combine_clip(ClipShape shape, uint32_t mode) {
    auto with = [&](ClipShape s) {
        auto clip = std::make_shared<Clip>(dc_.clip ? *dc_.clip : Clip{});
        clip->push_back(std::move(s));
        set_clip(std::move(clip));
    };
    switch (mode) {
        case kRgnCopy: set_clip(std::make_shared<Clip>(Clip{std::move(shape)})); break;
        case kRgnAnd: with(std::move(shape)); break;
        case kRgnDiff:
            shape.outside = !shape.outside;
            with(std::move(shape));
            break;
        case kRgnXor:
            // Whole canvas xor a shape is everything outside it.
            if (!dc_.clip) {
                shape.outside = !shape.outside;
                with(std::move(shape));
                break;
            }
            [[fallthrough]];
        case kRgnOr:
            // A union with a restricted clip is not an intersection of
            // shapes; drawing too much is kinder than losing parts, so the
            // clip opens up.
            set_clip(nullptr);
            break;
        default: break;
    }
}

void Player::select_clip_path(uint32_t mode) {
    recording_ = false;
    if (mode >= kRgnAnd && mode <= kRgnCopy) combine_clip(canvas_shape(path_, to_canvas(), dc_.fillRule), mode);
    path_.clear();
}

void Player::intersect_clip_rect(const Rect& r) {
    combine_clip(canvas_shape(rect_path(r), to_canvas(), FillRule::Winding), kRgnAnd);
}

void Player::exclude_clip_rect(const Rect& r) {
    combine_clip(canvas_shape(rect_path(r), to_canvas(), FillRule::Winding), kRgnDiff);
}

void Player::offset_clip(double dx, double dy) {
    if (!dc_.clip) return;
    const Point v = to_canvas().apply_vector({dx, dy});
    if (!std::isfinite(v.x) || !std::isfinite(v.y)) return;
    auto clip = std::make_shared<Clip>(*dc_.clip);
    for (ClipShape& s : *clip) s.path = mapped(s.path, Affine::translation(v.x, v.y));
    set_clip(std::move(clip));
}

void Player::select_clip_region(const Region& deviceRects, uint32_t mode) {
    if (deviceRects.empty() && mode == kRgnCopy) {
        set_clip(nullptr);
        return;
    }
    combine_clip(canvas_shape(region_path(deviceRects), deviceToCanvas_, FillRule::Winding), mode);
}

void Player::select_clip_region_logical(const Region& rects, uint32_t mode) {
    if (rects.empty() && mode == kRgnCopy) {
        set_clip(nullptr);
        return;
    }
    combine_clip(canvas_shape(region_path(rects), to_canvas(), FillRule::Winding), mode);
}

void Player::fill_region(const Region& rects, const Brush& brush) {
    if (rects.empty()) return;
    fill_with(region_path(rects), to_canvas(), brush);
}

void Player::frame_region(const Region& rects, const Brush& brush, double width, double height) {
    Path ring;
    const double w = std::fabs(width), h = std::fabs(height);
    for (const Rect& raw : rects) {
        const Rect r = normalised(raw);
        const Path outer = rect_path(r);
        ring.insert(ring.end(), outer.begin(), outer.end());
        if (r.right - r.left > 2 * w && r.bottom - r.top > 2 * h) {
            const Path inner = rect_path({r.left + w, r.top + h, r.right - w, r.bottom - h});
            ring.insert(ring.end(), inner.begin(), inner.end());
        }
    }
    const FillRule rule = dc_.fillRule;
    dc_.fillRule = FillRule::Alternate;  // the inner rectangles cut holes
    fill_with(ring, to_canvas(), brush);
    dc_.fillRule = rule;
}

// ---- Figures ----

void Player::move_to(Point p) {
    dc_.current = p;
    if (recording_) path_.push_back({PathOp::Move, {p}});
}

void Player::line_to(Point p) {
    Path path;
    if (starts_figure()) path.push_back({PathOp::Move, {dc_.current}});
    path.push_back({PathOp::Line, {p}});
    dc_.current = p;
    figure(path, false, true);
}

void Player::polyline(std::span<const Point> points, bool fromCurrent) {
    if (points.empty() || (!fromCurrent && points.size() < 2)) return;
    Path path;
    if (fromCurrent) {
        if (starts_figure()) path.push_back({PathOp::Move, {dc_.current}});
        dc_.current = points.back();
    } else {
        path.push_back({PathOp::Move, {points[0]}});
        points = points.subspan(1);
    }
    for (Point p : points) path.push_back({PathOp::Line, {p}});
    figure(path, false, true);
}

void Player::polygon(std::span<const Point> points) {
    const uint32_t n[1] = {uint32_t(points.size())};
    figure(point_figures(points, n, true), true, true);
}

void Player::poly_polygon(std::span<const Point> points, std::span<const uint32_t> counts) {
    figure(point_figures(points, counts, true), true, true);
}

void Player::poly_polyline(std::span<const Point> points, std::span<const uint32_t> counts) {
    figure(point_figures(points, counts, false), false, true);
}

void Player::poly_bezier(std::span<const Point> points, bool fromCurrent) {
    Path path;
    if (fromCurrent) {
        if (starts_figure()) path.push_back({PathOp::Move, {dc_.current}});
    } else {
        if (points.empty()) return;
        path.push_back({PathOp::Move, {points[0]}});
        points = points.subspan(1);
    }
    const size_t curves = points.size() / 3;
    if (curves == 0) return;
    for (size_t i = 0; i < curves; ++i)
        path.push_back({PathOp::Curve, {points[3 * i], points[3 * i + 1], points[3 * i + 2]}});
    if (fromCurrent) dc_.current = points[3 * curves - 1];
    figure(path, false, true);
}

void Player::poly_draw(std::span<const Point> points, std::span<const uint8_t> types) {
    Path path;
    if (starts_figure()) path.push_back({PathOp::Move, {dc_.current}});
    const size_t n = std::min(points.size(), types.size());
    for (size_t i = 0; i < n;) {
        const uint8_t kind = types[i] & 0x06;
        size_t used = 1;
        if (kind == 0x06) {
            path.push_back({PathOp::Move, {points[i]}});
        } else if (kind == 0x02) {
            path.push_back({PathOp::Line, {points[i]}});
        } else if (kind == 0x04 && i + 2 < n) {
            path.push_back({PathOp::Curve, {points[i], points[i + 1], points[i + 2]}});
            used = 3;
        } else {
            break;  // a curve cut short or an unknown tag ends the figure
        }
        dc_.current = points[i + used - 1];
        if (types[i + used - 1] & 0x01) path.push_back({PathOp::Close, {}});
        i += used;
    }
    figure(path, false, true);
}

void Player::rectangle(const Rect& box) { figure(rect_path(normalised(box)), true, true); }

void Player::append_arc(Path& path, const Rect& box, double a0, double a1, bool joinWithLine) const {
    const double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    const double rx = std::fabs(box.right - box.left) / 2, ry = std::fabs(box.bottom - box.top) / 2;
    const auto at = [&](double a) { return Point{cx + rx * std::cos(a), cy + ry * std::sin(a)}; };
    path.push_back({joinWithLine ? PathOp::Line : PathOp::Move, {at(a0)}});
    // Cubic pieces of at most a quarter turn: the control points sit
    // 4/3 tan(d/4) along the tangents.
    const double sweep = a1 - a0;
    const int pieces = std::clamp(int(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)), 1, 4);
    const double d = sweep / pieces, k = 4.0 / 3.0 * std::tan(d / 4);
    for (int i = 0; i < pieces; ++i) {
        const double s = a0 + d * i, e = s + d;
        const Point p0 = at(s), p3 = at(e);
        const Point c1{p0.x - k * rx * std::sin(s), p0.y + k * ry * std::cos(s)};
        const Point c2{p3.x + k * rx * std::sin(e), p3.y - k * ry * std::cos(e)};
        path.push_back({PathOp::Curve, {c1, c2, p3}});
    }
}

void Player::ellipse(const Rect& box) {
    Path path;
    append_arc(path, box, 0, 2 * kPi, false);
    path.push_back({PathOp::Close, {}});
    figure(path, true, true);
}

void Player::round_rect(const Rect& raw, double cornerWidth, double cornerHeight) {
    const Rect r = normalised(raw);
    const double rx = std::min(std::fabs(cornerWidth) / 2, (r.right - r.left) / 2);
    const double ry = std::min(std::fabs(cornerHeight) / 2, (r.bottom - r.top) / 2);
    if (rx <= 0 || ry <= 0) {
        rectangle(r);
        return;
    }
    const auto corner = [&](double cx, double cy) { return Rect{cx - rx, cy - ry, cx + rx, cy + ry}; };
    Path path;
    append_arc(path, corner(r.right - rx, r.top + ry), -kPi / 2, 0, false);
    append_arc(path, corner(r.right - rx, r.bottom - ry), 0, kPi / 2, true);
    append_arc(path, corner(r.left + rx, r.bottom - ry), kPi / 2, kPi, true);
    append_arc(path, corner(r.left + rx, r.top + ry), kPi, 3 * kPi / 2, true);
    path.push_back({PathOp::Close, {}});
    figure(path, true, true);
}

// The parameter angles of the rays through start and end, ordered so that
// going from a0 to a1 runs in the arc direction as seen on the canvas.
bool Player::arc_angles(const Rect& box, Point start, Point end, double& a0, double& a1) const {
    const double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    const double rx = std::fabs(box.right - box.left) / 2, ry = std::fabs(box.bottom - box.top) / 2;
    if (rx <= 0 || ry <= 0) return false;
    a0 = std::atan2((start.y - cy) * rx, (start.x - cx) * ry);
    a1 = std::atan2((end.y - cy) * rx, (end.x - cx) * ry);
    // Counter-clockwise as seen is toward smaller angles when y runs down
    // the canvas, toward larger ones when the map mirrors.
    const bool mirrored = to_canvas().determinant() < 0;
    const bool increasing = dc_.clockwise != mirrored;
    if (increasing) {
        while (a1 <= a0) a1 += 2 * kPi;
    } else {
        while (a1 >= a0) a1 -= 2 * kPi;
    }
    return true;
}

void Player::arc(ArcKind kind, const Rect& box, Point start, Point end, bool fromCurrent) {
    double a0 = 0, a1 = 0;
    if (!arc_angles(box, start, end, a0, a1)) return;
    Path path;
    const double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    if (kind == kArcPie) path.push_back({PathOp::Move, {{cx, cy}}});
    if (fromCurrent && starts_figure()) path.push_back({PathOp::Move, {dc_.current}});
    append_arc(path, box, a0, a1, kind == kArcPie || fromCurrent);
    if (fromCurrent) dc_.current = path.back().p[2];
    if (kind != kArcOpen) path.push_back({PathOp::Close, {}});
    figure(path, kind != kArcOpen, true);
}

void Player::angle_arc(Point c, double radius, double startDegrees, double sweepDegrees) {
    if (!std::isfinite(startDegrees) || !std::isfinite(sweepDegrees) || !std::isfinite(radius)) return;
    // Angles count counter-clockwise as seen: on a canvas whose y runs down
    // that is the negative parameter direction.
    const double sign = to_canvas().determinant() < 0 ? 1 : -1;
    const double a0 = sign * startDegrees * kPi / 180;
    const double sweep = std::clamp(sweepDegrees, -360.0, 360.0) * kPi / 180;
    const Rect box{c.x - radius, c.y - radius, c.x + radius, c.y + radius};
    Path path;
    if (starts_figure()) path.push_back({PathOp::Move, {dc_.current}});
    if (radius > 0 && sweep != 0) {
        append_arc(path, box, a0, a0 + sign * sweep, true);
        dc_.current = path.back().p[2];
    }
    figure(path, false, true);
}

void Player::set_pixel(Point p, Colour c) {
    const Point d = dc_.world.then(page_to_device()).apply(p);
    if (!std::isfinite(d.x) || !std::isfinite(d.y)) return;
    const double x = std::floor(d.x), y = std::floor(d.y);
    Brush b;
    b.colour = c;
    const FillRule rule = dc_.fillRule;
    if (!drawing_allowed()) return;
    sync_clip();
    canvas_.fill(rect_path({x, y, x + 1, y + 1}), deviceToCanvas_, rule, mixed_brush(b));
}

// ---- Pictures ----

void Player::draw_picture(const Picture* picture, double sx, double sy, double scx, double scy, const Rect& dest,
                          uint32_t rop, double opacity) {
    if (recording_ || !drawing_allowed()) return;
    const Affine map = to_canvas();
    const Path box = rect_path(dest);
    if (picture == nullptr) {
        // Records that paint a rectangle without a picture.
        Brush fill = dc_.brush;
        if (rop == kRopBlackness || rop == kRopWhiteness) {
            const uint8_t v = rop == kRopBlackness ? 0 : 255;
            fill = make_brush(0, {v, v, v}, 0);
        } else if (rop != kRopPatCopy) {
            return;
        }
        const FillRule rule = dc_.fillRule;
        dc_.fillRule = FillRule::Winding;
        fill_with(box, map, fill);
        dc_.fillRule = rule;
        return;
    }
    if (scx <= 0 || scy <= 0 || dest.right == dest.left || dest.bottom == dest.top) return;
    sync_clip();
    canvas_.draw_picture(*picture, sx, sy, scx, scy, dest.left, dest.top, dest.right - dest.left,
                         dest.bottom - dest.top, map, dc_.smoothStretch, opacity);
}

// ---- Text ----

Font Player::resolved_font() const {
    Font f = dc_.font.font;
    const double raw = dc_.font.rawHeight;
    if (raw < 0) {
        f.height = -raw;
        f.cellHeight = false;
    } else if (raw > 0) {
        f.height = raw;
        f.cellHeight = true;
    } else {
        const double perLogical = device_units_per_logical_y();
        f.height = perLogical > 0 ? kDefaultFontPixels / perLogical : kDefaultFontPixels;
        f.cellHeight = false;
    }
    return f;
}

void Player::text_out(const TextOut& text) {
    if (recording_ || !drawing_allowed()) return;
    const Affine map = to_canvas();
    if (text.opaqueRect) {
        Brush bk = make_brush(0, dc_.bkColour, 0);
        sync_clip();
        canvas_.fill(rect_path(normalised(text.rect)), map, FillRule::Winding, bk);
    }
    const bool updateCurrent = (dc_.textAlign & 1) != 0;
    TextRun run;
    run.pieces = text.chars.pieces;
    run.advances = text.chars.advances;
    run.origin = updateCurrent ? dc_.current : text.origin;
    const uint32_t h = dc_.textAlign & 6, v = dc_.textAlign & 24;
    run.halign = h == 6 ? TextHAlign::Centre : h == 2 ? TextHAlign::Right : TextHAlign::Left;
    run.valign = v == 24 ? TextVAlign::Baseline : v == 8 ? TextVAlign::Bottom : TextVAlign::Top;
    run.colour = mixed(dc_.textColour);
    run.opaqueBackground = dc_.bkOpaque && !text.opaqueRect;
    run.background = dc_.bkColour;
    run.clipped = text.clipped;
    run.clipRect[0] = {text.rect.left, text.rect.top};
    run.clipRect[1] = {text.rect.right, text.rect.bottom};
    if (run.pieces.empty()) return;
    sync_clip();
    const double advance = canvas_.draw_text(run, resolved_font(), map);
    if (updateCurrent && std::isfinite(advance)) {
        if (run.halign == TextHAlign::Left) dc_.current.x += advance;
        if (run.halign == TextHAlign::Right) dc_.current.x -= advance;
    }
}

}  // namespace imglib::metafile
