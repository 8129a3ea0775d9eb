// Picking colour up into the blend buffer, against a reference of the rules.
#include <random>
#include <span>
#include <vector>

#include "support/engine_fixture.h"

namespace {

class BlendBuffer : public EngineTest {
protected:
    static constexpr int32_t kTip = 12;
    void SetUp() override {
        EngineTest::SetUp();
        make_image(20, 14, 1, kTip);
        PTE_SetSize(9);
        PTE_SetBlendStrength(128);
        PTE_SetColor(10, 200, 255);
    }
    static uint16_t* bb(int32_t tx, int32_t ty) { return st().brush.blendBuffer.data() + (ty * kTip + tx) * 4; }
    static std::vector<uint16_t> buffer() {
        return {st().brush.blendBuffer.data(), st().brush.blendBuffer.data() + st().brush.blendBuffer.size()};
    }
};

// The copy as the rules state it, on a copy of the buffer.
std::vector<uint16_t> reference_copy(std::vector<uint16_t> out, int32_t x, int32_t y, const uint16_t* src, int mix,
                                     bool hold) {
    const engine::EngineState& e = engine::state();
    const int64_t S = e.brush.brushSize, T = e.tipSize, W = e.imageWidth, H = e.imageHeight;
    int64_t x0 = x - S / 2, y0 = y - S / 2, x1 = x0 + S - 1, y1 = y0 + S - 1, bx = 0, by = 0;
    bool clip = false;
    if (x0 < 0) bx = -x0, x0 = 0, clip = true;
    if (y0 < 0) by = -y0, y0 = 0, clip = true;
    if (x1 >= W) x1 = W - 1, clip = true;
    if (y1 >= H) y1 = H - 1, clip = true;
    const int64_t b[4] = {e.brush.brushColor[0], e.brush.brushColor[1], e.brush.brushColor[2], e.brush.brushColor[3]};
    const int64_t rest = 256 - mix;
    if (clip)
        for (int64_t ty = 0; ty < S; ++ty)
            for (int64_t tx = 0; tx < S; ++tx) {
                uint16_t* p = &out[size_t((ty * T + tx) * 4)];
                if (hold) {
                    p[3] = 65535;
                } else {
                    for (int c = 0; c < 3; ++c) p[c] = uint16_t(b[c]);
                    p[3] = uint16_t((mix % 256) * 256);
                }
            }
    for (int64_t yy = y0; yy <= y1; ++yy)
        for (int64_t xx = x0; xx <= x1; ++xx) {
            const uint16_t* s = src + (yy * W + xx) * 4;
            uint16_t* p = &out[size_t(((by + yy - y0) * T + bx + xx - x0) * 4)];
            int64_t sA = s[3];
            if (e.maskActive) {
                const int64_t m = e.mask.values[size_t(yy * W + xx)];
                const int64_t k = m < 65535 ? (m * 65535) >> 16 : 65535;
                sA = int64_t(k * (1 / 65535.0) * sA);
            }
            if (sA == 0) {
                for (int c = 0; c < 3; ++c) p[c] = uint16_t(b[c]);
                p[3] = uint16_t(hold ? (rest % 256) * 256 : (mix % 256) * 256);
            } else {
                for (int c = 0; c < 3; ++c) p[c] = uint16_t(std::min<int64_t>(65280, ((s[c] * rest + mix * b[c]) >> 8) + 1));
                p[3] = uint16_t((sA * rest + mix * b[3]) >> 8);
            }
        }
    return out;
}

TEST_F(BlendBuffer, CopiesMatchTheReferenceAtEveryEdge) {
    std::mt19937 rng(5150);
    for (int i = 0; i < 300; ++i) {
        for (int32_t y = 0; y < 14; ++y)
            for (int32_t x = 0; x < 20; ++x)
                set_px(2, x, y, uint16_t(rng()), uint16_t(rng()), uint16_t(rng()), rng() % 4 ? uint16_t(rng()) : 0);
        for (auto& m : std::span(st().mask.values.data(), st().mask.values.size())) m = rng() % 2 ? 65535 : uint16_t(rng());
        for (auto& v : std::span(st().brush.blendBuffer.data(), st().brush.blendBuffer.size())) v = uint16_t(rng());
        PTE_EnableMask(uint8_t(rng() % 2));
        PTE_SetSize(int32_t(1 + rng() % kTip));
        const int32_t x = int32_t(rng() % 34) - 7, y = int32_t(rng() % 28) - 7;
        const int mix = int(rng() % 257);
        const bool hold = rng() % 2;
        const auto want = reference_copy(buffer(), x, y, st().layers[2].pixels.data(), mix, hold);
        PTE_DoCopyBlendBuffer(x, y, st().layers[2].pixels.data(), mix, hold ? 0x101 : 0x100);
        ASSERT_EQ(buffer(), want) << i << " at " << x << "," << y << " mix " << mix << " hold " << hold;
    }
}

TEST_F(BlendBuffer, PickUpRules) {
    PTE_EnableMask(0);
    // Inside the image: only the used square changes.
    bb(10, 10)[0] = 4321;
    PTE_CopyBlendBufferSurface(10, 7, 0, 0);
    EXPECT_EQ(bb(10, 10)[0], 4321);
    EXPECT_EQ(bb(0, 0)[0], 65280) << "white picked up is 65280";
    EXPECT_EQ(bb(8, 8)[3], 65535);
    // Mix 256 over opaque paint: min(65280, brush + 1); over transparent: the brush, alpha 0.
    set_px(1, 10, 7, 0, 0, 0, 0);
    PTE_CopyBlendBufferSurface(10, 7, 256, 0);
    EXPECT_EQ(bb(0, 0)[0], 10 * 256 + 1);
    EXPECT_EQ(bb(0, 0)[2], 65280);
    EXPECT_EQ(bb(4, 4)[1], 200 * 256);
    EXPECT_EQ(bb(4, 4)[3], 0);
    // Crossing the edge with hold: the outside keeps its colour, made opaque.
    bb(0, 0)[0] = 777;
    bb(0, 0)[3] = 5;
    PTE_CopyBlendBufferSurface(1, 1, 0, 1);
    EXPECT_EQ(bb(0, 0)[0], 777);
    EXPECT_EQ(bb(0, 0)[3], 65535);
    // Without hold the outside takes the brush colour.
    PTE_CopyBlendBufferSurface(1, 1, 64, 0);
    EXPECT_EQ(bb(0, 0)[0], 2560);
    EXPECT_EQ(bb(0, 0)[3], 64 * 256);
    // Strength 0 copies nothing at all; a missing picture neither.
    const auto before = buffer();
    PTE_CopyBlendBufferLayer(9, 5, 5, 0);
    PTE_CopyBlendBufferTrace(5, 5, 0);
    PTE_CopyBlendBufferLayer(64, 5, 5, 0);
    PTE_SetBlendStrength(0);
    PTE_CopyBlendBufferSurface(-3, -3, 0, 0);
    EXPECT_EQ(buffer(), before);
}

TEST_F(BlendBuffer, HistoryPicksUpTheLayerBeforeTheStroke) {
    PTE_EnableMask(0);
    set_px(1, 5, 5, 256, 512, 768, 65535);
    PTE_SetLayer(1);  // refreshes the back buffer
    set_px(1, 5, 5, 0, 0, 0, 65535);
    PTE_CopyBlendBufferHistory(5, 5, 0);
    EXPECT_EQ(bb(4, 4)[0], 257);
    PTE_CopyBlendBufferUnderLayer(5, 5, 0);
    EXPECT_EQ(bb(4, 4)[2], 769);
    PTE_CopyBlendBufferSurface(5, 5, 0, 0);
    EXPECT_EQ(bb(4, 4)[0], 1);
}

TEST_F(BlendBuffer, MaskFormMixesTheMaskWithTheBrushValue) {
    PTE_SetColor(0, 0, 0);  // V = 65535
    st().mask.values[5 * 20 + 5] = 1000;
    PTE_EnableMask(0);  // read whatever the flag
    PTE_DoCopyBlendBufferMask(5, 5, 64);
    const uint16_t* values = st().brush.blendBuffer.data();
    EXPECT_EQ(values[4 * 4 * kTip + 4], std::min(65280u, ((1000u * 192 + 65535u * 64) >> 8) + 1));
    EXPECT_EQ(values[0], std::min(65280u, ((65535u * 192 + 65535u * 64) >> 8) + 1));
    PTE_SetColor(255, 255, 255);  // V = 0
    PTE_DoCopyBlendBufferMask(0, 0, 0);
    EXPECT_EQ(values[0], 0) << "the clipped square takes V";
    EXPECT_EQ(values[4 * 4 * kTip + 4], 65280) << "mask 65535 at mix 0 stops at 65280";
}

TEST_F(BlendBuffer, FiltersAndClear) {
    for (int32_t ty = 0; ty < 9; ++ty)
        for (int32_t tx = 0; tx < 9; ++tx) {
            uint16_t* p = bb(tx, ty);
            p[0] = 10000, p[1] = 32767, p[2] = 50000, p[3] = 123;
        }
    bb(9, 0)[0] = 5;
    struct Row {
        int kind, level;
        uint16_t r, g, b;
    };
    for (auto [kind, level, r, g, b] : {Row{291, 50, 0, 32767, 50000}, Row{292, 50, 0, 32767, 65280},
                                        Row{290, 0, 65535, 32768, 255}, Row{289, 0, 32852, 32852, 32852},
                                        Row{7, 0, 32852, 32852, 32852}}) {
        PTE_FilterBlendBuffer(kind, level);
        EXPECT_EQ(bb(8, 8)[0], r) << kind;
        EXPECT_EQ(bb(8, 8)[1], g) << kind;
        EXPECT_EQ(bb(0, 3)[2], b) << kind;
        EXPECT_EQ(bb(8, 8)[3], 123) << kind;
    }
    EXPECT_EQ(bb(9, 0)[0], 5) << "outside the used square";
    PTE_ClearBlendBuffer();
    EXPECT_EQ(bb(9, 0)[0], 0);
}

}  // namespace
