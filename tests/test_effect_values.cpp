// What reaches the imaging library from the catalogue: a stand-in for the
// library's calls records their arguments, so the derived values (tenths as
// 32-bit floats, the saturation curves, truncations toward zero, held
// minimums) can be checked call by call, and the recipes' steps in order.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/merge.h"
#include "engine/pixels.h"
#include "imaging/builtin_filters.h"
#include "imaging/effect_args.h"
#include "imaging/effect_library.h"
#include "support/engine_fixture.h"

namespace {

using imaging::EffectLibrary;
using imglib::BOOL;

// What the stand-ins saw: per call name, the arguments after the pictures.
struct Seen {
    std::string call;
    std::vector<double> values;
};
std::vector<Seen> seen;

void note(const char* call, std::vector<double> values) { seen.push_back({call, std::move(values)}); }

std::vector<Seen> calls_named(const std::string& call) {
    std::vector<Seen> out;
    for (const Seen& s : seen)
        if (s.call == call) out.push_back(s);
    return out;
}

// The library with recording stand-ins; each forwards to the real call.
EffectLibrary recording_library() {
    EffectLibrary l;
    l.IS3ModifyImageSaturation = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s, double factor) {
        note("saturation", {factor});
        return imglib::IS3ModifyImageSaturation(p, w, h, b, s, factor);
    };
    l.IS40_GaussianBlurImage = [](const uint8_t* a, uint32_t w, uint32_t h, uint32_t b, uint32_t sa, uint8_t* d,
                                  uint32_t sd, double radius, uint32_t mask) {
        note("gaussian", {radius, double(mask)});
        return imglib::IS40_GaussianBlurImage(a, w, h, b, sa, d, sd, radius, mask);
    };
    l.ISE3MotionBlur = [](const uint8_t* a, uint32_t w, uint32_t h, uint32_t b, uint32_t sa, uint8_t* d, uint32_t sd,
                          double angle, double length, int32_t level, int32_t kind) {
        note("motion", {angle, length, double(level), double(kind)});
        return imglib::ISE3MotionBlur(a, w, h, b, sa, d, sd, angle, length, level, kind);
    };
    l.ISE3HalftoneImage = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t s, int32_t cell, uint8_t colour) {
        note("halftone", {double(cell), double(colour)});
        return imglib::ISE3HalftoneImage(p, w, h, s, cell, colour);
    };
    l.ISE3MosaicImage = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s, int32_t cell) {
        note("mosaic", {double(cell), double(b)});
        return imglib::ISE3MosaicImage(p, w, h, b, s, cell);
    };
    l.ISE3ThresholdFilter = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s, int32_t lo, int32_t hi,
                               uint32_t mask) {
        note("threshold", {double(lo), double(hi), double(mask)});
        return imglib::ISE3ThresholdFilter(p, w, h, b, s, lo, hi, mask);
    };
    l.IS3UnsharpMaskImage = [](const uint8_t* a, uint32_t w, uint32_t h, uint32_t b, uint32_t sa, uint8_t* d,
                               uint32_t sd, int32_t threshold, double amount, double radius, uint32_t mask) {
        note("unsharp", {double(threshold), amount, radius, double(mask), double(b)});
        return imglib::IS3UnsharpMaskImage(a, w, h, b, sa, d, sd, threshold, amount, radius, mask);
    };
    l.ISE3DustAndScratches = [](const uint8_t* a, uint32_t w, uint32_t h, uint32_t b, uint32_t sa, uint8_t* d,
                                uint32_t sd, int32_t radius, int32_t threshold, double amount, uint32_t mask) {
        note("dust", {double(radius), double(threshold), amount, double(mask)});
        return imglib::ISE3DustAndScratches(a, w, h, b, sa, d, sd, radius, threshold, amount, mask);
    };
    l.ISE40_AdjustImageColorBalance = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s, int32_t a1,
                                         int32_t a2, int32_t a3, int32_t b1, int32_t b2, int32_t b3, int32_t c1,
                                         int32_t c2, int32_t c3, int32_t brightness, int32_t keep) {
        note("balance", {double(a1), double(a2), double(a3), double(b1), double(b2), double(b3), double(c1),
                         double(c2), double(c3), double(brightness), double(keep)});
        return imglib::ISE40_AdjustImageColorBalance(p, w, h, b, s, a1, a2, a3, b1, b2, b3, c1, c2, c3, brightness,
                                                     keep);
    };
    l.ISE3DuotoneImage = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s, uint32_t ink, uint32_t f) {
        note("duotone", {double(ink)});
        return imglib::ISE3DuotoneImage(p, w, h, b, s, ink, f);
    };
    l.ISE3OilPaintRGB = [](const uint8_t* a, uint32_t w, uint32_t h, uint32_t sa, uint8_t* d, uint32_t sd,
                           int32_t radius, int32_t levels, uint32_t flags) {
        note("oil", {double(radius), double(levels), double(flags)});
        return imglib::ISE3OilPaintRGB(a, w, h, sa, d, sd, radius, levels, flags);
    };
    l.IS3Deinterlace = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s, int32_t mode) {
        note("deinterlace", {double(mode)});
        return imglib::IS3Deinterlace(p, w, h, b, s, mode);
    };
    l.ISE3AddGaussianNoise = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s, int32_t amount,
                                int32_t mean, uint32_t flags, uint8_t mono, uint32_t mask, uint32_t seed) {
        note("gaussian noise", {double(amount), double(mean), double(flags), double(mono), double(mask), double(seed)});
        return imglib::ISE3AddGaussianNoise(p, w, h, b, s, amount, mean, flags, mono, mask, seed);
    };
    l.IS3AdjustBrightnessContrast = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s, double bright,
                                       double contrast, int32_t pivot) {
        note("brightness", {bright, contrast, double(pivot)});
        return imglib::IS3AdjustBrightnessContrast(p, w, h, b, s, bright, contrast, pivot);
    };
    l.IS3SharpenImage = [](const uint8_t* a, uint32_t w, uint32_t h, uint32_t b, uint32_t sa, uint8_t* d, uint32_t sd,
                           int32_t amount, uint32_t mask) {
        note("sharpen", {double(amount), double(mask), double(b)});
        return imglib::IS3SharpenImage(a, w, h, b, sa, d, sd, amount, mask);
    };
    l.ISE3BlurImage = [](const uint8_t* a, uint32_t w, uint32_t h, uint32_t b, uint32_t sa, uint8_t* d, uint32_t sd,
                         int32_t size, double weight, uint32_t mask) {
        note("blur more buffer", {double(size), weight, double(mask)});
        return imglib::ISE3BlurImage(a, w, h, b, sa, d, sd, size, weight, mask);
    };
    // A script module that knows every effect and runs it as nothing.
    l.ISL_AddEffect = [](int32_t number, int32_t) {
        note("script effect", {double(number)});
        return 1;
    };
    l.ISL_SetEffectValue = [](int32_t, int32_t parameter, int32_t value) {
        note("script value", {double(parameter), double(value)});
        return 1;
    };
    l.ISL_ExecuteScriptOnImage = [](uint8_t* p, uint32_t, uint32_t) {
        note("script run", {double(p[0]), double(p[2])});
        return 1;
    };
    return l;
}

