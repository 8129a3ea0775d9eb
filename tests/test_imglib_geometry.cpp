// The imaging library's geometry and channel calls, and its lifecycle.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/imglib/channels.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/init.h"
#include "platform/imglib/quarter_turn.h"

namespace {

std::vector<uint8_t> random_bytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

// Pixel (x, y) of a picture with a byte stride.
const uint8_t* at(const std::vector<uint8_t>& p, uint32_t stride, uint32_t bpp, uint32_t x, uint32_t y) {
    return &p[size_t(y) * stride + size_t(x) * bpp];
}

}  // namespace

TEST(QuickRotate, QuarterTurnsMovePixelsWhereTheyBelong) {
    struct Case {
        uint32_t w, h, bpp;
    };
    // Sides around the 4-pixel blocks and 16-pixel strips, every pixel size, padded strides.
    const Case cases[] = {{1, 1, 4}, {3, 5, 4}, {4, 4, 4}, {17, 9, 4}, {33, 36, 4}, {36, 17, 4},
                          {5, 7, 1}, {6, 3, 3}, {7, 5, 2}, {5, 6, 6},  {9, 4, 8},   {64, 48, 4}};
    for (const Case& c : cases) {
        const uint32_t srcStride = c.w * c.bpp + 3 * c.bpp, dstStride = c.h * c.bpp + 2 * c.bpp;
        const auto src = random_bytes(size_t(srcStride) * c.h, c.w * 7 + c.h);
        for (bool fast : {true, false}) {
            imglib::detail::set_quarter_turn_fast_path(fast);
            for (uint32_t code : {imglib::kRotateRight, imglib::kRotateLeft}) {
                std::vector<uint8_t> dst(size_t(dstStride) * c.w, 0xEE);
                ASSERT_TRUE(
                    imglib::IS3QuickRotateImage(src.data(), c.w, c.h, srcStride, dst.data(), dstStride, c.bpp, code));
                for (uint32_t y = 0; y < c.h; ++y)
                    for (uint32_t x = 0; x < c.w; ++x) {
                        // Right: (x, y) -> (h - 1 - y, x). Left: (x, y) -> (y, w - 1 - x).
                        const uint32_t dx = code == imglib::kRotateRight ? c.h - 1 - y : y;
                        const uint32_t dy = code == imglib::kRotateRight ? x : c.w - 1 - x;
                        ASSERT_EQ(
                            0, std::memcmp(at(dst, dstStride, c.bpp, dx, dy), at(src, srcStride, c.bpp, x, y), c.bpp))
                            << c.w << "x" << c.h << " bpp " << c.bpp << " code " << code << " fast " << fast;
                    }
                // The stride's padding is not written.
                for (uint32_t y = 0; y < c.w; ++y)
                    for (uint32_t i = c.h * c.bpp; i < dstStride; ++i) ASSERT_EQ(dst[size_t(y) * dstStride + i], 0xEE);
            }
        }
        imglib::detail::set_quarter_turn_fast_path(true);
    }
}

TEST(QuickRotate, LargePicturesStreamTheSameBytes) {
    // From 8 MB on, aligned turns stream their rows past the cache; heights
    // off the 4-pixel grid turn right without streaming.
    struct Case {
        uint32_t w, h;
    };
    for (const Case c : {Case{1448, 1452}, Case{1449, 1451}}) {
        const auto src = random_bytes(size_t(c.w) * c.h * 4, c.h);
        for (uint32_t code : {imglib::kRotateRight, imglib::kRotateLeft}) {
            std::vector<uint8_t> fast(src.size()), plain(src.size());
            imglib::detail::set_quarter_turn_fast_path(false);
            ASSERT_TRUE(imglib::IS3QuickRotateImage(src.data(), c.w, c.h, c.w * 4, plain.data(), c.h * 4, 4, code));
            imglib::detail::set_quarter_turn_fast_path(true);
            ASSERT_TRUE(imglib::IS3QuickRotateImage(src.data(), c.w, c.h, c.w * 4, fast.data(), c.h * 4, 4, code));
            ASSERT_TRUE(fast == plain) << c.w << "x" << c.h << " code " << code;
        }
    }
}

