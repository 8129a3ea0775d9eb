#include <cstring>
#include <random>
#include <vector>

#include "support/engine_fixture.h"
#include "undo/history.h"

namespace {

struct Rect {
    int32_t x0, y0, x1, y1;
    bool operator==(const Rect&) const = default;
};
Rect rect_of(const undo::UndoRecord& r) { return {r.x0, r.y0, r.x1, r.y1}; }

class Undo : public EngineTest {
protected:
    // An image with layers 1 and 2, levels and a budget that never evicts.
    void make_history(int32_t w, int32_t h, int32_t levels = 500) {
        make_image(w, h, 1);
        PTE_SetUndoLevels(levels);
        PTE_SetUndoMB(1 << 20);
    }

    static std::vector<uint16_t> layer(int32_t slot) {
        const auto& p = st().layers[slot].pixels;
        return {p.data(), p.data() + p.size()};
    }
    static std::vector<uint16_t> mask() { return {st().mask.values.data(), st().mask.values.data() + st().mask.values.size()}; }
    static std::vector<uint16_t> back() {
        const auto& b = st().undo.back.pixels;
        return {b.data(), b.data() + b.size()};
    }

    // Paints the inclusive rectangle of a slot with one grey and grows the
    // dirty rectangle as dabs do (right and bottom one past).
    static void paint(int32_t slot, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint16_t v) {
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x) set_px(slot, x, y, v, v, v, 65535);
        undo::grow_dirty_rect(st(), x0, y0, x1 + 1, y1 + 1);
    }

    // One step of the current layer: paint, then save.
    static void stroke(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint16_t v) {
        paint(PTE_GetLayerNum(), x0, y0, x1, y1, v);
        PTE_SaveUndoBuffer(1, 0);
    }
};

TEST_F(Undo, LevelsZeroRecordsNothingButKeepsTheBackCopy) {
    make_image(8, 8);
    PTE_SetUndoMB(64);
    paint(1, 2, 2, 4, 4, 1000);
    PTE_SaveUndoBuffer(1, 1);
    EXPECT_EQ(PTE_CanUndo(), 0);
    EXPECT_EQ(PTE_GetUndoCount(), 0);
    EXPECT_EQ(back(), layer(1)) << "the back copy follows the layer";
    PTE_Undo();
    EXPECT_EQ(px(1, 3, 3, 0), 1000);
}

TEST_F(Undo, LevelsAreHeldTo500AndSettingThemEmptiesTheHistory) {
    make_history(8, 8);
    stroke(0, 0, 3, 3, 10);
    ASSERT_EQ(PTE_GetUndoCount(), 1);
    PTE_SetUndoLevels(1000);
    EXPECT_EQ(st().undo.levels, 500);
    EXPECT_EQ(PTE_GetUndoCount(), 0);
    EXPECT_EQ(PTE_CanUndo(), 0);
    PTE_SetUndoLevels(-3);
    EXPECT_EQ(st().undo.levels, 0);
}

TEST_F(Undo, OneLevelKeepsTheNewestStep) {
    make_history(8, 8, 1);
    const auto blank = layer(1);
    stroke(0, 0, 3, 3, 10);
    const auto first = layer(1);
    stroke(2, 2, 6, 6, 20);
    EXPECT_EQ(PTE_GetUndoCount(), 1);
    PTE_Undo();
    EXPECT_EQ(layer(1), first);
    EXPECT_EQ(PTE_CanUndo(), 0);
    PTE_Undo();
    EXPECT_EQ(layer(1), first) << "the first step fell off";
    EXPECT_NE(layer(1), blank);
}

