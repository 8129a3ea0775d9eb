// Colour sampling from layers, the mask, the history and the tracing layer.
#include "support/engine_fixture.h"

namespace {

using Sampling = EngineTest;

TEST_F(Sampling, PackedColourAndTransparency) {
    make_image(6, 4, 1);
    PTE_SetLayer(2);
    struct Row {
        uint16_t r, g, b, a;
        int32_t want;
    };
    for (auto [r, g, b, a, want] : {Row{65280, 32768, 255, 65535, 0x00FF8000}, Row{65535, 65535, 65535, 255, -1},
                                    Row{256, 512, 65535, 256, 0x000102FF}, Row{0, 0, 0, 65535, 0}}) {
        set_px(2, 3, 2, r, g, b, a);
        EXPECT_EQ(PTE_GetColorAtSurface(3, 2), want);
        EXPECT_EQ(PTE_GetColorAtLayer(3, 2, 2), want);
        EXPECT_EQ(PTE_GetColorAt(3, 2, st().layers[2].pixels.data()), want);
    }
    // Outside the image the nearest edge pixel answers.
    set_px(2, 0, 2, 0x1100, 0x2200, 0x3300, 65535);
    set_px(2, 5, 3, 0x4400, 0x5500, 0x6600, 65535);
    EXPECT_EQ(PTE_GetColorAtSurface(-10, 2), 0x112233);
    EXPECT_EQ(PTE_GetColorAtSurface(1000, 1000), 0x445566);
    EXPECT_EQ(PTE_GetColorAt(0, 0, nullptr), 0);
    EXPECT_EQ(PTE_GetColorAtLayer(0, 0, 64), 0);
    EXPECT_EQ(PTE_GetColorAtLayer(0, 0, 9), 0);
    EXPECT_EQ(PTE_GetColorAtTrace(0, 0), 0) << "no tracing layer";
    ASSERT_EQ(PTE_CreateLayer(0, 6, 4), 1);
    EXPECT_EQ(PTE_GetColorAtTrace(0, 0), -1) << "a transparent tracing layer";
}

TEST_F(Sampling, ChannelsDoNotClamp) {
    make_image(6, 4, 1);
    PTE_SetLayer(2);
    set_px(2, 0, 0, 1, 2, 3, 4);
    EXPECT_EQ(PTE_GetRed64(0, 0), 1);
    EXPECT_EQ(PTE_GetGreen64(0, 0), 2);
    EXPECT_EQ(PTE_GetBlue64(0, 0), 3);
    EXPECT_EQ(PTE_GetAlpha64(0, 0), 4);
    EXPECT_EQ(PTE_GetRed64(-1, 0), 0);
    EXPECT_EQ(PTE_GetRed64(6, 0), 0);
    EXPECT_EQ(PTE_GetAlpha64(0, 4), 0);
    st().mask.values[1] = 1000;
    EXPECT_EQ(PTE_GetMask64(1, 0), 64535);
    EXPECT_EQ(PTE_GetMask64(2, 0), 0);
    PTE_EnableMask(0);
    EXPECT_EQ(PTE_GetMask64(1, 0), 0);
    st().currentSlot = nullptr;
    EXPECT_EQ(PTE_GetRed64(0, 0), 0);
    EXPECT_EQ(PTE_GetColorAtSurface(0, 0), 0);
}

TEST_F(Sampling, HistoryAnswersOnlyWhileAStepCanBeUndone) {
    make_image(6, 4);
    PTE_SetUndoLevels(5);
    set_px(1, 2, 2, 0x0100, 0x0200, 0x0300, 65535);
    EXPECT_EQ(PTE_GetColorAtHistory(2, 2), 0) << "no step yet";
    EXPECT_EQ(PTE_GetColorAtUnderLayer(2, 2), 0xFFFFFF) << "the back buffer still holds white";
    PTE_SaveUndoBuffer(1, 0);
    set_px(1, 2, 2, 0, 0, 0, 65535);
    EXPECT_EQ(PTE_GetColorAtHistory(2, 2), 0x010203);
    PTE_Undo();
    EXPECT_EQ(PTE_GetColorAtHistory(2, 2), 0) << "nothing left to undo";
}

}  // namespace
