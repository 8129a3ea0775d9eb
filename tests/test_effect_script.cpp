// The effect-script module: the script's life and the numbered effects.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <vector>

#include "platform/imglib/effect_script.h"
#include "platform/imglib/generator_layer.h"
#include "platform/imglib/script_effects.h"
#include "support/reference_blend.h"

namespace {

using namespace imglib;
using Bytes = std::vector<uint8_t>;
using Values = std::map<int32_t, int32_t>;

// A w x h picture whose every pixel is distinct and opaque.
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

// Runs one effect with the given values over the picture; the module's
// result.
bool run(Bytes& p, int w, int h, int32_t effect, const Values& values = {}) {
    if (!ISL_Initialize()) return false;
    bool ok = ISL_AddEffect(effect, 1) != 0;
    for (auto [k, v] : values) ok = ok && ISL_SetEffectValue(0, k, v);
    ok = ok && ISL_ExecuteScriptOnImage(p.data(), uint32_t(w), uint32_t(h));
    ISL_Finish();
    return ok;
}

bool rotate(Bytes& p, int w, int h, int degrees, int percent = 100) {
    return run(p, w, h, kEffectRotate, {{kRotateAngleValue, degrees}, {kRotateScaleValue, percent}});
}

// The effect numbers the catalogue uses.
const int32_t kCatalogueEffects[] = {1,  2,  3,  4,  5,  6,  11, 13, 16, 17, 18, 19, 20, 21, 22, 23, 24,
                                     25, 26, 27, 28, 37, 39, 42, 43, 49, 50, 51, 52, 54, 55, 56, 58, 59};

TEST(EffectScript, CallsNeedAStartedScriptAndKnownEffects) {
    Bytes p = numbered(4, 4);
    const Bytes before = p;
    EXPECT_EQ(ISL_AddEffect(kEffectRotate, 1), 0);  // not started
    EXPECT_EQ(ISL_ExecuteScriptOnImage(p.data(), 4, 4), 0);
    ASSERT_EQ(ISL_Initialize(), 1);
    for (int32_t unknown : {0, 7, 10, 60, -1, INT32_MAX}) EXPECT_EQ(ISL_AddEffect(unknown, 1), 0) << unknown;
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
    ASSERT_EQ(ISL_Initialize(), 1);
    for (int32_t i = 0; i < kMaxScriptEffects; ++i) ASSERT_EQ(ISL_AddEffect(kEffectRotate, 0), 1);
    EXPECT_EQ(ISL_AddEffect(kEffectRotate, 1), 0);  // full
    ISL_Finish();
}

TEST(EffectScript, EveryCatalogueEffectIsKnownAndRuns) {
    constexpr int w = 24, h = 18;
    for (int32_t e : kCatalogueEffects) {
        SCOPED_TRACE(e);
        ASSERT_NE(detail::find_effect(e), nullptr);
        Bytes p = numbered(w, h);
        EXPECT_TRUE(run(p, w, h, e));
    }
}

// A switched-off effect stays in the list and does nothing.
TEST(EffectScript, SwitchedOffEffectsDoNotRun) {
    Bytes p = numbered(6, 6);
    const Bytes before = p;
    ASSERT_EQ(ISL_Initialize(), 1);
    ASSERT_EQ(ISL_AddEffect(kEffectRotate, 0), 1);
    ASSERT_EQ(ISL_SetEffectValue(0, kRotateAngleValue, 90), 1);
    ASSERT_EQ(ISL_ExecuteScriptOnImage(p.data(), 6, 6), 1);
    ISL_Finish();
    EXPECT_EQ(p, before);
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
    Bytes p(size_t(w) * h * 4, 200);
    ASSERT_TRUE(rotate(p, w, h, 90));
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
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.values[kRotateAngleValue], 360);
    EXPECT_EQ(r.values[kRotateScaleValue], 100);
}

// --- Geometric effects ---

