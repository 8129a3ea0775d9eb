// The transform module: the transform list and its process modes and edge
// modes, the quadrilateral warp and the push.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

#include "platform/imglib/fast_trig.h"
#include "platform/imglib/transform.h"

namespace {

using namespace imglib;
using Bytes = std::vector<uint8_t>;

// A picture of distinct opaque pixels: red from x, green from y, blue from
// both, so that every pixel names where it came from.
Bytes numbered(int w, int h, int bpp = 4) {
    Bytes p(size_t(w) * h * bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* q = &p[(size_t(y) * w + x) * bpp];
            q[0] = uint8_t(x * 7 + 3);
            if (bpp > 1) q[1] = uint8_t(y * 11 + 5);
            if (bpp > 2) q[2] = uint8_t((x * 3 + y * 5) & 255);
            if (bpp > 3) q[3] = uint8_t(200 + (x + y) % 50);
        }
    return p;
}

const uint8_t* at(const Bytes& p, int w, int x, int y, int bpp = 4) { return &p[(size_t(y) * w + x) * bpp]; }

bool same_pixel(const Bytes& a, int aw, int ax, int ay, const Bytes& b, int bw, int bx, int by, int bpp = 4) {
    for (int c = 0; c < bpp; ++c)
        if (at(a, aw, ax, ay, bpp)[c] != at(b, bw, bx, by, bpp)[c]) return false;
    return true;
}

Bytes process(const Bytes& src, int w, int h, int mode, uint32_t background = 0, int bpp = 4) {
    Bytes dst(src.size(), 0x5A);
    EXPECT_EQ(ISE3TransformProcess(src.data(), dst.data(), uint32_t(w), uint32_t(h), uint32_t(bpp), mode, background), 1);
    return dst;
}

class Transforms : public ::testing::Test {
protected:
    void SetUp() override { ISE3ClearAllTransforms(); }
    void TearDown() override { ISE3ClearAllTransforms(); }
};

TEST_F(Transforms, ZeroStrengthGivesBackThePictureExactly) {
    constexpr int w = 23, h = 17;
    const Bytes src = numbered(w, h);
    const std::vector<std::function<BOOL()>> zero = {
        [] { return ISE3AddEllipticalTransform(w, h, 0, 5, 0, 0, 0); },
        [] { return ISE3AddLensTransform(w, h, 0, 0, 0); },
        [] { return ISE3AddMarbleTransform(w, h, 0.0, 10, 10); },
        [] { return ISE3AddOffsetTransform(w, h, 0, 0, 0); },
        [] { return ISE3AddPinchTransform(w, h, 9, 0, 0, 0); },
        [] { return ISE3AddRippleTransform(w, h, 9, 5, 0, 0, 0, 0); },
        [] { return ISE3AddRippleTransform(w, h, 9, 0, 4, 0, 0, 0); },
        [] { return ISE3AddSpinTransform(w, h, 9, 0, 0, 0); },
        [] { return ISE3AddSpinWaveTransform(w, h, 9, 0, 3, 0, 0); },
        [] { return ISE3AddWaveTransform(w, h, 0.0, 8, 1); },
        [] { return ISE3AddWowTransform(w, h, 0, 0); },
        [] { return ISE3AddZigZagTransform(w, h, 3.0, 0, 2); },
        [] { return ISE3AddRandomTransform(w, h, 0); },
        [] {
            static const uint8_t flat[9] = {7, 7, 7, 7, 7, 7, 7, 7, 7};
            return ISE3BumpMapDisplacementTransform(w, h, 50.0f, flat, 3, 3);
        },
    };
    for (size_t i = 0; i < zero.size(); ++i)
        for (int mode : {kTransformNearest, kTransformBilinear, kTransformSmooth}) {
            SCOPED_TRACE(testing::Message() << "transform " << i << " mode " << mode);
            ISE3ClearAllTransforms();
            ASSERT_EQ(zero[i](), 1);
            EXPECT_EQ(process(src, w, h, mode, 0xFF00FF00u), src);
        }
    ISE3ClearAllTransforms();
    EXPECT_EQ(process(src, w, h, kTransformSmooth), src);  // an empty list copies
}

// Offsets move by whole pixels: every mode samples exactly, and the edge
// mode decides what fills the uncovered side.
TEST_F(Transforms, OffsetsMoveByExactlyTheOffset) {
    constexpr int w = 13, h = 9;
    const Bytes src = numbered(w, h);
    const uint32_t background = 0x44332211u;
    for (int dx : {3, -5, 13 + 4, -2 * 13 - 1})
        for (int dy : {0, 2, -9 - 3}) {
            for (int mode : {kTransformNearest, kTransformBilinear, kTransformSmooth}) {
                SCOPED_TRACE(testing::Message() << dx << "," << dy << " mode " << mode);
                ISE3ClearAllTransforms();
                ASSERT_EQ(ISE3AddOffsetTransform(w, h, dx, dy, kEdgeWrap), 1);
                const Bytes wrapped = process(src, w, h, mode);
                ISE3ClearAllTransforms();
                ASSERT_EQ(ISE3AddOffsetTransform(w, h, dx, dy, kEdgeBackground), 1);
                const Bytes filled = process(src, w, h, mode, background);
                ISE3ClearAllTransforms();
                ASSERT_EQ(ISE3AddOffsetTransform(w, h, dx, dy, kEdgeRepeat), 1);
                const Bytes repeated = process(src, w, h, mode);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const int sx = x - dx, sy = y - dy;
                        const int wx = ((sx % w) + w) % w, wy = ((sy % h) + h) % h;
                        ASSERT_TRUE(same_pixel(wrapped, w, x, y, src, w, wx, wy)) << x << "," << y;
                        const int cx = std::clamp(sx, 0, w - 1), cy = std::clamp(sy, 0, h - 1);
                        ASSERT_TRUE(same_pixel(repeated, w, x, y, src, w, cx, cy)) << x << "," << y;
                        if (sx >= 0 && sx < w && sy >= 0 && sy < h) {
                            ASSERT_TRUE(same_pixel(filled, w, x, y, src, w, sx, sy)) << x << "," << y;
                        } else {
                            const uint8_t* p = at(filled, w, x, y);
                            ASSERT_EQ(p[0], 0x11);
                            ASSERT_EQ(p[1], 0x22);
                            ASSERT_EQ(p[2], 0x33);
                            ASSERT_EQ(p[3], 0x44);
                        }
                    }
            }
        }
}

