// Metafiles. The writer stores a picture as an enhanced metafile of one
// device-independent bitmap. The readers play WMF and EMF files at a
// requested size, drawing only their raster records (bitmaps stretched to
// their places, nearest pixel); vector records (pens, brushes, lines,
// shapes, text, regions, clipping, world transforms, saved states) are
// skipped, so a picture made of them comes out as its background.
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/imglib/byte_writer.h"
#include "platform/imglib/codecs.h"

namespace imglib {

namespace {

constexpr uint32_t kSrcCopy = 0x00CC0020;

// Where logical coordinates land on the canvas: logical (lx, ly) maps to
// ((lx - x0) * sx, (ly - y0) * sy) in canvas pixels.
struct Mapping {
    double x0 = 0, y0 = 0, sx = 1, sy = 1;
};

struct Canvas {
    uint8_t* rgb;
    uint32_t width, height;
};

// A bitmap drawn into the canvas rectangle of logical corner (x, y) and
// extent (cx, cy), from the source rectangle (sx, sy, scx, scy) counted from
// the bitmap's top row.
struct Blit {
    double x, y, cx, cy;
    int64_t sx, sy, scx, scy;
};

void draw(Canvas& canvas, const Mapping& m, const Blit& b, const uint8_t* rgba, uint32_t w, uint32_t h) {
    if (b.cx == 0 || b.cy == 0 || b.scx <= 0 || b.scy <= 0) return;
    // Canvas corners, and whether the picture is mirrored on the way.
    double left = (b.x - m.x0) * m.sx, right = (b.x + b.cx - m.x0) * m.sx;
    double top = (b.y - m.y0) * m.sy, bottom = (b.y + b.cy - m.y0) * m.sy;
    const bool flip_x = right < left, flip_y = bottom < top;
    if (flip_x) std::swap(left, right);
    if (flip_y) std::swap(top, bottom);
    const double x0 = std::max(0.0, std::ceil(left - 0.5)),
                 x1 = std::min(double(canvas.width), std::ceil(right - 0.5));
    const double y0 = std::max(0.0, std::ceil(top - 0.5)),
                 y1 = std::min(double(canvas.height), std::ceil(bottom - 0.5));
    for (double oy = y0; oy < y1; ++oy) {
        double fy = (oy + 0.5 - top) / (bottom - top);
        if (flip_y) fy = 1 - fy;
        const int64_t sy = b.sy + std::min<int64_t>(b.scy - 1, int64_t(fy * double(b.scy)));
        if (sy < 0 || sy >= int64_t(h)) continue;
        uint8_t* out = canvas.rgb + (uint64_t(oy) * canvas.width + uint64_t(x0)) * 3;
        for (double ox = x0; ox < x1; ++ox, out += 3) {
            double fx = (ox + 0.5 - left) / (right - left);
            if (flip_x) fx = 1 - fx;
            const int64_t sx = b.sx + std::min<int64_t>(b.scx - 1, int64_t(fx * double(b.scx)));
            if (sx < 0 || sx >= int64_t(w)) continue;
            std::memcpy(out, rgba + (uint64_t(sy) * w + uint64_t(sx)) * 4, 3);
        }
    }
}

// Decodes the bitmap and draws it. A source rectangle given in bitmap
// coordinates (dibOrigin) of a bottom-up bitmap counts from the bottom row.
void draw_dib(Canvas& canvas, const Mapping& m, Blit b, Bytes header, Bytes bits, bool dibOrigin) {
    uint32_t w = 0, h = 0;
    bool bottom_up = false;
    uint8_t* rgba = codec::decode_dib(header, bits, w, h, &bottom_up);
    if (rgba == nullptr) return;  // a bitmap we cannot read is left out
    if (dibOrigin && bottom_up) b.sy = int64_t(h) - b.sy - b.scy;
    draw(canvas, m, b, rgba, w, h);
    GlobalFree(rgba);
}

// ---- EMF ----

enum : uint32_t {
    kEmrHeader = 1,
    kEmrSetWindowExt = 9,
    kEmrSetWindowOrg = 10,
    kEmrSetViewportExt = 11,
    kEmrSetViewportOrg = 12,
    kEmrEof = 14,
    kEmrSetMapMode = 17,
    kEmrBitBlt = 76,
    kEmrStretchBlt = 77,
    kEmrSetDIBitsToDevice = 80,
    kEmrStretchDIBits = 81,
};

struct DeviceContext {
    int32_t mapMode = 1;  // text: one logical unit is one device pixel
    int32_t winX = 0, winY = 0, winCx = 1, winCy = 1;
    int32_t vpX = 0, vpY = 0, vpCx = 1, vpCy = 1;
    // Logical to device units.
    void to_device(double& x, double& y, double& cx, double& cy) const {
        const bool scaled = (mapMode == 7 || mapMode == 8) && winCx != 0 && winCy != 0;
        const double kx = scaled ? double(vpCx) / winCx : 1, ky = scaled ? double(vpCy) / winCy : 1;
        x = (x - winX) * kx + vpX;
        y = (y - winY) * ky + vpY;
        cx *= kx;
        cy *= ky;
    }
};

bool point(ByteReader& r, int32_t& a, int32_t& b) { return r.i32le(a) && r.i32le(b); }

// The bitmap of a record: header and rows at offsets from the record start.
bool record_dib(Bytes record, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits, Bytes& header,
                Bytes& bits) {
    ByteReader r(record);
    return cbBmi > 0 && r.bytes_at(offBmi, cbBmi, header) && r.bytes_at(offBits, cbBits, bits);
}

void play_emf_raster(uint32_t type, Bytes record, Canvas& canvas, const Mapping& m, const DeviceContext& dc) {
    ByteReader r(record);
    int32_t xd, yd, cxd = 0, cyd = 0, xs, ys, cxs = 0, cys = 0;
    uint32_t rop = kSrcCopy, offBmi, cbBmi, offBits, cbBits, usage;
    bool dib_origin = false;
    if (!r.skip(8 + 16)) return;  // type, size, bounds
    if (type == kEmrStretchDIBits) {
        if (!point(r, xd, yd) || !point(r, xs, ys) || !point(r, cxs, cys) || !r.u32le(offBmi) || !r.u32le(cbBmi) ||
            !r.u32le(offBits) || !r.u32le(cbBits) || !r.u32le(usage) || !r.u32le(rop) || !point(r, cxd, cyd))
            return;
        dib_origin = true;
    } else if (type == kEmrSetDIBitsToDevice) {
        if (!point(r, xd, yd) || !point(r, xs, ys) || !point(r, cxs, cys) || !r.u32le(offBmi) || !r.u32le(cbBmi) ||
            !r.u32le(offBits) || !r.u32le(cbBits))
            return;
        cxd = cxs;
        cyd = cys;
        dib_origin = true;
    } else {
        uint32_t background;
        if (!point(r, xd, yd) || !point(r, cxd, cyd) || !r.u32le(rop) || !point(r, xs, ys) || !r.skip(24) ||
            !r.u32le(background) || !r.u32le(usage) || !r.u32le(offBmi) || !r.u32le(cbBmi) || !r.u32le(offBits) ||
            !r.u32le(cbBits))
            return;
        cxs = cxd;
        cys = cyd;
        if (type == kEmrStretchBlt && !point(r, cxs, cys)) return;
    }
    (void)rop;  // every raster operation with a bitmap is drawn as a copy
    Bytes header, bits;
    if (!record_dib(record, offBmi, cbBmi, offBits, cbBits, header, bits)) return;  // a pattern fill
    Blit b{double(xd), double(yd), double(cxd), double(cyd), xs, ys, cxs, cys};
    dc.to_device(b.x, b.y, b.cx, b.cy);
    draw_dib(canvas, m, b, header, bits, dib_origin);
}

bool play_emf(Bytes data, Canvas& canvas) {
    ByteReader r(data);
    uint32_t type, size;
    int32_t left, top, right, bottom;
    if (!r.u32le(type) || type != kEmrHeader || !r.u32le(size) || !r.i32le(left) || !r.i32le(top) ||
        !r.i32le(right) || !r.i32le(bottom))
        return false;
    // The bounds are inclusive device pixels.
    const double extent_x = double(right) - left + 1, extent_y = double(bottom) - top + 1;
    if (extent_x < 1 || extent_y < 1 || size < 88 || !r.seek(size)) return false;
    const Mapping m{double(left), double(top), canvas.width / extent_x, canvas.height / extent_y};
    DeviceContext dc;
    while (true) {
        const size_t start = r.pos();
        Bytes record;
        if (!r.u32le(type) || !r.u32le(size) || size < 8 || !r.bytes_at(start, size, record) || !r.seek(start + size))
            return false;  // cut short or damaged
        ByteReader p(record.subspan(8));
        int32_t a = 0, b = 0;
        switch (type) {
            case kEmrEof:
                return true;
            case kEmrSetMapMode:
                if (p.i32le(a)) dc.mapMode = a;
                break;
            case kEmrSetWindowOrg:
                if (point(p, a, b)) dc.winX = a, dc.winY = b;
                break;
            case kEmrSetWindowExt:
                if (point(p, a, b)) dc.winCx = a, dc.winCy = b;
                break;
            case kEmrSetViewportOrg:
                if (point(p, a, b)) dc.vpX = a, dc.vpY = b;
                break;
            case kEmrSetViewportExt:
                if (point(p, a, b)) dc.vpCx = a, dc.vpCy = b;
                break;
            case kEmrBitBlt:
            case kEmrStretchBlt:
            case kEmrSetDIBitsToDevice:
            case kEmrStretchDIBits:
                play_emf_raster(type, record, canvas, m, dc);
                break;
            default:
                break;  // vector records are left out
        }
    }
}

// ---- WMF ----

enum : uint16_t {
    kMetaEof = 0x0000,
    kMetaSetWindowOrg = 0x020B,
    kMetaSetWindowExt = 0x020C,
    kMetaDibBitBlt = 0x0940,
    kMetaDibStretchBlt = 0x0B41,
    kMetaSetDibToDev = 0x0D33,
    kMetaStretchDib = 0x0F43,
};

struct WmfRecord {
    uint16_t function;
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

void play_wmf_raster(const WmfRecord& rec, Canvas& canvas, const Mapping& m) {
    ByteReader p(rec.params);
    uint32_t rop;
    int16_t v[9];
    Blit b{};
    bool dib_origin = false;
    switch (rec.function) {
        case kMetaStretchDib: {  // rop, usage, srcH, srcW, ySrc, xSrc, destH, destW, yDest, xDest
            uint16_t usage;
            if (!p.u32le(rop) || !p.u16le(usage) || !i16s(p, v, 8)) return;
            b = {double(v[7]), double(v[6]), double(v[5]), double(v[4]), v[3], v[2], v[1], v[0]};
            dib_origin = true;
            break;
        }
        case kMetaDibStretchBlt:  // rop, srcH, srcW, ySrc, xSrc, destH, destW, yDest, xDest
            if (!p.u32le(rop) || !i16s(p, v, 8)) return;
            b = {double(v[7]), double(v[6]), double(v[5]), double(v[4]), v[3], v[2], v[1], v[0]};
            break;
        case kMetaDibBitBlt:  // rop, ySrc, xSrc, height, width, yDest, xDest
            if (!p.u32le(rop) || !i16s(p, v, 6)) return;
            b = {double(v[5]), double(v[4]), double(v[3]), double(v[2]), v[1], v[0], v[3], v[2]};
            break;
        case kMetaSetDibToDev:  // usage, scans, start scan, yDib, xDib, height, width, yDest, xDest
            if (!i16s(p, v, 9)) return;
            b = {double(v[8]), double(v[7]), double(v[6]), double(v[5]), v[4], v[3], v[6], v[5]};
            dib_origin = true;
            break;
        default:
            return;
    }
    Bytes header, bits;
    if (!codec::split_packed_dib(p.rest(), header, bits)) return;  // the variant without a bitmap
    draw_dib(canvas, m, b, header, bits, dib_origin);
}

bool play_wmf(Bytes data, Canvas& canvas) {
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
    uint16_t type, header_words;
    if (!r.u16le(type) || !r.u16le(header_words) || header_words < 9 || !r.skip(uint64_t(header_words) * 2 - 4))
        return false;
    const size_t first = r.pos();
    // The logical picture: the window the records set, else the placeable box.
    int32_t wx = 0, wy = 0, wcx = 0, wcy = 0;
    WmfRecord rec;
    while (next_record(r, rec) && rec.function != kMetaEof) {
        ByteReader p(rec.params);
        int16_t y, x;
        if (rec.function == kMetaSetWindowOrg && p.i16le(y) && p.i16le(x)) wx = x, wy = y;
        if (rec.function == kMetaSetWindowExt && p.i16le(y) && p.i16le(x)) wcx = x, wcy = y;
    }
    if (wcx == 0 || wcy == 0) {
        if (!placeable) return false;
        wx = box[0];
        wy = box[1];
        wcx = box[2] - box[0];
        wcy = box[3] - box[1];
        if (wcx == 0 || wcy == 0) return false;
    }
    const Mapping m{double(wx), double(wy), double(canvas.width) / wcx, double(canvas.height) / wcy};
    r.seek(first);
    while (true) {
        if (!next_record(r, rec)) return false;  // cut short or damaged
        if (rec.function == kMetaEof) return true;
        play_wmf_raster(rec, canvas, m);
    }
}

}  // namespace

namespace codec {

uint8_t* render_metafile(Bytes data, uint32_t width, uint32_t height, uint32_t background) {
    const FileType type = guess_type(data);
    if (type != kFileEMF && type != kFileWMF) return nullptr;
    uint8_t* rgb = alloc_picture(width, height, 3);
    if (rgb == nullptr) return nullptr;
    const uint8_t colour[3] = {uint8_t(background), uint8_t(background >> 8), uint8_t(background >> 16)};
    for (uint64_t i = 0, n = uint64_t(width) * height; i < n; ++i) std::memcpy(rgb + i * 3, colour, 3);
    Canvas canvas{rgb, width, height};
    if (!(type == kFileEMF ? play_emf(data, canvas) : play_wmf(data, canvas))) {
        GlobalFree(rgb);
        return nullptr;
    }
    return rgb;
}

}  // namespace codec

namespace {
bool write_emf_file(HISDEST dest, const uint8_t* rgb, uint32_t width, uint32_t height) {
    if (dest == nullptr || rgb == nullptr || width == 0 || height == 0 || width > INT32_MAX / 4 ||
        height > INT32_MAX / 4)
        return false;
    const uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    const uint64_t bits = stride * height;
    constexpr uint32_t kHeaderBytes = 108, kBlitHeader = 80, kInfoBytes = 40, kEofBytes = 20;
    const uint64_t blit = kBlitHeader + kInfoBytes + bits, total = kHeaderBytes + blit + kEofBytes;
    if (total > UINT32_MAX) return false;
    // The reference device: the picture's own pixels at 96 per inch.
    const auto hundredths_mm = [](uint32_t px) {
        return int32_t(std::min<uint64_t>(uint64_t(px) * 2540 / 96, INT32_MAX / 10));
    };
    ByteWriter b;
    b.u32le(kEmrHeader);
    b.u32le(kHeaderBytes);
    b.u32le(0), b.u32le(0), b.u32le(width - 1), b.u32le(height - 1);  // bounds, inclusive
    b.u32le(0), b.u32le(0), b.u32le(uint32_t(hundredths_mm(width) - 1)), b.u32le(uint32_t(hundredths_mm(height) - 1));
    b.u32le(0x464D4520);  // " EMF"
    b.u32le(0x10000);
    b.u32le(uint32_t(total));
    b.u32le(3);  // records
    b.u16le(1);  // handles: the reserved one
    b.u16le(0);
    b.u32le(0), b.u32le(0), b.u32le(0);  // description, palette
    b.u32le(width), b.u32le(height);     // device in pixels
    b.u32le(std::max<uint32_t>(1, uint32_t(hundredths_mm(width) / 100)));
    b.u32le(std::max<uint32_t>(1, uint32_t(hundredths_mm(height) / 100)));
    b.u32le(0), b.u32le(0), b.u32le(0);  // no pixel format, no OpenGL
    b.u32le(uint32_t(hundredths_mm(width) * 10)), b.u32le(uint32_t(hundredths_mm(height) * 10));  // micrometres
    b.u32le(kEmrStretchDIBits);
    b.u32le(uint32_t(blit));
    b.u32le(0), b.u32le(0), b.u32le(width - 1), b.u32le(height - 1);
    b.u32le(0), b.u32le(0), b.u32le(0), b.u32le(0);  // destination and source corners
    b.u32le(width), b.u32le(height);                 // source extent
    b.u32le(kBlitHeader), b.u32le(kInfoBytes), b.u32le(kBlitHeader + kInfoBytes), b.u32le(uint32_t(bits));
    b.u32le(0);  // colours are RGB values
    b.u32le(kSrcCopy);
    b.u32le(width), b.u32le(height);  // destination extent
    b.u32le(kInfoBytes);
    b.u32le(width), b.u32le(height);  // bottom row first
    b.u16le(1), b.u16le(24);
    b.u32le(0), b.u32le(uint32_t(bits)), b.u32le(3780), b.u32le(3780), b.u32le(0), b.u32le(0);
    if (!dest->write(b.data(), b.size())) return false;
    std::vector<uint8_t> row(size_t(stride), 0);
    for (uint32_t y = height; y-- > 0;) {
        const uint8_t* in = rgb + uint64_t(y) * width * 3;
        for (uint32_t x = 0; x < width; ++x) {
            row[x * 3] = in[x * 3 + 2];
            row[x * 3 + 1] = in[x * 3 + 1];
            row[x * 3 + 2] = in[x * 3];
        }
        if (!dest->write(row.data(), row.size())) return false;
    }
    ByteWriter eof;
    eof.u32le(kEmrEof), eof.u32le(kEofBytes), eof.u32le(0), eof.u32le(16), eof.u32le(kEofBytes);
    return dest->write(eof.data(), eof.size());
}

}  // namespace

BOOL IS3WriteRGBToEMF(HISDEST dest, const uint8_t* rgb, uint32_t width, uint32_t height) {
    return codec::settle(dest, write_emf_file(dest, rgb, width, height));
}

}  // namespace imglib
