// Selections from shapes through the grey picture of the mask, and the
// magic wand in each mode with both forms of its tolerance and the level.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "mask/shapes.h"
#include "script/colour_space.h"
#include "support/engine_fixture.h"
#include "support/region_picture.h"

namespace {

class MaskShapes : public EngineTest {
protected:
    static uint16_t& m(int x, int y) { return st().mask.values[size_t(y * st().imageWidth + x)]; }
    static std::vector<uint16_t> mask() { return {st().mask.values.data(), st().mask.values.data() + st().mask.values.size()}; }
    // Every mask value `inside` where the shape holds and `outside` elsewhere.
    static void expect_mask(const std::function<bool(int, int)>& shape, uint16_t inside, uint16_t outside,
                            const char* what) {
        for (int y = 0; y < st().imageHeight; ++y)
            for (int x = 0; x < st().imageWidth; ++x)
                EXPECT_EQ(m(x, y), shape(x, y) ? inside : outside) << what << " at " << x << "," << y;
    }
    static void protect_all() { PTE_ClearMask(65535, 65535, 65535); }
};

bool in_box(int x, int y, int x0, int y0, int x1, int y1) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }

// The aliased ellipse: (dx / rx)^2 + (dy / ry)^2 <= 1, in integers.
bool in_ellipse(int x, int y, int cx, int cy, int rx, int ry) {
    const long long dx = x - cx, dy = y - cy, a = rx, b = ry;
    return dx * dx * b * b + dy * dy * a * a <= a * a * b * b;
}

}  // namespace

TEST_F(MaskShapes, LevelOfAPercentage) {
    // trunc(percent * 2.559), reduced mod 256 as the level rule reduces it.
    for (auto [percent, level] : {std::pair{0, 0}, {1, 2}, {39, 99}, {40, 102}, {50, 127}, {99, 253}, {100, 255},
                                  {150, 383 & 255}, {-10, -25 & 255}, {INT32_MAX, int((INT32_MAX * 2559LL / 1000) & 255)}})
        EXPECT_EQ(mask::level_from_percent(percent), level) << percent;
}

TEST_F(MaskShapes, RectangleTakesTheLevelsValueAndBothCorners) {
    for (auto [percent, value] : {std::pair{0, 65535}, {50, 32768}, {100, 0}, {1, 64768}}) {
        make_image(10, 8);
        protect_all();
        if (percent == 100) PTE_ClearMask(0, 0, 0);  // protecting shows only on a selected mask
        const uint16_t outside = percent == 100 ? 65535 : 0;
        PTE_IPLMaskRectangle(7, 6, 2, 1, percent);
        expect_mask([](int x, int y) { return in_box(x, y, 2, 1, 7, 6); }, uint16_t(value), outside, "rectangle");
    }
    // A rectangle of no size is one pixel; one off the image changes nothing.
    make_image(6, 6);
    protect_all();
    PTE_IPLMaskRectangle(3, 4, 3, 4, 0);
    expect_mask([](int x, int y) { return x == 3 && y == 4; }, 65535, 0, "one pixel");
    PTE_IPLMaskRectangle(6, 0, 9, 5, 0);
    PTE_IPLMaskRectangle(INT32_MIN, INT32_MIN, -1, 10, 0);
    expect_mask([](int x, int y) { return x == 3 && y == 4; }, 65535, 0, "off the image");
    PTE_IPLMaskRectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0);
    expect_mask([](int, int) { return true; }, 65535, 0, "all of it");
}

TEST_F(MaskShapes, OutsideTheShapeTheMaskKeepsItsHighBytes) {
    make_image(6, 1);
    const uint16_t before[6] = {65535, 65534, 65280, 32769, 255, 0};
    const uint16_t after[6] = {65535, 65535, 65535, 32768, 0, 0};
    for (int x = 0; x < 6; ++x) m(x, 0) = before[x];
    PTE_IPLMaskRectangle(100, 100, 200, 200, 50);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(m(x, 0), after[x]) << before[x];
}