// Settings that move nothing give the picture back byte for byte.
TEST(GeometricEffects, NeutralSettingsChangeNothing) {
    constexpr int w = 17, h = 13;
    const std::vector<std::pair<int32_t, Values>> neutral = {
        {6, {{3, 0}}},
        {13, {{5, 0}, {6, 0}}},
        {13, {{3, 0}, {4, 0}}},
        {16, {{3, 0}}},
        {16, {{4, 0}}},
        {17, {{3, 1}, {4, 1}}},
        {17, {{3, 0}, {4, 0}}},
        {18, {{3, 0}, {4, 0}}},
        {18, {{3, w}, {4, h}}},
        {39, {{5, 0}}},
        {49, {{5, 0}}},
        {50, {{3, 100}, {4, 0}, {5, 0}}},
        {51, {{3, 0}}},
        {52, {{3, 0}}},
        {54, {{3, 0}, {4, 0}}},
    };
    const Bytes src = numbered(w, h);
    for (const auto& [effect, values] : neutral) {
        SCOPED_TRACE(effect);
        Bytes p = src;
        ASSERT_TRUE(run(p, w, h, effect, values));
        EXPECT_EQ(p, src);
    }
}

// Geometric effects move all four bytes of a pixel alike: run over a
// picture whose alpha equals its first byte, they keep them equal. This
// is what lets a caller move alpha with colour by running them twice.
TEST(GeometricEffects, AllFourChannelsMoveAlike) {
    constexpr int w = 31, h = 23;
    Bytes src = numbered(w, h);
    for (size_t i = 0; i < src.size(); i += 4) src[i + 3] = src[i];
    const std::vector<std::pair<int32_t, Values>> moving = {
        {6, {{3, 200}, {4, 80}, {5, 60}}},  {6, {{3, -90}, {4, 30}, {5, 30}, {7, 1}}},
        {13, {{3, 9}, {4, 7}, {5, 3}, {6, 2}, {9, 1}}}, {16, {{3, 35}, {4, 9}, {6, 40}}},
        {17, {{3, 3}, {4, 2}}}, {18, {{3, 7}, {4, 5}}}, {39, {{3, 5}, {4, 12}, {5, 3}}},
        {49, {{3, 15}, {4, 11}, {5, 3}, {6, 10}}}, {50, {{3, 170}, {4, 100}, {7, 1}}},
        {51, {{3, 33}, {4, 80}}}, {52, {{3, 6}}}, {54, {{3, 9}, {4, -5}}},
    };
    for (const auto& [effect, values] : moving) {
        SCOPED_TRACE(effect);
        Bytes p = src;
        ASSERT_TRUE(run(p, w, h, effect, values));
        EXPECT_NE(p, src);
        for (size_t i = 0; i < p.size(); i += 4) ASSERT_EQ(p[i + 3], p[i]) << i / 4;
    }
}

// Divider 2 x 1: each half is the picture squeezed to half its width, so
// pixel x of the left half lies between source pixels 2x and 2x + 1.
TEST(GeometricEffects, DividerShrinksThePictureIntoEveryCell) {
    constexpr int w = 20, h = 3;
    Bytes src(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) src[(size_t(y) * w + x) * 4 + c] = uint8_t(x * 12);
    Bytes p = src;
    ASSERT_TRUE(run(p, w, h, 17, {{3, 2}, {4, 1}}));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x) {
            const double want = (2 * x + 0.5) * 12;
            EXPECT_NEAR(at(p, w, x, y)[0], want, 1.0) << x;
            EXPECT_EQ(at(p, w, x + w / 2, y)[0], at(p, w, x, y)[0]) << x;
        }
}

// Carpet: tile 4 of 12 columns sits in the middle (columns 4..7); its
// neighbours on either side are that tile mirrored.
TEST(GeometricEffects, CarpetMirrorsTheMiddleTile) {
    constexpr int w = 12, h = 2;
    const Bytes src = numbered(w, h);
    Bytes p = src;
    ASSERT_TRUE(run(p, w, h, 18, {{3, 4}, {4, 0}}));
    const int from[w] = {7, 6, 5, 4, 4, 5, 6, 7, 7, 6, 5, 4};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) ASSERT_EQ(at(p, w, x, y)[c], at(src, w, from[x], y)[c]) << x;
}

