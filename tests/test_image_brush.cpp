// Image brushes: loading, strips, fill and colour, sizing, the copies into
// the blend buffer and the rotation.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/imglib/effect_script.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int32_t kTip = 64;

class ImageBrushTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        make_image(32, 32, 0, kTip);
    }
    std::string path(const std::string& name) const { return files_.path(name); }
    static brush::ImageBrushState& ib() { return st().brush.images; }
    static void set_size(int32_t S) { st().brush.brushSize = S; }

    // Value c of pixel (x, y) of a brush picture.
    static uint16_t value(const brush::BrushPicture& p, int x, int y, int c) {
        return p.pixels[(size_t(y) * size_t(p.width) + size_t(x)) * 4 + size_t(c)];
    }
    static uint16_t& blend(int x, int y, int c) {
        return st().brush.blendBuffer[size_t(y) * size_t(st().tipRowLength) + size_t(x) * 4 + size_t(c)];
    }
    // Fills the blend buffer's square of S with a pattern of its own.
    static void fill_blend(int S) {
        for (int y = 0; y < S; ++y)
            for (int x = 0; x < S; ++x)
                for (int c = 0; c < 4; ++c) blend(x, y, c) = uint16_t(1000 + 7001 * c + 311 * x + 997 * y);
    }
    // A picture whose pixels differ: red = x, green = y, blue = seed, alpha varies.
    static Bytes picture(int w, int h, uint8_t seed = 0) {
        Bytes p(size_t(w) * h * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* q = &p[(size_t(y) * w + size_t(x)) * 4];
                q[0] = uint8_t(x * 3);
                q[1] = uint8_t(y * 5);
                q[2] = seed;
                q[3] = uint8_t(255 - x - y);
            }
        return p;
    }
    void write_png(const std::string& file, const Bytes& rgba, int w, int h) const {
        ASSERT_NE(PTE_WriteToFileRGBA32(rgba.data(), w, h, file.c_str(), ".png", 72), 0);
    }

    TempDir files_{"brush"};
};

TEST_F(ImageBrushTest, PicturesLoadUpToTheTipCapacity) {
    PTE_LoadImageBrushFromRGBA32(picture(3, 2).data(), 3, 2);
    ASSERT_TRUE(ib().imageBrush.pixels);
    EXPECT_EQ(value(ib().imageBrush, 2, 1, 0), 6 * 256);
    EXPECT_EQ(value(ib().imageBrush, 2, 1, 1), 5 * 256);
    EXPECT_EQ(value(ib().imageBrush, 2, 1, 3), 252 * 256);

    const std::string fits = path("fits.png"), wide = path("wide.png"), tall = path("tall.png");
    write_png(fits, picture(kTip, 10, 7), kTip, 10);
    write_png(wide, picture(kTip + 1, 10), kTip + 1, 10);
    write_png(tall, picture(4, kTip + 1), 4, kTip + 1);
    PTE_LoadImageBrush(fits.c_str());
    ASSERT_EQ(ib().imageBrush.width, kTip);
    EXPECT_EQ(value(ib().imageBrush, 0, 0, 2), 7 * 256);
    const uint16_t* before = ib().imageBrush.pixels.data();
    for (const std::string& file : {wide, tall, path("missing.png")}) {
        PTE_LoadImageBrush(file.c_str());
        EXPECT_EQ(ib().imageBrush.pixels.data(), before);
        EXPECT_EQ(ib().imageBrush.width, kTip);
    }
    PTE_LoadImageBrushFromRGBA32(picture(kTip + 1, 1).data(), kTip + 1, 1);
    PTE_LoadImageBrushFromRGBA32(nullptr, 2, 2);
    PTE_LoadImageBrushFromRGBA32(picture(1, 1).data(), 0, 1);
    EXPECT_EQ(ib().imageBrush.pixels.data(), before);
}

TEST_F(ImageBrushTest, FillAndColourUseTheFullSixteenBitRange) {
    set_size(5);
    PTE_FillImageBrush(255, 0, 0);
    ASSERT_EQ(ib().imageBrush.width, 5);
    const uint16_t red[4] = {65535, 0, 0, 65535}, blue[4] = {0, 0, 65535, 65535};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(value(ib().imageBrush, 4, 4, c), red[c]);
    PTE_ColorImageBrush(0, 0, 255);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(value(ib().imageBrush, 2, 3, c), blue[c]);
    PTE_FillImageBrush(300, 1, 128);  // only the low byte counts
    EXPECT_EQ(value(ib().imageBrush, 0, 0, 0), 44 * 257);
    EXPECT_EQ(value(ib().imageBrush, 0, 0, 1), 257);
    EXPECT_EQ(value(ib().imageBrush, 0, 0, 2), 128 * 257);

    // Colour keeps a picture's shape.
    PTE_LoadImageBrushFromRGBA32(picture(6, 4).data(), 6, 4);
    PTE_ColorImageBrush(10, 20, 30);
    EXPECT_EQ(value(ib().imageBrush, 5, 3, 0), 10 * 257);
    EXPECT_EQ(value(ib().imageBrush, 5, 3, 2), 30 * 257);
    EXPECT_EQ(value(ib().imageBrush, 5, 3, 3), (255 - 8) * 256);

    // Without a brush, colour makes an opaque one of the brush size.
    reset_engine();
    make_image(8, 8, 0, kTip);
    set_size(3);
    PTE_ColorImageBrush(1, 2, 3);
    ASSERT_EQ(ib().imageBrush.width, 3);
    EXPECT_EQ(value(ib().imageBrush, 2, 2, 1), 2 * 257);
    EXPECT_EQ(value(ib().imageBrush, 2, 2, 3), 65535);
}

