// Picture files: round trips through every writer and reader, pictures
// other programs write, resolution, damaged files and the row writers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "io/image_files.h"
#include "platform/imglib/codecs.h"
#include "platform/imglib/files.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"
#include "support/sample_files.h"

namespace fs = std::filesystem;
using samples::Bytes;

namespace {

constexpr int kW = 37, kH = 23;  // odd sizes: row padding of every format

class FilesTest : public EngineTest {
protected:
    void TearDown() override {
        PTE_DeleteNewRGBA();
        EngineTest::TearDown();
    }
    // The brush colour as the host's 8-bit setter stores it (low bytes zero
    // but for a stray 0x7F that the background must ignore).
    static void set_brush_colour(uint8_t r, uint8_t g, uint8_t b) {
        uint16_t* c = st().brush.brushColor;
        c[0] = uint16_t(r << 8 | 0x7F), c[1] = uint16_t(g << 8), c[2] = uint16_t(b << 8), c[3] = 65535;
    }
    std::string path(const std::string& name) const { return files_.path(name); }
    static Bytes new_rgba() {
        Bytes out(size_t(PTE_GetNewRGBAWidth()) * PTE_GetNewRGBAHeight() * 4);
        PTE_GetNewRGBA32(out.data());
        return out;
    }
    static Bytes with_alpha(const Bytes& rgb) {
        Bytes out;
        for (size_t i = 0; i < rgb.size(); i += 3) out.insert(out.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
        return out;
    }
    static int max_difference(const Bytes& a, const Bytes& b) {
        int worst = 0;
        for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
        return worst;
    }

    TempDir files_{"files"};
};

struct FormatRow {
    const char* ext;
    bool rgba;      // written from RGBA32 (else RGB24)
    int tolerance;  // largest channel difference after the round trip
};

constexpr FormatRow kFormats[] = {
    {".bmp", false, 0},  {".png", false, 0}, {".emf", false, 0}, {".gif", false, 0},
    {".jpg", false, 12}, {".pcx", false, 0}, {".psd", false, 0}, {".wmf", false, 0},
    {".png", true, 0},   {".tga", true, 0},  {".tif", true, 0},
};

std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST_F(FilesTest, EveryWriterRoundTripsInBothLetterCases) {
    make_image(kW, kH);  // metafiles are read back at the image size
    const Bytes rgba = samples::picture_rgba(kW, kH);
    const Bytes rgb = samples::picture_rgb(kW, kH);
    const Bytes smooth = samples::gradient_rgb(kW, kH);
    for (const FormatRow& f : kFormats) {
        for (const std::string& ext : {std::string(f.ext), upper(f.ext)}) {
            SCOPED_TRACE(ext + (f.rgba ? " from RGBA32" : " from RGB24"));
            const std::string file = path("pic" + ext);
            const Bytes& src = f.rgba ? rgba : (f.tolerance > 0 ? smooth : rgb);
            const int32_t written = f.rgba ? PTE_WriteToFileRGBA32(src.data(), kW, kH, file.c_str(), ext.c_str(), 96)
                                           : PTE_WriteToFileRGB24(src.data(), kW, kH, file.c_str(), ext.c_str(), 96);
            ASSERT_NE(written, 0);
            ASSERT_EQ(PTE_ReadFromFile(file.c_str()), 1);
            ASSERT_EQ(PTE_GetNewRGBAWidth(), kW);
            ASSERT_EQ(PTE_GetNewRGBAHeight(), kH);
            const Bytes want = f.rgba ? src : with_alpha(src);
            const Bytes got = new_rgba();
            if (f.tolerance == 0) {
                EXPECT_EQ(got, want);
            } else {
                EXPECT_LE(max_difference(got, want), f.tolerance);
            }
            fs::remove(file);
        }
    }
}

TEST_F(FilesTest, LongRunsRoundTripThroughEveryLosslessWriter) {
    // Run-length coders count runs in a few bits: rows of one colour, runs
    // on each side of 63, 64, 127 and 128, bytes at and above 0xC0 alone and
    // in runs, and rows with no run at all. The odd width pads PCX rows.
    constexpr int w = 261, h = 4;
    make_image(w, h);  // metafiles are read back at the image size
    Bytes rgba(size_t(w) * h * 4);
    auto put = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        uint8_t* p = &rgba[(size_t(y) * w + size_t(x)) * 4];
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    };
    for (int x = 0; x < w; ++x) put(x, 0, 0xC8, 0x10, 0xFF, 255);
    const int runs[] = {62, 63, 64, 65};
    for (int x = 0, k = 0, left = runs[0]; x < w; ++x, --left) {
        if (left == 0) left = ++k < 4 ? runs[k] : 1;
        put(x, 1, uint8_t(k % 2 ? 0xC0 : 0x3F), uint8_t(0xC0 + k), uint8_t(k * 40), k < 4 ? 255 : 0);
    }
    for (int x = 0; x < w; ++x) put(x, 2, uint8_t(x % 2 ? 0xFF : 0xC1), uint8_t(x % 2), 0xC0, x % 2 ? 255 : 128);
    for (int x = 0; x < w; ++x) put(x, 3, x < 127 ? 10 : x < 255 ? 0xFE : 20, 0, x < 128 ? 0xC0 : 1, 255);
    Bytes rgb;
    for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    for (const FormatRow& f : kFormats) {
        if (f.tolerance > 0) continue;
        SCOPED_TRACE(std::string(f.ext) + (f.rgba ? " from RGBA32" : " from RGB24"));
        const std::string file = path(std::string("runs") + f.ext);
        ASSERT_NE(f.rgba ? PTE_WriteToFileRGBA32(rgba.data(), w, h, file.c_str(), f.ext, 96)
                         : PTE_WriteToFileRGB24(rgb.data(), w, h, file.c_str(), f.ext, 96),
                  0);
        ASSERT_EQ(PTE_ReadFromFile(file.c_str()), 1);
        ASSERT_EQ(PTE_GetNewRGBAWidth(), w);
        ASSERT_EQ(PTE_GetNewRGBAHeight(), h);
        EXPECT_EQ(new_rgba(), f.rgba ? rgba : with_alpha(rgb));
        fs::remove(file);
    }
}

TEST_F(FilesTest, FixedSizeReadersCopyOnlyAnExactSize) {
    const Bytes rgba = samples::picture_rgba(kW, kH);
    const std::string file = path("pic.png");
    ASSERT_NE(PTE_WriteToFileRGBA32(rgba.data(), kW, kH, file.c_str(), ".png", 72), 0);
    Bytes dst32(size_t(kW) * (kH + 1) * 4, 0xAB), dst24(size_t(kW) * (kH + 1) * 3, 0xAB);
    EXPECT_EQ(PTE_ReadFromFileRGBA32(dst32.data(), kW, kH + 1, file.c_str()), 0);
    EXPECT_EQ(PTE_ReadFromFileRGB24(dst24.data(), kW + 1, kH, file.c_str()), 0);
    EXPECT_EQ(dst32, Bytes(dst32.size(), 0xAB));  // untouched
    EXPECT_EQ(dst24, Bytes(dst24.size(), 0xAB));
    ASSERT_EQ(PTE_ReadFromFileRGBA32(dst32.data(), kW, kH, file.c_str()), 1);
    EXPECT_TRUE(std::equal(rgba.begin(), rgba.end(), dst32.begin()));
    ASSERT_EQ(PTE_ReadFromFileRGB24(dst24.data(), kW, kH, file.c_str()), 1);
    const Bytes rgb = samples::picture_rgb(kW, kH);
    EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), dst24.begin()));
    EXPECT_EQ(PTE_ReadFromFileRGB24(dst24.data(), kW, kH, path("missing.png").c_str()), 0);
    EXPECT_EQ(PTE_ReadFromFileRGB24(nullptr, kW, kH, file.c_str()), 0);
}

