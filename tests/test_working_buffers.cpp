// The four working buffers: what allocation fills them with, copies into
// them, refills and frees.
#include <cstring>
#include <vector>

#include "support/engine_fixture.h"

using WorkingBuffers = EngineTest;

TEST_F(WorkingBuffers, AllocationFillsFromTheCurrentLayer) {
    make_image(3, 2, 1);
    PTE_SetLayer(2);
    // High bytes only: 65535 -> 255, 256 -> 1, 255 -> 0.
    set_px(2, 0, 0, 65535, 256, 255, 32768);
    set_px(2, 2, 1, 1, 2, 3, 65280);
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLAllocSrcBuffer24();
    PTE_IPLAllocDstBuffer32();
    PTE_IPLAllocDstBuffer24();
    const auto& w = st().working;
    ASSERT_TRUE(w.iplSrc32 && w.iplDst32 && w.iplSrc24 && w.iplDst24);
    EXPECT_EQ(w.iplSrc32.size_bytes(), 3u * 2 * 4);
    EXPECT_EQ(w.iplDst32.size_bytes(), 3u * 2 * 4);
    EXPECT_EQ(w.iplSrc24.size_bytes(), 3u * 2 * 3);
    EXPECT_EQ(w.iplDst24.size_bytes(), 3u * 2 * 3);
    const uint8_t want32[] = {255, 1, 0, 128};
    EXPECT_EQ(0, std::memcmp(w.iplSrc32.data(), want32, 4));
    const uint8_t last32[] = {0, 0, 0, 255};
    EXPECT_EQ(0, std::memcmp(w.iplSrc32.data() + 5 * 4, last32, 4));
    const uint8_t want24[] = {255, 1, 0};
    EXPECT_EQ(0, std::memcmp(w.iplSrc24.data(), want24, 3));
    EXPECT_EQ(w.iplSrc24[5 * 3 + 2], 0);
}

TEST_F(WorkingBuffers, WithoutACurrentLayerTheSourcesAreBlank) {
    PTE_CreateImage(nullptr, 2, 2, 16, 0);
    ASSERT_EQ(PTE_CreateLayer(1, 2, 2), 1);  // white, but never made current
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLAllocSrcBuffer24();
    EXPECT_EQ(std::vector<uint8_t>(st().working.iplSrc32.data(), st().working.iplSrc32.data() + 16),
              std::vector<uint8_t>(16, 0));
    EXPECT_EQ(std::vector<uint8_t>(st().working.iplSrc24.data(), st().working.iplSrc24.data() + 12),
              std::vector<uint8_t>(12, 0));
}

TEST_F(WorkingBuffers, SetAndUpdateNeedTheBuffer) {
    make_image(2, 2, 1);
    PTE_SetLayer(2);
    std::vector<uint8_t> picture(16);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = uint8_t(10 + i);

    PTE_IPLSetSrcBuffer32(picture.data());
    EXPECT_FALSE(st().working.iplSrc32) << "setting before allocating does nothing";
    EXPECT_EQ(PTE_IPLUpdateSrcBuffer32(), nullptr);

    PTE_IPLAllocSrcBuffer32();
    PTE_IPLSetSrcBuffer32(nullptr);
    EXPECT_EQ(st().working.iplSrc32[0], 0) << "a null picture changes nothing";
    PTE_IPLSetSrcBuffer32(picture.data());
    EXPECT_EQ(0, std::memcmp(st().working.iplSrc32.data(), picture.data(), 16));

    set_px(2, 1, 1, 512, 768, 1024, 1280);
    uint8_t* buffer = PTE_IPLUpdateSrcBuffer32();
    ASSERT_EQ(buffer, st().working.iplSrc32.data());
    const uint8_t want[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 4, 5};
    EXPECT_EQ(0, std::memcmp(buffer, want, 16));
}

TEST_F(WorkingBuffers, FreeingIsIdempotentAndNewSizeDropsThemAll) {
    make_image(4, 4);
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLAllocDstBuffer32();
    PTE_IPLFreeSrcBuffer32();
    PTE_IPLFreeSrcBuffer32();
    EXPECT_FALSE(st().working.iplSrc32);
    EXPECT_TRUE(st().working.iplDst32);
    PTE_IPLFreeDstBuffer24();  // never allocated
    PTE_IPLAllocSrcBuffer24();
    PTE_IPLAllocDstBuffer24();
    PTE_NewSize(nullptr, 8, 8, 16, 0);
    EXPECT_FALSE(st().working.iplDst32 || st().working.iplSrc24 || st().working.iplDst24);
    // Allocation after the new size takes the new size.
    PTE_IPLAllocDstBuffer32();
    EXPECT_EQ(st().working.iplDst32.size_bytes(), 8u * 8 * 4);
}
