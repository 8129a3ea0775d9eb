// PNG through libpng.
#include <png.h>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <vector>

#include "platform/imglib/codecs.h"
#include "platform/imglib/deflate_bands.h"
#include "platform/imglib/png_filters.h"
#include "platform/parallel.h"

namespace imglib {

namespace {

// Ancillary chunks larger than this are refused (text, profiles).
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(64) << 20;

struct MemoryInput {
    const uint8_t* p;
    size_t left;
};

void read_memory(png_structp png, png_bytep out, size_t n) {
    auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (n > in->left) png_error(png, "truncated");
    std::memcpy(out, in->p, n);
    in->p += n;
    in->left -= n;
}

[[noreturn]] void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_warning(png_structp, png_const_charp) {}

png_structp new_reader(MemoryInput* in) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (png == nullptr) return nullptr;
    png_set_read_fn(png, in, read_memory);
    png_set_user_limits(png, kMaxFileSide, kMaxFileSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    return png;
}

// Kept apart from any C++ object: png_longjmp must not cross destructors.
uint8_t* decode(Bytes data, uint32_t& width, uint32_t& height) {
    MemoryInput in{data.data(), data.size()};
    png_structp png = new_reader(&in);
    if (png == nullptr) return nullptr;
    png_infop info = png_create_info_struct(png);
    uint8_t* volatile out = nullptr;
    png_bytep* volatile rows = nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        GlobalFree(out);
        std::free(rows);
        return nullptr;
    }
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (!codec::size_ok(w, h)) png_error(png, "size");
    const int colour = png_get_color_type(png, info);
    png_set_expand(png);  // palette and low grey depths to 8 bits, transparency to alpha
    png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "layout");
    out = codec::alloc_picture(w, h, 4);
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
    if (out == nullptr || rows == nullptr) png_error(png, "memory");
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = out + size_t(y) * w * 4;
    png_read_image(png, rows);
    png_read_end(png, nullptr);  // a file cut short before its end fails here
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(rows);
    width = w;
    height = h;
    return out;
}

bool dims(Bytes data, codec::Dims& d) {
    MemoryInput in{data.data(), data.size()};
    png_structp png = new_reader(&in);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_read_info(png, info);
    d.width = png_get_image_width(png, info);
    d.height = png_get_image_height(png, info);
    d.bitsPerPixel = uint32_t(png_get_bit_depth(png, info)) * png_get_channels(png, info);
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) != 0) {
        d.xResolution = x;
        d.yResolution = y;
        d.unit = unit;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// ---- Writing: PNG's chunks are written here; the image data is filtered
// and deflated in bands on the task pool (see deflate_bands.h), with the
// filter choice and compression settings of libpng's defaults, so the files
// match libpng's in size.

// Filtered bytes per deflate band: large enough that the bands' seams cost
// nothing worth counting, small enough that the rows in flight stay a few
// megabytes.
constexpr size_t kBandBytes = size_t(256) << 10;

// Deflate bands filtered and compressed at once, per thread of the pool.
constexpr int32_t kBandsPerThread = 2;

void put_u32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// One chunk: length, type, data (given in parts), CRC of type and data.
bool write_chunk(FileDest* d, const char* type, std::initializer_list<Bytes> parts) {
    size_t length = 0;
    for (const Bytes& part : parts) length += part.size();
    if (length > PNG_UINT_31_MAX) return false;
    uint8_t head[8];
    put_u32(head, uint32_t(length));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    bool ok = d->write(head, 8);
    for (const Bytes& part : parts) {
        crc = crc32(crc, part.data(), uInt(part.size()));
        ok = ok && d->write(part.data(), part.size());
    }
    uint8_t tail[4];
    put_u32(tail, uint32_t(crc));
    return ok && d->write(tail, 4);
}

class PngLines final : public LineWriter {
public:
    PngLines(FileDest* d, uint32_t w, uint32_t h, uint32_t channels)
        : LineWriter(Kind::PNG, d, w, h),
          channels_(channels),
          row_bytes_(size_t(w) * channels),
          band_rows_(uint32_t(std::clamp<size_t>(kBandBytes / (row_bytes_ + 1), 1, h))) {}

    bool start(uint32_t filters, const ISLineResolution* res) {
        allowed_ = filters & detail::kPngAllFilters;
        if (allowed_ == 0) allowed_ = detail::kPngAllFilters;
        // Filters that would only see the zeros around a single row or
        // column are left out, as libpng leaves them out.
        if (height == 1) allowed_ &= ~(detail::kPngFilterUp | detail::kPngFilterAverage | detail::kPngFilterPaeth);
        if (width == 1) allowed_ &= ~(detail::kPngFilterSub | detail::kPngFilterAverage | detail::kPngFilterPaeth);
        if (allowed_ == 0) allowed_ = detail::kPngFilterNone;
        // Filtered data compresses best with zlib's filtered strategy; rows
        // left as they are take the default one.
        const int strategy = allowed_ == detail::kPngFilterNone ? Z_DEFAULT_STRATEGY : Z_FILTERED;
        const uint32_t bands = uint32_t(std::max(1, parallel::thread_count() * kBandsPerThread));
        batch_rows_ = uint32_t(std::min<uint64_t>(uint64_t(band_rows_) * bands, height));
        try {
            deflate_ = std::make_unique<detail::DeflateBands>(Z_DEFAULT_COMPRESSION, strategy,
                                                              size_t(band_rows_) * (row_bytes_ + 1));
            raw_.assign((size_t(batch_rows_) + 1) * row_bytes_, 0);  // the row above the batch first: none yet
        } catch (const std::bad_alloc&) {
            return false;
        }
        static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
        uint8_t ihdr[13];
        put_u32(ihdr, width);
        put_u32(ihdr + 4, height);
        ihdr[8] = 8;                        // bits per channel
        ihdr[9] = channels_ == 4 ? 6 : 2;   // RGBA or RGB
        ihdr[10] = ihdr[11] = ihdr[12] = 0; // deflate, adaptive filters, no interlace
        bool ok = dest->write(kSignature, 8) && write_chunk(dest, "IHDR", {Bytes(ihdr)});
        if (ok && res != nullptr) {
            uint8_t phys[9];
            put_u32(phys, uint32_t(codec::resolution_int(res->x)));
            put_u32(phys + 4, uint32_t(codec::resolution_int(res->y)));
            phys[8] = res->unit == 1 ? 1 : 0;  // pixels per metre, or an aspect only
            ok = write_chunk(dest, "pHYs", {Bytes(phys)});
        }
        return ok;
    }

private:
    // Rows gather in the batch; a full batch, or the last row, sends it on.
    bool write_row(const uint8_t* row) override {
        std::memcpy(raw_.data() + (1 + size_t(in_batch_)) * row_bytes_, row, row_bytes_);
        ++in_batch_;
        const bool last = rows + 1 == height;
        return (in_batch_ < batch_rows_ && !last) || send_batch(last);
    }

    bool finish() override { return rows == height && write_chunk(dest, "IEND", {}); }

    // Filters the batch's rows (each against the raw row above it), deflates
    // them in bands and writes one IDAT chunk per band.
    bool send_batch(bool last) {
        const size_t filtered_row = row_bytes_ + 1;
        uint8_t* filtered = deflate_->input(size_t(in_batch_) * filtered_row);
        if (filtered == nullptr) return false;
        std::atomic<bool> ok{true};
        parallel::for_bands(in_batch_, int64_t(row_bytes_) * parallel::kPixelWork, [&](int64_t first, int64_t end) {
            std::vector<uint8_t> scratch;
            try {
                scratch.resize(filtered_row);
            } catch (const std::bad_alloc&) {
                ok = false;
                return;
            }
            for (int64_t i = first; i < end; ++i) {
                const uint8_t* row = raw_.data() + size_t(1 + i) * row_bytes_;
                detail::filter_png_row(row, row - row_bytes_, row_bytes_, channels_, allowed_,
                                       filtered + size_t(i) * filtered_row, scratch.data());
            }
        });
        if (!ok || !deflate_->compress(last)) return false;
        for (size_t i = 0; i < deflate_->pieces(); ++i)
            if (!write_chunk(dest, "IDAT", {deflate_->piece(i)})) return false;
        // The batch's last row is the row above the next batch.
        std::memcpy(raw_.data(), raw_.data() + size_t(in_batch_) * row_bytes_, row_bytes_);
        in_batch_ = 0;
        return true;
    }

    const uint32_t channels_;
    const size_t row_bytes_;
    const uint32_t band_rows_;
    uint32_t allowed_ = detail::kPngAllFilters;
    uint32_t batch_rows_ = 1;
    uint32_t in_batch_ = 0;
    std::vector<uint8_t> raw_;
    std::unique_ptr<detail::DeflateBands> deflate_;
};

}  // namespace

