// The effect catalogue through its export: dispatch by exact name, the
// routes' loads and merges (mask, keepAlpha, the current layer only), the
// values that reach the library calls, and the recipes' order of steps.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "engine/merge.h"
#include "imaging/builtin_filters.h"
#include "imaging/effect_catalogue.h"
#include "imaging/effect_library.h"
#include "support/effect_settings.h"
#include "support/engine_fixture.h"
#include "support/script_files.h"

namespace {

constexpr int32_t W = 24, H = 18;

using effect_test::apply;
using effect_test::Settings;

// A shipped effect script for the names that read one.
const std::string kNatureScript = std::string(PAINTCORE_EXAMPLES) + "/scripts/nature/clouds.fxs";

bool reads_script_file(const std::string& name) {
    for (const char* group : {"Backgrounds ", "Texturize Emboss ", "Texturize Bump ", "Displacement Bump "})
        if (name.rfind(group, 0) == 0) return true;
    return name == "Pattern Explorer";
}

// Settings under which each effect shows (others show at the defaults).
Settings settings_for(const std::string& name) {
    Settings s;
    static const std::map<std::string, std::function<void(Settings&)>> kChanges = {
        {"Brightness and Contrast", [](Settings& e) { e.p[0] = 700; }},
        {"Gamma", [](Settings& e) { e.p[0] = 800; }},
        {"Hyper Saturation", [](Settings& e) { e.p[0] = 800; }},
        {"Adjust HSL", [](Settings& e) { e.p[0] = 700; }},
        {"Adjust HSV", [](Settings& e) { e.p[0] = 700; }},
        {"Tint", [](Settings& e) { e.p[0] = 700; }},
        {"Adjust Color Balance", [](Settings& e) { e.p[0] = 900, e.f[1] = 1; }},
        {"Histogram Equalize", [](Settings& e) { e.p[0] = 0, e.p[1] = 1000; }},
        {"Brightness Histogram Equalize", [](Settings& e) { e.p[0] = 0, e.p[1] = 1000; }},
        {"Histogram Stretch", [](Settings& e) { e.p[0] = e.p[1] = 100; }},
        {"Brightness Histogram Stretch", [](Settings& e) { e.p[0] = e.p[1] = 100; }},
        {"Brightness Histogram Stretch HSL", [](Settings& e) { e.p[0] = e.p[1] = 100; }},
        {"Vignette", [](Settings& e) { e.f[0] = 1; }},
        {"Unsharp Mask", [](Settings& e) { e.p[0] = 0, e.p[1] = 1000; }},
        {"Dust and Scratches", [](Settings& e) { e.p[0] = 20, e.p[1] = 1000; }},
        {"Drop Shadow", [](Settings& e) { e.p[0] = e.p[1] = 30, e.p[2] = 0; }},
        {"Despeckle", [](Settings&) {}},
        {"Adjust Lab", [](Settings& e) { e.p[0] = 700; }},
        // Transforms, warps and geometric scripts are neutral at 500.
        {"Offset", [](Settings& e) { e.p[0] = 600, e.p[6] = 1; }},
        {"Spin", [](Settings& e) { e.p[1] = 700; }},
        {"Spin Wave", [](Settings& e) { e.p[1] = 700; }},
        {"Perspective", [](Settings& e) { e.p[0] = 300, e.p[1] = 400; }},
        {"Warp", [](Settings& e) { e.p[0] = 300, e.p[2] = 400; }},
        {"Stretch", [](Settings& e) { e.p[0] = 300, e.p[1] = 400; }},
        {"Vertical Pivot", [](Settings& e) { e.p[0] = 300; }},
        {"Horizontal Pivot", [](Settings& e) { e.p[0] = 300; }},
        {"Skew", [](Settings& e) { e.p[1] = 400, e.p[3] = 400; }},
        {"Twirl", [](Settings& e) { e.p[0] = 700; }},
        {"Tilt", [](Settings& e) { e.p[0] = 600; }},
        {"Pinch", [](Settings& e) { e.p[0] = 800; }},
        {"Carpet", [](Settings& e) { e.p[0] = e.p[1] = 20; }},
        // Shapes of 500 pixels, drawn as outlines, would pass the picture by.
        {"Circles", [](Settings& e) { e.p[1] = 5; }},
        {"Rectangles", [](Settings& e) { e.p[1] = e.p[2] = 10; }},
    };
    const auto change = kChanges.find(name);
    if (change != kChanges.end()) change->second(s);
    return s;
}

class EffectCatalogue : public EngineTest {
protected:
    // An image of W x H: the background textured (gradients, a disc, single
    // specks, a transparent corner and half-transparent stripes) and current,
    // layer 2 above it; the working buffers allocated as a host does.
    void make_textured(int32_t w = W, int32_t h = H) {
        make_image(w, h, 1);
        std::vector<uint8_t> p(size_t(w) * size_t(h) * 4);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* q = &p[(size_t(y) * size_t(w) + size_t(x)) * 4];
                q[0] = uint8_t(x * 255 / std::max(1, w - 1));
                q[1] = uint8_t(y * 255 / std::max(1, h - 1));
                q[2] = uint8_t((x * 37 + y * 91) % 256);
                q[3] = 255;
                if ((x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < 16) q[0] = 250, q[1] = 220, q[2] = 20;
                if ((x * 7 + y * 3) % 29 == 0) q[0] = q[1] = q[2] = 0;
                if (x + y < 5) q[3] = 0;
                if (y % 6 == 5) q[3] = 128;
            }
        PTE_LoadRGBA32(p.data(), w * 4, 0);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) set_px(2, x, y, 1000, 2000, 3000, 4000);
        PTE_IPLInit();
        PTE_IPLAllocSrcBuffer32();
        PTE_IPLAllocDstBuffer32();
    }

