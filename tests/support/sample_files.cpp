#include "support/sample_files.h"

#include <cstdio>
#include <algorithm>
#include <cstring>

namespace samples {

namespace {

struct Out {
    Bytes b;
    void u8(uint32_t v) { b.push_back(uint8_t(v)); }
    void le16(uint32_t v) { u8(v), u8(v >> 8); }
    void le32(uint32_t v) { le16(v), le16(v >> 16); }
    void be16(uint32_t v) { u8(v >> 8), u8(v); }
    void be32(uint32_t v) { be16(v >> 16), be16(v); }
    void str(const char* s) { b.insert(b.end(), s, s + std::strlen(s)); }
    void bytes(const Bytes& v) { b.insert(b.end(), v.begin(), v.end()); }
    void zeros(size_t n) { b.insert(b.end(), n, 0); }
};

// BITMAPINFOHEADER of a bottom-up (h > 0) or top-down (h < 0) bitmap.
void info_header(Out& o, int w, int h, int bits, uint32_t compression, uint32_t colours) {
    o.le32(40), o.le32(uint32_t(w)), o.le32(uint32_t(h)), o.le16(1), o.le16(uint32_t(bits));
    o.le32(compression), o.le32(0), o.le32(2835), o.le32(2835), o.le32(colours), o.le32(0);
}

// 24-bit rows, BGR, padded to four bytes; bottom row first unless top_down.
Bytes dib24_rows(int w, int h, const Bytes& rgb, bool top_down) {
    Bytes rows;
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    for (int i = 0; i < h; ++i) {
        const int y = top_down ? i : h - 1 - i;
        const size_t at = rows.size();
        rows.resize(at + stride, 0);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) rows[at + size_t(x) * 3 + size_t(c)] = rgb[(size_t(y) * w + x) * 3 + 2 - c];
    }
    return rows;
}

}  // namespace

Bytes picture_rgba(int w, int h) {
    Bytes p(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = &p[(size_t(y) * w + x) * 4];
            const int k = (x / 3 + y / 2 * 5) % 64;  // 64 colours
            px[0] = uint8_t((k & 3) * 85);
            px[1] = uint8_t(((k >> 2) & 3) * 80 + 7);
            px[2] = uint8_t(((k >> 4) & 3) * 60 + 201 - 180 * ((x + y) & 1 ? 0 : 1) * (k & 1));
            static constexpr uint8_t kAlpha[4] = {255, 0, 128, 1};
            px[3] = kAlpha[(x + 2 * y) % 4];
        }
    return p;
}

Bytes picture_rgb(int w, int h) {
    const Bytes rgba = picture_rgba(w, h);
    Bytes p(size_t(w) * h * 3);
    for (size_t i = 0; i < size_t(w) * h; ++i) std::memcpy(&p[i * 3], &rgba[i * 4], 3);
    return p;
}

Bytes gradient_rgb(int w, int h) {
    Bytes p(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = &p[(size_t(y) * w + x) * 3];
            px[0] = uint8_t(x * 255 / (w > 1 ? w - 1 : 1));
            px[1] = uint8_t(y * 255 / (h > 1 ? h - 1 : 1));
            px[2] = uint8_t(128 + (x - y) / 4);
        }
    return p;
}

Bytes bmp8(int w, int h, const Bytes& indices, const Bytes& pal, bool rle) {
    Bytes bits;
    const size_t stride = (size_t(w) + 3) & ~size_t(3);
    for (int i = 0; i < h; ++i) {
        const int y = h - 1 - i;
        const uint8_t* row = &indices[size_t(y) * w];
        if (!rle) {
            bits.insert(bits.end(), row, row + w);
            bits.insert(bits.end(), stride - size_t(w), 0);
            continue;
        }
        for (int x = 0; x < w;) {  // encoded runs only, then end of line
            int run = 1;
            while (x + run < w && run < 255 && row[x + run] == row[x]) ++run;
            bits.push_back(uint8_t(run));
            bits.push_back(row[x]);
            x += run;
        }
        bits.push_back(0);
        bits.push_back(i == h - 1 ? 1 : 0);
    }
    const uint32_t colours = uint32_t(pal.size() / 3);
    Out o;
    const uint32_t offset = 14 + 40 + colours * 4;
    o.str("BM"), o.le32(offset + uint32_t(bits.size())), o.le32(0), o.le32(offset);
    info_header(o, w, h, 8, rle ? 1 : 0, colours);
    for (uint32_t i = 0; i < colours; ++i) o.u8(pal[i * 3 + 2]), o.u8(pal[i * 3 + 1]), o.u8(pal[i * 3]), o.u8(0);
    o.bytes(bits);
    return o.b;
}

