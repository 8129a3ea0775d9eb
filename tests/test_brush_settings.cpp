// Brush settings: what each setter stores, at the edges of its range.
#include <cmath>
#include <cstring>
#include <string>

#include "support/engine_fixture.h"

namespace {

using BrushSettings = EngineTest;

TEST_F(BrushSettings, ColoursKeepTheLowByteAndAreOpaque) {
    PTE_SetColor(300, 255, -1);
    const uint16_t* c = st().brush.brushColor;
    EXPECT_EQ(c[0], 44 * 256);
    EXPECT_EQ(c[1], 65280);
    EXPECT_EQ(c[2], 65280);
    EXPECT_EQ(c[3], 65535);
    PTE_SetColor16(1, 65535, 256);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[1], 65535);
    PTE_SetColorBanks(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 256);
    EXPECT_EQ(st().brush.bankRed[3], 2560);
    EXPECT_EQ(st().brush.bankGreen[1], 1280);
    EXPECT_EQ(st().brush.bankBlue[3], 0);
    EXPECT_EQ(st().brush.bankAlpha[2], 65535);
}

TEST_F(BrushSettings, StrengthRestsAreKeptWhileOff) {
    PTE_SetBlendStrength(100);
    PTE_SetBlendStrength(0);
    EXPECT_EQ(st().brush.blendStrength, 0);
    EXPECT_EQ(st().brush.blendStrengthRest, 156);
    PTE_SetBlendPrimaryColorStrength(256);
    PTE_SetBlendPrimaryColorStrength(-5);
    EXPECT_EQ(st().brush.primaryStrengthRest, 0);
    PTE_SetDensity(0);
    EXPECT_EQ(st().brush.densityLimit, -1);
    PTE_SetDensity(INT32_MIN);
    EXPECT_EQ(st().brush.densityLimit, INT32_MAX) << "wraps as the 32-bit field does, without overflow";
}

TEST_F(BrushSettings, OpacityScaleTruncates) {
    struct Row {
        int32_t percent, scale;
    };
    for (auto [percent, scale] : {Row{100, 128}, Row{50, 64}, Row{33, 42}, Row{1, 1}, Row{0, 0}, Row{-10, -12}}) {
        PTE_SetAlpha(percent);
        EXPECT_EQ(st().brush.alphaScale, scale) << percent;
    }
}

TEST_F(BrushSettings, MixModeDerivesRestStepsAndShift) {
    struct Row {
        int32_t amount, rest, steps, shift;
    };
    for (auto [amount, rest, steps, shift] :
         {Row{200, 56, 5, 9}, Row{255, 1, 10, 16}, Row{127, 129, 0, 0}, Row{120, 136, 0, 0}, Row{134, 122, 0, 0},
          Row{119, 137, 0, -1}, Row{0, 256, -10, -16}, Row{256, 0, 10, 16}}) {
        PTE_SetMixMode(255, amount);
        EXPECT_EQ(st().brush.mixKind, 255);
        EXPECT_EQ(st().brush.mixAmountRest, rest) << amount;
        EXPECT_EQ(st().brush.mixSteps, steps) << amount;
        EXPECT_EQ(st().brush.mixShift, shift) << amount;
    }
}

TEST_F(BrushSettings, RotationUsesTheShortPi) {
    PTE_SetRotateBrushMode(2, 45);
    EXPECT_EQ(st().brush.rotateMode, 2);
    const long double r = 45.0L / 180.0L * 3.14159L;
    EXPECT_EQ(st().brush.rotateRadians, float(r));
    EXPECT_EQ(st().brush.rotateSin, float(std::sin(r)));
    EXPECT_EQ(st().brush.rotateCos, float(std::cos(double(float(r)))));
    EXPECT_NE(st().brush.rotateRadians, float(M_PI / 4)) << "3.14159, not pi";
}

TEST_F(BrushSettings, ScaleTableSamplesRunCentres) {
    PTE_SetSize(40);
    PTE_SetScaleSize(20);
    ASSERT_EQ(st().brush.sampleCount, 20);
    for (int k = 0; k < 20; ++k) EXPECT_EQ(st().brush.sampleOffsets[size_t(k)], 2 * k + 1) << k;
    PTE_SetScaleSize(0);
    EXPECT_EQ(st().brush.sampleCount, 1);
    EXPECT_EQ(st().brush.sampleOffsets[0], 20);
    PTE_SetScaleSize(100);
    EXPECT_EQ(st().brush.sampleCount, 40);
    for (int k = 0; k < 40; ++k) ASSERT_EQ(st().brush.sampleOffsets[size_t(k)], k);
    PTE_SetSize(2000);
    EXPECT_EQ(st().brush.brushSize, 1000) << "held to the sample table";
    PTE_SetScaleSize(5000);
    EXPECT_EQ(st().brush.sampleCount, 999);
    EXPECT_LT(st().brush.sampleOffsets[998], 1000);
    // Float steps accumulated over many samples stay inside the tip.
    for (int size : {997, 1000, 3, 999}) {
        PTE_SetSize(size);
        for (int n : {1, 2, 7, 333, 998, 999}) {
            PTE_SetScaleSize(n);
            const int32_t count = st().brush.sampleCount;
            for (int k = 0; k < count; ++k) {
                ASSERT_LT(st().brush.sampleOffsets[size_t(k)], size) << size << " " << n << " " << k;
                if (k > 0) {
                    ASSERT_GE(st().brush.sampleOffsets[size_t(k)], st().brush.sampleOffsets[size_t(k - 1)]);
                }
            }
        }
    }
    PTE_SetSize(-3);
    EXPECT_EQ(st().brush.brushSize, 0);
    PTE_SetScaleSize(5);
    EXPECT_EQ(st().brush.sampleCount, 0);
}

