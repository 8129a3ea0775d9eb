// The imaging library's tone and colour adjustments: exact levels at the
// boundaries, the identities, and the histogram methods against their
// definitions.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/imglib/tone.h"
#include "support/byte_picture.h"

namespace {

using namespace imglib;

BytePicture ramp(int bpp) {
    // Every level once, in a 16 x 16 picture; alpha (when there) from 255 down.
    BytePicture p(16, 16, bpp);
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < bpp; ++c) p.at(i % 16, i / 16, c) = uint8_t(c == 3 ? 255 - i : i);
    return p;
}

uint8_t level_after(const BytePicture& p, int v) { return p.at(v % 16, v / 16, 0); }

// Runs an in-place call over a copy.
template <class Call>
BytePicture after(BytePicture p, Call call) {
    EXPECT_TRUE(call(p.data(), uint32_t(p.w), uint32_t(p.h), uint32_t(p.bpp), p.stride()));
    return p;
}

void expect_alpha_kept(const BytePicture& a, const BytePicture& b) {
    for (size_t i = 3; i < a.v.size(); i += 4) ASSERT_EQ(a.v[i], b.v[i]) << i;
}

TEST(ImglibTone, NegativeTwiceIsTheIdentityAndKeepsAlpha) {
    const BytePicture in = random_bytes(9, 7, 4, 1);
    const auto invert = [](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
        return ISE3InvertImage(p, w, h, bpp, s, 0);
    };
    const BytePicture once = after(in, invert);
    EXPECT_EQ(once.at(3, 2, 1), 255 - in.at(3, 2, 1));
    expect_alpha_kept(once, in);
    EXPECT_EQ(after(once, invert), in);
}

TEST(ImglibTone, PosterizeSolarizeAndThresholdLevelsAreExact) {
    const BytePicture r = ramp(3);
    const BytePicture four = after(r, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t, uint32_t s) {
        return ISE3PosterizeRGB(p, w, h, s, 0);
    });
    for (const auto& [v, want] : {std::pair{0, 0}, {63, 0}, {64, 85}, {127, 85}, {128, 170}, {191, 170}, {192, 255},
                                 {255, 255}})
        EXPECT_EQ(level_after(four, v), want) << v;
    const BytePicture two = after(r, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t, uint32_t s) {
        return ISE3PosterizeRGB(p, w, h, s, 2);
    });
    EXPECT_EQ(level_after(two, 127), 0);
    EXPECT_EQ(level_after(two, 128), 255);

    const BytePicture solar = after(r, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
        return ISE3SolarizeImage(p, w, h, bpp, s, 0);
    });
    EXPECT_EQ(level_after(solar, 127), 127);
    EXPECT_EQ(level_after(solar, 128), 127);
    EXPECT_EQ(level_after(solar, 255), 0);

    const auto threshold = [&](int low, int high) {
        return after(ramp(4), [=](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
            return ISE3ThresholdFilter(p, w, h, bpp, s, low, high, 15);
        });
    };
    const BytePicture hard = threshold(127, 127);
    EXPECT_EQ(level_after(hard, 126), 0);
    EXPECT_EQ(level_after(hard, 127), 255);
    const BytePicture soft = threshold(200, 100);  // swapped
    EXPECT_EQ(level_after(soft, 99), 0);
    EXPECT_EQ(level_after(soft, 100), 0);
    EXPECT_EQ(level_after(soft, 150), 128) << "127.5 rounds up";
    EXPECT_EQ(level_after(soft, 200), 255);
    // The highest band the catalogue can ask for ends at 254: opaque alpha stays.
    const BytePicture top = threshold(127, 254);
    EXPECT_EQ(top.at(0, 0, 3), 255);
    EXPECT_EQ(top.at(15, 15, 3), 0);
}

TEST(ImglibTone, EqualisationSpreadsLevelsByTheirCumulativeCounts) {
    // Two levels, three pixels to one: they go to the ends of the range.
    BytePicture two(8, 8, 4, 50);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 2; ++x) two.at(x, y, 0) = two.at(x, y, 1) = two.at(x, y, 2) = 200;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) two.at(x, y, 3) = 255;
    const BytePicture full = after(two, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
        return IS3HistogramEqualizeImage(p, w, h, bpp, s, 0, 255, 15);
    });
    EXPECT_EQ(full.at(0, 0, 0), 255);
    EXPECT_EQ(full.at(7, 7, 2), 0);
    EXPECT_EQ(full.at(7, 7, 3), 255) << "a channel of one value keeps it";
    const BytePicture band = after(two, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
        return IS3HistogramEqualizeImage(p, w, h, bpp, s, 220, 20, 7);
    });
    EXPECT_EQ(band.at(0, 0, 0), 220);
    EXPECT_EQ(band.at(7, 7, 0), 20);
    const BytePicture grey = after(two, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
        return IS3BrightnessHistogramEqualizeImage(p, w, h, bpp, s, 0, 255);
    });
    EXPECT_EQ(grey.at(0, 0, 1), 255);
    EXPECT_EQ(grey.at(7, 7, 1), 0);

    // On random bytes, against the definition.
    const BytePicture in = random_bytes(20, 10, 3, 7);
    const BytePicture out = after(in, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
        return IS3HistogramEqualizeImage(p, w, h, bpp, s, 10, 240, 15);
    });
    for (int c = 0; c < 3; ++c) {
        long count[256] = {};
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) ++count[in.at(x, y, c)];
        long first = 0;
        for (const long n : count)
            if (n != 0 && first == 0) first = n;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                long below = 0;
                for (int v = 0; v <= in.at(x, y, c); ++v) below += count[v];
                const double share = double(below - first) / double(200 - first);
                ASSERT_EQ(out.at(x, y, c), int(std::floor(10 + share * 230 + 0.5))) << x << "," << y;
            }
    }
}

