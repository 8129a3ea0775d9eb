// Tips and grit patterns made from picture files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "brush/picture_tip.h"
#include "platform/imglib/channels.h"
#include "platform/imglib/effect_script.h"
#include "platform/paths.h"
#include "support/engine_fixture.h"
#include "support/reference_random.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using GreyAt = std::function<uint8_t(int, int)>;
constexpr int32_t kTip = 64;

class PictureTipTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        make_image(32, 32, 0, kTip);
        st().brush.tipStrength = 1.0f;
        st().brush.drawingLength = 7;
    }
    std::string path(const std::string& name) const { return files_.path(name); }

    // Writes an opaque grey picture (red = green = blue, so its grey level
    // is exactly that value).
    std::string grey_png(const std::string& name, int w, int h, const GreyAt& grey) const {
        Bytes p(size_t(w) * h * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* q = &p[(size_t(y) * w + size_t(x)) * 4];
                q[0] = q[1] = q[2] = grey(x, y);
                q[3] = 255;
            }
        const std::string file = path(name);
        EXPECT_NE(PTE_WriteToFileRGBA32(p.data(), w, h, file.c_str(), ".png", 72), 0);
        return file;
    }
    static uint16_t tip(int x, int y) { return st().brush.tipAlpha[size_t(y) * kTip + size_t(x)]; }
    // The disc of softness 0 and strength 1: full in the middle, nothing in
    // the corners.
    static bool disc_drawn(int S) { return tip(S / 2, S / 2) == 65535 && tip(0, 0) == 0; }
    static void shape(const std::string& file, int32_t angle) { PTE_SetBrushShape(file.c_str(), angle); }
    // PTE_SetTool with grit from a picture: no grit blocks unless asked, the
    // disc as the shape.
    static void tool_with_grit(const std::string& file, int32_t gritBlock = 0) {
        PTE_SetTool(1.0f, gritBlock, 128, 128, 0, 0, 7, 0, 0, 0, 0, 0, 0, file.c_str(), "", 0);
    }

    TempDir files_{"tip"};
};

uint8_t ramp(int x, int y) { return uint8_t((x * 37 + y * 11) % 256); }

TEST_F(PictureTipTest, TipValuesAreTheGreyTimes256TimesTheStrength) {
    constexpr int S = 12;
    PTE_SetSize(S);
    const std::string file = grey_png("ramp.png", S, S, ramp);
    for (float strength : {1.0f, 0.5f, 0.3f, 3.0f}) {
        SCOPED_TRACE(strength);
        st().brush.tipStrength = strength;
        st().brush.tipInvert = 1;  // a picture tip is never inverted
        st().brush.drawingCountdown = 0;
        shape(file, 0);
        for (int y = 0; y < S; ++y)
            for (int x = 0; x < S; ++x) {
                const double want = std::min(65535.0, std::trunc(ramp(x, y) * 256.0 * double(strength)));
                ASSERT_EQ(tip(x, y), uint16_t(want)) << x << "," << y;
            }
        EXPECT_EQ(tip(S, 0), 0);  // outside S x S the tip stays clear
        EXPECT_EQ(tip(0, S), 0);
        EXPECT_EQ(st().brush.drawingCountdown, 7);
    }
}

TEST_F(PictureTipTest, ToolSetUpBuildsThePictureTipAtItsStrengthAndAngle) {
    constexpr int S = 10;
    PTE_SetSize(S);
    const std::string file = grey_png("ramp.png", S, S, ramp);
    PTE_SetTool(0.5f, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, "", file.c_str(), 180);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) ASSERT_EQ(tip(S - 1 - x, S - 1 - y), ramp(x, y) * 128) << x << "," << y;
    PTE_SetBrushShape_ORIGINAL(file.c_str(), 0);  // the image-file route alone gives the same picture
    EXPECT_EQ(tip(3, 4), ramp(3, 4) * 128);
}

// The picture turns by the angle, counter-clockwise as seen: pixel (x, y)
// of an S x S picture lands on (y, S - 1 - x).
TEST_F(PictureTipTest, ThePictureTurnsByTheAngle) {
    constexpr int S = 10;
    PTE_SetSize(S);
    shape(grey_png("ramp.png", S, S, ramp), 90);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) ASSERT_EQ(tip(y, S - 1 - x), ramp(x, y) * 256) << x << "," << y;
}

