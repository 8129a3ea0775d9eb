#include <cstring>
#include <string>

#include "engine/lifecycle.h"
#include "support/engine_fixture.h"

using Lifecycle = EngineTest;

TEST_F(Lifecycle, SidesOutsideTheRangeBecome100) {
    struct Case { int32_t w, h, want_w, want_h; };
    for (const Case c : {Case{-5, 20000, 100, 100}, Case{10000, 10000, 10000, 10000}, Case{0, 7, 0, 7},
                         Case{10001, -1, 100, 100}, Case{1, 1, 1, 1}}) {
        EXPECT_EQ(lifecycle::bound_side(c.w), c.want_w);
        EXPECT_EQ(lifecycle::bound_side(c.h), c.want_h);
    }
    PTE_CreateImage(nullptr, -5, 20000, 8, 0);
    EXPECT_EQ(st().imageWidth, 100);
    EXPECT_EQ(st().imageHeight, 100);
    EXPECT_EQ(st().layerRowLength, 400);
}

TEST_F(Lifecycle, CreateSetsUpBuffersAndView) {
    PTE_SetScale(3, 7);
    PTE_SetOffset(5, 6);
    PTE_CreateImage(nullptr, 30, 20, 16, 99);
    EXPECT_EQ(st().scaleNumerator, 1);
    EXPECT_EQ(st().scaleDenominator, 1);
    EXPECT_EQ(st().viewOffsetX, 0);
    EXPECT_EQ(st().viewOffsetY, 0);
    EXPECT_EQ(st().tipRowLength, 64);
    EXPECT_EQ(st().createParam, 99);
    EXPECT_EQ(st().maskActive, 1);
    EXPECT_EQ(st().tracingSlot, &st().layers[0]);
    ASSERT_EQ(st().mask.values.size(), 600u);
    for (size_t i = 0; i < 600; ++i) ASSERT_EQ(st().mask.values[i], 65535) << i;
    EXPECT_EQ(st().brush.tipBuffers[19].size(), size_t(41 * 41));
    EXPECT_EQ(st().brush.tipAlpha.size(), size_t(16 * 16));
    EXPECT_EQ(st().brush.blendBuffer.size(), size_t(16 * 16 * 4));
    for (size_t i = 0; i < st().brush.blendBuffer.size(); ++i) ASSERT_EQ(st().brush.blendBuffer[i], 0);
    EXPECT_EQ(st().brush.randomTableA.length, 1000000);
    EXPECT_EQ(st().brush.randomTableB.modulus, 254);
    EXPECT_EQ(st().undo.back.pixels.size(), 600u * 4);
    EXPECT_EQ(st().viewWidth, 0) << "the view size is the host's to set";
}

TEST_F(Lifecycle, UndoMemoryIsTheBackBuffersShare) {
    PTE_CreateImage(nullptr, 1000, 1000, 8, 0);
    EXPECT_EQ(st().undo.undoMemoryKB, 9765);
    PTE_NewSize(nullptr, 1000, 1000, 8, 0);
    EXPECT_EQ(st().undo.undoMemoryKB, 9765);
    PTE_DeleteImage();
    EXPECT_EQ(st().undo.undoMemoryKB, 0);
    EXPECT_EQ(lifecycle::back_buffers_kb(10000, 10000), 976562);
}

TEST_F(Lifecycle, CreateKeepsCurrentIndexAndDropsLayerPixels) {
    make_image(8, 8, 2);
    PTE_SetLayer(3);
    PTE_CreateImage(nullptr, 8, 8, 8, 0);
    EXPECT_EQ(PTE_GetLayerNum(), 3);
    EXPECT_EQ(st().currentSlot, nullptr);
    EXPECT_EQ(PTE_GetLayerCount(), 0);
    EXPECT_EQ(st().layers[2].visible, 1) << "only the pixels of a slot are freed";
}

