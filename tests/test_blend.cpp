#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/blend.h"
#include "support/reference_blend.h"

namespace {

using Pixel = std::array<uint16_t, 4>;

// Values around every boundary of the rules, and random ones.
uint16_t channel(std::mt19937& rng) {
    static constexpr uint16_t kEdges[] = {0,     1,     255,   256,   8190,  8191,  9214,  9215,  12286, 12287,
                                          32511, 32512, 32513, 32766, 32767, 32768, 36862, 36863, 65279, 65280,
                                          65281, 65534, 65535};
    if (rng() % 2) return kEdges[rng() % std::size(kEdges)];
    return uint16_t(rng());
}

std::vector<uint16_t> random_pixels(std::mt19937& rng, int n) {
    std::vector<uint16_t> v(size_t(n) * 4);
    for (uint16_t& c : v) c = channel(rng);
    return v;
}

void blend_row(std::vector<uint16_t>& dst, const std::vector<uint16_t>& src, const std::vector<uint16_t>* mask,
               int mode, uint32_t opacity, bool keepAlpha) {
    blend::blend_span(dst.data(), src.data(), mask != nullptr ? mask->data() : nullptr, int32_t(dst.size() / 4),
                      {mode, opacity, keepAlpha});
}

Pixel blend_one(Pixel d, const Pixel& s, int mode, uint32_t opacity, const Pixel* m = nullptr, bool keep = false) {
    blend::blend_span(d.data(), s.data(), m != nullptr ? m->data() : nullptr, 1, {mode, opacity, keep});
    return d;
}

int max_difference(const Pixel& a, const Pixel& b) {
    int worst = 0;
    for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(int(a[c]) - int(b[c])));
    return worst;
}

}  // namespace

// Every mode against the transcription of the rules in the test support, on
// rows of random and boundary pixels, with and without a mask layer and
// keepAlpha, at the opacities where the arithmetic changes.
TEST(BlendStep, EveryModeMatchesTheRulesWithinOneUnit) {
    std::mt19937 rng(20240611);
    for (int mode = 0; mode <= 40; ++mode) {
        for (const uint32_t opacity : {0u, 1u, 2u, 127u, 128u, 200u, 255u, 256u}) {
            for (const bool masked : {false, true}) {
                for (const bool keepAlpha : {false, true}) {
                    const int n = 1 + int(rng() % 131);  // whole groups of four and tails
                    const auto src = random_pixels(rng, n);
                    const auto mask = random_pixels(rng, n);
                    auto want = random_pixels(rng, n);
                    auto got = want;
                    blend_row(got, src, masked ? &mask : nullptr, mode, opacity, keepAlpha);
                    for (int i = 0; i < n; ++i)
                        ref::blend(&want[size_t(i) * 4], &src[size_t(i) * 4], masked ? &mask[size_t(i) * 4] : nullptr,
                                   mode, opacity, keepAlpha);
                    for (size_t c = 0; c < want.size(); ++c)
                        ASSERT_LE(std::abs(int(want[c]) - int(got[c])), 1)
                            << "mode " << mode << " opacity " << opacity << " masked " << masked << " keep "
                            << keepAlpha << " pixel " << c / 4 << " channel " << c % 4 << " src " << src[c - c % 4]
                            << "," << src[c - c % 4 + 1] << "," << src[c - c % 4 + 2] << "," << src[c - c % 4 + 3];
                }
            }
        }
    }
}

TEST(BlendStep, SourceMayBeTheDestination) {
    std::mt19937 rng(5);
    for (int mode : {0, 1, 10, 17, 27, 31}) {
        auto row = random_pixels(rng, 13);
        auto want = row;
        for (size_t i = 0; i < want.size(); i += 4) {
            const uint16_t s[4] = {row[i], row[i + 1], row[i + 2], row[i + 3]};
            ref::blend(&want[i], s, nullptr, mode, 256, false);
        }
        blend::blend_span(row.data(), row.data(), nullptr, 13, {mode, 256, false});
        for (size_t c = 0; c < row.size(); ++c) ASSERT_LE(std::abs(int(want[c]) - int(row[c])), 1) << mode;
    }
}