// Kaleidoscope with two mirror pairs about the middle: four quarter wedges,
// the first (right and down of the centre) kept, the others its mirrors, so
// the result is symmetric across both axes through the centre.
TEST(GeometricEffects, KaleidoscopeMirrorsIntoWedges) {
    constexpr int w = 21, h = 21, c = 10;
    const Bytes src = numbered(w, h);
    Bytes p = src;
    ASSERT_TRUE(run(p, w, h, 49, {{3, c}, {4, c}, {5, 2}, {6, 0}}));
    for (int dy = 0; dy <= c; ++dy)
        for (int dx = 0; dx <= c; ++dx) {
            for (int k = 0; k < 4; ++k) {
                ASSERT_EQ(at(p, w, c + dx, c + dy)[k], at(src, w, c + dx, c + dy)[k]) << dx << "," << dy;
                ASSERT_NEAR(at(p, w, c - dx, c + dy)[k], at(p, w, c + dx, c + dy)[k], 1) << dx << "," << dy;
                ASSERT_NEAR(at(p, w, c + dx, c - dy)[k], at(p, w, c + dx, c + dy)[k], 1) << dx << "," << dy;
                ASSERT_NEAR(at(p, w, c - dx, c - dy)[k], at(p, w, c + dx, c + dy)[k], 1) << dx << "," << dy;
            }
        }
}

// Tilt by the picture's height slides row y by y - cy whole pixels,
// wrapping around.
TEST(GeometricEffects, TiltSlidesRowsAndWraps) {
    constexpr int w = 9, h = 7, cy = 3;
    const Bytes src = numbered(w, h);
    Bytes p = src;
    ASSERT_TRUE(run(p, w, h, 54, {{3, h}, {4, 0}}));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = (((x + (y - cy)) % w) + w) % w;
            for (int c = 0; c < 4; ++c) ASSERT_EQ(at(p, w, x, y)[c], at(src, w, sx, y)[c]) << x << "," << y;
        }
}

// Seamless: the edge columns become the columns that met in the middle,
// and beyond the band nothing changes.
TEST(GeometricEffects, SeamlessJoinsOppositeEdges) {
    constexpr int w = 16, h = 16, band = 4;
    Bytes src(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) src[(size_t(y) * w + x) * 4 + c] = uint8_t(x * 15 + c);
    Bytes p = src;
    ASSERT_TRUE(run(p, w, h, 52, {{3, band}}));
    for (int y = 0; y < h; ++y) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(at(p, w, 0, y)[c], at(src, w, w / 2, y)[c]);
            EXPECT_EQ(at(p, w, w - 1, y)[c], at(src, w, w / 2 - 1, y)[c]);
            for (int x = band; x < w - band; ++x) EXPECT_EQ(at(p, w, x, y)[c], at(src, w, x, y)[c]) << x;
        }
        // Half way into the band, half of each.
        EXPECT_NEAR(at(p, w, 2, y)[0], (at(src, w, 2, y)[0] + at(src, w, 10, y)[0]) / 2.0, 1.0);
    }
}

TEST(GeometricEffects, TwirlTurnsTheMiddleMostAndLeavesTheCorners) {
    constexpr int w = 41, h = 41, c = 20;
    const Bytes src = numbered(w, h);
    Bytes p = src;
    ASSERT_TRUE(run(p, w, h, 6, {{3, 90}, {4, 100}, {5, 100}}));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(at(p, w, 0, 0)[k], at(src, w, 0, 0)[k]);          // outside the ellipse
        EXPECT_EQ(at(p, w, c, c)[k], at(src, w, c, c)[k]);          // the centre
    }
    // Near the centre the turn is close to 90 degrees counter-clockwise as
    // seen: the pixel one below the centre comes to its right.
    EXPECT_NEAR(at(p, w, c + 1, c)[0], at(src, w, c, c + 1)[0], 6);
    EXPECT_NEAR(at(p, w, c + 1, c)[1], at(src, w, c, c + 1)[1], 6);
}

// --- Generators ---

