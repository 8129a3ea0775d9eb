// Enhanced metafile records: each record is a type, a size and its fields;
// offsets inside a record count from the record's start.
#include <bit>
#include <cmath>
#include <vector>

#include "platform/imglib/codecs.h"
#include "platform/imglib/metafile_records.h"

namespace imglib::metafile {

namespace {

enum : uint32_t {
    kHeader = 1,
    kPolyBezier = 2,
    kPolygon = 3,
    kPolyline = 4,
    kPolyBezierTo = 5,
    kPolylineTo = 6,
    kPolyPolyline = 7,
    kPolyPolygon = 8,
    kSetWindowExt = 9,
    kSetWindowOrg = 10,
    kSetViewportExt = 11,
    kSetViewportOrg = 12,
    kEof = 14,
    kSetPixel = 15,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetPolyFillMode = 19,
    kSetRop2 = 20,
    kSetStretchBltMode = 21,
    kSetTextAlign = 22,
    kSetTextColour = 24,
    kSetBkColour = 25,
    kOffsetClipRgn = 26,
    kMoveTo = 27,
    kExcludeClipRect = 29,
    kIntersectClipRect = 30,
    kScaleViewportExt = 31,
    kScaleWindowExt = 32,
    kSaveDc = 33,
    kRestoreDc = 34,
    kSetWorldTransform = 35,
    kModifyWorldTransform = 36,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrushIndirect = 39,
    kDeleteObject = 40,
    kAngleArc = 41,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kArc = 45,
    kChord = 46,
    kPie = 47,
    kLineTo = 54,
    kArcTo = 55,
    kPolyDraw = 56,
    kSetArcDirection = 57,
    kSetMiterLimit = 58,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kSelectClipPath = 67,
    kAbortPath = 68,
    kFillRgn = 71,
    kFrameRgn = 72,
    kPaintRgn = 74,
    kExtSelectClipRgn = 75,
    kBitBlt = 76,
    kStretchBlt = 77,
    kSetDIBitsToDevice = 80,
    kStretchDIBits = 81,
    kExtCreateFontIndirectW = 82,
    kExtTextOutA = 83,
    kExtTextOutW = 84,
    kPolyBezier16 = 85,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kPolyBezierTo16 = 88,
    kPolylineTo16 = 89,
    kPolyPolyline16 = 90,
    kPolyPolygon16 = 91,
    kPolyDraw16 = 92,
    kCreateMonoBrush = 93,
    kCreateDibPatternBrushPt = 94,
    kExtCreatePen = 95,
    kPolyTextOutA = 96,
    kPolyTextOutW = 97,
    kAlphaBlend = 114,
    kTransparentBlt = 116,
};

// Text options of the text records.
enum : uint32_t { kEtoOpaque = 0x2, kEtoClipped = 0x4, kEtoGlyphIndex = 0x10, kEtoNoRect = 0x100, kEtoPdy = 0x2000 };

bool point32(ByteReader& r, Point& p) {
    int32_t x, y;
    if (!r.i32le(x) || !r.i32le(y)) return false;
    p = {double(x), double(y)};
    return true;
}

bool rect32(ByteReader& r, Rect& out) {
    int32_t l, t, rt, b;
    if (!r.i32le(l) || !r.i32le(t) || !r.i32le(rt) || !r.i32le(b)) return false;
    out = {double(l), double(t), double(rt), double(b)};
    return true;
}

bool f32(ByteReader& r, double& v) {
    uint32_t bits;
    if (!r.u32le(bits)) return false;
    v = double(std::bit_cast<float>(bits));
    return std::isfinite(v);
}

// `count` points of 32-bit (wide) or 16-bit coordinates; the count is
// checked against what the record holds before anything is reserved.
bool points(ByteReader& r, uint32_t count, bool wide, std::vector<Point>& out) {
    const uint64_t bytes = uint64_t(count) * (wide ? 8 : 4);
    if (bytes > r.remaining()) return false;
    out.resize(count);
    for (Point& p : out) {
        if (wide) {
            point32(r, p);
        } else {
            int16_t x = 0, y = 0;
            r.i16le(x), r.i16le(y);
            p = {double(x), double(y)};
        }
    }
    return true;
}

bool counts(ByteReader& r, uint32_t n, std::vector<uint32_t>& out) {
    if (uint64_t(n) * 4 > r.remaining()) return false;
    out.resize(n);
    for (uint32_t& c : out) c = 0, r.u32le(c);
    return true;
}

bool xform(ByteReader& r, Affine& m) {
    return f32(r, m.xx) && f32(r, m.yx) && f32(r, m.xy) && f32(r, m.yy) && f32(r, m.x0) && f32(r, m.y0);
}

// Region data: a 32-byte header with the rectangle count, then the rectangles.
bool region(ByteReader& r, uint32_t bytes, Region& out) {
    Bytes data;
    if (!r.bytes(bytes, data)) return false;
    ByteReader g(data);
    uint32_t size, type, count, rgnSize;
    Rect bounds;
    if (!g.u32le(size) || size < 32 || !g.u32le(type) || !g.u32le(count) || !g.u32le(rgnSize) || !rect32(g, bounds))
        return false;
    if (!g.seek(size) || uint64_t(count) * 16 > g.remaining()) return false;
    out.resize(count);
    for (Rect& rect : out) rect32(g, rect);
    return true;
}

class EmfPlayer {
public:
    EmfPlayer(Player& player, Bytes record, uint32_t type) : player_(player), record_(record), type_(type) {}

