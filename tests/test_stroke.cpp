// A whole stroke through the exports: settings, dabs into the paint layer,
// the display, the merge into the layer, the undo step, undo and redo.
#include <algorithm>
#include <vector>

#include "support/engine_fixture.h"

namespace {

using Stroke = EngineTest;

std::vector<uint16_t> layer_copy(int32_t slot) {
    const auto& p = engine::state().layers[slot].pixels;
    return {p.data(), p.data() + p.size()};
}

TEST_F(Stroke, FromSettingsThroughMergeToUndo) {
    constexpr int32_t W = 64, H = 48, kSize = 9;
    make_image(W, H, 1);
    PTE_SetUndoLevels(10);
    PTE_SetUndoMB(16);
    PTE_SetViewSize(W, H);
    PTE_SetLayer(2);
    PTE_SetSize(kSize);
    PTE_SetAlpha(100);
    PTE_SetTool(1.0f, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
    PTE_CreatePaintLayer(50, "Normal");
    const auto before = layer_copy(2);

    // Dabs along a line; each window is [c - 4, c + 5).
    int32_t left = W, top = H, right = 0, bottom = 0;
    for (int32_t i = 0; i <= 10; ++i) {
        const int32_t x = 6 + 4 * i, y = 8 + i;
        PTE_DrawDabGrit(x, y, 0xC000, 0x4000, 0x2000);
        left = std::min(left, x - kSize / 2), top = std::min(top, y - kSize / 2);
        right = std::max(right, x - kSize / 2 + kSize), bottom = std::max(bottom, y - kSize / 2 + kSize);
    }
    const engine::LayerSlot& paint = st().paintLayer;
    EXPECT_EQ(paint.changedLeft, left);
    EXPECT_EQ(paint.changedTop, top);
    EXPECT_EQ(paint.changedRight, right);
    EXPECT_EQ(paint.changedBottom, bottom);
    EXPECT_EQ(layer_copy(2), before) << "dabs go to the paint layer only";

    // The display shows the stroke over the white background, and white elsewhere.
    std::vector<uint8_t> display(size_t(W) * H * 3);
    PTE_Render(display.data(), W * 3, 0, 0, W, H);
    auto shown = [&](int32_t x, int32_t y) { return &display[(size_t(y) * W + size_t(x)) * 3]; };
    EXPECT_EQ(shown(60, 40)[0], 255);
    EXPECT_EQ(shown(60, 40)[2], 255);
    EXPECT_LT(shown(26, 13)[0], 200) << "blue is lowered where the stroke lies";
    EXPECT_GT(shown(26, 13)[2], shown(26, 13)[0]) << "red stays above blue";

    // Merging onto transparent pixels takes the stroke's colour and its
    // alpha weighed by the paint layer's opacity (128).
    const std::vector<uint16_t> stroke(paint.pixels.data(), paint.pixels.data() + paint.pixels.size());
    PTE_MergePaintLayer(2);
    const auto merged = layer_copy(2);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const size_t i = (size_t(y) * W + size_t(x)) * 4;
            const bool inside = x >= left && x < right && y >= top && y < bottom && stroke[i + 3] != 0;
            for (int c = 0; c < 4; ++c) {
                const uint16_t want = !inside ? before[i + size_t(c)]
                                              : (c < 3 ? stroke[i + size_t(c)] : uint16_t((stroke[i + 3] * 128u) >> 8));
                ASSERT_EQ(merged[i + size_t(c)], want) << x << "," << y << " channel " << c;
            }
        }
    EXPECT_TRUE(std::all_of(paint.pixels.data(), paint.pixels.data() + paint.pixels.size(), [](uint16_t v) { return v == 0; }));
    EXPECT_EQ(paint.changedRight, 0) << "the paint layer is cleared after the merge";

    // The step holds the stroke's rectangle, its right and bottom edges read inclusive.
    PTE_SaveUndoBuffer(1, 0);
    ASSERT_EQ(PTE_CanUndo(), 1);
    const undo::UndoRecord& step = st().undo.records[0];
    EXPECT_EQ(step.x0, left);
    EXPECT_EQ(step.y0, top);
    EXPECT_EQ(step.x1, std::min(right, W - 1));
    EXPECT_EQ(step.y1, std::min(bottom, H - 1));

    // A second stroke erases straight into the layer; undo takes both back in turn.
    PTE_DeletePaintLayer();
    PTE_SetSize(5);
    PTE_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
    for (int32_t x = 6; x < 48; x += 2) {
        PTE_SetEraseModeOn();
        PTE_DrawDabGrit(x, 12, 0, 0, 0);
    }
    EXPECT_EQ(PTE_GetAlpha64(26, 12), 0);
    PTE_SaveUndoBuffer(1, 0);
    const auto erased = layer_copy(2);
    PTE_Undo();
    EXPECT_EQ(layer_copy(2), merged);
    PTE_Undo();
    EXPECT_EQ(layer_copy(2), before);
    PTE_Redo();
    EXPECT_EQ(layer_copy(2), merged);
    PTE_Redo();
    EXPECT_EQ(layer_copy(2), erased);
}

TEST_F(Stroke, OneSeedReproducesAGritStroke) {
    auto paint_once = [] {
        reset_engine();
        make_image(40, 30, 1);
        PTE_SetLayer(2);
        PTE_SetRandomSeed(77);
        PTE_SetSize(12);
        PTE_SetAlpha(100);
        PTE_SetTool(1.0f, 2, 150, 180, 40, 30, 2, 0, 0, 0, 0, 0, 0, "", "", 0);
        PTE_SetDensity(220);
        PTE_SetPixColorVary(12);
        PTE_CreatePaintLayer(100, "Normal");
        for (int32_t x = 0; x < 40; x += 3) {
            PTE_DrawDabGrit(x, 15, 0x8000, 0x8000, 0x8000);
            PTE_DecDrawingLength();
        }
        PTE_MergePaintLayer(2);
        return layer_copy(2);
    };
    const auto first = paint_once();
    EXPECT_EQ(paint_once(), first);
    EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](uint16_t v) { return v != 0; }));
}

}  // namespace