// Generators draw from their seed alone: the same seed gives the same
// picture, another seed another.
TEST(Generators, TheSeedDecides) {
    constexpr int w = 40, h = 30;
    const std::vector<std::pair<int32_t, Values>> seeded = {
        {1, {{4, 20}, {5, 15}, {15, 1}}}, {2, {{4, 10}, {5, 5}}}, {3, {{4, 10}, {5, 6}, {6, 4}, {16, 1}}}, {4, {{4, 3}, {7, 20}}},
        {5, {{4, 200}}}, {11, {{4, 30}}}, {20, {{4, 5}, {5, 6}}}, {21, {{4, 50}}}, {37, {{4, 4}, {5, 40}}},
        {43, {{4, 50}, {13, 1}}}, {55, {}}, {56, {{4, 10}, {5, 20}}}, {58, {{4, 2}, {5, 10}}},
        {59, {{4, 30}, {5, 20}}}, {39, {{4, 20}, {5, 4}}},
    };
    const Bytes src = numbered(w, h);
    for (const auto& [effect, values] : seeded) {
        SCOPED_TRACE(effect);
        Values a = values, b = values;
        a[3] = 1234;
        b[3] = 99;
        Bytes one = src, two = src, other = src;
        ASSERT_TRUE(run(one, w, h, effect, a));
        ASSERT_TRUE(run(two, w, h, effect, a));
        ASSERT_TRUE(run(other, w, h, effect, b));
        EXPECT_EQ(one, two);
        EXPECT_NE(one, other);
        EXPECT_NE(one, src);
    }
}

TEST(Generators, NothingToDrawChangesNothing) {
    constexpr int w = 20, h = 10;
    const Bytes src = numbered(w, h);
    for (int32_t effect : {1, 2, 3, 4, 20, 37, 43, 56, 58}) {
        Bytes p = src;
        ASSERT_TRUE(run(p, w, h, effect, {{4, 0}})) << effect;
        EXPECT_EQ(p, src) << effect;
    }
    Bytes p = src;
    ASSERT_TRUE(run(p, w, h, 21, {{4, 0}}));  // no grains
    EXPECT_EQ(p, src);
}

TEST(Generators, ScriptModesNameTheEngineModes) {
    using detail::engine_mode_of_script_mode;
    EXPECT_EQ(engine_mode_of_script_mode(12), 0);
    for (int32_t m = 0; m <= 11; ++m) EXPECT_EQ(engine_mode_of_script_mode(m), m + 1);
    for (int32_t m = 13; m <= 40; ++m) EXPECT_EQ(engine_mode_of_script_mode(m), m);
    for (int32_t m : {-1, 41, INT32_MIN, INT32_MAX}) EXPECT_EQ(engine_mode_of_script_mode(m), 0);
}

// A grain at full density and no variation covers every pixel whole; laid
// in a mode it must match the blend step's own rule for that mode, pixel by
// pixel, with the picture widened to 16 bits (colour * 256, alpha * 257)
// and narrowed back by the high byte.
TEST(Generators, LayersBlendThroughTheBlendStep) {
    constexpr int w = 16, h = 9;
    Bytes src = numbered(w, h);
    for (size_t i = 3; i < src.size(); i += 16) src[i] = uint8_t(i % 251);  // some translucent pixels
    const uint8_t red = 200, green = 90, blue = 30;
    for (int32_t scriptMode : {12, 0, 1, 7, 9, 10, 15, 16}) {
        SCOPED_TRACE(scriptMode);
        Bytes p = src;
        ASSERT_TRUE(run(p, w, h, 21, {{4, 100}, {5, 1}, {6, 0}, {7, red}, {8, green}, {9, blue}, {13, scriptMode}}));
        const int engineMode = detail::engine_mode_of_script_mode(scriptMode);
        // The picture is blue, green, red; the colour lands in that order.
        const uint16_t top[4] = {uint16_t(blue << 8), uint16_t(green << 8), uint16_t(red << 8), 65535};
        for (size_t i = 0; i < p.size(); i += 4) {
            uint16_t below[4] = {uint16_t(src[i] << 8), uint16_t(src[i + 1] << 8), uint16_t(src[i + 2] << 8),
                                 uint16_t(src[i + 3] * 257)};
            ref::blend(below, top, nullptr, engineMode, 256, false);
            for (int c = 0; c < 4; ++c) ASSERT_NEAR(p[i + size_t(c)], below[c] >> 8, 1) << i / 4 << " channel " << c;
        }
    }
}