TEST(QuickRotate, HalfTurnAndRefusals) {
    const uint32_t w = 5, h = 3;
    const auto src = random_bytes(w * h * 4, 9);
    std::vector<uint8_t> dst(w * h * 4);
    ASSERT_TRUE(imglib::IS3QuickRotateImage(src.data(), w, h, w * 4, dst.data(), w * 4, 4, imglib::kRotateHalf));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            EXPECT_EQ(0, std::memcmp(at(dst, w * 4, 4, w - 1 - x, h - 1 - y), at(src, w * 4, 4, x, y), 4));
    const auto before = dst;
    EXPECT_FALSE(imglib::IS3QuickRotateImage(src.data(), w, h, w * 4, dst.data(), w * 4, 4, 3)) << "unknown code";
    EXPECT_FALSE(imglib::IS3QuickRotateImage(src.data(), w, h, w * 4, dst.data(), h * 4 - 1, 4, 0)) << "short stride";
    EXPECT_FALSE(imglib::IS3QuickRotateImage(nullptr, w, h, w * 4, dst.data(), h * 4, 4, 0));
    EXPECT_EQ(dst, before);
}

TEST(Flip, MirrorsInPlaceAndKeepsThePadding) {
    for (uint32_t bpp : {1u, 3u, 4u, 8u}) {
        const uint32_t w = 7, h = 4, stride = w * bpp + 6;  // even, as 16-bit channels need
        const auto src = random_bytes(size_t(stride) * h, bpp);
        auto horizontal = src, vertical = src;
        ASSERT_TRUE(imglib::IS3HorizontalFlipImage(horizontal.data(), w, h, bpp, stride));
        ASSERT_TRUE(imglib::IS3VerticalFlipImage(vertical.data(), stride, h));
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                EXPECT_EQ(0, std::memcmp(at(horizontal, stride, bpp, w - 1 - x, y), at(src, stride, bpp, x, y), bpp));
                EXPECT_EQ(0, std::memcmp(at(vertical, stride, bpp, x, h - 1 - y), at(src, stride, bpp, x, y), bpp));
            }
            for (uint32_t i = w * bpp; i < stride; ++i) EXPECT_EQ(horizontal[y * stride + i], src[y * stride + i]);
        }
    }
    uint8_t one[4] = {1, 2, 3, 4};
    EXPECT_TRUE(imglib::IS3VerticalFlipImage(one, 4, 1));
    EXPECT_TRUE(imglib::IS3HorizontalFlipImage(one, 1, 1, 4, 4));
    EXPECT_EQ(one[0], 1);
    EXPECT_FALSE(imglib::IS3HorizontalFlipImage(nullptr, 1, 1, 4, 4));
}

TEST(Crop, CopiesTheRectangleInEitherCornerOrder) {
    const uint32_t w = 9, h = 7;
    const auto src = random_bytes(w * h * 4, 4);
    struct Rect {
        int32_t l, t, r, b;
    };
    for (const Rect rc : {Rect{2, 1, 6, 5}, Rect{6, 5, 2, 1}, Rect{0, 0, 9, 7}, Rect{8, 6, 9, 7}}) {
        const int32_t l = std::min(rc.l, rc.r), t = std::min(rc.t, rc.b);
        const uint32_t cw = uint32_t(std::abs(rc.r - rc.l)), ch = uint32_t(std::abs(rc.b - rc.t));
        std::vector<uint8_t> dst(cw * ch * 4);
        ASSERT_TRUE(imglib::IS3CropImage(src.data(), w, h, w * 4, dst.data(), cw * 4, 4, rc.l, rc.t, rc.r, rc.b));
        for (uint32_t y = 0; y < ch; ++y)
            for (uint32_t x = 0; x < cw; ++x)
                EXPECT_EQ(0, std::memcmp(at(dst, cw * 4, 4, x, y), at(src, w * 4, 4, x + l, y + t), 4));
    }
    std::vector<uint8_t> dst(64 * 4, 0x33);
    for (const Rect rc : {Rect{-1, 0, 3, 3}, Rect{0, 0, 10, 3}, Rect{0, 0, 3, 8}, Rect{2, 2, 2, 5}, Rect{1, 4, 3, 4}})
        EXPECT_FALSE(imglib::IS3CropImage(src.data(), w, h, w * 4, dst.data(), 64, 4, rc.l, rc.t, rc.r, rc.b))
            << rc.l << "," << rc.t << "," << rc.r << "," << rc.b;
    EXPECT_EQ(dst, std::vector<uint8_t>(64 * 4, 0x33));
}