    void play() {
        ByteReader p(record_.subspan(8));
        switch (type_) {
            case kPolyBezier: case kPolygon: case kPolyline: case kPolyBezierTo: case kPolylineTo:
                return poly(p, type_, true);
            case kPolyBezier16: case kPolygon16: case kPolyline16: case kPolyBezierTo16: case kPolylineTo16:
                return poly(p, type_ - (kPolyBezier16 - kPolyBezier), false);
            case kPolyPolyline: case kPolyPolygon: return poly_poly(p, type_ == kPolyPolygon, true);
            case kPolyPolyline16: case kPolyPolygon16: return poly_poly(p, type_ == kPolyPolygon16, false);
            case kPolyDraw: return poly_draw(p, true);
            case kPolyDraw16: return poly_draw(p, false);
            case kSetWindowExt: return pair(p, [&](Point v) { player_.set_window_ext(v.x, v.y); });
            case kSetWindowOrg: return pair(p, [&](Point v) { player_.set_window_org(v.x, v.y); });
            case kSetViewportExt: return pair(p, [&](Point v) { player_.set_viewport_ext(v.x, v.y); });
            case kSetViewportOrg: return pair(p, [&](Point v) { player_.set_viewport_org(v.x, v.y); });
            case kScaleViewportExt:
            case kScaleWindowExt: {
                int32_t xn, xd, yn, yd;
                if (!p.i32le(xn) || !p.i32le(xd) || !p.i32le(yn) || !p.i32le(yd)) return;
                if (type_ == kScaleWindowExt) player_.scale_window_ext(xn, xd, yn, yd);
                else player_.scale_viewport_ext(xn, xd, yn, yd);
                return;
            }
            case kSetMapMode: return value(p, [&](uint32_t v) { player_.set_map_mode(int32_t(v)); });
            case kSetBkMode: return value(p, [&](uint32_t v) { player_.set_bk_mode(v); });
            case kSetPolyFillMode: return value(p, [&](uint32_t v) { player_.set_fill_mode(v); });
            case kSetRop2: return value(p, [&](uint32_t v) { player_.set_rop2(v); });
            case kSetStretchBltMode: return value(p, [&](uint32_t v) { player_.set_stretch_mode(v); });
            case kSetTextAlign: return value(p, [&](uint32_t v) { player_.set_text_align(v); });
            case kSetTextColour: return value(p, [&](uint32_t v) { player_.set_text_colour(colour_ref(v)); });
            case kSetBkColour: return value(p, [&](uint32_t v) { player_.set_bk_colour(colour_ref(v)); });
            case kSetArcDirection: return value(p, [&](uint32_t v) { player_.set_arc_direction(v); });
            case kSetMiterLimit: return value(p, [&](uint32_t v) { player_.set_miter_limit(double(v)); });
            case kSelectObject: return value(p, [&](uint32_t v) { player_.select_object(v); });
            case kDeleteObject: return value(p, [&](uint32_t v) { player_.delete_object(v); });
            case kSelectClipPath: return value(p, [&](uint32_t v) { player_.select_clip_path(v); });
            case kRestoreDc: return value(p, [&](uint32_t v) { player_.restore_dc(int32_t(v)); });
            case kSaveDc: return player_.save_dc();
            case kBeginPath: return player_.begin_path();
            case kEndPath: return player_.end_path();
            case kCloseFigure: return player_.close_figure();
            case kFillPath: return player_.fill_path();
            case kStrokeAndFillPath: return player_.stroke_and_fill_path();
            case kStrokePath: return player_.stroke_path();
            case kAbortPath: return player_.abort_path();
            case kOffsetClipRgn: return pair(p, [&](Point v) { player_.offset_clip(v.x, v.y); });
            case kMoveTo: return pair(p, [&](Point v) { player_.move_to(v); });
            case kLineTo: return pair(p, [&](Point v) { player_.line_to(v); });
            case kSetPixel: {
                Point at;
                uint32_t c;
                if (point32(p, at) && p.u32le(c)) player_.set_pixel(at, colour_ref(c));
                return;
            }
            case kExcludeClipRect:
            case kIntersectClipRect: {
                Rect r;
                if (!rect32(p, r)) return;
                if (type_ == kExcludeClipRect) player_.exclude_clip_rect(r);
                else player_.intersect_clip_rect(r);
                return;
            }
            case kSetWorldTransform: {
                Affine m;
                if (xform(p, m)) player_.set_world_transform(m);
                return;
            }
            case kModifyWorldTransform: {
                Affine m;
                uint32_t mode;
                if (p.remaining() >= 28 && p.skip(24) && p.u32le(mode)) {
                    p.seek(0);
                    // The identity mode carries no usable transform.
                    if (mode == 1 || xform(p, m)) player_.modify_world_transform(m, mode);
                }
                return;
            }
            case kCreatePen: return create_pen(p);
            case kExtCreatePen: return ext_create_pen(p);
            case kCreateBrushIndirect: return create_brush(p);
            case kCreateMonoBrush:
            case kCreateDibPatternBrushPt: return create_pattern_brush(p);
            case kExtCreateFontIndirectW: return create_font(p);
            case kEllipse:
            case kRectangle: {
                Rect r;
                if (!rect32(p, r)) return;
                if (type_ == kEllipse) player_.ellipse(r);
                else player_.rectangle(r);
                return;
            }
            case kRoundRect: {
                Rect r;
                Point corner;
                if (rect32(p, r) && point32(p, corner)) player_.round_rect(r, corner.x, corner.y);
                return;
            }
            case kArc: case kChord: case kPie: case kArcTo: {
                Rect r;
                Point start, end;
                if (!rect32(p, r) || !point32(p, start) || !point32(p, end)) return;
                const ArcKind kind = type_ == kChord ? kArcChord : type_ == kPie ? kArcPie : kArcOpen;
                player_.arc(kind, r, start, end, type_ == kArcTo);
                return;
            }
            case kAngleArc: {
                Point c;
                uint32_t radius;
                double start, sweep;
                if (point32(p, c) && p.u32le(radius) && f32(p, start) && f32(p, sweep))
                    player_.angle_arc(c, double(radius), start, sweep);
                return;
            }
            case kFillRgn: case kFrameRgn: case kPaintRgn: return paint_region(p);
            case kExtSelectClipRgn: {
                uint32_t bytes, mode;
                Region rects;
                if (!p.u32le(bytes) || !p.u32le(mode)) return;
                if (bytes == 0) {
                    if (mode == kRgnCopy) player_.select_clip_region({}, kRgnCopy);  // back to the whole picture
                    return;
                }
                if (region(p, bytes, rects)) player_.select_clip_region(rects, mode);
                return;
            }
            case kExtTextOutA: case kExtTextOutW: return text(p, type_ == kExtTextOutW);
            case kPolyTextOutA: case kPolyTextOutW: return poly_text(p, type_ == kPolyTextOutW);
            case kBitBlt: case kStretchBlt: case kSetDIBitsToDevice: case kStretchDIBits: case kAlphaBlend:
            case kTransparentBlt:
                return raster(p);
            default: return;  // records without a picture of their own
        }
    }

private:
    template <class Fn>
    void value(ByteReader& p, Fn&& fn) {
        uint32_t v;
        if (p.u32le(v)) fn(v);
    }
    template <class Fn>
    void pair(ByteReader& p, Fn&& fn) {
        Point v;
        if (point32(p, v)) fn(v);
    }