    static std::vector<uint16_t> layer(int32_t slot) {
        const auto& l = st().layers[slot];
        return {l.pixels.data(), l.pixels.data() + l.pixels.size()};
    }

    std::string lua_path() { return scripts_.write("swap.lua", kSwapScript); }

    static constexpr const char* kSwapScript =
        "for y = bound_y0, bound_y1 do for x = bound_x0, bound_x1 do\n"
        "  local r, g, b = get_rgb(x, y); set_rgb(x, y, b, r, sliderVal1) end end\n";
    ScriptFolder scripts_;
};

TEST_F(EffectCatalogue, AnswersTo159NamesInDispatchOrder) {
    std::set<std::string> names;
    int32_t count = 0;
    while (PTE_GetEffectName(count) != nullptr) names.insert(PTE_GetEffectName(count++));
    EXPECT_EQ(count, 159);
    EXPECT_EQ(names.size(), 159u) << "every name once";
    EXPECT_STREQ(PTE_GetEffectName(0), "Charcoal");
    EXPECT_STREQ(PTE_GetEffectName(35), "Grayscale");
    EXPECT_STREQ(PTE_GetEffectName(158), "Lua Filter");
    EXPECT_EQ(PTE_GetEffectName(-1), nullptr);
    EXPECT_EQ(PTE_GetEffectName(159), nullptr);
    EXPECT_STREQ(PTE_GetEffectRoute(5), "24-bit");
    EXPECT_STREQ(PTE_GetEffectRoute(46), "transform") << PTE_GetEffectName(46);
    for (int32_t i = 0; i < 159; ++i) EXPECT_EQ(std::string(PTE_GetEffectRoute(i)).find("not yet"), std::string::npos) << i;
    EXPECT_EQ(PTE_GetEffectRoute(159), nullptr);
}

TEST_F(EffectCatalogue, NamesMatchOnlyExactlyAndOtherNamesChangeNothing) {
    make_textured();
    const auto before = layer(1);
    for (const char* name : {"blur", "Blur ", " Blur", "", "Gaussian", "Blurr"}) {
        PTE_IPLAllocSrcBuffer24();
        PTE_IPLAllocDstBuffer24();
        EXPECT_EQ(apply(name), 0) << name;
        EXPECT_EQ(layer(1), before) << name;
        EXPECT_FALSE(st().working.iplSrc24) << "the 24-bit buffers are freed whatever the name";
        EXPECT_FALSE(st().working.iplDst24);
    }
    EXPECT_EQ(apply(nullptr), 0);
    EXPECT_EQ(layer(1), before);
    EXPECT_EQ(apply("Blur"), 1);
    EXPECT_NE(layer(1), before);
}

TEST_F(EffectCatalogue, WithoutBothRgba32BuffersNothingRuns) {
    make_textured();
    const auto before = layer(1);
    PTE_IPLFreeDstBuffer32();
    PTE_IPLAllocSrcBuffer24();
    EXPECT_EQ(apply("Negative"), 0);
    EXPECT_EQ(layer(1), before);
    EXPECT_TRUE(st().working.iplSrc24) << "nothing past the entry check is touched";
    // Buffers left from a smaller image do not count.
    PTE_IPLAllocDstBuffer32();
    PTE_NewSize(nullptr, W + 4, H, 64, 0);
    ASSERT_EQ(PTE_CreateLayer(1, W + 4, H), 1);
    PTE_SetLayer(1);
    const auto bigger = layer(1);
    EXPECT_EQ(apply("Negative"), 0);
    EXPECT_EQ(layer(1), bigger);
}

