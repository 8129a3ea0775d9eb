// Saving the page, thumbnails, web pictures and newRGBA resampled.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/resized_pictures.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kW = 29, kH = 17;  // odd: BMP rows are padded

class PageFilesTest : public EngineTest {
protected:
    std::string path(const std::string& name) const { return files_.path(name); }

    // Three layers over a background that is not fully opaque: a half
    // transparent "Multiply" layer, a hidden one and a "Screen" layer of
    // fading alpha, so rows differ and the composite has partial alpha.
    static void make_page() {
        make_image(kW, kH, 3);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                set_px(1, x, y, uint16_t(x * 2000), uint16_t(y * 3000), uint16_t((x + y) * 1000),
                       uint16_t(x < 3 ? 0 : 40000 + y * 1000));
                set_px(2, x, y, uint16_t(60000 - x * 1500), 20000, uint16_t(y * 3500), 32768);
                set_px(3, x, y, 65535, 65535, 65535, 65535);
                set_px(4, x, y, uint16_t(y * 3800), uint16_t(x * 2200), 9000, uint16_t((x * y * 300) % 65536));
            }
        PTE_SetLayerOptions(2, 1, 0, 80, "Multiply");
        PTE_SetLayerOptions(3, 0, 0, 100, "Normal");
        PTE_SetLayerOptions(4, 1, 0, 100, "Screen");
    }
    static std::vector<uint16_t> composite() {
        std::vector<uint16_t> all(size_t(kW) * kH * 4);
        PTE_Merge(all.data());
        return all;
    }
    // The composite's high bytes, with or without alpha.
    static Bytes high_bytes(const std::vector<uint16_t>& rgba64, bool alpha) {
        Bytes out;
        for (size_t i = 0; i < rgba64.size(); i += 4)
            for (size_t c = 0; c < (alpha ? 4u : 3u); ++c) out.push_back(uint8_t(rgba64[i + c] >> 8));
        return out;
    }
    static Bytes read_rgba(const std::string& file, int w, int h) {
        Bytes out(size_t(w) * h * 4);
        if (PTE_ReadFromFileRGBA32(out.data(), w, h, file.c_str()) != 1) return {};
        return out;
    }
    static Bytes read_rgb(const std::string& file, int w, int h) {
        Bytes out(size_t(w) * h * 3);
        if (PTE_ReadFromFileRGB24(out.data(), w, h, file.c_str()) != 1) return {};
        return out;
    }
    // Size of a file's picture (0 x 0 when it cannot be read).
    static std::pair<int, int> size_of(const std::string& file) {
        if (PTE_ReadFromFile(file.c_str()) != 1) return {0, 0};
        return {PTE_GetNewRGBAWidth(), PTE_GetNewRGBAHeight()};
    }
    static Bytes file_bytes(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // Writes packed RGBA32 as a PNG for the readers to start from.
    void write_png(const std::string& file, const Bytes& rgba, int w, int h) const {
        ASSERT_NE(PTE_WriteToFileRGBA32(rgba.data(), w, h, file.c_str(), ".png", 72), 0);
    }

    TempDir files_{"page"};
};

TEST_F(PageFilesTest, LosslessPagesHoldTheCompositeExactlyInEveryRowOrder) {
    make_page();
    const std::vector<uint16_t> all = composite();
    for (const char* ext : {".bmp", ".png", ".PNG", ".Bmp"}) {
        SCOPED_TRACE(ext);
        const std::string file = path(std::string("page24") + ext);
        PTE_SavePageToFileRGB24(file.c_str(), ext, 150);
        EXPECT_EQ(read_rgb(file, kW, kH), high_bytes(all, false));
    }
    for (const char* ext : {".png", ".tga", ".tif", ".TIF"}) {
        SCOPED_TRACE(ext);
        const std::string file = path(std::string("page32") + ext);
        PTE_SavePageToFileRGB32(file.c_str(), ext, 150);
        EXPECT_EQ(read_rgba(file, kW, kH), high_bytes(all, true));
    }
}

// The BMP file itself stores the bottom row first (a positive height): its
// first stored pixel is the composite's bottom-left one, in blue, green,
// red order, and the next stored row is the one above.
TEST_F(PageFilesTest, BmpPagesStoreTheBottomRowFirst) {
    make_page();
    const Bytes want = high_bytes(composite(), false);
    const std::string file = path("page.bmp");
    PTE_SavePageToFileRGB24(file.c_str(), ".bmp", 96);
    const Bytes bmp = file_bytes(file);
    ASSERT_GT(bmp.size(), 54u);
    auto le32 = [&](size_t at) { return int32_t(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | bmp[at + 3] << 24); };
    const int32_t offset = le32(10), height = le32(22);
    EXPECT_EQ(height, kH);
    const size_t row_bytes = (size_t(kW) * 3 + 3) / 4 * 4;
    for (int stored : {0, 1, kH - 1}) {
        const int image_row = kH - 1 - stored;
        for (int x : {0, kW - 1}) {
            const uint8_t* p = &bmp[size_t(offset) + size_t(stored) * row_bytes + size_t(x) * 3];
            const uint8_t* q = &want[(size_t(image_row) * kW + size_t(x)) * 3];
            EXPECT_EQ(p[0], q[2]);
            EXPECT_EQ(p[1], q[1]);
            EXPECT_EQ(p[2], q[0]);
        }
    }
}

