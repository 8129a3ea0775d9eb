// The catalogue's transforms, warps, geometric scripts, generators and
// script-file effects, and the pan, displacement and push beside them.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/effect_library.h"
#include "platform/imglib/effect_script.h"
#include "support/effect_settings.h"
#include "support/engine_fixture.h"

namespace {

constexpr int32_t W = 40, H = 30;

using effect_test::apply;
using effect_test::Settings;

const std::string kScripts = std::string(PAINTCORE_EXAMPLES) + "/scripts/";

class EffectGeometry : public EngineTest {
protected:
    // The background of W x H made of distinct pixels, opaque unless
    // `translucent` (then rows alternate alpha 255 and 130), current, with
    // the working buffers allocated.
    void make_picture(bool translucent = false) {
        make_image(W, H);
        std::vector<uint8_t> p(size_t(W) * H * 4);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                uint8_t* q = &p[(size_t(y) * W + size_t(x)) * 4];
                q[0] = uint8_t(x * 6 + 3);
                q[1] = uint8_t(y * 8 + 5);
                q[2] = uint8_t((x * 13 + y * 7) % 256);
                q[3] = translucent && y % 2 ? 130 : 255;
            }
        PTE_LoadRGBA32(p.data(), W * 4, 0);
        PTE_IPLInit();
        PTE_IPLAllocSrcBuffer32();
        PTE_IPLAllocDstBuffer32();
    }
    static std::vector<uint16_t> layer() {
        const auto& l = st().layers[1];
        return {l.pixels.data(), l.pixels.data() + l.pixels.size()};
    }
    // The high byte of channel c of pixel (x, y) of the background.
    static int byte_at(int32_t x, int32_t y, int c) { return px(1, x, y, c) >> 8; }
};

