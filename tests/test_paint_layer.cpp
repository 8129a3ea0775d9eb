#include "brush/paint_layer.h"
#include "support/engine_fixture.h"

using PaintLayer = EngineTest;

TEST_F(PaintLayer, CreatedOnceClearedAndReconfigured) {
    make_image(6, 4);
    PTE_CreatePaintLayer(50, "Multiply");
    engine::LayerSlot& p = st().paintLayer;
    ASSERT_TRUE(p.has_pixels());
    EXPECT_EQ(p.width, 6);
    EXPECT_EQ(p.rowLength, 24);
    EXPECT_EQ(p.opacity, 128);
    EXPECT_EQ(p.mode, 1);
    EXPECT_EQ(p.visible, 1);
    EXPECT_EQ(p.changedLeft, 6);
    EXPECT_EQ(p.changedTop, 4);
    EXPECT_EQ(p.changedRight, 0);
    EXPECT_EQ(p.changedBottom, 0);
    p.pixels[7] = 123;
    brush::grow_changed_area(p, 1, 0, 3, 2);
    PTE_CreatePaintLayer(100, "screen");
    EXPECT_EQ(p.pixels[7], 123) << "a second create keeps the stroke";
    EXPECT_EQ(p.changedRight, 3);
    EXPECT_EQ(p.mode, 0) << "names are exact";
    EXPECT_STREQ(p.modeName, "screen");
    EXPECT_EQ(p.opacity, 256);

    PTE_ClearPaintLayer_old();
    EXPECT_EQ(p.pixels[(0 * 6 + 1) * 4 + 3], 0) << "inside the changed area: transparent";
    EXPECT_EQ(p.pixels[(0 * 6 + 3) * 4 + 3], 65535) << "outside: opaque white";
    EXPECT_EQ(p.changedRight, 0);
    PTE_ClearPaintLayer();
    EXPECT_EQ(p.pixels[(0 * 6 + 3) * 4 + 3], 0);
    PTE_DeletePaintLayer();
    EXPECT_FALSE(p.has_pixels());
    PTE_ClearPaintLayer();
}

TEST_F(PaintLayer, StaleSizeIsReplaced) {
    make_image(6, 4);
    PTE_CreatePaintLayer(100, "Normal");
    PTE_NewSize(nullptr, 8, 8, 16, 0);
    EXPECT_FALSE(st().paintLayer.has_pixels()) << "new size frees it";
    PTE_CreatePaintLayer(100, "Normal");
    EXPECT_EQ(st().paintLayer.width, 8);
    EXPECT_NE(brush::paint_pixels(st()), nullptr);
}

TEST_F(PaintLayer, DisplayOptionsStoreBytesTimes256) {
    PTE_SetMaskOptions(255, 0, 1, 10, 20, 30, 2);
    EXPECT_EQ(st().mask.displayColor1[0], 65280);
    EXPECT_EQ(st().mask.displayColor1[2], 256);
    EXPECT_EQ(st().mask.displayColor2[1], 5120);
    EXPECT_EQ(st().mask.displayStyle, 2);
    PTE_DisplayMask(1);
    PTE_EnableMask(0);
    PTE_SetTracingMode(1);
    EXPECT_EQ(st().maskShown, 1);
    EXPECT_EQ(st().maskActive, 0);
    EXPECT_EQ(st().tracingMode, 1);
}