namespace codec {
uint8_t* decode_png(Bytes data, uint32_t& width, uint32_t& height) { return decode(data, width, height); }
bool png_dims(Bytes data, Dims& d) { return dims(data, d); }
}  // namespace codec

HISLINES IS40_InitWritePNGLines(HISDEST dest, uint32_t width, uint32_t height, uint32_t stride, uint32_t bitDepth,
                                uint32_t, const uint8_t*, uint32_t colourType, uint32_t interlace, uint32_t filters,
                                const ISLineResolution* res) {
    if (dest == nullptr || bitDepth != 8 || (colourType != 2 && colourType != 6) || interlace != 0) return nullptr;
    const uint64_t row_bytes = uint64_t(width) * (colourType == 6 ? 4 : 3);
    if (width == 0 || height == 0 || width > PNG_UINT_31_MAX || height > PNG_UINT_31_MAX || stride < row_bytes)
        return nullptr;
    return codec::start_lines(dest, new (std::nothrow) PngLines(dest, width, height, colourType == 6 ? 4 : 3),
                              filters, res);
}

BOOL IS40_WriteNextPNGLine(HISLINES lines, const uint8_t* row) {
    return codec::next_line(lines, LineWriter::Kind::PNG, row);
}

BOOL IS40_DestroyPNGLines(HISLINES lines) { return codec::destroy_lines(lines, LineWriter::Kind::PNG); }

BOOL IS3WritePNG(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                 uint32_t bitDepth, uint32_t colourType, const ISResolution* res) {
    ISLineResolution lres;
    HISLINES lines = pixels == nullptr ? nullptr
                                       : IS40_InitWritePNGLines(dest, width, height, stride, bitDepth, 0, nullptr,
                                                                colourType, 0, 0, codec::line_resolution(res, lres));
    return codec::write_rows(dest, lines, pixels, height, stride, false);
}

}  // namespace imglib

namespace imglib {

uint8_t* IS3WritePNGToMemory(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                             uint32_t colourType, uint64_t* size) {
    std::vector<uint8_t> bytes;
    FileDest dest;
    dest.memory = &bytes;
    if (!IS3WritePNG(&dest, pixels, width, height, stride, 8, colourType, nullptr) || dest.failed) return nullptr;
    auto* out = static_cast<uint8_t*>(GlobalAlloc(bytes.size()));
    if (out == nullptr) return nullptr;
    std::memcpy(out, bytes.data(), bytes.size());
    if (size != nullptr) *size = bytes.size();
    return out;
}

}  // namespace imglib
