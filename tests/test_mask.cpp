#include <algorithm>
#include <cstdint>
#include <vector>

#include "mask/selection.h"
#include "support/engine_fixture.h"

namespace {

class Mask : public EngineTest {
protected:
    static uint16_t& m(int32_t i) { return st().mask.values[size_t(i)]; }
    // The first n mask values (all of them by default).
    static std::vector<uint16_t> mask_values(size_t n = SIZE_MAX) {
        const auto& v = st().mask.values;
        return {v.data(), v.data() + std::min(n, v.size())};
    }
    using V = std::vector<uint16_t>;
    static void fill_mask(uint16_t v) {
        for (size_t i = 0; i < st().mask.values.size(); ++i) st().mask.values[i] = v;
    }
    // An image-sized RGBA32 picture of one colour.
    static std::vector<uint8_t> rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        std::vector<uint8_t> v;
        for (int32_t i = 0; i < st().imageWidth * st().imageHeight; ++i) v.insert(v.end(), {r, g, b, a});
        return v;
    }
    static void set_rgba(std::vector<uint8_t>& img, int32_t i, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        img[size_t(i) * 4] = r;
        img[size_t(i) * 4 + 1] = g;
        img[size_t(i) * 4 + 2] = b;
        img[size_t(i) * 4 + 3] = a;
    }
};

TEST_F(Mask, ValueRules) {
    struct Grey { int64_t g; uint16_t m; };
    for (const Grey c : {Grey{-5, 65535}, Grey{0, 65535}, Grey{255, 65535}, Grey{256, 65024}, Grey{30000, 35280},
                         Grey{65279, 1}, Grey{65280, 0}, Grey{65281, 0}, Grey{65535, 0}}) {
        EXPECT_EQ(mask::grey_to_mask(c.g), c.m) << c.g;
    }
    struct Level { int32_t level; uint16_t value; };
    for (const Level c : {Level{0, 65280}, Level{255, 0}, Level{128, 32512}, Level{254, 256}, Level{256, 65280},
                          Level{-1, 0}, Level{300, 54016}, Level{INT32_MIN, 65280}}) {
        EXPECT_EQ(mask::level_value(c.level), c.value) << c.level;
    }
    struct Tol { int32_t percent, channel, hue; };
    for (const Tol c : {Tol{0, 0, 0}, Tol{1, 2, 1}, Tol{3, 7, 5}, Tol{39, 99, 70}, Tol{50, 128, 90},
                        Tol{100, 256, 180}, Tol{-1, -2, -1}}) {
        EXPECT_EQ(mask::channel_tolerance(c.percent), c.channel) << c.percent;
        EXPECT_EQ(mask::hue_tolerance(c.percent), c.hue) << c.percent;
    }
}

TEST_F(Mask, ClearAndInvert) {
    make_image(3, 2);
    struct Row { int32_t r, g, b; uint16_t m; };
    for (const Row c : {Row{0, 0, 0, 65535}, Row{65535, 65535, 65535, 0}, Row{30000, 30000, 30000, 35280},
                        Row{255, 256, 256, 65535}, Row{256, 256, 257, 65024}, Row{-10, 0, 0, 65535}}) {
        PTE_ClearMask(c.r, c.g, c.b);
        for (int32_t i = 0; i < 6; ++i) ASSERT_EQ(m(i), c.m) << c.r << "," << c.g << "," << c.b;
    }
    const uint16_t values[6] = {0, 1, 255, 32768, 65534, 65535};
    for (int32_t i = 0; i < 6; ++i) m(i) = values[i];
    PTE_InvertMask();
    EXPECT_EQ(m(0), 65535);
    EXPECT_EQ(m(3), 32767);
    EXPECT_EQ(m(5), 0);
    PTE_InvertMask();
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(m(i), values[i]);
}