TEST_F(MaskShapes, EllipseRadiiHalfTheBoxAndAtLeastTwo) {
    struct Row {
        int x0, y0, x1, y1;
        int cx, cy, rx, ry;
    };
    for (const Row& r : {Row{5, 4, 25, 14, 15, 9, 10, 5}, Row{25, 14, 5, 4, 15, 9, 10, 5},  // corners either way
                         Row{10, 10, 12, 10, 12, 12, 2, 2},                                 // 3 wide: rx 1 raised to 2
                         Row{10, 10, 11, 11, 12, 12, 2, 2}, Row{3, 3, 3, 20, 5, 11, 2, 8}}) {
        make_image(32, 24);
        protect_all();
        PTE_IPLMaskEllipse(r.x0, r.y0, r.x1, r.y1, 0);
        // Aliased edges: each pixel in or out.
        expect_mask([&](int x, int y) { return in_ellipse(x, y, r.cx, r.cy, r.rx, r.ry); }, 65535, 0, "ellipse");
    }
    make_image(32, 24);
    protect_all();
    PTE_IPLMaskEllipse(0, 0, 20, 20, 50);
    EXPECT_EQ(m(10, 10), 32768);
    EXPECT_EQ(m(0, 0), 0);
    // Far off the image, or with corners at the ends of the int range: no fault.
    const auto before = mask();
    PTE_IPLMaskEllipse(INT32_MAX, INT32_MAX, INT32_MAX - 1, INT32_MAX - 1, 0);
    PTE_IPLMaskEllipse(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, 0);
    EXPECT_EQ(mask(), before);
    PTE_IPLMaskEllipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0);
    EXPECT_EQ(m(16, 12), 65535) << "an ellipse around everything";
    EXPECT_STREQ(PTE_GetLastError(), "");
}

namespace {

using namespace region_picture;

class Wand : public MaskShapes {
protected:
    // The region picture on `slot`, current, the mask protecting everything.
    static void make_picture(int slot) { load_onto_layer(slot, true); }
};

const Rgba kPaper = {200, 180, 160, 255};

}  // namespace

TEST_F(Wand, ConnectedMarksTheRegionWithTheLevelsValue) {
    // Level 0 writes 65280, not 65535; 50 % 32768; accumulating over clicks.
    for (auto [percent, value] : {std::pair{0, 65280}, {50, 32768}}) {
        make_picture(2);
        PTE_IPLMaskWand(6, 4, kTolerance, percent, "Connected");
        const std::vector<bool> main = region(6, 4, kRange);
        expect_mask([&](int x, int y) { return main[size_t(y * kWidth + x)]; }, uint16_t(value), 0, "Connected");
        PTE_IPLMaskWand(0, 0, kTolerance, percent, "Connected");
        const std::vector<bool> corner = region(0, 0, kRange);
        expect_mask([&](int x, int y) { return main[size_t(y * kWidth + x)] || corner[size_t(y * kWidth + x)]; },
                    uint16_t(value), 0, "added to");
        EXPECT_FALSE(st().working.iplSrc32);
    }
    // 100 % protects what it marks.
    make_picture(2);
    PTE_ClearMask(0, 0, 0);
    PTE_IPLMaskWand(0, 0, kTolerance, 100, "Connected");
    const std::vector<bool> corner = region(0, 0, kRange);
    expect_mask([&](int x, int y) { return corner[size_t(y * kWidth + x)]; }, 0, 65535, "protected");
    // The tolerance edge in host units: 980 leaves 'b' out, 981 takes it in.
    for (auto [tolerance, joins] : {std::pair{980, false}, {981, true}}) {
        make_picture(2);
        PTE_IPLMaskWand(0, 0, tolerance, 0, "Connected");
        EXPECT_EQ(m(1, 1), joins ? 65280 : 0) << tolerance;
    }
}