// The shape layer's coverage: a disc is whole within its radius, empty a
// pixel beyond it, and a capsule's edge follows the distance to its
// segment over one pixel.
TEST(Generators, ShapesCoverByTheirDistance) {
    constexpr int w = 30, h = 20;
    detail::ShapeLayer layer;
    ASSERT_TRUE(layer.allocate(w, h));
    layer.disc(10, 10, 5, false);
    layer.commit(detail::Colour::of(255, 255, 255), 1.0f);
    layer.capsule(18, 4, 27, 4, 2.0f);
    layer.commit(detail::Colour::of(255, 255, 255), 0.5f);
    Bytes p(size_t(w) * h * 4, 0);
    detail::Bgra picture{p.data(), w, h};
    layer.blend_over(picture, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - 10.0, y - 10.0);
            const uint8_t a = at(p, w, x, y)[3];
            if (d <= 4.5) {
                ASSERT_EQ(a, 255) << x << "," << y;
            } else if (d >= 5.5 && x < 15) {
                ASSERT_EQ(a, 0) << x << "," << y;
            }
        }
    EXPECT_EQ(at(p, w, 10, 5)[3], 128);  // on the rim: half covered
    // Half opacity: 0.5 of 65535 in alpha, 32768 rounded, 128 as a byte,
    // along the segment; at the rim of radius 2, half of that.
    EXPECT_EQ(at(p, w, 22, 4)[3], 128);
    EXPECT_EQ(at(p, w, 22, 5)[3], 128);
    EXPECT_NEAR(at(p, w, 22, 6)[3], 64, 1);
    EXPECT_EQ(at(p, w, 22, 7)[3], 0);
    EXPECT_EQ(at(p, w, 22, 4)[0], 255);  // colour stays straight
}

// White is the colour when none is given, and the colour values reach the
// picture in its own byte order.
TEST(Generators, ColoursLandInThePicturesByteOrder) {
    constexpr int w = 12, h = 12;
    Bytes p(size_t(w) * h * 4, 0);
    ASSERT_TRUE(run(p, w, h, 2, {{4, 1}, {5, 40}}));  // one disc covering everything
    EXPECT_EQ(at(p, w, 6, 6)[0], 255);
    EXPECT_EQ(at(p, w, 6, 6)[3], 255);
    Bytes q(size_t(w) * h * 4, 0);
    ASSERT_TRUE(run(q, w, h, 2, {{4, 1}, {5, 40}, {8, 10}, {9, 20}, {10, 30}}));
    EXPECT_EQ(at(q, w, 6, 6)[0], 30);  // blue
    EXPECT_EQ(at(q, w, 6, 6)[1], 20);
    EXPECT_EQ(at(q, w, 6, 6)[2], 10);  // red
}

// Angles turn counter-clockwise as seen: a long line at 45 degrees rises
// to the right (y falls as x grows), at 135 degrees to the left, and at 0
// and 90 it lies along a row and a column.
TEST(Generators, LineAnglesAreCounterClockwiseAsSeen) {
    constexpr int w = 60, h = 60;
    auto spread = [&](int angle, double& covariance, int& columns, int& rows) {
        Bytes p(size_t(w) * h * 4, 0);
        EXPECT_TRUE(run(p, w, h, 1, {{3, 5}, {4, 1}, {5, 40}, {6, angle}, {7, 1}, {14, 12}}));
        std::vector<std::pair<int, int>> lit;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(p, w, x, y)[3] > 128) lit.push_back({x, y});
        double mx = 0, my = 0;
        for (auto [x, y] : lit) mx += x, my += y;
        mx /= double(lit.size());
        my /= double(lit.size());
        covariance = 0;
        int x0 = w, x1 = -1, y0 = h, y1 = -1;
        for (auto [x, y] : lit) {
            covariance += (x - mx) * (y - my);
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
        columns = x1 - x0 + 1;
        rows = y1 - y0 + 1;
    };
    double c = 0;
    int columns = 0, rows = 0;
    spread(45, c, columns, rows);
    EXPECT_LT(c, 0);
    spread(135, c, columns, rows);
    EXPECT_GT(c, 0);
    spread(0, c, columns, rows);
    EXPECT_LE(rows, 2);
    EXPECT_GT(columns, 20);
    spread(90, c, columns, rows);
    EXPECT_LE(columns, 2);
    EXPECT_GT(rows, 20);
}