TEST_F(FilesTest, ExtensionsOutsideTheTablesWriteNothing) {
    const Bytes rgba = samples::picture_rgba(kW, kH);
    const std::string file = path("keep.bin");
    ASSERT_TRUE(samples::write_file(file, {1, 2, 3}));
    struct Row {
        const char* ext;
        bool rgba;
    };
    for (Row r : {Row{".bmp", true}, Row{".jpg", true}, Row{".tga", false}, Row{".tif", false}, Row{".jpeg", false},
                  Row{"bmp", false}, Row{".bmp ", false}, Row{"", false}}) {
        SCOPED_TRACE(r.ext);
        EXPECT_EQ(r.rgba ? PTE_WriteToFileRGBA32(rgba.data(), kW, kH, file.c_str(), r.ext, 72)
                         : PTE_WriteToFileRGB24(rgba.data(), kW, kH, file.c_str(), r.ext, 72),
                  0);
        EXPECT_EQ(samples::read_file(file), (Bytes{1, 2, 3}));  // the existing file is not emptied
    }
    EXPECT_EQ(PTE_WriteToFileRGB24(rgba.data(), kW, kH, path("new.bin").c_str(), ".xyz", 72), 0);
    EXPECT_FALSE(fs::exists(path("new.bin")));
    EXPECT_EQ(PTE_WriteToFileRGB24(rgba.data(), 0, kH, path("empty.png").c_str(), ".png", 72), 0);
    EXPECT_EQ(PTE_WriteToFileRGB24(rgba.data(), kW, kH, path("no/such.png").c_str(), ".png", 72), 0);
}

