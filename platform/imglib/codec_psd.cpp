// PSD: the composite picture of grey, indexed and RGB files of 8 or 16 bits
// (raw or PackBits planes), their resolution, and a writer of one composite
// RGB picture.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/imglib/byte_writer.h"
#include "platform/imglib/codecs.h"

namespace imglib {

namespace {

constexpr uint32_t kMaxPsdSide = 30000;
constexpr uint16_t kResolutionInfo = 0x03ED;

constexpr uint16_t kModeGrey = 1, kModeIndexed = 2, kModeRGB = 3;

struct PsdLayout {
    uint16_t channels = 0, depth = 0, mode = 0, compression = 0;
    uint32_t width = 0, height = 0;
    bool hasResolution = false;
    double xppi = 0, yppi = 0;
    Bytes colourData;  // the palette of indexed pictures
    Bytes planes;      // from the first byte after the compression code
};

bool read_resolution(Bytes block, PsdLayout& p) {
    ByteReader r(block);
    uint32_t h, v;
    uint16_t unit;
    if (!r.u32be(h) || !r.u16be(unit) || !r.u16be(unit) || !r.u32be(v)) return false;
    p.hasResolution = h > 0 && v > 0;
    p.xppi = h / 65536.0;  // 16.16 fixed point
    p.yppi = v / 65536.0;
    return true;
}

// Walks header, colour data, resources and layer section, and checks that
// the composite picture's data is all there.
bool parse(Bytes data, PsdLayout& p) {
    ByteReader r(data);
    uint32_t signature, length;
    uint16_t version;
    if (!r.u32be(signature) || signature != 0x38425053u || !r.u16be(version) || version != 1 || !r.skip(6) ||
        !r.u16be(p.channels) || !r.u32be(p.height) || !r.u32be(p.width) || !r.u16be(p.depth) || !r.u16be(p.mode))
        return false;
    if (p.channels < 1 || p.channels > 56 || p.width < 1 || p.height < 1 || p.width > kMaxPsdSide ||
        p.height > kMaxPsdSide || !(p.depth == 1 || p.depth == 8 || p.depth == 16 || p.depth == 32))
        return false;
    if (!r.u32be(length) || !r.bytes(length, p.colourData)) return false;
    Bytes resources;
    if (!r.u32be(length) || !r.bytes(length, resources)) return false;
    ByteReader res(resources);
    while (res.remaining() >= 12) {
        uint32_t sig, size;
        uint16_t id;
        uint8_t name_length;
        Bytes block;
        if (!res.u32be(sig) || !res.u16be(id) || !res.u8(name_length) || !res.skip(name_length | 1u) ||
            !res.u32be(size) || !res.bytes(size, block) || ((size & 1) && !res.skip(1)))
            break;  // a damaged resource list ends the walk, not the picture
        if (id == kResolutionInfo && !read_resolution(block, p)) return false;
    }
    if (!r.u32be(length) || !r.skip(length)) return false;  // layers and masks
    if (!r.u16be(p.compression)) return false;
    p.planes = r.rest();
    const uint64_t rows = uint64_t(p.height) * p.channels;
    if (p.compression == 0) return uint64_t(p.width) * p.depth / 8 * rows <= r.remaining();
    if (p.compression != 1) return false;
    uint64_t total = 0;
    for (uint64_t i = 0; i < rows; ++i) {
        uint16_t n;
        if (!r.u16be(n)) return false;
        total += n;
    }
    return total <= r.remaining();
}

// One PackBits row of exactly n bytes.
bool unpackbits(Bytes in, uint8_t* out, size_t n) {
    ByteReader r(in);
    for (size_t o = 0; o < n;) {
        uint8_t head;
        if (!r.u8(head)) return false;
        const int count = int8_t(head);
        if (count >= 0) {
            Bytes literal;
            if (size_t(count) + 1 > n - o || !r.bytes(size_t(count) + 1, literal)) return false;
            std::memcpy(out + o, literal.data(), literal.size());
            o += literal.size();
        } else if (count != -128) {  // -128 is a no-op
            uint8_t value;
            if (size_t(1 - count) > n - o || !r.u8(value)) return false;
            std::memset(out + o, value, size_t(1 - count));
            o += size_t(1 - count);
        }
    }
    return true;
}

// Where each stored sample goes: RGB channels 0..2 and alpha 3; grey 0 and
// alpha 1; indexed 0 through the palette.
void put_sample(uint8_t* px, const PsdLayout& p, uint32_t channel, uint8_t v) {
    if (p.mode == kModeRGB) {
        px[channel] = v;
    } else if (p.mode == kModeGrey) {
        if (channel == 0) px[0] = px[1] = px[2] = v;
        else px[3] = v;
    } else {
        px[0] = p.colourData[v], px[1] = p.colourData[256 + v], px[2] = p.colourData[512 + v];
    }
}

// The composite planes (checked present by parse) into RGBA32; 16-bit
// samples keep their high byte. Colour is kept as stored.
bool decode_planes(const PsdLayout& p, uint8_t* out) {
    const uint32_t used = p.mode == kModeRGB ? std::min<uint32_t>(p.channels, 4)
                          : p.mode == kModeGrey ? std::min<uint32_t>(p.channels, 2)
                                                : 1;
    const size_t bytes = p.depth / 8, row_bytes = size_t(p.width) * bytes;
    for (size_t i = 0, n = size_t(p.width) * p.height; i < n; ++i) out[i * 4 + 3] = 255;
    std::vector<uint8_t> row(row_bytes);
    ByteReader r(p.planes);
    ByteReader counts(p.planes);
    const uint64_t table = p.compression == 1 ? uint64_t(p.height) * p.channels * 2 : 0;
    if (!r.skip(table)) return false;
    for (uint32_t c = 0; c < used; ++c) {
        for (uint32_t y = 0; y < p.height; ++y) {
            Bytes in;
            if (p.compression == 0) {
                if (!r.bytes(row_bytes, in)) return false;
                std::memcpy(row.data(), in.data(), row_bytes);
            } else {
                uint16_t n;
                if (!counts.u16be(n) || !r.bytes(n, in) || !unpackbits(in, row.data(), row_bytes)) return false;
            }
            uint8_t* px = out + size_t(y) * p.width * 4;
            for (uint32_t x = 0; x < p.width; ++x, px += 4) put_sample(px, p, c, row[x * bytes]);
        }
    }
    return true;
}

void packbits(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 128 && in[i + run] == in[i]) ++run;
        if (run >= 2) {
            out.push_back(uint8_t(257 - run));  // -(run - 1) as a signed byte
            out.push_back(in[i]);
            i += run;
            continue;
        }
        const size_t start = i++;
        while (i < n && i - start < 128 && !(i + 1 < n && in[i] == in[i + 1])) ++i;
        out.push_back(uint8_t(i - start - 1));
        out.insert(out.end(), in + start, in + i);
    }
}

}  // namespace