TEST_F(Lifecycle, NewSizeReallocatesButLeavesLayers) {
    make_image(10, 10, 1);
    st().maskActive = 0;
    st().tracingMode = 1;
    PTE_SetScale(2, 1);
    PTE_NewSize(nullptr, 20, 5, 32, 0);
    EXPECT_EQ(st().imageWidth, 20);
    EXPECT_EQ(st().imageHeight, 5);
    EXPECT_EQ(st().layerRowLength, 80);
    EXPECT_EQ(st().tipSize, 32);
    EXPECT_EQ(st().scaleNumerator, 1);
    EXPECT_EQ(st().maskActive, 1);
    EXPECT_EQ(st().tracingMode, 0);
    EXPECT_EQ(st().mask.values.size(), 100u);
    EXPECT_EQ(st().layers[2].width, 10) << "layers keep their old size";
    EXPECT_EQ(PTE_GetLayerCount(), 2);
    // A layer of the old size is not addressed with the new image size.
    EXPECT_EQ(engine::image_pixels(st(), st().layers[2]), nullptr);
}

TEST_F(Lifecycle, DeleteTwiceIsHarmless) {
    make_image(4, 4, 1);
    PTE_CreateTexture(1);
    PTE_DeleteImage();
    PTE_DeleteImage();
    EXPECT_FALSE(st().mask.values);
    EXPECT_FALSE(st().brush.texture);
    EXPECT_FALSE(st().undo.back.pixels);
    EXPECT_EQ(PTE_GetLayerCount(), 0);
    EXPECT_EQ(st().imageWidth, 4) << "delete leaves the sizes";
}

TEST_F(Lifecycle, EmptyImageHasEmptyBuffers) {
    PTE_CreateImage(nullptr, 0, 0, 0, 0);
    EXPECT_TRUE(st().mask.values);
    EXPECT_EQ(st().mask.values.size(), 0u);
    EXPECT_EQ(st().undo.undoMemoryKB, 0);
    EXPECT_EQ(PTE_CreateLayer(1, 0, 0), 1);
    PTE_SetLayer(1);
    EXPECT_EQ(PTE_GetLayerNum(), 1);
}

TEST_F(Lifecycle, ImpossibleTipCapacityIsReportedNotThrown) {
    PTE_CreateImage(nullptr, 10, 10, 8, 0);
    PTE_SetLastError("");
    PTE_CreateImage(nullptr, 20, 20, 2000000000, 0);
    EXPECT_STREQ(PTE_GetLastError(), "CreateImage Excpt");
    EXPECT_EQ(st().imageWidth, 10) << "refused before anything changed";
    PTE_SetLastError("");
    PTE_NewSize(nullptr, 20, 20, 10001, 0);
    EXPECT_STREQ(PTE_GetLastError(), "NewSize Excpt");
    EXPECT_EQ(st().tipSize, 8);
    // A negative capacity is taken as none.
    PTE_CreateImage(nullptr, 10, 10, -7, 0);
    EXPECT_EQ(st().tipSize, 0);
    EXPECT_EQ(st().tipRowLength, 0);
}

TEST_F(Lifecycle, LastErrorKeepsAtMost511Characters) {
    const std::string long_text(600, 'x');
    PTE_SetLastError(long_text.c_str());
    EXPECT_EQ(std::string(PTE_GetLastError()), long_text.substr(0, 511));
    PTE_SetLastError("short");
    EXPECT_STREQ(PTE_GetLastError(), "short");
    EXPECT_EQ(st().lastError[6], 0) << "the rest is filled with NULs";
    PTE_SetLastError(nullptr);
    EXPECT_STREQ(PTE_GetLastError(), "");
}

TEST_F(Lifecycle, MemoryHelpers) {
    uint8_t* block = static_cast<uint8_t*>(PTE_Alloc(16));
    ASSERT_NE(block, nullptr);
    const uint8_t src[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::memset(block, 0xAA, 16);
    PTE_Memcpy(block, nullptr, 16);
    PTE_Memcpy(nullptr, src, 16);
    EXPECT_EQ(block[0], 0xAA);
    PTE_Memcpy(block, src, 10);
    EXPECT_EQ(std::memcmp(block, src, 10), 0);
    EXPECT_EQ(block[10], 0xAA);
    EXPECT_EQ(BankAdrs(block), block);
    PTE_Free(block);
    PTE_Free(nullptr);
    EXPECT_EQ(PTE_Alloc(-1), nullptr);
}
