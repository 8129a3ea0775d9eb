// TGA: reader of every common kind, writer of plain 24- and 32-bit rows.
#include <cstring>
#include <new>
#include <vector>

#include "platform/imglib/byte_writer.h"
#include "platform/imglib/codecs.h"

namespace imglib {

namespace {

struct TgaHeader {
    uint8_t idLength, mapType, type;
    uint16_t mapFirst, mapLength;
    uint8_t mapBits;
    uint16_t width, height;
    uint8_t depth, descriptor;
};

bool read_header(ByteReader& r, TgaHeader& h) {
    uint16_t x0, y0;
    return r.u8(h.idLength) && r.u8(h.mapType) && r.u8(h.type) && r.u16le(h.mapFirst) && r.u16le(h.mapLength) &&
           r.u8(h.mapBits) && r.u16le(x0) && r.u16le(y0) && r.u16le(h.width) && r.u16le(h.height) && r.u8(h.depth) &&
           r.u8(h.descriptor);
}

// One stored pixel (or colour-map entry) of `depth` bits to RGBA.
void to_rgba(const uint8_t* in, uint32_t depth, bool grey, bool alpha, uint8_t* out) {
    if (grey) {
        out[0] = out[1] = out[2] = in[0];
        out[3] = depth == 16 && alpha ? in[1] : 255;
        return;
    }
    switch (depth) {
        case 15:
        case 16: {
            const uint32_t v = uint32_t(in[0]) | uint32_t(in[1]) << 8;
            out[0] = uint8_t((((v >> 10) & 31) * 255 + 15) / 31);
            out[1] = uint8_t((((v >> 5) & 31) * 255 + 15) / 31);
            out[2] = uint8_t(((v & 31) * 255 + 15) / 31);
            out[3] = depth == 16 && alpha ? ((v & 0x8000) ? 255 : 0) : 255;
            break;
        }
        case 24:
        case 32:
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = depth == 32 && alpha ? in[3] : 255;
            break;
        default:
            out[0] = out[1] = out[2] = 0, out[3] = 255;
    }
}

uint8_t* decode(Bytes data, uint32_t& width, uint32_t& height) {
    ByteReader r(data);
    TgaHeader h;
    if (!read_header(r, h) || !r.skip(h.idLength)) return nullptr;
    const uint32_t kind = h.type & 7u;  // 1 mapped, 2 true colour, 3 grey
    const bool rle = h.type >= 9;
    if (!(h.type == 1 || h.type == 2 || h.type == 3 || h.type == 9 || h.type == 10 || h.type == 11)) return nullptr;
    if (!codec::size_ok(h.width, h.height) || h.mapType > 1) return nullptr;
    const bool alpha = (h.descriptor & 15) != 0;
    // The colour map, as RGBA, indexed from mapFirst.
    std::vector<uint8_t> map;
    if (h.mapType == 1) {
        if (!(h.mapBits == 15 || h.mapBits == 16 || h.mapBits == 24 || h.mapBits == 32)) return nullptr;
        const uint32_t entry = (h.mapBits + 7u) / 8;
        Bytes raw;
        if (!r.bytes(uint64_t(h.mapLength) * entry, raw)) return nullptr;
        map.resize(size_t(h.mapLength) * 4);
        for (uint32_t i = 0; i < h.mapLength; ++i) to_rgba(&raw[i * entry], h.mapBits, false, alpha, &map[i * 4]);
    }
    if (kind == 1 && (h.mapType != 1 || (h.depth != 8 && h.depth != 16))) return nullptr;
    if (kind == 2 && !(h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32)) return nullptr;
    if (kind == 3 && h.depth != 8 && h.depth != 16) return nullptr;
    const uint32_t bpp = (h.depth + 7u) / 8;
    const uint64_t pixels = uint64_t(h.width) * h.height;
    // Every pixel needs its bytes; a run covers at most 128 pixels with at
    // least one count byte and one pixel. Checked before anything is made.
    const uint64_t least = rle ? (pixels + 127) / 128 * (1 + bpp) : pixels * bpp;
    if (least > r.remaining()) return nullptr;
    uint8_t* out = codec::alloc_picture(h.width, h.height, 4);
    if (out == nullptr) return nullptr;
    const bool top_down = (h.descriptor & 0x20) != 0, right_to_left = (h.descriptor & 0x10) != 0;
    auto put = [&](uint64_t i, const uint8_t* in) {
        const uint32_t sx = uint32_t(i % h.width), sy = uint32_t(i / h.width);
        const uint32_t x = right_to_left ? h.width - 1 - sx : sx, y = top_down ? sy : h.height - 1 - sy;
        uint8_t* o = out + (uint64_t(y) * h.width + x) * 4;
        if (kind == 1) {
            const uint32_t index = bpp == 2 ? uint32_t(in[0] | in[1] << 8) : in[0];
            if (index >= h.mapFirst && index - h.mapFirst < h.mapLength)
                std::memcpy(o, &map[(index - h.mapFirst) * 4], 4);
            else
                o[0] = o[1] = o[2] = 0, o[3] = 255;
        } else {
            to_rgba(in, h.depth, kind == 3, alpha, o);
        }
    };
    uint64_t i = 0;
    bool ok = true;
    while (ok && i < pixels) {
        uint8_t count = 127;  // uncompressed: read 128 pixels at a time
        bool repeat = false;
        if (rle) {
            ok = r.u8(count);
            repeat = (count & 0x80) != 0;
            count &= 0x7F;
        }
        const uint64_t n = std::min<uint64_t>(count + 1u, pixels - i);
        Bytes in;
        ok = ok && r.bytes(repeat ? bpp : n * bpp, in);
        for (uint64_t k = 0; ok && k < n; ++k, ++i) put(i, repeat ? in.data() : in.data() + k * bpp);
    }
    if (!ok) {
        GlobalFree(out);
        return nullptr;
    }
    width = h.width;
    height = h.height;
    return out;
}

class TgaLines final : public LineWriter {
public:
    TgaLines(FileDest* d, uint32_t w, uint32_t h, uint32_t bpp) : LineWriter(Kind::TGA, d, w, h), bpp_(bpp) {}
    bool start() {
        try {
            row_.resize(size_t(width) * (bpp_ / 8));
        } catch (const std::bad_alloc&) {
            return false;
        }
        ByteWriter b;
        b.u8(0);  // no id
        b.u8(0);  // no colour map
        b.u8(2);  // uncompressed true colour
        b.zeros(5);
        b.u16le(0);
        b.u16le(0);
        b.u16le(width);
        b.u16le(height);
        b.u8(bpp_);
        b.u8(0x20 | (bpp_ == 32 ? 8 : 0));  // top row first; 8 alpha bits
        return dest->write(b.data(), b.size());
    }

private:
    bool write_row(const uint8_t* in) override {
        uint8_t* out = row_.data();
        const uint32_t n = bpp_ / 8;
        for (uint32_t x = 0; x < width; ++x, in += n, out += n) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (n == 4) out[3] = in[3];
        }
        return dest->write(row_.data(), row_.size());
    }
    bool finish() override {
        if (rows != height) return false;
        // The version-2 footer: no extension area, no developer area.
        ByteWriter b;
        b.u32le(0);
        b.u32le(0);
        b.text("TRUEVISION-XFILE.");
        b.u8(0);
        return dest->write(b.data(), b.size());
    }