TEST_F(PictureTipTest, TheCacheSkipsTheFileOnlyForTheSamePathAndAngle) {
    constexpr int S = 6;
    PTE_SetSize(S);
    const std::string file = grey_png("shape.png", S, S, [](int, int) { return uint8_t(10); });
    shape(file, 0);
    EXPECT_EQ(tip(0, 0), 10 * 256);
    grey_png("shape.png", S, S, [](int, int) { return uint8_t(20); });  // replaced on disc
    st().brush.tipStrength = 0.5f;
    shape(file, 0);
    EXPECT_EQ(tip(2, 2), 10 * 128);  // the cached picture, the new strength
    shape(file, 180);                // a new angle reads the file again
    EXPECT_EQ(tip(2, 2), 20 * 128);
    fs::remove(file);
    shape(file, 180);  // cached: the file is not needed
    EXPECT_EQ(tip(3, 3), 20 * 128);
    shape(file, 0);  // gone: no picture, so the disc
    EXPECT_FALSE(st().brush.shapeCache.picture);
    st().brush.tipStrength = 1.0f;
    shape(file, 0);
    EXPECT_TRUE(disc_drawn(S));
}

TEST_F(PictureTipTest, LargerPicturesAreAveragedDown) {
    constexpr int S = 8;
    PTE_SetSize(S);
    // Uniform 3 x 3 blocks: averaging down by three keeps each block's level.
    const auto blocks = [](int x, int y) { return uint8_t((x / 3) * 20 + (y / 3) * 3); };
    shape(grey_png("big.png", 3 * S, 3 * S, blocks), 0);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) ASSERT_EQ(tip(x, y), blocks(3 * x, 3 * y) * 256);
}

TEST_F(PictureTipTest, PathsThatGiveNoPictureGiveTheDisc) {
    constexpr int S = 8;
    PTE_SetSize(S);
    st().brush.drawingCountdown = 3;
    ASSERT_TRUE(std::ofstream(path("junk.png")) << "junk");
    for (const std::string& p : {path("missing.png"), path("junk.png"), std::string("x"), std::string()}) {
        SCOPED_TRACE(p);
        shape(grey_png("flat.png", S, S, [](int, int) { return uint8_t(9); }), 0);
        ASSERT_EQ(tip(0, 0), 9 * 256);
        shape(p, 0);
        EXPECT_TRUE(disc_drawn(S));
    }
    PTE_SetBrushShape(nullptr, 0);
    EXPECT_TRUE(disc_drawn(S));
    EXPECT_EQ(st().brush.drawingCountdown, 7);  // set by the picture tips above
}

TEST_F(PictureTipTest, PathsTooLongToKeepAreReadEveryTime) {
    if (brush::kShapePathCapacity + 60 > platform::kMaxPath)
        GTEST_SKIP() << "the system's file functions take no path longer than the engine keeps";
    PTE_SetSize(8);
    std::string deep = files_.dir().string();
    while (deep.size() < brush::kShapePathCapacity + 50) deep += "/dddddddddddddddddddddddddddddddddddddddd";
    fs::create_directories(deep);
    const std::string file = deep + "/p.png";
    Bytes p(4 * 4 * 4, 90);
    ASSERT_NE(PTE_WriteToFileRGBA32(p.data(), 4, 4, file.c_str(), ".png", 72), 0);
    shape(file, 0);
    EXPECT_EQ(tip(0, 0), 90 * 256);
    EXPECT_STREQ(st().brush.shapeCache.path, "");
    fs::remove(file);
    shape(file, 0);
    EXPECT_TRUE(disc_drawn(8));
}

// The patterns, as the engine must cut them: for each, two draws (x
// first) give the piece's corner in a grey image of gw x gh.
void expect_patterns_cut_from(Lcg lcg, int S, int gw, int gh, const GreyAt& grey) {
    const brush::BrushState& b = engine::state().brush;
    const int piece = S + 25;
    for (int k = 0; k < 20; ++k) {
        SCOPED_TRACE(k);
        const int ox = lcg.next() % (gw - piece), oy = lcg.next() % (gh - piece);
        const uint8_t* pattern = b.tipBuffers[size_t(k)].data();
        for (int y = 0; y < piece; ++y)
            for (int x = 0; x < std::min(piece, kTip); ++x)
                ASSERT_EQ(pattern[size_t(y) * kTip + size_t(x)], grey(ox + x, oy + y)) << x << "," << y;
        if (piece < kTip) {
            ASSERT_EQ(pattern[size_t(piece)], 255);  // beyond the piece: never painted
            ASSERT_EQ(pattern[size_t(piece) * kTip], 255);
        }
    }
    EXPECT_EQ(b.currentTip, b.tipBuffers[19].data());
    EXPECT_EQ(b.drawingCountdown, 7);
}

