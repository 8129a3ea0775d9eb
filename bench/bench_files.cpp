// Reading and writing a 4096 x 4096 picture through our file calls, beside
// the codec library called directly on the same pixels with the same
// settings (libpng, libjpeg-turbo, libtiff; stb_image and stb_image_write
// for BMP).
#include <benchmark/benchmark.h>

#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "libpng_direct.h"
#include "platform/imglib/files.h"
#include "thread_counts.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_BMP
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

using namespace imglib;

constexpr uint32_t kSide = 4096;

// A photo-like picture: smooth ramps with a little texture, so that the
// compressors neither give up nor find it trivial.
const std::vector<uint8_t>& picture(uint32_t channels) {
    static std::vector<uint8_t> rgb, rgba;
    std::vector<uint8_t>& p = channels == 3 ? rgb : rgba;
    if (p.empty()) {
        p.resize(size_t(kSide) * kSide * channels);
        uint32_t noise = 12345;
        for (uint32_t y = 0; y < kSide; ++y)
            for (uint32_t x = 0; x < kSide; ++x) {
                noise = noise * 1103515245u + 12345u;
                uint8_t* px = &p[(size_t(y) * kSide + x) * channels];
                const uint32_t n = (noise >> 16) & 7;
                px[0] = uint8_t((x >> 4) + n);
                px[1] = uint8_t((y >> 4) + n);
                px[2] = uint8_t(((x + y) >> 5) + n);
                if (channels == 4) px[3] = uint8_t(255 - (x >> 6));
            }
    }
    return p;
}

std::string file(const char* name) { return "/tmp/paintcore_bench_" + std::to_string(getpid()) + name; }

// Items: pixels; with a file written, its size (what compression gained).
void report(benchmark::State& state, const std::string& written = "") {
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    state.SetLabel("4096x4096");
    std::error_code error;
    if (!written.empty()) state.counters["file_bytes"] = double(std::filesystem::file_size(written, error));
}

// ---- Ours ----

template <class Write>
void ours_write(benchmark::State& state, const char* name, Write write) {
    const std::string path = file(name);
    for (auto _ : state) {
        HISDEST d = IS3OpenFileDest(path.c_str(), 0);
        if (!write(d) || !IS3CloseDest(d)) state.SkipWithError("write failed");
    }
    report(state, path);
    std::remove(path.c_str());
}

void ours_read(benchmark::State& state, const char* name, const std::function<bool(const char*)>& make) {
    const std::string path = file(name);
    if (!make(path.c_str())) state.SkipWithError("no file");
    for (auto _ : state) {
        HISSRC s = IS3OpenFileSource(path.c_str());
        uint32_t w = 0, h = 0;
        uint8_t* px = IS3ReadImageToRGBA(s, &w, &h);
        IS3CloseSource(s);
        if (px == nullptr || w != kSide) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(px);
        GlobalFree(px);
    }
    report(state);
    std::remove(path.c_str());
}

const ISResolution kRes{11811, 11811, 1};

bool write_png_ours(const char* path) {
    HISDEST d = IS3OpenFileDest(path, 0);
    return IS3WritePNG(d, picture(4).data(), kSide, kSide, kSide * 4, 8, 6, &kRes) && IS3CloseDest(d);
}
bool write_jpg_ours(const char* path) {
    HISDEST d = IS3OpenFileDest(path, 0);
    const ISResolution res{300, 300, 1};
    return IS3WriteJPG(d, picture(3).data(), kSide, kSide, 97, 24, &res) && IS3CloseDest(d);
}
bool write_tif_ours(const char* path) {
    HISDEST d = IS3OpenFileDest(path, 0);
    const ISResolution res{300, 300, 2};
    return IS3WriteTIFF(d, picture(4).data(), kSide, kSide, 32, 8, &res) && IS3CloseDest(d);
}
bool write_bmp_ours(const char* path) {
    HISDEST d = IS3OpenFileDest(path, 0);
    return IS3WriteBMP(d, picture(3).data(), kSide, kSide, 24, &kRes) && IS3CloseDest(d);
}

void BM_PngWrite_Ours(benchmark::State& s) {
    bench::use_threads(s, 0);
    ours_write(s, ".png",
               [](HISDEST d) { return IS3WritePNG(d, picture(4).data(), kSide, kSide, kSide * 4, 8, 6, &kRes); });
}
void BM_JpegWrite_Ours(benchmark::State& s) {
    const ISResolution res{300, 300, 1};
    ours_write(s, ".jpg", [&](HISDEST d) { return IS3WriteJPG(d, picture(3).data(), kSide, kSide, 97, 24, &res); });
}
void BM_TiffWrite_Ours(benchmark::State& s) {
    bench::use_threads(s, 0);
    const ISResolution res{300, 300, 2};
    ours_write(s, ".tif", [&](HISDEST d) { return IS3WriteTIFF(d, picture(4).data(), kSide, kSide, 32, 8, &res); });
}
void BM_BmpWrite_Ours(benchmark::State& s) {
    ours_write(s, ".bmp", [](HISDEST d) { return IS3WriteBMP(d, picture(3).data(), kSide, kSide, 24, &kRes); });
}
void BM_PngRead_Ours(benchmark::State& s) { ours_read(s, "r.png", write_png_ours); }
void BM_JpegRead_Ours(benchmark::State& s) { ours_read(s, "r.jpg", write_jpg_ours); }
void BM_TiffRead_Ours(benchmark::State& s) { ours_read(s, "r.tif", write_tif_ours); }
void BM_BmpRead_Ours(benchmark::State& s) { ours_read(s, "r.bmp", write_bmp_ours); }

