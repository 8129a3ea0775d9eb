#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "script/colour_space.h"

using namespace colour_space;

namespace {

constexpr double kEps = 1e-9;

Rgb8 rgb(int r, int g, int b) { return {uint8_t(r), uint8_t(g), uint8_t(b)}; }

}  // namespace

namespace colour_space {
void PrintTo(const Rgb8& c, std::ostream* os) { *os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")"; }
}  // namespace colour_space

TEST(ColourSpace, RgbToHsvAndHsl) {
    struct Row {
        int r, g, b;
        double hsv_h, hsv_s, hsv_v, hsl_h, hsl_s, hsl_l;
    };
    const double half = 128.0 / 255.0;
    for (const Row& c : {
             Row{255, 0, 0, 0, 1, 1, 0, 1, 0.5},
             Row{0, 0, 255, 240, 1, 1, 240, 1, 0.5},
             Row{255, 255, 0, 60, 1, 1, 60, 1, 0.5},
             Row{0, 255, 255, 180, 1, 1, 180, 1, 0.5},
             Row{255, 0, 255, 300, 1, 1, 300, 1, 0.5},
             Row{128, 128, 128, -1, 0, half, 0, 0, half},  // grey: hue -1 in HSV, 0 in HSL
             Row{0, 0, 0, -1, 0, 0, 0, 0, 0},
             Row{255, 255, 255, -1, 0, 1, 0, 0, 1},
             // just below red: a negative hue wraps to just under 360
             Row{255, 0, 1, 360 - 60.0 / 255, 1, 1, 360 - 60.0 / 255, 1, 0.5},
             // l below 0.5: s = delta / (max + min)
             Row{200, 100, 50, 20, 0.75, 200.0 / 255, 20, 0.6, 250.0 / 510},
             Row{50, 100, 200, 220, 0.75, 200.0 / 255, 220, 0.6, 250.0 / 510},
             // l above 0.5: s = delta / (2 - max - min)
             Row{255, 255, 128, 60, 127.0 / 255, 1, 60, (127.0 / 255) / (2 - 1 - half), (1 + half) / 2},
         }) {
        const Hsv hsv = rgb_to_hsv(c.r, c.g, c.b);
        EXPECT_NEAR(hsv.h, c.hsv_h, kEps) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(hsv.s, c.hsv_s, kEps) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(hsv.v, c.hsv_v, kEps) << c.r << "," << c.g << "," << c.b;
        const Hsl hsl = rgb_to_hsl(c.r, c.g, c.b);
        EXPECT_NEAR(hsl.h, c.hsl_h, kEps) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(hsl.s, c.hsl_s, kEps) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(hsl.l, c.hsl_l, kEps) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(ColourSpace, HsvToRgbTruncates) {
    struct Row {
        Hsv in;
        Rgb8 out;
    };
    for (const Row& c : {
             Row{{0, 1, 1}, rgb(255, 0, 0)},
             Row{{60, 1, 1}, rgb(255, 255, 0)},
             Row{{120, 1, 1}, rgb(0, 255, 0)},
             Row{{180, 1, 1}, rgb(0, 255, 255)},
             Row{{240, 1, 1}, rgb(0, 0, 255)},
             Row{{300, 1, 1}, rgb(255, 0, 255)},
             Row{{360, 1, 1}, rgb(255, 0, 0)},      // 360 is 0
             Row{{-60, 1, 1}, rgb(255, 0, 255)},    // hue is cyclic
             Row{{0, 0, 0.999}, rgb(254, 254, 254)},  // truncated, not rounded
             Row{{-1, 0, 0.5}, rgb(127, 127, 127)},   // grey: 127.5 truncates
             Row{{30, 1, 1}, rgb(255, 127, 0)},       // t = 0.5
             Row{{90, 0.5, 0.8}, rgb(153, 204, 102)},  // q = 0.8 * 0.75, p = 0.4
             Row{{0, 1, 2}, rgb(255, 0, 0)},           // out of range held to a byte
         }) {
        EXPECT_EQ(hsv_to_rgb(c.in), c.out) << c.in.h << "," << c.in.s << "," << c.in.v;
    }
}

TEST(ColourSpace, HslToRgbTruncates) {
    struct Row {
        Hsl in;
        Rgb8 out;
    };
    for (const Row& c : {
             Row{{0, 1, 0.5}, rgb(255, 0, 0)},
             Row{{120, 1, 0.5}, rgb(0, 255, 0)},
             Row{{240, 1, 0.5}, rgb(0, 0, 255)},
             Row{{360, 1, 0.5}, rgb(255, 0, 0)},
             Row{{0, 1, 0.75}, rgb(255, 127, 127)},  // l >= 0.5: hi = l + s - s l
             Row{{0, 1, 0.25}, rgb(127, 0, 0)},      // l < 0.5: hi = l (1 + s)
             Row{{30, 1, 0.5}, rgb(255, 127, 0)},
             Row{{0, 0, 0.999}, rgb(254, 254, 254)},
             Row{{0, 0, 0.5}, rgb(127, 127, 127)},
         }) {
        EXPECT_EQ(hsl_to_rgb(c.in), c.out) << c.in.h << "," << c.in.s << "," << c.in.l;
    }
}

TEST(ColourSpace, XyzAndLab) {
    const Xyz white = rgb_to_xyz(255, 255, 255);
    EXPECT_NEAR(white.x, 95.05, kEps);
    EXPECT_NEAR(white.y, 100.0, kEps);
    EXPECT_NEAR(white.z, 108.9, kEps);
    const Lab white_lab = rgb_to_lab(255, 255, 255);
    EXPECT_NEAR(white_lab.l, 100.0, kEps);

    const Lab black = rgb_to_lab(0, 0, 0);
    EXPECT_NEAR(black.l, 0.0, kEps);
    EXPECT_NEAR(black.a, 0.0, kEps);
    EXPECT_NEAR(black.b, 0.0, kEps);

    // Either side of the linear segment of sRGB (u = 0.04045).
    EXPECT_NEAR(rgb_to_xyz(10, 10, 10).y, 10.0 / 255 / 12.92 * 100, kEps);
    EXPECT_NEAR(rgb_to_xyz(11, 11, 11).y, 0.3346535763899161, kEps);

    const Xyz dark_red = rgb_to_xyz(128, 0, 0);
    EXPECT_NEAR(dark_red.x, 8.902087024697206, kEps);
    EXPECT_NEAR(dark_red.y, 4.589194232421498, kEps);
    EXPECT_NEAR(dark_red.z, 0.4166107652198256, kEps);

    const Lab red = rgb_to_lab(255, 0, 0);
    EXPECT_NEAR(red.l, 53.23288178584245, 1e-9);
    EXPECT_NEAR(red.a, 80.10930952982204, 1e-9);
    EXPECT_NEAR(red.b, 67.22006831026425, 1e-9);

    // Below the cube-root threshold the straight segment applies, both ways.
    const Lab dim = xyz_to_lab({0, 0.5, 0});
    EXPECT_NEAR(dim.l, 116 * 7.787 * 0.005, kEps);
    EXPECT_NEAR(lab_to_xyz(dim).y, 0.5, kEps);
    const Xyz back = lab_to_xyz(xyz_to_lab({41.24, 21.26, 1.93}));
    EXPECT_NEAR(back.x, 41.24, kEps);
    EXPECT_NEAR(back.y, 21.26, kEps);
    EXPECT_NEAR(back.z, 1.93, kEps);

    // Lab to XYZ never gives negative values; XYZ to RGB holds bytes to 0..255.
    const Xyz negative = lab_to_xyz({0, 0, 500});
    EXPECT_EQ(negative.z, 0.0);
    EXPECT_EQ(xyz_to_rgb({300, 300, 300}), rgb(255, 255, 255));
    EXPECT_EQ(xyz_to_rgb({0, 0, 0}), rgb(0, 0, 0));
    EXPECT_EQ(lab_to_rgb({50, 0, -300}).r, 0);
    EXPECT_EQ(lab_to_rgb({0, 0, 0}), rgb(0, 0, 0));
}

// Whites named by chromaticity and colours carried from one white to
// another, against published values: sRGB's red primary is
// (41.2456, 21.2673, 1.9334) under D65 and (43.6075, 22.2504, 1.3932)
// adapted to D50 by the Bradford transform.
TEST(ColourSpace, WhitesAndAdaptationToD65) {
    const Xyz d50 = d50_white();
    EXPECT_NEAR(d50.x, 0.3457 / 0.3585 * 100, kEps);
    EXPECT_NEAR(d50.y, 100, kEps);
    EXPECT_NEAR(d50.z, (1 - 0.3457 - 0.3585) / 0.3585 * 100, kEps);
    const Xyz d65 = white_from_chromaticity(0.3127, 0.3290);
    EXPECT_NEAR(d65.x, 95.05, 0.01);
    EXPECT_NEAR(d65.z, 108.90, 0.01);
    for (const Xyz bad : {white_from_chromaticity(0.3, 0), white_from_chromaticity(0.3, -1),
                          white_from_chromaticity(std::nan(""), 0.3)})
        EXPECT_NEAR(bad.x, d50.x, kEps);
    // Lab white against a white is that white; adapted, it is D65's.
    const Xyz w = lab_to_xyz(Lab{100, 0, 0}, d50);
    EXPECT_NEAR(w.x, d50.x, 1e-9);
    EXPECT_NEAR(w.z, d50.z, 1e-9);
    const Xyz a = adapt_to_d65(w, d50);
    EXPECT_NEAR(a.x, kD65White.x, 1e-3);
    EXPECT_NEAR(a.y, kD65White.y, 1e-3);
    EXPECT_NEAR(a.z, kD65White.z, 1e-3);
    const Xyz red = adapt_to_d65(Xyz{43.6075, 22.2504, 1.3932}, Xyz{96.4212, 100, 82.5188});
    EXPECT_NEAR(red.x, 41.2456, 0.01);
    EXPECT_NEAR(red.y, 21.2673, 0.01);
    EXPECT_NEAR(red.z, 1.9334, 0.01);
    // Under D65 itself nothing moves, and the plain conversion is the D65 one.
    const Xyz same = adapt_to_d65(Xyz{20, 30, 40}, kD65White);
    EXPECT_NEAR(same.x, 20, 1e-4);
    EXPECT_NEAR(same.z, 40, 1e-4);
    const Xyz p = lab_to_xyz(Lab{50, 20, -30}), q = lab_to_xyz(Lab{50, 20, -30}, kD65White);
    EXPECT_EQ(p.x, q.x);
    EXPECT_EQ(p.z, q.z);
}

TEST(ColourSpace, Cmyk) {
    struct Row {
        int r, g, b;
        Cmyk cmyk;
    };
    const double grey = 127.0 / 255;
    for (const Row& c : {
             Row{0, 0, 0, {0, 0, 0, 1}},
             Row{255, 255, 255, {0, 0, 0, 0}},
             Row{255, 0, 0, {0, 1, 1, 0}},
             Row{128, 128, 128, {0, 0, 0, grey}},
             Row{0, 128, 255, {1, 127.0 / 255, 0, 0}},
         }) {
        const Cmyk got = rgb_to_cmyk(c.r, c.g, c.b);
        EXPECT_NEAR(got.c, c.cmyk.c, kEps) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(got.m, c.cmyk.m, kEps) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(got.y, c.cmyk.y, kEps) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(got.k, c.cmyk.k, kEps) << c.r << "," << c.g << "," << c.b;
    }
    EXPECT_EQ(cmyk_to_rgb({0, 0, 0, 0}), rgb(255, 255, 255));
    EXPECT_EQ(cmyk_to_rgb({0, 0, 0, 1}), rgb(0, 0, 0));
    EXPECT_EQ(cmyk_to_rgb({1, 0, 0, 0}), rgb(0, 255, 255));
    EXPECT_EQ(cmyk_to_rgb({0, 0, 0, 0.5}), rgb(127, 127, 127));
    EXPECT_EQ(cmyk_to_rgb({0.5, 0, 0, 0.5}), rgb(63, 127, 127));
}

TEST(ColourSpace, RoundTripsLoseAtMostOneByTruncation) {
    // Truncating toward zero may take a channel one below where it started,
    // never above and never further. Primaries and greys come back whole.
    const auto check = [](const char* name, Rgb8 in, Rgb8 out) {
        for (auto [a, b] : {std::pair{in.r, out.r}, std::pair{in.g, out.g}, std::pair{in.b, out.b}}) {
            ASSERT_TRUE(b == a || b + 1 == a) << name << " (" << int(in.r) << ", " << int(in.g) << ", " << int(in.b)
                                              << ") -> (" << int(out.r) << ", " << int(out.g) << ", " << int(out.b)
                                              << ")";
        }
    };
    for (int r = 0; r < 256; r += 3) {
        for (int g = 0; g < 256; g += 5) {
            for (int b = 0; b < 256; b += 7) {
                const Rgb8 in = rgb(r, g, b);
                check("hsv", in, hsv_to_rgb(rgb_to_hsv(r, g, b)));
                check("hsl", in, hsl_to_rgb(rgb_to_hsl(r, g, b)));
                check("cmyk", in, cmyk_to_rgb(rgb_to_cmyk(r, g, b)));
                check("xyz", in, xyz_to_rgb(rgb_to_xyz(r, g, b)));
                check("lab", in, lab_to_rgb(rgb_to_lab(r, g, b)));
            }
        }
    }
    for (const Rgb8 c : {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(0, 0, 0), rgb(255, 255, 255),
                         rgb(128, 128, 128)}) {
        EXPECT_EQ(hsv_to_rgb(rgb_to_hsv(c.r, c.g, c.b)), c);
        EXPECT_EQ(hsl_to_rgb(rgb_to_hsl(c.r, c.g, c.b)), c);
        EXPECT_EQ(cmyk_to_rgb(rgb_to_cmyk(c.r, c.g, c.b)), c);
    }
}
