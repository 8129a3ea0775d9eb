#include "support/metafile_builder.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace samples {

namespace {

void le16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void le32(Bytes& b, uint32_t v) {
    le16(b, v);
    le16(b, v >> 16);
}
void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

EmfBuilder::EmfBuilder(int left, int top, int right, int bottom, uint16_t handles, double pixelsPerMm) {
    const int w = right - left + 1, h = bottom - top + 1;
    const auto mm = [&](int px) { return uint32_t(std::lround(px / pixelsPerMm)); };
    le32(bytes_, 1), le32(bytes_, 108);
    for (int v : {left, top, right, bottom}) le32(bytes_, uint32_t(v));
    // Frame in hundredths of a millimetre.
    for (int v : {left, top, right, bottom}) le32(bytes_, uint32_t(std::lround(v * 100 / pixelsPerMm)));
    le32(bytes_, 0x464D4520), le32(bytes_, 0x10000), le32(bytes_, 0), le32(bytes_, 0);
    le16(bytes_, handles), le16(bytes_, 0);
    le32(bytes_, 0), le32(bytes_, 0), le32(bytes_, 0);
    le32(bytes_, uint32_t(w)), le32(bytes_, uint32_t(h)), le32(bytes_, mm(w)), le32(bytes_, mm(h));
    le32(bytes_, 0), le32(bytes_, 0), le32(bytes_, 0);
    le32(bytes_, uint32_t(std::lround(w * 1000 / pixelsPerMm)));  // micrometres
    le32(bytes_, uint32_t(std::lround(h * 1000 / pixelsPerMm)));
}

EmfBuilder& EmfBuilder::raw(uint32_t type, const Bytes& body) {
    le32(bytes_, type);
    le32(bytes_, uint32_t(8 + body.size()));
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    ++records_;
    return *this;
}

EmfBuilder& EmfBuilder::record(uint32_t type, std::initializer_list<int64_t> fields) {
    Bytes body;
    for (int64_t f : fields) le32(body, uint32_t(f));
    return raw(type, body);
}

EmfBuilder& EmfBuilder::create_pen(uint32_t index, uint32_t style, int width, uint32_t colour) {
    return record(38, {index, style, width, 0, colour});
}

EmfBuilder& EmfBuilder::create_brush(uint32_t index, uint32_t style, uint32_t colour, uint32_t hatch) {
    return record(39, {index, style, colour, hatch});
}

EmfBuilder& EmfBuilder::create_font(uint32_t index, int height, int weight, const std::string& face, int escapement) {
    Bytes body;
    le32(body, index);
    for (int v : {height, 0, escapement, escapement, weight}) le32(body, uint32_t(v));
    body.insert(body.end(), {0, 0, 0, 0, 0, 0, 0, 0});  // italic .. pitch and family
    for (size_t i = 0; i < 32; ++i) le16(body, i < face.size() ? uint8_t(face[i]) : 0);
    return raw(82, body);
}

EmfBuilder& EmfBuilder::poly16(uint32_t type, const std::vector<std::pair<int, int>>& points) {
    Bytes body(16, 0);
    le32(body, uint32_t(points.size()));
    for (auto [x, y] : points) le16(body, uint32_t(x)), le16(body, uint32_t(y));
    return raw(type, body);
}

EmfBuilder& EmfBuilder::poly32(uint32_t type, const std::vector<std::pair<int, int>>& points) {
    Bytes body(16, 0);
    le32(body, uint32_t(points.size()));
    for (auto [x, y] : points) le32(body, uint32_t(x)), le32(body, uint32_t(y));
    return raw(type, body);
}

EmfBuilder& EmfBuilder::poly_polygon(bool wide, const std::vector<std::vector<std::pair<int, int>>>& polygons) {
    Bytes body(16, 0);
    uint32_t total = 0;
    for (const auto& p : polygons) total += uint32_t(p.size());
    le32(body, uint32_t(polygons.size()));
    le32(body, total);
    for (const auto& p : polygons) le32(body, uint32_t(p.size()));
    for (const auto& p : polygons)
        for (auto [x, y] : p) {
            if (wide) le32(body, uint32_t(x)), le32(body, uint32_t(y));
            else le16(body, uint32_t(x)), le16(body, uint32_t(y));
        }
    return raw(wide ? 8 : 91, body);
}

EmfBuilder& EmfBuilder::text(int x, int y, const std::string& text, uint32_t options, const std::vector<int>& dx,
                             int rectLeft, int rectTop, int rectRight, int rectBottom) {
    // bounds, graphics mode, x and y scale, then the text's fields.
    constexpr uint32_t kFixed = 8 + 16 + 12 + 40;
    const uint32_t offString = kFixed;
    const uint32_t stringBytes = uint32_t((text.size() * 2 + 3) & ~size_t(3));
    const uint32_t offDx = dx.empty() ? 0 : offString + stringBytes;
    Bytes body(16, 0);
    le32(body, 1), le32(body, 0), le32(body, 0);
    le32(body, uint32_t(x)), le32(body, uint32_t(y)), le32(body, uint32_t(text.size())), le32(body, offString);
    le32(body, options);
    for (int v : {rectLeft, rectTop, rectRight, rectBottom}) le32(body, uint32_t(v));
    le32(body, offDx);
    for (char c : text) le16(body, uint8_t(c));
    while ((body.size() + 8) % 4 != 0) body.push_back(0);
    for (int d : dx) le32(body, uint32_t(d));
    return raw(84, body);
}

EmfBuilder& EmfBuilder::blit(uint32_t type, int x, int y, int cx, int cy, uint32_t rop, int sx, int sy, int scx,
                             int scy, const Bytes& info, const Bytes& bits) {
    const bool stretched = type != 76;
    const uint32_t fixed = 8 + 16 + 20 + 8 + 24 + 8 + 16 + (stretched ? 8 : 0);
    Bytes body(16, 0);
    for (int v : {x, y, cx, cy}) le32(body, uint32_t(v));
    le32(body, rop), le32(body, uint32_t(sx)), le32(body, uint32_t(sy));
    for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) le32(body, std::bit_cast<uint32_t>(f));
    le32(body, 0), le32(body, 0);
    le32(body, info.empty() ? 0 : fixed), le32(body, uint32_t(info.size()));
    le32(body, info.empty() ? 0 : fixed + uint32_t(info.size())), le32(body, uint32_t(bits.size()));
    if (stretched) le32(body, uint32_t(scx)), le32(body, uint32_t(scy));
    body.insert(body.end(), info.begin(), info.end());
    body.insert(body.end(), bits.begin(), bits.end());
    return raw(type, body);
}

