// The imaging library's painterly, graphic and noise effects: oil paint and
// mosaic against plain loops of their definitions, the rest by what can be
// checked by hand (flat pictures, neutral settings, coverage, seeds).
#include <gtest/gtest.h>

#include <cmath>

#include "platform/imglib/artistic.h"
#include "platform/imglib/noise.h"
#include "support/byte_picture.h"

namespace {

using namespace imglib;

// Runs of similar colours, as paintings have, so that bins fill unevenly.
BytePicture runs(int w, int h, uint32_t seed) {
    std::mt19937 gen(seed);
    BytePicture p(w, h, 3);
    uint8_t run[3] = {};
    for (size_t i = 0; i < p.v.size(); i += 3) {
        if (gen() % 4 == 0)
            for (uint8_t& c : run) c = uint8_t(gen());
        for (size_t c = 0; c < 3; ++c) p.v[i + c] = uint8_t(run[c] + gen() % 6);
    }
    return p;
}

BytePicture oil_reference(const BytePicture& in, int r, int levels, uint32_t flags) {
    BytePicture out(in.w, in.h, 3);
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < in.w; ++x) {
            std::vector<long> count(size_t(levels) * 3), sum(size_t(levels) * 3 * 3);
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    if ((flags & kOilPaintRound) && dx * dx + dy * dy > r * r) continue;
                    const int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= in.w || sy >= in.h) continue;
                    const int i = (in.at(sx, sy, 0) + in.at(sx, sy, 1) + in.at(sx, sy, 2)) / 3;
                    for (int c = 0; c < 3; ++c) {
                        const int v = in.at(sx, sy, c);
                        const int bin = (flags & kOilPaintPerChannel) ? c * levels + v * levels / 256 : i * levels / 256;
                        if ((flags & kOilPaintPerChannel) || c == 0) ++count[size_t(bin)];
                        sum[size_t(bin) * 3 + size_t(c)] += v;
                    }
                }
            for (int c = 0; c < 3; ++c) {
                const int from = (flags & kOilPaintPerChannel) ? c * levels : 0;
                int best = from;
                for (int b = from + 1; b < from + levels; ++b)
                    if (count[size_t(b)] > count[size_t(best)]) best = b;
                out.at(x, y, c) = uint8_t(sum[size_t(best) * 3 + size_t(c)] / count[size_t(best)]);
            }
        }
    return out;
}

TEST(ImglibArtistic, OilPaintTakesTheMeanOfTheFullestLevel) {
    const BytePicture in = runs(23, 17, 4);
    for (const uint32_t flags : {0u, 1u, 2u, 3u})
        for (const auto& [r, levels] : {std::pair{0, 8}, {1, 20}, {3, 5}, {2, 256}, {4, 1}}) {
            BytePicture out(23, 17, 3);
            ASSERT_TRUE(ISE3OilPaintRGB(in.data(), 23, 17, in.stride(), out.data(), out.stride(), r, levels, flags));
            EXPECT_EQ(out, oil_reference(in, r, levels, flags)) << "flags " << flags << " r " << r << " levels " << levels;
        }
    BytePicture out(23, 17, 3);
    EXPECT_FALSE(ISE3OilPaintRGB(in.data(), 23, 17, in.stride(), out.data(), out.stride(), 101, 8, 0));
    BytePicture same = in;
    EXPECT_FALSE(ISE3OilPaintRGB(same.data(), 23, 17, same.stride(), same.data(), same.stride(), 2, 8, 0))
        << "source and destination overlap";
}

TEST(ImglibArtistic, MosaicBlocksTakeTheirRoundedMean) {
    const BytePicture in = random_bytes(11, 7, 4, 3);
    for (const int cell : {1, 3, 4, 20}) {
        BytePicture out = in;
        ASSERT_TRUE(ISE3MosaicImage(out.data(), 11, 7, 4, out.stride(), cell));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 11; ++x)
                for (int c = 0; c < 4; ++c) {
                    const int x0 = x / cell * cell, y0 = y / cell * cell;
                    int sum = 0, n = 0;
                    for (int j = y0; j < std::min(7, y0 + cell); ++j)
                        for (int i = x0; i < std::min(11, x0 + cell); ++i, ++n) sum += in.at(i, j, c);
                    ASSERT_EQ(out.at(x, y, c), (2 * sum + n) / (2 * n)) << cell << " at " << x << "," << y;
                }
    }
}