class EffectValues : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        seen.clear();
        make_image(16, 12);
        std::vector<uint8_t> p(16 * 12 * 4);
        for (size_t i = 0; i < p.size(); ++i) p[i] = uint8_t(i * 7 % 251);
        for (size_t i = 3; i < p.size(); i += 4) p[i] = 255;
        p[0] = 10, p[2] = 200;
        PTE_LoadRGBA32(p.data(), 64, 0);
        PTE_IPLAllocSrcBuffer32();
        PTE_IPLAllocDstBuffer32();
    }

    static int32_t apply(const char* name, std::array<int32_t, 8> p, std::array<uint8_t, 6> f = {}, int32_t seed = 0) {
        return PTE_IPLImageProcess(0, name, seed, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], f[0], f[1], f[2],
                                   f[3], f[4], f[5], 0, 0, 0, nullptr);
    }

    const EffectLibrary library_ = recording_library();
    imaging::EffectLibraryOverride override_{library_};
};

TEST_F(EffectValues, SaturationCurvesReachTheLibrary) {
    // hsat(x): (x - 50) * 0.18 + 1 above 50, x * 0.22 - 10 up to it.
    for (const auto& [p1, factor] : {std::pair{0, -10.0}, {500, 1.0}, {700, 4.6}, {1000, 10.0}, {250, -4.5}}) {
        seen.clear();
        apply("Hyper Saturation", {p1});
        ASSERT_EQ(calls_named("saturation").size(), 1u);
        EXPECT_NEAR(calls_named("saturation")[0].values[0], factor, 1e-9) << p1;
    }
    // sat(x): (x - 50) * 0.04 + 1 above 50, x * 0.06 - 2 up to it; on t2 in
    // "Color Pencil" and "Photo Pop".
    for (const char* name : {"Color Pencil", "Photo Pop"})
        for (const auto& [p2, factor] : {std::pair{250, -0.5}, {500, 1.0}, {800, 2.2}, {0, -2.0}}) {
            seen.clear();
            apply(name, {500, p2});
            ASSERT_EQ(calls_named("saturation").size(), 1u) << name;
            EXPECT_NEAR(calls_named("saturation")[0].values[0], factor, 1e-9) << name << " " << p2;
        }
    seen.clear();
    EXPECT_EQ(PTE_IPLPhotoPop(300, 80.0, 1), 1);
    EXPECT_NEAR(calls_named("saturation").at(0).values[0], 2.2, 1e-9);
    EXPECT_EQ(calls_named("sharpen").at(0).values, (std::vector<double>{5, 7, 3})) << "amount 5, colour only, RGB24";
}