    uint32_t bpp_;
    std::vector<uint8_t> row_;
};

}  // namespace

namespace codec {
uint8_t* decode_tga(Bytes data, uint32_t& width, uint32_t& height) { return decode(data, width, height); }
}  // namespace codec

HISLINES IS40_InitWriteTGALines(HISDEST dest, uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t,
                                const uint8_t*) {
    if (dest == nullptr || (bitsPerPixel != 24 && bitsPerPixel != 32)) return nullptr;
    if (width == 0 || height == 0 || width > 65535 || height > 65535) return nullptr;
    return codec::start_lines(dest, new (std::nothrow) TgaLines(dest, width, height, bitsPerPixel));
}

BOOL IS40_WriteNextTGALine(HISLINES lines, const uint8_t* row) {
    return codec::next_line(lines, LineWriter::Kind::TGA, row);
}

BOOL IS40_DestroyTGALines(HISLINES lines) { return codec::destroy_lines(lines, LineWriter::Kind::TGA); }

BOOL IS3WriteTGA(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
    HISLINES lines =
        pixels == nullptr ? nullptr : IS40_InitWriteTGALines(dest, width, height, bitsPerPixel, 0, nullptr);
    return codec::write_rows(dest, lines, pixels, height, uint64_t(width) * (bitsPerPixel / 8), false);
}

}  // namespace imglib