TEST_F(Mask, SaveThenLoadKeepsTheHighByte) {
    make_image(5, 2);
    const uint16_t values[10] = {0, 255, 256, 32767, 32768, 65279, 65280, 65534, 65535, 1000};
    for (int32_t i = 0; i < 10; ++i) m(i) = values[i];
    const int32_t stride = 5 * 3 + 4;  // padded rows
    std::vector<uint8_t> grey(size_t(stride) * 2, 0xEE);
    PTE_SaveMask(grey.data(), stride);
    EXPECT_EQ(grey[0], 255) << "protected is white";
    EXPECT_EQ(grey[size_t(stride) + 3 * 3], 0) << "selected (65535) is black";
    EXPECT_EQ(grey[3 * 3 + 1], 255 - 127);
    EXPECT_EQ(grey[5 * 3], 0xEE) << "padding untouched";
    fill_mask(7);
    PTE_LoadMask(grey.data(), stride, 5, 2);
    for (int32_t i = 0; i < 10; ++i) {
        const uint16_t hi = uint16_t(values[i] >> 8);
        EXPECT_EQ(m(i), hi == 255 ? 65535 : hi * 256) << values[i];
    }
}

TEST_F(Mask, LoadTakesTheMeanAndClipsToTheImage) {
    make_image(4, 3);
    fill_mask(1234);
    // A source larger than the image: the extra columns and rows are never read into the mask.
    const int32_t sw = 9, sh = 7;
    std::vector<uint8_t> src(size_t(sw) * 3 * sh, 0);
    const auto put = [&](int32_t x, int32_t y, uint8_t a, uint8_t b, uint8_t c) {
        uint8_t* p = src.data() + (size_t(y) * sw + size_t(x)) * 3;
        p[0] = a, p[1] = b, p[2] = c;
    };
    put(1, 0, 1, 1, 0);        // mean 0 (truncated): fully selected
    put(2, 0, 1, 1, 1);        // mean 1: 254 * 256
    put(3, 0, 255, 255, 254);  // mean 254: 256
    put(0, 1, 255, 255, 255);  // 0
    PTE_LoadMask(src.data(), sw * 3, sw, sh);
    EXPECT_EQ(mask_values(5), (V{65535, 65535, 254 * 256, 256, 0}));
    // A smaller source covers only its own part.
    fill_mask(1234);
    PTE_LoadMask(src.data(), sw * 3, 2, 1);
    EXPECT_EQ(m(1), 65535);
    EXPECT_EQ(m(2), 1234);
    EXPECT_EQ(m(4), 1234);
    fill_mask(1234);
    PTE_LoadMask(src.data(), sw * 3, -1, 5);
    EXPECT_EQ(m(0), 1234);
}

TEST_F(Mask, BetweenMaskAndLayer) {
    make_image(4, 1);
    const uint16_t values[4] = {65535, 0, 100, 300};
    for (int32_t i = 0; i < 4; ++i) m(i) = values[i];
    PTE_CreateImageFromMask();
    const uint16_t grey[4] = {0, 65280, 65280, 65235};  // min(65535 - m, 65280)
    for (int32_t i = 0; i < 4; ++i) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(px(1, i, 0, c), grey[i]) << i;
        EXPECT_EQ(px(1, i, 0, 3), 65535);
    }

    PTE_CreateAlphaFromMask();
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(px(1, i, 0, 3), values[i]);
    set_px(1, 0, 0, 1, 2, 3, 4242);
    PTE_CreateMaskFromAlpha();
    EXPECT_EQ(m(0), 4242);
    EXPECT_EQ(m(3), 300);

    set_px(1, 0, 0, 0, 0, 0, 9);
    set_px(1, 1, 0, 65535, 65535, 65535, 9);
    set_px(1, 2, 0, 30000, 30000, 30001, 9);  // mean 30000 (truncated)
    set_px(1, 3, 0, 1, 1, 767, 9);            // mean 256
    PTE_CreateMaskFromImage();
    EXPECT_EQ(mask_values(), (V{65535, 0, 35280, 65024}));
}

