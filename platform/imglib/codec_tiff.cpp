// TIFF through libtiff.
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "platform/imglib/codecs.h"
#include "platform/imglib/orientation.h"
#include "script/colour_space.h"

namespace imglib {

namespace {

// Largest single block libtiff may allocate for a hostile file.
constexpr tmsize_t kMaxTiffAlloc = tmsize_t(512) << 20;

struct MemoryFile {
    Bytes data;
    uint64_t pos = 0;
};

tmsize_t mem_read(thandle_t h, void* buf, tmsize_t n) {
    auto* m = static_cast<MemoryFile*>(h);
    if (n <= 0 || m->pos >= m->data.size()) return 0;
    const uint64_t take = std::min<uint64_t>(uint64_t(n), m->data.size() - m->pos);
    std::memcpy(buf, m->data.data() + m->pos, size_t(take));
    m->pos += take;
    return tmsize_t(take);
}
tmsize_t mem_write(thandle_t, void*, tmsize_t) { return 0; }
toff_t mem_seek(thandle_t h, toff_t off, int whence) {
    auto* m = static_cast<MemoryFile*>(h);
    uint64_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->data.size() : 0;
    // Seeking past the end is allowed; reads there give nothing.
    if (off > UINT64_MAX - base) return toff_t(-1);
    m->pos = base + off;
    return m->pos;
}
int mem_close(thandle_t) { return 0; }
toff_t mem_size(thandle_t h) { return static_cast<MemoryFile*>(h)->data.size(); }
// The bytes are in memory already: the codec reads its strips in place.
int mem_map(thandle_t h, void** base, toff_t* size) {
    auto* m = static_cast<MemoryFile*>(h);
    *base = const_cast<uint8_t*>(m->data.data());
    *size = m->data.size();
    return 1;
}
int no_map(thandle_t, void**, toff_t*) { return 0; }
void no_unmap(thandle_t, void*, toff_t) {}

int on_error(TIFF*, void* failed, const char*, const char*, va_list) {
    if (failed != nullptr) *static_cast<bool*>(failed) = true;
    return 1;  // handled: the process-wide handlers stay quiet
}
int on_warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* open_memory(MemoryFile& file, bool& failed) {
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (opts == nullptr) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxTiffAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(opts, on_error, &failed);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, on_warning, nullptr);
    TIFF* tif = TIFFClientOpenExt("memory", "r", &file, mem_read, mem_write, mem_seek, mem_close, mem_size, mem_map,
                                  no_unmap, opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

// The picture's orientation code; anything outside 1..8 counts as 1.
uint16_t orientation_of(TIFF* tif) {
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    return orientation >= 1 && orientation <= 8 ? orientation : uint16_t(ORIENTATION_TOPLEFT);
}

// Plain 8-bit RGB(A) strips with straight alpha, the layout our writer makes
// and most files have: read row by row without conversion.
bool is_plain_rgb(TIFF* tif, uint16_t& spp) {
    uint16_t bps = 0, photometric = 0, planar = 0, extra_count = 0;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    if (bps != 8 || photometric != PHOTOMETRIC_RGB || planar != PLANARCONFIG_CONTIG || TIFFIsTiled(tif)) return false;
    if (spp == 3) return extra_count == 0;
    return spp == 4 && extra_count == 1 && extra != nullptr && extra[0] != EXTRASAMPLE_ASSOCALPHA;
}

// Whole strips at a time: four-sample strips land in the picture as they
// are, three-sample ones are widened from a strip buffer.
bool read_plain(TIFF* tif, uint8_t* out, uint32_t w, uint32_t h, uint16_t spp) {
    const size_t row_bytes = size_t(w) * spp;
    if (TIFFScanlineSize(tif) != tmsize_t(row_bytes)) return false;
    uint32_t strip_rows = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &strip_rows);
    if (strip_rows == 0 || strip_rows > h) strip_rows = h;
    std::vector<uint8_t> strip;
    try {
        if (spp == 3) strip.resize(row_bytes * strip_rows);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t y = 0, s = 0; y < h; y += strip_rows, ++s) {
        const uint32_t rows = std::min(strip_rows, h - y);
        const tmsize_t want = tmsize_t(row_bytes * rows);
        uint8_t* target = spp == 4 ? out + size_t(y) * w * 4 : strip.data();
        if (TIFFReadEncodedStrip(tif, s, target, want) != want) return false;
        if (spp == 4) continue;
        const uint8_t* in = strip.data();
        uint8_t* o = out + size_t(y) * w * 4;
        for (size_t i = 0, n = size_t(w) * rows; i < n; ++i, in += 3, o += 4) {
            o[0] = in[0];
            o[1] = in[1];
            o[2] = in[2];
            o[3] = 255;
        }
    }
    return true;
}

// The codec's general path hands out colour multiplied by alpha; ours is
// straight.
void unpremultiply(uint8_t* px, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i, px += 4) {
        const uint32_t a = px[3];
        if (a == 0 || a == 255) continue;
        for (int c = 0; c < 3; ++c) px[c] = uint8_t(std::min<uint32_t>(255, (px[c] * 255u + a / 2) / a));
    }
}

// Every pixel's samples as stored, interleaved, rows top first: strips or
// tiles, samples together or in planes. Samples of 16 bits come in the
// machine's byte order.
bool read_samples(TIFF* tif, uint32_t w, uint32_t h, uint16_t spp, uint16_t bps, std::vector<uint8_t>& out) {
    uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    const bool separate = planar == PLANARCONFIG_SEPARATE;
    const size_t sampleBytes = bps / 8, pixelBytes = sampleBytes * spp;
    const size_t unitBytes = separate ? sampleBytes : pixelBytes;  // what one stored pixel of a block holds
    // Blocks: tiles, or strips as tiles of the whole width.
    uint32_t bw = w, bh = 0;
    if (TIFFIsTiled(tif)) {
        if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &bw) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &bh)) return false;
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &bh);
        bh = std::min(bh == 0 ? h : bh, h);
    }
    if (bw == 0 || bh == 0 || uint64_t(bw) * bh * unitBytes > uint64_t(kMaxTiffAlloc)) return false;
    const tmsize_t blockBytes = tmsize_t(uint64_t(bw) * bh * unitBytes);
    std::vector<uint8_t> block;
    try {
        out.assign(size_t(w) * h * pixelBytes, 0);
        block.resize(size_t(blockBytes));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint16_t plane = 0; plane < (separate ? spp : 1); ++plane)
        for (uint32_t by = 0; by < h; by += bh)
            for (uint32_t bx = 0; bx < w; bx += bw) {
                const uint32_t rows = std::min(bh, h - by), cols = std::min(bw, w - bx);
                if (TIFFIsTiled(tif)) {
                    if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, bx, by, 0, plane), block.data(), blockBytes) < 0)
                        return false;
                } else {
                    // A strip holds only the rows it has; it must hold them all.
                    const tmsize_t want = tmsize_t(uint64_t(rows) * bw * unitBytes);
                    if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, by, plane), block.data(), want) != want)
                        return false;
                }
                for (uint32_t r = 0; r < rows; ++r) {
                    const uint8_t* in = block.data() + size_t(r) * bw * unitBytes;
                    uint8_t* o = out.data() + (size_t(by + r) * w + bx) * pixelBytes;
                    if (!separate) {
                        std::memcpy(o, in, size_t(cols) * pixelBytes);
                        continue;
                    }
                    for (uint32_t c = 0; c < cols; ++c)
                        std::memcpy(o + c * pixelBytes + plane * sampleBytes, in + c * sampleBytes, sampleBytes);
                }
            }
    return true;
}

