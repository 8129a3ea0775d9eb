#include "platform/imglib/dib.h"

#include <cstring>
#include <new>

#include "platform/imglib/byte_writer.h"
#include "platform/imglib/codecs.h"

namespace imglib {

namespace {

uint64_t row_bytes(uint32_t width, uint32_t bitsPerPixel) { return ((uint64_t(width) * bitsPerPixel + 31) / 32) * 4; }

// The header and rows of a packed bitmap, when its header can be read.
bool split(const uint8_t* dib, uint64_t size, Bytes& header, Bytes& bits) {
    if (dib == nullptr || size == 0) return false;
    return codec::split_packed_dib(Bytes(dib, size_t(size)), header, bits);
}

bool dims(const uint8_t* dib, uint64_t size, uint32_t& width, uint32_t& height) {
    Bytes header, bits;
    return split(dib, size, header, bits) && codec::dib_size(header, width, height);
}

// Lays the info header and then the rows at `out`, bottom row first, each
// row zero-padded and filled by row(destination, y).
template <class Row>
void lay_bitmap(uint8_t* out, const ByteWriter& header, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                Row&& row) {
    std::memcpy(out, header.data(), header.size());
    uint8_t* rows = out + header.size();
    const uint64_t stride = row_bytes(width, bitsPerPixel);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* to = rows + uint64_t(height - 1 - y) * stride;
        std::memset(to, 0, size_t(stride));
        row(to, y);
    }
}

bool header_of(ByteWriter& b, uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
    if (width == 0 || height == 0 || !codec::size_ok(width, height)) return false;
    try {
        codec::info_header(b, width, height, bitsPerPixel, 0, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

uint64_t IS3DIBSizeOfRGBA(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0 || !codec::size_ok(width, height)) return 0;
    return codec::info_header_size(32) + uint64_t(width) * height * 4;
}

BOOL IS3RGBAToDIB(const uint8_t* rgba, uint32_t width, uint32_t height, uint8_t* dib, uint64_t capacity) {
    const uint64_t need = IS3DIBSizeOfRGBA(width, height);
    ByteWriter header;
    if (rgba == nullptr || dib == nullptr || need == 0 || capacity < need || !header_of(header, width, height, 32))
        return 0;
    lay_bitmap(dib, header, width, height, 32, [&](uint8_t* out, uint32_t y) {
        const uint8_t* in = rgba + uint64_t(y) * width * 4;
        for (uint32_t x = 0; x < width; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
    });
    return 1;
}

uint32_t IS3DIBWidth(const uint8_t* dib, uint64_t size) {
    uint32_t w = 0, h = 0;
    return dims(dib, size, w, h) ? w : 0;
}

uint32_t IS3DIBHeight(const uint8_t* dib, uint64_t size) {
    uint32_t w = 0, h = 0;
    return dims(dib, size, w, h) ? h : 0;
}

BOOL IS3DIBToRGBA(const uint8_t* dib, uint64_t size, uint8_t* rgba, uint8_t alpha) {
    Bytes header, bits;
    if (rgba == nullptr || !split(dib, size, header, bits)) return 0;
    uint32_t w = 0, h = 0;
    bool has_alpha = false;
    const codec::BlockGuard decoded(codec::decode_dib(header, bits, w, h, nullptr, &has_alpha));
    if (decoded.get() == nullptr) return 0;
    const uint64_t count = uint64_t(w) * h;
    std::memcpy(rgba, decoded.get(), size_t(count * 4));
    if (!has_alpha)
        for (uint64_t i = 0; i < count; ++i) rgba[i * 4 + 3] = alpha;
    return 1;
}

uint8_t* IS3DIBToBMPFile(const uint8_t* dib, uint64_t size, uint64_t* fileSize) {
    Bytes header, bits;
    uint32_t w = 0, h = 0;
    if (!split(dib, size, header, bits) || !codec::dib_size(header, w, h)) return nullptr;
    const uint64_t total = 14 + size;
    if (total > UINT32_MAX) return nullptr;
    auto* out = static_cast<uint8_t*>(GlobalAlloc(total));
    if (out == nullptr) return nullptr;
    ByteWriter b;
    b.text("BM");
    b.u32le(uint32_t(total));
    b.u32le(0);
    b.u32le(uint32_t(14 + header.size()));  // the rows follow the header, masks and palette
    std::memcpy(out, b.data(), b.size());
    std::memcpy(out + 14, dib, size_t(size));
    if (fileSize != nullptr) *fileSize = total;
    return out;
}

uint8_t* IS3HBITMAPToDIB(HBITMAP bitmap, uint32_t, uint64_t* size) {
    ByteWriter header;
    if (bitmap == nullptr || bitmap->bits == nullptr || bitmap->stride < uint64_t(bitmap->width) * 4 ||
        !header_of(header, bitmap->width, bitmap->height, 24))
        return nullptr;
    const uint64_t total = header.size() + row_bytes(bitmap->width, 24) * bitmap->height;
    auto* out = static_cast<uint8_t*>(GlobalAlloc(total));
    if (out == nullptr) return nullptr;
    lay_bitmap(out, header, bitmap->width, bitmap->height, 24, [&](uint8_t* to, uint32_t y) {
        const uint8_t* in = bitmap->bits + uint64_t(y) * bitmap->stride;
        for (uint32_t x = 0; x < bitmap->width; ++x, in += 4, to += 3) std::memcpy(to, in, 3);
    });
    if (size != nullptr) *size = total;
    return out;
}

}  // namespace imglib