// Every transform, warp and geometric script at settings that move nothing
// gives the layer back to within one unit of its 8-bit values, translucent
// pixels included (they are premultiplied and divided out on the way).
TEST_F(EffectGeometry, NeutralSettingsKeepTheLayer) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int32_t>> p;  // settings changed from 500
    };
    const std::vector<Case> cases = {
        {"Elliptical", {{0, 0}}},      {"Lens", {{0, 0}}},           {"Offset", {}},
        {"Pinch", {{1, 0}}},           {"Ripple", {{2, 0}}},         {"Spin", {}},
        {"Spin Wave", {}},             {"Wave", {{0, 0}}},           {"Wow", {{0, 0}}},
        {"Zig Zag", {{0, 0}}},         {"Frosted Glass", {{0, 0}}},  {"Perspective", {}},
        {"Warp", {}},                  {"Stretch", {}},              {"Vertical Pivot", {{1, 0}, {3, 1000}}},
        {"Horizontal Pivot", {{1, 0}, {3, 1000}}},                   {"Skew", {}},
        {"Twirl", {}},                 {"Sine Distortion", {{2, 0}, {3, 0}}},
        {"Kaleidoscope", {{2, 0}}},    {"Waves", {{0, 0}}},          {"Divider", {{0, 10}, {1, 10}}},
        {"Carpet", {{0, 0}, {1, 0}}},  {"Glass", {{1, 0}}},          {"Rotate", {{1, 100}}},
        {"Tilt", {}},                  {"Seamless", {{0, 0}}},       {"Scratch", {{0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_engine();
        make_picture(true);
        const auto before = layer();
        Settings s;
        for (auto [k, v] : c.p) s.p[size_t(k)] = v;
        ASSERT_EQ(apply(c.name, s), 1);
        const auto after = layer();
        for (size_t i = 0; i < after.size(); ++i) ASSERT_NEAR(after[i] >> 8, before[i] >> 8, 1) << i / 4;
    }
}

// The tenth-value of a setting as the catalogue holds it, a 32-bit float.
double tenth(int32_t p) { return double(float(p) * 0.1f); }
// hk and wk of the warps: (int)(side * 0.01 * (50 - tk)).
int32_t inset(int32_t side, int32_t p) { return int32_t(side * 0.01 * (50 - tenth(p))); }

using Corners = std::array<std::pair<int32_t, int32_t>, 4>;

// The targets of the warps, corners bottom-left, top-left, top-right,
// bottom-right.
Corners target_of(const std::string& name, const std::array<int32_t, 4>& p) {
    const int32_t h1 = inset(H, p[0]), h2 = inset(H, p[1]), h3 = inset(H, p[2]), h4 = inset(H, p[3]);
    const int32_t w1 = inset(W, p[0]), w2 = inset(W, p[1]), w3 = inset(W, p[2]), w4 = inset(W, p[3]);
    if (name == "Perspective") return {{{w4, H - 1 - h1}, {w2, h1}, {W - 1 - w2, h3}, {W - 1 - w4, H - 1 - h3}}};
    if (name == "Warp") return {{{w1, H - 1 - h1}, {w2, h2}, {W - 1 - w3, h3}, {W - 1 - w4, H - 1 - h4}}};
    if (name == "Stretch") return {{{w1, H - 1 - h2}, {w1, h2}, {W - 1 - w1, h2}, {W - 1 - w1, H - 1 - h2}}};
    if (name == "Vertical Pivot") {
        const int32_t xl = int32_t(W * tenth(p[1]) * 0.01), xr = int32_t(W * (100 - tenth(p[3])) * 0.01);
        return {{{xl, H - 1 - h1}, {xl, h1}, {W - 1 - xr, h3}, {W - 1 - xr, H - 1 - h3}}};
    }
    if (name == "Horizontal Pivot") {
        const int32_t yt = int32_t(H * tenth(p[1]) * 0.01), yb = int32_t(H * (100 - tenth(p[3])) * 0.01);
        return {{{w3, H - 1 - yb}, {w1, yt}, {W - 1 - w1, yt}, {W - 1 - w3, H - 1 - yb}}};
    }
    return {{{-w4, H - 1 + h1}, {-w2, h1}, {W - 1 - w2, h3}, {W - 1 - w4, H - 1 + h3}}};  // "Skew"
}

// Corner pixels of the picture land on the corners of each warp's target:
// the marks are found exactly there (corners outside the picture aside).
TEST_F(EffectGeometry, WarpsMapTheCornersExactly) {
    const int32_t marks[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    const std::pair<int32_t, int32_t> from[4] = {{0, H - 1}, {0, 0}, {W - 1, 0}, {W - 1, H - 1}};
    const std::vector<std::pair<std::string, std::array<int32_t, 4>>> cases = {
        {"Perspective", {300, 400, 400, 450}}, {"Perspective", {500, 700, 600, 500}},
        {"Warp", {300, 400, 450, 200}},        {"Stretch", {300, 400, 500, 500}},
        {"Vertical Pivot", {300, 100, 400, 950}}, {"Horizontal Pivot", {300, 100, 400, 950}},
        {"Skew", {300, 400, 350, 500}},
    };
    for (const auto& [name, p] : cases) {
        SCOPED_TRACE(name);
        reset_engine();
        make_picture();
        for (int i = 0; i < 4; ++i)
            set_px(1, from[i].first, from[i].second, uint16_t(marks[i][0] << 8), uint16_t(marks[i][1] << 8),
                   uint16_t(marks[i][2] << 8), 65280);
        PTE_IPLAllocSrcBuffer32();
        Settings s;
        for (int k = 0; k < 4; ++k) s.p[size_t(k)] = p[size_t(k)];
        ASSERT_EQ(apply(name.c_str(), s), 1);
        const Corners to = target_of(name, p);
        int checked = 0;
        for (int i = 0; i < 4; ++i) {
            const auto [x, y] = to[size_t(i)];
            if (x < 0 || y < 0 || x >= W || y >= H) continue;
            ++checked;
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_EQ(byte_at(x, y, ch), marks[i][ch]) << "corner " << i << " at " << x << "," << y;
        }
        EXPECT_GE(checked, 1);
    }
}

// "Offset" with wrap moves every pixel by exactly (dx, dy):
// dx = (int)(W * t1 * 0.02 - W) = 8 and dy = (int)(H * t2 * 0.02 - H) = -6.
TEST_F(EffectGeometry, OffsetWithWrapMovesByExactlyTheOffset) {
    make_picture();
    const auto before = layer();
    Settings s;
    s.p[0] = 600;
    s.p[1] = 400;
    s.p[6] = 1;  // wrap
    ASSERT_EQ(apply("Offset", s), 1);
    const auto after = layer();
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const int32_t sx = (x - 8 + W) % W, sy = (y + 6) % H;
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(after[(size_t(y) * W + size_t(x)) * 4 + size_t(c)], before[(size_t(sy) * W + size_t(sx)) * 4 + size_t(c)])
                    << x << "," << y;
        }
}

// A geometric script moves alpha with colour: "Rotate" by 180 degrees
// turns a picture whose alpha varies exactly, colour and alpha together.
TEST_F(EffectGeometry, GeometricScriptsMoveAlphaWithColour) {
    make_picture(true);
    const auto before = layer();
    Settings s;
    s.p[0] = 750;  // (int)(75 * 7.2 - 360) = 180 degrees
    s.p[1] = 100;  // 100 %
    ASSERT_EQ(apply("Rotate", s), 1);
    const auto after = layer();
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const size_t a = (size_t(y) * W + size_t(x)) * 4, b = (size_t(H - 1 - y) * W + size_t(W - 1 - x)) * 4;
            ASSERT_EQ(after[a + 3], before[b + 3]) << x << "," << y;  // alpha moved exactly
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(after[a + size_t(c)] >> 8, before[b + size_t(c)] >> 8, 1) << x << "," << y;
        }
}

// ---- Generators ----

// What the script module received in the last run, kept by a stand-in
// that forwards to the real module.
struct Received {
    std::vector<std::pair<int32_t, int32_t>> values;
    int32_t effect = 0;
};
Received received;

imaging::EffectLibrary recording_scripts() {
    imaging::EffectLibrary l;
    l.ISL_AddEffect = [](int32_t number, int32_t enabled) {
        received = {};
        received.effect = number;
        return imglib::ISL_AddEffect(number, enabled);
    };
    l.ISL_SetEffectValue = [](int32_t index, int32_t parameter, int32_t value) {
        received.values.push_back({parameter, value});
        return imglib::ISL_SetEffectValue(index, parameter, value);
    };
    return l;
}

int32_t value_of(int32_t parameter) {
    for (auto [p, v] : received.values)
        if (p == parameter) return v;
    return INT32_MIN;
}

TEST_F(EffectGeometry, GeneratorsGetWhiteWithoutP7AndTheTranslatedMode) {
    const imaging::EffectLibrary library = recording_scripts();
    const imaging::EffectLibraryOverride use(library);
    struct Case {
        const char* name;
        int32_t effect, red, mode;  // value numbers of red and of the mode
    };
    const Case cases[] = {{"Lines", 1, 8, 14},   {"Points", 43, 6, 12},         {"Circles", 2, 8, 14},
                          {"Rectangles", 3, 8, 14}, {"Splines", 4, 9, 15},      {"Worms", 37, 8, 14},
                          {"Fibers", 59, 8, 16},  {"Trees", 58, 9, 15},          {"Generate Noise", 21, 7, 13},
                          {"Blobs", 20, 7, 13},   {"Plasma", 5, 5, 11},          {"Sine Plasma", 24, 7, 13},
                          {"Fractal Plasma", 55, 4, 10}, {"Generate Perlin Noise", 11, 6, 12}};
    // p8 in the engine's numbering and what the script must receive.
    const std::pair<int32_t, int32_t> modes[] = {{0, 12}, {1, 0}, {12, 11}, {13, 13}, {40, 40}, {-3, -3}};
    make_picture();
    for (const Case& c : cases)
        for (auto [p8, want] : modes) {
            SCOPED_TRACE(testing::Message() << c.name << " p8 " << p8);
            Settings s;
            s.p[0] = s.p[1] = 50;
            s.p[7] = p8;
            s.p[6] = 0;
            ASSERT_EQ(apply(c.name, s), 1);
            EXPECT_EQ(received.effect, c.effect);
            EXPECT_EQ(value_of(c.mode), want);
            EXPECT_EQ(value_of(c.red), 255);
            EXPECT_EQ(value_of(c.red + 1), 255);
            EXPECT_EQ(value_of(c.red + 2), 255);
            s.p[6] = 1;
            ASSERT_EQ(apply(c.name, s), 1);
            EXPECT_EQ(value_of(c.red), 200);
            EXPECT_EQ(value_of(c.red + 1), 60);
            EXPECT_EQ(value_of(c.red + 2), 40);
        }
    // "Pattern" draws in black and white: p7 is its kind, no colour.
    Settings s;
    s.p[6] = 4;
    s.p[7] = 1;
    ASSERT_EQ(apply("Pattern", s), 1);
    EXPECT_EQ(received.effect, 42);
    EXPECT_EQ(value_of(6), 4);
    EXPECT_EQ(value_of(10), 0);
    // Counts scale with the picture: u10000 = 1 and u1000 = 1 on 40 x 30.
    Settings lines;
    lines.p[0] = 700;
    ASSERT_EQ(apply("Lines", lines), 1);
    EXPECT_EQ(value_of(4), 70);
}

TEST_F(EffectGeometry, GeneratorsRepeatForASeed) {
    for (const char* name : {"Lines", "Circles", "Worms", "Plasma", "Generate Noise", "Trees", "Fractal Plasma"}) {
        SCOPED_TRACE(name);
        Settings s;
        s.p[0] = 300;
        s.p[1] = 100;
        s.seed = 77;
        reset_engine();
        make_picture();
        ASSERT_EQ(apply(name, s), 1);
        const auto first = layer();
        reset_engine();
        make_picture();
        const auto before = layer();
        ASSERT_EQ(apply(name, s), 1);
        EXPECT_EQ(layer(), first);
        EXPECT_NE(layer(), before);
        reset_engine();
        make_picture();
        s.seed = 78;
        ASSERT_EQ(apply(name, s), 1);
        EXPECT_NE(layer(), first);
    }
}

// ---- Script files ----

TEST_F(EffectGeometry, PatternExplorerRendersItsScriptOncePerPath) {
    const std::string a = kScripts + "other/bubbles.fxs", b = kScripts + "utility/checker.fxs";
    make_picture();
    Settings s;
    s.text = a.c_str();
    const uint64_t start = imglib::detail::script_renders();
    ASSERT_EQ(apply("Pattern Explorer", s), 1);
    EXPECT_EQ(imglib::detail::script_renders(), start + 1);
    const auto once = layer();
    s.p[3] = 600;  // other settings, the same script
    ASSERT_EQ(apply("Pattern Explorer", s), 1);
    EXPECT_EQ(imglib::detail::script_renders(), start + 1);
    const std::string copy = a;  // the same bytes at another address
    s.text = copy.c_str();
    ASSERT_EQ(apply("Pattern Explorer", s), 1);
    EXPECT_EQ(imglib::detail::script_renders(), start + 1);
    s.text = b.c_str();
    ASSERT_EQ(apply("Pattern Explorer", s), 1);
    EXPECT_EQ(imglib::detail::script_renders(), start + 2);
    s.text = a.c_str();
    ASSERT_EQ(apply("Pattern Explorer", s), 1);
    EXPECT_EQ(imglib::detail::script_renders(), start + 3);
    EXPECT_NE(once, std::vector<uint16_t>{});
    // A path that is no script changes nothing and keeps the cache.
    const auto kept = layer();
    s.text = "/nonexistent/pattern.fxs";
    ASSERT_EQ(apply("Pattern Explorer", s), 1);
    EXPECT_EQ(layer(), kept);
    EXPECT_EQ(st().patternCache.path, a);
}

// "Patternizer" at t6 = 50 shrinks the layer's copy to half of each side
// (never below 5), runs the chain on it and tiles it from the top-left: the
// layer repeats with exactly that period, and is opaque everywhere.
TEST_F(EffectGeometry, PatternizerTilesTheShrunkenChain) {
    for (auto [p6, tw, th] : {std::tuple{500, W / 2, H / 2}, {100, 5, 5}, {0, 5, 5}}) {
        SCOPED_TRACE(p6);
        reset_engine();
        make_picture(true);
        const auto before = layer();
        Settings s;
        s.p[5] = p6;
        s.seed = 12000;
        ASSERT_EQ(apply("Patternizer", s), 1);
        EXPECT_NE(layer(), before);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                ASSERT_EQ(byte_at(x, y, 3), 255) << x << "," << y;
                for (int c = 0; c < 3; ++c) {
                    if (x + tw < W) {
                        ASSERT_EQ(px(1, x, y, c), px(1, x + tw, y, c)) << x << "," << y;
                    }
                    if (y + th < H) {
                        ASSERT_EQ(px(1, x, y, c), px(1, x, y + th, c)) << x << "," << y;
                    }
                }
            }
    }
}

