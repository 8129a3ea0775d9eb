#include "io/page_files.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string_view>

#include "engine/buffer.h"
#include "engine/merge.h"
#include "engine/pixels.h"
#include "engine/trace.h"
#include "io/image_files.h"
#include "platform/imglib/files.h"
#include "platform/parallel.h"

namespace io {

namespace {

using namespace imglib;

// One row writer of the file module and how rows reach it.
struct PageWriter {
    std::string_view ext;
    bool bottomFirst;  // BMP stores the bottom row first
    HISLINES (*init)(HISDEST, uint32_t width, uint32_t height, int32_t dpi);
    BOOL (*next)(HISLINES, const uint8_t*);
    BOOL (*destroy)(HISLINES);
};

ISLineResolution per_metre(int32_t dpi, int32_t unit) {
    const double ppm = pixels_per_metre(dpi);
    return {ppm, ppm, unit};
}

HISLINES bmp24(HISDEST d, uint32_t w, uint32_t h, int32_t dpi) {
    const ISLineResolution res = per_metre(dpi, 0);
    return IS40_InitWriteBMPLines(d, w, h, 24, 0, nullptr, &res);
}
HISLINES png24(HISDEST d, uint32_t w, uint32_t h, int32_t dpi) {
    const ISLineResolution res = per_metre(dpi, 1);
    return IS40_InitWritePNGLines(d, w, h, w * 3, 8, 0, nullptr, 2, 0, 0, &res);
}
HISLINES jpg24(HISDEST d, uint32_t w, uint32_t h, int32_t dpi) {
    // Accurate DCT, no smoothing, every component at full resolution.
    static constexpr int32_t kFactors[10] = {1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    IS40_SetJPGDCT(3);
    IS40_SetJPGSmoothingFactor(0);
    IS40_SetJPGDownsampleFactors(kFactors, kFactors);
    const ISLineResolution res{double(dpi), double(dpi), 1};
    return IS40_InitWriteJPGLines(d, w, h, 97, 24, &res);
}
HISLINES png32(HISDEST d, uint32_t w, uint32_t h, int32_t dpi) {
    const ISLineResolution res = per_metre(dpi, 1);
    return IS40_InitWritePNGLines(d, w, h, w * 4, 8, 0, nullptr, 6, 0, 0, &res);
}
HISLINES tga32(HISDEST d, uint32_t w, uint32_t h, int32_t) { return IS40_InitWriteTGALines(d, w, h, 32, 0, nullptr); }
HISLINES tif32(HISDEST d, uint32_t w, uint32_t h, int32_t dpi) {
    const ISLineResolution res{double(dpi), double(dpi), 2};
    return IS40_InitWriteTIFFLines(d, w, h, 32, 0, 8, &res);
}

constexpr PageWriter kRGB24Writers[] = {
    {".bmp", true, bmp24, IS40_WriteNextBMPLine, IS40_DestroyBMPLines},
    {".png", false, png24, IS40_WriteNextPNGLine, IS40_DestroyPNGLines},
    {".jpg", false, jpg24, IS40_WriteNextJPGLine, IS40_DestroyJPGLines},
};
constexpr PageWriter kRGBA32Writers[] = {
    {".png", false, png32, IS40_WriteNextPNGLine, IS40_DestroyPNGLines},
    {".tga", false, tga32, IS40_WriteNextTGALine, IS40_DestroyTGALines},
    {".tif", false, tif32, IS40_WriteNextTIFFLine, IS40_DestroyTIFFLines},
};

using RowConversion = void (*)(uint8_t*, int32_t, const uint16_t*, int32_t, int32_t, int32_t);

// Rows composed at once ahead of the writer, per thread of the task pool,
// and the most bytes (composite and converted rows together) such a band
// may hold: the page's memory follows its width, never its height.
constexpr int32_t kBandRowsPerThread = 16;
constexpr uint64_t kMaxBandBytes = uint64_t(16) << 20;

int32_t band_rows(int32_t width, int32_t height, uint32_t bytesPerPixel) {
    const uint64_t row_bytes = uint64_t(width) * (8 + bytesPerPixel);
    const uint64_t wanted = uint64_t(std::max(parallel::thread_count(), 1)) * kBandRowsPerThread;
    const uint64_t fits = std::max<uint64_t>(kMaxBandBytes / row_bytes, 1);
    return int32_t(std::min<uint64_t>({wanted, fits, uint64_t(height)}));
}

void save_page(const engine::EngineState& s, const char* path, const PageWriter* writer, uint32_t bytesPerPixel,
               RowConversion convert, int32_t dpi) {
    const int32_t width = s.imageWidth, height = s.imageHeight;
    if (writer == nullptr) return;
    if (path == nullptr || width <= 0 || height <= 0) return trace::skipped("save the page", "no path, or no image");
    const int32_t band = band_rows(width, height, bytesPerPixel);
    const int32_t out_row = width * int32_t(bytesPerPixel);
    engine::OwnedBuffer<uint16_t> composite;
    engine::OwnedBuffer<uint8_t> out;
    composite.allocate_or_throw(uint64_t(width) * 4 * uint64_t(band));
    out.allocate_or_throw(uint64_t(out_row) * uint64_t(band));

    HISDEST dest = IS40_OpenFileDest(path, 0);
    if (dest == nullptr) {
        trace::cannot_open("save the page", path, errno);
        throw std::runtime_error("page file cannot be opened");
    }
    bool ok = false;
    if (HISLINES lines = writer->init(dest, uint32_t(width), uint32_t(height), dpi); lines != nullptr) {
        ok = true;
        // Bands of rows are composed and converted (each in bands of its
        // own on the pool), then handed to the writer row by row in its
        // order. Neither the merge nor the conversion allocates or throws:
        // the writer is always destroyed.
        for (int32_t done = 0; done < height && ok; done += band) {
            const int32_t rows = std::min(band, height - done);
            const int32_t y = writer->bottomFirst ? height - done - rows : done;
            merge::merge_visible_rect(s, composite.data(), 0, y, width, rows);
            convert(out.data(), out_row, composite.data(), width * 8, width, rows);
            for (int32_t i = 0; i < rows && ok; ++i) {
                const int32_t r = writer->bottomFirst ? rows - 1 - i : i;
                ok = writer->next(lines, out.data() + int64_t(r) * out_row) != 0;
            }
        }
        ok = writer->destroy(lines) != 0 && ok;  // fewer rows than the height fail here
    }
    if (!ok) IS3CancelDest(dest);
    else ok = IS40_CloseDest(dest) != 0;
    if (!ok) throw std::runtime_error("page file not written");
}

}  // namespace

void save_page_rgb24(const engine::EngineState& s, const char* path, const char* ext, int32_t dpi) {
    const PageWriter* writer = find_by_extension(kRGB24Writers, ext);
    if (writer == nullptr)
        trace::skipped("PTE_SavePageToFileRGB24", "unknown extension '%s' for '%s' (.bmp .png .jpg): nothing written",
                       trace::shown(ext), trace::shown(path));
    save_page(s, path, writer, 3, pixels::rgba64_to_rgb24, dpi);
}

void save_page_rgba32(const engine::EngineState& s, const char* path, const char* ext, int32_t dpi) {
    const PageWriter* writer = find_by_extension(kRGBA32Writers, ext);
    if (writer == nullptr)
        trace::skipped("PTE_SavePageToFileRGB32", "unknown extension '%s' for '%s' (.png .tga .tif): nothing written",
                       trace::shown(ext), trace::shown(path));
    save_page(s, path, writer, 4, pixels::rgba64_to_rgba32, dpi);
}

}  // namespace io
