// PCX: reader of the common kinds (1 to 8 bits, 1 to 4 planes), writer of
// 24-bit pictures as three run-length coded planes.
#include <cstring>
#include <new>
#include <vector>

#include "platform/imglib/byte_writer.h"
#include "platform/imglib/codecs.h"

namespace imglib {

namespace {

constexpr uint32_t kHeaderBytes = 128;
constexpr uint32_t kPaletteTail = 769;  // 0x0C and 256 colours at the end

struct PcxHeader {
    uint8_t version = 0, encoding = 0, bits = 0, planes = 0;
    uint16_t xmin = 0, ymin = 0, xmax = 0, ymax = 0, bytesPerLine = 0;
    uint8_t palette16[48] = {};
};

bool read_header(ByteReader& r, PcxHeader& h) {
    uint8_t maker, reserved;
    uint16_t dpi;
    Bytes pal, filler;
    if (!r.u8(maker) || maker != 0x0A || !r.u8(h.version) || !r.u8(h.encoding) || !r.u8(h.bits) || !r.u16le(h.xmin) ||
        !r.u16le(h.ymin) || !r.u16le(h.xmax) || !r.u16le(h.ymax) || !r.u16le(dpi) || !r.u16le(dpi) ||
        !r.bytes(48, pal) || !r.u8(reserved) || !r.u8(h.planes) || !r.u16le(h.bytesPerLine) ||
        !r.bytes(kHeaderBytes - 68, filler))
        return false;
    std::memcpy(h.palette16, pal.data(), 48);
    return h.encoding <= 1 && h.xmax >= h.xmin && h.ymax >= h.ymin;
}

// Pulls decoded bytes from the run-length stream; runs may cross rows.
class RunReader {
public:
    RunReader(ByteReader& r, bool coded) : r_(r), coded_(coded) {}
    bool next(uint8_t* out, size_t n) {
        if (!coded_) {
            Bytes raw;
            if (!r_.bytes(n, raw)) return false;
            std::memcpy(out, raw.data(), n);
            return true;
        }
        for (size_t i = 0; i < n; ++i) {
            if (left_ == 0) {
                uint8_t c;
                if (!r_.u8(c)) return false;
                if ((c & 0xC0) == 0xC0) {
                    left_ = c & 0x3Fu;
                    if (!r_.u8(value_)) return false;
                } else {
                    left_ = 1;
                    value_ = c;
                }
                if (left_ == 0) {  // an empty run: nothing to give
                    --i;
                    continue;
                }
            }
            out[i] = value_;
            --left_;
        }
        return true;
    }

private:
    ByteReader& r_;
    bool coded_;
    uint32_t left_ = 0;
    uint8_t value_ = 0;
};

bool supported(const PcxHeader& h) {
    if (h.bits == 8) return h.planes == 1 || h.planes == 3 || h.planes == 4;
    if (h.bits == 1) return h.planes >= 1 && h.planes <= 4;
    return (h.bits == 2 || h.bits == 4) && h.planes == 1;
}

uint8_t* decode(Bytes data, uint32_t& width, uint32_t& height) {
    ByteReader r(data);
    PcxHeader h;
    if (!read_header(r, h) || !supported(h)) return nullptr;
    const uint32_t w = uint32_t(h.xmax - h.xmin) + 1, ht = uint32_t(h.ymax - h.ymin) + 1;
    if (!codec::size_ok(w, ht) || h.bytesPerLine < (uint64_t(w) * h.bits + 7) / 8) return nullptr;
    const size_t line = size_t(h.bytesPerLine) * h.planes;
    // A run gives at most 63 bytes for two: more rows than that cannot be here.
    const uint64_t need = uint64_t(line) * ht;
    if (h.encoding == 1 ? need / 63 > r.remaining() : need > r.remaining()) return nullptr;
    // The 256-colour palette of 8-bit single-plane pictures sits at the end;
    // without it the picture is grey.
    uint8_t palette[256][3];
    if (h.bits == 8 && h.planes == 1) {
        Bytes tail;
        const bool has = data.size() >= kHeaderBytes + kPaletteTail &&
                         r.bytes_at(data.size() - kPaletteTail, kPaletteTail, tail) && tail[0] == 0x0C;
        for (uint32_t i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c) palette[i][c] = has ? tail[1 + i * 3 + uint32_t(c)] : uint8_t(i);
    } else if (h.bits == 1 && h.planes == 1) {
        for (int c = 0; c < 3; ++c) palette[0][c] = 0, palette[1][c] = 255;
    } else {
        for (uint32_t i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c) palette[i][c] = h.palette16[i * 3 + uint32_t(c)];
    }
    std::vector<uint8_t> row;
    try {
        row.resize(line);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    uint8_t* out = codec::alloc_picture(w, ht, 4);
    if (out == nullptr) return nullptr;
    RunReader runs(r, h.encoding == 1);
    const uint32_t bpl = h.bytesPerLine;
    for (uint32_t y = 0; y < ht; ++y) {
        if (!runs.next(row.data(), line)) {
            GlobalFree(out);
            return nullptr;
        }
        uint8_t* o = out + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x, o += 4) {
            if (h.bits == 8 && h.planes >= 3) {
                o[0] = row[x];
                o[1] = row[bpl + x];
                o[2] = row[2 * bpl + x];
                o[3] = h.planes == 4 ? row[3 * bpl + x] : 255;
                continue;
            }
            uint32_t index = 0;
            if (h.bits == 8) {
                index = row[x];
            } else if (h.bits == 1) {
                for (uint32_t p = 0; p < h.planes; ++p)
                    index |= uint32_t((row[p * bpl + x / 8] >> (7 - x % 8)) & 1) << p;
            } else {
                const uint32_t per_byte = 8u / h.bits, shift = 8 - h.bits * (x % per_byte + 1);
                index = (row[x / per_byte] >> shift) & ((1u << h.bits) - 1);
            }
            o[0] = palette[index][0];
            o[1] = palette[index][1];
            o[2] = palette[index][2];
            o[3] = 255;
        }
    }
    width = w;
    height = ht;
    return out;
}

// One plane row, run-length coded: runs of up to 63 equal bytes; a single
// byte below 0xC0 stands for itself.
void encode_plane(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
    for (size_t i = 0; i < n;) {
        size_t run = 1;
        while (i + run < n && run < 63 && in[i + run] == in[i]) ++run;
        if (run > 1 || in[i] >= 0xC0) out.push_back(uint8_t(0xC0 | run));
        out.push_back(in[i]);
        i += run;
    }
}

}  // namespace

namespace codec {
uint8_t* decode_pcx(Bytes data, uint32_t& width, uint32_t& height) { return decode(data, width, height); }
}  // namespace codec

namespace {
bool write_pcx_file(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
    if (dest == nullptr || pixels == nullptr || bitsPerPixel != 24) return false;
    if (width == 0 || height == 0 || width > 65535 || height > 65535) return false;
    const uint32_t bpl = (width + 1) & ~1u;  // rows of an even byte count
    ByteWriter b;
    b.u8(0x0A);
    b.u8(5);
    b.u8(1);
    b.u8(8);
    b.u16le(0);
    b.u16le(0);
    b.u16le(width - 1);
    b.u16le(height - 1);
    b.u16le(72);
    b.u16le(72);
    b.zeros(48);
    b.u8(0);
    b.u8(3);
    b.u16le(bpl);
    b.u16le(1);  // colour
    b.zeros(kHeaderBytes - 70);
    if (!dest->write(b.data(), b.size())) return false;
    std::vector<uint8_t> plane(bpl, 0), coded;
    coded.reserve(size_t(bpl) * 6);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = pixels + uint64_t(y) * width * 3;
        coded.clear();
        for (int c = 0; c < 3; ++c) {
            for (uint32_t x = 0; x < width; ++x) plane[x] = in[x * 3 + uint32_t(c)];
            encode_plane(plane.data(), bpl, coded);
        }
        if (!dest->write(coded.data(), coded.size())) return false;
    }
    return 1;
}

}  // namespace

BOOL IS3WritePCX(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
    return codec::settle(dest, write_pcx_file(dest, pixels, width, height, bitsPerPixel));
}

}  // namespace imglib