TEST_F(BrushSettings, StartFolderIgnoresPathsThatDoNotFit) {
    PTE_SetStartDir("C:\\paint");
    EXPECT_STREQ(st().brush.startDir, "C:\\paint");
    const std::string fits(1023, 'a'), too_long(1024, 'b');
    PTE_SetStartDir(too_long.c_str());
    EXPECT_STREQ(st().brush.startDir, "C:\\paint");
    PTE_SetStartDir(fits.c_str());
    EXPECT_EQ(std::strlen(st().brush.startDir), 1023u);
    PTE_SetStartDir(nullptr);
    EXPECT_EQ(std::strlen(st().brush.startDir), 1023u);
}

TEST_F(BrushSettings, VariationTablesAreBuiltOnceForOneSeed) {
    PTE_CreateImage(nullptr, 8, 8, 20, 0);
    PTE_SetRandomSeed(11);
    PTE_SetPixColorVary(5);
    const auto& t = st().brush.pixColorTable;
    ASSERT_EQ(t.length, 60);
    EXPECT_EQ(t.modulus, 1000);
    uint32_t g = 11;
    for (int i = 0; i < 60; ++i) {
        g = g * 214013u + 2531011u;
        ASSERT_EQ(t.data[size_t(i)], uint8_t(((g >> 16) & 0x7FFF) % 1000)) << i;
    }
    st().brush.random.seed(4242);
    PTE_SetPixColorVary(9);
    EXPECT_EQ(st().brush.random.state, 4242u) << "same modulus, length and seed: not rebuilt";
    PTE_SetPixLumVary(0);
    EXPECT_FALSE(st().brush.pixLumTable.data) << "off builds nothing";
    PTE_SetPixLumVary(3);
    EXPECT_EQ(st().brush.pixLumTable.modulus, 256);
}

TEST_F(BrushSettings, ToolSetUpStoresClearsAndReseeds) {
    make_image(8, 8, 0, 16);
    PTE_SetSize(8);
    PTE_SetRandomSeed(3);
    PTE_SetMixMode(250, 77);
    PTE_TempDisableBlend();
    PTE_SetMaskMakerOn();
    PTE_SetEraseModeOn();
    PTE_SetTool(0.75f, 0, 1, 2, 3, 4, 5, 60, 70, 1, 11, 1, 13, "g", "s", 30);
    const brush::BrushState& b = st().brush;
    EXPECT_EQ(b.tipStrength, 0.75f);
    EXPECT_EQ(b.tipSoftness, 3);
    EXPECT_EQ(b.colorVary, 4);
    EXPECT_EQ(b.drawingLength, 5);
    EXPECT_EQ(b.blendStrengthRest, 196);
    EXPECT_EQ(b.primaryStrengthRest, 186);
    EXPECT_EQ(b.blendRemix, 1);
    EXPECT_EQ(b.tipInvert, 1);
    EXPECT_EQ(b.shapeAngle, 30);
    EXPECT_EQ(b.mixKind, 32);
    EXPECT_EQ(b.mixAmount, 77) << "the amount stays";
    EXPECT_EQ(b.blendOffOnce + b.maskMakerOn + b.eraseModeOn, 0);
    EXPECT_EQ(b.random.state, 3u) << "seeded, and the disc draws nothing";
    PTE_DecDrawingLength();
    EXPECT_EQ(b.drawingCountdown, -1);
}

TEST_F(BrushSettings, PixelWritesStayInsideTheImage) {
    PTE_CreateImage(nullptr, 3, 2, 8, 0);
    uint8_t buffer[2][12] = {};
    PTE_SetPixelRGB24(&buffer[0][0], 12, 2, 1, 0xABCD, 0x00FF, 0xFF00);
    EXPECT_EQ(buffer[1][6], 0xAB);
    EXPECT_EQ(buffer[1][7], 0x00);
    EXPECT_EQ(buffer[1][8], 0xFF);
    for (auto [x, y] : {std::pair{3, 0}, {-1, 0}, {0, 2}, {0, -1}}) PTE_SetPixelRGB24(&buffer[0][0], 12, x, y, 65535, 65535, 65535);
    EXPECT_EQ(buffer[0][9], 0) << "x = imageWidth writes nothing, even where the buffer is wider";
    PTE_SetPixelRGB24(nullptr, 12, 0, 0, 1, 1, 1);
}

}  // namespace