TEST(Overlay, ClipsAtEveryEdgeAndCopiesAlpha) {
    const uint32_t dw = 6, dh = 5, sw = 4, sh = 3;
    const auto src = random_bytes(sw * sh * 4, 5);
    struct Offset {
        int32_t x, y;
    };
    // Inside, across each edge, fully outside, and far beyond int32 arithmetic's comfort.
    for (const Offset o : {Offset{1, 1}, Offset{-2, -1}, Offset{4, 3}, Offset{-4, 0}, Offset{6, 0}, Offset{0, -3},
                           Offset{INT32_MIN, INT32_MIN}, Offset{INT32_MAX, 0}}) {
        std::vector<uint8_t> dst(dw * dh * 4, 0x11);
        ASSERT_TRUE(
            imglib::IS3OverlayImage(dst.data(), dw, dh, 4, dw * 4, src.data(), sw, sh, sw * 4, o.x, o.y, 1.0, 1));
        for (uint32_t y = 0; y < dh; ++y)
            for (uint32_t x = 0; x < dw; ++x) {
                const int64_t sx = int64_t(x) - o.x, sy = int64_t(y) - o.y;
                const bool covered = sx >= 0 && sy >= 0 && sx < sw && sy < sh;
                for (uint32_t c = 0; c < 4; ++c) {
                    const uint8_t want = covered ? src[(size_t(sy) * sw + size_t(sx)) * 4 + c] : 0x11;
                    ASSERT_EQ(dst[(y * dw + x) * 4 + c], want)
                        << "offset " << o.x << "," << o.y << " at " << x << "," << y;
                }
            }
    }
}

TEST(Overlay, OpacityMixesOrLeavesAlone) {
    uint8_t dst[4] = {100, 0, 255, 50};
    const uint8_t src[4] = {200, 255, 0, 150};
    ASSERT_TRUE(imglib::IS40_OverlayImage(dst, 1, 1, 4, 4, src, 1, 1, 4, 0, 0, 0.25, 0));
    // src * 0.25 + dst * 0.75, rounded.
    const uint8_t want[4] = {125, 64, 191, 75};
    EXPECT_EQ(0, std::memcmp(dst, want, 4));
    ASSERT_TRUE(imglib::IS3OverlayImage(dst, 1, 1, 4, 4, src, 1, 1, 4, 0, 0, 0.0, 0));
    EXPECT_EQ(0, std::memcmp(dst, want, 4)) << "opacity 0 changes nothing";
    // 16-bit pixels copy whole at opacity 1 (undo blocks of RGBA64 and G16).
    uint16_t big[2 * 4] = {}, small[4] = {65535, 1, 256, 65280};
    ASSERT_TRUE(imglib::IS3OverlayImage(reinterpret_cast<uint8_t*>(big), 2, 1, 8, 16,
                                        reinterpret_cast<const uint8_t*>(small), 1, 1, 8, 1, 0, 1.0, 0));
    EXPECT_EQ(0, std::memcmp(big + 4, small, 8));
    EXPECT_EQ(big[0], 0);
    EXPECT_FALSE(imglib::IS3OverlayImage(dst, 1, 1, 4, 4, src, 1, 1, 4, 0, 0, std::nan(""), 0));
    EXPECT_FALSE(imglib::IS3OverlayImage(dst, 1, 1, 4, 4, nullptr, 1, 1, 4, 0, 0, 1.0, 0));
}

