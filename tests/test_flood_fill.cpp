// The paint bucket in its six modes, on a picture whose regions are known,
// and the marker colour that marks them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "imaging/colour_regions.h"
#include "support/engine_fixture.h"
#include "support/region_picture.h"

namespace {

using namespace region_picture;

constexpr int kW = kWidth, kH = kHeight;
const Rgba kPaint = {10, 20, 250, 255};
const Rgba kPaper = {200, 180, 160, 255};

class FloodFill : public EngineTest {
protected:
    static void make_picture(int slot) { load_onto_layer(slot, false); }
    // The layer as 8-bit pixels (every value a multiple of 256 here).
    static std::vector<Rgba> picture(int slot) {
        std::vector<Rgba> out;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                Rgba p;
                for (int c = 0; c < 4; ++c) {
                    EXPECT_EQ(px(slot, x, y, c) % 256, 0) << x << "," << y;
                    p.push_back(px(slot, x, y, c) >> 8);
                }
                out.push_back(p);
            }
        return out;
    }
    // The picture as loaded, with `change` applied where `where` holds.
    template <class Where, class Change>
    static std::vector<Rgba> expected(Where where, Change change) {
        std::vector<Rgba> out;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                Rgba p = colour_at(x, y);
                if (where(x, y)) p = change(p);
                out.push_back(p);
            }
        return out;
    }
    static void expect_pictures(const std::vector<Rgba>& got, const std::vector<Rgba>& want, const char* what) {
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_EQ(got[i], want[i]) << what << " at " << i % kW << "," << i / kW;
    }
};

}  // namespace

TEST_F(FloodFill, PaintConnectedFillsTheRegionOpaqueAndStopsAtDiagonalGaps) {
    for (auto [sx, sy] : {std::pair{6, 4}, {0, 0}}) {
        make_picture(2);
        PTE_IPLFloodFill(10, 20, 250, sx, sy, kTolerance, "Paint Connected");
        const std::vector<bool> in = region(sx, sy, kRange);
        expect_pictures(picture(2), expected([&](int x, int y) { return in[size_t(y * kW + x)]; },
                                             [](Rgba) { return kPaint; }),
                        "Paint Connected");
        // The hand-drawn map's regions: the corner closed off diagonally, the
        // tolerance edge in, the pixel past it and the half-transparent one out.
        EXPECT_EQ(in[size_t(1 * kW + 1)], sx == 0) << "'b' joins the corner region";
        EXPECT_FALSE(in[size_t(1 * kW + 6)]) << "'c'";
        EXPECT_FALSE(in[size_t(3 * kW + 4)]) << "'h'";
        EXPECT_EQ(in[size_t(2 * kW + 3)], sx == 6);
        EXPECT_FALSE(st().working.iplSrc32) << "the working source is freed";
    }
}

TEST_F(FloodFill, ToleranceEdgeInHostUnits) {
    // trunc(t * 3.9015) / 765: 980 allows 4 per channel, 981 allows 5.
    for (auto [tolerance, joins] : {std::pair{980, false}, {981, true}, {0, false}}) {
        make_picture(2);
        PTE_IPLFloodFill(10, 20, 250, 0, 0, tolerance, "Paint Connected");
        EXPECT_EQ(px(2, 1, 1, 2) >> 8, joins ? 250 : 160) << tolerance;
        EXPECT_EQ(px(2, 2, 1, 2) >> 8, 250) << "exact paper always joins";
    }
    EXPECT_EQ(imaging::library_tolerance(50000), 195075);
    EXPECT_EQ(imaging::library_tolerance(1000), 3901);
    EXPECT_EQ(imaging::library_tolerance(INT32_MAX), INT32_MAX);
    EXPECT_EQ(imaging::range_tolerance(50000), 100);
    EXPECT_EQ(imaging::range_tolerance(999), 1);
}

