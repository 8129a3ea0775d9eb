// Drawing into the current layer through the exports: rectangles and
// ellipses merged at their opacity, gradients with their stops where the
// colour count puts them, text loaded through the mask, and the font record.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/engine_fixture.h"
#include "support/reference_blend.h"

namespace {

class Drawing : public EngineTest {
protected:
    // An image of w x h whose layer 2, transparent, is current.
    static void make_upper(int32_t w, int32_t h) {
        make_image(w, h, 1);
        PTE_SetLayer(2);
        PTE_IPLInit();
    }
    static std::vector<uint16_t> layer(int slot) {
        const engine::LayerSlot& l = st().layers[slot];
        return {l.pixels.data(), l.pixels.data() + l.pixels.size()};
    }
    static std::vector<int> pixel(int slot, int x, int y) {
        return {px(slot, x, y, 0), px(slot, x, y, 1), px(slot, x, y, 2), px(slot, x, y, 3)};
    }
    // A transparent layer pixel after the merge step laid an opaque 8-bit
    // colour over it in "Normal" at `opacity`, the slow way.
    static std::vector<int> merged_over_clear(int r, int g, int b, int opacity) {
        uint16_t d[4] = {0, 0, 0, 0};
        const uint16_t s[4] = {uint16_t(r << 8), uint16_t(g << 8), uint16_t(b << 8), 65280};
        ref::blend(d, s, nullptr, 0, opacity, false);
        return {d[0], d[1], d[2], d[3]};
    }
    static void expect_near(const std::vector<int>& got, const std::vector<int>& want, int within, const char* what) {
        for (size_t c = 0; c < 4; ++c) EXPECT_NEAR(got[c], want[c], within) << what << " channel " << c;
    }
};

// An 8-bit colour of a layer pixel, its high bytes.
std::vector<int> high_bytes(const std::vector<int>& p) { return {p[0] >> 8, p[1] >> 8, p[2] >> 8, p[3] >> 8}; }

}  // namespace

TEST_F(Drawing, RectangleMergesAtItsOpacityPercentage) {
    make_upper(12, 8);
    // Corners in either order; both included. 100 % is opacity 255 (not the 254 of 100 * 2.55 in binary).
    PTE_IPLRectangle(200, 100, 50, 9, 6, 2, 1, 100);
    const std::vector<int> full = merged_over_clear(200, 100, 50, 255);
    EXPECT_EQ(full[3], 65025) << "65280 * 255 >> 8";
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool in = x >= 2 && x <= 9 && y >= 1 && y <= 6;
            if (in) expect_near(pixel(2, x, y), full, 1, "inside");
            else EXPECT_EQ(pixel(2, x, y), (std::vector<int>{0, 0, 0, 0})) << x << "," << y;
        }
    // Half: trunc(50 * 2.55) = 127.
    PTE_IPLRectangle(10, 20, 30, 0, 0, 0, 0, 50);
    expect_near(pixel(2, 0, 0), merged_over_clear(10, 20, 30, 127), 1, "half");
    EXPECT_EQ(px(2, 0, 0, 3), (65280 * 127) >> 8);
    // The working destination is freed afterwards, as the operation allocated it.
    EXPECT_FALSE(st().working.iplDst32);
    // Out-of-range percentages hold to the merge's range: nothing below 0, full above.
    const auto before = layer(2);
    PTE_IPLRectangle(255, 255, 255, 0, 0, 11, 7, -40);
    for (size_t i = 3; i < before.size(); i += 4) ASSERT_EQ(layer(2)[i], before[i]) << "alpha of pixel " << i / 4;
    expect_near(pixel(2, 0, 0), merged_over_clear(10, 20, 30, 127), 1, "a visible pixel");
    PTE_IPLRectangle(255, 0, 0, 11, 7, 11, 7, 1000);
    EXPECT_EQ(px(2, 11, 7, 3), 65280) << "opacity 256";
}

TEST_F(Drawing, RectanglesThroughTheMaskAndOffTheImage) {
    make_upper(10, 4);
    // Half the image protected: nothing lands there.
    std::vector<uint8_t> grey(10 * 4 * 3, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 5; x < 10; ++x) std::memset(&grey[size_t((y * 10 + x) * 3)], 255, 3);
    PTE_LoadMask(grey.data(), 30, 10, 4);
    PTE_IPLRectangle(0, 0, 255, -100, -100, 100, 100, 100);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(px(2, x, 2, 3) != 0, x < 5) << x;
    // Wholly outside, or with corners past the int range: nothing, no fault.
    PTE_ClearMask(0, 0, 0);
    const auto before = layer(2);
    PTE_IPLRectangle(1, 2, 3, 10, 0, 20, 3, 100);
    PTE_IPLRectangle(1, 2, 3, INT32_MIN, INT32_MIN, -1, -1, 100);
    EXPECT_EQ(layer(2), before);
    PTE_IPLRectangle(1, 2, 3, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, 100);
    EXPECT_NE(layer(2), before) << "the whole image, corners reversed";
    EXPECT_STREQ(PTE_GetLastError(), "");
}

