// Windows metafile records: a size in 16-bit words, a function number and
// parameters, most of them 16-bit and stored last to first.
#include <vector>

#include "platform/imglib/codecs.h"
#include "platform/imglib/metafile_records.h"

namespace imglib::metafile {

namespace {

enum : uint16_t {
    kEof = 0x0000,
    kSaveDc = 0x001E,
    kRealizePalette = 0x0035,
    kSetPalEntries = 0x0037,
    kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetRop2 = 0x0104,
    kSetPolyFillMode = 0x0106,
    kSetStretchBltMode = 0x0107,
    kRestoreDc = 0x0127,
    kFillRegion = 0x0228,
    kFrameRegion = 0x0429,
    kPaintRegion = 0x012B,
    kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kSetBkColour = 0x0201,
    kSetTextColour = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kOffsetWindowOrg = 0x020F,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kOffsetClipRgn = 0x0220,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kSetPixel = 0x041F,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kBitBlt = 0x0922,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kStretchBlt = 0x0B23,
    kDibStretchBlt = 0x0B41,
    kSetDibToDev = 0x0D33,
    kStretchDib = 0x0F43,
};

struct WmfRecord {
    uint16_t function = 0;
    Bytes params;
};

// Reads the record at the cursor; false at damaged or missing data.
bool next_record(ByteReader& r, WmfRecord& rec) {
    const size_t start = r.pos();
    uint32_t words;
    if (!r.u32le(words) || words < 3 || !r.u16le(rec.function)) return false;
    return r.bytes_at(start + 6, uint64_t(words) * 2 - 6, rec.params) && r.seek(start + uint64_t(words) * 2);
}

bool i16s(ByteReader& r, int16_t* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!r.i16le(v[i])) return false;
    return true;
}

// y, x stored in that order.
bool point_yx(ByteReader& r, Point& p) {
    int16_t v[2];
    if (!i16s(r, v, 2)) return false;
    p = {double(v[1]), double(v[0])};
    return true;
}

// bottom, right, top, left stored in that order.
bool rect_brtl(ByteReader& r, Rect& out) {
    int16_t v[4];
    if (!i16s(r, v, 4)) return false;
    out = {double(v[3]), double(v[2]), double(v[1]), double(v[0])};
    return true;
}

bool points_xy(ByteReader& r, uint32_t count, std::vector<Point>& out) {
    if (uint64_t(count) * 4 > r.remaining()) return false;
    out.resize(count);
    for (Point& p : out) {
        int16_t x = 0, y = 0;
        r.i16le(x), r.i16le(y);
        p = {double(x), double(y)};
    }
    return true;
}

// A region object: a header with the scan count, then scans of equal-height
// bands, each a list of left-right pairs.
bool parse_region(ByteReader& p, Region& out) {
    int16_t type, size, scans, maxScan;
    uint16_t next;
    uint32_t count;
    int16_t bounds[4];
    if (!p.u16le(next) || !p.i16le(type) || !p.u32le(count) || !p.i16le(size) || !p.i16le(scans) ||
        !p.i16le(maxScan) || !i16s(p, bounds, 4) || scans < 0)
        return false;
    for (int16_t s = 0; s < scans; ++s) {
        uint16_t pairs2, top, bottom, trailer;
        if (!p.u16le(pairs2) || !p.u16le(top) || !p.u16le(bottom) || uint64_t(pairs2) * 2 > p.remaining()) return false;
        for (uint16_t i = 0; i + 1 < pairs2; i += 2) {
            uint16_t left = 0, right = 0;
            p.u16le(left), p.u16le(right);
            const auto v = [](uint16_t u) { return double(int16_t(u)); };
            out.push_back({v(left), v(top), v(right), v(bottom)});
        }
        if (pairs2 % 2 != 0 && !p.skip(2)) return false;
        if (!p.u16le(trailer)) return false;
    }
    return true;
}

class WmfPlayer {
public:
    WmfPlayer(Player& player, const WmfRecord& rec) : player_(player), rec_(rec) {}

