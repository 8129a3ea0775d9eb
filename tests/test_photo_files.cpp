// Pictures as cameras and other programs store them: TIFF in every
// orientation and layout, BigTIFF, CIE L*a*b* TIFF, JPEG with EXIF
// orientation and resolution. Files are made here (libtiff, our JPEG writer
// with an EXIF segment spliced in) or shipped under tests/data/photos (made
// with tiffcp, tiffset and exiftool; see the README there).
#include <gtest/gtest.h>

#include <tiffio.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/imglib/codecs.h"
#include "platform/imglib/files.h"
#include "support/engine_fixture.h"
#include "support/sample_files.h"
#include "support/temp_dir.h"

using samples::Bytes;

namespace {

const std::string kPhotos = std::string(PAINTCORE_TEST_DATA) + "/photos/";

// An upright test picture of 3 x 2 blocks of 8 x 8 pixels, each block its
// own colour: every turn and mirror of it is told apart, and JPEG keeps
// block colours close.
constexpr int kBlock = 8, kUW = 3 * kBlock, kUH = 2 * kBlock;
constexpr std::array<std::array<uint8_t, 3>, 6> kBlockColours = {{
    {230, 20, 20}, {20, 200, 40}, {30, 40, 220}, {240, 220, 30}, {200, 30, 200}, {20, 20, 20},
}};

// With another block size the picture is 3 x 2 blocks of that size.
Bytes upright_rgba(int block = kBlock) {
    const int uw = 3 * block, uh = 2 * block;
    Bytes p(size_t(uw) * uh * 4);
    for (int y = 0; y < uh; ++y)
        for (int x = 0; x < uw; ++x) {
            const auto& c = kBlockColours[size_t((y / block) * 3 + x / block)];
            uint8_t* px = &p[(size_t(y) * uw + x) * 4];
            px[0] = c[0], px[1] = c[1], px[2] = c[2], px[3] = 255;
        }
    return p;
}

struct Stored {
    int w, h;
    Bytes rgba;
};

// What a camera stores for the upright picture under an orientation code,
// from the code's definition: where the stored first row and first column
// appear when the picture stands.
Stored stored_for(int orientation, int block = kBlock) {
    const bool swaps = orientation >= 5;
    const int uw = 3 * block, uh = 2 * block;
    Stored s{swaps ? uh : uw, swaps ? uw : uh, {}};
    s.rgba.resize(size_t(s.w) * s.h * 4);
    const Bytes up = upright_rgba(block);
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            int ux = x, uy = y;
            switch (orientation) {
                case 2: ux = s.w - 1 - x; break;
                case 3: ux = s.w - 1 - x, uy = s.h - 1 - y; break;
                case 4: uy = s.h - 1 - y; break;
                case 5: ux = y, uy = x; break;              // first row on the left, first column on top
                case 6: ux = s.h - 1 - y, uy = x; break;    // first row on the right, first column on top
                case 7: ux = s.h - 1 - y, uy = s.w - 1 - x; break;  // right, bottom
                case 8: ux = y, uy = s.w - 1 - x; break;    // left, bottom
                default: break;
            }
            std::memcpy(&s.rgba[(size_t(y) * s.w + x) * 4], &up[(size_t(uy) * uw + ux) * 4], 4);
        }
    return s;
}