// CIE L*a*b* samples, 8 or 16 bits: L over the full range of the sample;
// a and b signed (CIELab) or offset by half the range (ICC Lab). Converted
// against the file's white, D50 when it names none, then to sRGB.
bool read_lab(TIFF* tif, uint8_t* out, uint32_t w, uint32_t h, uint16_t photometric) {
    uint16_t bps = 0, spp = 0, extra_count = 0;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    if ((bps != 8 && bps != 16) || spp < 3) return false;
    const bool alpha = spp >= 4 && extra_count >= 1;
    std::vector<uint8_t> samples;
    if (!read_samples(tif, w, h, spp, bps, samples)) return false;
    float* wp = nullptr;
    colour_space::Xyz white = colour_space::d50_white();
    if (TIFFGetField(tif, TIFFTAG_WHITEPOINT, &wp) && wp != nullptr)
        white = colour_space::white_from_chromaticity(wp[0], wp[1]);
    const bool icc = photometric == PHOTOMETRIC_ICCLAB;
    const size_t pixelBytes = size_t(spp) * (bps / 8);
    // Sample i of the pixel at p, as its stored unsigned value.
    const auto sample = [&](const uint8_t* p, int i) -> uint32_t {
        if (bps == 8) return p[i];
        uint16_t v;
        std::memcpy(&v, p + 2 * i, 2);
        return v;
    };
    const double full = bps == 8 ? 255.0 : 65535.0;
    const auto chroma = [&](uint32_t v) {
        if (icc) return bps == 8 ? double(v) - 128 : double(v) / 256 - 128;
        return bps == 8 ? double(int8_t(uint8_t(v))) : double(int16_t(uint16_t(v))) / 256;
    };
    // Neighbouring pixels often share a colour: the last one is kept.
    uint32_t last[3] = {~0u, ~0u, ~0u};
    colour_space::Rgb8 rgb;
    const uint8_t* p = samples.data();
    for (uint64_t i = 0, n = uint64_t(w) * h; i < n; ++i, p += pixelBytes, out += 4) {
        const uint32_t l = sample(p, 0), a = sample(p, 1), b = sample(p, 2);
        if (l != last[0] || a != last[1] || b != last[2]) {
            // ICC 16-bit lightness puts 100 at 0xFF00.
            const double lightness = icc && bps == 16 ? std::min(100.0, l * 100.0 / 65280) : l * 100.0 / full;
            const colour_space::Lab lab{lightness, chroma(a), chroma(b)};
            rgb = colour_space::xyz_to_rgb(colour_space::adapt_to_d65(colour_space::lab_to_xyz(lab, white), white));
            last[0] = l, last[1] = a, last[2] = b;
        }
        out[0] = rgb.r;
        out[1] = rgb.g;
        out[2] = rgb.b;
        out[3] = alpha ? uint8_t(sample(p, 3) * 255 / uint32_t(full)) : 255;
    }
    return true;
}