    void poly(ByteReader& p, uint32_t kind, bool wide) {
        uint32_t count;
        std::vector<Point> pts;
        if (!p.skip(16) || !p.u32le(count) || !points(p, count, wide, pts)) return;
        switch (kind) {
            case kPolyBezier: return player_.poly_bezier(pts, false);
            case kPolyBezierTo: return player_.poly_bezier(pts, true);
            case kPolygon: return player_.polygon(pts);
            case kPolyline: return player_.polyline(pts, false);
            case kPolylineTo: return player_.polyline(pts, true);
            default: return;
        }
    }

    void poly_poly(ByteReader& p, bool polygons, bool wide) {
        uint32_t n, total;
        std::vector<uint32_t> sizes;
        std::vector<Point> pts;
        if (!p.skip(16) || !p.u32le(n) || !p.u32le(total) || !counts(p, n, sizes) || !points(p, total, wide, pts))
            return;
        if (polygons) player_.poly_polygon(pts, sizes);
        else player_.poly_polyline(pts, sizes);
    }

    void poly_draw(ByteReader& p, bool wide) {
        uint32_t count;
        std::vector<Point> pts;
        Bytes types;
        if (!p.skip(16) || !p.u32le(count) || !points(p, count, wide, pts) || !p.bytes(count, types)) return;
        player_.poly_draw(pts, types);
    }