TEST_F(Undo, FiveHundredLevelsWalkBackToTheStart) {
    make_history(4, 4);
    std::vector<std::vector<uint16_t>> states{layer(1)};
    for (int i = 0; i < 501; ++i) {
        stroke(i % 3, 0, i % 3 + 1, 1, uint16_t(i + 1));
        states.push_back(layer(1));
    }
    EXPECT_EQ(PTE_GetUndoCount(), 500);
    for (int i = 500; i >= 1; --i) {
        ASSERT_EQ(PTE_CanUndo(), 1) << i;
        PTE_Undo();
        ASSERT_EQ(layer(1), states[size_t(i)]) << "after undoing to state " << i;
    }
    EXPECT_EQ(PTE_CanUndo(), 0) << "the oldest of 501 steps fell off";
    EXPECT_EQ(PTE_GetRedoCount(), 500);
    for (int i = 2; i <= 501; ++i) {
        PTE_Redo();
        ASSERT_EQ(layer(1), states[size_t(i)]) << "after redoing to state " << i;
    }
    EXPECT_EQ(PTE_CanRedo(), 0);
}

TEST_F(Undo, BudgetEvictsOldestFirst) {
    // 64 x 64: the back copies count 40 KB; each 32 x 32 step is estimated
    // at 10 KB and holds 8 KB of pixels.
    make_history(64, 64, 10);
    ASSERT_EQ(st().undo.undoMemoryKB, 40);
    st().undo.budgetKB = 74;
    std::vector<std::vector<uint16_t>> states{layer(1)};
    for (uint16_t v = 1; v <= 3; ++v) {
        stroke(0, 0, 30, 30, uint16_t(v * 100));
        states.push_back(layer(1));
    }
    // 40 + 3 * 8 = 64 held; 64 + 10 reaches the budget exactly, so the oldest step goes.
    EXPECT_EQ(st().undo.undoMemoryKB, 64);
    stroke(0, 0, 30, 30, 400);
    EXPECT_EQ(PTE_GetUndoCount(), 3);
    EXPECT_EQ(st().undo.undoMemoryKB, 64);
    for (int i = 3; i >= 1; --i) {
        PTE_Undo();
        EXPECT_EQ(layer(1), states[size_t(i)]);
    }
    EXPECT_EQ(PTE_CanUndo(), 0);

    // A budget below one step keeps exactly the newest.
    PTE_SetUndoMB(1);
    st().undo.budgetKB = 1;
    stroke(0, 0, 30, 30, 500);
    stroke(0, 0, 30, 30, 600);
    EXPECT_EQ(PTE_GetUndoCount(), 1);
    PTE_Undo();
    EXPECT_EQ(px(1, 0, 0, 0), 500);
}

TEST_F(Undo, NewSaveDiscardsRedo) {
    make_history(16, 16);
    const auto blank = layer(1);
    stroke(0, 0, 3, 3, 1);
    const auto a = layer(1);
    stroke(4, 4, 7, 7, 2);
    PTE_Undo();
    EXPECT_EQ(PTE_CanRedo(), 1);
    EXPECT_EQ(PTE_GetRedoCount(), 1);
    stroke(8, 8, 11, 11, 3);
    EXPECT_EQ(PTE_CanRedo(), 0);
    EXPECT_EQ(PTE_GetRedoCount(), 0);
    EXPECT_EQ(PTE_GetUndoCount(), 2);
    PTE_Undo();
    EXPECT_EQ(layer(1), a);
    PTE_Undo();
    EXPECT_EQ(layer(1), blank);
    PTE_Redo();
    PTE_Redo();
    EXPECT_EQ(px(1, 9, 9, 0), 3);
    EXPECT_EQ(px(1, 5, 5, 0), 65535) << "the discarded step is gone for good";
}

TEST_F(Undo, UndoAcrossLayersSelectsTheStepsLayer) {
    make_history(16, 16);
    PTE_SetLayer(2);
    const auto blank2 = layer(2);
    stroke(1, 1, 5, 5, 700);
    const auto painted2 = layer(2);
    PTE_SetLayer(1);
    const auto blank1 = layer(1);
    stroke(2, 2, 9, 9, 900);
    const auto painted1 = layer(1);

    PTE_Undo();
    EXPECT_EQ(PTE_GetLayerNum(), 1);
    EXPECT_EQ(layer(1), blank1);
    PTE_Undo();
    EXPECT_EQ(PTE_GetLayerNum(), 2);
    EXPECT_EQ(layer(2), blank2);
    EXPECT_EQ(layer(1), blank1);
    EXPECT_EQ(back(), blank2) << "the back copy follows the layer made current";
    PTE_Redo();
    EXPECT_EQ(layer(2), painted2);
    PTE_Redo();
    EXPECT_EQ(PTE_GetLayerNum(), 1);
    EXPECT_EQ(layer(1), painted1);
    EXPECT_EQ(layer(2), painted2);
}