// Decodes the stored picture (rows as stored, first row first) into out.
bool read_stored(TIFF* tif, uint8_t* out, uint32_t w, uint32_t h, uint16_t orientation) {
    uint16_t photometric = 0, spp = 0;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB)
        return read_lab(tif, out, w, h, photometric);
    if (is_plain_rgb(tif, spp)) return read_plain(tif, out, w, h, spp);
    char message[1024];
    uint16_t extra_count = 0;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    // Asking for the file's own orientation makes the codec flip nothing.
    const bool ok = TIFFRGBAImageOK(tif, message) &&
                    TIFFReadRGBAImageOriented(tif, w, h, reinterpret_cast<uint32_t*>(out), orientation, 1);
    if (ok && extra_count > 0) unpremultiply(out, uint64_t(w) * h);
    return ok;
}

uint8_t* decode(Bytes data, uint32_t& width, uint32_t& height) {
    MemoryFile file{data};
    bool failed = false;
    TIFF* tif = open_memory(file, failed);
    if (tif == nullptr) return nullptr;
    uint32_t w = 0, h = 0;
    uint8_t* out = nullptr;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h) &&
        codec::size_ok(w, h))
        out = codec::alloc_picture(w, h, 4);
    const uint16_t orientation = orientation_of(tif);
    const bool ok = out != nullptr && read_stored(tif, out, w, h, orientation);
    TIFFClose(tif);
    if (!ok || failed) {
        GlobalFree(out);
        return nullptr;
    }
    out = detail::orient_upright(out, w, h, orientation);
    if (out == nullptr) return nullptr;
    width = w;
    height = h;
    return out;
}

