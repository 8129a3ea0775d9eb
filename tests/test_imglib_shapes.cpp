// Shapes and gradients of our imaging library: the anti-aliased ellipse
// against the area it should cover, colour words in their byte orders, and
// gradient stops where they were put.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/imglib/draw.h"
#include "platform/imglib/draw40.h"
#include "platform/imglib/gradient.h"
#include "platform/imglib/premultiplied.h"

using namespace imglib;

namespace {

struct Plane {
    int w, h, bpp;
    std::vector<uint8_t> v;
    Plane(int w_, int h_, int bpp_ = 1, uint8_t fill = 0) : w(w_), h(h_), bpp(bpp_), v(size_t(w_ * h_ * bpp_), fill) {}
    uint8_t* at(int x, int y) { return &v[size_t((y * w + x) * bpp)]; }
    uint32_t stride() const { return uint32_t(w * bpp); }
};

// Whether the square of pixel (x, y) lies wholly inside, or wholly outside,
// the ellipse centred at (cx, cy) with radii (a, b), in continuous
// coordinates; neither for a square the edge crosses. Callers allow for the
// renderer's curves lying within a tenth of a pixel of the true edge.
bool square_inside(int x, int y, double cx, double cy, double a, double b) {
    for (int dy : {0, 1})
        for (int dx : {0, 1}) {
            const double u = (x + dx - cx) / a, v = (y + dy - cy) / b;
            if (u * u + v * v > 1) return false;
        }
    return true;
}
bool square_outside(int x, int y, double cx, double cy, double a, double b) {
    const double nx = std::clamp(cx, double(x), double(x + 1)), ny = std::clamp(cy, double(y), double(y + 1));
    const double u = (nx - cx) / a, v = (ny - cy) / b;
    return u * u + v * v >= 1;
}

}  // namespace

TEST(ImglibShapes, SmoothEllipseCoversItsAreaAndOnlyIt) {
    // Centre pixel (20, 15), radii 10 and 6: the continuous ellipse around the
    // centre pixel's middle with radii 10.5 and 6.5.
    Plane p(41, 31);
    ASSERT_TRUE(IS3DrawEllipseOnImage(p.v.data(), 41, 31, 1, 41, 0xFF, 20, 15, 10, 6, 1, 0, 1.0, 0, 0, kSmoothEdges));
    const double cx = 20.5, cy = 15.5, a = 10.5, b = 6.5;
    double total = 0;
    int partial = 0;
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 41; ++x) {
            const int c = *p.at(x, y);
            total += c;
            if (square_inside(x, y, cx, cy, a - 0.15, b - 0.15)) EXPECT_EQ(c, 255) << x << "," << y;
            else if (square_outside(x, y, cx, cy, a + 0.15, b + 0.15)) EXPECT_EQ(c, 0) << x << "," << y;
            else partial += c > 0 && c < 255;
            // Mirror images across both axes through the centre pixel, within
            // what the rasterizer's sampling grid gives.
            EXPECT_NEAR(c, *p.at(40 - x, y), 6) << x << "," << y;
            EXPECT_NEAR(c, *p.at(x, 30 - y), 6) << x << "," << y;
        }
    EXPECT_NEAR(total / 255, M_PI * a * b, M_PI * a * b * 0.01);
    EXPECT_GT(partial, 20) << "the edge is smoothed";
    // The outermost pixels of the aliased ellipse are the smooth one's edge.
    EXPECT_GT(*p.at(10, 15), 100);
    EXPECT_EQ(*p.at(9, 15), 0);
    EXPECT_GT(*p.at(20, 9), 100);
    EXPECT_EQ(*p.at(20, 8), 0);
}

TEST(ImglibShapes, SmoothRingLeavesItsHoleAndAliasedQualitiesStayExact) {
    Plane ring(41, 41);
    ASSERT_TRUE(IS3DrawEllipseOnImage(ring.v.data(), 41, 41, 1, 41, 200, 20, 20, 12, 12, 0, 3, 1.0, 0, 0, kSmoothEdges));
    EXPECT_EQ(*ring.at(20, 20), 0) << "the hole";
    EXPECT_EQ(*ring.at(20, 20 + 8), 0) << "well inside the inner edge (radius 9.5 around 20.5)";
    EXPECT_EQ(*ring.at(20, 20 + 11), 200) << "within the ring";
    EXPECT_GT(*ring.at(27, 27), 0) << "the inner edge (radius 9.5) crosses this pixel";
    EXPECT_LT(*ring.at(27, 27), 200);
    // Qualities other than kSmoothEdges give the aliased ellipse: 0 or the colour, nothing between.
    for (int32_t quality : {0, 1, 2, 3, 5}) {
        Plane p(21, 21);
        ASSERT_TRUE(IS3DrawEllipseOnImage(p.v.data(), 21, 21, 1, 21, 0x80, 10, 10, 7, 5, 1, 0, 1.0, 0, 0, quality));
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 21; ++x) {
                const long long dx = x - 10, dy = y - 10;
                EXPECT_EQ(*p.at(x, y), dx * dx * 25 + dy * dy * 49 <= 49 * 25 ? 0x80 : 0) << quality;
            }
    }
}