// ---- The codec libraries directly ----

bool png_write_direct(const char* path) { return bench::png_write_direct(path, picture(4).data(), kSide, kSide, 11811); }

uint8_t* png_read_direct(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    auto* out = static_cast<uint8_t*>(std::malloc(size_t(w) * h * 4));
    std::vector<png_bytep> rows(h);
    for (uint32_t y = 0; y < h; ++y) rows[y] = out + size_t(y) * w * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return out;
}

bool jpeg_write_direct(const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = kSide;
    c.image_height = kSide;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 97, TRUE);
    c.density_unit = 1;
    c.X_density = c.Y_density = 300;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < kSide) {
        JSAMPROW row = const_cast<JSAMPROW>(picture(3).data() + size_t(c.next_scanline) * kSide * 3);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

uint8_t* jpeg_read_direct(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&d);
    auto* out = static_cast<uint8_t*>(std::malloc(size_t(d.output_width) * d.output_height * 4));
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out + size_t(d.output_scanline) * d.output_width * 4;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return out;
}

bool tiff_write_direct(const char* path) {
    TIFF* t = TIFFOpen(path, "w");
    if (t == nullptr) return false;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kSide);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kSide);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 300.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 300.0f);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    const uint32_t strip_rows = (256u << 10) / (kSide * 4);  // as ours: strips of about 256 KiB
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, strip_rows);
    for (uint32_t y = 0; y < kSide; y += strip_rows)
        TIFFWriteEncodedStrip(t, y / strip_rows, const_cast<uint8_t*>(picture(4).data()) + size_t(y) * kSide * 4,
                              tmsize_t(std::min(strip_rows, kSide - y)) * kSide * 4);
    TIFFClose(t);
    return true;
}

uint8_t* tiff_read_direct(const char* path) {
    TIFF* t = TIFFOpen(path, "r");
    uint32_t w = 0, h = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    auto* out = static_cast<uint8_t*>(std::malloc(size_t(w) * h * 4));
    const tmsize_t strip = TIFFStripSize(t);
    for (uint32_t s = 0, n = TIFFNumberOfStrips(t); s < n; ++s)
        TIFFReadEncodedStrip(t, s, out + size_t(s) * size_t(strip), -1);
    TIFFClose(t);
    return out;
}

bool bmp_write_direct(const char* path) { return stbi_write_bmp(path, kSide, kSide, 3, picture(3).data()) != 0; }
uint8_t* bmp_read_direct(const char* path) {
    int w, h, n;
    return stbi_load(path, &w, &h, &n, 4);
}

void direct_write(benchmark::State& state, const char* name, bool (*write)(const char*)) {
    const std::string path = file(name);
    for (auto _ : state)
        if (!write(path.c_str())) state.SkipWithError("write failed");
    report(state, path);
    std::remove(path.c_str());
}

void direct_read(benchmark::State& state, const char* name, bool (*make)(const char*),
                 uint8_t* (*read)(const char*)) {
    const std::string path = file(name);
    if (!make(path.c_str())) state.SkipWithError("no file");
    for (auto _ : state) {
        uint8_t* px = read(path.c_str());
        benchmark::DoNotOptimize(px);
        std::free(px);
    }
    report(state);
    std::remove(path.c_str());
}

void BM_PngWrite_Libpng(benchmark::State& s) { direct_write(s, "d.png", png_write_direct); }
void BM_JpegWrite_Libjpeg(benchmark::State& s) { direct_write(s, "d.jpg", jpeg_write_direct); }
void BM_TiffWrite_Libtiff(benchmark::State& s) { direct_write(s, "d.tif", tiff_write_direct); }
void BM_BmpWrite_StbWrite(benchmark::State& s) { direct_write(s, "d.bmp", bmp_write_direct); }
void BM_PngRead_Libpng(benchmark::State& s) { direct_read(s, "dr.png", write_png_ours, png_read_direct); }
void BM_JpegRead_Libjpeg(benchmark::State& s) { direct_read(s, "dr.jpg", write_jpg_ours, jpeg_read_direct); }
void BM_TiffRead_Libtiff(benchmark::State& s) { direct_read(s, "dr.tif", write_tif_ours, tiff_read_direct); }
void BM_BmpRead_Stb(benchmark::State& s) { direct_read(s, "dr.bmp", write_bmp_ours, bmp_read_direct); }

}  // namespace

#define FILE_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->MinTime(2.0)
FILE_BENCH(BM_PngWrite_Ours)->Apply(bench::one_and_all_threads);
FILE_BENCH(BM_PngWrite_Libpng);
FILE_BENCH(BM_PngRead_Ours);
FILE_BENCH(BM_PngRead_Libpng);
FILE_BENCH(BM_JpegWrite_Ours);
FILE_BENCH(BM_JpegWrite_Libjpeg);
FILE_BENCH(BM_JpegRead_Ours);
FILE_BENCH(BM_JpegRead_Libjpeg);
FILE_BENCH(BM_TiffWrite_Ours)->Apply(bench::one_and_all_threads);
FILE_BENCH(BM_TiffWrite_Libtiff);
FILE_BENCH(BM_TiffRead_Ours);
FILE_BENCH(BM_TiffRead_Libtiff);
FILE_BENCH(BM_BmpWrite_Ours);
FILE_BENCH(BM_BmpWrite_StbWrite);
FILE_BENCH(BM_BmpRead_Ours);
FILE_BENCH(BM_BmpRead_Stb);
BENCHMARK_MAIN();