TEST_F(Drawing, EllipseRadiiAreAtLeastTwoAndItsColourKeepsItsOrder) {
    make_upper(24, 24);
    // The box (10, 10)-(11, 11) gives radii 2 and 2 around (12, 12): pixels
    // 10 to 14 along the middle row, edges smoothed.
    PTE_IPLEllipse(255, 40, 0, 11, 11, 10, 10, 100);
    expect_near(pixel(2, 12, 12), merged_over_clear(255, 40, 0, 255), 1, "centre");
    EXPECT_GT(px(2, 10, 12, 3), 0);
    EXPECT_GT(px(2, 14, 12, 3), 0);
    EXPECT_GT(px(2, 12, 10, 3), 0);
    EXPECT_EQ(px(2, 9, 12, 3), 0);
    EXPECT_EQ(px(2, 15, 12, 3), 0);
    EXPECT_EQ(px(2, 12, 15, 3), 0);
    // Every pixel it touches has its colour: the edge fades in alpha only.
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            if (px(2, x, y, 3) != 0) {

                EXPECT_EQ(high_bytes(pixel(2, x, y)).at(0), 255) << x << "," << y;

            }
    EXPECT_EQ(px(2, 12, 12, 1), 40 << 8);
    EXPECT_EQ(px(2, 12, 12, 2), 0);
    EXPECT_FALSE(st().working.iplDst32);
}

TEST_F(Drawing, EllipseCoversItsBoxSymmetrically) {
    make_upper(40, 30);
    PTE_IPLEllipse(0, 0, 0, 5, 5, 35, 25, 100);  // radii 15 and 10 around (20, 15)
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool outsideBox = x < 5 || x > 35 || y < 5 || y > 25;
            if (outsideBox) {

                EXPECT_EQ(px(2, x, y, 3), 0) << x << "," << y;

            }
            // Mirrored through the centre pixel, within the rasterizer's sampling.
            if (x > 0) {

                EXPECT_NEAR(px(2, x, y, 3), px(2, 40 - x, y, 3), 6 << 8) << "mirrored " << x << "," << y;

            }
            if (y > 0) {
                EXPECT_NEAR(px(2, x, y, 3), px(2, x, 30 - y, 3), 6 << 8) << "mirrored " << x << "," << y;
            }
        }
    EXPECT_TRUE(px(2, 20, 5, 3) > 0 && px(2, 5, 15, 3) > 0 && px(2, 35, 15, 3) > 0) << "the box's sides touched";
}

namespace {

// A linear gradient along the top row of a 201-pixel-wide image: pixel x
// lies at x / 2 percent.
struct Colours {
    int v[12];
};
constexpr Colours kRgbw = {{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}};

void gradient(const Colours& c, int32_t count, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const char* kind) {
    PTE_IPLGradient(c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5], c.v[6], c.v[7], c.v[8], c.v[9], c.v[10], c.v[11],
                    count, x1, y1, x2, y2, kind);
}

}  // namespace