Bytes bmp32_top_down(int w, int h, const Bytes& rgba) {
    Out o;
    const uint32_t offset = 14 + 40 + 16;
    o.str("BM"), o.le32(offset + uint32_t(w * h * 4)), o.le32(0), o.le32(offset);
    info_header(o, w, -h, 32, 6, 0);  // masks follow the header, alpha included
    o.le32(0xFF000000), o.le32(0x00FF0000), o.le32(0x0000FF00), o.le32(0x000000FF);  // pixels stored A B G R
    for (size_t i = 0; i < size_t(w) * h; ++i)
        o.u8(rgba[i * 4 + 3]), o.u8(rgba[i * 4 + 2]), o.u8(rgba[i * 4 + 1]), o.u8(rgba[i * 4]);
    return o.b;
}

Bytes tga_rle32(int w, int h, const Bytes& rgba) {
    Out o;
    o.u8(0), o.u8(0), o.u8(10), o.zeros(5), o.le16(0), o.le16(0), o.le16(uint32_t(w)), o.le16(uint32_t(h));
    o.u8(32), o.u8(8);  // bottom row first, 8 alpha bits
    // Runs cross row ends, as the format allows.
    std::vector<uint32_t> px;
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            px.push_back(uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16 | uint32_t(p[3]) << 24);
        }
    for (size_t i = 0; i < px.size();) {
        size_t run = 1;
        while (i + run < px.size() && run < 128 && px[i + run] == px[i]) ++run;
        if (run > 1) {
            o.u8(0x80 | uint32_t(run - 1)), o.le32(px[i]);
            i += run;
        } else {
            size_t n = 1;
            while (i + n < px.size() && n < 128 && px[i + n] != px[i + n - 1]) ++n;
            o.u8(uint32_t(n - 1));
            for (size_t k = 0; k < n; ++k) o.le32(px[i + k]);
            i += n;
        }
    }
    return o.b;
}

Bytes tga_rle_mapped(int w, int h, const Bytes& indices, const Bytes& pal) {
    Out o;
    const uint32_t colours = uint32_t(pal.size() / 3);
    o.u8(3), o.u8(1), o.u8(9), o.le16(0), o.le16(colours), o.u8(24);
    o.le16(0), o.le16(0), o.le16(uint32_t(w)), o.le16(uint32_t(h)), o.u8(8), o.u8(0x20);
    o.str("id!");
    for (uint32_t i = 0; i < colours; ++i) o.u8(pal[i * 3 + 2]), o.u8(pal[i * 3 + 1]), o.u8(pal[i * 3]);
    for (size_t i = 0; i < indices.size();) {
        size_t run = 1;
        while (i + run < indices.size() && run < 128 && indices[i + run] == indices[i]) ++run;
        o.u8(0x80 | uint32_t(run - 1)), o.u8(indices[i]);
        i += run;
    }
    return o.b;
}

Bytes pcx8(int w, int h, const Bytes& indices, const Bytes& pal) {
    Out o;
    const uint32_t bpl = uint32_t(w + (w & 1));
    o.u8(0x0A), o.u8(5), o.u8(1), o.u8(8), o.le16(0), o.le16(0), o.le16(uint32_t(w - 1)), o.le16(uint32_t(h - 1));
    o.le16(300), o.le16(300), o.zeros(48), o.u8(0), o.u8(1), o.le16(bpl), o.le16(1), o.zeros(58);
    for (int y = 0; y < h; ++y) {
        Bytes row(indices.begin() + y * w, indices.begin() + (y + 1) * w);
        row.resize(bpl, 0);
        for (size_t x = 0; x < bpl;) {
            size_t run = 1;
            while (x + run < bpl && run < 63 && row[x + run] == row[x]) ++run;
            if (run > 1 || row[x] >= 0xC0) o.u8(0xC0 | uint32_t(run));
            o.u8(row[x]);
            x += run;
        }
    }
    o.u8(0x0C);
    Bytes full(768, 0);
    std::memcpy(full.data(), pal.data(), std::min<size_t>(pal.size(), 768));
    o.bytes(full);
    return o.b;
}

Bytes psd_raw(int w, int h, const Bytes& rgb, double ppi) {
    Out o;
    o.str("8BPS"), o.be16(1), o.zeros(6), o.be16(3), o.be32(uint32_t(h)), o.be32(uint32_t(w)), o.be16(8), o.be16(3);
    o.be32(0);
    const uint32_t fixed = uint32_t(ppi * 65536);
    o.be32(28), o.str("8BIM"), o.be16(0x03ED), o.be16(0), o.be32(16);
    o.be32(fixed), o.be16(1), o.be16(1), o.be32(fixed), o.be16(1), o.be16(1);
    o.be32(0), o.be16(0);
    for (int c = 0; c < 3; ++c)
        for (size_t i = 0; i < size_t(w) * h; ++i) o.u8(rgb[i * 3 + size_t(c)]);
    return o.b;
}