// Every effect whose route is in place, run three ways: plainly, under a
// mask that protects the left half, and on a keepAlpha layer.
TEST_F(EffectCatalogue, EveryEffectChangesOnlyWhatTheMaskAndKeepAlphaAllow) {
    const std::string lua = lua_path();
    for (size_t i = 0; i < imaging::kEffectCount; ++i) {
        const imaging::EffectRow& row = imaging::effect_rows()[i];
        if (row.run == nullptr) continue;
        const std::string name(row.name);
        Settings s = settings_for(name);
        s.text = reads_script_file(name) ? kNatureScript.c_str() : lua.c_str();

        reset_engine();
        make_textured();
        const auto before = layer(1), above = layer(2);
        PTE_IPLAllocSrcBuffer24();
        PTE_IPLAllocDstBuffer24();
        apply(name.c_str(), s);
        EXPECT_FALSE(st().working.iplSrc24 || st().working.iplDst24) << name << ": the 24-bit buffers are freed";
        EXPECT_NE(layer(1), before) << "unchanged: " << name;
        EXPECT_EQ(layer(2), above) << name << ": only the current layer is written";

        reset_engine();
        make_textured();
        PTE_EnableMask(1);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W / 2; ++x) st().mask.values[size_t(y * W + x)] = 0;
        PTE_IPLAllocSrcBuffer32();
        apply(name.c_str(), s);
        const auto masked = layer(1);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W / 2; ++x)
                for (int c = 0; c < 4; ++c) {
                    const size_t k = size_t(y * W + x) * 4 + size_t(c);
                    ASSERT_EQ(masked[k], before[k]) << name << ": protected pixel " << x << "," << y;
                }

        reset_engine();
        make_textured();
        PTE_SetLayerOptions(1, 1, 1, 100, "Normal");
        apply(name.c_str(), s);
        const auto kept = layer(1);
        for (size_t k = 3; k < kept.size(); k += 4) ASSERT_EQ(kept[k], before[k]) << name << ": keepAlpha";
    }
}

TEST_F(EffectCatalogue, NeutralSettingsLeaveTheLayerAsItWas) {
    Settings colour_balance;
    colour_balance.f = {1, 1, 1, 0, 0, 0};
    const std::vector<std::pair<const char*, Settings>> neutral = {
        {"Brightness and Contrast", {}}, {"Gamma", {}},     {"Hyper Saturation", {}},           {"Adjust HSL", {}},
        {"Adjust HSV", {}},              {"Tint", {}},      {"Adjust Color Balance", colour_balance},
        {"Horizontal Flip", {}},
    };
    for (const auto& [name, s] : neutral) {
        reset_engine();
        make_textured();
        const auto before = layer(1);
        ASSERT_EQ(apply(name, s), 1);
        if (std::string(name) == "Horizontal Flip") {
            apply(name, s);  // twice
        }
        EXPECT_EQ(layer(1), before) << name;
    }
}

TEST_F(EffectCatalogue, NegativeTwiceIsTheIdentity) {
    make_textured();
    const auto before = layer(1);
    apply("Negative");
    EXPECT_NE(layer(1), before);
    apply("Negative");
    EXPECT_EQ(layer(1), before);
}

TEST_F(EffectCatalogue, ALuaFilterGetsTheSettingsAndAMissingScriptChangesNothing) {
    make_textured();
    const auto before = layer(1);
    Settings s;
    s.text = "/nonexistent/filter.lua";
    EXPECT_EQ(apply("Lua Filter", s), 1);
    EXPECT_EQ(layer(1), before);
    EXPECT_NE(std::string(PTE_GetLastError()).find("Lua Script Error"), std::string::npos);
    const std::string path = lua_path();
    s.text = path.c_str();
    s.p[0] = 1000;
    apply("Lua Filter", s);
    EXPECT_EQ(px(1, 10, 10, 2), 65280) << "sliderVal1 = p1 * 0.001 reached the script";
    EXPECT_EQ(px(1, 10, 10, 1), before[size_t(10 * W + 10) * 4] ) << "red moved to green";
}

// Settings from every edge of their range on odd sizes: nothing may crash,
// read or write outside a buffer (the sanitizer build watches) or touch
// another layer than the current one.
TEST_F(EffectCatalogue, SettingsAtTheEdgesOfTheirRangesOnTinyImages) {
    const std::string lua = lua_path();
    const int32_t values[] = {0, 1000, -1000, INT32_MAX, INT32_MIN};
    for (const auto& [w, h] : {std::pair{1, 1}, {1, 6}, {6, 1}, {5, 4}}) {
        reset_engine();
        make_textured(w, h);
        const auto picture = layer(1), above = layer(2);
        for (size_t i = 0; i < imaging::kEffectCount; ++i) {
            const char* name = imaging::effect_rows()[i].name.data();
            for (const int32_t v : values) {
                std::memcpy(st().layers[1].pixels.data(), picture.data(), picture.size() * 2);
                PTE_IPLAllocSrcBuffer32();
                Settings s;
                s.p.fill(v);
                s.f.fill(uint8_t(v));
                s.seed = v;
                s.text = reads_script_file(name) ? kNatureScript.c_str() : lua.c_str();
                EXPECT_EQ(apply(name, s), 1) << name;
                ASSERT_EQ(layer(2), above) << name << " at " << v << " on " << w << " x " << h;
            }
        }
    }
}

}  // namespace