bool dims(Bytes data, codec::Dims& d) {
    MemoryFile file{data};
    bool failed = false;
    TIFF* tif = open_memory(file, failed);
    if (tif == nullptr) return false;
    uint32_t w = 0, h = 0;
    uint16_t bps = 0, spp = 0, unit = 0;
    float xres = 0, yres = 0;
    const bool ok = TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    if (ok) {
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
        d.width = w;
        d.height = h;
        d.bitsPerPixel = uint32_t(bps) * spp;
        if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres)) {
            TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
            d.xResolution = xres;
            d.yResolution = yres;
            d.unit = unit;
        }
        // The size and resolution of the picture as it stands, as the reader
        // delivers it.
        if (detail::swaps_sides(orientation_of(tif))) {
            std::swap(d.width, d.height);
            std::swap(d.xResolution, d.yResolution);
        }
    }
    TIFFClose(tif);
    return ok;
}

// ---- Writing: libtiff seeks back to place its directory, so it works on
// the destination's file directly.

tmsize_t dest_read(thandle_t h, void* buf, tmsize_t n) {
    return tmsize_t(std::fread(buf, 1, size_t(n), static_cast<FileDest*>(h)->file));
}
tmsize_t dest_write(thandle_t h, void* buf, tmsize_t n) {
    return static_cast<FileDest*>(h)->write(buf, size_t(n)) ? n : 0;
}
toff_t dest_seek(thandle_t h, toff_t off, int whence) {
    std::FILE* f = static_cast<FileDest*>(h)->file;
    if (off > toff_t(INT64_MAX) || fseeko(f, off_t(off), whence) != 0) return toff_t(-1);
    return toff_t(ftello(f));
}
int dest_close(thandle_t) { return 0; }
toff_t dest_size(thandle_t h) {
    std::FILE* f = static_cast<FileDest*>(h)->file;
    const off_t here = ftello(f);
    fseeko(f, 0, SEEK_END);
    const off_t end = ftello(f);
    fseeko(f, here, SEEK_SET);
    return toff_t(end);
}

class TiffLines final : public LineWriter {
public:
    TiffLines(FileDest* d, uint32_t w, uint32_t h, uint32_t bpp) : LineWriter(Kind::TIFF, d, w, h), bpp_(bpp) {}
    ~TiffLines() override {
        if (tif_ != nullptr) TIFFClose(tif_);
    }

