// Inside the file module: the decoders, header queries and writers over
// bytes and destinations, shared by the IS3/IS40 calls and the fuzz targets.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/imglib/byte_reader.h"
#include "platform/imglib/byte_writer.h"
#include "platform/imglib/files.h"

namespace imglib {

struct FileSource {
    std::vector<uint8_t> owned;  // the file's bytes, or empty for a memory source
    Bytes data;
    size_t pos = 0;
    Bytes rest() const { return data.subspan(pos); }
};

struct FileDest {
    std::FILE* file = nullptr;
    // A destination in memory instead of a file: the streaming writers
    // (those that never seek back through the file) append here.
    std::vector<uint8_t>* memory = nullptr;
    std::string target;  // the file the caller named
    std::string temp;    // written first, renamed over the target on success
    bool failed = false;
    std::vector<char> buffer;  // stdio buffer

    // Appends bytes; a short write marks the destination failed.
    bool write(const void* data, size_t size);
    // Overwrites bytes written earlier at `offset`, then goes on at the end.
    bool patch(uint64_t offset, const void* data, size_t size);
};

// A row writer: rows go straight to the destination.
struct LineWriter {
    enum class Kind { BMP, PNG, JPG, TGA, TIFF };
    LineWriter(Kind k, FileDest* d, uint32_t w, uint32_t h) : kind(k), dest(d), width(w), height(h) {}
    virtual ~LineWriter() = default;
    // Writes one row; false when the row cannot be taken (too many rows, a
    // failed write).
    bool next(const uint8_t* row);
    // Finishes the file; false (and the destination failed) when fewer than
    // `height` rows came or the codec failed.
    bool destroy();

    const Kind kind;
    FileDest* const dest;
    const uint32_t width;
    const uint32_t height;
    uint32_t rows = 0;

protected:
    virtual bool write_row(const uint8_t* row) = 0;
    virtual bool finish() = 0;
};

namespace codec {

// Whether a picture of w x h is within the readers' limits.
bool size_ok(uint64_t width, uint64_t height);
// Lowers (or restores) the readers' pixel limit; the fuzz targets keep
// pictures small so that each input runs fast.
void set_max_pixels(uint64_t pixels);
// A GlobalAlloc block of w x h x channels bytes, or null beyond the limits
// or without memory.
uint8_t* alloc_picture(uint64_t width, uint64_t height, uint32_t channels);

// Frees a GlobalAlloc block unless it was handed on.
class BlockGuard {
public:
    explicit BlockGuard(uint8_t* p = nullptr) : p_(p) {}
    BlockGuard(const BlockGuard&) = delete;
    BlockGuard& operator=(const BlockGuard&) = delete;
    ~BlockGuard() { GlobalFree(p_); }
    uint8_t* get() const { return p_; }
    uint8_t* release() {
        uint8_t* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    uint8_t* p_;
};

struct Dims {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;
    double xResolution = 0;
    double yResolution = 0;
    int32_t unit = 0;
};

FileType guess_type(Bytes data);

// Decoders: RGBA32 in a GlobalAlloc block, or null for anything that does
// not decode completely.
uint8_t* decode_bmp(Bytes data, uint32_t& width, uint32_t& height);
uint8_t* decode_png(Bytes data, uint32_t& width, uint32_t& height);
uint8_t* decode_jpeg(Bytes data, uint32_t& width, uint32_t& height);
uint8_t* decode_tiff(Bytes data, uint32_t& width, uint32_t& height);
uint8_t* decode_gif(Bytes data, uint32_t& width, uint32_t& height);
uint8_t* decode_tga(Bytes data, uint32_t& width, uint32_t& height);
uint8_t* decode_pcx(Bytes data, uint32_t& width, uint32_t& height);
uint8_t* decode_psd(Bytes data, uint32_t& width, uint32_t& height);
// Any of the above, chosen by the guessed type.
uint8_t* decode_any(Bytes data, uint32_t& width, uint32_t& height);

// A device-independent bitmap: `header` holds the info header with its
// masks and palette, `bits` the pixel rows. *bottomUp (when given) says
// whether the rows were stored bottom row first, *hasAlpha whether the
// bitmap has an alpha channel (pixels of one without get alpha 255).
uint8_t* decode_dib(Bytes header, Bytes bits, uint32_t& width, uint32_t& height, bool* bottomUp = nullptr,
                    bool* hasAlpha = nullptr);
// The size an info header announces, when the header is one we decode.
bool dib_size(Bytes header, uint32_t& width, uint32_t& height);
// Writes the info header of an uncompressed bitmap stored bottom row first:
// 40 bytes for 24 bits, 108 with red, green, blue and alpha masks for 32.
uint32_t info_header_size(uint32_t bitsPerPixel);
void info_header(ByteWriter& b, uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t xppm, uint32_t yppm);
// Splits a packed bitmap (info header, masks, palette, then the rows).
bool split_packed_dib(Bytes dib, Bytes& header, Bytes& bits);

// WMF or EMF rendered into RGB24 over the background colour.
uint8_t* render_metafile(Bytes data, uint32_t width, uint32_t height, uint32_t background);

bool bmp_dims(Bytes data, Dims& dims);
bool jpeg_dims(Bytes data, Dims& dims);
bool png_dims(Bytes data, Dims& dims);
bool tiff_dims(Bytes data, Dims& dims);
bool psd_dims(Bytes data, Dims& dims);

}  // namespace codec
}  // namespace imglib

namespace imglib::codec {
// A writer's result: a failure marks the destination failed, so closing it
// leaves the target as it was.
inline BOOL settle(HISDEST dest, bool ok) {
    if (!ok && dest != nullptr) dest->failed = true;
    return ok ? 1 : 0;
}
// Feeds a packed picture (rows `stride` bytes apart) to a row writer and
// finishes it: rows top first, or bottom first for writers that store them
// so. A null writer (it could not start) or null pixels fail.
BOOL write_rows(HISDEST dest, HISLINES lines, const uint8_t* pixels, uint32_t height, uint64_t stride,
                bool bottom_first);
// Starts a row writer made with new (nothrow); one that cannot start (or
// could not be made) is dropped and its destination marked failed.
template <class Lines, class... Args>
HISLINES start_lines(HISDEST dest, Lines* lines, Args&&... args) {
    if (lines != nullptr && lines->start(std::forward<Args>(args)...)) return lines;
    delete lines;
    dest->failed = true;
    return nullptr;
}
// The IS40 next-line and destroy calls, checked against the writer's kind.
BOOL next_line(HISLINES lines, LineWriter::Kind kind, const uint8_t* row);
BOOL destroy_lines(HISLINES lines, LineWriter::Kind kind);
// The row writers' resolution record of a whole-buffer writer's, or null.
inline const ISLineResolution* line_resolution(const ISResolution* res, ISLineResolution& out) {
    if (res == nullptr) return nullptr;
    out = {double(res->x), double(res->y), res->unit};
    return &out;
}
// A resolution value as a whole number, truncated and kept within int32.
inline int32_t resolution_int(double v) {
    if (!(v > 0)) return 0;
    return v >= 2147483647.0 ? INT32_MAX : int32_t(v);
}
}  // namespace imglib::codec
