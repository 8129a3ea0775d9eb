// The imaging library's bitmaps in memory, PNG into memory, and turning by
// any angle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "platform/imglib/dib.h"
#include "platform/imglib/files.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/rotate.h"

using namespace imglib;

namespace {

using Bytes = std::vector<uint8_t>;
using Block = std::unique_ptr<uint8_t, void (*)(void*)>;

Bytes random_rgba(uint32_t w, uint32_t h, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes v(size_t(w) * h * 4);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

uint32_t le32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

Bytes dib_of(const Bytes& rgba, uint32_t w, uint32_t h) {
    Bytes dib(size_t(IS3DIBSizeOfRGBA(w, h)));
    EXPECT_EQ(IS3RGBAToDIB(rgba.data(), w, h, dib.data(), dib.size()), 1);
    return dib;
}

}  // namespace

TEST(Bitmaps, RGBABecomesAThirtyTwoBitBitmapBottomRowFirst) {
    const uint32_t w = 3, h = 2;
    const Bytes rgba = {1, 2, 3, 4,     5, 6, 7, 8,     9, 10, 11, 12,  // top row
                        13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 0};
    const Bytes dib = dib_of(rgba, w, h);
    ASSERT_EQ(dib.size(), 108u + 24u);
    EXPECT_EQ(le32(dib, 0), 108u) << "header with colour masks";
    EXPECT_EQ(le32(dib, 4), w);
    EXPECT_EQ(le32(dib, 8), h) << "positive: bottom row first";
    EXPECT_EQ(le32(dib, 14 - 14 + 16), 3u) << "bit fields";
    EXPECT_EQ(le32(dib, 52), 0xFF000000u) << "alpha mask";
    // The bottom row comes first, each pixel blue, green, red, alpha.
    EXPECT_EQ(Bytes(dib.begin() + 108, dib.begin() + 116), (Bytes{15, 14, 13, 16, 19, 18, 17, 20}));
    EXPECT_EQ(Bytes(dib.begin() + 120, dib.begin() + 124), (Bytes{3, 2, 1, 4}));
    EXPECT_EQ(IS3DIBWidth(dib.data(), dib.size()), w);
    EXPECT_EQ(IS3DIBHeight(dib.data(), dib.size()), h);
    // Too little room, or nothing to write: nothing written.
    Bytes small(dib.size() - 1, 0xAA);
    EXPECT_EQ(IS3RGBAToDIB(rgba.data(), w, h, small.data(), small.size()), 0);
    EXPECT_EQ(small, Bytes(dib.size() - 1, 0xAA));
    EXPECT_EQ(IS3DIBSizeOfRGBA(0, 5), 0u);
}

TEST(Bitmaps, RoundTripKeepsAlphaAndABitmapWithoutAlphaTakesTheOneGiven) {
    for (const auto& [w, h] : {std::pair{1u, 1u}, {7u, 3u}, {64u, 33u}}) {
        const Bytes rgba = random_rgba(w, h, w * 31 + h);
        const Bytes dib = dib_of(rgba, w, h);
        Bytes back(rgba.size());
        ASSERT_EQ(IS3DIBToRGBA(dib.data(), dib.size(), back.data(), 255), 1);
        EXPECT_EQ(back, rgba) << w << "x" << h << ": the alpha mask keeps alpha";
    }
    // A screen's bitmap is 24-bit: rows padded to four bytes, no alpha.
    const uint32_t w = 5, h = 2;
    Bytes bgrx(size_t(w) * h * 4 + 8, 0xEE);  // stride of 24 bytes
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &bgrx[y * 24 + x * 4];
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(100 + x + y), p[3] = 77;
        }
    const DeviceBitmap bitmap{w, h, 24, bgrx.data()};
    uint64_t size = 0;
    const Block dib(IS3HBITMAPToDIB(&bitmap, 0, &size), GlobalFree);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(size, 40u + 2 * 16u) << "rows of 15 bytes padded to 16";
    Bytes rgba(size_t(w) * h * 4);
    ASSERT_EQ(IS3DIBToRGBA(dib.get(), size, rgba.data(), 200), 1);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(y * w + x) * 4];
            EXPECT_EQ(Bytes(p, p + 4), (Bytes{uint8_t(100 + x + y), uint8_t(y), uint8_t(x), 200})) << x << "," << y;
        }
    const DeviceBitmap narrow{w, h, w * 4 - 1, bgrx.data()};
    EXPECT_EQ(IS3HBITMAPToDIB(&narrow, 0, &size), nullptr) << "a stride shorter than a row";
}