    void create_pen(ByteReader& p) {
        uint32_t index, style, colour;
        Point width;
        if (p.u32le(index) && p.u32le(style) && point32(p, width) && p.u32le(colour))
            player_.create_object(index, make_pen(style, width.x, colour_ref(colour)));
    }

    void ext_create_pen(ByteReader& p) {
        uint32_t index, offBmi, cbBmi, offBits, cbBits, style, width, brushStyle, colour, hatch, entries;
        if (!p.u32le(index) || !p.u32le(offBmi) || !p.u32le(cbBmi) || !p.u32le(offBits) || !p.u32le(cbBits) ||
            !p.u32le(style) || !p.u32le(width) || !p.u32le(brushStyle) || !p.u32le(colour) || !p.u32le(hatch) ||
            !p.u32le(entries))
            return;
        std::vector<uint32_t> dashes;
        if ((style & 0x0F) == 7 && !counts(p, entries, dashes)) return;  // user dashes
        Pen pen = make_pen(style, double(width), colour_ref(colour), (style & 0x000F0000u) == 0, dashes);
        if (brushStyle == 1) pen.style = LineStyle::None;  // a pen of the hollow brush
        player_.create_object(index, pen);
    }

    void create_brush(ByteReader& p) {
        uint32_t index, style, colour, hatch;
        if (p.u32le(index) && p.u32le(style) && p.u32le(colour) && p.u32le(hatch))
            player_.create_object(index, make_brush(style, colour_ref(colour), hatch));
    }

    void create_pattern_brush(ByteReader& p) {
        uint32_t index, usage, offBmi, cbBmi, offBits, cbBits;
        if (!p.u32le(index) || !p.u32le(usage) || !p.u32le(offBmi) || !p.u32le(cbBmi) || !p.u32le(offBits) ||
            !p.u32le(cbBits))
            return;
        Bytes header, bits;
        if (!dib(offBmi, cbBmi, offBits, cbBits, header, bits)) header = bits = {};
        player_.create_object(index, pattern_brush(header, bits));
    }

