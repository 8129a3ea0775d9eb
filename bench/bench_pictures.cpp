// Reading pictures as cameras and drawing programs store them, beside the
// library underneath doing the plainer job in the same run: a photo stood up
// by its EXIF orientation against libjpeg decoding it as stored; a Lab TIFF
// through the colour-space module against libtiff's own Lab conversion; a
// metafile played onto cairo against the same shapes drawn with cairo
// directly.
#include <benchmark/benchmark.h>

#include <cairo.h>
#include <jpeglib.h>
#include <tiffio.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "platform/imglib/codecs.h"
#include "support/metafile_builder.h"
#include "support/sample_files.h"

namespace {

using samples::Bytes;

constexpr uint32_t kPhotoW = 3000, kPhotoH = 2000;

std::string temp_path(const char* name) { return "/tmp/paintcore_bench_" + std::to_string(getpid()) + name; }

// A photo-like picture, written by our JPEG writer; with `orientation` an
// EXIF segment saying so follows the start marker.
const Bytes& photo(uint32_t orientation) {
    static Bytes plain, turned;
    Bytes& out = orientation == 1 ? plain : turned;
    if (!out.empty()) return out;
    std::vector<uint8_t> rgb(size_t(kPhotoW) * kPhotoH * 3);
    for (uint32_t y = 0; y < kPhotoH; ++y)
        for (uint32_t x = 0; x < kPhotoW; ++x) {
            uint8_t* p = &rgb[(size_t(y) * kPhotoW + x) * 3];
            p[0] = uint8_t(x >> 4), p[1] = uint8_t(y >> 3), p[2] = uint8_t((x ^ y) >> 5);
        }
    const std::string path = temp_path("photo.jpg");
    imglib::HISDEST d = imglib::IS3OpenFileDest(path.c_str(), 0);
    imglib::IS3WriteJPG(d, rgb.data(), kPhotoW, kPhotoH, 90, 24, nullptr);
    imglib::IS3CloseDest(d);
    out = samples::read_file(path);
    std::remove(path.c_str());
    if (orientation != 1) {
        const Bytes exif = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                            0x12, 0x01, 3, 0, 1, 0, 0, 0, uint8_t(orientation), 0, 0, 0, 0, 0, 0, 0};
        out.insert(out.begin() + 2, exif.begin(), exif.end());
    }
    return out;
}

void BM_JpegRead_Ours_Upright(benchmark::State& st) {
    const Bytes& file = photo(uint32_t(st.range(0)));
    for (auto _ : st) {
        uint32_t w = 0, h = 0;
        uint8_t* px = imglib::codec::decode_jpeg(file, w, h);
        benchmark::DoNotOptimize(px);
        imglib::GlobalFree(px);
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * kPhotoW * kPhotoH);
}

void BM_JpegRead_Libjpeg_AsStored(benchmark::State& st) {
    const Bytes& file = photo(6);
    std::vector<uint8_t> out(size_t(kPhotoW) * kPhotoH * 4);
    for (auto _ : st) {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_RGBA;
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = out.data() + size_t(cinfo.output_scanline) * kPhotoW * 4;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(out.data());
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * kPhotoW * kPhotoH);
}

constexpr uint32_t kLabSide = 1500;