EmfBuilder& EmfBuilder::stretch_dibits(int x, int y, int cx, int cy, int sx, int sy, int scx, int scy,
                                       const Bytes& info, const Bytes& bits, uint32_t rop) {
    const uint32_t fixed = 8 + 16 + 56;
    Bytes body(16, 0);
    for (int v : {x, y, sx, sy, scx, scy}) le32(body, uint32_t(v));
    le32(body, fixed), le32(body, uint32_t(info.size())), le32(body, fixed + uint32_t(info.size()));
    le32(body, uint32_t(bits.size())), le32(body, 0), le32(body, rop);
    le32(body, uint32_t(cx)), le32(body, uint32_t(cy));
    body.insert(body.end(), info.begin(), info.end());
    body.insert(body.end(), bits.begin(), bits.end());
    return raw(81, body);
}

EmfBuilder& EmfBuilder::world(float m11, float m12, float m21, float m22, float dx, float dy) {
    Bytes body;
    for (float f : {m11, m12, m21, m22, dx, dy}) le32(body, std::bit_cast<uint32_t>(f));
    return raw(35, body);
}

Bytes EmfBuilder::finish() {
    Bytes out = bytes_;
    le32(out, 14), le32(out, 20), le32(out, 0), le32(out, 16), le32(out, 20);
    put32(out, 48, uint32_t(out.size()));
    put32(out, 52, records_ + 1);
    return out;
}