class PhotoFiles : public EngineTest {
protected:
    void TearDown() override {
        PTE_DeleteNewRGBA();
        EngineTest::TearDown();
    }
    static Bytes read_new_rgba(const std::string& file, int& w, int& h) {
        if (PTE_ReadFromFile(file.c_str()) != 1) return {};
        w = PTE_GetNewRGBAWidth(), h = PTE_GetNewRGBAHeight();
        Bytes out(size_t(w) * h * 4);
        PTE_GetNewRGBA32(out.data());
        return out;
    }
    static void dims(const std::string& file, uint32_t& w, uint32_t& h, double& xres, double& yres) {
        imglib::HISSRC src = imglib::IS3OpenFileSource(file.c_str());
        ASSERT_NE(src, nullptr);
        const Bytes bytes = samples::read_file(file);
        const bool jpeg = bytes.size() > 2 && bytes[0] == 0xFF;
        uint32_t bits = 0;
        int32_t unit = 0;
        ASSERT_EQ(jpeg ? imglib::IS3GetJPGDims(src, &w, &h, &bits, &xres, &yres, &unit)
                       : imglib::IS3GetTIFFDims(src, &w, &h, &bits, &xres, &yres, &unit),
                  1);
        imglib::IS3CloseSource(src);
    }
    // Compares block centres (JPEG blurs block edges) or every pixel.
    static void expect_upright(const Bytes& got, int w, int h, int tolerance, int block = kBlock) {
        const int uw = 3 * block, uh = 2 * block;
        ASSERT_EQ(w, uw);
        ASSERT_EQ(h, uh);
        const Bytes want = upright_rgba(block);
        const auto near_edge = [&](int v) { return v % block < 2 || v % block >= block - 2; };
        for (int y = 0; y < uh; ++y)
            for (int x = 0; x < uw; ++x) {
                if (tolerance > 0 && (near_edge(x) || near_edge(y))) continue;
                for (int c = 0; c < 4; ++c) {
                    const size_t i = (size_t(y) * uw + x) * 4 + size_t(c);
                    ASSERT_LE(std::abs(int(got[i]) - int(want[i])), tolerance) << x << "," << y << " channel " << c;
                }
            }
    }
    std::string path(const std::string& name) const { return files_.path(name); }
    TempDir files_{"photos"};
};

// ---- TIFF ----

enum class Layout { PlainStrips, Tiles16Bit, Planes, Grey };

// Writes the stored picture with libtiff in one of several layouts.
bool write_tiff(const std::string& file, const Stored& s, int orientation, Layout layout, bool big = false) {
    TIFF* tif = TIFFOpen(file.c_str(), big ? "w8" : "w");
    if (tif == nullptr) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(s.w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(s.h));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(orientation));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    const bool grey = layout == Layout::Grey, wide = layout == Layout::Tiles16Bit;
    const uint16_t spp = grey ? 1 : 3, bps = wide ? 16 : 8;
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, layout == Layout::Planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    // 8-bit samples of a pixel (grey: the red channel).
    const auto sample = [&](int x, int y, int c) { return s.rgba[(size_t(y) * s.w + x) * 4 + size_t(c)]; };
    bool ok = true;
    if (wide) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
        for (int ty = 0; ty < s.h; ty += 16)
            for (int tx = 0; tx < s.w; tx += 16) {
                std::vector<uint16_t> tile(16 * 16 * 3, 0);
                for (int y = ty; y < std::min(ty + 16, s.h); ++y)
                    for (int x = tx; x < std::min(tx + 16, s.w); ++x)
                        for (int c = 0; c < 3; ++c)
                            tile[(size_t(y - ty) * 16 + size_t(x - tx)) * 3 + size_t(c)] =
                                uint16_t(sample(x, y, c) * 257);
                ok = ok && TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0) >= 0;
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5u);
        for (uint16_t plane = 0; plane < (layout == Layout::Planes ? 3 : 1); ++plane)
            for (int y = 0; y < s.h; ++y) {
                Bytes row;
                for (int x = 0; x < s.w; ++x) {
                    if (layout == Layout::Planes) row.push_back(sample(x, y, plane));
                    else
                        for (int c = 0; c < spp; ++c) row.push_back(sample(x, y, c));
                }
                ok = ok && TIFFWriteScanline(tif, row.data(), uint32_t(y), plane) == 1;
            }
    }
    TIFFClose(tif);
    return ok;
}