TEST_F(FloodFill, PaintNonConnectedReplacesTheColourAnywhereKeepingAlpha) {
    make_picture(2);
    PTE_IPLFloodFill(10, 20, 250, 6, 4, kTolerance, "Paint Non-connected");
    const Rgba paper = kPaper;
    expect_pictures(picture(2), expected([&](int x, int y) { return rgb_within(colour_at(x, y), paper, kRange); },
                                         [](Rgba p) { return Rgba{10, 20, 250, p[3]}; }),
                    "Paint Non-connected");
    EXPECT_EQ(px(2, 4, 3, 3), 128 << 8) << "'h' painted, its alpha kept";
}

TEST_F(FloodFill, EraseModesClearAlphaAndMarkWithTheFirstFreeColour) {
    // Black and red 1 are in the picture, so the marker is red 2: erased
    // pixels are loaded through the (fully selected) mask with its colour.
    const Rgba erased = {2, 0, 0, 0};
    make_picture(2);
    PTE_IPLFloodFill(10, 20, 250, 6, 4, kTolerance, "Erase Connected");
    const std::vector<bool> in = region(6, 4, kRange);
    expect_pictures(picture(2), expected([&](int x, int y) { return in[size_t(y * kW + x)]; },
                                         [&](Rgba) { return erased; }),
                    "Erase Connected");

    make_picture(2);
    PTE_IPLFloodFill(10, 20, 250, 6, 4, kTolerance, "Erase Non-connected");
    const Rgba paper = kPaper;
    expect_pictures(picture(2), expected([&](int x, int y) { return rgb_within(colour_at(x, y), paper, kRange); },
                                         [&](Rgba) { return erased; }),
                    "Erase Non-connected");

    // On the background both paint instead.
    make_picture(1);
    PTE_IPLFloodFill(10, 20, 250, 6, 4, kTolerance, "Erase Connected");
    expect_pictures(picture(1), expected([&](int x, int y) { return in[size_t(y * kW + x)]; },
                                         [](Rgba) { return kPaint; }),
                    "Erase Connected on the background");
    make_picture(1);
    PTE_IPLFloodFill(10, 20, 250, 6, 4, kTolerance, "Erase Non-connected");
    EXPECT_EQ(picture(1)[size_t(3 * kW + 4)], (Rgba{10, 20, 250, 128})) << "'h' painted, alpha kept";
}

TEST_F(FloodFill, AlphaModesPaintOpaqueByTheLayersAlpha) {
    // Connected: the transparent corner (alpha 0) above the background only.
    make_picture(2);
    PTE_IPLFloodFill(10, 20, 250, 10, 2, kTolerance, "Paint Alpha Connected");
    expect_pictures(picture(2), expected([](int x, int y) { return colour_at(x, y)[3] == 0; },
                                         [](Rgba) { return kPaint; }),
                    "Paint Alpha Connected");
    make_picture(1);
    const auto before = picture(1);
    PTE_IPLFloodFill(10, 20, 250, 10, 2, kTolerance, "Paint Alpha Connected");
    EXPECT_EQ(picture(1), before) << "not on the background";

    // Non-connected: every alpha within 5 of the clicked 128, here only 'h'.
    make_picture(2);
    PTE_IPLFloodFill(10, 20, 250, 4, 3, kTolerance, "Paint Alpha Non-Connected");
    expect_pictures(picture(2), expected([](int x, int y) { return colour_at(x, y)[3] == 128; },
                                         [](Rgba) { return kPaint; }),
                    "Paint Alpha Non-Connected");
    // 49 percent (T = 125) reaches neither 255 nor 0 from 128; 50 percent
    // (T = 128) reaches both.
    for (auto [tolerance, all] : {std::pair{24999, false}, {25000, true}}) {
        make_picture(2);
        PTE_IPLFloodFill(10, 20, 250, 4, 3, tolerance, "Paint Alpha Non-Connected");
        expect_pictures(picture(2), expected([&](int x, int y) { return all || colour_at(x, y)[3] == 128; },
                                             [](Rgba) { return kPaint; }),
                        "Paint Alpha Non-Connected, wide");
    }
}