    void play() {
        ByteReader p(rec_.params);
        switch (rec_.function) {
            case kSetBkColour: return colour(p, [&](Colour c) { player_.set_bk_colour(c); });
            case kSetTextColour: return colour(p, [&](Colour c) { player_.set_text_colour(c); });
            case kSetBkMode: return word(p, [&](uint16_t v) { player_.set_bk_mode(v); });
            case kSetMapMode: return word(p, [&](uint16_t v) { player_.set_map_mode(v); });
            case kSetRop2: return word(p, [&](uint16_t v) { player_.set_rop2(v); });
            case kSetPolyFillMode: return word(p, [&](uint16_t v) { player_.set_fill_mode(v); });
            case kSetStretchBltMode: return word(p, [&](uint16_t v) { player_.set_stretch_mode(v); });
            case kSetTextAlign: return word(p, [&](uint16_t v) { player_.set_text_align(v); });
            case kSelectObject: return word(p, [&](uint16_t v) { player_.select_object(v); });
            case kDeleteObject: return word(p, [&](uint16_t v) { player_.delete_object(v); });
            case kRestoreDc: return word(p, [&](uint16_t v) { player_.restore_dc(int16_t(v)); });
            case kSaveDc: return player_.save_dc();
            case kSetWindowOrg: return yx(p, [&](Point v) { player_.set_window_org(v.x, v.y); });
            case kSetWindowExt: return yx(p, [&](Point v) { player_.set_window_ext(v.x, v.y); });
            case kOffsetWindowOrg: return yx(p, [&](Point v) { player_.offset_window_org(v.x, v.y); });
            case kOffsetClipRgn: return yx(p, [&](Point v) { player_.offset_clip(v.x, v.y); });
            case kMoveTo: return yx(p, [&](Point v) { player_.move_to(v); });
            case kLineTo: return yx(p, [&](Point v) { player_.line_to(v); });
            case kScaleWindowExt: {
                int16_t v[4];  // y denominator, y numerator, x denominator, x numerator
                if (i16s(p, v, 4)) player_.scale_window_ext(v[3], v[2], v[1], v[0]);
                return;
            }
            case kExcludeClipRect:
            case kIntersectClipRect: {
                Rect r;
                if (!rect_brtl(p, r)) return;
                if (rec_.function == kExcludeClipRect) player_.exclude_clip_rect(r);
                else player_.intersect_clip_rect(r);
                return;
            }
            case kEllipse:
            case kRectangle: {
                Rect r;
                if (!rect_brtl(p, r)) return;
                if (rec_.function == kEllipse) player_.ellipse(r);
                else player_.rectangle(r);
                return;
            }
            case kRoundRect: {
                int16_t h, w;
                Rect r;
                if (p.i16le(h) && p.i16le(w) && rect_brtl(p, r)) player_.round_rect(r, w, h);
                return;
            }
            case kArc: case kPie: case kChord: {
                Point end, start;
                Rect r;
                if (!point_yx(p, end) || !point_yx(p, start) || !rect_brtl(p, r)) return;
                player_.arc(rec_.function == kArc ? kArcOpen : rec_.function == kPie ? kArcPie : kArcChord, r, start,
                            end);
                return;
            }
            case kSetPixel: {
                uint32_t c;
                Point at;
                if (p.u32le(c) && point_yx(p, at)) player_.set_pixel(at, colour_ref(c));
                return;
            }
            case kPolygon: case kPolyline: {
                uint16_t count;
                std::vector<Point> pts;
                if (!p.u16le(count) || !points_xy(p, count, pts)) return;
                if (rec_.function == kPolygon) player_.polygon(pts);
                else player_.polyline(pts, false);
                return;
            }
            case kPolyPolygon: {
                uint16_t n;
                std::vector<uint32_t> sizes;
                if (!p.u16le(n) || uint64_t(n) * 2 > p.remaining()) return;
                uint32_t total = 0;
                for (uint16_t i = 0; i < n; ++i) {
                    uint16_t c = 0;
                    p.u16le(c);
                    sizes.push_back(c);
                    total += c;
                }
                std::vector<Point> pts;
                if (points_xy(p, total, pts)) player_.poly_polygon(pts, sizes);
                return;
            }
            case kCreatePenIndirect: {
                uint16_t style;
                int16_t w, h;
                uint32_t c;
                if (p.u16le(style) && p.i16le(w) && p.i16le(h) && p.u32le(c))
                    player_.add_object(make_pen(style, w, colour_ref(c)));
                else
                    player_.add_object(Placeholder{});  // the slot is taken even so
                return;
            }
            case kCreateBrushIndirect: {
                uint16_t style, hatch = 0;
                uint32_t c;
                if (p.u16le(style) && p.u32le(c)) {
                    p.u16le(hatch);
                    player_.add_object(make_brush(style, colour_ref(c), hatch));
                } else {
                    player_.add_object(Placeholder{});
                }
                return;
            }
            case kDibCreatePatternBrush: return create_pattern_brush(p);
            case kCreateFontIndirect: return create_font(p);
            case kCreateRegion: {
                Region r;
                if (parse_region(p, r)) player_.add_object(std::move(r));
                else player_.add_object(Placeholder{});
                return;
            }
            case kCreatePalette:
            case kCreatePatternBrush: return player_.add_object(Placeholder{});
            case kFillRegion: case kFrameRegion: case kPaintRegion: return paint_region(p);
            case kSelectClipRegion: {
                uint16_t index;
                if (!p.u16le(index)) return;
                const Object* o = player_.object(index);
                const Region* r = o != nullptr ? std::get_if<Region>(o) : nullptr;
                player_.select_clip_region_logical(r != nullptr ? *r : Region{}, kRgnCopy);
                return;
            }
            case kTextOut: return text_out(p);
            case kExtTextOut: return ext_text_out(p);
            case kPatBlt: {
                uint32_t rop;
                int16_t v[4];  // height, width, y, x
                if (p.u32le(rop) && i16s(p, v, 4))
                    player_.draw_picture(nullptr, 0, 0, 0, 0, {double(v[3]), double(v[2]), double(v[3]) + v[1],
                                                               double(v[2]) + v[0]},
                                         rop);
                return;
            }
            case kDibBitBlt: case kDibStretchBlt: case kStretchDib: case kSetDibToDev: case kBitBlt: case kStretchBlt:
                return raster(p);
            default: return;
        }
    }

private:
    template <class Fn>
    void word(ByteReader& p, Fn&& fn) {
        uint16_t v;
        if (p.u16le(v)) fn(v);
    }
    template <class Fn>
    void colour(ByteReader& p, Fn&& fn) {
        uint32_t v;
        if (p.u32le(v)) fn(colour_ref(v));
    }
    template <class Fn>
    void yx(ByteReader& p, Fn&& fn) {
        Point v;
        if (point_yx(p, v)) fn(v);
    }

