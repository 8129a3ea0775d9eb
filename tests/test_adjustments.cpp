// Hue, saturation and lightness (or value) shifts of a caller's buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "paintcore.h"

namespace {

using Pixels = std::vector<uint8_t>;

Pixels hsl(Pixels p, int32_t hue, int32_t s, int32_t l) {
    PTE_ProcessBuffer_HSLAdjust(p.data(), int32_t(p.size() / 4), 1, hue, s, l);
    return p;
}

Pixels hsv(Pixels p, int32_t hue, int32_t s, int32_t v) {
    PTE_ProcessBuffer_HSVAdjust(p.data(), int32_t(p.size() / 4), 1, hue, s, v);
    return p;
}

TEST(Adjustments, HueShiftsWrapOnceAndKeepSaturationAndLightness) {
    // Magenta has hue 300; 300 + 200 = 500 wraps to 140 at full saturation,
    // lightness one half: red falls in the low third, green in the high
    // plateau, blue rises a third of the way (20 of 60 degrees).
    const Pixels magenta = {255, 0, 255, 77};
    const Pixels shifted = hsl(magenta, 200, 0, 0);
    EXPECT_EQ(shifted[0], 0);
    EXPECT_EQ(shifted[1], 255);
    EXPECT_EQ(shifted[2], uint8_t(20.0 / 60.0 * 255.0));
    EXPECT_EQ(shifted[3], 77) << "alpha untouched";
    // HSV: red turned by 120 degrees is green.
    EXPECT_EQ(hsv({255, 0, 0, 9}, 120, 0, 0), (Pixels{0, 255, 0, 9}));
    // A negative shift below 0 wraps up once.
    EXPECT_EQ(hsv({255, 0, 0, 9}, -120, 0, 0), (Pixels{0, 0, 255, 9}));
}

TEST(Adjustments, GreysKeepNoHueAndOnlyLightnessMoves) {
    EXPECT_EQ(hsl({128, 128, 128, 1}, 90, 100, 0), (Pixels{128, 128, 128, 1})) << "no saturation to add to a grey";
    const Pixels lighter = hsl({102, 102, 102, 1}, 90, 100, 20);
    EXPECT_EQ(lighter[0], lighter[1]);
    EXPECT_EQ(lighter[1], lighter[2]);
    EXPECT_EQ(lighter[0], uint8_t((102.0 / 255.0 + 0.2) * 255.0));
    EXPECT_EQ(hsv({200, 200, 200, 3}, 0, 50, -100), (Pixels{0, 0, 0, 3})) << "value held to 0";
    EXPECT_EQ(hsl({10, 200, 30, 3}, 0, 0, 100), (Pixels{255, 255, 255, 3})) << "lightness held to 1";
    EXPECT_EQ(hsl({10, 200, 30, 3}, 0, -100, 0)[0], hsl({10, 200, 30, 3}, 0, -100, 0)[1]) << "saturation 0 is grey";
}

TEST(Adjustments, NoShiftChangesNoByteAndBadBuffersAreIgnored) {
    std::mt19937 gen(11);
    Pixels p(4 * 500);
    for (uint8_t& b : p) b = uint8_t(gen());
    EXPECT_EQ(hsl(p, 0, 0, 0), p);
    EXPECT_EQ(hsv(p, 0, 0, 0), p);
    PTE_ProcessBuffer_HSLAdjust(nullptr, 5, 5, 10, 10, 10);
    PTE_ProcessBuffer_HSVAdjust(p.data(), -5, 5, 10, 10, 10);
    PTE_ProcessBuffer_HSVAdjust(p.data(), 5, 0, 10, 10, 10);
    EXPECT_EQ(hsl(p, 0, 0, 0), p);
}

}  // namespace