TEST_F(PictureTipTest, GritIsCutFromThePictureAtTheDrawnOffsets) {
    const auto grey = [](int x, int y) { return uint8_t((x * 7 + y * 13) % 251); };
    const std::string file = grey_png("grit.png", 120, 90, grey);
    for (int S : {20, 1, 60}) {  // 60: a piece wider than the tip capacity
        SCOPED_TRACE(S);
        PTE_SetSize(S);
        PTE_SetRandomSeed(4321);
        st().brush.drawingCountdown = 0;
        tool_with_grit(file);
        expect_patterns_cut_from(Lcg{4321}, S, 120, 90, grey);
    }
}

TEST_F(PictureTipTest, SmallGritPicturesAreTiledToAPiece) {
    const auto grey = [](int x, int y) { return uint8_t(x * 8 + y); };
    const std::string file = grey_png("small.png", 30, 20, grey);
    PTE_SetSize(20);  // a piece and its offsets need 46 a side
    PTE_SetRandomSeed(99);
    tool_with_grit(file);
    expect_patterns_cut_from(Lcg{99}, 20, 46, 46, [&](int x, int y) { return grey(x % 30, y % 20); });

    const std::string dot = grey_png("dot.png", 1, 1, [](int, int) { return uint8_t(77); });
    PTE_SetSize(kTip);
    tool_with_grit(dot);
    EXPECT_EQ(st().brush.tipBuffers[3][size_t(kTip + 24) * kTip + 10], 77);
}

// With grit blocks on, the patterns from the random tables come first: two
// draws per row of blocks, 6 rows of 8 over 45, for each of 20 patterns.
// The picture's offsets follow them and its pieces replace those patterns.
TEST_F(PictureTipTest, PictureGritFollowsTheDrawsOfTheBlockPatterns) {
    const auto grey = [](int x, int y) { return uint8_t(255 - (x + 2 * y) % 200); };
    const std::string file = grey_png("grit.png", 100, 70, grey);
    PTE_SetSize(20);
    PTE_SetRandomSeed(777);
    tool_with_grit(file, 8);
    Lcg lcg{777};
    for (int i = 0; i < 20 * 6 * 2; ++i) lcg.next();
    expect_patterns_cut_from(lcg, 20, 100, 70, grey);
}

TEST_F(PictureTipTest, GritFromNoPictureLeavesThePatterns) {
    PTE_SetSize(10);
    for (auto& p : st().brush.tipBuffers) p.fill_bytes(5);
    st().brush.drawingCountdown = 2;
    ASSERT_TRUE(std::ofstream(path("junk.png")) << "junk");
    for (const std::string& p : {path("missing.png"), path("junk.png"), std::string("x")}) {
        tool_with_grit(p);
        EXPECT_EQ(st().brush.tipBuffers[0][0], 5);
        EXPECT_EQ(st().brush.tipBuffers[19][100], 5);
        EXPECT_EQ(st().brush.drawingCountdown, 2);
    }
    EXPECT_FALSE(brush::build_grit_from_picture(st(), nullptr));
}

// The rendering of a script file, as RGBA32, through the imaging library's
// own calls.
Bytes render_script(const std::string& file, int& w, int& h) {
    using namespace imglib;
    Bytes out;
    if (!ISL_Initialize()) return out;
    ISLScriptHeader header{};
    if (ISL_LoadScriptFromFile(file.c_str()) && ISL_InitBuffers() && ISL_ReadScriptHeaderFromFile(file.c_str(), &header)) {
        w = header.width;
        h = header.height;
        out.resize(size_t(w) * size_t(h) * 4);
        if (!ISL_ExecuteScript(out.data())) out.clear();
        else IS3RGBAToBGRA(out.data(), uint32_t(w), uint32_t(h), uint32_t(w) * 4);
    }
    ISL_Finish();
    return out;
}