    void create_pattern_brush(ByteReader& p) {
        uint16_t style, usage;
        Bytes header, bits;
        if (!p.u16le(style) || !p.u16le(usage) || !codec::split_packed_dib(p.rest(), header, bits))
            header = bits = {};
        player_.add_object(pattern_brush(header, bits));
    }

    void create_font(ByteReader& p) {
        int16_t height, width, escapement, orientation, weight;
        uint8_t italic, underline, strikeout, charset;
        if (!p.i16le(height) || !p.i16le(width) || !p.i16le(escapement) || !p.i16le(orientation) ||
            !p.i16le(weight) || !p.u8(italic) || !p.u8(underline) || !p.u8(strikeout) || !p.u8(charset) ||
            !p.skip(4)) {
            player_.add_object(Placeholder{});
            return;
        }
        Bytes face = p.rest().first(std::min<size_t>(32, p.remaining()));
        for (size_t i = 0; i < face.size(); ++i)
            if (face[i] == 0) {
                face = face.first(i);
                break;
            }
        LogFont f;
        f.font.face = utf8_from_ansi(face);
        f.rawHeight = height;
        f.font.weight = weight == 0 ? 400 : weight;
        f.font.italic = italic != 0;
        f.font.underline = underline != 0;
        f.font.strikeout = strikeout != 0;
        f.font.escapement = double(escapement) / 10;
        player_.add_object(f);
    }