TEST_F(Wand, NonConnectedAndTheRangeModes) {
    struct Row {
        const char* mode;
        int tolerance;
        std::function<bool(const Rgba&)> marked;
    };
    const auto mean = [](const Rgba& p) { return (p[0] + p[1] + p[2]) / 3; };
    const auto hue = [](const Rgba& p) { return colour_space::rgb_to_hsv(p[0], p[1], p[2]).h; };
    const double paperHue = hue(kPaper);
    const std::vector<Row> rows = {
        {"Non-connected", kTolerance, [](const Rgba& p) { return rgb_within(p, kPaper, kRange); }},
        // Range tolerance 1000 / 500 = 2 %: T = 5.
        {"Color Range", kTolerance, [](const Rgba& p) { return rgb_within(p, kPaper, 5); }},
        {"Color Range", 0, [](const Rgba& p) { return rgb_within(p, kPaper, 0); }},
        {"Color Range", 999, [](const Rgba& p) { return rgb_within(p, kPaper, 2); }},
        {"Luminance Range", kTolerance, [&](const Rgba& p) { return std::abs(mean(p) - mean(kPaper)) <= 5; }},
        // Hue: T = trunc(2 * 1.8) = 3 degrees, each difference truncated first.
        {"Hue Range", kTolerance,
         [&](const Rgba& p) { return std::fabs(std::trunc(hue(p) - paperHue)) <= 3; }},
    };
    for (const Row& r : rows) {
        make_picture(2);
        PTE_IPLMaskWand(6, 4, r.tolerance, 0, r.mode);
        expect_mask([&](int x, int y) { return r.marked(colour_at(x, y)); }, 65280, 0, r.mode);
    }
    // Sanity of the rows: the edge pixel 'b' (red +5) is in at T = 5 and out at T = 2.
    EXPECT_TRUE(rows[1].marked(colour_at(1, 1)));
    EXPECT_FALSE(rows[3].marked(colour_at(1, 1)));
}

TEST_F(Wand, AlphaModes) {
    // Connected: the transparent corner, above the background only.
    make_picture(2);
    PTE_IPLMaskWand(10, 2, kTolerance, 0, "Alpha Connected");
    expect_mask([](int x, int y) { return colour_at(x, y)[3] == 0; }, 65280, 0, "Alpha Connected");
    make_picture(1);
    PTE_IPLMaskWand(10, 2, kTolerance, 0, "Alpha Connected");
    expect_mask([](int, int) { return false; }, 65280, 0, "Alpha Connected on the background");
    // Non-connected: alpha within T of the clicked 128; 50 % reaches 0 and 255 as well.
    for (auto [tolerance, all] : {std::pair{kTolerance, false}, {25000, true}}) {
        make_picture(1);
        PTE_IPLMaskWand(4, 3, tolerance, 0, "Alpha Non-connected");
        expect_mask([&](int x, int y) { return all || colour_at(x, y)[3] == 128; }, 65280, 0, "Alpha Non-connected");
    }
}

TEST_F(Wand, ClicksAndModesThatMarkNothing) {
    make_picture(2);
    const auto before = mask();
    for (auto [x, y] : {std::pair{kWidth, 0}, {0, kHeight}, {-1, 3}, {3, -1}}) PTE_IPLMaskWand(x, y, kTolerance, 0, "Connected");
    for (const char* mode : {"connected", "CONNECTED", "Connected ", "Color range", "Alpha Non-Connected", ""})
        PTE_IPLMaskWand(6, 4, kTolerance, 0, mode);
    PTE_IPLMaskWand(6, 4, kTolerance, 0, nullptr);
    // A transparent pixel has no colour to match or to range around.
    for (const char* mode : {"Non-connected", "Color Range", "Luminance Range", "Hue Range"})
        PTE_IPLMaskWand(10, 2, 50000, 0, mode);
    // A negative tolerance matches nothing, not even the clicked pixel (as a
    // range, -500 / 500 = -1 percent).
    PTE_IPLMaskWand(6, 4, -1, 0, "Connected");
    PTE_IPLMaskWand(6, 4, -500, 0, "Color Range");
    EXPECT_EQ(mask(), before);
    EXPECT_STREQ(PTE_GetLastError(), "");
}