TEST(EffectArgs, DerivedValuesOnEntry) {
    imaging::EffectArgs a;
    a.p = {1000, 333, -5, 0, 7, INT32_MAX};
    a.red = 10, a.green = 20, a.blue = 30;
    const imaging::Effect e(a, 100, 100);
    EXPECT_EQ(e.u1000(), 10);
    EXPECT_EQ(e.u10000(), 1);
    EXPECT_EQ(e.t(1), 100.0);
    EXPECT_EQ(e.t(2), double(float(33.3))) << "held as a 32-bit float";
    EXPECT_EQ(e.t(3), double(float(-0.5)));
    EXPECT_EQ(e.colour(), 10u + 20u * 256 + 30u * 65536);
    // W * H / 1000 with integer division: 2500 / 1000 is 2, 961 / 1000 is held to 1.
    const imaging::Effect small(a, 50, 50), smaller(a, 31, 31), wide(a, 10000, 10000);
    EXPECT_EQ(small.u1000(), 2);
    EXPECT_EQ(small.u10000(), 1);
    EXPECT_EQ(smaller.u1000(), 1);
    EXPECT_EQ(wide.u1000(), 100000);
    EXPECT_EQ(wide.u10000(), 10000);
    EXPECT_EQ(imaging::trunc_int(e.t(6) * 200), INT32_MAX) << "held to the int32 range, not undefined";
}

