// Flood fills, colour replacement and colour-match maps of our imaging
// library, against regions worked out by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/imglib/flood.h"
#include "support/region_picture.h"

using namespace imglib;

namespace {

// A picture of 1, 3 or 4 bytes a pixel drawn from a text map, one
// character a pixel; each character names a pixel value.
struct Picture {
    int w = 0, h = 0, bpp = 4, stride = 0;
    std::vector<uint8_t> v;

    Picture(const std::vector<std::string>& rows, int bytesPerPixel, const std::vector<std::vector<uint8_t>>& colours,
            int pad = 0)
        : w(int(rows[0].size())), h(int(rows.size())), bpp(bytesPerPixel), stride(w * bytesPerPixel + pad),
          v(size_t(stride) * size_t(h), 0xEE) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::vector<uint8_t>& c = colours[size_t(rows[size_t(y)][size_t(x)] - '0')];
                for (int k = 0; k < bpp; ++k) at(x, y)[k] = c[size_t(k)];
            }
    }
    uint8_t* at(int x, int y) { return &v[size_t(y) * size_t(stride) + size_t(x) * size_t(bpp)]; }
    bool is(int x, int y, const std::vector<uint8_t>& c) {
        for (int k = 0; k < bpp; ++k)
            if (at(x, y)[k] != c[size_t(k)]) return false;
        return true;
    }
};

// Library tolerance giving a channel range of exactly r (r * 765).
constexpr int32_t tolerance_for(int32_t range) { return range * 765; }

}  // namespace

TEST(ImglibFlood, FourConnectedRegionStopsAtDiagonalGapsEightConnectedCrossesThem) {
    // The wall of 1s meets itself only corner to corner at (2,2)/(3,3).
    const std::vector<std::string> rows = {
        "000100",
        "000100",
        "001000",
        "110000",
        "000000",
    };
    const std::vector<std::vector<uint8_t>> colours = {{10, 20, 30, 255}, {200, 0, 0, 255}};
    const std::vector<uint8_t> paint = {1, 2, 3, 255};
    for (int four : {1, 0}) {
        Picture p(rows, 4, colours, 8);
        ASSERT_TRUE(IS3FloodFillImage(p.v.data(), uint32_t(p.w), uint32_t(p.h), 4, uint32_t(p.stride), 0, 0,
                                      0xFF030201, four, 0, kWriteAll));
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x) {
                const bool wall = rows[size_t(y)][size_t(x)] == '1';
                const bool upperLeft = (y == 0 && x < 3) || (y == 1 && x < 3) || (y == 2 && x < 2);
                const bool filled = !wall && (four ? upperLeft : true);
                EXPECT_EQ(p.is(x, y, paint), filled) << "four " << four << " at " << x << "," << y;
            }
        // Padding past each row is never touched.
        EXPECT_EQ(p.v[size_t(p.w * 4)], 0xEE);
    }
}

// The 4-neighbour region whose bytes all lie within `range` of the seed's,
// breadth first, as the reference for wide pictures.
std::vector<bool> reference_region(const std::vector<uint8_t>& rgba, int w, int h, int sx, int sy, int range) {
    const uint8_t* seed = &rgba[size_t(sy * w + sx) * 4];
    return region_picture::breadth_first_region(w, h, sx, sy, [&](int x, int y) {
        for (int c = 0; c < 4; ++c)
            if (std::abs(int(rgba[size_t(y * w + x) * 4 + size_t(c)]) - int(seed[c])) > range) return false;
        return true;
    });
}

TEST(ImglibFlood, WideRegionsMatchABreadthFirstFill) {
    // Widths around the eight-pixel blocks the fill writes whole.
    std::mt19937 rng(1234);
    for (int w : {7, 8, 9, 16, 17, 23, 64}) {
        const int h = 13;
        std::vector<uint8_t> rgba(size_t(w * h) * 4);
        for (size_t i = 0; i < rgba.size(); i += 4) {
            // Mostly paper within the range of the seed, a quarter walls.
            const bool wall = rng() % 4 == 0;
            rgba[i] = uint8_t(wall ? 20 : 200 + rng() % 4);
            rgba[i + 1] = uint8_t(wall ? 20 : 150 + rng() % 4);
            rgba[i + 2] = uint8_t(wall ? 20 : 100);
            rgba[i + 3] = uint8_t(rng() % 8 == 0 ? 254 : 255);
        }
        rgba[0] = 201, rgba[1] = 151, rgba[2] = 100, rgba[3] = 255;
        const std::vector<bool> want = reference_region(rgba, w, h, 0, 0, 3);
        for (int mode : {0, kWriteAll}) {
            std::vector<uint8_t> got = rgba;
            ASSERT_TRUE(IS3FloodFillImage(got.data(), uint32_t(w), uint32_t(h), 4, uint32_t(w * 4), 0, 0, 0x10FF00FF, 1,
                                          tolerance_for(3), mode));
            for (size_t i = 0; i < size_t(w * h); ++i) {
                uint8_t expect[4];
                std::memcpy(expect, &rgba[i * 4], 4);
                if (want[i]) expect[0] = 0xFF, expect[1] = 0, expect[2] = 0xFF, expect[3] = mode == kWriteAll ? 0x10 : expect[3];
                ASSERT_EQ(0, std::memcmp(expect, &got[i * 4], 4)) << "width " << w << " mode " << mode << " pixel " << i;
            }
        }
    }
}