// One and three bytes a pixel work alike.
TEST_F(Transforms, OtherPixelSizes) {
    constexpr int w = 8, h = 5;
    for (int bpp : {1, 3}) {
        const Bytes src = numbered(w, h, bpp);
        ISE3ClearAllTransforms();
        ASSERT_EQ(ISE3AddOffsetTransform(w, h, 1, 0, kEdgeWrap), 1);
        const Bytes out = process(src, w, h, kTransformSmooth, 0, bpp);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_TRUE(same_pixel(out, w, x, y, src, w, (x + w - 1) % w, y, bpp));
    }
}

// The first transform added acts on the picture first, and a point one
// stage sends off the picture stays lost to the background even when a
// later stage would bring it back.
TEST_F(Transforms, TransformsRunInTheOrderAdded) {
    constexpr int w = 30, h = 4;
    const Bytes src = numbered(w, h);
    auto background_at = [](const Bytes& p, int x, int y) { return at(p, w, x, y)[3] == 0 && at(p, w, x, y)[0] == 9; };
    ASSERT_EQ(ISE3AddOffsetTransform(w, h, 10, 0, kEdgeBackground), 1);
    ASSERT_EQ(ISE3AddOffsetTransform(w, h, -10, 0, kEdgeWrap), 1);
    const Bytes first = process(src, w, h, kTransformSmooth, 9);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < w - 10) ASSERT_TRUE(same_pixel(first, w, x, y, src, w, x, y)) << x;
            else ASSERT_TRUE(background_at(first, x, y)) << x;
        }
    ISE3ClearAllTransforms();
    ASSERT_EQ(ISE3AddOffsetTransform(w, h, -10, 0, kEdgeWrap), 1);
    ASSERT_EQ(ISE3AddOffsetTransform(w, h, 10, 0, kEdgeBackground), 1);
    const Bytes second = process(src, w, h, kTransformSmooth, 9);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x >= 10) ASSERT_TRUE(same_pixel(second, w, x, y, src, w, x, y)) << x;
            else ASSERT_TRUE(background_at(second, x, y)) << x;
        }
}

