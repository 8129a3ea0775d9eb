// The effect-script module: the script's life and the rotation effect.
#include <gtest/gtest.h>

#include <vector>

#include "platform/imglib/effect_script.h"

namespace {

using namespace imglib;
using Bytes = std::vector<uint8_t>;

// A w x h RGBA32 picture whose every pixel is distinct and opaque.
Bytes numbered(int w, int h) {
    Bytes p(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* q = &p[(size_t(y) * w + size_t(x)) * 4];
            q[0] = uint8_t(x * 10 + 5);
            q[1] = uint8_t(y * 10 + 5);
            q[2] = uint8_t(x * y);
            q[3] = 255;
        }
    return p;
}

const uint8_t* at(const Bytes& p, int w, int x, int y) { return &p[(size_t(y) * w + size_t(x)) * 4]; }

// Runs one rotation of `degrees` (and optionally a scale) over the picture.
bool rotate(Bytes& p, int w, int h, int degrees, int percent = 100) {
    if (!ISL_Initialize()) return false;
    const bool ok = ISL_AddEffect(kEffectRotate, 1) && ISL_SetEffectValue(0, kRotateAngleValue, degrees) &&
                    ISL_SetEffectValue(0, kRotateScaleValue, percent) &&
                    ISL_ExecuteScriptOnImage(p.data(), uint32_t(w), uint32_t(h));
    ISL_Finish();
    return ok;
}

TEST(EffectScript, CallsNeedAStartedScriptAndKnownEffects) {
    Bytes p = numbered(4, 4);
    const Bytes before = p;
    EXPECT_EQ(ISL_AddEffect(kEffectRotate, 1), 0);  // not started
    EXPECT_EQ(ISL_ExecuteScriptOnImage(p.data(), 4, 4), 0);
    ASSERT_EQ(ISL_Initialize(), 1);
    EXPECT_EQ(ISL_AddEffect(50, 1), 0);
    EXPECT_EQ(ISL_SetEffectValue(0, 3, 90), 0);  // no effect yet
    ASSERT_EQ(ISL_AddEffect(kEffectRotate, 1), 1);
    EXPECT_EQ(ISL_SetEffectValue(1, 3, 90), 0);
    EXPECT_EQ(ISL_SetEffectValue(0, kEffectValueCount, 90), 0);
    EXPECT_EQ(ISL_SetEffectValue(0, -1, 90), 0);
    EXPECT_EQ(ISL_ExecuteScriptOnImage(nullptr, 4, 4), 0);
    EXPECT_EQ(ISL_ExecuteScriptOnImage(p.data(), 0, 4), 0);
    EXPECT_EQ(ISL_Finish(), 1);
    EXPECT_EQ(ISL_Finish(), 0);
    EXPECT_EQ(p, before);
}

TEST(EffectScript, ScriptFilesAreNotLoadedYet) {
    ASSERT_EQ(ISL_Initialize(), 1);
    EXPECT_EQ(ISL_LoadScriptFromFile("/etc/hostname"), 0);
    ISLScriptHeader header{};
    EXPECT_EQ(ISL_ReadScriptHeaderFromFile("/etc/hostname", &header), 0);
    uint8_t out[16] = {};
    EXPECT_EQ(ISL_ExecuteScript(out), 0);
    ISL_Finish();
}

// Pixel centres turn onto pixel centres for quarter and half turns, so
// these come out exact: counter-clockwise, pixel (x, y) of a w x w picture
// goes to (y, w - 1 - x).
TEST(EffectScript, QuarterTurnsAreExactAndCounterClockwise) {
    for (int w : {5, 6}) {
        SCOPED_TRACE(w);
        const Bytes src = numbered(w, w);
        Bytes p = src;
        ASSERT_TRUE(rotate(p, w, w, 90));
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) ASSERT_EQ(at(p, w, y, w - 1 - x)[c], at(src, w, x, y)[c]);
        p = src;
        ASSERT_TRUE(rotate(p, w, w, 180));
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) ASSERT_EQ(at(p, w, w - 1 - x, w - 1 - y)[c], at(src, w, x, y)[c]);
        for (int whole : {0, 360, -720}) {
            p = src;
            ASSERT_TRUE(rotate(p, w, w, whole));
            EXPECT_EQ(p, src);
        }
    }
}

TEST(EffectScript, TurnedPicturesKeepTheirSizeAndAreTransparentOutside) {
    constexpr int w = 9, h = 5;
    Bytes p(size_t(w) * h * 4, 200);  // opaque grey (alpha 200)
    ASSERT_TRUE(rotate(p, w, h, 90));
    // The 5 x 9 upright picture covers only the middle columns of 9 x 5.
    for (int y = 0; y < h; ++y) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(at(p, w, 0, y)[c], 0);
            EXPECT_EQ(at(p, w, w - 1, y)[c], 0);
            EXPECT_EQ(at(p, w, w / 2, y)[c], 200);
        }
    }
    const uint64_t runs = detail::last_script_run().runs;
    Bytes q(size_t(w) * h * 4, 200);
    EXPECT_FALSE(rotate(q, w, h, 30, 0));  // a scale of 0 cannot be turned
    EXPECT_EQ(q, Bytes(size_t(w) * h * 4, 200));
    EXPECT_EQ(detail::last_script_run().runs, runs);
}

TEST(EffectScript, TheLastRunIsRecorded) {
    Bytes p = numbered(3, 3);
    const uint64_t runs = detail::last_script_run().runs;
    ASSERT_TRUE(rotate(p, 3, 3, 360));
    const detail::ScriptRun r = detail::last_script_run();
    EXPECT_EQ(r.runs, runs + 1);
    EXPECT_EQ(r.effect, kEffectRotate);
    EXPECT_EQ(r.values[kRotateAngleValue], 360);
    EXPECT_EQ(r.values[kRotateScaleValue], 100);
}

}  // namespace