TEST_F(Undo, UndoThenRedoRestoresByteForByte) {
    make_history(37, 23);
    std::mt19937 rng(4242);
    auto& px1 = st().layers[1].pixels;
    for (size_t i = 0; i < px1.size(); ++i) px1[i] = uint16_t(rng());
    PTE_ClearUndo();
    const auto before = layer(1);
    for (int32_t y = 3; y <= 17; ++y)
        for (int32_t x = 5; x <= 30; ++x) set_px(1, x, y, uint16_t(rng()), uint16_t(rng()), uint16_t(rng()), uint16_t(rng()));
    undo::grow_dirty_rect(st(), 5, 3, 31, 18);
    const auto after = layer(1);
    PTE_SaveUndoBuffer(1, 0);
    EXPECT_EQ(st().undo.records[0].x1, 31) << "the edge one past the dab is kept";
    for (int round = 0; round < 3; ++round) {
        PTE_Undo();
        ASSERT_EQ(layer(1), before);
        PTE_Redo();
        ASSERT_EQ(layer(1), after);
    }
    EXPECT_EQ(back(), after);
}

TEST_F(Undo, DirtyRectangleRules) {
    make_history(20, 10);
    // One column wide: the whole image is saved.
    paint(1, 4, 2, 4, 6, 11);
    st().undo.dirtyX1 = st().undo.dirtyX0;
    PTE_SaveUndoBuffer(1, 0);
    EXPECT_EQ(rect_of(st().undo.records[0]), (Rect{0, 0, 19, 9}));
    EXPECT_EQ(st().undo.records[0].pixels.size(), 20u * 10 * 4);
    EXPECT_EQ(st().undo.dirtyX0, 19) << "reset after the save";
    EXPECT_EQ(st().undo.dirtyY0, 9);
    EXPECT_EQ(st().undo.dirtyX1, 0);

    // Reaching outside the image: clipped.
    undo::grow_dirty_rect(st(), -5, -7, 40, 3);
    PTE_SaveUndoBuffer(1, 0);
    EXPECT_EQ(rect_of(st().undo.records[0]), (Rect{0, 0, 19, 3}));

    // Entirely outside: the clip leaves it empty, so the whole image.
    undo::grow_dirty_rect(st(), 30, 20, 50, 40);
    PTE_SaveUndoBuffer(1, 0);
    EXPECT_EQ(rect_of(st().undo.records[0]), (Rect{0, 0, 19, 9}));
}

TEST_F(Undo, MaskStepsLeaveTheLayerAlone) {
    make_history(12, 12);
    const auto full = mask();
    for (int32_t i = 0; i < 12 * 6; ++i) st().mask.values[size_t(i)] = uint16_t(i * 100);
    const auto half = mask();
    paint(1, 0, 0, 11, 11, 3);  // unsaved layer change inside the same rectangle
    PTE_SaveUndoBuffer(0, 1);
    EXPECT_TRUE(st().undo.records[0].mask);
    EXPECT_FALSE(st().undo.records[0].pixels);
    PTE_Undo();
    EXPECT_EQ(mask(), full);
    EXPECT_EQ(px(1, 5, 5, 0), 3) << "a mask step does not touch the layer";
    PTE_Redo();
    EXPECT_EQ(mask(), half);

    // Both at once.
    PTE_SaveUndoBuffer(1, 1);  // settles the layer change with no dirty rect: whole image
    st().mask.values[3 * 12 + 3] = 1;
    paint(1, 2, 2, 3, 3, 44);
    PTE_SaveUndoBuffer(1, 1);
    PTE_Undo();
    EXPECT_EQ(mask(), half);
    EXPECT_EQ(px(1, 2, 2, 0), 3);
}