TEST(ImglibTone, StretchSpreadsTheClippedRangeToTheEnds) {
    BytePicture in(10, 10, 3);
    for (int i = 0; i < 100; ++i)
        for (int c = 0; c < 3; ++c) in.at(i % 10, i / 10, c) = uint8_t(50 + i);  // 50..149
    const auto stretch = [&](double low, double high) {
        return after(in, [=](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
            return IS3HistogramStretchImage(p, w, h, bpp, s, low, high, 15);
        });
    };
    const BytePicture none = stretch(0, 0);
    EXPECT_EQ(none.at(0, 0, 0), 0);
    EXPECT_EQ(none.at(9, 9, 0), 255);
    EXPECT_EQ(none.at(5, 4, 0), int(std::floor(45 * 255.0 / 99 + 0.5)));
    // Ten percent off each end: 59 and 140 become the ends, beyond them clip.
    const BytePicture clipped = stretch(10, 10);
    EXPECT_EQ(clipped.at(9, 0, 0), 0) << "59";
    EXPECT_EQ(clipped.at(0, 9, 1), 255) << "140";
    EXPECT_EQ(clipped.at(0, 0, 2), 0);
    // All of it clipped: the levels meet and nothing changes.
    EXPECT_EQ(stretch(60, 60), in);
    // The lightness stretch keeps greys grey and moves them like the channel stretch.
    const BytePicture hsl = after(in, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
        return IS3BrightnessHistogramStretchImageInHSL(p, w, h, bpp, s, 0, 0, 0);
    });
    EXPECT_EQ(hsl, none);
    const BytePicture luma = after(in, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t bpp, uint32_t s) {
        return IS3BrightnessHistogramStretchImage(p, w, h, bpp, s, 0, 0);
    });
    EXPECT_EQ(luma, none);
}

TEST(ImglibTone, NeutralSettingsChangeNoByte) {
    const BytePicture in = random_bytes(17, 13, 4, 99);
    const std::vector<std::function<BOOL(uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t)>> neutral = {
        [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) { return IS3AdjustBrightnessContrast(p, w, h, b, s, 0, 0, 1); },
        [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) { return IS3AdjustBrightnessContrast(p, w, h, b, s, 0, 0, 0); },
        [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) { return IS3AdjustGamma(p, w, h, b, s, 1.0, 0); },
        [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) { return IS3ModifyImageSaturation(p, w, h, b, s, 1.0); },
        [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) { return ISE3AdjustTint(p, w, h, b, s, 0, 0); },
        [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) { return ISE3AdjustTint(p, w, h, b, s, -360, 0); },
        [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) {
            return ISE40_AdjustImageColorBalance(p, w, h, b, s, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1);
        },
        [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) {
            return IS3BrightnessHistogramStretchImageInHSL(p, w, h, b, s, 100, 100, 0);
        },
    };
    for (size_t i = 0; i < neutral.size(); ++i) EXPECT_EQ(after(in, neutral[i]), in) << i;
}

TEST(ImglibTone, BrightnessContrastGammaAndSaturationAtKnownSettings) {
    const BytePicture r = ramp(4);
    const auto bc = [&](double brightness, double contrast) {
        return after(r, [=](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) {
            return IS3AdjustBrightnessContrast(p, w, h, b, s, brightness, contrast, 1);
        });
    };
    EXPECT_EQ(level_after(bc(0.5, 0), 100), 228) << "100 + 127.5, rounded";
    EXPECT_EQ(level_after(bc(0, 1), 127), 0) << "full contrast: a threshold at mid-grey";
    EXPECT_EQ(level_after(bc(0, 1), 128), 255);
    EXPECT_EQ(level_after(bc(0, -1), 3), 128) << "no contrast: all mid-grey";
    EXPECT_EQ(level_after(bc(0, 0.5), 200), 255) << "(200 - 127.5) * 2 + 127.5 held to 255";
    expect_alpha_kept(bc(1, 1), r);
    const BytePicture g = after(r, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) {
        return IS3AdjustGamma(p, w, h, b, s, 2.0, 0);
    });
    EXPECT_EQ(level_after(g, 64), 128) << "255 * sqrt(64 / 255) = 127.75";
    BytePicture grey = random_bytes(5, 5, 4, 3);
    const BytePicture before = grey;
    ASSERT_TRUE(IS3ModifyImageSaturation(grey.data(), 5, 5, 4, 20, 0.0));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            const double l = 0.299 * before.at(x, y, 0) + 0.587 * before.at(x, y, 1) + 0.114 * before.at(x, y, 2);
            for (int c = 0; c < 3; ++c) EXPECT_EQ(grey.at(x, y, c), int(std::floor(l + 0.5)));
        }
    expect_alpha_kept(grey, before);
    BytePicture bad = before;
    EXPECT_FALSE(IS3AdjustGamma(bad.data(), 5, 5, 4, 20, 0.0, 0));
    EXPECT_FALSE(IS3ModifyImageSaturation(bad.data(), 5, 5, 1, 5, 2.0)) << "saturation needs colour";
    EXPECT_FALSE(IS3AdjustBrightnessContrast(nullptr, 5, 5, 4, 20, 0, 0, 1));
    EXPECT_EQ(bad, before);
}