// An 8-bit CIE L*a*b* TIFF of a smooth field of colours.
const Bytes& lab_tiff() {
    static Bytes out;
    if (!out.empty()) return out;
    const std::string path = temp_path("lab.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kLabSide);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kLabSide);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CIELAB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64u);
    std::vector<uint8_t> row(size_t(kLabSide) * 3);
    for (uint32_t y = 0; y < kLabSide; ++y) {
        for (uint32_t x = 0; x < kLabSide; ++x) {
            row[x * 3] = uint8_t(50 + 180 * y / kLabSide);
            row[x * 3 + 1] = uint8_t(int8_t(-60 + int(120 * x / kLabSide)));
            row[x * 3 + 2] = uint8_t(int8_t(40 * std::sin(x * 0.01)));
        }
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
    out = samples::read_file(path);
    std::remove(path.c_str());
    return out;
}

void BM_LabTiffRead_Ours(benchmark::State& st) {
    const Bytes& file = lab_tiff();
    for (auto _ : st) {
        uint32_t w = 0, h = 0;
        uint8_t* px = imglib::codec::decode_tiff(file, w, h);
        benchmark::DoNotOptimize(px);
        imglib::GlobalFree(px);
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * kLabSide * kLabSide);
}

// libtiff's RGBA interface converts 8-bit Lab itself (its own white and
// display model); the same file from a temporary path.
void BM_LabTiffRead_LibtiffRGBA(benchmark::State& st) {
    const Bytes& file = lab_tiff();
    const std::string path = temp_path("lab_peer.tif");
    samples::write_file(path, file);
    std::vector<uint32_t> raster(size_t(kLabSide) * kLabSide);
    for (auto _ : st) {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        TIFFReadRGBAImageOriented(tif, kLabSide, kLabSide, raster.data(), ORIENTATION_TOPLEFT, 0);
        TIFFClose(tif);
        benchmark::DoNotOptimize(raster.data());
    }
    std::remove(path.c_str());
    st.SetItemsProcessed(int64_t(st.iterations()) * kLabSide * kLabSide);
}

constexpr uint32_t kCanvasW = 1600, kCanvasH = 1200;

// Twenty rows of shapes: lines, triangles, outlined ellipses and curves.
Bytes shapes_emf() {
    samples::EmfBuilder e(0, 0, 199, 149);
    e.create_pen(1, 0, 3, 0x202020).select(1).create_brush(2, 0, 0x3080C0).select(2);
    for (int i = 0; i < 20; ++i) {
        const int y = 5 + i * 7;
        e.record(27, {5, y}).record(54, {195, y});
        e.poly16(86, {{10, y}, {30, y}, {20, y + 6}});
        e.box(42, 40, y, 90, y + 6);
        e.poly16(85, {{100, y}, {120, y - 5}, {140, y + 10}, {190, y}});
    }
    return e.finish();
}

void BM_Metafile_Ours(benchmark::State& st) {
    const Bytes file = shapes_emf();
    for (auto _ : st) {
        uint8_t* rgb = imglib::codec::render_metafile(file, kCanvasW, kCanvasH, 0xFFFFFF);
        benchmark::DoNotOptimize(rgb);
        imglib::GlobalFree(rgb);
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * kCanvasW * kCanvasH);
}

// The same shapes straight into a cairo surface, copied out as RGB24 the
// same way.
void BM_Metafile_CairoDirect(benchmark::State& st) {
    std::vector<uint8_t> rgb(size_t(kCanvasW) * kCanvasH * 3);
    for (auto _ : st) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kCanvasW, kCanvasH);
        cairo_t* cr = cairo_create(s);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_scale(cr, kCanvasW / 200.0, kCanvasH / 150.0);
        cairo_set_line_width(cr, 3);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        const auto stroke = [&] {
            cairo_set_source_rgb(cr, 0x20 / 255.0, 0x20 / 255.0, 0x20 / 255.0);
            cairo_stroke(cr);
        };
        const auto fill = [&] {
            cairo_set_source_rgb(cr, 0xC0 / 255.0, 0x80 / 255.0, 0x30 / 255.0);
            cairo_fill_preserve(cr);
        };
        for (int i = 0; i < 20; ++i) {
            const double y = 5 + i * 7;
            cairo_move_to(cr, 5, y), cairo_line_to(cr, 195, y), stroke();
            cairo_move_to(cr, 10, y), cairo_line_to(cr, 30, y), cairo_line_to(cr, 20, y + 6), cairo_close_path(cr);
            fill(), stroke();
            cairo_save(cr);
            cairo_translate(cr, 65, y + 3), cairo_scale(cr, 25, 3), cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
            cairo_restore(cr);
            fill(), stroke();
            cairo_move_to(cr, 100, y), cairo_curve_to(cr, 120, y - 5, 140, y + 10, 190, y), stroke();
        }
        cairo_destroy(cr);
        cairo_surface_flush(s);
        const uint8_t* base = cairo_image_surface_get_data(s);
        const size_t stride = size_t(cairo_image_surface_get_stride(s));
        for (uint32_t y = 0; y < kCanvasH; ++y) {
            const auto* in = reinterpret_cast<const uint32_t*>(base + y * stride);
            uint8_t* o = &rgb[size_t(y) * kCanvasW * 3];
            for (uint32_t x = 0; x < kCanvasW; ++x, o += 3)
                o[0] = uint8_t(in[x] >> 16), o[1] = uint8_t(in[x] >> 8), o[2] = uint8_t(in[x]);
        }
        cairo_surface_destroy(s);
        benchmark::DoNotOptimize(rgb.data());
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * kCanvasW * kCanvasH);
}

}  // namespace

BENCHMARK(BM_JpegRead_Ours_Upright)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegRead_Libjpeg_AsStored)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabTiffRead_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabTiffRead_LibtiffRGBA)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Metafile_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Metafile_CairoDirect)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
