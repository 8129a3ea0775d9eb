#include <cstring>
#include <string>
#include <vector>

#include "engine/layers.h"
#include "support/engine_fixture.h"

using Layers = EngineTest;

TEST_F(Layers, BackgroundStartsWhiteOthersTransparent) {
    PTE_CreateImage(nullptr, 5, 4, 8, 0);
    ASSERT_EQ(PTE_CreateLayer(1, 5, 4), 1);
    ASSERT_EQ(PTE_CreateLayer(2, 5, 4), 1);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(px(1, 4, 3, c), 65535);
        EXPECT_EQ(px(2, 4, 3, c), 0);
    }
    // Re-creating at the same size clears and keeps the buffer.
    set_px(2, 1, 1, 9, 9, 9, 9);
    const uint16_t* before = st().layers[2].pixels.data();
    ASSERT_EQ(PTE_CreateLayer(2, 5, 4), 1);
    EXPECT_EQ(st().layers[2].pixels.data(), before);
    EXPECT_EQ(px(2, 1, 1, 3), 0);
    // Another size gets a new buffer of that size.
    ASSERT_EQ(PTE_CreateLayer(2, 3, 2), 1);
    EXPECT_EQ(st().layers[2].rowLength, 12);
    EXPECT_EQ(st().layers[2].pixels.size(), 24u);
}

TEST_F(Layers, IndicesOutsideTheTableTouchNothing) {
    make_image(4, 4, 1);
    const int32_t current = PTE_GetLayerNum();
    for (int32_t bad : {-1, 64, 1000, INT32_MIN}) {
        EXPECT_EQ(PTE_CreateLayer(bad, 4, 4), 0);
        PTE_DeleteLayer(bad);
        PTE_SetLayer(bad);
        PTE_SetLayerOptions(bad, 1, 1, 50, "Multiply");
        PTE_SwapLayers(bad, 1);
        PTE_SwapLayers(1, bad);
        PTE_InvertAlpha(bad);
        PTE_SetLayerAlpha(bad, 7);
        PTE_NormalizeLayerAlpha(bad);
        PTE_CreateTexture(bad);
        PTE_SaveUndoBackBuffer(bad);
    }
    EXPECT_EQ(PTE_GetLayerNum(), current);
    EXPECT_EQ(PTE_GetLayerCount(), 2);
    EXPECT_EQ(px(1, 0, 0, 3), 65535);
    EXPECT_FALSE(st().brush.texture);
}

TEST_F(Layers, BadSizesFail) {
    PTE_CreateImage(nullptr, 4, 4, 8, 0);
    EXPECT_EQ(PTE_CreateLayer(2, -1, 4), 0);
    EXPECT_EQ(PTE_CreateLayer(2, 4, -1), 0);
    EXPECT_EQ(PTE_CreateLayer(2, 1 << 30, 4), 0);
    EXPECT_EQ(PTE_CreateLayer(2, 100000, 100000), 0) << "80 GB cannot be had";
    EXPECT_EQ(PTE_GetLayerCount(), 0);
}

TEST_F(Layers, OpacityFromPercentTruncates) {
    struct Case { int32_t percent; uint16_t opacity; };
    for (const Case c : {Case{100, 256}, Case{50, 128}, Case{33, 84}, Case{1, 2}, Case{0, 0}, Case{99, 253},
                         Case{-5, 0}, Case{1000, 256}}) {
        EXPECT_EQ(layers::opacity_from_percent(c.percent), c.opacity) << c.percent;
    }
}

TEST_F(Layers, OptionsStoreNameAndMode) {
    make_image(4, 4, 1);
    PTE_SetLayerOptions(2, 1, 1, 33, "Multiply");
    EXPECT_EQ(st().layers[2].opacity, 84);
    EXPECT_EQ(st().layers[2].mode, 1);
    EXPECT_STREQ(st().layers[2].modeName, "Multiply");
    EXPECT_EQ(st().layers[2].keepAlpha, 1);

    PTE_SetLayerOptions(2, 1, 0, 100, "multiply");
    EXPECT_EQ(st().layers[2].mode, 0);
    EXPECT_STREQ(st().layers[2].modeName, "multiply");

    const std::string fifty(50, 'N');
    PTE_SetLayerOptions(2, 1, 0, 100, fifty.c_str());
    EXPECT_STREQ(st().layers[2].modeName, "");
    EXPECT_EQ(st().layers[2].mode, 0);
    const std::string fortynine(49, 'N');
    PTE_SetLayerOptions(2, 1, 0, 100, fortynine.c_str());
    EXPECT_EQ(std::string(st().layers[2].modeName), fortynine);

    PTE_SetLayerOptions(2, 1, 0, 100, nullptr);
    EXPECT_STREQ(st().layers[2].modeName, "");
    EXPECT_EQ(st().layers[2].mode, 0);
}