TEST_F(ImageBrushTest, TheBrushSizeIsHeldToTheTipCapacity) {
    for (int32_t S : {0, -3}) {
        set_size(S);
        PTE_FillImageBrush(1, 2, 3);
        PTE_ColorImageBrush(1, 2, 3);
        PTE_CopyToImageBrush();
        EXPECT_FALSE(ib().imageBrush.pixels);
    }
    set_size(kTip + 1);
    PTE_FillImageBrush(1, 2, 3);
    EXPECT_EQ(ib().imageBrush.width, kTip);
    fill_blend(kTip);
    PTE_CopyFromImageBrush(0);  // the whole square, nothing past it
    EXPECT_EQ(blend(kTip - 1, kTip - 1, 2), 3 * 257);
}

// The blend buffer keeps d = trunc(percent * 2.55) parts of 255 (254 at
// 100 %, 127 at 50 %, the product in double arithmetic); 0 copies.
TEST_F(ImageBrushTest, CopyingIntoTheBlendBufferKeepsTheOldShare) {
    constexpr int S = 6;
    set_size(S);
    PTE_LoadImageBrushFromRGBA32(picture(S, S, 99).data(), S, S);  // exactly S: sizing copies
    struct Case {
        int32_t percent;
        uint32_t d;
    };
    for (Case k : {Case{0, 0}, Case{50, 127}, Case{100, 254}, Case{1, 2}, Case{-5, 0}, Case{150, 254}}) {
        SCOPED_TRACE(k.percent);
        fill_blend(S);
        PTE_CopyFromImageBrush(k.percent);
        for (int y = 0; y < S; ++y)
            for (int x = 0; x < S; ++x)
                for (int c = 0; c < 4; ++c) {
                    const uint32_t old = uint32_t(1000 + 7001 * c + 311 * x + 997 * y);
                    const uint32_t pic = value(ib().imageBrush, x, y, c);
                    const uint32_t want = k.d == 0 ? pic : (old * k.d + pic * (255 - k.d)) >> 8;
                    ASSERT_EQ(blend(x, y, c), want) << x << "," << y << "," << c;
                }
    }
    // Outside the square the buffer is left alone.
    blend(S, 0, 0) = 4321;
    PTE_CopyFromImageBrush(0);
    EXPECT_EQ(blend(S, 0, 0), 4321);
}

TEST_F(ImageBrushTest, SizingAveragesDownBelowTheWidthAndReusesItsBuffer) {
    // Columns 0, 4, 8 ... at 65280, the rest 0: averaged down by four this
    // is 16320 in every value, where sampling between columns gives 0.
    Bytes stripes(16 * 8 * 4, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; x += 4)
            for (int c = 0; c < 4; ++c) stripes[(size_t(y) * 16 + size_t(x)) * 4 + size_t(c)] = 255;
    PTE_LoadImageBrushFromRGBA32(stripes.data(), 16, 8);
    set_size(4);
    PTE_SizeImageBrush();
    ASSERT_EQ(ib().sizedBrush.width, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) ASSERT_NEAR(value(ib().sizedBrush, x, y, 0), 16320, 1);
    const uint16_t* buffer = ib().sizedBrush.pixels.data();
    ib().rotationReady = 1;
    PTE_SizeImageBrush();
    EXPECT_EQ(ib().sizedBrush.pixels.data(), buffer);
    EXPECT_EQ(ib().rotationReady, 0);

    // At or above the width: bilinear. 16 wide at 16 copies each column.
    set_size(16);
    PTE_SizeImageBrush();
    ASSERT_EQ(ib().sizedBrush.height, 16);
    EXPECT_EQ(value(ib().sizedBrush, 4, 0, 0), 65280);
    EXPECT_EQ(value(ib().sizedBrush, 5, 15, 0), 0);
}