TEST_F(FloodFill, ClicksModesAndMasksThatChangeNothing) {
    make_picture(2);
    const auto before = picture(2);
    for (auto [x, y] : {std::pair{kW, 0}, {0, kH}, {-1, 0}, {0, -1}, {INT32_MIN, INT32_MAX}})
        PTE_IPLFloodFill(1, 2, 3, x, y, kTolerance, "Paint Connected");
    for (const char* mode : {"paint connected", "Paint connected", "Paint Connected ", "", "Erase", "Paint Alpha Non-connected"})
        PTE_IPLFloodFill(1, 2, 3, 6, 4, kTolerance, mode);
    PTE_IPLFloodFill(1, 2, 3, 6, 4, kTolerance, nullptr);
    // A transparent pixel has no colour to match: the colour modes leave it.
    for (const char* mode : {"Paint Non-connected", "Erase Non-connected"}) PTE_IPLFloodFill(1, 2, 3, 10, 2, kTolerance, mode);
    // A negative tolerance matches nothing.
    PTE_IPLFloodFill(1, 2, 3, 6, 4, -1, "Paint Connected");
    EXPECT_EQ(picture(2), before);
    EXPECT_STREQ(PTE_GetLastError(), "");

    // Protected pixels keep their value; the rest of the region fills.
    std::vector<uint8_t> grey(kW * kH * 3, 0);
    for (int y = 0; y < kH; ++y) std::fill_n(&grey[size_t(y * kW * 3)], 6 * 3, uint8_t(255));
    PTE_LoadMask(grey.data(), kW * 3, kW, kH);
    PTE_IPLFloodFill(10, 20, 250, 6, 4, kTolerance, "Paint Connected");
    const std::vector<bool> in = region(6, 4, kRange);
    expect_pictures(picture(2), expected([&](int x, int y) { return x >= 6 && in[size_t(y * kW + x)]; },
                                         [](Rgba) { return kPaint; }),
                    "through the mask");
}

TEST(MarkerColour, FirstAbsentColourInSearchOrder) {
    // Blue outermost, then green, then red: the smallest red + green * 256 + blue * 65536 not present.
    const auto marker = [](const std::vector<uint32_t>& words) {
        std::vector<uint8_t> rgba;
        for (uint32_t w : words) rgba.insert(rgba.end(), {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), 77});
        return imaging::find_marker_colour(rgba.data(), words.size());
    };
    EXPECT_EQ(marker({}), 0u);
    EXPECT_EQ(marker({1, 2, 0x010000}), 0u);
    EXPECT_EQ(marker({0, 1, 2, 4, 0x000100}), 3u);
    EXPECT_EQ(marker({2, 1, 0, 0, 3}), 4u);
    std::vector<uint32_t> row;
    for (uint32_t w = 0; w < 256; ++w) row.push_back(w);
    EXPECT_EQ(marker(row), 0x000100u) << "red is the innermost: all reds of green 0 taken, green 1 is next";
    // Every colour of blue 0 taken: the first of blue 1, found past the first table.
    std::vector<uint32_t> plane;
    for (uint32_t w = 0; w < 65536; ++w) plane.push_back(w);
    plane.push_back(0x010000);
    plane.push_back(0x010002);
    EXPECT_EQ(marker(plane), 0x010001u);
    EXPECT_EQ(imaging::find_marker_colour(nullptr, 5), std::nullopt);
}

TEST(MarkerColour, NoneWhenEveryColourIsPresent) {
    std::vector<uint8_t> rgba(size_t(1) << 26);
    for (uint32_t w = 0; w < (1u << 24); ++w) {
        // In reverse order, so that no shortcut on the first pixels finds a gap.
        const uint32_t c = (1u << 24) - 1 - w;
        rgba[size_t(w) * 4] = uint8_t(c), rgba[size_t(w) * 4 + 1] = uint8_t(c >> 8), rgba[size_t(w) * 4 + 2] = uint8_t(c >> 16);
    }
    EXPECT_EQ(imaging::find_marker_colour(rgba.data(), 1u << 24), std::nullopt);
    rgba[size_t(12345) * 4] ^= 1;  // one colour now twice, its neighbour gone
    const uint32_t gone = (1u << 24) - 1 - 12345;
    EXPECT_EQ(imaging::find_marker_colour(rgba.data(), 1u << 24), gone);
}