TEST_F(EffectValues, TenthsAreFloatsAndConversionsTruncate) {
    apply("Gaussian Blur", {0});
    apply("Gaussian Blur", {1000});
    const auto g = calls_named("gaussian");
    ASSERT_EQ(g.size(), 2u);
    EXPECT_DOUBLE_EQ(g[0].values[0], 0.6) << "a blur even at 0";
    EXPECT_DOUBLE_EQ(g[1].values[0], 40.6);

    apply("Motion Blur", {500, 500, 333});
    apply("Zoom Blur", {1000, 1000});
    const auto m = calls_named("motion");
    EXPECT_EQ(m.at(0).values, (std::vector<double>{0, 10, 33, 0})) << "p1 = 500 is 0 degrees";
    EXPECT_EQ(m.at(1).values, (std::vector<double>{0, 20, 100, 2}));

    for (const int32_t p1 : {19, 40, -300}) {
        apply("Halftone", {p1});
        apply("Mosaic", {p1});
    }
    const auto h = calls_named("halftone"), mo = calls_named("mosaic");
    EXPECT_EQ(h.at(0).values[0], 1) << "below 20, cells of 1";
    EXPECT_EQ(h.at(1).values[0], 2);
    EXPECT_EQ(h.at(2).values[0], 1);
    EXPECT_EQ(mo.at(0).values, (std::vector<double>{1, 4}));
    EXPECT_EQ(mo.at(1).values[0], 2);

    apply("Threshold", {1000, 1000});
    apply("Threshold", {333, 0});
    EXPECT_EQ(calls_named("threshold").at(0).values, (std::vector<double>{254, 254, 15})) << "100 * 2.55 truncates";
    EXPECT_EQ(calls_named("threshold").at(1).values, (std::vector<double>{84, 0, 15}));

    apply("Brightness and Contrast", {750, 250});
    EXPECT_EQ(calls_named("brightness").at(0).values, (std::vector<double>{0.5, -0.5, 1}));

    apply("Duotone", {100, 205, 300});
    EXPECT_EQ(calls_named("duotone").at(0).values[0], 10 + 20 * 256 + 30 * 65536);
}

TEST_F(EffectValues, OptionsFlagsAndHeldLimits) {
    apply("Dust and Scratches", {0, 0, 500});
    apply("Dust and Scratches", {55, 1000, 1000});
    EXPECT_EQ(calls_named("dust").at(0).values, (std::vector<double>{2, 255, 0.5, 7})) << "a radius of at least 2";
    EXPECT_EQ(calls_named("dust").at(1).values, (std::vector<double>{5, 0, 1, 7})) << "255 - 255.9 truncates to 0";

    for (const int32_t p4 : {0, 350, INT32_MAX}) apply("Unsharp Mask", {20, 500, 500, p4});
    const auto u = calls_named("unsharp");
    ASSERT_EQ(u.size(), 1u + 3u + 10u) << "one pass at least, ten at most";
    EXPECT_EQ(u[0].values[0], 5);
    EXPECT_DOUBLE_EQ(u[0].values[2], 2.2);
    EXPECT_EQ(u[0].values[3], 7);

    apply("Adjust Color Balance", {800, 300, 500, 600}, {1, 0, 1});
    EXPECT_EQ(calls_named("balance").at(0).values, (std::vector<double>{30, -20, 0, 0, 0, 0, 30, -20, 0, 10, 0}));

    apply("Oil Paint", {500, 1000}, {1, 1});
    apply("Oil Paint", {0, 0}, {2, 1});
    EXPECT_EQ(calls_named("oil").at(0).values, (std::vector<double>{7, 254, 3}));
    EXPECT_EQ(calls_named("oil").at(1).values, (std::vector<double>{2, 0, 2})) << "flag 1 only for f1 = 1";

    apply("Deinterlace", {}, {0});
    apply("Deinterlace", {}, {7});
    EXPECT_EQ(calls_named("deinterlace").at(0).values[0], 5);
    EXPECT_EQ(calls_named("deinterlace").at(1).values[0], 1);

    apply("Add Gaussian Noise", {500}, {1}, -5);
    EXPECT_EQ(calls_named("gaussian noise").at(0).values,
              (std::vector<double>{10000, 0, 0, 1, 7, double(uint32_t(-5))}));

    uint8_t rgb[5 * 4 * 3] = {};
    PTE_BlurMoreBufferRGB24(rgb, 5, 4, 4, 50);
    PTE_BlurMoreBufferRGB24(rgb, 5, 4, 10, 100);
    PTE_BlurMoreBufferRGB24(nullptr, 5, 4, 10, 100);
    const auto b = calls_named("blur more buffer");
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].values, (std::vector<double>{0, 0.5, 15})) << "size 4 passes 0";
    EXPECT_EQ(b[1].values, (std::vector<double>{2, 1, 15}));
}