    void paint_region(ByteReader& p) {
        uint16_t region, brushIndex = 0;
        int16_t h = 1, w = 1;
        if (!p.u16le(region)) return;
        if (rec_.function != kPaintRegion && !p.u16le(brushIndex)) return;
        if (rec_.function == kFrameRegion && (!p.i16le(h) || !p.i16le(w))) return;
        const Object* ro = player_.object(region);
        const Region* rects = ro != nullptr ? std::get_if<Region>(ro) : nullptr;
        if (rects == nullptr) return;
        const Brush* brush = &player_.brush();
        if (rec_.function != kPaintRegion) {
            const Object* bo = player_.object(brushIndex);
            brush = bo != nullptr ? std::get_if<Brush>(bo) : nullptr;
            if (brush == nullptr) return;
        }
        if (rec_.function == kFrameRegion) player_.frame_region(*rects, *brush, w, h);
        else player_.fill_region(*rects, *brush);
    }

    void text_out(ByteReader& p) {
        uint16_t length;
        Bytes string;
        Point at;
        if (!p.u16le(length) || !p.bytes(length, string) || !p.skip(length & 1) || !point_yx(p, at)) return;
        Player::TextOut t;
        t.origin = at;
        t.chars = text_from_ansi(string, {});
        player_.text_out(t);
    }

    void ext_text_out(ByteReader& p) {
        Point at;
        uint16_t count, options;
        if (!point_yx(p, at) || !p.u16le(count) || !p.u16le(options)) return;
        Player::TextOut t;
        t.origin = at;
        if (options & 0x6) {  // opaque or clipped: a rectangle follows
            int16_t v[4];
            if (!i16s(p, v, 4)) return;
            t.rect = {double(v[0]), double(v[1]), double(v[2]), double(v[3])};
            t.opaqueRect = (options & 0x2) != 0;
            t.clipped = (options & 0x4) != 0;
        }
        Bytes string;
        if (!p.bytes(count, string)) return;
        p.skip(count & 1);
        std::vector<double> advances;
        if (p.remaining() >= uint64_t(count) * 2) {
            advances.resize(count);
            for (double& a : advances) {
                int16_t d = 0;
                p.i16le(d);
                a = d;
            }
        }
        t.chars = text_from_ansi(string, advances);
        player_.text_out(t);
    }