TEST_F(Mask, LayerOperationsSkipALayerThatDoesNotCoverTheImage) {
    make_image(4, 4);
    ASSERT_EQ(PTE_CreateLayer(1, 2, 2), 1);  // the current slot, now smaller than the image
    fill_mask(77);
    PTE_CreateMaskFromImage();
    PTE_CreateMaskFromAlpha();
    PTE_CreateImageFromMask();
    PTE_CreateAlphaFromMask();
    EXPECT_EQ(m(15), 77);
    EXPECT_EQ(px(1, 1, 1, 0), 65535);
}

TEST_F(Mask, ExactColourAndFloodMarks) {
    make_image(4, 1);
    auto img = rgba(10, 20, 30, 40);
    set_rgba(img, 1, 10, 20, 31, 40);
    set_rgba(img, 2, 10, 20, 30, 41);  // alpha does not count for colour
    fill_mask(5);
    PTE_CreateMaskFromRGBAImageColor(img.data(), 10, 20, 30, 0);
    EXPECT_EQ(mask_values(), (V{65280, 5, 65280, 65280})) << "level 0 is not fully selected";
    PTE_CreateMaskFromRGBAImageColor(img.data(), 10, 20, 30 + 256, 255);
    EXPECT_EQ(m(0), 65280) << "a component outside 0..255 never matches";

    const std::vector<uint8_t> rgb24 = {1, 2, 3, 1, 2, 4, 1, 2, 3, 0, 0, 0};
    fill_mask(5);
    PTE_CreateMaskFromRGB24ImageColor(rgb24.data(), 1, 2, 3, 255);
    EXPECT_EQ(mask_values(), (V{0, 5, 0, 5}));

    const std::vector<uint8_t> map = {1, 0, 2, 1};
    fill_mask(5);
    PTE_CreateMaskFromFloodMask(map.data(), 128);
    EXPECT_EQ(mask_values(), (V{32512, 5, 5, 32512})) << "only the byte 1 means inside";

    auto other = img;
    other[3 * 4 + 3] ^= 1;  // only the alpha byte differs
    other[1 * 4 + 0] ^= 128;
    fill_mask(5);
    PTE_CreateMaskFromDiff_RGBA32(img.data(), other.data(), 4321);
    EXPECT_EQ(mask_values(), (V{5, 4321, 5, 4321}));
}