TEST_F(PageFilesTest, JpegPagesStayCloseToTheComposite) {
    make_image(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) set_px(1, x, y, uint16_t(x * 2200), uint16_t(y * 3800), 30000, 65535);
    const Bytes want = high_bytes(composite(), false);
    const std::string file = path("page.jpg");
    PTE_SavePageToFileRGB24(file.c_str(), ".JPG", 300);
    const Bytes got = read_rgb(file, kW, kH);
    ASSERT_EQ(got.size(), want.size());
    int worst = 0;
    for (size_t i = 0; i < got.size(); ++i) worst = std::max(worst, std::abs(int(got[i]) - int(want[i])));
    EXPECT_LE(worst, 6);
    EXPECT_EQ(PTE_GetDPIFromFile(file.c_str()), 300);
}

TEST_F(PageFilesTest, OtherExtensionsAndFailuresWriteNothing) {
    make_page();
    // Formats of the other pixel layout, or of neither.
    for (const char* ext : {".tga", ".gif", ".bm", ""}) PTE_SavePageToFileRGB24(path("x").c_str(), ext, 72);
    for (const char* ext : {".bmp", ".jpg", ".pngx"}) PTE_SavePageToFileRGB32(path("y").c_str(), ext, 72);
    EXPECT_FALSE(fs::exists(path("x")));
    EXPECT_FALSE(fs::exists(path("y")));
    PTE_SavePageToFileRGB24(nullptr, ".png", 72);
    PTE_SavePageToFileRGB32(path("y").c_str(), nullptr, 72);

    // A file that cannot be made reports the failure and leaves nothing.
    const std::string nowhere = path("no/such/dir/page.png");
    PTE_SavePageToFileRGB24(nowhere.c_str(), ".png", 72);
    EXPECT_STREQ(PTE_GetLastError(), "PTE_SavePageToFileRGB24 Excpt");
    PTE_SavePageToFileRGB32(nowhere.c_str(), ".png", 72);
    EXPECT_STREQ(PTE_GetLastError(), "PTE_SavePageToFileRGB32 Excpt");
    EXPECT_FALSE(fs::exists(nowhere));
}

TEST_F(PageFilesTest, APageWithoutAnImageWritesNothing) {
    PTE_SavePageToFileRGB24(path("none.png").c_str(), ".png", 72);
    EXPECT_FALSE(fs::exists(path("none.png")));
}