TEST_F(FilesTest, PicturesOtherProgramsWriteAreRead) {
    make_image(40, 30);
    set_brush_colour(10, 20, 30);  // metafile background
    const Bytes rgba = samples::picture_rgba(kW, kH);
    const Bytes rgb = samples::picture_rgb(kW, kH);
    // Palette pictures: indices into a 64-entry palette.
    Bytes pal(64 * 3), idx(size_t(kW) * kH);
    for (int i = 0; i < 64; ++i)
        pal[size_t(i) * 3] = uint8_t(i * 4), pal[size_t(i) * 3 + 1] = uint8_t(255 - i),
                        pal[size_t(i) * 3 + 2] = uint8_t(i * 3);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t((i / 5 + i % 7) % 64);
    // 16-bit grey: the high byte of each value is kept.
    std::vector<uint16_t> grey16(size_t(kW) * kH);
    Bytes grey_high;
    for (size_t i = 0; i < grey16.size(); ++i) {
        grey16[i] = uint16_t(i * 977 % 65536);
        const uint8_t g = uint8_t(grey16[i] >> 8);
        grey_high.insert(grey_high.end(), {g, g, g, 255});
    }
    Bytes indexed;
    for (uint8_t i : idx) indexed.insert(indexed.end(), {pal[i * 3u], pal[i * 3u + 1], pal[i * 3u + 2], 255});
    struct Row {
        const char* name;
        Bytes file;
        Bytes want;
    };
    const Row rows[] = {
        {"bmp 8-bit", samples::bmp8(kW, kH, idx, pal, false), indexed},
        {"bmp 8-bit run-length", samples::bmp8(kW, kH, idx, pal, true), indexed},
        {"bmp 32-bit top-down", samples::bmp32_top_down(kW, kH, rgba), rgba},
        {"tga run-length 32-bit", samples::tga_rle32(kW, kH, rgba), rgba},
        {"tga run-length mapped", samples::tga_rle_mapped(kW, kH, idx, pal), indexed},
        {"pcx 8-bit", samples::pcx8(kW, kH, idx, pal), indexed},
        {"psd raw", samples::psd_raw(kW, kH, rgb, 300), with_alpha(rgb)},
        {"psd grey 16-bit", samples::psd_grey16_packbits(kW, kH, grey16), grey_high},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string file = path("other");
        ASSERT_TRUE(samples::write_file(file, r.file));
        ASSERT_EQ(PTE_ReadFromFile(file.c_str()), 1);
        ASSERT_EQ(PTE_GetNewRGBAWidth(), kW);
        EXPECT_EQ(new_rgba(), r.want);
    }
}

// Expected canvas of a metafile: the background, with the bitmap's pixels
// where they land (nearest pixel, centres sampled).
TEST_F(FilesTest, MetafilesDrawTheirBitmapsOverTheBrushColour) {
    make_image(40, 30);
    set_brush_colour(10, 20, 30);
    const Bytes bitmap = samples::picture_rgb(4, 3);
    struct Row {
        const char* name;
        Bytes file;
        int x0, y0, w, h;  // where the 4 x 3 bitmap lands on the 40 x 30 canvas
    };
    const Row rows[] = {
        // A window of 20 x 15 units scales by 2; the bitmap is stretched to 8 x 6 units.
        {"wmf", samples::wmf_stretchdib(20, 15, 4, 3, bitmap, 5, 2, 8, 6), 10, 4, 16, 12},
        {"emf", samples::emf_bitblt(40, 30, 4, 3, bitmap, 7, 9), 7, 9, 4, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string file = path(std::string("meta.") + r.name);
        ASSERT_TRUE(samples::write_file(file, r.file));
        ASSERT_EQ(PTE_ReadFromFile(file.c_str()), 1);
        ASSERT_EQ(PTE_GetNewRGBAWidth(), 40);
        ASSERT_EQ(PTE_GetNewRGBAHeight(), 30);
        const Bytes got = new_rgba();
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                uint8_t want[4] = {10, 20, 30, 255};
                if (x >= r.x0 && x < r.x0 + r.w && y >= r.y0 && y < r.y0 + r.h) {
                    const int sx = (x - r.x0) * 4 / r.w, sy = (y - r.y0) * 3 / r.h;
                    std::memcpy(want, &bitmap[size_t(sy * 4 + sx) * 3], 3);
                }
                ASSERT_EQ(0, std::memcmp(&got[size_t(y * 40 + x) * 4], want, 4)) << x << "," << y;
            }
    }
}