// The checkerboard pattern at full contrast is black and white inside its
// cells and alternates from cell to cell.
TEST(Generators, CheckerboardCellsAlternate) {
    constexpr int w = 32, h = 32, cell = 8;
    Bytes p(size_t(w) * h * 4, 77);
    ASSERT_TRUE(run(p, w, h, 42, {{3, cell}, {4, cell}, {6, 0}, {11, 100}}));
    // Cells about the centre (15.5, 15.5): borders lie between pixels
    // 3|4, 11|12, 19|20 and 27|28.
    auto value = [&](int x, int y) { return at(p, w, x, y)[0]; };
    for (int y = 5; y < 27; y += 8)
        for (int x = 5; x < 27; x += 8) {
            const uint8_t v = value(x, y);
            EXPECT_TRUE(v == 0 || v == 255) << int(v);
            EXPECT_NE(value(x + 8, y), v);
            EXPECT_NE(value(x, y + 8), v);
            EXPECT_EQ(value(x + 2, y + 2), v);
        }
}

// --- Filters ---

TEST(FilterEffects, MaximumAndMinimumTakeTheSquaresExtremes) {
    constexpr int w = 11, h = 9, r = 2;
    const Bytes src = numbered(w, h);
    for (int32_t effect : {25, 26}) {
        Bytes p = src;
        ASSERT_TRUE(run(p, w, h, effect, {{3, r}}));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) {
                    int best = effect == 25 ? 0 : 255;
                    for (int dy = -r; dy <= r; ++dy)
                        for (int dx = -r; dx <= r; ++dx) {
                            const int v = at(src, w, std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1))[c];
                            best = effect == 25 ? std::max(best, v) : std::min(best, v);
                        }
                    ASSERT_EQ(at(p, w, x, y)[c], best) << effect << " " << x << "," << y;
                }
    }
}

// Flat pictures: no edges, and relief lit from above shows flat ground.
TEST(FilterEffects, FlatPicturesHaveNoEdgesAndFlatRelief) {
    constexpr int w = 8, h = 6;
    const Bytes flat(size_t(w) * h * 4, 120);
    Bytes p = flat;
    ASSERT_TRUE(run(p, w, h, 19, {{3, 0}, {4, 0}, {5, 0}}));
    for (size_t i = 0; i < p.size(); ++i) ASSERT_EQ(p[i], i % 4 == 3 ? 120 : 0);
    p = flat;
    ASSERT_TRUE(run(p, w, h, 23, {{3, 100}, {4, 45}, {5, 30}, {7, 0}}));
    for (size_t i = 0; i < p.size(); ++i) ASSERT_EQ(p[i], i % 4 == 3 ? 120 : 128);  // 255 * sin 30, rounded
    p = flat;
    ASSERT_TRUE(run(p, w, h, 27, {{3, 100}, {4, 3}, {5, 0}}));
    EXPECT_EQ(p, flat);
}

// Colorize keeps each pixel's lightness: black stays black, white white,
// and a mid grey takes the colour's hue at its own lightness.
TEST(FilterEffects, ColorizeKeepsLightness) {
    Bytes p = {0, 0, 0, 9, 255, 255, 255, 8, 127, 127, 127, 7};
    ASSERT_TRUE(run(p, 3, 1, 28, {{3, 255}, {4, 0}, {5, 0}}));
    const Bytes want = {0, 0, 0, 9, 255, 255, 255, 8, 0, 0, 254, 7};  // blue, green, red, alpha
    EXPECT_EQ(p, want);
}

// Any value, however wild, ends in bounded time without touching memory
// outside the picture.
TEST(EffectScript, WildValuesStayInBounds) {
    constexpr int w = 13, h = 7;
    const int32_t wild[] = {INT32_MIN, -1, 0, 1, 255, 100000, INT32_MAX};
    const Bytes src = numbered(w, h);
    for (int32_t e : kCatalogueEffects)
        for (int32_t v : wild) {
            SCOPED_TRACE(testing::Message() << e << " " << v);
            Values all;
            for (int32_t k = 3; k < 20; ++k) all[k] = v;
            Bytes p(src.size() + 16, 0xAB);
            std::copy(src.begin(), src.end(), p.begin());
            run(p, w, h, e, all);
            for (size_t i = src.size(); i < p.size(); ++i) ASSERT_EQ(p[i], 0xAB);
        }
}

}  // namespace