TEST_F(ImageBrushTest, StripsAreCutIntoSquareFrames) {
    constexpr int h = 64, frames = 10;
    Bytes strip(size_t(h) * frames * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < frames * h; ++x) {
            uint8_t* q = &strip[(size_t(y) * frames * h + size_t(x)) * 4];
            q[0] = uint8_t(x / h * 20);  // the frame
            q[1] = uint8_t(x % h);       // the column inside it
            q[2] = uint8_t(y);
            q[3] = 255;
        }
    write_png(path("strip.png"), strip, frames * h, h);
    PTE_LoadImageBrushArray(path("strip.png").c_str());
    ASSERT_EQ(ib().stripFrames, frames);
    ASSERT_EQ(ib().imageBrush.width, h);
    ASSERT_EQ(ib().imageBrush.height, h);
    EXPECT_EQ(value(ib().imageBrush, 7, 7, 3), 0);  // an empty frame until one is copied
    struct Case {
        float position;
        int frame;
    };
    for (Case k : {Case{0.95f, 9}, Case{0.1f, 1}, Case{0.0f, 0}, Case{0.999f, 9}, Case{1.5f, 9}, Case{-0.5f, 0}}) {
        SCOPED_TRACE(k.position);
        PTE_CopyFromImageBrushArray(k.position);
        EXPECT_EQ(value(ib().imageBrush, 0, 0, 0), k.frame * 20 * 256);
        EXPECT_EQ(value(ib().imageBrush, h - 1, h - 1, 0), k.frame * 20 * 256);
        EXPECT_EQ(value(ib().imageBrush, h - 1, 5, 1), (h - 1) * 256);
        EXPECT_EQ(value(ib().imageBrush, 3, h - 1, 2), (h - 1) * 256);
    }
    // The brush replaced by another picture becomes a frame again.
    set_size(5);
    PTE_FillImageBrush(1, 1, 1);
    PTE_CopyFromImageBrushArray(0.35f);
    ASSERT_EQ(ib().imageBrush.width, h);
    EXPECT_EQ(value(ib().imageBrush, 9, 9, 0), 3 * 20 * 256);

    // A strip taller than the tip is refused; one narrower than a frame
    // has no frames and copies nothing.
    write_png(path("too_tall.png"), Bytes(size_t(2) * (kTip + 1) * 4, 9), 2, kTip + 1);
    PTE_LoadImageBrushArray(path("too_tall.png").c_str());
    EXPECT_EQ(ib().stripFrames, frames);
    write_png(path("narrow.png"), Bytes(size_t(8) * 16 * 4, 9), 8, 16);
    PTE_LoadImageBrushArray(path("narrow.png").c_str());
    EXPECT_EQ(ib().stripFrames, 0);
    PTE_CopyFromImageBrushArray(0.5f);
    EXPECT_EQ(value(ib().imageBrush, 15, 15, 0), 0);
}

TEST_F(ImageBrushTest, CopyToImageBrushTakesTheBlendSquare) {
    set_size(7);
    fill_blend(7);
    PTE_CopyToImageBrush();
    ASSERT_EQ(ib().imageBrush.width, 7);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(value(ib().imageBrush, 6, 5, c), blend(6, 5, c));
    EXPECT_EQ(value(ib().imageBrush, 0, 6, 1), blend(0, 6, 1));
}

TEST_F(ImageBrushTest, TurnedCopiesNeedATurnFirst) {
    constexpr int S = 8;
    set_size(S);
    PTE_LoadImageBrushFromRGBA32(picture(S, S).data(), S, S);
    fill_blend(S);
    PTE_CopyFromImageBrushRotate(0);
    EXPECT_EQ(blend(3, 3, 0), 1000 + 311 * 3 + 997 * 3);
    PTE_RotateImageBrush(45);  // nothing sized yet
    EXPECT_FALSE(ib().rotatedBrush);
    PTE_CopyFromImageBrushRotate(0);
    EXPECT_EQ(blend(3, 3, 0), 1000 + 311 * 3 + 997 * 3);
}

TEST_F(ImageBrushTest, TurningByZeroStillRunsTheEffectAtThreeSixty) {
    constexpr int S = 8;
    set_size(S);
    PTE_LoadImageBrushFromRGBA32(picture(S, S).data(), S, S);
    PTE_SizeImageBrush();
    const uint64_t runs = imglib::detail::last_script_run().runs;
    PTE_RotateImageBrush(0);
    const imglib::detail::ScriptRun r = imglib::detail::last_script_run();
    EXPECT_EQ(r.runs, runs + 2);  // the alpha plane, then the colour
    EXPECT_EQ(r.values[imglib::kRotateAngleValue], 360);
    EXPECT_EQ(r.values[imglib::kRotateScaleValue], 100);
    ASSERT_EQ(ib().rotationReady, 1);
    ASSERT_EQ(ib().rotationWidth, S);
    const Bytes want = picture(S, S);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), ib().rotatedBrush.data()));
}