TEST_F(FilesTest, ResolutionIsReadPerFormatAndSnapped) {
    const Bytes rgb = samples::picture_rgb(kW, kH);
    const Bytes rgba = samples::picture_rgba(kW, kH);
    struct Row {
        const char* ext;
        bool rgba;
        int32_t dpi;
        int32_t want;
    };
    for (Row r : {Row{".jpg", false, 300, 300}, Row{".jpg", false, 120, 72}, Row{".png", false, 96, 96},
                  Row{".png", true, 600, 600}, Row{".bmp", false, 150, 150}, Row{".bmp", false, 72, 72},
                  Row{".tif", true, 200, 200}, Row{".psd", false, 450, 450}, Row{".gif", false, 300, 72},
                  Row{".tga", true, 300, 72}, Row{".pcx", false, 300, 72}}) {
        SCOPED_TRACE(std::string(r.ext) + " " + std::to_string(r.dpi));
        const std::string file = path(std::string("dpi") + r.ext);
        ASSERT_NE(r.rgba ? PTE_WriteToFileRGBA32(rgba.data(), kW, kH, file.c_str(), r.ext, r.dpi)
                         : PTE_WriteToFileRGB24(rgb.data(), kW, kH, file.c_str(), r.ext, r.dpi),
                  0);
        EXPECT_EQ(PTE_GetDPIFromFile(file.c_str()), r.want);
    }
    // 118 dots per centimetre: (int)(118 * 2.54) = 299, snapped to 300.
    const std::string cm = path("cm.jpg");
    imglib::HISDEST dest = imglib::IS3OpenFileDest(cm.c_str(), 0);
    const imglib::ISResolution per_cm{118, 118, 2};
    ASSERT_EQ(imglib::IS3WriteJPG(dest, rgb.data(), kW, kH, 90, 24, &per_cm), 1);
    ASSERT_EQ(imglib::IS3CloseDest(dest), 1);
    EXPECT_EQ(PTE_GetDPIFromFile(cm.c_str()), 300);
    EXPECT_EQ(PTE_GetDPIFromFile(path("missing.jpg").c_str()), 72);
}

TEST(SnapDpi, StepsTakeTheirNeighbours) {
    struct Row {
        int32_t in, out;
    };
    for (Row r :
         {Row{0, 72},    Row{72, 72},   Row{94, 72},   Row{95, 96},   Row{97, 96},   Row{98, 72},   Row{148, 72},
          Row{149, 150}, Row{151, 150}, Row{199, 200}, Row{201, 200}, Row{299, 300}, Row{301, 300}, Row{302, 72},
          Row{449, 450}, Row{451, 450}, Row{599, 600}, Row{601, 600}, Row{1200, 72}, Row{-300, 72}})
        EXPECT_EQ(io::snap_dpi(r.in), r.out) << r.in;
}