const std::string kScripts = std::string(PAINTCORE_EXAMPLES) + "/scripts/";

// A script file gives the tip its rendering: the same tip as the rendered
// picture saved and read as an image file, at any size and angle.
TEST_F(PictureTipTest, ScriptFilesGiveTheirRenderingAsTheTip) {
    for (const char* name : {"tips/splatter.fxs", "tips/bristles.fxs", "tips/chalk.fxs"}) {
        SCOPED_TRACE(name);
        int w = 0, h = 0;
        const Bytes picture = render_script(kScripts + name, w, h);
        ASSERT_FALSE(picture.empty());
        const std::string png = path("rendered.png");
        ASSERT_NE(PTE_WriteToFileRGBA32(picture.data(), w, h, png.c_str(), ".png", 72), 0);
        for (int S : {16, 40})
            for (int angle : {0, 30}) {
                PTE_SetSize(S);
                shape(kScripts + name, angle);
                EXPECT_EQ(st().brush.shapeCache.width, w);
                EXPECT_EQ(st().brush.shapeCache.height, h);
                std::vector<uint16_t> fromScript(size_t(kTip) * kTip);
                std::copy(st().brush.tipAlpha.data(), st().brush.tipAlpha.data() + fromScript.size(), fromScript.begin());
                shape(png, angle);
                ASSERT_TRUE(st().brush.shapeCache.picture);
                for (size_t i = 0; i < fromScript.size(); ++i) ASSERT_EQ(st().brush.tipAlpha[i], fromScript[i]) << i;
            }
    }
    // The route without scripts reads the same path as an image file and
    // finds none: the disc.
    PTE_SetSize(8);
    PTE_SetBrushShape_ORIGINAL((kScripts + "tips/chalk.fxs").c_str(), 0);
    EXPECT_TRUE(disc_drawn(8));
}

// Grit from a script: its rendering tiled over 600 x 600, greyed and cut.
// The checkerboard is black and white only, so its grey is exact.
TEST_F(PictureTipTest, GritIsCutFromATiledScriptRendering) {
    int w = 0, h = 0;
    const Bytes picture = render_script(kScripts + "utility/checker.fxs", w, h);
    ASSERT_FALSE(picture.empty());
    for (size_t i = 0; i < picture.size(); i += 4) ASSERT_TRUE(picture[i] == 0 || picture[i] == 255);
    const auto grey = [&](int x, int y) { return picture[(size_t(y % h) * size_t(w) + size_t(x % w)) * 4]; };
    for (int S : {20, 60}) {
        SCOPED_TRACE(S);
        PTE_SetSize(S);
        PTE_SetRandomSeed(2024);
        st().brush.drawingCountdown = 0;
        tool_with_grit(kScripts + "utility/checker.fxs");
        expect_patterns_cut_from(Lcg{2024}, S, 600, 600, grey);
        EXPECT_EQ(st().brush.drawingCountdown, 7);
    }
}

// A broken script is not a picture file either: the patterns stay, and
// as a tip it gives the disc.
TEST_F(PictureTipTest, BrokenScriptsLeaveGritAndGiveTheDisc) {
    std::ifstream in(kScripts + "grit/sand.fxs", std::ios::binary);
    const Bytes whole((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(whole.size(), 70u);
    const Bytes bytes(whole.begin(), whole.end() - 3);  // the last value cut short
    const std::string broken = path("broken.fxs");
    std::ofstream(broken, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    PTE_SetSize(10);
    for (auto& p : st().brush.tipBuffers) p.fill_bytes(5);
    tool_with_grit(broken);
    EXPECT_EQ(st().brush.tipBuffers[7][33], 5);
    shape(broken, 0);
    EXPECT_TRUE(disc_drawn(10));
}

TEST(TilePicture, RepeatsFromTheTopLeft) {
    const Bytes pic = {1, 2, 3, 4, 5, 6};  // 3 x 2, one byte a pixel
    Bytes canvas(7 * 5, 0);
    brush::tile_picture(pic.data(), 3, 2, 1, canvas.data(), 7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(canvas[size_t(y) * 7 + size_t(x)], pic[size_t(y % 2) * 3 + size_t(x % 3)]);
}

}  // namespace