TEST(Bitmaps, DamagedBitmapsAreRefusedAndLeaveTheOutputAlone) {
    const Bytes rgba = random_rgba(9, 4, 7);
    const Bytes dib = dib_of(rgba, 9, 4);
    Bytes out(rgba.size(), 0x5A);
    const Bytes untouched = out;
    // Rows cut short, a header cut short, a header of no known size.
    EXPECT_EQ(IS3DIBToRGBA(dib.data(), dib.size() - 1, out.data(), 255), 0);
    EXPECT_EQ(IS3DIBToRGBA(dib.data(), 60, out.data(), 255), 0);
    EXPECT_EQ(IS3DIBWidth(dib.data(), 30), 0u);
    Bytes odd = dib;
    odd[0] = 20;  // neither the old 12-byte header nor one of 40 bytes or more
    EXPECT_EQ(IS3DIBToRGBA(odd.data(), odd.size(), out.data(), 255), 0);
    EXPECT_EQ(IS3DIBHeight(odd.data(), odd.size()), 0u);
    EXPECT_EQ(out, untouched);
    EXPECT_EQ(IS3DIBToRGBA(nullptr, 0, out.data(), 255), 0);
    EXPECT_EQ(IS3DIBWidth(nullptr, 100), 0u);
    // A header announcing a picture larger than the library holds.
    Bytes huge = dib;
    huge[4] = 0xFF, huge[5] = 0xFF, huge[6] = 0xFF, huge[7] = 0x00;  // width 2^24 - 1
    EXPECT_EQ(IS3DIBWidth(huge.data(), huge.size()), 0u);
}

TEST(Bitmaps, BMPFileOfABitmapPointsAtItsRows) {
    const Bytes rgba = random_rgba(6, 5, 3);
    const Bytes dib = dib_of(rgba, 6, 5);
    uint64_t size = 0;
    const Block file(IS3DIBToBMPFile(dib.data(), dib.size(), &size), GlobalFree);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(size, 14 + dib.size());
    const Bytes bytes(file.get(), file.get() + size);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(bytes, 2), size);
    EXPECT_EQ(le32(bytes, 10), 14u + 108u) << "the rows follow the header and its masks";
    // The file reads back as the picture.
    HISSRC src = IS3OpenMemorySource(bytes.data(), bytes.size());
    uint32_t w = 0, h = 0;
    const Block back(IS3ReadImageToRGBA(src, &w, &h), GlobalFree);
    IS3CloseSource(src);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Bytes(back.get(), back.get() + rgba.size()), rgba);
}

TEST(Bitmaps, PNGInMemoryReadsBackExactly) {
    const Bytes rgba = random_rgba(37, 11, 5);
    uint64_t size = 0;
    const Block png(IS3WritePNGToMemory(rgba.data(), 37, 11, 37 * 4, 6, &size), GlobalFree);
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(std::memcmp(png.get(), "\x89PNG\r\n\x1a\n", 8), 0);
    HISSRC src = IS3OpenMemorySource(png.get(), size);
    uint32_t w = 0, h = 0;
    const Block back(IS3ReadImageToRGBA(src, &w, &h), GlobalFree);
    IS3CloseSource(src);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(w, 37u);
    EXPECT_EQ(h, 11u);
    EXPECT_EQ(Bytes(back.get(), back.get() + rgba.size()), rgba);
    EXPECT_EQ(IS3WritePNGToMemory(rgba.data(), 37, 11, 37 * 4 - 1, 6, &size), nullptr) << "short stride";
    EXPECT_EQ(IS3WritePNGToMemory(nullptr, 37, 11, 37 * 4, 6, &size), nullptr);
}

// ---- Turning ----

namespace {
float radians(int32_t degrees) { return float(degrees) * 0.0174532925f; }
}  // namespace