TEST_F(Layers, TopLayerIsHighestSlotWithPixels) {
    PTE_CreateImage(nullptr, 2, 2, 8, 0);
    PTE_SetLayerOptions(3, 1, 0, 100, "Normal");
    EXPECT_EQ(st().topLayer, 1) << "no slot above 0 in use";
    PTE_CreateLayer(0, 2, 2);
    PTE_SetLayerOptions(0, 1, 0, 100, "Normal");
    EXPECT_EQ(st().topLayer, 1) << "the tracing layer does not count";
    for (int32_t i : {1, 2, 5}) PTE_CreateLayer(i, 2, 2);
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    EXPECT_EQ(st().topLayer, 5);
    PTE_CreateLayer(63, 2, 2);
    PTE_SetLayerOptions(0, 1, 0, 100, "Normal");
    EXPECT_EQ(st().topLayer, 63);
    PTE_DeleteLayer(63);
    EXPECT_EQ(st().topLayer, 63) << "only options recompute it";
    EXPECT_EQ(PTE_GetLayerCount(), 4) << "slots 0, 1, 2 and 5";
}

TEST_F(Layers, SetLayerOnEmptySlotChangesNothing) {
    make_image(3, 3, 1);
    PTE_SetLayer(2);
    set_px(2, 0, 0, 1, 2, 3, 4);
    PTE_SetLayer(7);
    EXPECT_EQ(PTE_GetLayerNum(), 2);
    EXPECT_EQ(st().currentSlot, &st().layers[2]);
    EXPECT_EQ(st().undo.back.pixels[3], 0) << "nothing was saved for undo";
    PTE_SetLayer(2);
    EXPECT_EQ(st().undo.back.pixels[3], 4) << "selecting copies the layer into the back buffer";
}

TEST_F(Layers, SwapExchangesWholeSlots) {
    make_image(2, 2, 2);
    PTE_SetLayerOptions(3, 0, 1, 50, "Screen");
    set_px(3, 1, 1, 5, 6, 7, 8);
    PTE_SetLayer(2);
    PTE_SwapLayers(2, 3);
    EXPECT_EQ(st().layers[2].mode, 2);
    EXPECT_EQ(st().layers[2].opacity, 128);
    EXPECT_EQ(px(2, 1, 1, 3), 8);
    EXPECT_EQ(st().layers[3].mode, 0);
    EXPECT_EQ(PTE_GetLayerNum(), 2) << "the current index now names the other layer";
    PTE_SwapLayers(2, 2);
    EXPECT_EQ(px(2, 1, 1, 3), 8);
}

TEST_F(Layers, AlphaOperationsOnLayers) {
    make_image(3, 2, 1);
    set_px(2, 0, 0, 1, 2, 3, 0);
    set_px(2, 1, 0, 1, 2, 3, 65535);
    set_px(2, 2, 0, 1, 2, 3, 1000);
    PTE_InvertAlpha(2);
    EXPECT_EQ(px(2, 0, 0, 3), 65535);
    EXPECT_EQ(px(2, 1, 0, 3), 0);
    EXPECT_EQ(px(2, 2, 0, 3), 64535);
    EXPECT_EQ(px(2, 2, 0, 0), 1) << "colour untouched";

    PTE_SetLayerOptions(2, 1, 0, 50, "Normal");
    set_px(2, 0, 1, 0, 0, 0, 65535);
    set_px(2, 1, 1, 0, 0, 0, 3);
    PTE_NormalizeLayerAlpha(2);
    EXPECT_EQ(st().layers[2].opacity, 256);
    EXPECT_EQ(px(2, 0, 1, 3), 32767);
    EXPECT_EQ(px(2, 1, 1, 3), 1) << "halved, rounding down";

    PTE_SetLayerAlpha(2, 12345);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(px(2, x, 1, 3), 12345);
}

TEST_F(Layers, SetColorAlphaRecoloursNearlyTransparentPixels) {
    make_image(3, 1, 1);
    PTE_SetLayer(2);
    set_px(2, 0, 0, 1, 2, 3, 255);
    set_px(2, 1, 0, 1, 2, 3, 256);
    set_px(2, 2, 0, 1, 2, 3, 0);
    PTE_SetColorAlpha(255, 0, 128);
    EXPECT_EQ(px(2, 0, 0, 0), 65535);
    EXPECT_EQ(px(2, 0, 0, 1), 0);
    EXPECT_EQ(px(2, 0, 0, 2), 128 * 257);
    EXPECT_EQ(px(2, 0, 0, 3), 0);
    EXPECT_EQ(px(2, 1, 0, 0), 1) << "alpha 256 is left alone";
    EXPECT_EQ(px(2, 2, 0, 0), 65535);
}

