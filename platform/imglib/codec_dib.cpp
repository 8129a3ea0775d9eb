// Device-independent bitmaps: BMP files, and the bitmaps inside metafiles.
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "platform/imglib/byte_writer.h"
#include "platform/imglib/codecs.h"

namespace imglib {

namespace {

constexpr uint32_t kBiRGB = 0, kBiRLE8 = 1, kBiRLE4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t max = 0;  // largest value of the field after the shift
    uint8_t get(uint32_t px, uint8_t absent) const {
        if (max == 0) return absent;
        const uint32_t v = (px & mask) >> shift;
        return max == 255 ? uint8_t(v) : uint8_t((uint64_t(v) * 255 + max / 2) / max);
    }
};

Channel channel_of(uint32_t mask) {
    Channel c;
    if (mask == 0) return c;
    c.mask = mask;
    c.shift = uint32_t(std::countr_zero(mask));
    // A field with holes is not a channel; its low run is used.
    const int run = std::countr_one(mask >> c.shift);
    c.max = run >= 32 ? 0xFFFFFFFFu : (1u << run) - 1;
    c.mask = c.max << c.shift;
    return c;
}

struct DibInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    bool bottomUp = true;
    uint32_t bits = 0;
    uint32_t compression = kBiRGB;
    int32_t xppm = 0;
    int32_t yppm = 0;
    Channel red, green, blue, alpha;
    uint32_t paletteCount = 0;
    uint8_t palette[256][3] = {};  // R, G, B
};

// Reads the info header, its masks and its palette.
bool parse_dib_header(Bytes header, DibInfo& info) {
    ByteReader r(header);
    uint32_t size = 0;
    if (!r.u32le(size)) return false;
    uint32_t palette_entry = 4;
    uint32_t colours_used = 0;
    if (size == 12) {
        uint16_t w, h, planes, bits;
        if (!r.u16le(w) || !r.u16le(h) || !r.u16le(planes) || !r.u16le(bits)) return false;
        info.width = w;
        info.height = h;
        info.bits = bits;
        palette_entry = 3;
    } else if (size >= 40 && size <= 1024) {
        int32_t w, h, xppm, yppm;
        uint16_t planes, bits;
        uint32_t compression, image_size, important;
        if (!r.i32le(w) || !r.i32le(h) || !r.u16le(planes) || !r.u16le(bits) || !r.u32le(compression) ||
            !r.u32le(image_size) || !r.i32le(xppm) || !r.i32le(yppm) || !r.u32le(colours_used) || !r.u32le(important))
            return false;
        if (w <= 0 || h == 0 || h == INT32_MIN) return false;
        info.width = uint32_t(w);
        info.bottomUp = h > 0;
        info.height = uint32_t(h > 0 ? h : -h);
        info.bits = bits;
        info.compression = compression;
        info.xppm = xppm;
        info.yppm = yppm;
        uint32_t masks[4] = {};
        uint32_t mask_count = 0;
        if (size >= 52)
            mask_count = size >= 56 ? 4 : 3;
        else if (compression == kBiBitfields)
            mask_count = 3;
        else if (compression == kBiAlphaBitfields)
            mask_count = 4;
        for (uint32_t i = 0; i < mask_count; ++i)
            if (!r.u32le(masks[i])) return false;
        if (size > 40 && !r.seek(size)) return false;
        if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
            if (bits != 16 && bits != 32) return false;
            info.red = channel_of(masks[0]);
            info.green = channel_of(masks[1]);
            info.blue = channel_of(masks[2]);
            info.alpha = channel_of(masks[3]);
        } else if (compression == kBiRGB) {
            if (bits == 16) {
                info.red = channel_of(0x7C00);
                info.green = channel_of(0x03E0);
                info.blue = channel_of(0x001F);
            } else if (bits == 32) {
                // The fourth byte of a plain 32-bit bitmap is unused.
                info.red = channel_of(0x00FF0000);
                info.green = channel_of(0x0000FF00);
                info.blue = channel_of(0x000000FF);
            }
        } else if (!((compression == kBiRLE8 && bits == 8) || (compression == kBiRLE4 && bits == 4))) {
            return false;
        }
    } else {
        return false;
    }
    if (!(info.bits == 1 || info.bits == 2 || info.bits == 4 || info.bits == 8 || info.bits == 16 ||
          info.bits == 24 || info.bits == 32))
        return false;
    if (!codec::size_ok(info.width, info.height)) return false;
    if (info.bits <= 8) {
        const uint32_t most = 1u << info.bits;
        info.paletteCount = colours_used == 0 || colours_used > most ? most : colours_used;
        for (uint32_t i = 0; i < info.paletteCount; ++i) {
            Bytes e;
            // A short palette keeps the entries it has.
            if (!r.bytes(palette_entry, e)) {
                info.paletteCount = i;
                break;
            }
            info.palette[i][0] = e[2];
            info.palette[i][1] = e[1];
            info.palette[i][2] = e[0];
        }
        if (info.paletteCount == 0) return false;
    }
    return true;
}