TEST(ImglibArtistic, HalftoneInkCoversTheDarkness) {
    const auto screen = [](BytePicture p, int cell, uint8_t colour) {
        EXPECT_TRUE(ISE3HalftoneImage(p.data(), uint32_t(p.w), uint32_t(p.h), p.stride(), cell, colour));
        return p;
    };
    EXPECT_EQ(screen(flat(40, 40, 3, 255), 8, 0), flat(40, 40, 3, 255));
    EXPECT_EQ(screen(flat(40, 40, 3, 0), 8, 0), flat(40, 40, 3, 0));
    for (const uint8_t grey : {64, 128, 192}) {
        const BytePicture dots = screen(flat(96, 96, 3, grey), 8, 0);
        long inked = 0;
        for (size_t i = 0; i < dots.v.size(); i += 3) inked += dots.v[i] == 0;
        EXPECT_NEAR(double(inked) / (96 * 96), 1.0 - grey / 255.0, 0.06) << int(grey);
    }
    // Screened per channel, pure red stays pure red.
    BytePicture red(20, 20, 3);
    for (size_t i = 0; i < red.v.size(); i += 3) red.v[i] = 255;
    EXPECT_EQ(screen(red, 6, 1), red);
}

TEST(ImglibArtistic, NoiseIsSeededCentredAndKeepsAlpha) {
    using Add = std::function<BOOL(BytePicture&, int32_t amount, uint8_t mono, uint32_t seed)>;
    const std::vector<std::pair<const char*, Add>> kinds = {
        {"gaussian", [](BytePicture& p, int32_t a, uint8_t m, uint32_t s) {
             return ISE3AddGaussianNoise(p.data(), uint32_t(p.w), uint32_t(p.h), 4, p.stride(), a, 0, 0, m, 7, s);
         }},
        {"exponential", [](BytePicture& p, int32_t a, uint8_t m, uint32_t s) {
             return ISE3AddNegativeExpNoise(p.data(), uint32_t(p.w), uint32_t(p.h), 4, p.stride(), a, m, 7, s);
         }},
        {"rayleigh", [](BytePicture& p, int32_t a, uint8_t m, uint32_t s) {
             return ISE3AddRayleighNoise(p.data(), uint32_t(p.w), uint32_t(p.h), 4, p.stride(), a, m, 7, s);
         }},
        {"uniform", [](BytePicture& p, int32_t a, uint8_t m, uint32_t s) {
             return ISE3AddUniformNoise(p.data(), uint32_t(p.w), uint32_t(p.h), 4, p.stride(), a, 0, 0, m, 7, s);
         }},
    };
    BytePicture grey = flat(64, 64, 4, 128);
    for (size_t i = 3; i < grey.v.size(); i += 4) grey.v[i] = uint8_t(i);
    for (const auto& [name, add] : kinds) {
        BytePicture a = grey, b = grey, c = grey, none = grey, mono = grey;
        ASSERT_TRUE(add(a, 1000, 0, 7));
        ASSERT_TRUE(add(b, 1000, 0, 7));
        ASSERT_TRUE(add(c, 1000, 0, 8));
        ASSERT_TRUE(add(none, 0, 0, 7));
        ASSERT_TRUE(add(mono, 1000, 1, 7));
        EXPECT_EQ(a, b) << name << ": one seed, one picture";
        EXPECT_NE(a, c) << name;
        EXPECT_EQ(none, grey) << name;
        double sum = 0;
        for (size_t i = 0; i < a.v.size(); i += 4) {
            ASSERT_EQ(a.v[i + 3], grey.v[i + 3]) << name << ": alpha is outside mask 7";
            ASSERT_TRUE(mono.v[i] == mono.v[i + 1] && mono.v[i + 1] == mono.v[i + 2]) << name << ": one draw a pixel";
            sum += a.v[i] + a.v[i + 1] + a.v[i + 2];
        }
        EXPECT_NEAR(sum / (64 * 64 * 3), 128.0, 1.0) << name << ": noise of mean 0";
    }
    // Gaussian noise of amount 1000 has a standard deviation of 10 levels.
    BytePicture g = grey;
    ASSERT_TRUE(kinds[0].second(g, 1000, 0, 3));
    double squares = 0;
    for (size_t i = 0; i < g.v.size(); i += 4) squares += (g.v[i] - 128.0) * (g.v[i] - 128.0);
    EXPECT_NEAR(std::sqrt(squares / (64 * 64)), 10.0, 0.6);
}