TEST_F(Layers, BlurPaintLayerAlphaKeepsNearlyOpaquePixelsWhole) {
    make_image(8, 8);
    engine::LayerSlot& paint = st().paintLayer;
    ASSERT_TRUE(paint.pixels.allocate(8 * 8 * 4));
    paint.width = paint.height = 8;
    paint.rowLength = 32;
    paint.pixels.fill_bytes(0);
    // A 2x2 opaque square with one pixel of high byte 240 and one of 239.
    for (int y = 3; y < 5; ++y)
        for (int x = 3; x < 5; ++x) paint.pixels[size_t(y * 32 + x * 4 + 3)] = 65535;
    paint.pixels[size_t(3 * 32 + 3 * 4 + 3)] = 240 * 256;
    paint.pixels[size_t(4 * 32 + 4 * 4 + 3)] = 239 * 256 + 255;
    PTE_BlurPaintLayerAlpha();
    EXPECT_EQ(paint.pixels[size_t(3 * 32 + 3 * 4 + 3)], 65535) << "240 and above become whole";
    EXPECT_EQ(paint.pixels[size_t(3 * 32 + 4 * 4 + 3)], 65535);
    EXPECT_LT(paint.pixels[size_t(4 * 32 + 4 * 4 + 3)], 65535) << "239 takes the blurred value";
    EXPECT_EQ(paint.pixels[size_t(4 * 32 + 4 * 4 + 3)] % 256, 0);
    EXPECT_GT(paint.pixels[size_t(2 * 32 + 3 * 4 + 3)], 0) << "the edge spreads";
    EXPECT_EQ(paint.pixels[size_t(0 * 32 + 0 * 4 + 3)], 0);
}

TEST_F(Layers, Rgba32BufferAlphaOperations) {
    PTE_CreateImage(nullptr, 2, 2, 8, 0);
    std::vector<uint8_t> buf = {10, 20, 30, 0, 10, 20, 30, 255, 1, 2, 3, 0, 10, 20, 31, 7};
    PTE_InvertAlpha_RGBA32(buf.data());
    EXPECT_EQ(buf[3], 255);
    EXPECT_EQ(buf[7], 0);
    EXPECT_EQ(buf[15], 248);
    PTE_InvertAlpha_RGBA32(buf.data());

    PTE_SetAlphaFromRGBAImageColor(buf.data(), 10, 20, 30);
    EXPECT_EQ(buf[7], 0);
    EXPECT_EQ(buf[15], 7) << "one byte off is no match";

    PTE_SetColorAlphaRGBABuf(buf.data(), 2, 2, 200, 201, 202);
    EXPECT_EQ(buf[0], 200);
    EXPECT_EQ(buf[4], 200) << "alpha became 0 above";
    EXPECT_EQ(buf[8], 200);
    EXPECT_EQ(buf[12], 10);
    PTE_SetColorAlphaRGBABuf(nullptr, 2, 2, 0, 0, 0);
    PTE_InvertAlpha_RGBA32(nullptr);
}

TEST_F(Layers, TextureFollowsGreyLevelWithinItsRange) {
    make_image(4, 1, 1);
    set_px(2, 0, 0, 0, 0, 0, 65535);
    set_px(2, 1, 0, 65535, 65535, 65535, 65535);
    set_px(2, 2, 0, 30000, 0, 0, 65535);
    set_px(2, 3, 0, 3 * 256, 3 * 256, 3 * 256 + 2, 0);
    PTE_CreateTexture(2);
    ASSERT_TRUE(st().brush.texture);
    EXPECT_EQ(st().brush.texture[0], 4);
    EXPECT_EQ(st().brush.texture[1], 250);
    EXPECT_EQ(st().brush.texture[2], 39);
    EXPECT_EQ(st().brush.texture[3], 4);
    PTE_DeleteTexture();
    EXPECT_FALSE(st().brush.texture);
}

TEST_F(Layers, TexturizeLayerBecomesTextureWhenLeft) {
    make_image(2, 2, 2);
    PTE_SetLayer(2);
    PTE_SetLayerOptions(3, 1, 0, 100, "Texturize3");
    EXPECT_TRUE(st().brush.texture) << "configuring another visible mode-19 layer builds it";
    PTE_SetLayer(3);
    EXPECT_FALSE(st().brush.texture) << "selecting the mode-19 layer drops it";
    PTE_SetLayer(2);
    EXPECT_TRUE(st().brush.texture) << "leaving it builds it again";
    PTE_SetLayerOptions(3, 1, 0, 100, "Normal");
    EXPECT_FALSE(st().brush.texture);
}