TEST_F(Mask, RangesAtTheirEdges) {
    make_image(6, 1);
    auto img = rgba(100, 100, 100, 100);
    // Colour range, tolerance 1 gives T = 2: a difference of 2 matches, 3 does not.
    set_rgba(img, 1, 102, 98, 100, 0);
    set_rgba(img, 2, 103, 100, 100, 0);
    set_rgba(img, 3, 0, 255, 0, 255);
    fill_mask(5);
    PTE_CreateMaskFromRGBAImageColorRange(img.data(), 100, 100, 100, 1, 0);
    EXPECT_EQ(mask_values(4), (V{65280, 65280, 5, 5}));
    fill_mask(5);
    PTE_CreateMaskFromRGBAImageColorRange(img.data(), 255, 0, 255, 100, 200);  // T = 256: every pixel
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(m(i), 55 * 256) << i;
    fill_mask(5);
    PTE_CreateMaskFromRGBAImageColorRange(img.data(), 100, 100, 100, 0, 0);  // exact only
    EXPECT_EQ(m(0), 65280);
    EXPECT_EQ(m(1), 5);

    // Alpha range, tolerance 39 gives T = 99.
    set_rgba(img, 4, 0, 0, 0, 199);
    set_rgba(img, 5, 0, 0, 0, 200);
    fill_mask(5);
    PTE_CreateMaskFromRGBAImageAlphaRange(img.data(), 100, 39, 255);
    // alpha 100, 0 (100 away), 0, 255, 199 (99 away), 200
    EXPECT_EQ(mask_values(), (V{0, 5, 5, 5, 0, 5}));

    // Luminance: the pixel's mean truncates; the reference is floored, so
    // host components with a negative sum put it below zero, not at it.
    auto lum = rgba(0, 0, 0, 0);
    set_rgba(lum, 0, 10, 10, 12, 0);  // mean 10
    set_rgba(lum, 1, 10, 10, 13, 0);  // mean 11
    set_rgba(lum, 2, 14, 14, 14, 0);  // mean 14
    set_rgba(lum, 3, 1, 1, 0, 0);     // mean 0
    set_rgba(lum, 4, 2, 1, 0, 0);     // mean 1; the last pixel is black
    constexpr uint16_t M = 65280;  // level 0
    struct Reference { int32_t c0, c1, c2, percent; V marked; };
    for (const Reference& r : {
             Reference{30, 0, 2, 1, V{M, M, 5, 5, 5, 5}},  // reference 10, T = 2; black is 10 away
             Reference{-1, 0, 0, 0, V{5, 5, 5, 5, 5, 5}},  // -1: mean 0 is 1 away, T = 0
             Reference{-7, 0, 0, 1, V{5, 5, 5, 5, 5, 5}},  // -3: mean 0 is 3 away
             Reference{-4, 0, 0, 1, V{5, 5, 5, M, 5, M}},  // -2: mean 0 within 2, mean 1 is 3 away
             Reference{0, -2, -4, 1, V{5, 5, 5, M, 5, M}}, // the same sum from other components
             Reference{INT32_MAX, INT32_MAX, 2, 1, V{5, 5, 5, 5, 5, 5}},  // 2^32 / 3, not a wrapped 0
         }) {
        SCOPED_TRACE(testing::Message() << r.c0 << " " << r.c1 << " " << r.c2 << " " << r.percent << "%");
        fill_mask(5);
        PTE_CreateMaskFromRGBAImageLuminanceRange(lum.data(), r.c0, r.c1, r.c2, r.percent, 0);
        EXPECT_EQ(mask_values(), r.marked);
    }
}

TEST_F(Mask, HueRangeWrapsAroundRed) {
    make_image(7, 1);
    auto img = rgba(0, 0, 0, 255);
    set_rgba(img, 0, 255, 0, 0, 255);    // 0
    set_rgba(img, 1, 255, 0, 1, 255);    // 359.76: 0.24 below 360
    set_rgba(img, 2, 255, 0, 5, 255);    // 358.82: 1.18 below 360
    set_rgba(img, 3, 255, 3, 0, 255);    // 0.71
    set_rgba(img, 4, 128, 128, 128, 255);  // grey: hue -1
    set_rgba(img, 5, 0, 255, 0, 255);    // 120
    set_rgba(img, 6, 0, 255, 255, 255);  // 180
    struct Row {
        int32_t c0, c1, c2, tolerance;
        std::vector<int32_t> marked;
    };
    for (const Row& c : {
             Row{255, 0, 0, 0, {0, 1, 3}},            // less than a degree either way
             Row{255, 0, 0, 1, {0, 1, 2, 3, 4}},      // T = 1: 1.18 truncates to 1; grey (-1) joins red
             Row{255, 0, 1, 0, {0, 1, 2, 3, 4}},      // reference 359.76 reaches across 360 to 0.71, and to -1
             Row{0, 255, 0, 33, {5}},                 // T = 59
             Row{0, 255, 0, 34, {5, 6}},              // T = 61 reaches 180 but not 358.82 nor 0
             Row{255, 0, 0, 100, {0, 1, 2, 3, 4, 5, 6}},  // T = 180: everything
             Row{128, 128, 128, 0, {1, 2, 4}},        // a grey reference (-1) lies just below 0 as well
         }) {
        fill_mask(5);
        PTE_CreateMaskFromRGBAImageHueRange(img.data(), c.c0, c.c1, c.c2, c.tolerance, 0);
        for (int32_t i = 0; i < 7; ++i) {
            const bool want = std::find(c.marked.begin(), c.marked.end(), i) != c.marked.end();
            EXPECT_EQ(m(i), want ? 65280 : 5) << "reference " << c.c0 << "," << c.c1 << "," << c.c2 << " tolerance "
                                              << c.tolerance << " pixel " << i;
        }
    }
}