TEST(ImglibShapes, SmoothEllipseClipsAndFallsBackFarOut) {
    // Partly outside the picture: clipped, nothing written past the rows.
    Plane p(10, 10, 1, 7);
    ASSERT_TRUE(IS3DrawEllipseOnImage(p.v.data(), 10, 10, 1, 10, 0xFF, 0, 0, 6, 6, 1, 0, 1.0, 0, 0, kSmoothEdges));
    EXPECT_EQ(*p.at(0, 0), 255);
    EXPECT_EQ(*p.at(9, 9), 7);
    // An ellipse far beyond the smooth renderer's reach is drawn aliased, exactly.
    Plane far(8, 8);
    const int32_t huge = std::numeric_limits<int32_t>::max() / 2;
    ASSERT_TRUE(IS3DrawEllipseOnImage(far.v.data(), 8, 8, 1, 8, 0xFF, -huge, 4, huge + 3, 2, 1, 0, 1.0, 0, 0, kSmoothEdges));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(*far.at(x, 4), x <= 3 ? 255 : 0) << "the tip ends at x = 3, at " << x;
    EXPECT_EQ(*far.at(0, 3), 0) << "a row above, the edge is far to the left";
    EXPECT_FALSE(IS3DrawEllipseOnImage(far.v.data(), 8, 8, 1, 8, 0xFF, 4, 4, -1, 2, 1, 0, 1.0, 0, 0, kSmoothEdges));
    EXPECT_FALSE(IS3DrawEllipseOnImage(far.v.data(), 8, 8, 1, 8, 0xFF, 4, 4, 2, 2, 1, 0, std::nan(""), 0, 0, 4));
}

TEST(ImglibShapes, ColourWordsInEachCallsByteOrder) {
    // The ellipse call reads 0xAARRGGBB; the rectangle calls read bytes in pixel order.
    Plane e(9, 9, 4);
    ASSERT_TRUE(IS3DrawEllipseOnImage(e.v.data(), 9, 9, 4, e.stride(), 0x80112233, 4, 4, 3, 3, 1, 0, 1.0, 0, 0, 0));
    EXPECT_EQ(std::vector<uint8_t>(e.at(4, 4), e.at(4, 4) + 4), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x80}));
    Plane rgb(9, 9, 3);
    ASSERT_TRUE(IS3DrawEllipseOnImage(rgb.v.data(), 9, 9, 3, rgb.stride(), 0x00112233, 4, 4, 3, 3, 1, 0, 1.0, 0, 0, 0));
    EXPECT_EQ(std::vector<uint8_t>(rgb.at(4, 4), rgb.at(4, 4) + 3), (std::vector<uint8_t>{0x11, 0x22, 0x33}));
    Plane r(4, 4, 4);
    ASSERT_TRUE(IS3FillSolidRect(r.v.data(), 4, 4, 4, r.stride(), 1, 1, 2, 2, 0x80112233));
    EXPECT_EQ(std::vector<uint8_t>(r.at(2, 2), r.at(2, 2) + 4), (std::vector<uint8_t>{0x33, 0x22, 0x11, 0x80}));
    EXPECT_EQ(*r.at(3, 3), 0);
    // The earlier ellipse call takes pixel order too.
    Plane e40(9, 9, 4);
    ASSERT_TRUE(IS40_DrawEllipseOnImage(e40.v.data(), 9, 9, 4, e40.stride(), 4, 4, 3, 3, 0x80112233, 1, 0, 1.0, 0, 0, 0));
    EXPECT_EQ(std::vector<uint8_t>(e40.at(4, 4), e40.at(4, 4) + 4), (std::vector<uint8_t>{0x33, 0x22, 0x11, 0x80}));
}