// "Backgrounds" at 100 % tile the script's picture from the top-left, in
// its own colours and opaque: the checkerboard's cells of 32 show black and
// white across the layer.
TEST_F(EffectGeometry, BackgroundsTileTheScriptsPicture) {
    make_picture(true);
    Settings s;
    s.p[0] = 1000;  // t1 = 100: the tile at its own size, 64 x 64
    const std::string checker = kScripts + "utility/checker.fxs";
    s.text = checker.c_str();
    ASSERT_EQ(apply("Backgrounds Utility", s), 1);
    // The checker's borders fall between pixels 15|16 and 47|48.
    EXPECT_EQ(byte_at(0, 0, 0), byte_at(15, 15, 0));
    EXPECT_NE(byte_at(0, 0, 0), byte_at(16, 0, 0));
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            ASSERT_TRUE(byte_at(x, y, 0) == 0 || byte_at(x, y, 0) == 255) << x << "," << y;
            ASSERT_EQ(byte_at(x, y, 3), 255);
        }
    // A size below a pixel has nothing to tile: the layer stays.
    const auto before = layer();
    s.p[0] = 1;
    ASSERT_EQ(apply("Backgrounds Utility", s), 1);
    EXPECT_EQ(layer(), before);
}

// Missing or broken scripts skip the script-file effects: nothing changes.
TEST_F(EffectGeometry, ScriptFileEffectsWithoutAScriptChangeNothing) {
    for (const char* name : {"Backgrounds Nature", "Texturize Emboss Surface", "Texturize Bump Other",
                             "Displacement Bump Material", "Pattern Explorer"}) {
        SCOPED_TRACE(name);
        reset_engine();
        make_picture();
        const auto before = layer();
        for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent.fxs", PAINTCORE_EXAMPLES}) {
            Settings s;
            s.text = path;
            PTE_IPLAllocSrcBuffer24();
            PTE_IPLAllocDstBuffer24();
            ASSERT_EQ(apply(name, s), 1);
            EXPECT_EQ(layer(), before) << (path ? path : "null");
            EXPECT_FALSE(st().working.iplSrc24 || st().working.iplDst24) << "the 24-bit buffers are freed";
        }
        Settings s;
        const std::string script = kScripts + "surface/stone.fxs";
        s.text = script.c_str();
        ASSERT_EQ(apply(name, s), 1);
        EXPECT_NE(layer(), before);
    }
}

