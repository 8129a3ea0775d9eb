// Sources, destinations, type guessing and the calls that dispatch by type.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/imglib/codecs.h"
#include "platform/system.h"

namespace imglib {

namespace {

// Files larger than this are not pictures we can hold.
constexpr uint64_t kMaxFileBytes = uint64_t(1) << 31;
constexpr size_t kDestBufferBytes = size_t(1) << 20;

// False with errno saying why: the opening's own reason, EISDIR or EINVAL
// for what is not a regular file, EFBIG past the limit, ENOMEM, EIO.
bool read_whole_file(const char* path, std::vector<uint8_t>& out) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    int why = 0;
    struct stat st {};
    if (fstat(fileno(f), &st) != 0)
        why = errno;
    else if (!S_ISREG(st.st_mode))
        why = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    else if (uint64_t(st.st_size) > kMaxFileBytes)
        why = EFBIG;
    if (why == 0) {
        try {
            out.resize(size_t(st.st_size));
        } catch (const std::bad_alloc&) {
            why = ENOMEM;
        }
    }
    if (why == 0 && !out.empty() && std::fread(out.data(), 1, out.size(), f) != out.size()) why = EIO;
    std::fclose(f);
    errno = why;
    return why == 0;
}

HISDEST open_dest(const char* path) {
    if (path == nullptr || *path == '\0') return nullptr;
    auto* dest = new (std::nothrow) FileDest;
    if (dest == nullptr) return nullptr;
    try {
        dest->target = path;
        dest->temp = dest->target + ".part" + std::to_string(getpid());
        dest->buffer.resize(kDestBufferBytes);
    } catch (const std::bad_alloc&) {
        delete dest;
        return nullptr;
    }
    dest->file = std::fopen(dest->temp.c_str(), "wb");
    if (dest->file == nullptr) {
        const int why = errno;  // kept for the caller through the release
        delete dest;
        errno = why;
        return nullptr;
    }
    std::setvbuf(dest->file, dest->buffer.data(), _IOFBF, dest->buffer.size());
    return dest;
}

BOOL close_dest(HISDEST dest) {
    if (dest == nullptr) return 0;
    bool ok = !dest->failed;
    if (std::fclose(dest->file) != 0) ok = false;
    if (ok) ok = platform::rename_replace(dest->temp.c_str(), dest->target.c_str());
    if (!ok) std::remove(dest->temp.c_str());
    delete dest;
    return ok ? 1 : 0;
}

bool le16(Bytes d, size_t at, uint16_t& v) {
    ByteReader r(d);
    return r.seek(at) && r.u16le(v);
}
bool le32(Bytes d, size_t at, uint32_t& v) {
    ByteReader r(d);
    return r.seek(at) && r.u32le(v);
}

bool starts_with(Bytes d, const char* magic, size_t n) {
    return d.size() >= n && std::memcmp(d.data(), magic, n) == 0;
}

bool looks_like_emf(Bytes d) {
    uint32_t type = 0, signature = 0;
    return le32(d, 0, type) && type == 1 && le32(d, 40, signature) && signature == 0x464D4520u;  // " EMF"
}

bool looks_like_wmf(Bytes d) {
    uint32_t key = 0;
    if (le32(d, 0, key) && key == 0x9AC6CDD7u) return true;  // placeable header
    uint16_t type = 0, header_words = 0, version = 0;
    return le16(d, 0, type) && (type == 1 || type == 2) && le16(d, 2, header_words) && header_words == 9 &&
           le16(d, 4, version) && (version == 0x0300 || version == 0x0100);
}

bool looks_like_bmp(Bytes d) {
    uint32_t header = 0;
    return starts_with(d, "BM", 2) && le32(d, 14, header) &&
           (header == 12 || header == 40 || header == 52 || header == 56 || header == 64 || header == 108 ||
            header == 124);
}

bool looks_like_pcx(Bytes d) {
    if (d.size() < 128 || d[0] != 0x0A || d[1] > 5 || d[2] > 1) return false;
    const uint8_t bits = d[3];
    return bits == 1 || bits == 2 || bits == 4 || bits == 8;
}

// TGA has no signature: the header's fields must all be plausible.
bool looks_like_tga(Bytes d) {
    if (d.size() < 18) return false;
    const uint8_t cmap_type = d[1], type = d[2], cmap_bits = d[7], depth = d[16];
    if (cmap_type > 1) return false;
    if (!(type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11)) return false;
    if ((type == 1 || type == 9) && cmap_type != 1) return false;
    if (cmap_type == 1 && !(cmap_bits == 15 || cmap_bits == 16 || cmap_bits == 24 || cmap_bits == 32)) return false;
    if (!(depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32)) return false;
    const uint16_t w = uint16_t(d[12] | d[13] << 8), h = uint16_t(d[14] | d[15] << 8);
    return w != 0 && h != 0;
}

}  // namespace