TEST(ImglibShapes, TransparentRectLaysTheColourAtItsOpacity) {
    Plane p(5, 4, 3, 100);
    ASSERT_TRUE(IS3FillTransparentRectOnImage(p.v.data(), 5, 4, 3, p.stride(), 1, 1, 3, 2, 0x00C8FA00, 0.25, 0));
    // trunc(100 * 0.75 + c * 0.25) for c = 0, 250, 200; both corners included.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool in = x >= 1 && x <= 3 && y >= 1 && y <= 2;
            const std::vector<uint8_t> want = in ? std::vector<uint8_t>{75, 137, 125} : std::vector<uint8_t>{100, 100, 100};
            EXPECT_EQ(std::vector<uint8_t>(p.at(x, y), p.at(x, y) + 3), want) << x << "," << y;
        }
    // Above 1 counts as 1; a NaN does nothing.
    ASSERT_TRUE(IS3FillTransparentRectOnImage(p.v.data(), 5, 4, 3, p.stride(), 0, 0, 0, 0, 0x010203, 7.0, 0));
    EXPECT_EQ(std::vector<uint8_t>(p.at(0, 0), p.at(0, 0) + 3), (std::vector<uint8_t>{3, 2, 1}));
    EXPECT_FALSE(IS3FillTransparentRectOnImage(p.v.data(), 5, 4, 3, p.stride(), 0, 0, 4, 3, 0, std::nan(""), 0));
}

namespace {

// Stops as the gradient calls take them: blue, green, red, alpha.
struct Stop {
    uint8_t r, g, b, a;
    double at;
};

struct StopList {
    std::vector<uint8_t> bytes;
    std::vector<double> positions;
    explicit StopList(std::initializer_list<Stop> stops) {
        for (const Stop& s : stops) {
            bytes.insert(bytes.end(), {s.b, s.g, s.r, s.a});
            positions.push_back(s.at);
        }
    }
    int32_t count() const { return int32_t(positions.size()); }
};

}  // namespace

TEST(ImglibGradient, LinearStopsSitWhereTheyArePut) {
    // From pixel 0 to pixel 100: pixel x lies at x percent.
    const StopList stops({{255, 0, 0, 10, 0}, {0, 200, 0, 20, 50}, {0, 0, 100, 30, 80}});
    Plane p(121, 2, 4);
    ASSERT_TRUE(ISE3GradientFillImageLinear(p.v.data(), 121, 2, p.stride(), 0, 0, 100, 0, stops.bytes.data(),
                                            stops.positions.data(), stops.count(), 1, 0, 1.0));
    const auto px = [&](int x) { return std::vector<int>(p.at(x, 1), p.at(x, 1) + 4); };
    EXPECT_EQ(px(0), (std::vector<int>{255, 0, 0, 10}));
    EXPECT_EQ(px(50), (std::vector<int>{0, 200, 0, 20}));
    EXPECT_EQ(px(80), (std::vector<int>{0, 0, 100, 30}));
    EXPECT_EQ(px(120), px(80)) << "the last colour continues";
    // Halfway between stops, each channel halfway, colour and alpha alike.
    const std::vector<int> mid = px(25);
    EXPECT_NEAR(mid[0], 128, 2);
    EXPECT_NEAR(mid[1], 100, 2);
    EXPECT_NEAR(mid[3], 15, 1);
    const std::vector<int> late = px(65);
    EXPECT_NEAR(late[1], 100, 2);
    EXPECT_NEAR(late[2], 50, 2);
    // Every row alike along a horizontal gradient.
    EXPECT_EQ(std::vector<uint8_t>(p.at(0, 0), p.at(0, 0) + 121 * 4), std::vector<uint8_t>(p.at(0, 1), p.at(0, 1) + 121 * 4));
}

TEST(ImglibGradient, ColourKeepsItsValueWhereAlphaIsZero) {
    // One colour fading from alpha 255 to 0: the colour never darkens, as it
    // would if it were kept premultiplied.
    const StopList fade({{40, 160, 220, 255, 0}, {40, 160, 220, 0, 100}});
    Plane p(101, 1, 4);
    ASSERT_TRUE(ISE3GradientFillImageLinear(p.v.data(), 101, 1, p.stride(), 0, 0, 100, 0, fade.bytes.data(),
                                            fade.positions.data(), 2, 1, 0, 1.0));
    int previous = 256;
    for (int x = 0; x <= 100; ++x) {
        EXPECT_EQ(std::vector<int>(p.at(x, 0), p.at(x, 0) + 3), (std::vector<int>{40, 160, 220})) << x;
        EXPECT_LE(p.at(x, 0)[3], previous) << x;
        previous = p.at(x, 0)[3];
    }
    EXPECT_EQ(p.at(0, 0)[3], 255);
    EXPECT_EQ(p.at(100, 0)[3], 0);
}