// A wave of amplitude 0.5 and wavelength 4 moves row 1 half a pixel one way
// and row 3 half a pixel the other: column 0 of row 3 samples half a pixel
// outside. The hard mode shows the edge pixel there; the smooth one blends
// it half with the background; the nearest mode takes a whole pixel.
TEST_F(Transforms, HardAndSmoothEdgesAgainstTheBackground) {
    constexpr int w = 6, h = 4;
    Bytes src(size_t(w) * h * 4);
    for (size_t i = 0; i < src.size(); ++i) src[i] = 200;
    ASSERT_EQ(ISE3AddWaveTransform(w, h, 0.5, 4, kEdgeBackground), 1);
    const Bytes hard = process(src, w, h, kTransformBilinear, 0);
    const Bytes smooth = process(src, w, h, kTransformSmooth, 0);
    // Row 3, column 0: x - 0.5 lies half outside; y moves by 0.5 * sin(0) = 0.
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(at(hard, w, 0, 3)[c], 200);
        EXPECT_NEAR(at(smooth, w, 0, 3)[c], 100, 1);
        EXPECT_EQ(at(smooth, w, 2, 1)[c], 200);  // inside the picture nothing fades
    }
    ISE3ClearAllTransforms();
    ASSERT_EQ(ISE3AddWaveTransform(w, h, 0.75, 4, kEdgeBackground), 1);
    const Bytes gone = process(src, w, h, kTransformBilinear, 0);
    EXPECT_EQ(at(gone, w, 0, 3)[0], 0);  // 0.75 outside: the background whole
}

TEST_F(Transforms, TurnsAreCounterClockwiseAsSeen) {
    constexpr int w = 21, h = 21, c = 10;
    const Bytes src = numbered(w, h);
    // Inside half its radius a spin turns the picture whole: by 90 degrees
    // the pixel below the centre comes to its right.
    ASSERT_EQ(ISE3AddSpinTransform(w, h, 12, 90, 0, 0), 1);
    const Bytes out = process(src, w, h, kTransformNearest);
    for (int d = 1; d <= 6; ++d) {
        EXPECT_TRUE(same_pixel(out, w, c + d, c, src, w, c, c + d)) << d;
        EXPECT_TRUE(same_pixel(out, w, c, c - d, src, w, c + d, c)) << d;
    }
    EXPECT_TRUE(same_pixel(out, w, c, c, src, w, c, c));
    EXPECT_TRUE(same_pixel(out, w, 0, 0, src, w, 0, 0));  // beyond the radius nothing moves
}

// Disc transforms leave everything beyond their radius exactly as it was,
// and their centre pixel in place.
TEST_F(Transforms, DiscTransformsStayInsideTheirRadius) {
    constexpr int w = 41, h = 31, radius = 12;
    const int cx = w / 2 + 4, cy = h / 2 - 3;
    const Bytes src = numbered(w, h);
    const std::vector<std::function<BOOL()>> discs = {
        [&] { return ISE3AddLensTransform(w, h, radius, 4, -3); },
        [&] { return ISE3AddPinchTransform(w, h, radius, 80, 4, -3); },
        [&] { return ISE3AddPinchTransform(w, h, radius, -80, 4, -3); },
        [&] { return ISE3AddRippleTransform(w, h, radius, 5, 3, 4, -3, kEdgeRepeat); },
        [&] { return ISE3AddSpinTransform(w, h, radius, 70, 4, -3); },
        [&] { return ISE3AddSpinWaveTransform(w, h, radius, 40, 3, 4, -3); },
    };
    for (size_t i = 0; i < discs.size(); ++i) {
        SCOPED_TRACE(i);
        ISE3ClearAllTransforms();
        ASSERT_EQ(discs[i](), 1);
        const Bytes out = process(src, w, h, kTransformSmooth);
        EXPECT_TRUE(same_pixel(out, w, cx, cy, src, w, cx, cy));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) >= radius * radius) {
                    ASSERT_TRUE(same_pixel(out, w, x, y, src, w, x, y)) << x << "," << y;
                }
    }
}