TEST_F(Drawing, GradientStopLayoutsForEachColourCount) {
    struct Row {
        int32_t count;
        std::vector<std::pair<int, std::vector<int>>> at;  // pixel x, 8-bit colour and alpha
    };
    const std::vector<Row> rows = {
        // 2 to 4 colours are opaque, at k * (100 / (count - 1)) percent.
        {2, {{0, {255, 0, 0, 254}}, {200, {0, 255, 0, 254}}}},
        {3, {{0, {255, 0, 0, 254}}, {100, {0, 255, 0, 254}}, {200, {0, 0, 255, 254}}}},
        {4, {{0, {255, 0, 0, 254}}, {66, {0, 255, 0, 254}}, {132, {0, 0, 255, 254}}, {198, {255, 255, 255, 254}},
             {200, {255, 255, 255, 254}}}},
        // 0 fades the first colour in, 1 fades it out.
        {0, {{0, {0, 0, 0, 0}}, {200, {255, 0, 0, 254}}}},
        {1, {{0, {255, 0, 0, 254}}, {200, {0, 0, 0, 0}}}},
    };
    for (const Row& r : rows) {
        make_upper(201, 3);
        gradient(kRgbw, r.count, 0, 0, 200, 0, "Linear");
        for (const auto& [x, want] : r.at)
            for (size_t c = 0; c < 4; ++c)
                EXPECT_NEAR(high_bytes(pixel(2, x, 1))[c], want[c], 1) << "count " << r.count << " at " << x << " channel " << c;
        EXPECT_FALSE(st().working.iplDst32);
        reset_engine();
    }
    // Four colours: the last stop at 99 %, so pixel 197 still mixes and 198 does not.
    make_upper(201, 1);
    gradient(kRgbw, 4, 0, 0, 200, 0, "Linear");
    EXPECT_LT(px(2, 197, 0, 0), 255 << 8);
    // Halfway through a fade the alpha is halfway.
    reset_engine();
    make_upper(201, 1);
    gradient(kRgbw, 0, 0, 0, 200, 0, "Linear");
    EXPECT_NEAR(px(2, 100, 0, 3), 65280 / 2, 600);
}

TEST_F(Drawing, GradientKindsAndCountsOutOfRange) {
    // "Linear" exactly; any other kind is radial around the first point.
    make_upper(201, 101);
    gradient(kRgbw, 3, 0, 0, 200, 0, "linear");
    expect_near(high_bytes(pixel(2, 0, 100)), {0, 255, 0, 254}, 1, "100 from the centre: halfway");
    reset_engine();
    make_upper(201, 101);
    gradient(kRgbw, 3, 0, 0, 200, 0, "Linear");
    expect_near(high_bytes(pixel(2, 0, 100)), {255, 0, 0, 254}, 1, "below the start");
    // Counts outside 0..4 and gradients of no length draw nothing; a null kind is radial.
    const auto before = layer(2);
    for (int32_t count : {-1, 5, 1000, INT32_MIN}) gradient(kRgbw, count, 0, 0, 200, 0, "Linear");
    gradient(kRgbw, 3, 7, 7, 7, 7, "Linear");
    gradient(kRgbw, 3, 7, 7, 7, 7, "Radial");
    EXPECT_EQ(layer(2), before);
    gradient(kRgbw, 2, 0, 0, INT32_MAX, INT32_MAX, nullptr);
    EXPECT_NE(layer(2), before);
    EXPECT_STREQ(PTE_GetLastError(), "");
}

namespace {

// The font record: height at byte 0, weight at 16, the face name from 28.
std::vector<uint8_t> font_record(int32_t height, int32_t weight = 0, const char* face = "") {
    std::vector<uint8_t> r(60, 0);
    std::memcpy(r.data(), &height, 4);
    std::memcpy(r.data() + 16, &weight, 4);
    std::strncpy(reinterpret_cast<char*>(r.data() + 28), face, 31);
    return r;
}

}  // namespace

TEST_F(Drawing, FontRecordRoundTripsAndTheDialogAnswersCancelled) {
    std::vector<uint8_t> out(60, 0xCC);
    PTE_GetFontRecord(out.data());
    EXPECT_EQ(out, std::vector<uint8_t>(60, 0)) << "zeroed at load";
    std::vector<uint8_t> in(60);
    for (size_t i = 0; i < 60; ++i) in[i] = uint8_t(i * 37 + 11);
    std::vector<uint8_t> guard(80, 0xEE);
    std::memcpy(guard.data() + 10, in.data(), 60);
    PTE_SetFontRecord(guard.data() + 10);
    PTE_GetFontRecord(out.data());
    EXPECT_EQ(out, in);
    // Null is ignored both ways; the dialog leaves the record and records nothing.
    PTE_SetFontRecord(nullptr);
    PTE_GetFontRecord(nullptr);
    PTE_SetLastError("before");
    EXPECT_EQ(PTE_ChooseFont(), 0);
    EXPECT_STREQ(PTE_GetLastError(), "before");
    PTE_GetFontRecord(out.data());
    EXPECT_EQ(out, in);
    // The record belongs to the engine, not the image.
    make_image(4, 4);
    PTE_DeleteImage();
    PTE_GetFontRecord(out.data());
    EXPECT_EQ(out, in);
}

