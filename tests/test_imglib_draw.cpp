// Filled rectangles, ellipses and the Gaussian blur of our imaging library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/imglib/draw40.h"

using namespace imglib;

namespace {

struct Plane {
    int w, h;
    std::vector<uint8_t> v;
    Plane(int w_, int h_, uint8_t fill = 0) : w(w_), h(h_), v(size_t(w_ * h_), fill) {}
    uint8_t at(int x, int y) const { return v[size_t(y * w + x)]; }
};

}  // namespace

TEST(ImglibDraw, FillSolidRectIncludesBothCornersAndClips) {
    Plane p(6, 5);
    ASSERT_TRUE(IS40_FillSolidRect(p.v.data(), 6, 5, 1, 6, 1, 2, 3, 3, 0x1234AB));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(p.at(x, y), (x >= 1 && x <= 3 && y >= 2 && y <= 3) ? 0xAB : 0) << x << y;
    Plane q(6, 5);
    ASSERT_TRUE(IS40_FillSolidRect(q.v.data(), 6, 5, 1, 6, -10, -10, 100, 0, 7));
    for (int x = 0; x < 6; ++x) EXPECT_EQ(q.at(x, 0), 7);
    EXPECT_EQ(q.at(0, 1), 0);
    // Empty and wholly outside rectangles succeed and change nothing.
    EXPECT_TRUE(IS40_FillSolidRect(q.v.data(), 6, 5, 1, 6, 4, 4, 3, 4, 9));
    EXPECT_TRUE(IS40_FillSolidRect(q.v.data(), 6, 5, 1, 6, 6, 0, 9, 9, 9));
    EXPECT_EQ(q.at(3, 4), 0);
    // Four bytes a pixel: the colour word's bytes in pixel order, and a stride.
    std::vector<uint8_t> rgba(3 * 2 * 4 + 8, 0);
    ASSERT_TRUE(IS40_FillSolidRect(rgba.data(), 2, 2, 4, 12, 1, 1, 1, 1, 0x44332211));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 16, rgba.begin() + 20), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
    EXPECT_FALSE(IS40_FillSolidRect(nullptr, 2, 2, 1, 2, 0, 0, 1, 1, 1));
    EXPECT_FALSE(IS40_FillSolidRect(rgba.data(), 2, 2, 5, 12, 0, 0, 1, 1, 1));
    EXPECT_FALSE(IS40_FillSolidRect(rgba.data(), 4, 2, 4, 12, 0, 0, 1, 1, 1)) << "stride below a row";
}

TEST(ImglibDraw, FilledEllipseIsTheExactInequality) {
    struct Row {
        int cx, cy, rx, ry;
    };
    for (const Row& r : {Row{10, 8, 6, 4}, Row{10, 8, 5, 5}, Row{3, 2, 7, 3}, Row{10, 8, 0, 3}, Row{10, 8, 4, 0},
                         Row{-3, 20, 9, 9}, Row{10, 8, 1000000, 2}}) {
        Plane p(21, 17);
        ASSERT_TRUE(IS40_DrawEllipseOnImage(p.v.data(), 21, 17, 1, 21, r.cx, r.cy, r.rx, r.ry, 200, 1, 0, 1.0, 0, 0, 0));
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 21; ++x) {
                const long long dx = x - r.cx, dy = y - r.cy, a = r.rx, b = r.ry;
                bool inside;
                // A zero radius gives a line along the other axis.
                if (b == 0) inside = dy == 0 && dx * dx <= a * a;
                else if (a == 0) inside = dx == 0 && dy * dy <= b * b;
                else inside = dx * dx * b * b + dy * dy * a * a <= a * a * b * b;
                ASSERT_EQ(p.at(x, y), inside ? 200 : 0) << r.rx << "," << r.ry << " at " << x << "," << y;
            }
    }
}

TEST(ImglibDraw, EllipseRingAndOpacity) {
    Plane p(21, 21, 100);
    ASSERT_TRUE(IS40_DrawEllipseOnImage(p.v.data(), 21, 21, 1, 21, 10, 10, 8, 8, 200, 0, 2, 0.5, 0, 0, 0));
    EXPECT_EQ(p.at(10, 10), 100) << "the hole";
    EXPECT_EQ(p.at(10, 16), 100) << "inside the inner edge (radius 6)";
    EXPECT_EQ(p.at(10, 17), 150) << "ring: trunc(100 * 0.5 + 200 * 0.5)";
    EXPECT_EQ(p.at(18, 10), 150);
    EXPECT_EQ(p.at(19, 10), 100) << "outside";
    EXPECT_FALSE(IS40_DrawEllipseOnImage(p.v.data(), 21, 21, 1, 21, 10, 10, -1, 8, 200, 1, 0, 1.0, 0, 0, 0));
}

TEST(ImglibDraw, GaussianBlur) {
    // An impulse spreads symmetrically and keeps about its sum.
    Plane p(15, 15), q(15, 15);
    p.v[size_t(7 * 15 + 7)] = 255;
    ASSERT_TRUE(IS40_GaussianBlurImage(p.v.data(), 15, 15, 1, 15, q.v.data(), 15, 1.0, 15));
    EXPECT_LT(q.at(7, 7), 255);
    EXPECT_GT(q.at(7, 7), q.at(8, 7));
    EXPECT_EQ(q.at(8, 7), q.at(6, 7));
    EXPECT_EQ(q.at(7, 8), q.at(7, 6));
    EXPECT_EQ(q.at(0, 0), 0);
    int sum = 0;
    for (uint8_t v : q.v) sum += v;
    EXPECT_NEAR(sum, 255, 12);
    // A tiny radius leaves the picture as it is; bad radii are refused.
    Plane r(15, 15);
    ASSERT_TRUE(IS40_GaussianBlurImage(p.v.data(), 15, 15, 1, 15, r.v.data(), 15, 0.1, 1));
    EXPECT_EQ(r.v, p.v);
    for (const double bad : {0.0, -1.0, 1001.0, std::nan("")})
        EXPECT_FALSE(IS40_GaussianBlurImage(p.v.data(), 15, 15, 1, 15, r.v.data(), 15, bad, 15)) << bad;
    // Channels outside the mask are copied; in place gives the same result.
    std::vector<uint8_t> rgba(15 * 15 * 4, 0), out(rgba.size());
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i + 3] = uint8_t(i);
    rgba[(7 * 15 + 7) * 4] = 255;
    rgba[(7 * 15 + 7) * 4 + 1] = 255;
    ASSERT_TRUE(IS40_GaussianBlurImage(rgba.data(), 15, 15, 4, 60, out.data(), 60, 1.0, 1));
    EXPECT_EQ(out[(7 * 15 + 7) * 4], q.at(7, 7));
    EXPECT_EQ(out[(7 * 15 + 7) * 4 + 1], 255) << "green is not in the mask";
    for (size_t i = 3; i < out.size(); i += 4) ASSERT_EQ(out[i], rgba[i]);
    std::vector<uint8_t> same = rgba;
    ASSERT_TRUE(IS40_GaussianBlurImage(same.data(), 15, 15, 4, 60, same.data(), 60, 1.0, 1));
    EXPECT_EQ(same, out);
}