// Sizes worked out by hand from the rules: the longer side 100, the other
// (int)(100 / longer * shorter); a box fitted by the relatively longer side.
TEST(ResizedPictureSizes, ThumbnailsAndWebPictures) {
    struct Case {
        int w, h;
        io::PictureSize want;
    };
    for (Case c : {Case{400, 200, {100, 50}}, Case{200, 400, {50, 100}}, Case{100, 100, {100, 100}},
                   Case{3, 7, {42, 100}}, Case{7, 3, {100, 42}}, Case{1000, 5, {100, 1}}, Case{40, 30, {100, 75}}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(io::thumbnail_size(c.w, c.h), c.want);
    }
    struct Box {
        int w, h, bw, bh;
        io::PictureSize want;
    };
    for (Box b : {Box{800, 800, 640, 480, {480, 480}}, Box{300, 200, 640, 480, {300, 200}},
                  Box{1600, 900, 640, 480, {640, 360}}, Box{480, 640, 640, 480, {360, 480}},
                  Box{800, 600, 640, 480, {640, 480}}, Box{5000, 3, 100, 100, {100, 1}},
                  Box{800, 600, 0, 480, {0, 0}}}) {
        SCOPED_TRACE(std::to_string(b.w) + "x" + std::to_string(b.h));
        EXPECT_EQ(io::web_picture_size(b.w, b.h, b.bw, b.bh), b.want);
    }
}

// Columns 0, 4, 8, ... white, the rest black: averaging down by four gives
// 255 / 4 (63.75, so 63 or 64) in every channel, where sampling between
// the pixels would give black.
Bytes every_fourth_column(int w, int h, uint8_t alpha) {
    Bytes p(size_t(w) * h * 4, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* q = &p[(size_t(y) * w + size_t(x)) * 4];
            if (x % 4 == 0) q[0] = q[1] = q[2] = 255;
            q[3] = alpha;
        }
    return p;
}

void expect_all_near(const Bytes& got, double value, double within) {
    ASSERT_FALSE(got.empty());
    for (uint8_t v : got) ASSERT_NEAR(double(v), value, within);
}

TEST_F(PageFilesTest, ThumbnailsAreAveragedDownToTheirSize) {
    const std::string wide = path("wide.png"), thumb = path("thumb.bmp");
    // Alpha 0 throughout: the thumbnail keeps the colour and drops alpha.
    write_png(wide, every_fourth_column(400, 200, 0), 400, 200);
    EXPECT_EQ(PTE_MakeThumbnail(wide.c_str(), thumb.c_str()), 0);
    ASSERT_EQ(size_of(thumb), std::make_pair(100, 50));
    expect_all_near(read_rgb(thumb, 100, 50), 63.75, 0.5);

    Bytes tall(200 * 400 * 4);
    for (size_t i = 0; i < tall.size(); ++i) tall[i] = uint8_t(i % 4 == 3 ? 255 : 90);
    write_png(path("tall.png"), tall, 200, 400);
    PTE_MakeThumbnail(path("tall.png").c_str(), thumb.c_str());
    EXPECT_EQ(size_of(thumb), std::make_pair(50, 100));
}

TEST_F(PageFilesTest, AThumbnailOfItsOwnSizeIsACopy) {
    Bytes square(100 * 100 * 4);
    for (size_t i = 0; i < square.size(); ++i) square[i] = uint8_t(i % 4 == 3 ? 255 : (i * 7919) % 251);
    write_png(path("square.png"), square, 100, 100);
    PTE_MakeThumbnail(path("square.png").c_str(), path("square.bmp").c_str());
    Bytes want;
    for (size_t i = 0; i < square.size(); ++i)
        if (i % 4 != 3) want.push_back(square[i]);
    EXPECT_EQ(read_rgb(path("square.bmp"), 100, 100), want);
}

TEST_F(PageFilesTest, WebPicturesFitTheBox) {
    const std::string big = path("big.png"), web = path("web.jpg");
    write_png(big, every_fourth_column(800, 800, 255), 800, 800);
    EXPECT_EQ(PTE_MakeWebPic(big.c_str(), web.c_str(), 640, 480), 0);
    ASSERT_EQ(size_of(web), std::make_pair(480, 480));

    const std::string small = path("small.png");
    write_png(small, every_fourth_column(300, 200, 255), 300, 200);
    PTE_MakeWebPic(small.c_str(), web.c_str(), 640, 480);
    EXPECT_EQ(size_of(web), std::make_pair(300, 200));  // fits: never enlarged
}

TEST_F(PageFilesTest, MissingOrUnreadableSourcesWriteNothing) {
    ASSERT_TRUE(std::ofstream(path("junk.png")) << "not a picture");
    for (const std::string& from : {path("missing.png"), path("junk.png")}) {
        EXPECT_EQ(PTE_MakeThumbnail(from.c_str(), path("t.bmp").c_str()), 0);
        EXPECT_EQ(PTE_MakeWebPic(from.c_str(), path("w.jpg").c_str(), 640, 480), 0);
    }
    write_png(path("ok.png"), every_fourth_column(8, 8, 255), 8, 8);
    PTE_MakeWebPic(path("ok.png").c_str(), path("w.jpg").c_str(), 0, 0);  // an empty box
    PTE_MakeThumbnail(nullptr, path("t.bmp").c_str());
    PTE_MakeThumbnail(path("ok.png").c_str(), nullptr);
    EXPECT_FALSE(fs::exists(path("t.bmp")));
    EXPECT_FALSE(fs::exists(path("w.jpg")));
}

TEST_F(PageFilesTest, NewRGBAIsAveragedDownOnlyWhenSmallerBothWays) {
    const std::string file = path("strip.png");
    write_png(file, every_fourth_column(16, 8, 255), 16, 8);
    ASSERT_EQ(PTE_ReadFromFile(file.c_str()), 1);
    Bytes down(4 * 2 * 3, 0xAB);
    PTE_GetResizedNewRGBA24(down.data(), 4, 2);
    expect_all_near(down, 63.75, 0.5);
    // Not smaller in height: bilinear, which between the columns sees black.
    Bytes across(4 * 8 * 3, 0xAB);
    PTE_GetResizedNewRGBA24(across.data(), 4, 8);
    expect_all_near(across, 0, 0);
    // Same size: an exact copy.
    Bytes same(16 * 8 * 3);
    PTE_GetResizedNewRGBA24(same.data(), 16, 8);
    Bytes want(16 * 8 * 3);
    PTE_GetNewRGBA24(want.data());
    EXPECT_EQ(same, want);
    // Nothing for an empty size or without a picture.
    Bytes untouched(12, 0xAB);
    PTE_GetResizedNewRGBA24(untouched.data(), 0, 4);
    PTE_DeleteNewRGBA();
    PTE_GetResizedNewRGBA24(untouched.data(), 2, 2);
    EXPECT_EQ(untouched, Bytes(12, 0xAB));
}

}  // namespace