// The script-file effects at their neutral ends give an opaque layer back
// to within a unit of its 8-bit values: a bump texture merged at opacity 0
// and a displacement of strength 0. A little opacity shows.
TEST_F(EffectGeometry, ScriptFileEffectsAtNoStrengthKeepTheLayer) {
    const std::string stone = kScripts + "surface/stone.fxs";
    for (const char* name : {"Texturize Bump Surface", "Displacement Bump Surface"}) {
        SCOPED_TRACE(name);
        reset_engine();
        make_picture();
        const auto before = layer();
        Settings s;
        s.text = stone.c_str();
        s.p[0] = 0;  // t1 = 0: no displacement
        s.p[3] = 0;  // t4 = 0: the bump merged at opacity (int)(0 * 2.55)
        ASSERT_EQ(apply(name, s), 1);
        const auto after = layer();
        for (size_t i = 0; i < after.size(); ++i) ASSERT_NEAR(after[i] >> 8, before[i] >> 8, 1) << i / 4;
    }
    reset_engine();
    make_picture(true);
    const auto before = layer();
    Settings s;
    s.text = stone.c_str();
    s.p[3] = 100;  // t4 = 10: opacity 25 of 256
    ASSERT_EQ(apply("Texturize Bump Surface", s), 1);
    int moved = 0;
    for (size_t i = 0; i < before.size(); ++i) moved += std::abs((layer()[i] >> 8) - (before[i] >> 8)) > 1;
    EXPECT_GT(moved, 0);
}