TEST(ImglibTone, TintTurnsChromaAndKeepsGreysAndLuma) {
    const BytePicture in = random_bytes(12, 12, 3, 5);
    const BytePicture turned = after(in, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) {
        return ISE3AdjustTint(p, w, h, b, s, 120, 0);
    });
    EXPECT_NE(turned, in);
    BytePicture grey = flat(4, 4, 3, 90);
    ASSERT_TRUE(ISE3AdjustTint(grey.data(), 4, 4, 3, 12, 77, 0));
    EXPECT_EQ(grey, flat(4, 4, 3, 90));
    // A pure red turned half round comes out toward cyan.
    BytePicture red(1, 1, 3);
    red.at(0, 0, 0) = 200;
    ASSERT_TRUE(ISE3AdjustTint(red.data(), 1, 1, 3, 3, 180, 0));
    EXPECT_LT(red.at(0, 0, 0), red.at(0, 0, 1));
    EXPECT_LT(red.at(0, 0, 0), red.at(0, 0, 2));
}

TEST(ImglibTone, ColourBalanceDuotoneAndContrastMask) {
    // Shadows toward red lift a black pixel's red by half the range; the
    // highlights do not reach it.
    BytePicture black(2, 1, 3);
    black.at(1, 0, 0) = black.at(1, 0, 1) = black.at(1, 0, 2) = 255;
    const BytePicture shifted = after(black, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) {
        return ISE40_AdjustImageColorBalance(p, w, h, b, s, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    });
    EXPECT_EQ(shifted.at(0, 0, 0), 128);
    EXPECT_EQ(shifted.at(0, 0, 1), 0);
    EXPECT_EQ(shifted.at(1, 0, 0), 255);
    const BytePicture kept = after(flat(1, 1, 3, 128), [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) {
        return ISE40_AdjustImageColorBalance(p, w, h, b, s, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 1);
    });
    EXPECT_GT(kept.at(0, 0, 0), kept.at(0, 0, 1)) << "redder";
    EXPECT_NEAR(0.299 * kept.at(0, 0, 0) + 0.587 * kept.at(0, 0, 1) + 0.114 * kept.at(0, 0, 2), 128, 1.0)
        << "luminosity kept";

    // Duotone: black, the ink at mid-grey, white.
    BytePicture tones(3, 1, 3);
    for (int c = 0; c < 3; ++c) tones.at(1, 0, c) = 128, tones.at(2, 0, c) = 255;
    const BytePicture duo = after(tones, [](uint8_t* p, uint32_t w, uint32_t h, uint32_t b, uint32_t s) {
        return ISE3DuotoneImage(p, w, h, b, s, 100 + 50 * 256 + 250 * 65536, 0);
    });
    EXPECT_EQ(std::vector<int>({duo.at(0, 0, 0), duo.at(0, 0, 1), duo.at(0, 0, 2)}), std::vector<int>({0, 0, 0}));
    EXPECT_EQ(std::vector<int>({duo.at(1, 0, 0), duo.at(1, 0, 1), duo.at(1, 0, 2)}), std::vector<int>({255, 128, 255}))
        << "red 100%, green 50% (127.5), blue held to 100%";
    EXPECT_EQ(std::vector<int>({duo.at(2, 0, 0), duo.at(2, 0, 1), duo.at(2, 0, 2)}), std::vector<int>({255, 255, 255}));

    // The contrast mask opens shadows and calms highlights, alpha kept.
    BytePicture halves(8, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint8_t v = x < 4 ? 50 : 205;
            halves.at(x, y, 0) = halves.at(x, y, 1) = halves.at(x, y, 2) = v;
            halves.at(x, y, 3) = uint8_t(x * 30);
        }
    BytePicture masked = halves;
    ASSERT_TRUE(ISE40_ContrastMaskImage(masked.data(), 8, 4, 32, 0, 0.5));
    EXPECT_GT(masked.at(0, 0, 0), 50);
    EXPECT_LT(masked.at(7, 0, 0), 205);
    expect_alpha_kept(masked, halves);
}

}  // namespace