TEST(ImglibGradient, RadialFromTheCentrePixelOutToTheRadius) {
    const StopList stops({{255, 255, 255, 255, 0}, {0, 0, 0, 255, 100}});
    Plane p(61, 61, 4);
    ASSERT_TRUE(ISE3GradientFillImageRadial(p.v.data(), 61, 61, p.stride(), 20, 30, 30, stops.bytes.data(),
                                            stops.positions.data(), 2, 0, 0, 1.0));
    EXPECT_EQ(p.at(30, 30)[0], 255);
    EXPECT_NEAR(p.at(40, 30)[0], 128, 2) << "half the radius";
    EXPECT_NEAR(p.at(30, 20)[1], 128, 2);
    EXPECT_EQ(p.at(50, 30)[2], 0) << "the radius";
    EXPECT_EQ(p.at(0, 0)[0], 0) << "beyond it";
    EXPECT_EQ(p.at(60, 60)[3], 255);
}

TEST(ImglibGradient, BadGradientsChangeNothing) {
    const StopList stops({{1, 2, 3, 4, 0}, {5, 6, 7, 8, 100}});
    Plane p(5, 5, 4, 9);
    const std::vector<uint8_t> before = p.v;
    const uint8_t* s = stops.bytes.data();
    const double* at = stops.positions.data();
    EXPECT_FALSE(ISE3GradientFillImageLinear(p.v.data(), 5, 5, 20, 2, 2, 2, 2, s, at, 2, 1, 0, 1.0)) << "no length";
    EXPECT_FALSE(ISE3GradientFillImageRadial(p.v.data(), 5, 5, 20, 0, 2, 2, s, at, 2, 0, 0, 1.0)) << "no radius";
    EXPECT_FALSE(ISE3GradientFillImageRadial(p.v.data(), 5, 5, 20, -3, 2, 2, s, at, 2, 0, 0, 1.0));
    EXPECT_FALSE(ISE3GradientFillImageLinear(p.v.data(), 5, 5, 20, 0, 0, 4, 0, s, at, 0, 1, 0, 1.0)) << "no stops";
    EXPECT_FALSE(ISE3GradientFillImageLinear(p.v.data(), 5, 5, 20, 0, 0, 4, 0, nullptr, at, 2, 1, 0, 1.0));
    EXPECT_FALSE(ISE3GradientFillImageLinear(p.v.data(), 5, 5, 20, 0, 0, 4, 0, s, at, 2, 1, 0, std::nan("")));
    const double nan_at[2] = {0, std::nan("")};
    EXPECT_FALSE(ISE3GradientFillImageLinear(p.v.data(), 5, 5, 20, 0, 0, 4, 0, s, nan_at, 2, 1, 0, 1.0));
    EXPECT_FALSE(ISE3GradientFillImageLinear(p.v.data(), 5, 5, 19, 0, 0, 4, 0, s, at, 2, 1, 0, 1.0)) << "short stride";
    EXPECT_EQ(p.v, before);
    // Opacity lays the gradient over what is there.
    ASSERT_TRUE(ISE3GradientFillImageLinear(p.v.data(), 5, 5, 20, 0, 0, 4, 0, s, at, 1, 1, 0, 0.5));
    EXPECT_EQ(std::vector<int>(p.at(3, 3), p.at(3, 3) + 4), (std::vector<int>{5, 5, 6, 6})) << "trunc(9 / 2 + stop / 2)";
}

TEST(ImglibPremultiplied, RoundedBothWaysAndExactWhenOpaque) {
    using namespace premultiplied;
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c) {
            ASSERT_EQ(scale(c, a), uint8_t(std::lround(c * a / 255.0))) << c << " " << a;
            if (a == 0) continue;
            const long straight = std::min(255L, std::lround(c * 255.0 / a));  // halves up
            ASSERT_EQ(unscale(c, a), straight) << c << " " << a;
            // Into premultiplied and back loses at most half a step of the premultiplied byte.
            ASSERT_LE(std::abs(int(unscale(scale(c, a), a)) - int(c)), int(128 / a) + 1) << c << " " << a;
        }
    uint8_t out[4];
    const uint8_t opaque[4] = {10, 200, 255, 255}, clear[4] = {90, 80, 70, 0}, half[4] = {200, 100, 0, 128};
    premultiplied::straight_pixel(argb_word(opaque), out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>(opaque, opaque + 4));
    EXPECT_EQ(argb_word(clear), 0u);
    premultiplied::straight_pixel(argb_word(clear), out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(argb_word(half), 0x80643200u) << "(200, 100, 0) * 128 / 255 rounded";
}