TEST_F(PhotoFiles, EveryTiffOrientationInEveryLayoutReadsUpright) {
    struct Row {
        const char* name;
        Layout layout;
    };
    for (Row r : {Row{"8-bit strips", Layout::PlainStrips}, Row{"16-bit tiles", Layout::Tiles16Bit},
                  Row{"planes", Layout::Planes}, Row{"grey", Layout::Grey}}) {
        for (int o = 1; o <= 8; ++o) {
            SCOPED_TRACE(std::string(r.name) + ", orientation " + std::to_string(o));
            const std::string file = path("o" + std::to_string(o) + ".tif");
            ASSERT_TRUE(write_tiff(file, stored_for(o), o, r.layout));
            int w = 0, h = 0;
            Bytes got = read_new_rgba(file, w, h);
            ASSERT_FALSE(got.empty());
            if (r.layout == Layout::Grey) {
                // The red channel as grey: compare it against the upright red.
                const Bytes want = upright_rgba();
                ASSERT_EQ(w, kUW);
                for (size_t i = 0; i < got.size(); i += 4) ASSERT_EQ(got[i + 1], want[i]) << i / 4;
            } else {
                expect_upright(got, w, h, 0);
            }
            uint32_t dw = 0, dh = 0;
            double xres = 0, yres = 0;
            dims(file, dw, dh, xres, yres);
            EXPECT_EQ(dw, uint32_t(kUW));
            EXPECT_EQ(dh, uint32_t(kUH));
        }
    }
}

TEST_F(PhotoFiles, BigTiffIsRecognisedAndRead) {
    const std::string file = path("big.tif");
    ASSERT_TRUE(write_tiff(file, stored_for(6), 6, Layout::PlainStrips, true));
    const Bytes bytes = samples::read_file(file);
    ASSERT_EQ(bytes[2], 0x2B);  // version 43: 64-bit offsets
    EXPECT_EQ(imglib::codec::guess_type(bytes), imglib::kFileTIFF);
    int w = 0, h = 0;
    const Bytes got = read_new_rgba(file, w, h);
    ASSERT_FALSE(got.empty());
    expect_upright(got, w, h, 0);
    // Big-endian BigTIFF, by the Debian tool.
    const Bytes mm = {'M', 'M', 0, 0x2B, 0, 8, 0, 0};
    EXPECT_EQ(imglib::codec::guess_type(mm), imglib::kFileTIFF);
    EXPECT_EQ(imglib::codec::guess_type(Bytes{'I', 'I', 0x2C, 0}), imglib::kFileUnknown);
    const Bytes made = samples::read_file(kPhotos + "bigtiff-by-tiffcp.tif");
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(made[2], 0x2B);
    const Bytes plain = samples::read_file(kPhotos + "classic.tif");
    ASSERT_FALSE(plain.empty());
    int bw = 0, bh = 0, pw = 0, ph = 0;
    const Bytes big = read_new_rgba(kPhotos + "bigtiff-by-tiffcp.tif", bw, bh);
    const Bytes classic = read_new_rgba(kPhotos + "classic.tif", pw, ph);
    ASSERT_FALSE(big.empty());
    EXPECT_EQ(std::pair(bw, bh), std::pair(pw, ph));
    EXPECT_EQ(big, classic);
}

TEST_F(PhotoFiles, OrientationSetByTheDebianToolIsHonoured) {
    int w = 0, h = 0, cw = 0, ch = 0;
    const Bytes turned = read_new_rgba(kPhotos + "orientation-8-by-tiffset.tif", w, h);
    const Bytes classic = read_new_rgba(kPhotos + "classic.tif", cw, ch);
    ASSERT_FALSE(turned.empty());
    ASSERT_FALSE(classic.empty());
    // Code 8 stands the stored picture up with a quarter turn counter-clockwise:
    // stored (x, y) shows at (y, width - 1 - x).
    ASSERT_EQ(w, ch);
    ASSERT_EQ(h, cw);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x)
            ASSERT_EQ(0, std::memcmp(&classic[(size_t(y) * cw + x) * 4], &turned[(size_t(cw - 1 - x) * w + y) * 4], 4))
                << x << "," << y;
}

// ---- CIE L*a*b* ----

struct LabPixel {
    double l, a, b;
};