TEST_F(Drawing, TextLandsInItsRectangleInItsColour) {
    make_upper(160, 60);
    PTE_IPLAllocSrcBuffer32();
    const auto record = font_record(-30);
    PTE_SetFontRecord(record.data());
    ASSERT_EQ(PTE_IPLText(30, 140, 220, 40, 12, 1, 2, 3, 4, "Hxg", 0), 1);
    long inked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 160; ++x) {
            const std::vector<int> p = pixel(2, x, y);
            if (p[3] == 0) continue;
            ++inked;
            EXPECT_EQ(p, (std::vector<int>{30 << 8, 140 << 8, 220 << 8, 255 << 8})) << "aliased: colour or nothing";
            EXPECT_GE(x, 40);
            EXPECT_GE(y, 12);
        }
    EXPECT_GT(inked, 150);
    // Smooth text: partly covered edges keep the colour within rounding.
    make_upper(160, 60);
    PTE_IPLAllocSrcBuffer32();
    ASSERT_EQ(PTE_IPLText(30, 140, 220, 40, 12, 0, 0, 0, 0, "Hxg", 1), 1);
    long partial = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 160; ++x) {
            const std::vector<int> p = high_bytes(pixel(2, x, y));
            if (p[3] == 0 || p[3] == 255) continue;
            ++partial;
            if (p[3] >= 64) expect_near(p, {30, 140, 220, p[3]}, 6, "edge colour");
        }
    EXPECT_GT(partial, 20);
}

TEST_F(Drawing, TextThroughTheMaskAndBoldInksMore) {
    make_upper(200, 50);
    PTE_IPLAllocSrcBuffer32();
    PTE_SetFontRecord(font_record(-30, 400).data());
    ASSERT_EQ(PTE_IPLText(0, 0, 0, 5, 5, 0, 0, 0, 0, "Weight", 1), 1);
    const auto regular = layer(2);
    make_upper(200, 50);
    PTE_IPLAllocSrcBuffer32();
    PTE_SetFontRecord(font_record(-30, 700).data());
    ASSERT_EQ(PTE_IPLText(0, 0, 0, 5, 5, 0, 0, 0, 0, "Weight", 1), 1);
    const auto bold = layer(2);
    long ink[2] = {0, 0};
    for (size_t i = 3; i < regular.size(); i += 4) ink[0] += regular[i], ink[1] += bold[i];
    EXPECT_GT(ink[1], ink[0] * 11 / 10);

    // Left half protected: the text shows only on the right.
    make_upper(200, 50);
    PTE_IPLAllocSrcBuffer32();
    std::vector<uint8_t> grey(200 * 50 * 3, 0);
    for (int y = 0; y < 50; ++y) std::memset(&grey[size_t(y * 200 * 3)], 255, 100 * 3);
    PTE_LoadMask(grey.data(), 600, 200, 50);
    ASSERT_EQ(PTE_IPLText(0, 0, 0, 5, 5, 0, 0, 0, 0, "Weight Weight", 1), 1);
    long left = 0, right = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 200; ++x) (x < 100 ? left : right) += px(2, x, y, 3);
    EXPECT_EQ(left, 0);
    EXPECT_GT(right, 0);
}

TEST_F(Drawing, TextThatCannotBeDrawnLeavesTheLayer) {
    make_upper(40, 20);
    set_px(2, 3, 3, 100, 200, 300, 40000);  // a 16-bit value the 8-bit working copy would round
    const auto before = layer(2);
    EXPECT_EQ(PTE_IPLText(0, 0, 0, 1, 1, 0, 0, 0, 0, "no buffer", 1), 0) << "no source buffer";
    PTE_IPLAllocSrcBuffer32();
    EXPECT_EQ(PTE_IPLText(0, 0, 0, 1, 1, 0, 0, 0, 0, nullptr, 1), 0);
    EXPECT_EQ(PTE_IPLText(0, 0, 0, 1, 1, 0, 0, 0, 0, "", 1), 0);
    EXPECT_EQ(PTE_IPLText(0, 0, 0, 40, 1, 0, 0, 0, 0, "x = W", 1), 0);
    EXPECT_EQ(PTE_IPLText(0, 0, 0, 1, 20, 0, 0, 0, 0, "y = H", 1), 0);
    EXPECT_EQ(layer(2), before);
    // Invalid UTF-8 draws replacement characters; a font record of any bytes draws.
    EXPECT_EQ(PTE_IPLText(0, 0, 0, 1, 1, 0, 0, 0, 0, "\xff\xfe\xc3", 1), 1);
    std::vector<uint8_t> noise(60, 0xB7);
    PTE_SetFontRecord(noise.data());
    EXPECT_EQ(PTE_IPLText(0, 0, 0, -5, -5, 0, 0, 0, 0, "noise", 0), 1);
    EXPECT_STREQ(PTE_GetLastError(), "");
}