// The lens shows, at distance d from its centre, the source at
// radius * asin(d / radius) * 2 / pi: checked on a horizontal ramp, where
// bilinear sampling gives the value at the sampled x.
TEST_F(Transforms, TheLensMagnifiesAsASphere) {
    constexpr int w = 61, h = 7, radius = 25, cx = 30, cy = 3;
    Bytes src(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) src[(size_t(y) * w + x) * 4 + c] = uint8_t(x * 4);
    ASSERT_EQ(ISE3AddLensTransform(w, h, radius, 0, 0), 1);
    const Bytes out = process(src, w, h, kTransformSmooth);
    for (int d = -24; d <= 24; ++d) {
        const double rho = std::abs(d) / double(radius);
        const double from = cx + (d < 0 ? -1 : 1) * radius * std::asin(rho) * 2 / std::numbers::pi;
        EXPECT_NEAR(at(out, w, cx + d, cy)[0], from * 4, 1.0) << d;
    }
}

// The ellipse's centre shows the picture's centre; the corners, outside an
// ellipse inscribed in the picture, show the background.
TEST_F(Transforms, TheEllipseHoldsThePicture) {
    constexpr int w = 31, h = 21;
    const Bytes src = numbered(w, h);
    ASSERT_EQ(ISE3AddEllipticalTransform(w, h, w / 2, h / 2, 0, 0, kEdgeBackground), 1);
    const Bytes out = process(src, w, h, kTransformSmooth, 0x01020304u);
    EXPECT_TRUE(same_pixel(out, w, 15, 10, src, w, 15, 10));
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
        EXPECT_EQ(at(out, w, x, y)[0], 0x04);
        EXPECT_EQ(at(out, w, x, y)[3], 0x01);
    }
    // Along the axis each ray stretches by the border's distance over the
    // rim's, 15.5 / 15: on a ramp, pixel 15 + d shows x = 15 + d * 15.5 / 15.
    Bytes ramp(size_t(w) * h * 4);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t((i / 4) % w * 8);
    const Bytes stretched = process(ramp, w, h, kTransformSmooth);
    for (int d = -14; d <= 14; ++d) EXPECT_NEAR(at(stretched, w, 15 + d, 10)[0], (15 + d * 15.5 / 15) * 8, 1.0) << d;
}

// Frosted glass takes every pixel from within its distance, the same way
// every time.
TEST_F(Transforms, ScatterStaysWithinItsDistanceAndRepeats) {
    constexpr int w = 40, h = 30, d = 3;
    const Bytes src = numbered(w, h);
    ASSERT_EQ(ISE3AddRandomTransform(w, h, d), 1);
    const Bytes out = process(src, w, h, kTransformNearest);
    EXPECT_EQ(process(src, w, h, kTransformNearest), out);
    int moved = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool found = false;
            for (int sy = std::max(0, y - d); sy <= std::min(h - 1, y + d) && !found; ++sy)
                for (int sx = std::max(0, x - d); sx <= std::min(w - 1, x + d) && !found; ++sx)
                    found = same_pixel(out, w, x, y, src, w, sx, sy);
            ASSERT_TRUE(found) << x << "," << y;
            moved += !same_pixel(out, w, x, y, src, w, x, y);
        }
    EXPECT_GT(moved, w * h / 2);
}

// A height map rising 4 a pixel has a slope of 8 between the neighbours
// either side: strength 8 moves every point by 8 * 8 / 64 = 1 pixel.
TEST_F(Transforms, BumpMapsMoveByTheirSlope) {
    constexpr int w = 20, h = 5, mw = 64;
    Bytes map(size_t(mw) * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < mw; ++x) map[size_t(y) * mw + x] = uint8_t(4 * x);
    const Bytes src = numbered(w, h);
    ASSERT_EQ(ISE3BumpMapDisplacementTransform(w, h, 8.0f, map.data(), mw, 4), 1);
    const Bytes out = process(src, w, h, kTransformBilinear);
    for (int y = 0; y < h; ++y)
        for (int x = 1; x < w - 1; ++x) ASSERT_TRUE(same_pixel(out, w, x, y, src, w, x + 1, y)) << x << "," << y;
}