bool FileDest::write(const void* data, size_t size) {
    if (failed) return false;
    if (memory != nullptr) {
        try {
            const auto* p = static_cast<const uint8_t*>(data);
            memory->insert(memory->end(), p, p + size);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    } else if (size != 0 && std::fwrite(data, 1, size, file) != size) {
        failed = true;
    }
    return !failed;
}

bool FileDest::patch(uint64_t offset, const void* data, size_t size) {
    if (failed) return false;
    if (memory != nullptr) {
        if (offset > memory->size() || size > memory->size() - offset) return !(failed = true);
        std::memcpy(memory->data() + offset, data, size);
        return true;
    }
    if (fseeko(file, off_t(offset), SEEK_SET) != 0 || std::fwrite(data, 1, size, file) != size ||
        fseeko(file, 0, SEEK_END) != 0)
        failed = true;
    return !failed;
}

bool LineWriter::next(const uint8_t* row) {
    if (row == nullptr || rows >= height || dest->failed) return false;
    if (!write_row(row)) {
        dest->failed = true;
        return false;
    }
    ++rows;
    return true;
}

bool LineWriter::destroy() {
    const bool ok = finish() && rows == height;
    if (!ok) dest->failed = true;
    return ok;
}

namespace codec {

namespace {
uint64_t max_pixels = kMaxFilePixels;
}

void set_max_pixels(uint64_t pixels) { max_pixels = std::min(pixels, kMaxFilePixels); }

bool size_ok(uint64_t width, uint64_t height) {
    return width != 0 && height != 0 && width <= kMaxFileSide && height <= kMaxFileSide &&
           width * height <= max_pixels;  // both at most 2^16: the product cannot wrap
}

uint8_t* alloc_picture(uint64_t width, uint64_t height, uint32_t channels) {
    if (!size_ok(width, height)) return nullptr;
    return static_cast<uint8_t*>(GlobalAlloc(width * height * channels));
}

BOOL next_line(HISLINES lines, LineWriter::Kind kind, const uint8_t* row) {
    return lines != nullptr && lines->kind == kind && lines->next(row) ? 1 : 0;
}

BOOL destroy_lines(HISLINES lines, LineWriter::Kind kind) {
    if (lines == nullptr || lines->kind != kind) return 0;
    const bool ok = lines->destroy();
    delete lines;
    return ok ? 1 : 0;
}

BOOL write_rows(HISDEST dest, HISLINES lines, const uint8_t* pixels, uint32_t height, uint64_t stride,
                bool bottom_first) {
    if (lines == nullptr) return settle(dest, false);
    for (uint32_t i = 0; i < height && pixels != nullptr; ++i)
        lines->next(pixels + uint64_t(bottom_first ? height - 1 - i : i) * stride);
    const bool ok = lines->destroy();  // fewer rows than the height fail here
    delete lines;
    return settle(dest, ok);
}

FileType guess_type(Bytes d) {
    if (starts_with(d, "\x89PNG\r\n\x1a\n", 8)) return kFilePNG;
    if (starts_with(d, "\xFF\xD8\xFF", 3)) return kFileJPEG;
    if (starts_with(d, "GIF87a", 6) || starts_with(d, "GIF89a", 6)) return kFileGIF;
    // Classic TIFF, and BigTIFF with its 64-bit offsets (version 43).
    if (starts_with(d, "II*\0", 4) || starts_with(d, "MM\0*", 4) || starts_with(d, "II+\0", 4) ||
        starts_with(d, "MM\0+", 4))
        return kFileTIFF;
    if (starts_with(d, "8BPS", 4)) return kFilePSD;
    if (looks_like_bmp(d)) return kFileBMP;
    if (looks_like_emf(d)) return kFileEMF;
    if (looks_like_wmf(d)) return kFileWMF;
    if (looks_like_pcx(d)) return kFilePCX;
    if (looks_like_tga(d)) return kFileTGA;
    return kFileUnknown;
}

uint8_t* decode_any(Bytes data, uint32_t& width, uint32_t& height) {
    switch (guess_type(data)) {
        case kFileBMP:
            return decode_bmp(data, width, height);
        case kFileJPEG:
            return decode_jpeg(data, width, height);
        case kFilePNG:
            return decode_png(data, width, height);
        case kFileTIFF:
            return decode_tiff(data, width, height);
        case kFilePSD:
            return decode_psd(data, width, height);
        case kFileGIF:
            return decode_gif(data, width, height);
        case kFileTGA:
            return decode_tga(data, width, height);
        case kFilePCX:
            return decode_pcx(data, width, height);
        default:
            return nullptr;  // metafiles are rendered, not decoded
    }
}

}  // namespace codec

HISSRC IS3OpenFileSource(const char* path) {
    if (path == nullptr) return nullptr;
    auto* src = new (std::nothrow) FileSource;
    if (src == nullptr) return nullptr;
    if (!read_whole_file(path, src->owned)) {
        const int why = errno;  // kept for the caller through the release
        delete src;
        errno = why;
        return nullptr;
    }
    src->data = Bytes(src->owned);
    return src;
}

HISSRC IS3OpenMemorySource(const void* data, size_t size) {
    if (data == nullptr && size != 0) return nullptr;
    auto* src = new (std::nothrow) FileSource;
    if (src != nullptr) src->data = Bytes(static_cast<const uint8_t*>(data), size);
    return src;
}

uint32_t IS3GuessFileType(HISSRC src) { return src == nullptr ? kFileUnknown : codec::guess_type(src->rest()); }

BOOL IS3Seek(HISSRC src, int64_t offset, int32_t origin) {
    if (src == nullptr) return 0;
    int64_t base = 0;
    if (origin == 1)
        base = int64_t(src->pos);
    else if (origin == 2)
        base = int64_t(src->data.size());
    else if (origin != 0)
        return 0;
    // Both terms are below 2^63 in magnitude apart from a hostile offset,
    // which the range test catches before it is added.
    if (offset > int64_t(src->data.size()) || offset < -int64_t(src->data.size())) return 0;
    const int64_t target = base + offset;
    if (target < 0 || uint64_t(target) > src->data.size()) return 0;
    src->pos = size_t(target);
    return 1;
}

uint8_t* IS3ReadImageToRGBA(HISSRC src, uint32_t* width, uint32_t* height) {
    if (src == nullptr || width == nullptr || height == nullptr) return nullptr;
    uint32_t w = 0, h = 0;
    uint8_t* pixels = codec::decode_any(src->rest(), w, h);
    if (pixels != nullptr) {
        *width = w;
        *height = h;
    }
    return pixels;
}

uint8_t* IS3ReadImageToRGB(HISSRC src, uint32_t* width, uint32_t* height) {
    if (src == nullptr || width == nullptr || height == nullptr) return nullptr;
    uint32_t w = 0, h = 0;
    uint8_t* pixels = codec::decode_any(src->rest(), w, h);
    if (pixels == nullptr) return nullptr;
    // Packs in place: pixel i moves from 4i to 3i, never ahead of its source.
    const uint64_t count = uint64_t(w) * h;
    for (uint64_t i = 0; i < count; ++i) {
        pixels[3 * i] = pixels[4 * i];
        pixels[3 * i + 1] = pixels[4 * i + 1];
        pixels[3 * i + 2] = pixels[4 * i + 2];
    }
    *width = w;
    *height = h;
    return pixels;
}

BOOL IS3CloseSource(HISSRC src) {
    if (src == nullptr) return 0;
    delete src;
    return 1;
}

uint8_t* IS3ReadMetafile(const char* path, uint32_t* width, uint32_t* height, uint32_t wantWidth, uint32_t wantHeight,
                         uint32_t background, uint32_t) {
    if (width == nullptr || height == nullptr) return nullptr;
    HISSRC src = IS3OpenFileSource(path);
    if (src == nullptr) return nullptr;
    uint8_t* rgb = codec::render_metafile(src->data, wantWidth, wantHeight, background);
    IS3CloseSource(src);
    if (rgb != nullptr) {
        *width = wantWidth;
        *height = wantHeight;
    }
    return rgb;
}

namespace {
using DimsFn = bool (*)(Bytes, codec::Dims&);
BOOL dims_call(DimsFn fn, HISSRC src, uint32_t* width, uint32_t* height, uint32_t* bits, double* xres, double* yres,
               int32_t* unit) {
    if (src == nullptr) return 0;
    codec::Dims d;
    if (!fn(src->rest(), d)) return 0;
    if (width != nullptr) *width = d.width;
    if (height != nullptr) *height = d.height;
    if (bits != nullptr) *bits = d.bitsPerPixel;
    if (xres != nullptr) *xres = d.xResolution;
    if (yres != nullptr) *yres = d.yResolution;
    if (unit != nullptr) *unit = d.unit;
    return 1;
}
}  // namespace

BOOL IS3GetBMPDims(HISSRC src, uint32_t* w, uint32_t* h, uint32_t* bits, double* xres, double* yres, int32_t* unit) {
    return dims_call(codec::bmp_dims, src, w, h, bits, xres, yres, unit);
}
BOOL IS3GetJPGDims(HISSRC src, uint32_t* w, uint32_t* h, uint32_t* bits, double* xres, double* yres, int32_t* unit) {
    return dims_call(codec::jpeg_dims, src, w, h, bits, xres, yres, unit);
}
BOOL IS3GetPNGDims(HISSRC src, uint32_t* w, uint32_t* h, uint32_t* bits, double* xres, double* yres, int32_t* unit) {
    return dims_call(codec::png_dims, src, w, h, bits, xres, yres, unit);
}
BOOL IS3GetTIFFDims(HISSRC src, uint32_t* w, uint32_t* h, uint32_t* bits, double* xres, double* yres, int32_t* unit) {
    return dims_call(codec::tiff_dims, src, w, h, bits, xres, yres, unit);
}
BOOL IS3GetPSDDims(HISSRC src, uint32_t* w, uint32_t* h, uint32_t* bits, double* xres, double* yres, int32_t* unit) {
    return dims_call(codec::psd_dims, src, w, h, bits, xres, yres, unit);
}

HISDEST IS3OpenFileDest(const char* path, uint32_t) { return open_dest(path); }
BOOL IS3CancelDest(HISDEST dest) {
    if (dest == nullptr) return 0;
    dest->failed = true;
    close_dest(dest);
    return 1;
}
BOOL IS3CloseDest(HISDEST dest) { return close_dest(dest); }
HISDEST IS40_OpenFileDest(const char* path, uint32_t) { return open_dest(path); }
BOOL IS40_CloseDest(HISDEST dest) { return close_dest(dest); }

BOOL IS3RGBToRGBA(const uint8_t* rgb, uint32_t width, uint32_t height, uint8_t* rgba, uint8_t alpha) {
    if (rgb == nullptr || rgba == nullptr) return 0;
    const uint64_t count = uint64_t(width) * height;
    for (uint64_t i = 0; i < count; ++i, rgb += 3, rgba += 4) {
        rgba[0] = rgb[0];
        rgba[1] = rgb[1];
        rgba[2] = rgb[2];
        rgba[3] = alpha;
    }
    return 1;
}

}  // namespace imglib