TEST_F(EffectValues, ScriptsGetTheirNumberValuesAndTheChannelSwap) {
    const auto before = std::vector<uint16_t>(st().layers[1].pixels.data(), st().layers[1].pixels.data() + 16 * 12 * 4);
    apply("Emboss2", {500, 500, 500, 500});
    EXPECT_EQ(calls_named("script effect").at(0).values[0], 23);
    const auto v = calls_named("script value");
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].values, (std::vector<double>{3, 128})) << "(int)(50 * 2.55 + 1)";
    EXPECT_EQ(v[1].values, (std::vector<double>{4, 180}));
    EXPECT_EQ(v[2].values, (std::vector<double>{5, 90}));
    EXPECT_EQ(v[3].values, (std::vector<double>{7, 50}));
    EXPECT_EQ(calls_named("script run").at(0).values, (std::vector<double>{200, 10})) << "red and blue swapped";
    EXPECT_EQ(std::vector<uint16_t>(st().layers[1].pixels.data(), st().layers[1].pixels.data() + 16 * 12 * 4), before)
        << "and swapped back before the load";
    seen.clear();
    apply("Bump", {0, 0, 0});
    EXPECT_EQ(calls_named("script effect").at(0).values[0], 27);
    EXPECT_EQ(calls_named("script value").at(2).values, (std::vector<double>{5, -25}));
}

// The recipes, each against its steps done one by one with the engine's
// own pieces: a step out of order or missing shows.
class RecipeOrder : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        make_image(20, 14);
        picture_.resize(20 * 14 * 4);
        for (size_t i = 0; i < picture_.size(); ++i) picture_[i] = uint8_t((i * 37) % 256);
        for (size_t i = 3; i < picture_.size(); i += 4) picture_[i] = uint8_t(i % 5 == 0 ? 128 : 255);
        PTE_LoadRGBA32(picture_.data(), 80, 0);
        PTE_IPLAllocSrcBuffer32();
        PTE_IPLAllocDstBuffer32();
    }

    std::vector<uint16_t> pixels() const {
        const auto& l = st().layers[1];
        return {l.pixels.data(), l.pixels.data() + l.pixels.size()};
    }
    void restart() { SetUp(); }

    static void builtin(const char* name, uint8_t inPlace, std::array<int32_t, 6> a, std::array<int32_t, 8> o = {}) {
        imaging::run_builtin_filter(st(), name, inPlace, a, o);
    }
    static uint8_t* src() { return st().working.iplSrc32.data(); }
    static uint8_t* dst() { return st().working.iplDst32.data(); }
    static void refresh() { PTE_IPLUpdateSrcBuffer32(); }
    static void merge(uint8_t* picture, int32_t mode, uint32_t opacity = 255) {
        PTE_AdjustRGBA32ByMaskAndTexture(picture, 20, 14);
        merge::merge_rgba32_image(st(), picture, st().layers[1], {mode, opacity, false});
    }

    std::vector<uint8_t> picture_;
};