TEST(Rotate, BoxOfTheTurnedPicture) {
    struct Case {
        uint32_t w, h;
        int32_t degrees;
        uint32_t rw, rh;
    };
    for (const Case c : {Case{101, 51, 0, 101, 51}, Case{101, 51, 90, 51, 101}, Case{101, 51, 180, 101, 51},
                         Case{101, 51, -90, 51, 101}, Case{100, 100, 45, 142, 142}, Case{1, 1, 30, 2, 2},
                         Case{400, 100, 30, 397, 287}}) {
        uint32_t rw = 0, rh = 0;
        ASSERT_EQ(IS3GetRotatedPixelSize(c.w, c.h, radians(c.degrees), &rw, &rh), 1) << c.degrees;
        // Expected: the bounding box, rounded up unless whole.
        EXPECT_EQ(rw, c.rw) << c.w << "x" << c.h << " by " << c.degrees;
        EXPECT_EQ(rh, c.rh) << c.w << "x" << c.h << " by " << c.degrees;
    }
    uint32_t rw = 0, rh = 0;
    EXPECT_EQ(IS3GetRotatedPixelSize(0, 5, 1.0f, &rw, &rh), 0);
    EXPECT_EQ(IS3GetRotatedPixelSize(5, 5, std::nanf(""), &rw, &rh), 0);
}

TEST(Rotate, QuarterTurnsWithoutSmoothingMovePixelsExactly) {
    const uint32_t w = 7, h = 4;
    const Bytes src = random_rgba(w, h, 11);
    Bytes turned(size_t(w) * h * 4, 0), expected(turned.size(), 0);
    // Counter-clockwise as seen is the library's left quarter turn.
    ASSERT_EQ(IS3RotateImage(src.data(), w, h, w * 4, turned.data(), h, w, h * 4, turned.size(), 0, 0, radians(90), 4,
                             kRotateNearest),
              1);
    ASSERT_EQ(IS3QuickRotateImage(src.data(), w, h, w * 4, expected.data(), h * 4, 4, kRotateLeft), 1);
    EXPECT_EQ(turned, expected);
    ASSERT_EQ(IS3RotateImage(src.data(), w, h, w * 4, turned.data(), w, h, w * 4, turned.size(), 0, 0, radians(180), 4,
                             kRotateNearest),
              1);
    ASSERT_EQ(IS3QuickRotateImage(src.data(), w, h, w * 4, expected.data(), w * 4, 4, kRotateHalf), 1);
    EXPECT_EQ(turned, expected);
    ASSERT_EQ(IS3RotateImage(src.data(), w, h, w * 4, turned.data(), w, h, w * 4, turned.size(), 0, 0, 0.0f, 4,
                             kRotateBicubic),
              1);
    EXPECT_EQ(turned, src) << "no turn, even smoothed, copies";
}

TEST(Rotate, CornersOfABoxAreTransparentAndBadCallsRefused) {
    const uint32_t w = 20, h = 20;
    const Bytes src(size_t(w) * h * 4, 255);
    uint32_t rw = 0, rh = 0;
    ASSERT_EQ(IS3GetRotatedPixelSize(w, h, radians(45), &rw, &rh), 1);
    Bytes out(size_t(rw) * rh * 4, 0);
    ASSERT_EQ(IS3RotateImage(src.data(), w, h, w * 4, out.data(), rw, rh, rw * 4, out.size(), 0, 0, radians(45), 4,
                             kRotateBilinear),
              1);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{0, 0, 0, 0})) << "the corner lies outside the picture";
    const size_t middle = (size_t(rh / 2) * rw + rw / 2) * 4;
    EXPECT_EQ(Bytes(out.begin() + middle, out.begin() + middle + 4), (Bytes{255, 255, 255, 255}));
    // A destination smaller than its rows, an unknown mode, no angle.
    EXPECT_EQ(IS3RotateImage(src.data(), w, h, w * 4, out.data(), rw, rh, rw * 4, out.size() - 1, 0, 0, 1.0f, 4, 0), 0);
    EXPECT_EQ(IS3RotateImage(src.data(), w, h, w * 4, out.data(), rw, rh, rw * 4, out.size(), 0, 0, 1.0f, 4, 7), 0);
    EXPECT_EQ(IS3RotateImage(src.data(), w, h, w * 4, out.data(), rw, rh, rw * 4, out.size(), 0, 0, INFINITY, 4, 0), 0);
    EXPECT_EQ(IS3RotateImage(src.data(), w, h, w * 4, out.data(), rw, rh, rw * 4, out.size(), 0, 0, 1.0f, 2, 0), 0);
}