TEST(ImglibFlood, ToleranceEdgeInEveryChannelAlphaIncluded) {
    // Column k differs from the seed by the amounts in row k of `steps` in one channel.
    struct Row {
        int channel;
        int delta;
        bool inside;
    };
    const int range = 5;
    for (const Row& r : {Row{0, 5, true}, Row{0, 6, false}, Row{1, -5, true}, Row{1, -6, false}, Row{2, 5, true},
                         Row{2, -6, false}, Row{3, -5, true}, Row{3, -6, false}}) {
        std::vector<uint8_t> seed = {100, 110, 120, 200}, other = seed;
        other[size_t(r.channel)] = uint8_t(other[size_t(r.channel)] + r.delta);
        Picture p({"0100"}, 4, {seed, other});
        ASSERT_TRUE(IS3FloodFillImage(p.v.data(), 4, 1, 4, 16, 0, 0, 0xFF0A0B0C, 1, tolerance_for(range), 0));
        // Colour channels written, alpha kept (mode 0); the fill never reaches column 2 past a miss.
        EXPECT_TRUE(p.is(0, 0, {0x0C, 0x0B, 0x0A, 200}));
        const std::vector<uint8_t> filled = {0x0C, 0x0B, 0x0A, other[3]};
        EXPECT_EQ(p.is(1, 0, filled), r.inside) << "channel " << r.channel << " delta " << r.delta;
        EXPECT_EQ(p.is(2, 0, {0x0C, 0x0B, 0x0A, 200}), r.inside);
    }
}

TEST(ImglibFlood, ToleranceUnitsAndBadArguments) {
    // 764 is still the exact colour; 765 allows one step; full range reaches everything.
    const std::vector<std::vector<uint8_t>> colours = {{100, 100, 100, 255}, {101, 100, 100, 255}, {0, 255, 9, 0}};
    for (auto [tolerance, reach] : {std::pair{764, 1}, {765, 2}, {kFullTolerance - 1, 2}, {kFullTolerance, 3}}) {
        Picture p({"012"}, 4, colours);
        ASSERT_TRUE(IS3FloodFillImage(p.v.data(), 3, 1, 4, 12, 0, 0, 0x7F7F7F, 1, tolerance, kWriteAll));
        for (int x = 0; x < 3; ++x) EXPECT_EQ(p.is(x, 0, {0x7F, 0x7F, 0x7F, 0}), x < reach) << tolerance << " " << x;
    }
    Picture p({"01"}, 4, colours);
    const std::vector<uint8_t> before = p.v;
    EXPECT_FALSE(IS3FloodFillImage(p.v.data(), 2, 1, 4, 8, 0, 0, 1, 1, -1, 0)) << "negative tolerance";
    EXPECT_FALSE(IS3FloodFillImage(p.v.data(), 2, 1, 4, 8, 2, 0, 1, 1, 0, 0)) << "x = width";
    EXPECT_FALSE(IS3FloodFillImage(p.v.data(), 2, 1, 4, 8, 0, 1, 1, 1, 0, 0)) << "y = height";
    EXPECT_FALSE(IS3FloodFillImage(p.v.data(), 2, 1, 4, 8, -1, 0, 1, 1, 0, 0)) << "negative x";
    EXPECT_FALSE(IS3FloodFillImage(p.v.data(), 2, 1, 2, 8, 0, 0, 1, 1, 0, 0)) << "two bytes a pixel";
    EXPECT_FALSE(IS3FloodFillImage(nullptr, 2, 1, 4, 8, 0, 0, 1, 1, 0, 0));
    EXPECT_FALSE(IS3ColorReplaceImage(p.v.data(), 2, 1, 4, 8, 0, 1, -5, 0));
    EXPECT_EQ(p.v, before);
}