    void create_font(ByteReader& p) {
        uint32_t index;
        int32_t height, width, escapement, orientation, weight;
        uint8_t italic, underline, strikeout, charset;
        Bytes face;
        if (!p.u32le(index) || !p.i32le(height) || !p.i32le(width) || !p.i32le(escapement) ||
            !p.i32le(orientation) || !p.i32le(weight) || !p.u8(italic) || !p.u8(underline) || !p.u8(strikeout) ||
            !p.u8(charset) || !p.skip(4) || !p.bytes(64, face))
            return;
        std::vector<uint16_t> units;
        for (size_t i = 0; i + 1 < face.size(); i += 2) {
            const uint16_t u = uint16_t(face[i] | face[i + 1] << 8);
            if (u == 0) break;
            units.push_back(u);
        }
        LogFont f;
        f.font.face = utf8_from_utf16(units);
        f.rawHeight = double(height);
        f.font.weight = weight == 0 ? 400 : weight;
        f.font.italic = italic != 0;
        f.font.underline = underline != 0;
        f.font.strikeout = strikeout != 0;
        f.font.escapement = double(escapement) / 10;
        player_.create_object(index, f);
    }

    void paint_region(ByteReader& p) {
        uint32_t bytes, index = 0;
        int32_t w = 1, h = 1;
        Region rects;
        if (!p.skip(16) || !p.u32le(bytes)) return;
        if (type_ != kPaintRgn && !p.u32le(index)) return;
        if (type_ == kFrameRgn && (!p.i32le(w) || !p.i32le(h))) return;
        if (!region(p, bytes, rects)) return;
        const Brush* brush = &player_.brush();
        if (type_ != kPaintRgn) {
            const Object* o = player_.object(index);
            brush = o != nullptr ? std::get_if<Brush>(o) : nullptr;
            if (brush == nullptr) return;
        }
        if (type_ == kFrameRgn) player_.frame_region(rects, *brush, w, h);
        else player_.fill_region(rects, *brush);
    }

    // One text of a text record: reference point, characters, options,
    // rectangle and advances, the string and advances at offsets from the
    // record's start.
    void emr_text(ByteReader& p, bool wide) {
        Point origin;
        uint32_t chars, offString, options, offDx;
        Rect rect;
        if (!point32(p, origin) || !p.u32le(chars) || !p.u32le(offString) || !p.u32le(options) ||
            !rect32(p, rect) || !p.u32le(offDx))
            return;
        ByteReader whole(record_);
        Bytes string;
        if (!whole.bytes_at(offString, uint64_t(chars) * (wide ? 2 : 1), string)) return;
        std::vector<double> advances;
        Bytes dx;
        const uint64_t perChar = (options & kEtoPdy) ? 8 : 4;
        if (offDx != 0 && whole.bytes_at(offDx, uint64_t(chars) * perChar, dx)) {
            ByteReader d(dx);
            advances.resize(chars);
            for (double& a : advances) {
                int32_t v = 0;
                d.i32le(v);
                a = double(v);
                if (perChar == 8) d.skip(4);
            }
        }
        Player::TextOut t;
        t.origin = origin;
        const bool hasRect = (options & kEtoNoRect) == 0;
        t.opaqueRect = hasRect && (options & kEtoOpaque) != 0;
        t.clipped = hasRect && (options & kEtoClipped) != 0;
        t.rect = rect;
        // Glyph numbers of a font we do not have cannot be turned into
        // characters: only the background is drawn.
        if ((options & kEtoGlyphIndex) == 0) {
            if (wide) {
                std::vector<uint16_t> units(chars);
                ByteReader s(string);
                for (uint16_t& u : units) s.u16le(u);
                t.chars = text_from_utf16(units, advances);
            } else {
                t.chars = text_from_ansi(string, advances);
            }
        }
        player_.text_out(t);
    }

    void text(ByteReader& p, bool wide) {
        if (p.skip(16 + 12)) emr_text(p, wide);  // bounds, graphics mode, scales
    }