TEST_F(Mask, ApplyToAlpha) {
    make_image(5, 1);
    const uint16_t values[5] = {65535, 32768, 0, 255, 65280};
    for (int32_t i = 0; i < 5; ++i) m(i) = values[i];
    auto img = rgba(1, 2, 3, 200);
    set_rgba(img, 0, 1, 2, 3, 255);
    PTE_ApplyMaskToAlpha_RGBA32(img.data());
    EXPECT_EQ(img[0 * 4 + 3], 254) << "(255 * 255) >> 8";
    EXPECT_EQ(img[1 * 4 + 3], 100);
    EXPECT_EQ(img[2 * 4 + 3], 0);
    EXPECT_EQ(img[3 * 4 + 3], 0) << "a high byte of 0 clears alpha";
    EXPECT_EQ(img[4 * 4 + 3], 199);
    EXPECT_EQ(img[4 * 4 + 0], 1) << "colour untouched";

    // The working source: only when present at the image's size and with the mask in force.
    PTE_ApplyMaskToAlpha_IPLSrcRGBA();  // absent: nothing
    auto& src = st().working.iplSrc32;
    ASSERT_TRUE(src.allocate(5 * 4));
    for (size_t i = 0; i < 20; ++i) src[i] = 200;
    st().maskActive = 0;
    PTE_ApplyMaskToAlpha_IPLSrcRGBA();
    EXPECT_EQ(src[1 * 4 + 3], 200);
    st().maskActive = 1;
    PTE_ApplyMaskToAlpha_IPLSrcRGBA();
    EXPECT_EQ(src[1 * 4 + 3], 100);
    EXPECT_EQ(src[2 * 4 + 3], 0);
    ASSERT_TRUE(src.allocate(2 * 4));  // from before a size change
    for (size_t i = 0; i < 8; ++i) src[i] = 200;
    PTE_ApplyMaskToAlpha_IPLSrcRGBA();
    EXPECT_EQ(src[1 * 4 + 3], 200);
}

TEST_F(Mask, ReplaceAndFloodColour) {
    make_image(4, 1);
    auto img = rgba(9, 9, 9, 100);
    set_rgba(img, 1, 9, 9, 9, 102);
    set_rgba(img, 2, 9, 9, 9, 103);
    PTE_ReplaceFromRGBAImageAlphaRange(img.data(), 100, 1, 1, 2, 3, 4);  // T = 2
    const std::vector<uint8_t> want = {1, 2, 3, 4, 1, 2, 3, 4, 9, 9, 9, 103, 1, 2, 3, 4};
    EXPECT_EQ(img, want);
    const std::vector<uint8_t> map = {0, 1, 1, 3};
    PTE_ColorRGBA32FromFloodMask(img.data(), map.data(), 255, 0, 256 + 7, 0);
    const std::vector<uint8_t> flooded = {1, 2, 3, 4, 255, 0, 7, 0, 255, 0, 7, 0, 1, 2, 3, 4};
    EXPECT_EQ(img, flooded);
}

