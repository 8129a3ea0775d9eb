// PNG through libpng.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/imglib/codecs.h"

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

void write_dest(png_structp png, png_bytep data, size_t n) {
    if (!static_cast<FileDest*>(png_get_io_ptr(png))->write(data, n)) png_error(png, "write");
}
void flush_dest(png_structp) {}

class PngLines final : public LineWriter {
public:
    PngLines(FileDest* d, uint32_t w, uint32_t h) : LineWriter(Kind::PNG, d, w, h) {}
    ~PngLines() override { png_destroy_write_struct(&png_, info_ ? &info_ : nullptr); }

    bool start(uint32_t colourType, uint32_t filters, const ISLineResolution* res) {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
        if (png_ == nullptr) return false;
        info_ = png_create_info_struct(png_);
        if (info_ == nullptr || setjmp(png_jmpbuf(png_))) return false;
        png_set_write_fn(png_, dest, write_dest, flush_dest);
        png_set_IHDR(png_, info_, width, height, 8, colourType == 6 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (res != nullptr)
            png_set_pHYs(png_, info_, png_uint_32(codec::resolution_int(res->x)),
                         png_uint_32(codec::resolution_int(res->y)),
                         res->unit == 1 ? PNG_RESOLUTION_METER : PNG_RESOLUTION_UNKNOWN);
        if (filters != 0) png_set_filter(png_, PNG_FILTER_TYPE_BASE, int(filters));
        png_write_info(png_, info_);
        return true;
    }

private:
    bool write_row(const uint8_t* row) override {
        if (setjmp(png_jmpbuf(png_))) return false;
        png_write_row(png_, row);
        return true;
    }
    bool finish() override {
        if (rows != height) return false;
        if (setjmp(png_jmpbuf(png_))) return false;
        png_write_end(png_, nullptr);
        return true;
    }

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
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
    return codec::start_lines(dest, new (std::nothrow) PngLines(dest, width, height), colourType, filters, res);
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