// Each format cut short or with its header wiped gives 0 and leaves the
// previous picture and the layers alone.
TEST_F(FilesTest, DamagedFilesChangeNothing) {
    make_image(kW, kH);
    set_px(1, 3, 4, 1, 2, 3, 4);
    const Bytes rgba = samples::picture_rgba(kW, kH);
    const Bytes rgb = samples::picture_rgb(kW, kH);
    const std::string good = path("good.png");
    ASSERT_NE(PTE_WriteToFileRGBA32(rgba.data(), kW, kH, good.c_str(), ".png", 72), 0);
    struct Row {
        const char* ext;
        bool rgba;
    };
    for (Row f : {Row{".bmp", false}, Row{".png", false}, Row{".jpg", false}, Row{".gif", false}, Row{".pcx", false},
                  Row{".psd", false}, Row{".emf", false}, Row{".wmf", false}, Row{".tga", true}, Row{".tif", true}}) {
        const std::string file = path(std::string("whole") + f.ext);
        ASSERT_NE(f.rgba ? PTE_WriteToFileRGBA32(rgba.data(), kW, kH, file.c_str(), f.ext, 72)
                         : PTE_WriteToFileRGB24(rgb.data(), kW, kH, file.c_str(), f.ext, 72),
                  0);
        const Bytes whole = samples::read_file(file);
        std::vector<std::pair<std::string, Bytes>> damaged;
        for (size_t keep : {whole.size() / 2, whole.size() * 9 / 10, size_t(40), size_t(8)})
            damaged.push_back({"cut to " + std::to_string(keep), Bytes(whole.begin(), whole.begin() + long(keep))});
        Bytes wiped = whole;
        std::fill(wiped.begin(), wiped.begin() + 16, 0);
        damaged.push_back({"header wiped", wiped});
        for (const auto& [what, bytes] : damaged) {
            SCOPED_TRACE(std::string(f.ext) + " " + what);
            ASSERT_EQ(PTE_ReadFromFile(good.c_str()), 1);
            const std::string broken = path(std::string("broken") + f.ext);
            ASSERT_TRUE(samples::write_file(broken, bytes));
            EXPECT_EQ(PTE_ReadFromFile(broken.c_str()), 0);
            EXPECT_EQ(PTE_GetNewRGBAWidth(), kW);
            EXPECT_EQ(new_rgba(), rgba);
            Bytes dst(size_t(kW) * kH * 4, 0xCD);
            EXPECT_EQ(PTE_ReadFromFileRGBA32(dst.data(), kW, kH, broken.c_str()), 0);
            EXPECT_EQ(dst, Bytes(dst.size(), 0xCD));
            EXPECT_EQ(px(1, 3, 4, 0), 1);
            EXPECT_EQ(px(1, 3, 4, 3), 4);
        }
    }
}

TEST_F(FilesTest, HostileHeadersAreRefusedBeforeAnythingIsMade) {
    // Headers that promise huge pictures over a few bytes of data.
    Bytes pcx(128 + 16, 0);
    pcx[0] = 0x0A, pcx[1] = 5, pcx[2] = 1, pcx[3] = 8;
    pcx[8] = pcx[9] = pcx[10] = pcx[11] = 0xFF;  // 65536 x 65536
    pcx[65] = 3, pcx[66] = pcx[67] = 0xFF;
    Bytes tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 32, 8, 0xFF, 1, 2, 3, 4};
    Bytes bmp = samples::bmp8(2, 2, {0, 1, 1, 0}, {0, 0, 0, 255, 255, 255}, false);
    bmp[18] = bmp[19] = 0xFF, bmp[20] = 0x7F;  // width 8 million
    for (const Bytes& bytes : {pcx, tga, bmp}) {
        imglib::HISSRC src = imglib::IS3OpenMemorySource(bytes.data(), bytes.size());
        uint32_t w = 0, h = 0;
        EXPECT_EQ(imglib::IS3ReadImageToRGBA(src, &w, &h), nullptr);
        imglib::IS3CloseSource(src);
    }
}