TEST(ImglibArtistic, GeneratedNoiseCoversTheRangeAndFollowsItsSeed) {
    BytePicture specks = flat(50, 40, 3, 10);
    ASSERT_TRUE(ISE3GenerateColoredNoise(specks.data(), 50, 40, 150, 0x0000FF, 0, 0, 1));
    EXPECT_EQ(specks, flat(50, 40, 3, 10)) << "density 0";
    ASSERT_TRUE(ISE3GenerateColoredNoise(specks.data(), 50, 40, 150, 0x0000FF, 50, 0, 1));
    long red = 0;
    for (size_t i = 0; i < specks.v.size(); i += 3) red += specks.v[i] == 255 && specks.v[i + 1] == 0;
    EXPECT_NEAR(double(red) / 2000, 0.5, 0.05);

    for (const bool perlin : {false, true}) {
        BytePicture a(64, 48, 1), b(64, 48, 1), c(64, 48, 1);
        const auto make = [&](BytePicture& p, uint32_t seed) {
            return perlin ? ISE3GeneratePerlinNoise(p.data(), 64, 48, 64, 0.5, seed)
                          : ISE3GenerateHugoNoise(p.data(), 64, 48, 64, 4, 5.0, 0.5, seed);
        };
        ASSERT_TRUE(make(a, 1));
        ASSERT_TRUE(make(b, 1));
        ASSERT_TRUE(make(c, 2));
        EXPECT_EQ(a, b);
        EXPECT_NE(a, c);
        const auto [lo, hi] = std::minmax_element(a.v.begin(), a.v.end());
        EXPECT_EQ(*lo, 0) << perlin;
        EXPECT_EQ(*hi, 255) << perlin;
    }
}

TEST(ImglibArtistic, EmbossShadesColourByTheLightOnTheRelief) {
    const BytePicture colour = random_bytes(9, 9, 3, 2);
    BytePicture out(9, 9, 3);
    // A flat relief gets sin(elevation) everywhere.
    const BytePicture level = flat(9, 9, 1, 100);
    ASSERT_TRUE(IS3EmbossRGB(level.data(), 9, 9, 9, colour.data(), 27, out.data(), 27, 1.0, 0.5, 40));
    for (size_t i = 0; i < out.v.size(); ++i) ASSERT_EQ(out.v[i], int(std::floor(colour.v[i] * std::sin(0.5) + 0.5)));
    // A ramp rising to the right, lit from the right (azimuth 0), is brighter
    // than the same ramp lit from the left.
    BytePicture slope(9, 9, 1);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) slope.at(x, y, 0) = uint8_t(x * 20);
    const BytePicture white = flat(9, 9, 3, 255);
    BytePicture right(9, 9, 3), left(9, 9, 3);
    ASSERT_TRUE(IS3EmbossRGB(slope.data(), 9, 9, 9, white.data(), 27, right.data(), 27, 0.0, 0.7, 20));
    ASSERT_TRUE(IS3EmbossRGB(slope.data(), 9, 9, 9, white.data(), 27, left.data(), 27, 3.14159, 0.7, 20));
    EXPECT_LT(right.at(4, 4, 0), left.at(4, 4, 0)) << "the slope faces left, away from a light on the right";
}

TEST(ImglibArtistic, DropShadowLiesUnderThePictureAtItsOffset) {
    BytePicture square(16, 16, 4);
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x) square.at(x, y, 0) = 200, square.at(x, y, 3) = 255;
    uint8_t* both = ISE3DropShadow(square.data(), 16, 16, 64, 3, 3, 0x000000, 0, 0, 1);
    uint8_t* alone = ISE3DropShadow(square.data(), 16, 16, 64, 3, 3, 0x0000FF, 0, 0, 0);
    ASSERT_NE(both, nullptr);
    ASSERT_NE(alone, nullptr);
    const auto px = [](const uint8_t* p, int x, int y, int c) { return p[(y * 16 + x) * 4 + c]; };
    EXPECT_EQ(px(both, 3, 3, 0), 200) << "the picture over its shadow";
    EXPECT_EQ(px(both, 7, 7, 3), 255) << "the shadow, three down and right";
    EXPECT_EQ(px(both, 7, 7, 0), 0);
    EXPECT_EQ(px(both, 10, 10, 3), 0);
    EXPECT_EQ(px(alone, 3, 3, 3), 0) << "without the picture, its place is clear";
    EXPECT_EQ(px(alone, 7, 7, 0), 255) << "in the shadow's colour";
    GlobalFree(both);
    GlobalFree(alone);
    EXPECT_EQ(ISE3DropShadow(nullptr, 16, 16, 64, 3, 3, 0, 0, 0, 1), nullptr);
    EXPECT_EQ(ISE3DropShadow(square.data(), 16, 16, 64, 3, 3, 0, -1, 0, 1), nullptr);
}