TEST_F(Transforms, BadCallsReportFailure) {
    Bytes a(64, 1), b(64, 2);
    EXPECT_EQ(ISE3AddOffsetTransform(0, 4, 1, 1, 0), 0);
    EXPECT_EQ(ISE3AddOffsetTransform(4, -1, 1, 1, 0), 0);
    EXPECT_EQ(ISE3AddOffsetTransform(65536, 4, 1, 1, 0), 0);
    EXPECT_EQ(ISE3AddMarbleTransform(4, 4, std::nan(""), 3, 3), 0);
    EXPECT_EQ(ISE3BumpMapDisplacementTransform(4, 4, 1.0f, nullptr, 4, 4), 0);
    EXPECT_EQ(ISE3BumpMapDisplacementTransform(4, 4, 1.0f, a.data(), 0, 4), 0);
    EXPECT_EQ(ISE3TransformProcess(nullptr, b.data(), 4, 4, 4, 2, 0), 0);
    EXPECT_EQ(ISE3TransformProcess(a.data(), nullptr, 4, 4, 4, 2, 0), 0);
    EXPECT_EQ(ISE3TransformProcess(a.data(), b.data(), 4, 4, 2, 2, 0), 0);
    EXPECT_EQ(ISE3TransformProcess(a.data(), b.data(), 4, 4, 4, 3, 0), 0);
    EXPECT_EQ(ISE3TransformProcess(a.data(), b.data(), 4, 4, 4, -1, 0), 0);
    EXPECT_EQ(b, Bytes(64, 2));
    EXPECT_EQ(ISE3TransformProcess(a.data(), b.data(), 0, 4, 4, 2, 0), 1);  // nothing to do
    for (int i = 0; i < kMaxTransforms; ++i) ASSERT_EQ(ISE3AddOffsetTransform(4, 4, 0, 0, 0), 1);
    EXPECT_EQ(ISE3AddOffsetTransform(4, 4, 0, 0, 0), 0);  // the list is full
    EXPECT_EQ(ISE3ClearAllTransforms(), 1);
    EXPECT_EQ(ISE3AddOffsetTransform(4, 4, 0, 0, 0), 1);
}

// Far offsets and radii, huge amplitudes and extreme settings end, write
// only the destination, and keep their results inside the byte range.
TEST_F(Transforms, ExtremeSettingsStayInBounds) {
    constexpr int w = 9, h = 7;
    const Bytes src = numbered(w, h);
    const std::vector<std::function<BOOL()>> adds = {
        [] { return ISE3AddOffsetTransform(w, h, INT32_MAX, INT32_MIN, 1); },
        [] { return ISE3AddEllipticalTransform(w, h, INT32_MAX, 1, INT32_MIN, INT32_MAX, 1); },
        [] { return ISE3AddLensTransform(w, h, INT32_MAX, INT32_MAX, 0); },
        [] { return ISE3AddPinchTransform(w, h, 3, INT32_MIN, 0, 0); },
        [] { return ISE3AddRippleTransform(w, h, 100, 1, INT32_MAX, 0, 0, 1); },
        [] { return ISE3AddSpinWaveTransform(w, h, 50, INT32_MAX, INT32_MAX, 0, 0); },
        [] { return ISE3AddWaveTransform(w, h, 1e300, INT32_MAX, 1); },
        [] { return ISE3AddZigZagTransform(w, h, -1e30, 1, 2); },
        [] { return ISE3AddMarbleTransform(w, h, 1e9, -5, 1e12); },
        [] { return ISE3AddRandomTransform(w, h, INT32_MIN); },
        [] { return ISE3AddWowTransform(w, h, INT32_MAX, 7); },
    };
    for (size_t i = 0; i < adds.size(); ++i) {
        SCOPED_TRACE(i);
        ISE3ClearAllTransforms();
        ASSERT_EQ(adds[i](), 1);
        Bytes dst(src.size() + 8, 0xEE);
        ASSERT_EQ(ISE3TransformProcess(src.data(), dst.data(), w, h, 4, kTransformSmooth, 0), 1);
        for (size_t k = src.size(); k < dst.size(); ++k) ASSERT_EQ(dst[k], 0xEE);
    }
}

// --- The quadrilateral warp ---

constexpr ISPoint corners(int w, int h, int i) {
    const ISPoint c[4] = {{0, h - 1}, {0, 0}, {w - 1, 0}, {w - 1, h - 1}};
    return c[i];
}