namespace codec {

uint8_t* decode_psd(Bytes data, uint32_t& width, uint32_t& height) {
    PsdLayout p;
    if (!parse(data, p) || !size_ok(p.width, p.height) || (p.depth != 8 && p.depth != 16)) return nullptr;
    if (!(p.mode == kModeRGB && p.channels >= 3) && p.mode != kModeGrey &&
        !(p.mode == kModeIndexed && p.colourData.size() >= 768))
        return nullptr;
    uint8_t* out = alloc_picture(p.width, p.height, 4);
    if (out == nullptr) return nullptr;
    bool ok = false;
    try {
        ok = decode_planes(p, out);
    } catch (const std::bad_alloc&) {
    }
    if (!ok) {
        GlobalFree(out);
        return nullptr;
    }
    width = p.width;
    height = p.height;
    return out;
}

bool psd_dims(Bytes data, Dims& d) {
    PsdLayout p;
    if (!parse(data, p)) return false;
    d.width = p.width;
    d.height = p.height;
    d.bitsPerPixel = uint32_t(p.depth) * p.channels;
    // The file keeps pixels per inch whatever unit it shows its user.
    d.xResolution = p.hasResolution ? p.xppi : 0;
    d.yResolution = p.hasResolution ? p.yppi : 0;
    d.unit = p.hasResolution ? 2 : 0;
    return true;
}

}  // namespace codec

namespace {
bool write_psd_file(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                    const ISResolution* res) {
    if (dest == nullptr || pixels == nullptr || bitsPerPixel != 24) return false;
    if (width == 0 || height == 0 || width > kMaxPsdSide || height > kMaxPsdSide) return false;
    ByteWriter b;
    b.text("8BPS");
    b.u16be(1);
    b.zeros(6);
    b.u16be(3);
    b.u32be(height);
    b.u32be(width);
    b.u16be(8);
    b.u16be(3);  // RGB
    b.u32be(0);  // no colour mode data
    if (res != nullptr && res->x > 0 && res->y > 0) {
        // Pixels per inch in 16.16 fixed point; centimetres are converted.
        const double scale = res->unit == 3 ? 2.54 : 1.0;
        const auto fixed = [&](int32_t v) { return uint32_t(std::min(v * scale, 32767.0) * 65536.0); };
        b.u32be(28);
        b.text("8BIM");
        b.u16be(kResolutionInfo);
        b.u16be(0);  // empty name, padded
        b.u32be(16);
        b.u32be(fixed(res->x));
        b.u16be(res->unit == 3 ? 2 : 1);
        b.u16be(1);
        b.u32be(fixed(res->y));
        b.u16be(res->unit == 3 ? 2 : 1);
        b.u16be(1);
    } else {
        b.u32be(0);
    }
    b.u32be(0);  // no layers
    b.u16be(1);  // PackBits
    const size_t table_at = b.size();
    b.zeros(size_t(height) * 3 * 2);
    if (!dest->write(b.data(), b.size())) return false;
    // Channel planes one after the other; the row sizes are filled in last.
    std::vector<uint16_t> counts(size_t(height) * 3);
    std::vector<uint8_t> plane(width), coded;
    for (uint32_t c = 0; c < 3; ++c) {
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* in = pixels + uint64_t(y) * width * 3 + c;
            for (uint32_t x = 0; x < width; ++x) plane[x] = in[x * 3];
            coded.clear();
            packbits(plane.data(), width, coded);
            counts[size_t(c) * height + y] = uint16_t(coded.size());  // at most width + width / 128 + 1
            if (!dest->write(coded.data(), coded.size())) return false;
        }
    }
    ByteWriter table;
    for (uint16_t n : counts) table.u16be(n);
    return dest->patch(table_at, table.data(), table.size());
}

}  // namespace

BOOL IS3WritePSD(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                 const ISResolution* res) {
    return codec::settle(dest, write_psd_file(dest, pixels, width, height, bitsPerPixel, res));
}

}  // namespace imglib