Bytes psd_grey16_packbits(int w, int h, const std::vector<uint16_t>& grey) {
    Out o;
    o.str("8BPS"), o.be16(1), o.zeros(6), o.be16(1), o.be32(uint32_t(h)), o.be32(uint32_t(w)), o.be16(16), o.be16(1);
    o.be32(0), o.be32(0), o.be32(0), o.be16(1);
    std::vector<Bytes> rows;
    for (int y = 0; y < h; ++y) {
        Bytes raw, packed;
        for (int x = 0; x < w; ++x) raw.push_back(uint8_t(grey[size_t(y) * w + x] >> 8)), raw.push_back(uint8_t(grey[size_t(y) * w + x]));
        for (size_t i = 0; i < raw.size(); i += 128) {
            const size_t n = std::min<size_t>(128, raw.size() - i);
            packed.push_back(uint8_t(n - 1));
            packed.insert(packed.end(), raw.begin() + long(i), raw.begin() + long(i + n));
        }
        rows.push_back(packed);
    }
    for (const Bytes& r : rows) o.be16(uint32_t(r.size()));
    for (const Bytes& r : rows) o.bytes(r);
    return o.b;
}

Bytes wmf_stretchdib(int wx, int wy, int w, int h, const Bytes& rgb, int dx, int dy, int dw, int dh) {
    Out dib;
    info_header(dib, w, h, 24, 0, 0);
    dib.bytes(dib24_rows(w, h, rgb, false));
    Out o;
    o.le32(0x9AC6CDD7), o.le16(0), o.le16(0), o.le16(0), o.le16(uint32_t(wx)), o.le16(uint32_t(wy)), o.le16(96),
        o.le32(0), o.le16(0);
    o.le16(1), o.le16(9), o.le16(0x0300), o.le32(0), o.le16(0), o.le32(0), o.le16(0);
    o.le32(5), o.le16(0x020B), o.le16(0), o.le16(0);                        // window origin
    o.le32(5), o.le16(0x020C), o.le16(uint32_t(wy)), o.le16(uint32_t(wx));  // window extent
    o.le32(4), o.le16(0x0201), o.le16(0);                                   // a vector record: skipped
    o.le32(uint32_t(14 + dib.b.size() / 2)), o.le16(0x0F43), o.le32(0x00CC0020), o.le16(0);
    o.le16(uint32_t(h)), o.le16(uint32_t(w)), o.le16(0), o.le16(0);
    o.le16(uint32_t(dh)), o.le16(uint32_t(dw)), o.le16(uint32_t(dy)), o.le16(uint32_t(dx));
    o.bytes(dib.b);
    o.le32(3), o.le16(0);  // end
    return o.b;
}

Bytes emf_bitblt(int wx, int wy, int w, int h, const Bytes& rgb, int dx, int dy) {
    const Bytes rows = dib24_rows(w, h, rgb, true);
    Out o;
    o.le32(1), o.le32(88), o.le32(0), o.le32(0), o.le32(uint32_t(wx - 1)), o.le32(uint32_t(wy - 1));
    o.le32(0), o.le32(0), o.le32(uint32_t(wx * 26)), o.le32(uint32_t(wy * 26));
    o.le32(0x464D4520), o.le32(0x10000), o.le32(0), o.le32(4), o.le16(1), o.le16(0), o.le32(0), o.le32(0), o.le32(0);
    o.le32(uint32_t(wx)), o.le32(uint32_t(wy)), o.le32(uint32_t(wx / 4 + 1)), o.le32(uint32_t(wy / 4 + 1));
    o.le32(27), o.le32(16), o.le32(0), o.le32(0);  // a vector record (move to): skipped
    const uint32_t off_bmi = 100, off_bits = off_bmi + 40;
    o.le32(76), o.le32(off_bits + uint32_t(rows.size()));
    o.le32(uint32_t(dx)), o.le32(uint32_t(dy)), o.le32(uint32_t(dx + w - 1)), o.le32(uint32_t(dy + h - 1));
    o.le32(uint32_t(dx)), o.le32(uint32_t(dy)), o.le32(uint32_t(w)), o.le32(uint32_t(h)), o.le32(0x00CC0020);
    o.le32(0), o.le32(0);                                                                // source corner
    o.le32(0x3F800000), o.le32(0), o.le32(0), o.le32(0x3F800000), o.le32(0), o.le32(0);  // identity transform
    o.le32(0), o.le32(0), o.le32(off_bmi), o.le32(40), o.le32(off_bits), o.le32(uint32_t(rows.size()));
    info_header(o, w, -h, 24, 0, 0);
    o.bytes(rows);
    o.le32(14), o.le32(20), o.le32(0), o.le32(16), o.le32(20);
    const uint32_t total = uint32_t(o.b.size());
    std::memcpy(&o.b[48], &total, 4);
    return o.b;
}

bool write_file(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

Bytes read_file(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

}  // namespace samples