// Inputs that once failed a fuzz run: every reader takes them without a
// fault (the sanitizer build checks that); what decodes has the size its
// header gives.
TEST(FuzzRegressions, EveryKeptInputIsReadWithoutFault) {
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(PAINTCORE_TEST_DATA) / "fuzz")) {
        SCOPED_TRACE(entry.path().filename().string());
        const Bytes bytes = samples::read_file(entry.path().string());
        ASSERT_FALSE(bytes.empty());
        const imglib::Bytes span(bytes);
        imglib::codec::Dims psd, bmp;
        const bool has_psd = imglib::codec::psd_dims(span, psd), has_bmp = imglib::codec::bmp_dims(span, bmp);
        uint32_t w = 0, h = 0;
        uint8_t* any = imglib::codec::decode_any(span, w, h);
        if (any != nullptr && has_psd) {
            EXPECT_EQ(std::pair(w, h), std::pair(psd.width, psd.height));
        }
        if (any != nullptr && has_bmp) {
            EXPECT_EQ(std::pair(w, h), std::pair(bmp.width, bmp.height));
        }
        imglib::GlobalFree(any);
        imglib::GlobalFree(imglib::codec::render_metafile(span, 16, 16, 0));
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

// The row writers stream rows without the whole picture; their files hold
// the same pixels as the whole-buffer writers'.
TEST_F(FilesTest, RowWritersMatchWholeBufferWriters) {
    using namespace imglib;
    const samples::Bytes rgba = samples::picture_rgba(kW, kH);
    const samples::Bytes rgb = samples::picture_rgb(kW, kH);
    const ISResolution res{300, 300, 2};
    const ISLineResolution lres{300, 300, 2};
    const int32_t zeros[10] = {};
    IS40_SetJPGDCT(3);
    IS40_SetJPGSmoothingFactor(0);
    IS40_SetJPGDownsampleFactors(zeros, zeros);  // the codec's own sampling, as the whole-buffer writer's
    struct Row {
        const char* ext;
        uint32_t bits;
        bool bottom_first;
    };
    for (Row r : {Row{".bmp", 24, true}, Row{".png", 24, false}, Row{".png", 32, false}, Row{".jpg", 24, false},
                  Row{".tga", 32, false}, Row{".tif", 32, false}, Row{".tif", 24, false}}) {
        SCOPED_TRACE(std::string(r.ext) + " " + std::to_string(r.bits));
        const samples::Bytes& src = r.bits == 32 ? rgba : rgb;
        const uint32_t stride = kW * r.bits / 8;
        const std::string whole = path(std::string("whole") + r.ext), rows = path(std::string("rows") + r.ext);
        HISDEST d = IS3OpenFileDest(whole.c_str(), 0);
        const std::string e = r.ext;
        BOOL ok = e == ".bmp"   ? IS3WriteBMP(d, src.data(), kW, kH, r.bits, &res)
                  : e == ".png" ? IS3WritePNG(d, src.data(), kW, kH, stride, 8, r.bits == 32 ? 6 : 2, &res)
                  : e == ".jpg" ? IS3WriteJPG(d, src.data(), kW, kH, 97, r.bits, &res)
                  : e == ".tga" ? IS3WriteTGA(d, src.data(), kW, kH, r.bits)
                                : IS3WriteTIFF(d, src.data(), kW, kH, r.bits, 8, &res);
        ASSERT_EQ(ok, 1);
        ASSERT_EQ(IS3CloseDest(d), 1);
        HISDEST ld = IS40_OpenFileDest(rows.c_str(), 0);
        HISLINES lines = e == ".bmp"   ? IS40_InitWriteBMPLines(ld, kW, kH, r.bits, 0, nullptr, &lres)
                         : e == ".png" ? IS40_InitWritePNGLines(ld, kW, kH, stride, 8, 0, nullptr,
                                                                r.bits == 32 ? 6 : 2, 0, 0, &lres)
                         : e == ".jpg" ? IS40_InitWriteJPGLines(ld, kW, kH, 97, r.bits, &lres)
                         : e == ".tga" ? IS40_InitWriteTGALines(ld, kW, kH, r.bits, 0, nullptr)
                                       : IS40_InitWriteTIFFLines(ld, kW, kH, r.bits, 0, 8, &lres);
        ASSERT_NE(lines, nullptr);
        auto next = [&](const uint8_t* row) {
            return e == ".bmp"   ? IS40_WriteNextBMPLine(lines, row)
                   : e == ".png" ? IS40_WriteNextPNGLine(lines, row)
                   : e == ".jpg" ? IS40_WriteNextJPGLine(lines, row)
                   : e == ".tga" ? IS40_WriteNextTGALine(lines, row)
                                 : IS40_WriteNextTIFFLine(lines, row);
        };
        for (int i = 0; i < kH; ++i) ASSERT_EQ(next(&src[size_t(r.bottom_first ? kH - 1 - i : i) * stride]), 1);
        EXPECT_EQ(next(src.data()), 0);  // no row past the height
        const BOOL destroyed = e == ".bmp"   ? IS40_DestroyBMPLines(lines)
                               : e == ".png" ? IS40_DestroyPNGLines(lines)
                               : e == ".jpg" ? IS40_DestroyJPGLines(lines)
                               : e == ".tga" ? IS40_DestroyTGALines(lines)
                                             : IS40_DestroyTIFFLines(lines);
        ASSERT_EQ(destroyed, 1);
        ASSERT_EQ(IS40_CloseDest(ld), 1);
        ASSERT_EQ(PTE_ReadFromFile(whole.c_str()), 1);
        const samples::Bytes a = new_rgba();
        ASSERT_EQ(PTE_ReadFromFile(rows.c_str()), 1);
        EXPECT_EQ(new_rgba(), a);
        if (e != ".jpg") {
            EXPECT_EQ(a, r.bits == 32 ? rgba : with_alpha(rgb));
        }
    }
}

TEST_F(FilesTest, AnUnfinishedRowWriterLeavesTheTargetAlone) {
    using namespace imglib;
    const std::string file = path("target.png");
    ASSERT_TRUE(samples::write_file(file, {9, 9, 9}));
    const samples::Bytes row(kW * 3, 7);
    HISDEST d = IS40_OpenFileDest(file.c_str(), 0);
    HISLINES lines = IS40_InitWritePNGLines(d, kW, kH, kW * 3, 8, 0, nullptr, 2, 0, 0, nullptr);
    ASSERT_NE(lines, nullptr);
    for (int i = 0; i < kH - 1; ++i) ASSERT_EQ(IS40_WriteNextPNGLine(lines, row.data()), 1);
    EXPECT_EQ(IS40_WriteNextBMPLine(lines, row.data()), 0);  // another kind's call is refused
    EXPECT_EQ(IS40_DestroyPNGLines(lines), 0);               // one row short
    EXPECT_EQ(IS40_CloseDest(d), 0);
    EXPECT_EQ(samples::read_file(file), (samples::Bytes{9, 9, 9}));
    // A whole-buffer writer refusing its arguments does the same.
    d = IS3OpenFileDest(file.c_str(), 0);
    EXPECT_EQ(IS3WritePCX(d, row.data(), kW, 1, 32), 0);
    EXPECT_EQ(IS3CloseDest(d), 0);
    EXPECT_EQ(samples::read_file(file), (samples::Bytes{9, 9, 9}));
}

TEST_F(FilesTest, GifOfManyColoursKeepsEachPixelNearItsColour) {
    const int w = 64, h = 64;
    Bytes rgb(size_t(w) * h * 3);
    for (int i = 0; i < w * h; ++i)
        rgb[size_t(i) * 3] = uint8_t(i % 64 * 4), rgb[size_t(i) * 3 + 1] = uint8_t(i / 64 * 4),
                        rgb[size_t(i) * 3 + 2] = uint8_t((i * 7) % 256);
    const std::string file = path("many.gif");
    ASSERT_NE(PTE_WriteToFileRGB24(rgb.data(), w, h, file.c_str(), ".gif", 72), 0);
    ASSERT_EQ(PTE_ReadFromFile(file.c_str()), 1);
    const Bytes got = new_rgba();
    long total = 0;
    for (int i = 0; i < w * h; ++i)
        for (int c = 0; c < 3; ++c)
            total += std::abs(int(got[size_t(i) * 4 + size_t(c)]) - int(rgb[size_t(i) * 3 + size_t(c)]));
    EXPECT_LT(double(total) / (w * h * 3), 24.0);  // 4096 colours in 256: close, not exact
}

TEST_F(FilesTest, NewRGBAGoesOutAsRGB24AndIntoTheCurrentLayer) {
    make_image(kW + 3, kH + 2);
    const Bytes rgba = samples::picture_rgba(kW, kH);
    const std::string file = path("in.tga");
    ASSERT_NE(PTE_WriteToFileRGBA32(rgba.data(), kW, kH, file.c_str(), ".tga", 72), 0);
    ASSERT_EQ(PTE_ReadFromFile(file.c_str()), 1);
    Bytes rgb(size_t(kW) * kH * 3);
    PTE_GetNewRGBA24(rgb.data());
    EXPECT_EQ(rgb, samples::picture_rgb(kW, kH));
    set_px(1, kW, 0, 1, 2, 3, 4);  // outside the picture: kept
    PTE_SetInNewRGBA();
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint8_t* s = &rgba[size_t(y * kW + x) * 4];
            // Through the mask, fully selected: every channel is the source's times 256.
            for (int c = 0; c < 4; ++c) ASSERT_EQ(px(1, x, y, c), s[c] * 256) << x << "," << y;
        }
    EXPECT_EQ(px(1, kW, 0, 0), 1);
    PTE_DeleteNewRGBA();
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 0);
    Bytes untouched(4, 0x55);
    PTE_GetNewRGBA32(untouched.data());
    EXPECT_EQ(untouched, Bytes(4, 0x55));
}

}  // namespace