TEST(Channels, SplitCombineGreyAndSwap) {
    const uint32_t w = 3, h = 2;
    const std::vector<uint8_t> rgba = {255, 0,   0,   9, 0, 255, 0, 8, 0,  0,  255, 7,
                                       255, 255, 255, 6, 0, 0,   0, 5, 10, 20, 30,  4};
    std::vector<uint8_t> alpha(w * h), red(w * h);
    ASSERT_TRUE(imglib::IS3SplitImage(rgba.data(), w, h, 4, w * 4, red.data(), nullptr, nullptr, alpha.data(), w));
    EXPECT_EQ(alpha, (std::vector<uint8_t>{9, 8, 7, 6, 5, 4}));
    EXPECT_EQ(red, (std::vector<uint8_t>{255, 0, 0, 255, 0, 10}));

    // The alpha plane into the first channel only; the rest stays.
    auto combined = rgba;
    ASSERT_TRUE(
        imglib::IS3CombineImageChannels(combined.data(), w, h, 4, w * 4, alpha.data(), nullptr, nullptr, nullptr, w));
    for (uint32_t i = 0; i < w * h; ++i) {
        EXPECT_EQ(combined[i * 4], alpha[i]);
        EXPECT_EQ(0, std::memcmp(&combined[i * 4 + 1], &rgba[i * 4 + 1], 3));
    }
    // One plane as red, green and blue of an RGB24 picture.
    std::vector<uint8_t> rgb(w * h * 3);
    ASSERT_TRUE(
        imglib::IS3CombineImageChannels(rgb.data(), w, h, 3, w * 3, red.data(), red.data(), red.data(), nullptr, w));
    for (uint32_t i = 0; i < w * h; ++i) EXPECT_EQ(rgb[i * 3 + 2], red[i]);
    EXPECT_FALSE(imglib::IS3CombineImageChannels(rgb.data(), w, h, 3, w * 3, nullptr, nullptr, nullptr, red.data(), w))
        << "a fourth plane for a three-byte pixel";

    // Grey: 0.299 R + 0.587 G + 0.114 B, rounded; alpha plays no part.
    std::vector<uint8_t> grey(w * h);
    ASSERT_TRUE(imglib::IS3ImageToGrayScale8Bit(rgba.data(), w, h, 4, w * 4, grey.data(), w, 0));
    EXPECT_EQ(grey, (std::vector<uint8_t>{76, 150, 29, 255, 0, 18}));

    auto swapped = rgba;
    ASSERT_TRUE(imglib::IS3RGBAToBGRA(swapped.data(), w, h, w * 4));
    EXPECT_EQ(swapped[0], 0);
    EXPECT_EQ(swapped[2], 255);
    EXPECT_EQ(swapped[3], 9);
    ASSERT_TRUE(imglib::IS3RGBAToBGRA(swapped.data(), w, h, w * 4));
    EXPECT_EQ(swapped, rgba);
}

TEST(Lifecycle, InitialisedOnlyWhileAllFourModulesAre) {
    imglib::IS3Exit();
    EXPECT_FALSE(imglib::IS3IsInitialized());
    EXPECT_TRUE(imglib::IS40_Initialize());
    EXPECT_TRUE(imglib::ISE40_Initialize());
    EXPECT_TRUE(imglib::IS3Initialize());
    EXPECT_FALSE(imglib::IS3IsInitialized());
    EXPECT_TRUE(imglib::ISE3Initialize());
    EXPECT_TRUE(imglib::IS3IsInitialized());
    EXPECT_TRUE(imglib::IS3Exit());
    EXPECT_FALSE(imglib::IS3IsInitialized());
}