TEST(ImglibFlood, OneAndThreeBytePictures) {
    Picture grey({"0010", "0110", "0000"}, 1, {{50}, {90}});
    ASSERT_TRUE(IS3FloodFillImage(grey.v.data(), 4, 3, 1, 4, 3, 0, 0x07, 1, 0, 0));
    const std::vector<uint8_t> wantGrey = {7, 7, 90, 7, 7, 90, 90, 7, 7, 7, 7, 7};
    EXPECT_EQ(grey.v, wantGrey) << "the region wraps round the 90s";
    Picture rgb({"01", "00"}, 3, {{1, 2, 3}, {1, 2, 4}}, 2);
    ASSERT_TRUE(IS3FloodFillImage(rgb.v.data(), 2, 2, 3, 8, 0, 1, 0x090807, 1, 0, 0));
    EXPECT_TRUE(rgb.is(0, 0, {7, 8, 9}));
    EXPECT_TRUE(rgb.is(1, 0, {1, 2, 4}));
    EXPECT_TRUE(rgb.is(1, 1, {7, 8, 9}));
}

TEST(ImglibFlood, ColourReplaceMatchesColourChannelsAnywhere) {
    // Alpha is not compared; mode 0 keeps it, kWriteAll writes the new word's.
    const std::vector<std::vector<uint8_t>> colours = {
        {10, 20, 30, 255}, {10, 20, 30, 0}, {13, 17, 33, 90}, {14, 20, 30, 255}, {10, 20, 26, 255}};
    for (int mode : {0, kWriteAll}) {
        Picture p({"01234", "43210"}, 4, colours, 4);
        ASSERT_TRUE(IS3ColorReplaceImage(p.v.data(), 5, 2, 4, 24, 0x1E140A, 0x44332211, 765 * 3, mode));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) {
                const int k = y == 0 ? x : 4 - x;
                const bool match = k <= 2;
                std::vector<uint8_t> want = colours[size_t(k)];
                if (match) want = {0x11, 0x22, 0x33, mode == kWriteAll ? uint8_t(0x44) : want[3]};
                EXPECT_TRUE(p.is(x, y, want)) << "mode " << mode << " colour " << k;
            }
    }
    // The exact word path and the ranged path agree at range 0.
    Picture a({"01", "10"}, 4, {{5, 6, 7, 8}, {5, 6, 8, 8}}), b = a;
    ASSERT_TRUE(IS3ColorReplaceImage(a.v.data(), 2, 2, 4, 8, 0x070605, 0xFF000000, 0, 0));
    ASSERT_TRUE(IS3ColorReplaceImage(b.v.data(), 2, 2, 4, 8, 0x070605, 0xFF000000, 764, 0));
    EXPECT_EQ(a.v, b.v);
    EXPECT_TRUE(a.is(0, 0, {0, 0, 0, 8}));
    EXPECT_TRUE(a.is(1, 0, {5, 6, 8, 8}));
}

TEST(ImglibFlood, ColourMatchMapSelectsChannelsAndWritesZeroElsewhere) {
    // The map compares only the channels the word selects (here byte 0, the
    // one byte of a grey picture that matters), so the 1s, which differ in
    // the other bytes, join the region; the 3s and the 2 do not.
    const std::vector<std::vector<uint8_t>> colours = {{40, 0, 0}, {40, 200, 9}, {41, 0, 0}, {90, 0, 0}};
    Picture p({"0130", "0100", "2000"}, 3, colours);
    std::vector<uint8_t> map(6 * 3, 0xAB);
    ASSERT_TRUE(IS3GetColorMatchMaskFromImage(p.v.data(), 4, 3, 3, 12, map.data(), 6, 0, 0, 0xFF0000FF, 1, 0, 0));
    const std::vector<std::string> want = {"1101", "1111", "0111"};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(map[size_t(y * 6 + x)], want[size_t(y)][size_t(x)] - '0') << x << "," << y;
        EXPECT_EQ(map[size_t(y * 6 + 4)], 0xAB) << "past the row";
    }
    // With the other channels selected as well, the 200s split the region.
    ASSERT_TRUE(IS3GetColorMatchMaskFromImage(p.v.data(), 4, 3, 3, 12, map.data(), 6, 0, 0, 0x00FFFFFF, 1, 0, 0));
    EXPECT_EQ(map[1], 0);
    // A range of one grey step takes the 41 in.
    ASSERT_TRUE(IS3GetColorMatchMaskFromImage(p.v.data(), 4, 3, 3, 12, map.data(), 6, 0, 0, 0xFF0000FF, 1, 765, 0));
    EXPECT_EQ(map[12], 1);
    EXPECT_FALSE(IS3GetColorMatchMaskFromImage(p.v.data(), 4, 3, 3, 12, map.data(), 3, 0, 0, 0xFF, 1, 0, 0))
        << "map rows shorter than the picture's";
    EXPECT_FALSE(IS3GetColorMatchMaskFromImage(p.v.data(), 4, 3, 3, 12, nullptr, 4, 0, 0, 0xFF, 1, 0, 0));
}