Bytes dib_info(int width, int height, int bits) {
    Bytes b;
    le32(b, 40), le32(b, uint32_t(width)), le32(b, uint32_t(height)), le16(b, 1), le16(b, uint32_t(bits));
    for (int i = 0; i < 6; ++i) le32(b, 0);
    return b;
}

Bytes dib_rows32(int width, int height, const Bytes& rgba, bool top_down) {
    Bytes rows;
    for (int i = 0; i < height; ++i) {
        const int y = top_down ? i : height - 1 - i;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            rows.insert(rows.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    return rows;
}

WmfBuilder::WmfBuilder(int left, int top, int right, int bottom, uint16_t objects) {
    le32(bytes_, 0x9AC6CDD7), le16(bytes_, 0);
    for (int v : {left, top, right, bottom}) le16(bytes_, uint32_t(v));
    le16(bytes_, 96), le32(bytes_, 0);
    // The checksum: the xor of the ten words before it.
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(bytes_[i] | bytes_[i + 1] << 8);
    le16(bytes_, sum);
    headerAt_ = bytes_.size();
    le16(bytes_, 1), le16(bytes_, 9), le16(bytes_, 0x0300), le32(bytes_, 0), le16(bytes_, objects), le32(bytes_, 0);
    le16(bytes_, 0);
}

WmfBuilder& WmfBuilder::raw(uint16_t function, const Bytes& params) {
    Bytes p = params;
    if (p.size() % 2 != 0) p.push_back(0);
    const uint32_t words = uint32_t(3 + p.size() / 2);
    le32(bytes_, words);
    le16(bytes_, function);
    bytes_.insert(bytes_.end(), p.begin(), p.end());
    if (words > maxRecord_) maxRecord_ = words;
    return *this;
}

WmfBuilder& WmfBuilder::record(uint16_t function, std::initializer_list<int32_t> words) {
    Bytes p;
    for (int32_t w : words) le16(p, uint32_t(w));
    return raw(function, p);
}

WmfBuilder& WmfBuilder::colour_record(uint16_t function, uint32_t colour) {
    Bytes p;
    le32(p, colour);
    return raw(function, p);
}

WmfBuilder& WmfBuilder::create_pen(uint16_t style, int width, uint32_t colour) {
    Bytes p;
    le16(p, style), le16(p, uint32_t(width)), le16(p, 0), le32(p, colour);
    return raw(0x02FA, p);
}

WmfBuilder& WmfBuilder::create_brush(uint16_t style, uint32_t colour, uint16_t hatch) {
    Bytes p;
    le16(p, style), le32(p, colour), le16(p, hatch);
    return raw(0x02FC, p);
}

WmfBuilder& WmfBuilder::create_font(int height, int weight, const std::string& face) {
    Bytes p;
    for (int v : {height, 0, 0, 0, weight}) le16(p, uint32_t(v));
    p.insert(p.end(), {0, 0, 0, 0, 0, 0, 0, 0});
    p.insert(p.end(), face.begin(), face.end());
    p.push_back(0);
    return raw(0x02FB, p);
}

WmfBuilder& WmfBuilder::poly(uint16_t function, const std::vector<std::pair<int, int>>& points) {
    Bytes p;
    le16(p, uint32_t(points.size()));
    for (auto [x, y] : points) le16(p, uint32_t(x)), le16(p, uint32_t(y));
    return raw(function, p);
}

WmfBuilder& WmfBuilder::text_out(int x, int y, const std::string& text) {
    Bytes p;
    le16(p, uint32_t(text.size()));
    p.insert(p.end(), text.begin(), text.end());
    if (text.size() % 2 != 0) p.push_back(0);
    le16(p, uint32_t(y)), le16(p, uint32_t(x));
    return raw(0x0521, p);
}

Bytes WmfBuilder::finish() {
    Bytes out = bytes_;
    le32(out, 3), le16(out, 0);
    put32(out, headerAt_ + 6, uint32_t((out.size() - headerAt_) / 2));
    put32(out, headerAt_ + 12, maxRecord_);
    return out;
}

Bytes emf_gallery() {
    EmfBuilder e(0, 0, 199, 149, 24, 4.0);
    const Bytes checker = {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
    const Bytes info = dib_info(2, 2, 32), rows = dib_rows32(2, 2, checker, false);
    e.record(33, {});
    e.record(17, {8}).record(9, {400, 300}).record(10, {0, 0}).record(11, {200, 150}).record(12, {0, 0});
    e.create_pen(1, 0x2201, 6, 0x0000FF).select(1).create_brush(2, 2, 0x00FF00, 5).select(2);
    e.record(18, {2}).record(25, {0x808080});
    e.box(43, 10, 10, 120, 80).box(42, 130, 10, 250, 90);
    e.record(44, {260, 10, 390, 90, 30, 20});
    e.record(45, {10, 100, 120, 200, 120, 150, 60, 100}).record(46, {130, 100, 250, 200, 250, 150, 190, 100});
    e.record(47, {260, 100, 390, 200, 390, 150, 320, 100});
    e.record(57, {2}).record(27, {10, 290}).record(55, {10, 210, 120, 290, 10, 250, 120, 250});
    e.record(95, {3, 0, 0, 0, 0, 0x00011007, 3, 0, 0xFF0000, 0, 4, 6, 2, 1, 2}).select(3);
    e.poly32(4, {{0, 0}, {400, 300}, {0, 300}}).poly16(87, {{5, 5}, {395, 5}});
    e.poly16(85, {{10, 10}, {100, 200}, {200, 0}, {390, 290}}).poly32(6, {{50, 50}, {60, 80}});
    e.poly16(88, {{70, 90}, {80, 100}, {90, 90}});
    e.poly_polygon(false, {{{0, 0}, {50, 0}, {25, 40}}, {{60, 60}, {90, 60}, {75, 99}}});
    e.poly_polygon(true, {{{100, 0}, {150, 0}, {125, 40}}});
    e.record(56, {0, 0, 0, 0, 4, 10, 10, 20, 20, 30, 10, 40, 40, 0x01020406});
    e.raw(94, [&] {
        Bytes b;
        for (uint32_t v : {4u, 0u, 32u, uint32_t(info.size()), 32u + uint32_t(info.size()), uint32_t(rows.size())})
            le32(b, v);
        b.insert(b.end(), info.begin(), info.end());
        b.insert(b.end(), rows.begin(), rows.end());
        return b;
    }());
    e.select(4).record(19, {2});
    e.record(59, {}).record(27, {200, 10}).record(54, {390, 290}).record(54, {10, 290}).record(61, {}).record(60, {});
    e.record(63, {0, 0, 0, 0});
    e.record(59, {}).box(42, 100, 100, 300, 250).record(60, {}).record(67, {1});
    e.world(0.8f, 0.3f, -0.3f, 0.8f, 40.0f, 10.0f).record(36, {0x3F800000, 0, 0, 0x3F800000, 0x41200000, 0, 2});
    e.box(43, 0, 0, 400, 300).record(26, {5, 5}).box(30, 20, 20, 380, 280).box(29, 50, 50, 70, 70);
    e.record(75, {64, 4, 32, 1, 2, 32, 0, 0, 100, 100, 0, 0, 50, 50, 50, 50, 100, 100});
    e.record(71, {0, 0, 0, 0, 48, 2, 32, 1, 1, 16, 0, 0, 9, 9, 0, 0, 9, 9});
    e.record(72, {0, 0, 0, 0, 48, 2, 2, 2, 32, 1, 1, 16, 0, 0, 9, 9, 10, 10, 30, 30});
    e.record(15, {77, 77, 0x00FF00FF}).record(20, {1}).box(43, 0, 0, 10, 10).record(20, {13});
    e.record(34, {-1});
    e.create_font(5, -30, 700, "DejaVu Serif", 450).select(5).record(22, {24 | 6}).record(24, {0x00AA00});
    e.text(100, 100, "Gallery", 0x4, {12, 12, 12, 12, 12, 12, 12}, 60, 60, 140, 120);
    e.create_font(6, 14, 400, "DejaVu Sans").select(6).record(22, {1}).record(27, {5, 140});
    e.text(0, 0, "one").text(0, 0, "two", 0x2, {}, 0, 130, 60, 148);
    e.stretch_dibits(150, 100, 40, 40, 0, 0, 2, 2, info, rows);
    e.blit(76, 5, 5, 20, 20, 0x00F00021, 0, 0, 0, 0, {}, {});
    e.blit(114, 150, 10, 20, 20, 0x01800000, 0, 0, 2, 2, info, rows);
    e.blit(116, 170, 10, 20, 20, 0x00FFFFFF, 0, 0, 2, 2, info, rows);
    e.blit(77, 100, 10, 20, 20, 0x008800C6, 0, 0, 2, 2, info, rows);
    e.record(40, {1}).record(40, {2});
    return e.finish();
}

Bytes wmf_gallery() {
    WmfBuilder w(0, 0, 400, 300, 8);
    w.record(0x020B, {0, 0}).record(0x020C, {300, 400}).record(0x001E, {});
    w.create_pen(0x0003, 4, 0x0000FF).record(0x012D, {0}).create_brush(2, 0x00FF00, 4).record(0x012D, {1});
    w.colour_record(0x0201, 0x8080FF).record(0x0102, {2}).record(0x0106, {2});
    w.record(0x041B, {80, 120, 10, 10}).record(0x0418, {90, 250, 10, 130});
    w.record(0x061C, {20, 30, 90, 390, 10, 260});
    w.record(0x0817, {100, 60, 150, 120, 200, 120, 100, 10}).record(0x081A, {100, 320, 150, 390, 200, 390, 100, 260});
    w.record(0x0830, {100, 190, 150, 250, 200, 250, 100, 130});
    w.poly(0x0324, {{10, 210}, {120, 290}, {10, 290}}).poly(0x0325, {{130, 210}, {250, 290}, {130, 290}});
    w.record(0x0538, {2, 3, 3, 0, 0, 50, 0, 25, 40, 60, 60, 90, 60, 75, 99});
    w.record(0x0214, {5, 5}).record(0x0213, {295, 395}).record(0x041F, {0xFF, 0, 77, 77});
    w.record(0x06FF, {0, 6, 0, 0, 40, 1, 14, 0, 10, 40, 20, 4, 10, 20, 0, 5, 30, 40, 4});
    w.create_font(-24, 700, "DejaVu Sans").record(0x012D, {3}).colour_record(0x0209, 0xFF0000);
    w.record(0x012E, {24}).text_out(20, 150, "Metafile");
    Bytes ext;
    for (uint32_t v : {160u, 20u, 4u, 6u, 20u, 130u, 120u, 170u}) le16(ext, v);
    ext.insert(ext.end(), {'W', 'M', 'F', '!'});
    for (int i = 0; i < 4; ++i) ext.push_back(20), ext.push_back(0);
    w.raw(0x0A32, ext);
    w.record(0x0228, {2, 1}).record(0x0429, {2, 1, 2, 2}).record(0x012B, {2}).record(0x012C, {2});
    w.record(0x0416, {280, 380, 20, 20}).record(0x0415, {70, 70, 50, 50}).record(0x0220, {3, 3});
    w.record(0x061D, {0x0021, 0x00F0, 20, 20, 5, 5});
    w.record(0x0127, {-1}).record(0x01F0, {0}).record(0x01F0, {1});
    return w.finish();
}

}  // namespace samples