uint8_t* row_out(uint8_t* rgba, const DibInfo& info, uint32_t stored_row) {
    const uint32_t y = info.bottomUp ? info.height - 1 - stored_row : stored_row;
    return rgba + uint64_t(y) * info.width * 4;
}

void put_index(uint8_t* px, const DibInfo& info, uint32_t index) {
    if (index < info.paletteCount) {
        px[0] = info.palette[index][0];
        px[1] = info.palette[index][1];
        px[2] = info.palette[index][2];
    } else {
        px[0] = px[1] = px[2] = 0;
    }
    px[3] = 255;
}

void decode_row(const uint8_t* in, uint8_t* out, const DibInfo& info) {
    const uint32_t w = info.width;
    switch (info.bits) {
        case 24:
            for (uint32_t x = 0; x < w; ++x, in += 3, out += 4) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = 255;
            }
            break;
        case 32:
        case 16:
            for (uint32_t x = 0; x < w; ++x, out += 4) {
                uint32_t px;
                if (info.bits == 32) {
                    px = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
                    in += 4;
                } else {
                    px = uint32_t(in[0]) | uint32_t(in[1]) << 8;
                    in += 2;
                }
                out[0] = info.red.get(px, 0);
                out[1] = info.green.get(px, 0);
                out[2] = info.blue.get(px, 0);
                out[3] = info.alpha.get(px, 255);
            }
            break;
        default: {
            const uint32_t bits = info.bits, per_byte = 8 / bits, mask = (1u << bits) - 1;
            for (uint32_t x = 0; x < w; ++x, out += 4) {
                const uint32_t shift = 8 - bits * (x % per_byte + 1);
                put_index(out, info, (in[x / per_byte] >> shift) & mask);
            }
        }
    }
}

