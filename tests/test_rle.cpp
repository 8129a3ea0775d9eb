#include <gtest/gtest.h>

#include <vector>

#include "paintcore.h"

namespace {
std::vector<uint16_t> rgba_row(int count, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    std::vector<uint16_t> row;
    for (int i = 0; i < count; ++i) row.insert(row.end(), {r, g, b, a});
    return row;
}
}  // namespace

TEST(RunLength, EqualPixelsSplitIntoRunsOf255) {
    const auto row = rgba_row(600, 0x1234, 0x5600, 0xFFFF, 0);
    std::vector<uint8_t> out(5 * 600, 0xEE);
    ASSERT_EQ(PTE_RLECompressRGBA64ToRGBA32(row.data(), out.data(), 600), 15);
    const std::vector<uint8_t> want = {255, 0x12, 0x56, 0xFF, 0, 255, 0x12, 0x56, 0xFF, 0, 90, 0x12, 0x56, 0xFF, 0};
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 15), want);
    EXPECT_EQ(out[15], 0xEE) << "nothing past the last record";

    const std::vector<uint16_t> mask(600, 0x80FF);
    ASSERT_EQ(PTE_RLECompressG16ToG8(mask.data(), out.data(), 600), 6);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 0x80);
    EXPECT_EQ(out[4], 90);
    // 255 exactly is one full run; 256 starts a second.
    EXPECT_EQ(PTE_RLECompressG16ToG8(mask.data(), out.data(), 255), 2);
    EXPECT_EQ(PTE_RLECompressG16ToG8(mask.data(), out.data(), 256), 4);
}

TEST(RunLength, AllDifferentNeighboursAndSmallCounts) {
    std::vector<uint16_t> mask;
    for (int i = 0; i < 300; ++i) mask.push_back(uint16_t((i % 256) << 8));
    std::vector<uint8_t> out(2 * 300);
    EXPECT_EQ(PTE_RLECompressG16ToG8(mask.data(), out.data(), 300), 600);
    std::vector<uint16_t> rgba;
    for (int i = 0; i < 10; ++i) rgba.insert(rgba.end(), {0, 0, 0, uint16_t(i << 8)});
    std::vector<uint8_t> out5(50);
    EXPECT_EQ(PTE_RLECompressRGBA64ToRGBA32(rgba.data(), out5.data(), 10), 50);
    // A count of 1, 0 or below writes one record of one pixel.
    for (int32_t count : {1, 0, -4}) {
        EXPECT_EQ(PTE_RLECompressRGBA64ToRGBA32(rgba.data(), out5.data(), count), 5);
        EXPECT_EQ(out5[0], 1);
    }
}

TEST(RunLength, HighByteDecidesRunsAndValues) {
    const std::vector<uint16_t> mask = {0x1234, 0x12FF, 0x1300};
    std::vector<uint8_t> out(6);
    ASSERT_EQ(PTE_RLECompressG16ToG8(mask.data(), out.data(), 3), 4);
    std::vector<uint16_t> back(3, 0xBEEF);
    PTE_RLEUncompressG8ToG16(out.data(), back.data(), 3);
    EXPECT_EQ(back, (std::vector<uint16_t>{0x1200, 0x1200, 0x1300}));
    // 0xFFFF comes back as 0xFF00, not 0xFFFF.
    const auto white = rgba_row(1, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF);
    std::vector<uint8_t> s(5);
    PTE_RLECompressRGBA64ToRGBA32(white.data(), s.data(), 1);
    std::vector<uint16_t> px(4);
    PTE_RLEUncompressRGBA32ToRGBA64(s.data(), px.data(), 1);
    EXPECT_EQ(px, (std::vector<uint16_t>{0xFF00, 0xFF00, 0xFF00, 0xFF00}));
}

TEST(RunLength, RoundTripOfByteAlignedRowIsExact) {
    std::vector<uint16_t> row;
    for (int i = 0; i < 1000; ++i)
        row.insert(row.end(), {uint16_t((i / 7 % 256) << 8), uint16_t((i / 300) << 8), 0xAB00, uint16_t((i % 2) << 8)});
    std::vector<uint8_t> stream(5 * 1000);
    const int32_t bytes = PTE_RLECompressRGBA64ToRGBA32(row.data(), stream.data(), 1000);
    ASSERT_GT(bytes, 0);
    std::vector<uint16_t> back(4 * 1000);
    uint16_t* end = PTE_RLEUncompressRGBA32ToRGBA64(stream.data(), back.data(), 1000);
    EXPECT_EQ(end, back.data() + 4000);
    EXPECT_EQ(back, row);
}

TEST(RunLength, DecoderCutsRunsAndSkipsEmptyRecords) {
    // Records: 0-length (skipped), 3 of 0x10, 5 of 0x20 (cut to 1 by the count).
    const uint8_t stream[] = {0, 0x99, 3, 0x10, 5, 0x20};
    std::vector<uint16_t> out(6, 0xBEEF);
    PTE_RLEUncompressG8ToG16(stream, out.data(), 4);
    EXPECT_EQ(out, (std::vector<uint16_t>{0x1000, 0x1000, 0x1000, 0x2000, 0xBEEF, 0xBEEF}));

    const uint8_t colour[] = {0, 1, 2, 3, 4, 200, 1, 2, 3, 4};
    std::vector<uint16_t> px(4 * 3, 7);
    uint16_t* end = PTE_RLEUncompressRGBA32ToRGBA64(colour, px.data(), 2);
    EXPECT_EQ(end, px.data() + 8);
    EXPECT_EQ(px[4], 0x0100);
    EXPECT_EQ(px[8], 7);
}

TEST(RunLength, NullPointersWriteNothing) {
    std::vector<uint16_t> row(8, 1);
    std::vector<uint8_t> out(10, 0xEE);
    EXPECT_EQ(PTE_RLECompressRGBA64ToRGBA32(nullptr, out.data(), 2), 0);
    EXPECT_EQ(PTE_RLECompressRGBA64ToRGBA32(row.data(), nullptr, 2), 0);
    EXPECT_EQ(PTE_RLECompressG16ToG8(nullptr, out.data(), 2), 0);
    EXPECT_EQ(PTE_RLECompressG16ToG8(row.data(), nullptr, 2), 0);
    EXPECT_EQ(out[0], 0xEE);
    EXPECT_EQ(PTE_RLEUncompressRGBA32ToRGBA64(nullptr, row.data(), 2), row.data());
    EXPECT_EQ(PTE_RLEUncompressRGBA32ToRGBA64(out.data(), nullptr, 2), nullptr);
    PTE_RLEUncompressG8ToG16(nullptr, row.data(), 2);
    PTE_RLEUncompressG8ToG16(out.data(), nullptr, 2);
    EXPECT_EQ(row[0], 1);
    // A count of 0 decodes nothing.
    EXPECT_EQ(PTE_RLEUncompressRGBA32ToRGBA64(out.data(), row.data(), 0), row.data());
    EXPECT_EQ(row[0], 1);
}