TEST_F(Undo, BothFlagsClearRecordsAnEmptyStepThatBlocksUndo) {
    make_history(8, 8);
    stroke(0, 0, 3, 3, 5);
    const int32_t held = st().undo.undoMemoryKB;
    PTE_SaveUndoBuffer(0, 0);
    EXPECT_EQ(st().undo.undoMemoryKB, held);
    EXPECT_EQ(PTE_GetUndoCount(), 1);
    EXPECT_EQ(PTE_CanUndo(), 0);
    PTE_Undo();
    EXPECT_EQ(px(1, 0, 0, 0), 5);
    EXPECT_EQ(st().undo.recordLayers[0], 1);
    EXPECT_TRUE(st().undo.records[1].pixels) << "the real step moved up behind it";
}

TEST_F(Undo, PauseStopsSavesRefreshesAndExchanges) {
    make_history(16, 16);
    stroke(0, 0, 1, 1, 9);
    PTE_PauseUndo();
    paint(1, 10, 10, 12, 12, 77);
    PTE_SaveUndoBuffer(1, 0);
    EXPECT_EQ(PTE_GetUndoCount(), 1);
    EXPECT_EQ(st().undo.dirtyX1, 13) << "the dirty rectangle waits for the next save";
    PTE_SaveUndoBackBuffer(1);
    EXPECT_EQ(back()[(10 * 16 + 10) * 4], 65535);
    PTE_Undo();
    EXPECT_EQ(px(1, 0, 0, 0), 9);
    EXPECT_EQ(PTE_CanUndo(), 1) << "queries still answer";
    PTE_ResumeUndo();
    paint(1, 3, 3, 4, 4, 55);
    PTE_SaveUndoBuffer(1, 0);
    EXPECT_EQ(rect_of(st().undo.records[0]), (Rect{3, 3, 13, 13})) << "covers both paints";
    PTE_Undo();
    EXPECT_EQ(px(1, 11, 11, 0), 65535);
    EXPECT_EQ(px(1, 3, 3, 0), 65535);
    EXPECT_EQ(px(1, 0, 0, 0), 9);
}

TEST_F(Undo, StepOfADeletedLayerIsSkipped) {
    make_history(8, 8);
    PTE_SetLayer(2);
    stroke(0, 0, 3, 3, 123);
    for (size_t i = 0; i < 4; ++i) st().mask.values[i] = 0;
    PTE_SaveUndoBuffer(0, 1);
    PTE_SetLayer(1);
    PTE_DeleteLayer(2);
    const auto layer1 = layer(1);
    PTE_Undo();  // the mask step: exchanged whatever the layer
    EXPECT_EQ(st().mask.values[0], 65535);
    PTE_Undo();  // the pixel step of layer 2: skipped
    EXPECT_EQ(PTE_GetLayerNum(), 1);
    EXPECT_EQ(layer(1), layer1) << "layer 2's pixels never reach layer 1";
    EXPECT_EQ(PTE_GetRedoCount(), 2);
    PTE_Redo();
    EXPECT_EQ(layer(1), layer1);

    // A layer re-created at another size no longer covers the image.
    ASSERT_EQ(PTE_CreateLayer(2, 4, 4), 1);
    PTE_Redo();
    EXPECT_EQ(PTE_GetLayerNum(), 1);
    EXPECT_EQ(layer(1), layer1);
}

TEST_F(Undo, SaveWithoutACurrentLayerRecordsNoPixels) {
    PTE_CreateImage(nullptr, 8, 8, 8, 0);
    PTE_SetUndoLevels(10);
    PTE_SetUndoMB(64);
    PTE_SaveUndoBuffer(1, 0);
    EXPECT_EQ(PTE_GetUndoCount(), 0);
    PTE_SaveUndoBuffer(1, 1);
    EXPECT_EQ(PTE_GetUndoCount(), 1);
    EXPECT_FALSE(st().undo.records[0].pixels);
    PTE_Undo();
    PTE_Redo();
    EXPECT_EQ(PTE_GetLastError()[0], '\0');
}