// Published L*a*b* of sRGB white, black and red, against D50 and D65.
constexpr LabPixel kWhite{100, 0, 0}, kBlack{0, 0, 0};
constexpr LabPixel kRedD50{54.2917, 80.8125, 69.8851}, kRedD65{53.2408, 80.0925, 67.2032};

bool write_lab_tiff(const std::string& file, const std::vector<LabPixel>& pixels, uint16_t photometric, int bits,
                    const float* whitePoint) {
    TIFF* tif = TIFFOpen(file.c_str(), "w");
    if (tif == nullptr) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(pixels.size()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (whitePoint != nullptr) TIFFSetField(tif, TIFFTAG_WHITEPOINT, whitePoint);
    const bool icc = photometric == PHOTOMETRIC_ICCLAB;
    Bytes row;
    for (const LabPixel& p : pixels) {
        // Encoded as the format defines each sample.
        if (bits == 8) {
            row.push_back(uint8_t(std::lround(p.l * 255 / 100)));
            for (double v : {p.a, p.b}) row.push_back(uint8_t(int(std::lround(v)) + (icc ? 128 : 0)));
        } else {
            const auto put = [&](uint16_t v) { row.insert(row.end(), {uint8_t(v), uint8_t(v >> 8)}); };
            put(uint16_t(std::lround(icc ? p.l * 65280 / 100 : p.l * 65535 / 100)));
            for (double v : {p.a, p.b}) put(uint16_t(int(std::lround(v * 256)) + (icc ? 32768 : 0)));
        }
    }
    const bool ok = TIFFWriteScanline(tif, row.data(), 0, 0) == 1;
    TIFFClose(tif);
    return ok;
}

TEST_F(PhotoFiles, LabTiffKeepsWhiteBlackAndRedAgainstItsWhitePoint) {
    const float d65[2] = {0.3127f, 0.3290f};
    struct Row {
        const char* name;
        uint16_t photometric;
        int bits;
        const float* white;
        LabPixel red;
    };
    const Row rows[] = {
        {"CIELab 8-bit, no white named (D50)", PHOTOMETRIC_CIELAB, 8, nullptr, kRedD50},
        {"CIELab 16-bit, no white named (D50)", PHOTOMETRIC_CIELAB, 16, nullptr, kRedD50},
        {"ICC Lab 8-bit", PHOTOMETRIC_ICCLAB, 8, nullptr, kRedD50},
        {"ICC Lab 16-bit", PHOTOMETRIC_ICCLAB, 16, nullptr, kRedD50},
        {"CIELab 16-bit against D65", PHOTOMETRIC_CIELAB, 16, d65, kRedD65},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string file = path("lab.tif");
        ASSERT_TRUE(write_lab_tiff(file, {kWhite, kBlack, r.red}, r.photometric, r.bits, r.white));
        int w = 0, h = 0;
        const Bytes got = read_new_rgba(file, w, h);
        ASSERT_EQ(got.size(), 12u);
        const int want[3][4] = {{255, 255, 255, 255}, {0, 0, 0, 255}, {255, 0, 0, 255}};
        for (int p = 0; p < 3; ++p)
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(got[size_t(p * 4 + c)], want[p][c], 2) << "pixel " << p;
    }
    // Read against the wrong white, a colour shifts: the white point is used.
    const std::string file = path("lab.tif");
    ASSERT_TRUE(write_lab_tiff(file, {{60, 20, -40}}, PHOTOMETRIC_CIELAB, 16, nullptr));
    int w = 0, h = 0;
    const Bytes d50 = read_new_rgba(file, w, h);
    ASSERT_TRUE(write_lab_tiff(file, {{60, 20, -40}}, PHOTOMETRIC_CIELAB, 16, d65));
    const Bytes asD65 = read_new_rgba(file, w, h);
    ASSERT_EQ(d50.size(), 4u);
    ASSERT_EQ(asD65.size(), 4u);
    EXPECT_GT(std::abs(int(d50[2]) - int(asD65[2])) + std::abs(int(d50[0]) - int(asD65[0])), 6);
}

// ---- JPEG and EXIF ----

// An EXIF segment (APP1) of one first-directory entry list: each entry a
// tag, a type (3 short, 5 rational), and its value; rationals follow the
// directory.
struct ExifEntry {
    uint16_t tag, type;
    uint32_t num, den;
};

Bytes exif_segment(const std::vector<ExifEntry>& entries, bool bigEndian) {
    Bytes tiff;
    const auto u16 = [&](Bytes& b, uint32_t v) {
        if (bigEndian) b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
        else b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
    };
    const auto u32 = [&](Bytes& b, uint32_t v) {
        if (bigEndian) u16(b, v >> 16), u16(b, v & 0xFFFF);
        else u16(b, v & 0xFFFF), u16(b, v >> 16);
    };
    const uint8_t order = bigEndian ? 'M' : 'I';
    tiff.insert(tiff.end(), {order, order});
    u16(tiff, 42), u32(tiff, 8);
    u16(tiff, uint32_t(entries.size()));
    uint32_t extra = 8 + 2 + uint32_t(entries.size()) * 12 + 4;
    Bytes tail;
    for (const ExifEntry& e : entries) {
        u16(tiff, e.tag), u16(tiff, e.type), u32(tiff, 1);
        if (e.type == 3) {
            u16(tiff, e.num), u16(tiff, 0);
        } else {
            u32(tiff, extra + uint32_t(tail.size()));
            u32(tail, e.num), u32(tail, e.den);
        }
    }
    u32(tiff, 0);
    tiff.insert(tiff.end(), tail.begin(), tail.end());
    Bytes seg = {0xFF, 0xE1};
    const size_t len = 2 + 6 + tiff.size();
    seg.push_back(uint8_t(len >> 8)), seg.push_back(uint8_t(len));
    seg.insert(seg.end(), {'E', 'x', 'i', 'f', 0, 0});
    seg.insert(seg.end(), tiff.begin(), tiff.end());
    return seg;
}

// Our JPEG of a stored picture, with segments put right after the start marker.
Bytes jpeg_with(const std::string& file, const Stored& s, const std::vector<Bytes>& segments,
                const imglib::ISResolution* res) {
    Bytes rgb;
    for (size_t i = 0; i < s.rgba.size(); i += 4) rgb.insert(rgb.end(), {s.rgba[i], s.rgba[i + 1], s.rgba[i + 2]});
    imglib::HISDEST d = imglib::IS3OpenFileDest(file.c_str(), 0);
    if (imglib::IS3WriteJPG(d, rgb.data(), uint32_t(s.w), uint32_t(s.h), 97, 24, res) != 1) return {};
    imglib::IS3CloseDest(d);
    Bytes jpg = samples::read_file(file);
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) jpg.insert(jpg.begin() + 2, it->begin(), it->end());
    samples::write_file(file, jpg);
    return jpg;
}