// ---- Pan, displacement and push ----

TEST_F(EffectGeometry, PanWrapsByExactlyTheOffset) {
    make_picture();
    const auto before = layer();
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLPan(5, -3, 1, 0, 0, 0, 0, 0);
    const auto after = layer();
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const int32_t sx = (x - 5 + W) % W, sy = (y + 3) % H;
            // The merge widens 8-bit alpha 255 to 65280, just short of
            // whole, so the layer below shows through by under a unit.
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(after[(size_t(y) * W + size_t(x)) * 4 + size_t(c)] >> 8,
                            before[(size_t(sy) * W + size_t(sx)) * 4 + size_t(c)] >> 8, 1)
                    << x << "," << y;
        }
    // Without both working buffers nothing happens.
    PTE_IPLFreeDstBuffer32();
    const auto kept = layer();
    PTE_IPLPan(5, 5, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(layer(), kept);
}

// The background edge shows the background colour where the pan uncovers
// the layer; with the mask flag, protected pixels keep what they were.
TEST_F(EffectGeometry, PanFillsTheBackgroundAndHonoursTheMask) {
    make_picture();
    PTE_EnableMask(1);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = W / 2; x < W; ++x) st().mask.values[size_t(y * W + x)] = 0;
    const auto before = layer();
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLPan(4, 0, 3, 10, 20, 30, 255, 1);
    for (int32_t y = 0; y < H; ++y) {
        EXPECT_NEAR(byte_at(0, y, 0), 10, 1);
        EXPECT_NEAR(byte_at(3, y, 2), 30, 1);
        EXPECT_NEAR(byte_at(4, y, 0), before[(size_t(y) * W) * 4] >> 8, 1);
        for (int32_t x = W / 2; x < W; ++x)
            for (int c = 0; c < 4; ++c) ASSERT_EQ(px(1, x, y, c), before[(size_t(y) * W + size_t(x)) * 4 + size_t(c)]);
    }
}