TEST_F(Undo, EmptyHistoryAndNoImageDoNothing) {
    PTE_Undo();
    PTE_Redo();
    PTE_SaveUndoBuffer(1, 1);
    PTE_SetUndoLevels(5);
    PTE_SaveUndoBuffer(1, 1);
    EXPECT_EQ(PTE_CanUndo(), 0);
    EXPECT_EQ(PTE_CanRedo(), 0);
    make_history(4, 4);
    PTE_Undo();
    PTE_Redo();
    EXPECT_EQ(PTE_GetRedoCount(), 0);
    EXPECT_EQ(PTE_GetLastError()[0], '\0');
}

TEST_F(Undo, MemoryFigures) {
    PTE_CreateImage(nullptr, 1000, 1000, 8, 0);
    EXPECT_EQ(PTE_GetCurrentUndoMemory(), 9);  // 10,000,000 / 1024 = 9765 KB
    PTE_DeleteImage();

    make_history(100, 100);
    const int32_t base = 100 * 100 * 10 / 1024;  // 976
    ASSERT_EQ(st().undo.undoMemoryKB, base);
    stroke(0, 0, 32, 32, 1);  // 34 x 34 with the edge one past
    // pixels 34*34*8/1024 = 9.03 -> 9; mask none
    EXPECT_EQ(st().undo.undoMemoryKB, base + 9);
    undo::grow_dirty_rect(st(), 0, 0, 34, 34);  // 35 x 35
    PTE_SaveUndoBuffer(1, 1);
    // pixels 35*35*8/1024 = 9.57 -> 9; mask 35*35*2/1024 = 2.39 -> 2
    EXPECT_EQ(st().undo.undoMemoryKB, base + 9 + 9 + 2);
    PTE_ClearUndo();
    EXPECT_EQ(st().undo.undoMemoryKB, base);

    PTE_SetUndoMB(3);
    EXPECT_EQ(st().undo.autoBudget, 0);
    EXPECT_EQ(PTE_GetTotalUndoMemory(), 3);
    PTE_SetUndoMB(0);
    EXPECT_EQ(st().undo.autoBudget, 1);
    EXPECT_GE(st().undo.budgetKB, 15 * (100 * 100 / 1024));
    // The automatic budget follows the free memory, which other processes
    // change: the call recomputes it first, then it is read.
    const int32_t total = PTE_GetTotalUndoMemory();
    EXPECT_EQ(total, st().undo.budgetKB / 1024);
}

TEST_F(Undo, ReduceFreesOldestPixelStepsByMegabytes) {
    make_history(512, 512, 10);
    // Three whole-image steps of 2.5 MB estimate each, then a mask-only one.
    for (uint16_t v = 1; v <= 3; ++v) {
        paint(1, 0, 0, 511, 511, v);
        st().undo.dirtyX1 = 0;  // empty: the whole image
        PTE_SaveUndoBuffer(1, 1);
    }
    PTE_SaveUndoBuffer(0, 1);
    ASSERT_EQ(PTE_GetUndoCount(), 4);
    const int32_t held = st().undo.undoMemoryKB;
    PTE_ReduceUndo(3);  // 3072 KB: the two oldest pixel steps (2560 KB each) go
    EXPECT_EQ(PTE_GetUndoCount(), 2);
    EXPECT_EQ(st().undo.undoMemoryKB, held - 2 * 2560);
    EXPECT_FALSE(st().undo.records[3].pixels);
    EXPECT_FALSE(st().undo.records[2].pixels);
    EXPECT_TRUE(st().undo.records[1].pixels);
    EXPECT_TRUE(st().undo.records[0].mask) << "a mask-only step is never released here";
    PTE_ReduceUndo(0);
    EXPECT_EQ(PTE_GetUndoCount(), 2);
}

}  // namespace