TEST(PolygonWarp, TheImageCornersLandExactlyOnTheTargetCorners) {
    constexpr int w = 40, h = 30;
    Bytes src(size_t(w) * h * 4, 90);
    const uint8_t marks[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
    ISPoint from[4];
    for (int i = 0; i < 4; ++i) {
        from[i] = corners(w, h, i);
        std::copy(marks[i], marks[i] + 4, &src[(size_t(from[i].y) * w + from[i].x) * 4]);
    }
    const ISPoint targets[][4] = {
        {{4, 27}, {9, 3}, {30, 3}, {35, 27}},        // a perspective
        {{2, 29}, {11, 1}, {37, 6}, {25, 24}},       // every corner its own way
        {{-6, 31}, {-2, 3}, {37, 3}, {33, 31}},      // a skew partly outside
        {{10, 20}, {10, 10}, {29, 10}, {29, 20}},    // a shrink
    };
    for (const auto& to : targets)
        for (int sampling : {kWarpNearest, kWarpBilinear, kWarpSmooth}) {
            Bytes dst(src.size(), 7);
            ASSERT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 4, dst.data(), w, h, w * 4, from, to, 32, 0, 0,
                                          sampling),
                      1);
            for (int i = 0; i < 4; ++i) {
                if (to[i].x < 0 || to[i].y < 0 || to[i].x >= w || to[i].y >= h) continue;
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(at(dst, w, to[i].x, to[i].y)[c], marks[i][c])
                        << "corner " << i << " sampling " << sampling;
            }
        }
}

// Pixels outside the target keep what they held; the same quadrilateral
// on both sides copies the picture.
TEST(PolygonWarp, OutsideTheTargetNothingChanges) {
    constexpr int w = 24, h = 16;
    const Bytes src = numbered(w, h);
    ISPoint from[4], same[4];
    for (int i = 0; i < 4; ++i) from[i] = same[i] = corners(w, h, i);
    Bytes dst(src.size(), 3);
    ASSERT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 4, dst.data(), w, h, w * 4, from, same, 32, 0, 0, 2), 1);
    EXPECT_EQ(dst, src);
    const ISPoint inner[4] = {{8, 11}, {8, 4}, {15, 4}, {15, 11}};
    for (int sampling : {kWarpNearest, kWarpBilinear, kWarpSmooth}) {
        Bytes d(src.size(), 3);
        ASSERT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 4, d.data(), w, h, w * 4, from, inner, 32, 0, 0, sampling), 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // One pixel round the target may take part of its edge.
                const bool near = x >= 7 && x <= 16 && y >= 3 && y <= 12;
                if (!near) {
                    ASSERT_EQ(at(d, w, x, y)[0], 3) << x << "," << y;
                }
            }
    }
}

TEST(PolygonWarp, TwentyFourBitPicturesAndBadQuadrilaterals) {
    constexpr int w = 10, h = 8;
    const Bytes src = numbered(w, h, 3);
    ISPoint from[4];
    for (int i = 0; i < 4; ++i) from[i] = corners(w, h, i);
    Bytes dst(src.size(), 0);
    ASSERT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 3, dst.data(), w, h, w * 3, from, from, 24, 0, 0, 1), 1);
    EXPECT_EQ(dst, src);
    const ISPoint line[4] = {{0, 0}, {1, 1}, {2, 2}, {5, 0}};
    const ISPoint dart[4] = {{1, 7}, {4, 0}, {8, 7}, {4, 4}};
    const ISPoint bowTie[4] = {{0, 7}, {9, 0}, {0, 0}, {9, 7}};
    Bytes untouched(src.size(), 9);
    EXPECT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 3, untouched.data(), w, h, w * 3, from, dart, 24, 0, 0, 2), 0);
    EXPECT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 3, untouched.data(), w, h, w * 3, from, bowTie, 24, 0, 0, 2), 0);
    EXPECT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 3, untouched.data(), w, h, w * 3, from, line, 24, 0, 0, 2), 0);
    EXPECT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 3, untouched.data(), w, h, w * 3, line, from, 24, 0, 0, 2), 0);
    EXPECT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 3, untouched.data(), w, h, w * 3, from, from, 16, 0, 0, 2), 0);
    EXPECT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 3, untouched.data(), w, h, w * 3, nullptr, from, 24, 0, 0, 2), 0);
    EXPECT_EQ(IS3PolygonWarpImage(src.data(), w, h, w * 3, untouched.data(), w, h, w * 3, from, from, 24, 0, 0, 3), 0);
    EXPECT_EQ(untouched, Bytes(src.size(), 9));
}

