// PSD: our own walk over the sections (size checks and resolution), the
// composite picture decoded by stb_image, and a writer of one composite
// RGB picture.
#include <cstring>
#include <new>
#include <vector>

#include "platform/imglib/byte_writer.h"
#include "platform/imglib/codecs.h"

#define STB_IMAGE_STATIC
#define STBI_ONLY_PSD
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 30000
#define STBI_ASSERT(x) ((void)0)
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace imglib {

namespace {

constexpr uint32_t kMaxPsdSide = 30000;
constexpr uint16_t kResolutionInfo = 0x03ED;

struct PsdLayout {
    uint16_t channels = 0, depth = 0, mode = 0, compression = 0;
    uint32_t width = 0, height = 0;
    bool hasResolution = false;
    double xppi = 0, yppi = 0;
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
    if (!r.u32be(length) || !r.skip(length)) return false;  // colour mode data
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
    if (!parse(data, p) || data.size() > size_t(INT32_MAX)) return nullptr;
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(data.data(), int(data.size()), &w, &h, &channels, 4);
    if (pixels == nullptr) return nullptr;
    uint8_t* out = uint32_t(w) == p.width && uint32_t(h) == p.height ? alloc_picture(p.width, p.height, 4) : nullptr;
    if (out != nullptr) std::memcpy(out, pixels, size_t(p.width) * p.height * 4);
    stbi_image_free(pixels);
    if (out != nullptr) {
        width = p.width;
        height = p.height;
    }
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