    void poly_text(ByteReader& p, bool wide) {
        uint32_t strings;
        if (!p.skip(16 + 12) || !p.u32le(strings)) return;
        for (uint32_t i = 0; i < strings && p.remaining() >= 40; ++i) {
            const size_t next = p.pos() + 40;
            emr_text(p, wide);
            p.seek(next);
        }
    }

    bool dib(uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits, Bytes& header, Bytes& bits) const {
        ByteReader r(record_);
        return cbBmi > 0 && r.bytes_at(offBmi, cbBmi, header) && r.bytes_at(offBits, cbBits, bits);
    }

    void raster(ByteReader& p) {
        int32_t xd, yd, cxd = 0, cyd = 0, xs, ys, cxs = 0, cys = 0;
        uint32_t rop = kRopSrcCopy, offBmi, cbBmi, offBits, cbBits, usage;
        bool dibOrigin = false;
        if (!p.skip(16)) return;  // bounds
        if (type_ == kStretchDIBits) {
            if (!p.i32le(xd) || !p.i32le(yd) || !p.i32le(xs) || !p.i32le(ys) || !p.i32le(cxs) || !p.i32le(cys) ||
                !p.u32le(offBmi) || !p.u32le(cbBmi) || !p.u32le(offBits) || !p.u32le(cbBits) || !p.u32le(usage) ||
                !p.u32le(rop) || !p.i32le(cxd) || !p.i32le(cyd))
                return;
            dibOrigin = true;
        } else if (type_ == kSetDIBitsToDevice) {
            if (!p.i32le(xd) || !p.i32le(yd) || !p.i32le(xs) || !p.i32le(ys) || !p.i32le(cxs) || !p.i32le(cys) ||
                !p.u32le(offBmi) || !p.u32le(cbBmi) || !p.u32le(offBits) || !p.u32le(cbBits))
                return;
            cxd = cxs;
            cyd = cys;
            dibOrigin = true;
        } else {
            // Bit block transfers: destination, operation (or blend function,
            // or transparent colour), source corner, source transform and
            // background, then the bitmap and, when stretched, the source extent.
            uint32_t background;
            if (!p.i32le(xd) || !p.i32le(yd) || !p.i32le(cxd) || !p.i32le(cyd) || !p.u32le(rop) || !p.i32le(xs) ||
                !p.i32le(ys) || !p.skip(24) || !p.u32le(background) || !p.u32le(usage) || !p.u32le(offBmi) ||
                !p.u32le(cbBmi) || !p.u32le(offBits) || !p.u32le(cbBits))
                return;
            cxs = cxd;
            cys = cyd;
            if (type_ != kBitBlt && (!p.i32le(cxs) || !p.i32le(cys))) return;
        }
        const Rect dest{double(xd), double(yd), double(xd) + cxd, double(yd) + cyd};
        Bytes header, bits;
        if (!dib(offBmi, cbBmi, offBits, cbBits, header, bits)) {
            if (type_ == kBitBlt || type_ == kStretchBlt) player_.draw_picture(nullptr, 0, 0, 0, 0, dest, rop);
            return;
        }
        bool bottomUp = false;
        std::shared_ptr<Picture> pic = picture_from_dib(header, bits, &bottomUp);
        if (!pic) return;  // a bitmap we cannot read is left out
        double opacity = 1;
        if (type_ == kAlphaBlend) {
            // Blend function: operation, flags, constant alpha, alpha format.
            opacity = double((rop >> 16) & 0xFF) / 255;
            if ((rop >> 24) & 1) use_stored_alpha(header, bits, *pic);
        } else if (type_ == kTransparentBlt) {
            const Colour key = colour_ref(rop);
            for (size_t i = 0; i < pic->rgba.size(); i += 4)
                pic->rgba[i + 3] = Colour{pic->rgba[i], pic->rgba[i + 1], pic->rgba[i + 2]} == key ? 0 : 255;
            pic->keyed = true;
        } else {
            apply_raster_operation(*pic, rop);
        }
        double sy = ys;
        // Source corners given in bitmap coordinates count from the bitmap's
        // first stored row, the bottom one when it is stored bottom up.
        if (dibOrigin && bottomUp) sy = double(pic->height) - ys - cys;
        player_.draw_picture(pic.get(), xs, sy, cxs, cys, dest, kRopSrcCopy, opacity);
    }