// Run-length coded 8- or 4-bit rows. Pixels the stream skips keep the first
// palette colour; a stream that ends before its end-of-bitmap mark fails.
bool decode_rle(Bytes bits, uint8_t* rgba, const DibInfo& info) {
    for (uint64_t i = 0, n = uint64_t(info.width) * info.height; i < n; ++i) put_index(rgba + i * 4, info, 0);
    const bool four = info.bits == 4;
    ByteReader r(bits);
    uint32_t x = 0, y = 0;
    auto put = [&](uint32_t index) {
        if (x < info.width && y < info.height) put_index(row_out(rgba, info, y) + uint64_t(x) * 4, info, index);
        ++x;
    };
    while (y < info.height) {
        uint8_t count, value;
        if (!r.u8(count) || !r.u8(value)) return false;
        if (count > 0) {
            for (uint32_t i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            uint8_t dx, dy;
            if (!r.u8(dx) || !r.u8(dy)) return false;
            x += dx;
            y += dy;
        } else {
            const uint32_t bytes = four ? (value + 1u) / 2 : value;
            Bytes run;
            if (!r.bytes(bytes, run)) return false;
            for (uint32_t i = 0; i < value; ++i) put(four ? ((i & 1) ? run[i / 2] & 15 : run[i / 2] >> 4) : run[i]);
            if ((bytes & 1) && !r.skip(1)) return false;  // runs end on a 16-bit boundary
        }
    }
    return true;
}

uint8_t* decode(const DibInfo& info, Bytes bits, uint32_t& width, uint32_t& height) {
    const uint64_t stride = ((uint64_t(info.width) * info.bits + 31) / 32) * 4;
    if (info.compression != kBiRLE8 && info.compression != kBiRLE4 && bits.size() / stride < info.height)
        return nullptr;  // the rows are not all there
    uint8_t* rgba = codec::alloc_picture(info.width, info.height, 4);
    if (rgba == nullptr) return nullptr;
    if (info.compression == kBiRLE8 || info.compression == kBiRLE4) {
        if (!decode_rle(bits, rgba, info)) {
            GlobalFree(rgba);
            return nullptr;
        }
    } else {
        ByteReader r(bits);
        for (uint32_t row = 0; row < info.height; ++row) {
            Bytes in;
            r.bytes(stride, in);  // present: checked above
            decode_row(in.data(), row_out(rgba, info, row), info);
        }
    }
    width = info.width;
    height = info.height;
    return rgba;
}

struct BmpFile {
    DibInfo info;
    Bytes bits;
};

bool parse_bmp(Bytes data, BmpFile& file) {
    ByteReader r(data);
    uint16_t magic;
    uint32_t file_size, reserved, offset;
    if (!r.u16le(magic) || magic != 0x4D42 || !r.u32le(file_size) || !r.u32le(reserved) || !r.u32le(offset))
        return false;
    // The header runs from byte 14 up to the pixels; some files put the
    // pixels right after a palette shorter than the header announces.
    Bytes header;
    if (offset < 14 + 12 || !r.bytes_at(14, offset - 14, header)) return false;
    if (!parse_dib_header(header, file.info)) return false;
    return r.bytes_at(offset, data.size() - offset, file.bits);
}

// ---- Writing ----

class BmpLines final : public LineWriter {
public:
    BmpLines(FileDest* d, uint32_t w, uint32_t h, uint32_t bpp) : LineWriter(Kind::BMP, d, w, h), bpp_(bpp) {}
    bool start(const ISLineResolution* res) {
        const uint64_t stride = ((uint64_t(width) * bpp_ + 31) / 32) * 4;
        const uint32_t header = codec::info_header_size(bpp_);
        const uint64_t total = 14 + header + stride * height;
        if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX || total > UINT32_MAX) return false;
        try {
            row_.assign(size_t(stride), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        ByteWriter b;
        b.text("BM");
        b.u32le(uint32_t(total));
        b.u32le(0);
        b.u32le(14 + header);
        codec::info_header(b, width, height, bpp_, res != nullptr ? uint32_t(codec::resolution_int(res->x)) : 0,
                           res != nullptr ? uint32_t(codec::resolution_int(res->y)) : 0);
        return dest->write(b.data(), b.size());
    }

private:
    bool write_row(const uint8_t* in) override {
        uint8_t* out = row_.data();
        if (bpp_ == 24) {
            for (uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        } else {
            for (uint32_t x = 0; x < width; ++x, in += 4, out += 4) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = in[3];
            }
        }
        return dest->write(row_.data(), row_.size());
    }
    bool finish() override { return true; }

    uint32_t bpp_;
    std::vector<uint8_t> row_;
};

}  // namespace

namespace codec {

uint8_t* decode_dib(Bytes header, Bytes bits, uint32_t& width, uint32_t& height, bool* bottomUp, bool* hasAlpha) {
    auto info = std::make_unique<DibInfo>();
    if (!parse_dib_header(header, *info)) return nullptr;
    if (bottomUp != nullptr) *bottomUp = info->bottomUp;
    if (hasAlpha != nullptr) *hasAlpha = info->alpha.max != 0;
    return decode(*info, bits, width, height);
}

bool dib_size(Bytes header, uint32_t& width, uint32_t& height) {
    auto info = std::make_unique<DibInfo>();
    if (!parse_dib_header(header, *info)) return false;
    width = info->width;
    height = info->height;
    return true;
}

uint32_t info_header_size(uint32_t bitsPerPixel) { return bitsPerPixel == 32 ? 108 : 40; }

void info_header(ByteWriter& b, uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t xppm,
                 uint32_t yppm) {
    const uint64_t stride = ((uint64_t(width) * bitsPerPixel + 31) / 32) * 4;
    b.u32le(info_header_size(bitsPerPixel));
    b.u32le(width);
    b.u32le(height);  // positive: rows stored bottom first
    b.u16le(1);
    b.u16le(bitsPerPixel);
    b.u32le(bitsPerPixel == 32 ? kBiBitfields : kBiRGB);
    b.u32le(uint32_t(stride * height));
    b.u32le(xppm);  // pixels per metre
    b.u32le(yppm);
    b.u32le(0);
    b.u32le(0);
    if (bitsPerPixel == 32) {
        b.u32le(0x00FF0000);
        b.u32le(0x0000FF00);
        b.u32le(0x000000FF);
        b.u32le(0xFF000000);
        b.u32le(0x73524742);  // 'sRGB'
        b.zeros(36 + 12);     // end points and gamma, unused with sRGB
    }
}

bool split_packed_dib(Bytes dib, Bytes& header, Bytes& bits) {
    ByteReader r(dib);
    uint32_t size = 0, compression = 0, used = 0;
    uint16_t count_bits = 0;
    if (!r.u32le(size)) return false;
    uint64_t length = size;
    if (size == 12) {
        if (!r.skip(6) || !r.u16le(count_bits)) return false;
        if (count_bits <= 8) length += 3u << count_bits;
    } else if (size >= 40) {
        if (!r.skip(10) || !r.u16le(count_bits) || !r.u32le(compression) || !r.skip(12) || !r.u32le(used))
            return false;
        if (size == 40 && compression == kBiBitfields) length += 12;
        if (size == 40 && compression == kBiAlphaBitfields) length += 16;
        if (count_bits <= 8)
            length += 4ull * (used == 0 || used > (1u << count_bits) ? 1u << count_bits : used);
        else
            length += 4ull * used;
    } else {
        return false;
    }
    return r.bytes_at(0, length, header) &&
           r.bytes_at(length, dib.size() - std::min<uint64_t>(length, dib.size()), bits);
}

uint8_t* decode_bmp(Bytes data, uint32_t& width, uint32_t& height) {
    auto file = std::make_unique<BmpFile>();
    if (!parse_bmp(data, *file)) return nullptr;
    return decode(file->info, file->bits, width, height);
}

bool bmp_dims(Bytes data, Dims& dims) {
    auto file = std::make_unique<BmpFile>();
    if (!parse_bmp(data, *file)) return false;
    dims.width = file->info.width;
    dims.height = file->info.height;
    dims.bitsPerPixel = file->info.bits;
    const bool has_res = file->info.xppm > 0 && file->info.yppm > 0;
    dims.xResolution = has_res ? file->info.xppm : 0;
    dims.yResolution = has_res ? file->info.yppm : 0;
    dims.unit = has_res ? 2 : 0;
    return true;
}

}  // namespace codec

HISLINES IS40_InitWriteBMPLines(HISDEST dest, uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t,
                                const uint8_t*, const ISLineResolution* res) {
    if (dest == nullptr || (bitsPerPixel != 24 && bitsPerPixel != 32)) return nullptr;
    return codec::start_lines(dest, new (std::nothrow) BmpLines(dest, width, height, bitsPerPixel), res);
}

BOOL IS40_WriteNextBMPLine(HISLINES lines, const uint8_t* row) {
    return codec::next_line(lines, LineWriter::Kind::BMP, row);
}

BOOL IS40_DestroyBMPLines(HISLINES lines) { return codec::destroy_lines(lines, LineWriter::Kind::BMP); }

BOOL IS3WriteBMP(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                 const ISResolution* res) {
    ISLineResolution lres;
    HISLINES lines = pixels == nullptr ? nullptr
                                       : IS40_InitWriteBMPLines(dest, width, height, bitsPerPixel, 0, nullptr,
                                                                codec::line_resolution(res, lres));
    return codec::write_rows(dest, lines, pixels, height, uint64_t(width) * (bitsPerPixel / 8), true);
}

}  // namespace imglib