// Tall photos are turned a strip of rows at a time: blocks of 24 make
// pictures of 72 stored rows, two whole strips and a part.
TEST_F(PhotoFiles, EveryExifOrientationReadsUpright) {
    for (int block : {kBlock, 24})
        for (bool bigEndian : {false, true})
            for (int o = 1; o <= 8; ++o) {
                SCOPED_TRACE(std::string(bigEndian ? "big-endian" : "little-endian") + ", orientation " +
                             std::to_string(o) + ", blocks of " + std::to_string(block));
                const std::string file = path("o.jpg");
                const Bytes exif = exif_segment({{0x0112, 3, uint32_t(o), 0}}, bigEndian);
                ASSERT_FALSE(jpeg_with(file, stored_for(o, block), {exif}, nullptr).empty());
                int w = 0, h = 0;
                const Bytes got = read_new_rgba(file, w, h);
                ASSERT_FALSE(got.empty());
                expect_upright(got, w, h, 12, block);
                uint32_t dw = 0, dh = 0;
                double xres = 0, yres = 0;
                dims(file, dw, dh, xres, yres);
                EXPECT_EQ(dw, uint32_t(3 * block));
                EXPECT_EQ(dh, uint32_t(2 * block));
                // The fixed-size reader takes the upright size.
                Bytes dst(size_t(3 * block) * 2 * block * 4);
                EXPECT_EQ(PTE_ReadFromFileRGBA32(dst.data(), 3 * block, 2 * block, file.c_str()), 1);
            }
}