    // Blending sources of 32 bits keep their alpha in the fourth byte,
    // which a plain bitmap leaves unused.
    static void use_stored_alpha(Bytes header, Bytes bits, Picture& pic) {
        ByteReader h(header);
        uint32_t size, compression;
        int32_t w, height;
        uint16_t planes, bpp;
        if (!h.u32le(size) || size < 40 || !h.i32le(w) || !h.i32le(height) || !h.u16le(planes) || !h.u16le(bpp) ||
            !h.u32le(compression) || bpp != 32 || (compression != 0 && compression != 3))
            return;
        if (uint64_t(pic.width) * pic.height * 4 > bits.size()) return;
        for (uint32_t y = 0; y < pic.height; ++y) {
            const uint32_t stored = height > 0 ? pic.height - 1 - y : y;
            const uint8_t* in = bits.data() + size_t(stored) * pic.width * 4;
            uint8_t* out = pic.rgba.data() + size_t(y) * pic.width * 4;
            for (uint32_t x = 0; x < pic.width; ++x) out[x * 4 + 3] = in[x * 4 + 3];
        }
        pic.premultiplied = true;
    }

    Player& player_;
    Bytes record_;
    uint32_t type_;
};

}  // namespace

bool play_emf(Bytes data, Canvas& canvas, uint32_t width, uint32_t height, Point origin) {
    ByteReader r(data);
    uint32_t type, size, signature, version, bytes, records;
    uint16_t handles, reserved;
    Rect bounds, frame;
    if (!r.u32le(type) || type != kHeader || !r.u32le(size) || !rect32(r, bounds) || !rect32(r, frame) ||
        !r.u32le(signature) || !r.u32le(version) || !r.u32le(bytes) || !r.u32le(records) || !r.u16le(handles) ||
        !r.u16le(reserved))
        return false;
    int32_t devX = 0, devY = 0, mmX = 0, mmY = 0, umX = 0, umY = 0;
    if (!r.seek(72) || !r.i32le(devX) || !r.i32le(devY) || !r.i32le(mmX) || !r.i32le(mmY)) return false;
    if (size >= 108 && r.seek(100)) r.i32le(umX) && r.i32le(umY);
    if (size < 88 || !r.seek(size)) return false;
    // Device pixels per millimetre of the reference device; micrometres
    // when the header has them are the finer measure.
    double perMmX = 96 / 25.4, perMmY = 96 / 25.4;
    if (devX > 0 && devY > 0 && umX > 0 && umY > 0) {
        perMmX = devX * 1000.0 / umX;
        perMmY = devY * 1000.0 / umY;
    } else if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) {
        perMmX = double(devX) / mmX;
        perMmY = double(devY) / mmY;
    }
    // The bounds are inclusive device pixels; a header without bounds falls
    // back to its frame (hundredths of a millimetre).
    double left = bounds.left, top = bounds.top;
    double extentX = bounds.right - bounds.left + 1, extentY = bounds.bottom - bounds.top + 1;
    if (!(extentX >= 1 && extentY >= 1)) {
        left = frame.left * perMmX / 100;
        top = frame.top * perMmY / 100;
        extentX = (frame.right - frame.left) * perMmX / 100;
        extentY = (frame.bottom - frame.top) * perMmY / 100;
    }
    if (!(extentX >= 1) || !(extentY >= 1)) return false;
    const Affine toCanvas = Affine::translation(-left, -top)
                                .then(Affine::scaling(width / extentX, height / extentY))
                                .then(Affine::translation(-origin.x, -origin.y));
    Player player(canvas, toCanvas, std::max<size_t>(handles, 1));
    player.set_device_resolution(perMmX, perMmY);
    while (true) {
        const size_t start = r.pos();
        Bytes record;
        if (!r.u32le(type) || !r.u32le(size) || size < 8 || !r.bytes_at(start, size, record) || !r.seek(start + size))
            return false;  // cut short or damaged
        if (type == kEof) return true;
        EmfPlayer(player, record, type).play();
    }
}

}  // namespace imglib::metafile
