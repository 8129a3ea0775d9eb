#include "support/engine_fixture.h"

void EngineTest::reset_engine() {
    PTE_DeleteImage();
    engine::state() = engine::EngineState{};
}

void EngineTest::make_image(int32_t w, int32_t h, int upper, int32_t tip) {
    PTE_CreateImage(nullptr, w, h, tip, 0);
    ASSERT_EQ(PTE_CreateLayer(1, w, h), 1);
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    for (int i = 0; i < upper; ++i) {
        ASSERT_EQ(PTE_CreateLayer(2 + i, w, h), 1);
        PTE_SetLayerOptions(2 + i, 1, 0, 100, "Normal");
    }
    PTE_SetLayer(1);
}

uint16_t EngineTest::px(int32_t slot, int32_t x, int32_t y, int c) {
    const engine::LayerSlot& l = st().layers[slot];
    return l.pixels[size_t(y) * size_t(l.rowLength) + size_t(x) * 4 + size_t(c)];
}

void EngineTest::set_px(int32_t slot, int32_t x, int32_t y, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    engine::LayerSlot& l = st().layers[slot];
    uint16_t* p = l.pixels.data() + size_t(y) * size_t(l.rowLength) + size_t(x) * 4;
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
}
