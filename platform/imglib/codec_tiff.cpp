// TIFF through libtiff.
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/imglib/codecs.h"
#include "platform/imglib/deflate_strips.h"
#include "platform/parallel.h"

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

// Plain 8-bit RGB(A) strips with straight alpha, the layout our writer makes
// and most files have: read row by row without conversion.
bool is_plain_rgb(TIFF* tif, uint16_t& spp) {
    uint16_t bps = 0, photometric = 0, planar = 0, orientation = 0, extra_count = 0;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    if (bps != 8 || photometric != PHOTOMETRIC_RGB || planar != PLANARCONFIG_CONTIG || TIFFIsTiled(tif) ||
        orientation != ORIENTATION_TOPLEFT)
        return false;
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
    bool ok = out != nullptr;
    if (ok) {
        uint16_t spp = 0;
        if (is_plain_rgb(tif, spp)) {
            ok = read_plain(tif, out, w, h, spp);
        } else {
            char message[1024];
            uint16_t extra_count = 0;
            uint16_t* extra = nullptr;
            TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
            ok = TIFFRGBAImageOK(tif, message) &&
                 TIFFReadRGBAImageOriented(tif, w, h, reinterpret_cast<uint32_t*>(out), ORIENTATION_TOPLEFT, 1);
            if (ok && extra_count > 0) unpremultiply(out, uint64_t(w) * h);
        }
    }
    TIFFClose(tif);
    if (!ok || failed) {
        GlobalFree(out);
        return nullptr;
    }
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

// Deflate strips compressed at once, per thread of the pool.
constexpr int32_t kStripsPerThread = 2;

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
        const bool differences = predictor == 2 && scheme != COMPRESSION_NONE;
        if (differences) TIFFSetField(tif_, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        if (scheme == COMPRESSION_ADOBE_DEFLATE || scheme == COMPRESSION_DEFLATE) {
            // Deflate strips are made several at once, then written raw.
            const uint32_t strips = uint32_t(std::max(1, parallel::thread_count() * kStripsPerThread));
            deflate_ = std::make_unique<detail::DeflateStrips>(row_bytes_, strip_rows_, spp, differences, strips);
            if (!deflate_->ready()) return false;
            strip_ = {};
        }
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
        if (deflate_) return gather_row(row);
        const uint32_t in_strip = rows % strip_rows_;
        std::memcpy(strip_.data() + in_strip * row_bytes_, row, row_bytes_);
        if (in_strip + 1 < strip_rows_ && rows + 1 < height) return true;
        const tmsize_t bytes = tmsize_t((in_strip + 1) * row_bytes_);
        return TIFFWriteEncodedStrip(tif_, rows / strip_rows_, strip_.data(), bytes) == bytes && !failed_;
    }
    // Deflate strips: rows gather for several strips, compressed at once and
    // written as they are.
    bool gather_row(const uint8_t* row) {
        const uint32_t first = rows - rows % deflate_->capacity(), in_batch = rows - first;
        std::memcpy(deflate_->row(in_batch), row, row_bytes_);
        if (in_batch + 1 < deflate_->capacity() && rows + 1 < height) return true;
        if (!deflate_->compress(in_batch + 1)) return false;
        for (size_t i = 0; i < deflate_->strips(); ++i) {
            const Bytes strip = deflate_->strip(i);
            const uint32_t index = first / strip_rows_ + uint32_t(i);
            if (TIFFWriteRawStrip(tif_, index, const_cast<uint8_t*>(strip.data()), tmsize_t(strip.size())) !=
                tmsize_t(strip.size()))
                return false;
        }
        return !failed_;
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
    std::unique_ptr<detail::DeflateStrips> deflate_;
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