TEST_F(RecipeOrder, CharcoalGlowAndRadiant) {
    PTE_IPLImageProcess(0, "Charcoal", 0, 300, 700, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    const auto charcoal = pixels();
    restart();
    refresh();
    builtin("Grayscale", 0, {});
    PTE_LoadRGBA32(dst(), 80, 1);
    refresh();
    builtin("Invert", 0, {});
    builtin("Value Blur", 1, {300, 700});
    merge(dst(), 11);
    EXPECT_EQ(pixels(), charcoal);

    restart();
    PTE_IPLImageProcess(0, "Glow", 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    const auto glow = pixels();
    restart();
    refresh();
    builtin("Invert", 0, {});
    builtin("Value Blur", 1, {600, 1000});
    merge(dst(), 16);
    EXPECT_EQ(pixels(), glow);

    restart();
    PTE_IPLImageProcess(0, "Radiant", 0, 100, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    const auto radiant = pixels();
    restart();
    refresh();
    PTE_AdjustRGBA32PreFilter(src(), 20, 14);
    ASSERT_TRUE(imglib::IS40_GaussianBlurImage(src(), 20, 14, 4, 80, dst(), 80, 10 * 0.4 + 0.6, 15));
    PTE_AdjustRGBA32PostFilter(dst(), 20, 14);
    merge(dst(), 8, 100);
    EXPECT_EQ(pixels(), radiant);
}

TEST_F(RecipeOrder, PhotoPopIsOneRecipeUnderTwoNames) {
    PTE_IPLImageProcess(0, "Photo Pop", 0, 300, 800, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    const auto recipe = pixels();
    restart();
    EXPECT_EQ(PTE_IPLPhotoPop(300, 80.0f, 1), 1);
    EXPECT_EQ(pixels(), recipe);
    // By hand: sharpened colour, hyper contrast at 0.001 then at 0.3, saturation.
    restart();
    std::vector<uint8_t> rgb(20 * 14 * 3), sharp(rgb.size());
    PTE_GetRGB24(rgb.data(), 60);
    ASSERT_TRUE(imglib::IS3SharpenImage(rgb.data(), 20, 14, 3, 60, sharp.data(), 60, 5, 7));
    PTE_LoadRGB24(sharp.data(), 60, 1);
    for (const int32_t a1 : {1, 300}) {
        refresh();
        builtin("Hyper Contrast", 0, {a1});
        PTE_LoadRGBA32(dst(), 80, 1);
    }
    refresh();
    ASSERT_TRUE(imglib::IS3ModifyImageSaturation(src(), 20, 14, 4, 80, 2.2));
    PTE_LoadRGBA32(src(), 80, 1);
    EXPECT_EQ(pixels(), recipe);
    // Without the working buffers nothing is done.
    PTE_IPLFreeDstBuffer32();
    EXPECT_EQ(PTE_IPLPhotoPop(300, 80.0, 1), 0);
    EXPECT_EQ(pixels(), recipe);
}

TEST_F(RecipeOrder, ContrastMaskBranchesOnItsOption) {
    PTE_IPLImageProcess(0, "Contrast Mask", 0, 100, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    const auto merged = pixels();
    restart();
    refresh();
    builtin("Grayscale", 0, {}, {2});
    builtin("Invert", 1, {}, {2});
    PTE_AdjustRGBA32PreFilter(dst(), 20, 14);
    ASSERT_TRUE(imglib::IS40_GaussianBlurImage(dst(), 20, 14, 4, 80, src(), 80, 10 * 0.4 + 0.6, 15));
    PTE_AdjustRGBA32PostFilter(src(), 20, 14);
    merge(src(), 10);
    EXPECT_EQ(pixels(), merged);

    restart();
    PTE_IPLImageProcess(0, "Contrast Mask", 0, 180, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    const auto library = pixels();
    restart();
    refresh();
    ASSERT_TRUE(imglib::ISE40_ContrastMaskImage(src(), 20, 14, 80, 1, 18.0 / 18 + 2));
    PTE_LoadRGBA32(src(), 80, 1);
    EXPECT_EQ(pixels(), library);
}

}  // namespace