TEST_F(PhotoFiles, PhotosWithoutAUsableOrientationAreLeftAsStored) {
    const Bytes xmp = {0xFF, 0xE1, 0, 12, 'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.'};
    struct Row {
        const char* name;
        std::vector<Bytes> segments;
        int stored;  // the orientation the stored picture was made for
    };
    const Row rows[] = {
        {"no EXIF", {}, 1},
        {"orientation 0", {exif_segment({{0x0112, 3, 0, 0}}, false)}, 1},
        {"orientation 9", {exif_segment({{0x0112, 3, 9, 0}}, false)}, 1},
        {"orientation as a long", {exif_segment({{0x0112, 4, 6, 0}}, false)}, 1},
        {"EXIF cut short", {Bytes{0xFF, 0xE1, 0, 12, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0}}, 1},
        {"XMP first, then EXIF", {xmp, exif_segment({{0x0112, 3, 6, 0}}, false)}, 6},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string file = path("n.jpg");
        ASSERT_FALSE(jpeg_with(file, stored_for(r.stored), r.segments, nullptr).empty());
        int w = 0, h = 0;
        const Bytes got = read_new_rgba(file, w, h);
        ASSERT_FALSE(got.empty());
        expect_upright(got, w, h, 12);
    }
}

TEST_F(PhotoFiles, ExifResolutionStandsInOnlyWhenJfifHasNone) {
    const imglib::ISResolution dpi150{150, 150, 1};
    struct Row {
        const char* name;
        const imglib::ISResolution* jfif;
        std::vector<ExifEntry> exif;
        int32_t want;
    };
    const Row rows[] = {
        {"JFIF 150 dpi, EXIF 300 dpi", &dpi150, {{0x011A, 5, 300, 1}, {0x011B, 5, 300, 1}, {0x0128, 3, 2, 0}}, 150},
        {"JFIF aspect only, EXIF 300 dpi", nullptr, {{0x011A, 5, 300, 1}, {0x011B, 5, 300, 1}, {0x0128, 3, 2, 0}},
         300},
        {"EXIF 600 dpi, unit left to its default", nullptr, {{0x011A, 5, 1200, 2}, {0x011B, 5, 600, 1}}, 600},
        {"EXIF 118 dots per centimetre", nullptr, {{0x011A, 5, 118, 1}, {0x011B, 5, 118, 1}, {0x0128, 3, 3, 0}},
         300},
        {"EXIF without a unit of length", nullptr, {{0x011A, 5, 300, 1}, {0x011B, 5, 300, 1}, {0x0128, 3, 1, 0}},
         72},
        {"EXIF resolution over zero", nullptr, {{0x011A, 5, 300, 0}, {0x011B, 5, 300, 0}}, 72},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string file = path("dpi.jpg");
        ASSERT_FALSE(jpeg_with(file, stored_for(1), {exif_segment(r.exif, false)}, r.jfif).empty());
        EXPECT_EQ(PTE_GetDPIFromFile(file.c_str()), r.want);
    }
}

TEST_F(PhotoFiles, PhotosMadeByExiftoolReadUprightAndAtTheirResolution) {
    int w = 0, h = 0;
    const Bytes got = read_new_rgba(kPhotos + "orientation-6-by-exiftool.jpg", w, h);
    ASSERT_FALSE(got.empty());
    expect_upright(got, w, h, 12);
    EXPECT_EQ(PTE_GetDPIFromFile((kPhotos + "resolution-300-exif-only.jpg").c_str()), 300);
}

}  // namespace