    bool start(uint32_t predictor, uint32_t compression, const ISLineResolution* res) {
        const uint16_t spp = bpp_ == 32 ? 4 : 3;
        row_bytes_ = size_t(width) * spp;
        // Strips of about 256 KiB: large enough for the compressor, small
        // enough to stream.
        strip_rows_ = std::min(height, std::max<uint32_t>(1, uint32_t((256u << 10) / row_bytes_)));
        try {
            strip_.resize(row_bytes_ * strip_rows_);
        } catch (const std::bad_alloc&) {
            return false;
        }
        TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
        if (opts == nullptr) return false;
        TIFFOpenOptionsSetErrorHandlerExtR(opts, on_error, &failed_);
        TIFFOpenOptionsSetWarningHandlerExtR(opts, on_warning, nullptr);
        tif_ = TIFFClientOpenExt(dest->target.c_str(), "w", dest, dest_read, dest_write, dest_seek, dest_close,
                                 dest_size, no_map, no_unmap, opts);
        TIFFOpenOptionsFree(opts);
        if (tif_ == nullptr) return false;
        const uint16_t scheme = compression == 0 ? COMPRESSION_ADOBE_DEFLATE : uint16_t(compression);
        if (!TIFFIsCODECConfigured(scheme)) return false;
        TIFFSetField(tif_, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif_, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tif_, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif_, TIFFTAG_SAMPLESPERPIXEL, spp);
        TIFFSetField(tif_, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif_, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif_, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tif_, TIFFTAG_COMPRESSION, scheme);
        if (spp == 4) {
            const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(tif_, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        if (predictor == 2 && scheme != COMPRESSION_NONE) TIFFSetField(tif_, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        if (res != nullptr && res->x > 0 && res->y > 0) {
            TIFFSetField(tif_, TIFFTAG_XRESOLUTION, float(res->x));
            TIFFSetField(tif_, TIFFTAG_YRESOLUTION, float(res->y));
            TIFFSetField(tif_, TIFFTAG_RESOLUTIONUNIT, uint16_t(res->unit >= 1 && res->unit <= 3 ? res->unit : 1));
        }
        TIFFSetField(tif_, TIFFTAG_ROWSPERSTRIP, strip_rows_);
        return !failed_;
    }

private:
    // Rows gather in the strip buffer, which goes out whole (the predictor
    // works in place there, never on the caller's rows).
    bool write_row(const uint8_t* row) override {
        const uint32_t in_strip = rows % strip_rows_;
        std::memcpy(strip_.data() + in_strip * row_bytes_, row, row_bytes_);
        if (in_strip + 1 < strip_rows_ && rows + 1 < height) return true;
        const tmsize_t bytes = tmsize_t((in_strip + 1) * row_bytes_);
        return TIFFWriteEncodedStrip(tif_, rows / strip_rows_, strip_.data(), bytes) == bytes && !failed_;
    }
    bool finish() override {
        if (rows != height) return false;
        const bool flushed = TIFFFlush(tif_) == 1;
        TIFFClose(tif_);
        tif_ = nullptr;
        return flushed && !failed_;
    }

    uint32_t bpp_;
    TIFF* tif_ = nullptr;
    bool failed_ = false;
    size_t row_bytes_ = 0;
    uint32_t strip_rows_ = 1;
    std::vector<uint8_t> strip_;
};

HISLINES init_lines(HISDEST dest, uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t predictor,
                    uint32_t compression, const ISLineResolution* res) {
    if (dest == nullptr || (bitsPerPixel != 24 && bitsPerPixel != 32) || width == 0 || height == 0) return nullptr;
    return codec::start_lines(dest, new (std::nothrow) TiffLines(dest, width, height, bitsPerPixel), predictor,
                              compression, res);
}

}  // namespace

namespace codec {
uint8_t* decode_tiff(Bytes data, uint32_t& width, uint32_t& height) { return decode(data, width, height); }
bool tiff_dims(Bytes data, Dims& d) { return dims(data, d); }
}  // namespace codec

HISLINES IS40_InitWriteTIFFLines(HISDEST dest, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                 uint32_t predictor, uint32_t compression, const ISLineResolution* res) {
    return init_lines(dest, width, height, bitsPerPixel, predictor, compression, res);
}

BOOL IS40_WriteNextTIFFLine(HISLINES lines, const uint8_t* row) {
    return codec::next_line(lines, LineWriter::Kind::TIFF, row);
}

BOOL IS40_DestroyTIFFLines(HISLINES lines) { return codec::destroy_lines(lines, LineWriter::Kind::TIFF); }

BOOL IS3WriteTIFF(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                  uint32_t compression, const ISResolution* res) {
    ISLineResolution lres;
    HISLINES lines = pixels == nullptr ? nullptr
                                       : init_lines(dest, width, height, bitsPerPixel, 0, compression,
                                                    codec::line_resolution(res, lres));
    return codec::write_rows(dest, lines, pixels, height, uint64_t(width) * (bitsPerPixel / 8), false);
}

}  // namespace imglib