// --- The push ---

TEST(Push, TheStartArrivesAtTheEndAndFarPixelsStay) {
    constexpr int w = 40, h = 30;
    const Bytes src = numbered(w, h);
    Bytes dst(src.size(), 0);
    ASSERT_EQ(ISE3PushImage(src.data(), dst.data(), w, h, 4, 12, 10, 18, 14, 0), 1);
    EXPECT_TRUE(same_pixel(dst, w, 18, 14, src, w, 12, 10));
    // The radius is twice the push's length, about 14.4 pixels.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x - 18) * (x - 18) + (y - 14) * (y - 14) > 15 * 15) {
                ASSERT_TRUE(same_pixel(dst, w, x, y, src, w, x, y));
            }
    Bytes still(src.size(), 0);
    ASSERT_EQ(ISE3PushImage(src.data(), still.data(), w, h, 4, 5, 5, 5, 5, 0), 1);
    EXPECT_EQ(still, src);
    // A push whose disc lies wholly outside copies the picture.
    ASSERT_EQ(ISE3PushImage(src.data(), still.data(), w, h, 4, -500, -500, -490, -500, 3), 1);
    EXPECT_EQ(still, src);
    EXPECT_EQ(ISE3PushImage(src.data(), nullptr, w, h, 4, 1, 1, 2, 2, 0), 0);
    EXPECT_EQ(ISE3PushImage(src.data(), still.data(), w, h, 2, 1, 1, 2, 2, 0), 0);
}

// A given radius too small for the push is raised so the picture never
// folds: along the push's line the sampled source moves forward only.
TEST(Push, SmallRadiiNeverFold) {
    constexpr int w = 64, h = 5;
    Bytes src(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) src[(size_t(y) * w + x) * 4 + c] = uint8_t(x * 4);
    Bytes dst(src.size(), 0);
    ASSERT_EQ(ISE3PushImage(src.data(), dst.data(), w, h, 4, 20, 2, 32, 2, 2), 1);
    for (int x = 1; x < w; ++x) ASSERT_GE(at(dst, w, x, 2)[0], at(dst, w, x - 1, 2)[0]) << x;
}

// --- The lane trigonometry of the warp maps ---

// Against the library functions in double precision over many turns and
// every octant: the warps need well under 1/32 pixel at radius 10000, an
// error below about 3e-6 radians.
TEST(FastTrig, SineCosineAndArctangentAreAccurate) {
    using simd::Float4;
    alignas(16) float in[4], s[4], c[4], t[4];
    double worst = 0;
    for (int i = -40000; i <= 40000; i += 4) {
        for (int k = 0; k < 4; ++k) in[k] = float((i + k) * 0.0157);  // -628 .. 628 radians
        Float4 fs, fc;
        imglib::detail::sincos4(Float4::load(in), fs, fc);
        fs.store(s);
        fc.store(c);
        for (int k = 0; k < 4; ++k) {
            worst = std::max(worst, std::fabs(s[k] - std::sin(double(in[k]))));
            worst = std::max(worst, std::fabs(c[k] - std::cos(double(in[k]))));
        }
    }
    EXPECT_LT(worst, 2e-6);
    worst = 0;
    alignas(16) float xs[4], ys[4];
    for (int i = 0; i < 20000; i += 4) {
        for (int k = 0; k < 4; ++k) {
            const double a = (i + k) * 2 * std::numbers::pi / 20000 - std::numbers::pi;
            xs[k] = float(1234.5 * std::cos(a));
            ys[k] = float(1234.5 * std::sin(a));
        }
        imglib::detail::atan2_4(Float4::load(ys), Float4::load(xs)).store(t);
        for (int k = 0; k < 4; ++k) worst = std::max(worst, std::fabs(t[k] - std::atan2(double(ys[k]), double(xs[k]))));
    }
    EXPECT_LT(worst, 2e-5);
    alignas(16) const float zero[4] = {0, 0, 0, 0};
    imglib::detail::atan2_4(Float4::load(zero), Float4::load(zero)).store(t);
    EXPECT_EQ(t[0], 0.0f);  // the centre of a kaleidoscope
}

}  // namespace