TEST(ImglibArtistic, NeutralSettingsAndPaperPictures) {
    const BytePicture in = runs(30, 20, 9);
    BytePicture out(30, 20, 3);
    ASSERT_TRUE(ISE3GauzyRGB(in.data(), 30, 20, 90, out.data(), 90, 0.5, 0.0, 0.5, 0));
    EXPECT_EQ(out, in) << "gauze of no strength";
    BytePicture bevelled = in;
    ASSERT_TRUE(ISE3ShadeBevelEdge(bevelled.data(), 30, 20, 90, 6, 3, 0, 200, 200, 0, 0, 0));
    EXPECT_EQ(bevelled, in) << "a bevel laid at opacity 0";
    ASSERT_TRUE(ISE3ShadeBevelEdge(bevelled.data(), 30, 20, 90, 6, 0, 0, 200, 200, 0, 255, 0));
    EXPECT_EQ(bevelled.at(15, 10, 0), in.at(15, 10, 0)) << "the face inside keeps its colour";
    BytePicture lit = flat(30, 20, 3, 128);
    ASSERT_TRUE(ISE3ShadeBevelEdge(lit.data(), 30, 20, 90, 6, 0, 0, 255, 255, 0, 255, 0));
    EXPECT_GT(lit.at(0, 10, 0), 128) << "lit from the left: the left slope lighter";
    EXPECT_LT(lit.at(29, 10, 0), 128) << "the right slope in shade";
    EXPECT_EQ(lit.at(15, 10, 0), 128);
    const BytePicture white = flat(30, 20, 3, 255);

    ASSERT_TRUE(ISE3Stipple(in.data(), 30, 20, 90, out.data(), 90, 0, 0, 0, 1));
    EXPECT_EQ(out, white) << "no dots";
    const BytePicture black = flat(30, 20, 3, 0);
    ASSERT_TRUE(ISE3Stipple(black.data(), 30, 20, 90, out.data(), 90, 100, 0, 0, 1));
    EXPECT_EQ(out, black) << "every pixel of black starts a dot";
    ASSERT_TRUE(ISE3Scribble(in.data(), 30, 20, 90, out.data(), 90, 0, 0, 0, 1));
    EXPECT_EQ(out, white) << "no strokes";
    ASSERT_TRUE(ISE3Scribble(black.data(), 30, 20, 90, out.data(), 90, 2, 0, 100, 1));
    EXPECT_NE(out, white);

    // Cracks darken some pixels; with no relief the rest keep their colour.
    ASSERT_TRUE(ISE3CrackleRGB(in.data(), 30, 20, 90, out.data(), 90, 0, 8, 0, 5));
    long cracked = 0, kept = 0;
    for (size_t i = 0; i < out.v.size(); i += 3) {
        const bool same = out.v[i] == in.v[i] && out.v[i + 1] == in.v[i + 1] && out.v[i + 2] == in.v[i + 2];
        kept += same;
        cracked += !same && out.v[i] <= in.v[i] && out.v[i + 1] <= in.v[i + 1];
    }
    EXPECT_EQ(kept + cracked, 600);
    EXPECT_GT(cracked, 30);
    EXPECT_GT(kept, 300);
}

TEST(ImglibArtistic, FingerprintRidgesAndWatercolourWashes) {
    const BytePicture grey = flat(31, 21, 1, 255);
    BytePicture print(31, 21, 1);
    ASSERT_TRUE(ISE3Fingerprint(grey.data(), 31, 21, 31, print.data(), 31, 6.0, 5, 1));
    for (const uint8_t v : print.v) ASSERT_TRUE(v == 0 || v == 255);
    EXPECT_EQ(print.at(15, 10, 0), 255) << "a ridge at the centre";
    EXPECT_EQ(print.at(18, 10, 0), 0) << "half a spacing out, a furrow";
    // At strength 0 a watercolour is the 5 x 5 median's washes, edges repeated.
    const BytePicture in = random_bytes(12, 10, 3, 6);
    BytePicture wash(12, 10, 3);
    ASSERT_TRUE(ISE3WatercolorTintRGB(in.data(), 12, 10, 36, wash.data(), 36, 0.0, 0));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            for (int c = 0; c < 3; ++c) {
                std::vector<int> b;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) b.push_back(in.edge(x + dx, y + dy, c));
                std::nth_element(b.begin(), b.begin() + 12, b.end());
                ASSERT_EQ(wash.at(x, y, c), b[12]);
            }
}

}  // namespace