    void raster(ByteReader& p) {
        uint32_t rop;
        int16_t v[9];
        double sx = 0, sy = 0, scx = 0, scy = 0;
        Rect dest;
        bool dibOrigin = false;
        const auto place = [&](int16_t x, int16_t y, int16_t cx, int16_t cy) {
            dest = {double(x), double(y), double(x) + cx, double(y) + cy};
        };
        // Records of the older kind carry a device bitmap, which is not
        // drawn; without one they paint their rectangle as block transfers do.
        const bool device_bitmap = rec_.function == kBitBlt || rec_.function == kStretchBlt;
        switch (rec_.function) {
            case kStretchDib: {  // rop, usage, srcH, srcW, ySrc, xSrc, destH, destW, yDest, xDest
                uint16_t usage;
                if (!p.u32le(rop) || !p.u16le(usage) || !i16s(p, v, 8)) return;
                place(v[7], v[6], v[5], v[4]);
                sx = v[3], sy = v[2], scx = v[1], scy = v[0];
                dibOrigin = true;
                break;
            }
            case kDibStretchBlt:  // rop, srcH, srcW, ySrc, xSrc, destH, destW, yDest, xDest
            case kStretchBlt:
                if (!p.u32le(rop) || !i16s(p, v, 4)) return;
                // Without a bitmap the source fields are absent but one reserved word.
                if (p.remaining() == 10 && p.skip(2) && i16s(p, v + 4, 4)) {
                    place(v[3], v[2], v[1], v[0]);
                    player_.draw_picture(nullptr, 0, 0, 0, 0, dest, rop);
                    return;
                }
                if (!i16s(p, v + 4, 4)) return;
                place(v[7], v[6], v[5], v[4]);
                sx = v[3], sy = v[2], scx = v[1], scy = v[0];
                break;
            case kDibBitBlt:  // rop, ySrc, xSrc, height, width, yDest, xDest
            case kBitBlt:
                if (!p.u32le(rop)) return;
                if (p.remaining() == 14 && p.skip(2) && i16s(p, v, 6)) {
                    place(v[5], v[4], v[3], v[2]);
                    player_.draw_picture(nullptr, 0, 0, 0, 0, dest, rop);
                    return;
                }
                if (!i16s(p, v, 6)) return;
                place(v[5], v[4], v[3], v[2]);
                sx = v[1], sy = v[0], scx = v[3], scy = v[2];
                break;
            case kSetDibToDev:  // usage, scans, start scan, yDib, xDib, height, width, yDest, xDest
                if (!i16s(p, v, 9)) return;
                place(v[8], v[7], v[6], v[5]);
                sx = v[4], sy = v[3], scx = v[6], scy = v[5];
                rop = kRopSrcCopy;
                dibOrigin = true;
                break;
            default:
                return;
        }
        if (device_bitmap) return;
        Bytes header, bits;
        if (!codec::split_packed_dib(p.rest(), header, bits)) return;
        bool bottomUp = false;
        std::shared_ptr<Picture> pic = picture_from_dib(header, bits, &bottomUp);
        if (!pic) return;
        apply_raster_operation(*pic, rop);
        if (dibOrigin && bottomUp) sy = double(pic->height) - sy - scy;
        player_.draw_picture(pic.get(), sx, sy, scx, scy, dest, kRopSrcCopy);
    }

    Player& player_;
    const WmfRecord& rec_;
};

}  // namespace

bool play_wmf(Bytes data, Canvas& canvas, uint32_t width, uint32_t height, Point origin) {
    ByteReader r(data);
    uint32_t key = 0;
    int16_t box[4] = {};
    bool placeable = false;
    if (r.u32le(key) && key == 0x9AC6CDD7u) {
        uint16_t handle;
        placeable = r.u16le(handle) && i16s(r, box, 4) && r.skip(8);  // inch, reserved, checksum
        if (!placeable) return false;
    } else {
        r.seek(0);
    }
    uint16_t type, headerWords, version, objects = 0;
    uint32_t size = 0;
    const size_t headerStart = r.pos();
    if (!r.u16le(type) || !r.u16le(headerWords) || headerWords < 9 || !r.u16le(version) || !r.u32le(size) ||
        !r.u16le(objects) || !r.seek(headerStart + uint64_t(headerWords) * 2))
        return false;
    const size_t first = r.pos();
    // The picture: the window the records set, else the placeable box.
    Point org{}, ext{};
    WmfRecord rec;
    while (next_record(r, rec) && rec.function != kEof) {
        ByteReader p(rec.params);
        Point v;
        if (rec.function == kSetWindowOrg && point_yx(p, v)) org = v;
        if (rec.function == kSetWindowExt && point_yx(p, v)) ext = v;
    }
    if (ext.x == 0 || ext.y == 0) {
        if (!placeable) return false;
        org = {double(box[0]), double(box[1])};
        ext = {double(box[2]) - box[0], double(box[3]) - box[1]};
        if (ext.x == 0 || ext.y == 0) return false;
    }
    Player player(canvas, Affine::translation(-origin.x, -origin.y), objects);
    player.lock_viewport(width, height);
    player.set_window_org(org.x, org.y);
    player.set_window_ext(ext.x, ext.y);
    r.seek(first);
    while (true) {
        if (!next_record(r, rec)) return false;  // cut short or damaged
        if (rec.function == kEof) return true;
        WmfPlayer(player, rec).play();
    }
}

}  // namespace imglib::metafile
