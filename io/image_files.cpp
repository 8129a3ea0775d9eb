#include "io/image_files.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/buffer.h"
#include "engine/pixels.h"
#include "engine/trace.h"
#include "platform/imglib/channels.h"
#include "platform/imglib/files.h"

namespace io {

namespace {

using namespace imglib;

constexpr double kInchesPerMetre = 39.3700787;
constexpr const char* kReading = "read a picture file";

// Releases what the library handed out on every path.
class LibraryBlock {
public:
    explicit LibraryBlock(uint8_t* p) : p_(p) {}
    LibraryBlock(const LibraryBlock&) = delete;
    LibraryBlock& operator=(const LibraryBlock&) = delete;
    ~LibraryBlock() { GlobalFree(p_); }
    uint8_t* get() const { return p_; }

private:
    uint8_t* p_;
};

class Source {
public:
    explicit Source(const char* path) : src_(IS3OpenFileSource(path)) {
        if (src_ == nullptr) trace::cannot_open(kReading, path, path != nullptr ? errno : EINVAL);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source() { close(); }
    HISSRC get() const { return src_; }
    void close() {
        if (src_ != nullptr) IS3CloseSource(src_);
        src_ = nullptr;
    }

private:
    HISSRC src_;
};

bool is_metafile(uint32_t type) { return type == kFileWMF || type == kFileEMF; }

// A decoded picture: RGB24 for metafiles (rendered at the image size),
// else RGBA32 or RGB24 as asked.
struct Decoded {
    uint8_t* pixels = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    bool rgb = false;
};

Decoded decode(const engine::EngineState& s, const char* path, bool want_rgb) {
    Decoded d;
    Source src(path);
    if (src.get() == nullptr) return d;
    const uint32_t type = IS3GuessFileType(src.get());
    IS3Seek(src.get(), 0, 0);
    if (is_metafile(type)) {
        src.close();
        if (s.imageWidth <= 0 || s.imageHeight <= 0) {
            trace::skipped(kReading, "'%s' is a metafile, drawn at the image's size: there is no image", path);
            return d;
        }
        d.pixels = IS3ReadMetafile(path, &d.width, &d.height, uint32_t(s.imageWidth), uint32_t(s.imageHeight),
                                   metafile_background(s), 0);
        d.rgb = true;
    } else {
        d.pixels = want_rgb ? IS3ReadImageToRGB(src.get(), &d.width, &d.height)
                            : IS3ReadImageToRGBA(src.get(), &d.width, &d.height);
        d.rgb = want_rgb;
    }
    if (d.pixels == nullptr) trace::skipped(kReading, "'%s' holds no picture the engine can read", path);
    return d;
}

// The decoded picture as RGBA32 in dst (alpha 255 for a rendering).
void copy_rgba(const Decoded& d, uint8_t* dst) {
    if (d.rgb)
        IS3RGBToRGBA(d.pixels, d.width, d.height, dst, 255);
    else
        std::memcpy(dst, d.pixels, size_t(d.width) * d.height * 4);
}

// The fixed-size readers: the picture goes to dst only at exactly its size.
int32_t read_exact_size(const engine::EngineState& s, uint8_t* dst, int32_t width, int32_t height,
                        const char* path, bool rgb) {
    if (dst == nullptr) return 0;
    const Decoded d = decode(s, path, rgb);
    const LibraryBlock block(d.pixels);
    if (d.pixels == nullptr) return 0;
    if (int64_t(d.width) != width || int64_t(d.height) != height) {
        trace::skipped(kReading, "'%s' is %u x %u, not the %d x %d asked for: nothing copied", path, d.width, d.height,
                       width, height);
        return 0;
    }
    if (rgb) std::memcpy(dst, d.pixels, size_t(d.width) * d.height * 3);
    else copy_rgba(d, dst);
    return 1;
}

using Writer = BOOL (*)(HISDEST, const uint8_t*, uint32_t, uint32_t, int32_t);

BOOL write_bmp24(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t dpi) {
    const ISResolution res{pixels_per_metre(dpi), pixels_per_metre(dpi), 0};
    return IS3WriteBMP(d, p, w, h, 24, &res);
}
BOOL write_png24(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t dpi) {
    const ISResolution res{pixels_per_metre(dpi), pixels_per_metre(dpi), 1};
    return IS3WritePNG(d, p, w, h, w * 3, 8, 2, &res);
}
BOOL write_emf(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t) { return IS3WriteRGBToEMF(d, p, w, h); }
BOOL write_gif(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t) {
    engine::OwnedBuffer<uint8_t> indices;
    indices.allocate_or_throw(uint64_t(w) * h);
    uint8_t palette[256 * 3] = {};
    uint32_t used = 0;
    if (!IS3QuantizeRGBTo8Bit(p, w, h, indices.data(), palette, 256, 1, 20, 0, &used)) return 0;
    return IS3Write8BitToGIF(d, indices.data(), w, h, palette, used, -1, 8);
}
BOOL write_jpg24(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t dpi) {
    const ISResolution res{dpi, dpi, 1};
    return IS3WriteJPG(d, p, w, h, 97, 24, &res);
}
BOOL write_pcx(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t) { return IS3WritePCX(d, p, w, h, 24); }
BOOL write_psd(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t dpi) {
    const ISResolution res{dpi, dpi, 2};
    return IS3WritePSD(d, p, w, h, 24, &res);
}
BOOL write_png32(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t dpi) {
    const ISResolution res{pixels_per_metre(dpi), pixels_per_metre(dpi), 1};
    return IS3WritePNG(d, p, w, h, w * 4, 8, 6, &res);
}
BOOL write_tga32(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t) { return IS3WriteTGA(d, p, w, h, 32); }
BOOL write_tif32(HISDEST d, const uint8_t* p, uint32_t w, uint32_t h, int32_t dpi) {
    const ISResolution res{dpi, dpi, 2};
    return IS3WriteTIFF(d, p, w, h, 32, 0, &res);
}

struct WriterRow {
    std::string_view ext;
    Writer write;
};

// Tried in this order; the first extension that matches writes.
constexpr WriterRow kRGB24Writers[] = {
    {".bmp", write_bmp24}, {".png", write_png24}, {".emf", write_emf}, {".gif", write_gif},
    {".jpg", write_jpg24}, {".pcx", write_pcx},   {".psd", write_psd}, {".wmf", write_emf},
};
constexpr WriterRow kRGBA32Writers[] = {
    {".png", write_png32},
    {".tga", write_tga32},
    {".tif", write_tif32},
};

// The extensions a table of writers offers, for the trace.
template <size_t N>
[[gnu::cold]] void trace_unknown_extension(const WriterRow (&table)[N], const char* ext, const char* path) {
    if (!trace::enabled()) return;
    std::string offered;
    for (const WriterRow& r : table) offered.append(offered.empty() ? "" : " ").append(r.ext);
    trace::skipped("write a picture file",
                   "unknown extension '%s' for '%s' (this pixel layout writes %s): nothing written", trace::shown(ext),
                   trace::shown(path), offered.c_str());
}

template <size_t N>
int32_t write_by_extension(const WriterRow (&table)[N], const uint8_t* src, int32_t width, int32_t height,
                           const char* path, const char* ext, int32_t dpi) {
    const WriterRow* row = find_by_extension(table, ext);
    // An unknown extension writes nothing: not even an empty file in place
    // of an existing one.
    if (row == nullptr || src == nullptr || path == nullptr || width <= 0 || height <= 0) {
        if (row == nullptr) trace_unknown_extension(table, ext, path);
        else trace::skipped("write a picture file", "no pixels, no path, or %d x %d is empty", width, height);
        return 0;
    }
    HISDEST dest = IS3OpenFileDest(path, 0);
    if (dest == nullptr) {
        trace::cannot_open("write a picture file", path, errno);
        return 0;
    }
    BOOL written = 0;
    try {
        written = row->write(dest, src, uint32_t(width), uint32_t(height), dpi);
    } catch (...) {
        IS3CancelDest(dest);  // nothing half-written replaces the target
        throw;
    }
    const BOOL closed = IS3CloseDest(dest);
    return written && closed ? written : 0;
}

// Resolution to dots per inch, per type and unit, truncated; 72 where the
// type or unit gives none.
double dots_per_inch(uint32_t type, double value, int32_t unit) {
    constexpr double kPerCentimetre = 2.5400000025908, kPerMetre = 0.025400000025908;
    switch (type) {
        case kFileBMP:
            return unit == 1 ? value * kPerCentimetre : unit == 2 ? value * kPerMetre : 72;
        case kFileJPEG:
            return unit == 1 ? value : unit == 2 ? value * kPerCentimetre : 72;
        case kFilePNG:
            return unit == 1 ? value * kPerMetre : 72;
        case kFileTIFF:
        case kFilePSD:
            return unit == 2 ? value : unit == 3 ? value * kPerCentimetre : 72;
        default:
            return 72;
    }
}

}  // namespace

bool same_extension(const char* ext, std::string_view wanted) {
    if (ext == nullptr || std::strlen(ext) != wanted.size()) return false;
    for (size_t i = 0; i < wanted.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(ext[i])) != wanted[i]) return false;
    return true;
}

int32_t pixels_per_metre(int32_t dpi) { return int32_t(dpi * kInchesPerMetre); }

RGBAPicture::RGBAPicture(const char* path) {
    Source src(path);
    if (src.get() != nullptr) pixels_ = IS3ReadImageToRGBA(src.get(), &width_, &height_);
    if (pixels_ == nullptr) width_ = height_ = 0;
}

RGBAPicture::~RGBAPicture() { GlobalFree(pixels_); }

engine::OwnedBuffer<uint8_t> new_rgba_block(int32_t width, int32_t height) {
    engine::OwnedBuffer<uint8_t> fresh;
    if (width < 0 || height < 0 || !fresh.allocate(engine::sat_mul(uint64_t(width), uint64_t(height), 4)))
        throw NewRGBAError();
    return fresh;
}

void adopt_new_rgba(engine::EngineState& s, engine::OwnedBuffer<uint8_t>&& pixels, int32_t width, int32_t height) {
    s.io.newRGBA = std::move(pixels);
    s.io.newRGBAWidth = width;
    s.io.newRGBAHeight = height;
}

uint8_t* create_new_rgba(engine::EngineState& s, int32_t width, int32_t height) {
    adopt_new_rgba(s, new_rgba_block(width, height), width, height);
    return s.io.newRGBA.data();
}

void delete_new_rgba(engine::EngineState& s) {
    s.io.newRGBA.release();
    s.io.newRGBAWidth = 0;
    s.io.newRGBAHeight = 0;
}

uint32_t metafile_background(const engine::EngineState& s) {
    const uint16_t* c = s.brush.brushColor;
    return uint32_t(c[0] >> 8) | uint32_t(c[1] >> 8) << 8 | uint32_t(c[2] >> 8) << 16;
}

int32_t read_from_file(engine::EngineState& s, const char* path) {
    const Decoded d = decode(s, path, false);
    const LibraryBlock block(d.pixels);
    if (d.pixels == nullptr) return 0;
    copy_rgba(d, create_new_rgba(s, int32_t(d.width), int32_t(d.height)));
    return 1;
}

int32_t read_from_file_rgb24(const engine::EngineState& s, uint8_t* dst, int32_t width, int32_t height,
                             const char* path) {
    return read_exact_size(s, dst, width, height, path, true);
}

int32_t read_from_file_rgba32(const engine::EngineState& s, uint8_t* dst, int32_t width, int32_t height,
                              const char* path) {
    return read_exact_size(s, dst, width, height, path, false);
}

int32_t write_to_file_rgb24(const uint8_t* src, int32_t width, int32_t height, const char* path, const char* ext,
                            int32_t dpi) {
    return write_by_extension(kRGB24Writers, src, width, height, path, ext, dpi);
}

int32_t write_to_file_rgba32(const uint8_t* src, int32_t width, int32_t height, const char* path, const char* ext,
                             int32_t dpi) {
    return write_by_extension(kRGBA32Writers, src, width, height, path, ext, dpi);
}

int32_t snap_dpi(int32_t dpi) {
    static constexpr int32_t kSteps[] = {96, 150, 200, 300, 450, 600};
    for (int32_t step : kSteps)
        if (dpi >= step - 1 && dpi <= step + 1) return step;
    return 72;
}

int32_t dpi_from_file(const char* path) {
    Source src(path);
    if (src.get() == nullptr) return 72;
    const uint32_t type = IS3GuessFileType(src.get());
    IS3Seek(src.get(), 0, 0);
    using DimsCall = BOOL (*)(HISSRC, uint32_t*, uint32_t*, uint32_t*, double*, double*, int32_t*);
    DimsCall dims = nullptr;
    switch (type) {
        case kFileBMP:
            dims = IS3GetBMPDims;
            break;
        case kFileJPEG:
            dims = IS3GetJPGDims;
            break;
        case kFilePNG:
            dims = IS3GetPNGDims;
            break;
        case kFileTIFF:
            dims = IS3GetTIFFDims;
            break;
        case kFilePSD:
            dims = IS3GetPSDDims;
            break;
        default:
            return 72;
    }
    uint32_t w = 0, h = 0, bits = 0;
    double xres = 0, yres = 0;
    int32_t unit = 0;
    if (!dims(src.get(), &w, &h, &bits, &xres, &yres, &unit)) return 72;
    const double dpi = dots_per_inch(type, xres, unit);
    // Truncated toward zero; values far outside any step need no exact int.
    return snap_dpi(dpi > 0 && dpi < 1e6 ? int32_t(dpi) : 0);
}

void get_new_rgba32(const engine::EngineState& s, uint8_t* dst) {
    if (!s.io.newRGBA) return trace::skipped("PTE_GetNewRGBA32", "no picture in newRGBA (PTE_ReadFromFile fills it)");
    if (dst == nullptr) return trace::skipped("PTE_GetNewRGBA32", "no destination (null)");
    std::memcpy(dst, s.io.newRGBA.data(), size_t(s.io.newRGBAWidth) * size_t(s.io.newRGBAHeight) * 4);
}

void get_new_rgba24(const engine::EngineState& s, uint8_t* dst) {
    if (!s.io.newRGBA) return trace::skipped("PTE_GetNewRGBA24", "no picture in newRGBA (PTE_ReadFromFile fills it)");
    if (dst == nullptr) return trace::skipped("PTE_GetNewRGBA24", "no destination (null)");
    const uint32_t w = uint32_t(s.io.newRGBAWidth), h = uint32_t(s.io.newRGBAHeight);
    IS3SplitRGBAToRGBPlusA(s.io.newRGBA.data(), w, h, w * 4, dst, w * 3, nullptr, 0);
}

void set_in_new_rgba(engine::EngineState& s) {
    if (!s.io.newRGBA) return trace::skipped("PTE_SetInNewRGBA", "no picture in newRGBA (PTE_ReadFromFile fills it)");
    if (s.currentSlot == nullptr) return trace::no_current_layer("PTE_SetInNewRGBA", s);
    pixels::load_rgba32_layer(s, s.io.newRGBA.data(), s.io.newRGBAWidth * 4, s.currentLayer, 0, 0, s.io.newRGBAWidth,
                              s.io.newRGBAHeight, true);
}

}  // namespace io