TEST_F(EffectGeometry, PushCarriesAPixelToItsTarget) {
    make_picture();
    const int from = byte_at(10, 12, 0), from2 = byte_at(10, 12, 2);
    PTE_IPLAllocSrcBuffer32();
    PTE_WarpPointToPoint(10, 12, 16, 15);
    EXPECT_EQ(byte_at(16, 15, 0), from);
    EXPECT_EQ(byte_at(16, 15, 2), from2);
    EXPECT_EQ(byte_at(0, 0, 0), 3);  // far away nothing moved
}

TEST_F(EffectGeometry, DisplacementFollowsTheTexture) {
    make_picture();
    const auto before = layer();
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLDisplacementBummp("/nonexistent.fxs", 50.0, 0);
    EXPECT_EQ(layer(), before) << "a flat map moves nothing";
    const std::string stone = kScripts + "surface/stone.fxs";
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLDisplacementBummp(stone.c_str(), 50.0, 0);
    EXPECT_NE(layer(), before);
}

// Hostile arguments end quietly: offsets and points at the ends of the
// 32-bit range, strengths that are no number or no finite one, a null path.
// The layer keeps its size and its pixels outside what may change.
TEST_F(EffectGeometry, PanPushAndDisplacementSurviveExtremeArguments) {
    constexpr int32_t lo = INT32_MIN, hi = INT32_MAX;
    make_picture(true);
    for (int32_t edge : {0, 1, 2, 3, -1, hi}) {
        for (auto [dx, dy] : {std::pair{lo, lo}, {hi, hi}, {lo, hi}, {W, -H}, {-W - 1, H + 1}}) {
            PTE_IPLAllocSrcBuffer32();
            PTE_IPLPan(dx, dy, edge, 1, 2, 3, 4, 1);
        }
    }
    // Moved a whole side away with edge mode 0, nothing of the picture is
    // left in view: transparent black merged in "Normal" leaves the layer.
    reset_engine();
    make_picture();
    const auto before = layer();
    for (auto [dx, dy] : {std::pair{W, 0}, {0, -H}, {lo, 0}}) {
        PTE_IPLAllocSrcBuffer32();
        PTE_IPLPan(dx, dy, 0, 0, 0, 0, 0, 0);
        ASSERT_EQ(layer(), before) << dx << "," << dy;
    }
    // A push of no length moves nothing; one whose end lies a radius away
    // from the picture leaves it too.
    for (auto [a, b] : {std::pair{5, 5}, {lo, lo}, {hi, hi}, {-100, -100}}) {
        PTE_IPLAllocSrcBuffer32();
        PTE_WarpPointToPoint(a, b, a, b);
        PTE_IPLAllocSrcBuffer32();
        PTE_WarpPointToPoint(-200, -200, -190, -190);
        for (size_t i = 0; i < before.size(); ++i) ASSERT_NEAR(layer()[i] >> 8, before[i] >> 8, 1) << i / 4;
    }
    for (auto [a, b] : {std::pair{lo, hi}, {hi, lo}, {lo, 0}, {0, hi}}) {
        PTE_IPLAllocSrcBuffer32();
        PTE_WarpPointToPoint(a, b, b, a);
    }

    const std::string stone = kScripts + "surface/stone.fxs";
    for (double strength : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 0.0}) {
        PTE_IPLAllocSrcBuffer32();
        PTE_IPLDisplacementBummp(stone.c_str(), strength, 0xff00ff00u);
    }
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLDisplacementBummp(nullptr, 50.0, 0);
    EXPECT_EQ(st().layers[1].pixels.size(), size_t(W) * H * 4);
}

}  // namespace