TEST_F(Mask, ChannelShuffles) {
    const std::vector<uint8_t> rgba32 = {10, 20, 30, 40, 50, 60, 70, 80, 1, 1, 2, 255};
    const std::vector<uint8_t> rgb24 = {1, 1, 2, 255, 255, 254, 0, 0, 0};
    std::vector<uint8_t> out24(9, 0xAA);
    PTE_RGBAlphaToRGB(out24.data(), 3, 1, rgba32.data());
    EXPECT_EQ(out24, (std::vector<uint8_t>{40, 40, 40, 80, 80, 80, 255, 255, 255}));
    PTE_RGBAToRGB(out24.data(), 1, 3, rgba32.data());
    EXPECT_EQ(out24, (std::vector<uint8_t>{10, 20, 30, 50, 60, 70, 1, 1, 2}));

    auto out32 = rgba32;
    PTE_RGBToRGBAlpha(out32.data(), 3, 1, rgb24.data());
    EXPECT_EQ(out32, (std::vector<uint8_t>{10, 20, 30, 1, 50, 60, 70, 254, 1, 1, 2, 0}));
    PTE_RGBToRGBA(out32.data(), 3, 1, rgb24.data());
    EXPECT_EQ(out32, (std::vector<uint8_t>{1, 1, 2, 1, 255, 255, 254, 254, 0, 0, 0, 0}));

    const auto before = out32;
    PTE_RGBToRGBA(out32.data(), 0, 3, rgb24.data());
    PTE_RGBToRGBA(out32.data(), -3, -1, rgb24.data());
    EXPECT_EQ(out32, before);
}

TEST_F(Mask, NullPointersAndNoImageChangeNothing) {
    const auto every_call = [] {
        uint8_t one[16] = {};
        PTE_InvertMask();
        PTE_ClearMask(1, 2, 3);
        PTE_SaveMask(nullptr, 12);
        PTE_LoadMask(nullptr, 12, 4, 4);
        PTE_CreateImageFromMask();
        PTE_CreateAlphaFromMask();
        PTE_CreateMaskFromAlpha();
        PTE_CreateMaskFromImage();
        PTE_CreateMaskFromDiff_RGBA32(nullptr, one, 1);
        PTE_CreateMaskFromDiff_RGBA32(one, nullptr, 1);
        PTE_CreateMaskFromRGBAImageColor(nullptr, 0, 0, 0, 0);
        PTE_CreateMaskFromRGB24ImageColor(nullptr, 0, 0, 0, 0);
        PTE_CreateMaskFromFloodMask(nullptr, 0);
        PTE_CreateMaskFromRGBAImageColorRange(nullptr, 0, 0, 0, 100, 0);
        PTE_CreateMaskFromRGBAImageAlphaRange(nullptr, 0, 100, 0);
        PTE_CreateMaskFromRGBAImageLuminanceRange(nullptr, 0, 0, 0, 100, 0);
        PTE_CreateMaskFromRGBAImageHueRange(nullptr, 0, 0, 0, 100, 0);
        PTE_ApplyMaskToAlpha_RGBA32(nullptr);
        PTE_ApplyMaskToAlpha_IPLSrcRGBA();
        PTE_ReplaceFromRGBAImageAlphaRange(nullptr, 0, 100, 1, 2, 3, 4);
        PTE_ColorRGBA32FromFloodMask(nullptr, one, 1, 2, 3, 4);
        PTE_ColorRGBA32FromFloodMask(one, nullptr, 1, 2, 3, 4);
        PTE_RGBAlphaToRGB(nullptr, 1, 1, one);
        PTE_RGBAlphaToRGB(one, 1, 1, nullptr);
        PTE_RGBToRGBAlpha(nullptr, 1, 1, one);
        PTE_RGBToRGBA(one, 1, 1, nullptr);
        PTE_RGBAToRGB(nullptr, 1, 1, one);
    };
    every_call();  // no image at all
    make_image(2, 2);
    fill_mask(4321);
    const uint16_t before = m(3);
    PTE_SaveMask(nullptr, 6);
    PTE_LoadMask(nullptr, 6, 2, 2);
    PTE_CreateMaskFromRGBAImageHueRange(nullptr, 0, 0, 0, 100, 0);
    PTE_CreateMaskFromFloodMask(nullptr, 0);
    EXPECT_EQ(m(3), before);
    every_call();  // with an image: null buffers are still never touched
    EXPECT_EQ(PTE_GetLastError()[0], '\0');
}

}  // namespace
