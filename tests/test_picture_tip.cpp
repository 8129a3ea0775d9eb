// Tips and grit patterns made from picture files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "brush/picture_tip.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using GreyAt = std::function<uint8_t(int, int)>;
constexpr int32_t kTip = 64;

// The engine's generator, written out again: state * 214013 + 2531011,
// result (state >> 16) & 0x7FFF.
struct Lcg {
    uint32_t state;
    int32_t next() {
        state = state * 214013u + 2531011u;
        return int32_t((state >> 16) & 0x7FFF);
    }
};

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
    static bool shape(const std::string& file, int32_t angle) {
        st().brush.tipAlpha.fill_bytes(0);
        return brush::build_picture_tip(st(), file.c_str(), angle, brush::PictureSources::ScriptsThenFiles);
    }

    TempDir files_{"tip"};
};

uint8_t ramp(int x, int y) { return uint8_t((x * 37 + y * 11) % 256); }

TEST_F(PictureTipTest, TipValuesAreTheGreyTimes256TimesTheStrength) {
    constexpr int S = 12;
    st().brush.brushSize = S;
    const std::string file = grey_png("ramp.png", S, S, ramp);
    for (float strength : {1.0f, 0.5f, 0.3f, 3.0f}) {
        SCOPED_TRACE(strength);
        st().brush.tipStrength = strength;
        st().brush.drawingCountdown = 0;
        ASSERT_TRUE(shape(file, 0));
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

// The picture turns by the angle, counter-clockwise as seen: pixel (x, y)
// of an S x S picture lands on (y, S - 1 - x).
TEST_F(PictureTipTest, ThePictureTurnsByTheAngle) {
    constexpr int S = 10;
    st().brush.brushSize = S;
    ASSERT_TRUE(shape(grey_png("ramp.png", S, S, ramp), 90));
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) ASSERT_EQ(tip(y, S - 1 - x), ramp(x, y) * 256) << x << "," << y;
}

TEST_F(PictureTipTest, TheCacheSkipsTheFileOnlyForTheSamePathAndAngle) {
    constexpr int S = 6;
    st().brush.brushSize = S;
    const std::string file = grey_png("shape.png", S, S, [](int, int) { return uint8_t(10); });
    ASSERT_TRUE(shape(file, 0));
    grey_png("shape.png", S, S, [](int, int) { return uint8_t(20); });  // replaced on disc
    st().brush.tipStrength = 0.5f;
    ASSERT_TRUE(shape(file, 0));
    EXPECT_EQ(tip(2, 2), 10 * 128);  // the cached picture, the new strength
    ASSERT_TRUE(shape(file, 180));   // a new angle reads the file again
    EXPECT_EQ(tip(2, 2), 20 * 128);
    fs::remove(file);
    ASSERT_TRUE(shape(file, 180));  // cached: the file is not needed
    EXPECT_EQ(tip(3, 3), 20 * 128);
    EXPECT_FALSE(shape(file, 0));  // gone: no picture, the caller draws the disc
    EXPECT_FALSE(st().brush.shapeCache.picture);
}

TEST_F(PictureTipTest, LargerPicturesAreAveragedDown) {
    constexpr int S = 8;
    st().brush.brushSize = S;
    // Uniform 3 x 3 blocks: averaging down by three keeps each block's level.
    const auto blocks = [](int x, int y) { return uint8_t((x / 3) * 20 + (y / 3) * 3); };
    ASSERT_TRUE(shape(grey_png("big.png", 3 * S, 3 * S, blocks), 0));
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) ASSERT_EQ(tip(x, y), blocks(3 * x, 3 * y) * 256);
}

TEST_F(PictureTipTest, NoPictureNoTip) {
    st().brush.brushSize = 8;
    st().brush.drawingCountdown = 3;
    EXPECT_FALSE(shape(path("missing.png"), 0));
    ASSERT_TRUE(std::ofstream(path("junk.png")) << "junk");
    EXPECT_FALSE(shape(path("junk.png"), 0));
    EXPECT_EQ(st().brush.drawingCountdown, 3);
    st().brush.brushSize = 0;
    EXPECT_FALSE(shape(grey_png("one.png", 4, 4, ramp), 0));
}

TEST_F(PictureTipTest, PathsTooLongToKeepAreReadEveryTime) {
    st().brush.brushSize = 4;
    std::string deep = files_.dir().string();
    while (deep.size() < brush::kShapePathCapacity + 50) deep += "/dddddddddddddddddddddddddddddddddddddddd";
    fs::create_directories(deep);
    const std::string file = deep + "/p.png";
    Bytes p(4 * 4 * 4, 90);
    ASSERT_NE(PTE_WriteToFileRGBA32(p.data(), 4, 4, file.c_str(), ".png", 72), 0);
    ASSERT_TRUE(shape(file, 0));
    EXPECT_STREQ(st().brush.shapeCache.path, "");
    fs::remove(file);
    EXPECT_FALSE(shape(file, 0));
}

// The patterns, as the engine must cut them: for each, two draws (x
// first) give the piece's corner in a grey image of gw x gh.
void expect_patterns_cut_from(uint32_t seed, int S, int gw, int gh, const GreyAt& grey) {
    const brush::BrushState& b = engine::state().brush;
    Lcg lcg{seed};
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
        st().brush.brushSize = S;
        st().brush.random.seed(4321);
        st().brush.drawingCountdown = 0;
        ASSERT_TRUE(brush::build_grit_from_picture(st(), file.c_str()));
        expect_patterns_cut_from(4321, S, 120, 90, grey);
    }
}

TEST_F(PictureTipTest, SmallGritPicturesAreTiledToAPiece) {
    const auto grey = [](int x, int y) { return uint8_t(x * 8 + y); };
    const std::string file = grey_png("small.png", 30, 20, grey);
    st().brush.brushSize = 20;  // a piece and its offsets need 46 a side
    st().brush.random.seed(99);
    ASSERT_TRUE(brush::build_grit_from_picture(st(), file.c_str()));
    expect_patterns_cut_from(99, 20, 46, 46, [&](int x, int y) { return grey(x % 30, y % 20); });

    const std::string dot = grey_png("dot.png", 1, 1, [](int, int) { return uint8_t(77); });
    st().brush.brushSize = kTip;
    ASSERT_TRUE(brush::build_grit_from_picture(st(), dot.c_str()));
    EXPECT_EQ(st().brush.tipBuffers[3][size_t(kTip + 24) * kTip + 10], 77);
}

TEST_F(PictureTipTest, GritFromNoPictureLeavesThePatterns) {
    st().brush.brushSize = 10;
    for (auto& p : st().brush.tipBuffers) p.fill_bytes(5);
    st().brush.drawingCountdown = 2;
    const uint32_t before = st().brush.random.state;
    EXPECT_FALSE(brush::build_grit_from_picture(st(), path("missing.png").c_str()));
    EXPECT_FALSE(brush::build_grit_from_picture(st(), nullptr));
    EXPECT_EQ(st().brush.tipBuffers[0][0], 5);
    EXPECT_EQ(st().brush.drawingCountdown, 2);
    EXPECT_EQ(st().brush.random.state, before);
}

TEST(TilePicture, RepeatsFromTheTopLeft) {
    const Bytes pic = {1, 2, 3, 4, 5, 6};  // 3 x 2, one byte a pixel
    Bytes canvas(7 * 5, 0);
    brush::tile_picture(pic.data(), 3, 2, 1, canvas.data(), 7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(canvas[size_t(y) * 7 + size_t(x)], pic[size_t(y % 2) * 3 + size_t(x % 3)]);
}

}  // namespace