TEST(BlendStep, BoundaryCasesOfTheModes) {
    const Pixel red{65280, 0, 0, 65535};
    const Pixel clear{0, 0, 0, 0};
    const Pixel grey{30000, 20000, 10000, 40000};
    const Pixel opaque{12345, 23456, 34567, 65535};

    EXPECT_EQ(blend_one(grey, {1, 2, 3, 0}, 1, 256), grey) << "transparent source, colour mode";
    // Luminance Alpha reaches the destination even from a transparent source.
    EXPECT_EQ(blend_one(clear, Pixel{300, 600, 900, 0}, 39, 256), (Pixel{65535, 65535, 65535, 600}));

    EXPECT_EQ(blend_one(clear, red, 0, 256), red) << "onto transparent: the source itself";
    const Pixel over = blend_one(grey, red, 0, 256);
    EXPECT_LE(max_difference(over, red), 1);
    EXPECT_EQ(over[1], 0);
    EXPECT_EQ(over[2], 0);

    EXPECT_EQ(blend_one(clear, {5, 6, 7, 65535}, 0, 128)[3], 32767) << "opacity 128 halves the alpha";

    const Pixel white{65280, 65280, 65280, 65535};
    EXPECT_LE(max_difference(blend_one(opaque, white, 1, 256), opaque), 1) << "multiply by white";
    EXPECT_EQ(blend_one(opaque, Pixel{0, 0, 0, 65535}, 1, 256), (Pixel{0, 0, 0, 65535})) << "multiply by black";

    const Pixel half{40000, 40000, 40000, 32768};
    EXPECT_EQ(blend_one(half, half, 15, 256)[3], 65535) << "Add sums the alphas and clamps";

    // A mask layer source writes its colour onto transparent pixels only.
    EXPECT_EQ(blend_one(clear, Pixel{7, 8, 9, 65535}, 38, 256), (Pixel{7, 8, 9, 0}));
    EXPECT_LE(max_difference(blend_one(opaque, Pixel{7, 8, 9, 65535}, 38, 256), opaque), 1);
    // Texturize3 and the shader texture modes clear transparent pixels.
    for (int mode : {19, 28, 29}) EXPECT_EQ(blend_one(Pixel{1, 2, 3, 0}, grey, mode, 256), clear) << mode;
    EXPECT_LE(max_difference(blend_one(opaque, grey, 19, 256), opaque), 1);

    // A mask pixel without alpha does not weaken; one with alpha does, by its luminance.
    const Pixel mask_clear{0, 0, 0, 0};
    EXPECT_EQ(blend_one(clear, grey, 0, 256, &mask_clear), blend_one(clear, grey, 0, 256));
    const Pixel mask_half{32768, 32768, 32768, 1};
    EXPECT_EQ(blend_one(clear, {1, 2, 3, 65535}, 0, 256, &mask_half)[3], (32768 * 65535) >> 16);

    // Reflect and Glow lay exactly as Normal.
    std::mt19937 rng(3);
    for (int i = 0; i < 200; ++i) {
        Pixel d, s;
        for (auto& c : d) c = channel(rng);
        for (auto& c : s) c = channel(rng);
        EXPECT_EQ(blend_one(d, s, 13, 200), blend_one(d, s, 0, 200));
        EXPECT_EQ(blend_one(d, s, 14, 200), blend_one(d, s, 0, 200));
    }
}

// The brightening curve of "Alpha Smooth Lum" overshoots white at full
// coverage (0 + 32768 / 32767 * 65535 = 65537) and "Alpha Smooth Lum3"
// darkens below black at low coverage: both are held to 16 bits instead of
// wrapping around.
TEST(BlendStep, SmoothLuminanceCurvesStayWithinSixteenBits) {
    EXPECT_EQ(blend_one(Pixel{0, 0, 0, 0}, Pixel{0, 1, 2, 65535}, 31, 256), (Pixel{65535, 65535, 65535, 65535}));
    EXPECT_EQ(blend_one(Pixel{0, 0, 0, 0}, Pixel{60000, 1000, 0, 65535}, 33, 256)[0], 65535);
    EXPECT_EQ(blend_one(Pixel{0, 0, 0, 0}, Pixel{60000, 1000, 0, 3000}, 34, 256)[0], 0) << "60000 - 60000 * 33862 / 30000 < 0";
}

TEST(BlendStep, OutOfRangeSettingsAreHeld) {
    const Pixel d{1000, 2000, 3000, 40000};
    const Pixel s{50000, 40000, 30000, 30000};
    EXPECT_EQ(blend_one(d, s, 41, 256), blend_one(d, s, 0, 256)) << "unknown modes lay as Normal";
    EXPECT_EQ(blend_one(d, s, -3, 256), blend_one(d, s, 0, 256));
    EXPECT_EQ(blend_one(d, s, 1, 100000), blend_one(d, s, 1, 256)) << "opacity above 256 counts as 256";
    Pixel untouched = d;
    blend::blend_span(untouched.data(), nullptr, nullptr, 1, {});
    blend::blend_span(nullptr, s.data(), nullptr, 1, {});
    blend::blend_span(untouched.data(), s.data(), nullptr, 0, {});
    EXPECT_EQ(untouched, d);
}

// Over opaque destinations (alpha 65535) the blend step leaves out terms
// weighted by 1 - Da, which are exactly 0 there, and divides by no alpha:
// the results must be those of the rules to the bit, for every mode.
TEST(BlendStep, OverOpaqueDestinationsTheRulesHoldExactly) {
    std::mt19937 rng(77);
    for (int mode = 0; mode <= 40; ++mode)
        for (const uint32_t opacity : {1u, 128u, 204u, 256u}) {
            const int n = 64;
            const auto src = random_pixels(rng, n);
            auto want = random_pixels(rng, n);
            for (size_t i = 3; i < want.size(); i += 4) want[i] = 65535;
            auto got = want;
            blend_row(got, src, nullptr, mode, opacity, false);
            for (int i = 0; i < n; ++i) ref::blend(&want[size_t(i) * 4], &src[size_t(i) * 4], nullptr, mode, opacity, false);
            ASSERT_EQ(got, want) << "mode " << mode << " opacity " << opacity;
        }
}