// A quarter turn clockwise as seen: pixel (x, y) lands on (S - 1 - y, x),
// alpha with it; the copy then writes q * 256 (d = 0) or mixes.
TEST_F(ImageBrushTest, TurningNinetyDegreesTurnsClockwiseWithTheAlpha) {
    constexpr int S = 8;
    set_size(S);
    const Bytes src = picture(S, S, 50);
    PTE_LoadImageBrushFromRGBA32(src.data(), S, S);
    PTE_SizeImageBrush();
    PTE_RotateImageBrush(90);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(ib().rotatedBrush[(size_t(x) * S + size_t(S - 1 - y)) * 4 + size_t(c)],
                          src[(size_t(y) * S + size_t(x)) * 4 + size_t(c)]);
    fill_blend(S);
    PTE_CopyFromImageBrushRotate(0);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(blend(S - 1, 0, c), src[c] * 256);
    fill_blend(S);
    PTE_CopyFromImageBrushRotate(50);  // d = 127
    const uint32_t q = src[(size_t(7) * S + 2) * 4 + 1];  // (2, 7) lands on (0, 2)
    EXPECT_EQ(blend(0, 2, 1), (q * 256 * 128 + uint32_t(1000 + 7001 + 997 * 2) * 127) >> 8);

    // Turns start again from the sized picture: they do not add up.
    PTE_RotateImageBrush(90);
    EXPECT_EQ(ib().rotatedBrush[(size_t(0) * S + size_t(S - 1)) * 4], src[0]);
}

TEST_F(ImageBrushTest, ATurnMadeAtAnotherSizeIsRemadeOrLeftAlone) {
    set_size(8);
    PTE_LoadImageBrushFromRGBA32(picture(8, 8).data(), 8, 8);
    PTE_SizeImageBrush();
    PTE_RotateImageBrush(30);
    set_size(4);
    PTE_SizeImageBrush();  // clears the turn
    PTE_RotateImageBrush(30);
    EXPECT_EQ(ib().rotationWidth, 4);
    EXPECT_EQ(ib().rotatedBrush.size(), 4u * 4 * 4);
    // A tip capacity shrunk below the turn: the copy does nothing.
    PTE_NewSize(nullptr, 32, 32, 2, 0);
    PTE_CopyFromImageBrushRotate(0);
    EXPECT_EQ(st().brush.blendBuffer.size(), 2u * 2 * 4);
}

TEST_F(ImageBrushTest, SavedBrushesReadBackAsTheirHighBytes) {
    const Bytes src = picture(5, 3, 17);
    PTE_LoadImageBrushFromRGBA32(src.data(), 5, 3);
    const std::string file = path("brush.png");
    PTE_SaveImageBrush(file.c_str());
    Bytes got(5 * 3 * 4);
    ASSERT_EQ(PTE_ReadFromFileRGBA32(got.data(), 5, 3, file.c_str()), 1);
    EXPECT_EQ(got, src);
    PTE_SaveImageBrush(path("no/dir/brush.png").c_str());
    EXPECT_STREQ(PTE_GetLastError(), "SaveImageBrush Excpt");
    reset_engine();
    PTE_SaveImageBrush(path("none.png").c_str());  // no brush: nothing
    EXPECT_FALSE(fs::exists(path("none.png")));
}

}  // namespace

namespace {

// The whole route: a filled image brush poured into the blend buffer, then
// a blending dab paints its colour, not the dab's, over a white layer.
TEST_F(ImageBrushTest, BlendingDabsPaintThePouredPicture) {
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) set_px(1, x, y, 65280, 65280, 65280, 65535);
    PTE_SetSize(5);  // the tool set-up draws the tip at this size
    PTE_SetTool(1.0f, 0, 0, 0, 0, 0, 1, 256, 0, 0, 0, 0, 0, "", "", 0);
    PTE_SetAlpha(100);
    PTE_FillImageBrush(255, 0, 0);
    PTE_CopyFromImageBrush(0);
    PTE_DrawDabGrit(10, 10, 0, 65280, 0);  // a green dab colour the blend buffer overrides
    // Full coverage, i = 65536 - 65535: ((i * old) >> 8 + (65535 * picked) >> 8) >> 8.
    const auto mixed = [](uint64_t old, uint64_t picked) { return ((old >> 8) + ((65535 * picked) >> 8)) >> 8; };
    EXPECT_EQ(px(1, 10, 10, 0), mixed(65280, 65535));
    EXPECT_EQ(px(1, 10, 10, 1), mixed(65280, 0));
    EXPECT_EQ(px(1, 10, 10, 2), mixed(65280, 0));
    EXPECT_EQ(px(1, 20, 20, 1), 65280);  // outside the dab
}

}  // namespace
