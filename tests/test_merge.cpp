#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "engine/merge.h"
#include "support/engine_fixture.h"
#include "support/reference_blend.h"

namespace {

class Merge : public EngineTest {
protected:
    static void fill_random(int slot, uint32_t seed) {
        std::mt19937 rng(seed);
        engine::LayerSlot& l = st().layers[slot];
        static constexpr uint16_t kAlphas[] = {0, 255, 256, 32768, 65280, 65535};
        for (size_t i = 0; i < l.pixels.size(); i += 4) {
            for (int c = 0; c < 3; ++c) l.pixels[i + size_t(c)] = uint16_t(rng() % 65281);
            l.pixels[i + 3] = rng() % 2 ? kAlphas[rng() % 6] : uint16_t(rng());
        }
    }
    static std::vector<uint16_t> copy_of(int slot) {
        const engine::LayerSlot& l = st().layers[slot];
        return {l.pixels.data(), l.pixels.data() + l.pixels.size()};
    }
    static const uint16_t* at(const std::vector<uint16_t>& v, int w, int x, int y) {
        return &v[(size_t(y) * size_t(w) + size_t(x)) * 4];
    }
    // Slot `slot` flattened the slow way: zero, the background copied, every
    // visible layer above blended with its mask layer.
    static std::vector<uint16_t> reference_flatten(int x, int y, int w, int h) {
        const engine::EngineState& s = st();
        std::vector<uint16_t> out(size_t(w) * size_t(h) * 4, 0);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                uint16_t* d = &out[(size_t(j) * size_t(w) + size_t(i)) * 4];
                const size_t p = (size_t(y + j) * size_t(s.imageWidth) + size_t(x + i)) * 4;
                if (s.layers[1].visible == 1)
                    for (int c = 0; c < 4; ++c) d[c] = s.layers[1].pixels[p + size_t(c)];
                for (int n = 2; n < 64; ++n) {
                    const engine::LayerSlot& l = s.layers[n];
                    if (!l.has_pixels() || !l.visible) continue;
                    const uint16_t* m = nullptr;
                    if (n < s.topLayer && n + 1 < 64 && s.layers[n + 1].mode == 38 && s.layers[n + 1].has_pixels() &&
                        s.layers[n + 1].visible)
                        m = s.layers[n + 1].pixels.data() + p;
                    ref::blend(d, l.pixels.data() + p, m, l.mode, l.opacity, false);
                }
            }
        return out;
    }
    static void set_changed_area(int left, int top, int right, int bottom) {
        engine::LayerSlot& paint = st().paintLayer;
        paint.changedLeft = left;
        paint.changedTop = top;
        paint.changedRight = right;
        paint.changedBottom = bottom;
    }
    // Opaque red in the first `pixels` pixels of the stroke's top row, which is its changed area.
    static void paint_red(int pixels) {
        for (int x = 0; x < pixels; ++x) {
            uint16_t* p = st().paintLayer.pixels.data() + x * 4;
            p[0] = 65280;
            p[3] = 65535;
        }
        set_changed_area(0, 0, pixels, 1);
    }
    static void expect_within_one(const std::vector<uint16_t>& want, const std::vector<uint16_t>& got,
                                  const char* what) {
        ASSERT_EQ(want.size(), got.size());
        for (size_t i = 0; i < want.size(); ++i)
            ASSERT_LE(std::abs(int(want[i]) - int(got[i])), 1) << what << " pixel " << i / 4 << " channel " << i % 4;
    }
};

}  // namespace

TEST_F(Merge, StrokeMergesItsChangedAreaAndClearsThePaintLayer) {
    make_image(23, 11, 2);
    fill_random(2, 1);
    PTE_SetLayer(2);
    PTE_CreatePaintLayer(70, "Overlay");
    engine::LayerSlot& paint = st().paintLayer;
    std::mt19937 rng(2);
    for (size_t i = 0; i < paint.pixels.size(); ++i) paint.pixels[i] = uint16_t(rng());
    set_changed_area(3, 2, 17, 9);
    const std::vector<uint16_t> stroke(paint.pixels.data(), paint.pixels.data() + paint.pixels.size());
    auto want = copy_of(2);
    for (int y = 2; y < 9; ++y)
        for (int x = 3; x < 17; ++x) {
            const size_t p = (size_t(y) * 23 + size_t(x)) * 4;
            ref::blend(&want[p], &stroke[p], nullptr, 8, 179, false);
        }
    PTE_MergePaintLayer(2);
    expect_within_one(want, copy_of(2), "stroke");
    for (size_t i = 0; i < paint.pixels.size(); ++i) ASSERT_EQ(paint.pixels[i], 0);
    EXPECT_EQ(paint.changedLeft, 23);
    EXPECT_EQ(paint.changedBottom, 0);
}

TEST_F(Merge, EmptyChangedAreaMergesNothingButClears) {
    make_image(8, 8, 1);
    fill_random(2, 3);
    PTE_CreatePaintLayer(100, "Normal");
    engine::LayerSlot& paint = st().paintLayer;
    paint.pixels.fill_bytes(0x7F);
    const auto before = copy_of(2);
    for (const auto& area : {std::array<int, 4>{5, 1, 5, 7}, {1, 6, 7, 6}, {8, 8, 0, 0}}) {
        paint.pixels.fill_bytes(0x7F);
        set_changed_area(area[0], area[1], area[2], area[3]);
        PTE_MergePaintLayer(2);
        EXPECT_EQ(copy_of(2), before);
        EXPECT_EQ(paint.pixels[0], 0) << "cleared all the same";
    }
    // A changed area beyond the image is held to it; a missing layer merges nothing.
    paint.pixels.fill_bytes(0x7F);
    set_changed_area(-5, -5, 100, 100);
    PTE_MergePaintLayer(2);
    EXPECT_NE(copy_of(2), before);
    for (const int index : {-1, 64, 1000, 5}) PTE_MergePaintLayer(index);
}

TEST_F(Merge, MaskLayerAboveWeakensTheStroke) {
    make_image(6, 2, 3);
    PTE_SetLayerOptions(4, 1, 0, 100, "Layer Mask");  // topLayer is 4 now
    set_px(4, 0, 0, 32768, 32768, 32768, 65535);     // half luminance
    set_px(4, 1, 0, 32768, 32768, 32768, 0);         // no alpha: no weakening
    PTE_SetLayer(3);
    PTE_CreatePaintLayer(100, "Normal");
    paint_red(2);
    PTE_MergePaintLayer(3);
    EXPECT_EQ(px(3, 0, 0, 3), (32768u * 65535u) >> 16) << "onto transparent: the weakened alpha";
    EXPECT_EQ(px(3, 1, 0, 3), 65535);

    // A hidden mask layer, or one at or above topLayer's reach, does nothing.
    for (const bool hidden : {true, false}) {
        set_px(3, 0, 0, 0, 0, 0, 0);
        if (hidden) {
            PTE_SetLayerOptions(4, 0, 0, 100, "Layer Mask");
        } else {
            PTE_SetLayerOptions(4, 1, 0, 100, "Layer Mask");
            st().topLayer = 3;
        }
        paint_red(1);
        PTE_MergePaintLayer(3);
        EXPECT_EQ(px(3, 0, 0, 3), 65535) << (hidden ? "hidden" : "above topLayer");
    }
}

TEST_F(Merge, LayerIntoLayerFollowsTheRules) {
    make_image(19, 7, 3);
    for (int n = 1; n <= 4; ++n) fill_random(n, uint32_t(n) * 7);
    PTE_SetLayerOptions(2, 1, 0, 100, "Multiply");
    PTE_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    auto want = copy_of(1);
    const auto top = copy_of(2), mask = copy_of(3);
    for (size_t p = 0; p < want.size(); p += 4) ref::blend(&want[p], &top[p], &mask[p], 1, 256, false);
    PTE_MergeLayer(2, 1);
    expect_within_one(want, copy_of(1), "Multiply with a mask layer");

    // Multiply over opaque pixels by opaque ones multiplies them.
    set_px(1, 0, 0, 65280, 32768, 1000, 65535);
    set_px(4, 0, 0, 32640, 65280, 0, 65535);
    PTE_SetLayerOptions(4, 1, 0, 100, "Multiply");
    PTE_MergeLayer(4, 1);
    EXPECT_NEAR(px(1, 0, 0, 0), 32640, 1);
    EXPECT_NEAR(px(1, 0, 0, 1), 32768, 1);
    EXPECT_EQ(px(1, 0, 0, 2), 0);

    const auto before = copy_of(1);
    for (const auto& pair : {std::array<int, 2>{-1, 1}, {2, 64}, {70, 70}, {9, 1}}) PTE_MergeLayer(pair[0], pair[1]);
    EXPECT_EQ(copy_of(1), before) << "missing layers and bad indices merge nothing";
}

TEST_F(Merge, FlattenedStackMatchesTheRules) {
    make_image(21, 13, 5);
    for (int n = 1; n <= 6; ++n) fill_random(n, uint32_t(n) * 31);
    PTE_SetLayerOptions(1, 1, 0, 50, "Multiply");  // the background is copied: no opacity, no mode
    PTE_SetLayerOptions(2, 1, 0, 80, "Screen");
    PTE_SetLayerOptions(3, 1, 0, 100, "Texturize3");  // merged, unlike in the display
    PTE_SetLayerOptions(4, 1, 0, 60, "Alpha Smooth Lum4");
    PTE_SetLayerOptions(5, 1, 0, 100, "Layer Mask");
    PTE_SetLayerOptions(6, 0, 0, 100, "Normal");  // hidden
    std::vector<uint16_t> got(size_t(21) * 13 * 4, 0x5555);
    PTE_Merge(got.data());
    expect_within_one(reference_flatten(0, 0, 21, 13), got, "whole image");

    std::vector<uint16_t> part(size_t(6) * 4 * 4, 0x5555);
    PTE_MergeRect(part.data(), 14, 8, 6, 4);
    expect_within_one(reference_flatten(14, 8, 6, 4), part, "rectangle");
}

TEST_F(Merge, BackgroundAloneComesBackExactly) {
    make_image(9, 5, 1);
    fill_random(1, 9);
    PTE_SetLayerOptions(1, 1, 0, 30, "Screen");
    PTE_SetLayerOptions(2, 0, 0, 100, "Normal");
    std::vector<uint16_t> got(size_t(9) * 5 * 4);
    PTE_Merge(got.data());
    EXPECT_EQ(got, copy_of(1));
    PTE_SetLayerOptions(1, 0, 0, 100, "Normal");
    PTE_Merge(got.data());
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](uint16_t v) { return v == 0; }));
    PTE_SetLayerOptions(1, 2, 0, 100, "Normal");
    PTE_Merge(got.data());
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](uint16_t v) { return v == 0; }))
        << "the background is copied only when its flag is exactly 1";
    ASSERT_EQ(PTE_CreateLayer(1, 3, 3), 1);
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_Merge(got.data());
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](uint16_t v) { return v == 0; }))
        << "a background of another size is skipped";
}

TEST_F(Merge, RectanglesLeavingTheLayerAreClipped) {
    make_image(10, 6, 1);
    fill_random(2, 4);
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    const int w = 7, h = 5;
    std::vector<uint16_t> got(size_t(w) * h * 4);
    for (size_t i = 0; i < got.size(); i += 4) got[i + 3] = 0;
    std::fill(got.begin(), got.end(), 0);
    PTE_MergeLayerIntoRect(2, got.data(), 6, -2, w, h);  // columns 6..12, rows -2..2
    const auto layer = copy_of(2);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const uint16_t* g = &got[(size_t(j) * w + size_t(i)) * 4];
            const int x = 6 + i, y = -2 + j;
            if (x >= 10 || y < 0) {
                EXPECT_EQ(g[3], 0) << "outside the layer: untouched";
                continue;
            }
            uint16_t want[4] = {0, 0, 0, 0};
            ref::blend(want, at(layer, 10, x, y), nullptr, 0, 256, false);
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(g[c], want[c], 1);
        }
    std::vector<uint16_t> one(4, 9);
    PTE_MergeRect(one.data(), 50, 50, 1, 1);
    EXPECT_EQ(one, std::vector<uint16_t>(4, 0)) << "outside the image: zero";
    PTE_MergeRect(nullptr, 0, 0, 4, 4);
    PTE_MergeLayerIntoRect(2, nullptr, 0, 0, 4, 4);
    PTE_MergeLayerInto(-3, got.data());
    PTE_Merge(nullptr);
}

TEST_F(Merge, ColourAtMergedReadsAsTheColourPickers) {
    make_image(4, 4, 1);
    PTE_SetLayerOptions(1, 0, 0, 100, "Normal");
    EXPECT_EQ(PTE_GetColorAtMerged(1, 1), -1) << "nothing visible: transparent";
    set_px(2, 2, 1, 65280, 0, 0, 65535);
    EXPECT_EQ(PTE_GetColorAtMerged(2, 1), 0xFF0000);
    set_px(2, 3, 1, 65280, 32768, 255, 255);
    EXPECT_EQ(PTE_GetColorAtMerged(3, 1), -1) << "alpha below 256";
    set_px(2, 3, 1, 65280, 32768, 255, 256);
    EXPECT_EQ(PTE_GetColorAtMerged(3, 1), 0xFF8000);
    EXPECT_EQ(PTE_GetColorAtMerged(-1, 0), -1) << "outside the image";
    EXPECT_EQ(PTE_GetColorAtMerged(4, 0), -1);
}

TEST_F(Merge, EarlierLoadMergesAtOpacity255) {
    make_image(6, 4, 1);
    PTE_SetLayer(2);
    std::vector<uint8_t> src(size_t(6) * 4 * 4, 0);
    for (size_t i = 0; i < src.size(); i += 4) {
        src[i] = 200;
        src[i + 1] = 100;
        src[i + 3] = 255;
    }
    PTE_LoadRGBA32Layer_BAD(src.data(), 0, 2, 6, 4, 0);
    EXPECT_EQ(px(2, 5, 3, 3), 65025) << "(65280 * 255) >> 8";
    EXPECT_EQ(px(2, 5, 3, 0), 200 * 256);

    // With the mask: the source's alpha is weighed in place first, and the
    // current layer is cleared where the mask allows.
    engine::OwnedBuffer<uint16_t>& mask = st().mask.values;
    for (size_t i = 0; i < mask.size(); ++i) mask[i] = 65535;
    mask[0] = 0;
    mask[1] = 32768;
    set_px(2, 0, 0, 1, 2, 3, 4);
    PTE_LoadRGBA32Layer_BAD(src.data(), 0, 2, 6, 4, 1);
    EXPECT_EQ(src[3], 0);
    EXPECT_EQ(src[7], uint8_t(32768.0 / 65535 * 255));
    EXPECT_EQ(px(2, 0, 0, 3), 4) << "protected: neither cleared nor merged";

    // keepAlpha of the layer is honoured; a smaller picture touches only its own rows and columns.
    PTE_SetLayerOptions(2, 1, 1, 100, "Normal");
    PTE_EnableMask(0);
    set_px(2, 0, 0, 0, 0, 0, 0);
    std::vector<uint8_t> small(size_t(2) * 2 * 4, 255);
    PTE_LoadRGBA32Layer_BAD(small.data(), 0, 2, 2, 2, 0);
    EXPECT_EQ(px(2, 0, 0, 0), 65280) << "the cleared layer takes the colour";
    EXPECT_EQ(px(2, 0, 0, 3), 0) << "keepAlpha";
    EXPECT_EQ(px(2, 2, 0, 0), 0) << "beyond the picture: cleared only";
    PTE_LoadRGBA32Layer_BAD(nullptr, 0, 2, 2, 2, 0);
    PTE_LoadRGBA32Layer_BAD(small.data(), 0, 64, 2, 2, 0);
}

TEST_F(Merge, ImagePictureIntoLayer) {
    // The picture is widened a piece of columns at a time: widths inside one
    // piece, on its edge and across several, each pixel checked on its own.
    struct Size { int32_t w, h; };
    for (const Size size : {Size{5, 3}, Size{256, 2}, Size{257, 2}, Size{600, 2}}) {
        SCOPED_TRACE(size.w);
        make_image(size.w, size.h, 1);
        fill_random(2, uint32_t(12 + size.w));
        std::vector<uint8_t> picture(size_t(size.w) * size_t(size.h) * 4);
        std::mt19937 rng(uint32_t(8 + size.w));
        for (uint8_t& b : picture) b = uint8_t(rng());
        for (const bool keep : {false, true}) {
            auto want = copy_of(2);
            for (size_t p = 0; p < want.size(); p += 4) {
                const uint16_t s[4] = {uint16_t(picture[p] << 8), uint16_t(picture[p + 1] << 8),
                                       uint16_t(picture[p + 2] << 8), uint16_t(picture[p + 3] << 8)};
                ref::blend(&want[p], s, nullptr, 2, 200, keep);
            }
            merge::merge_rgba32_image(st(), picture.data(), st().layers[2], {2, 200, keep});
            expect_within_one(want, copy_of(2), keep ? "keepAlpha" : "alpha written");
        }
    }
    // A layer of another size is left alone.
    ASSERT_EQ(PTE_CreateLayer(3, 2, 2), 1);
    std::vector<uint8_t> picture(size_t(600) * 2 * 4, 200);
    merge::merge_rgba32_image(st(), picture.data(), st().layers[3], {});
    EXPECT_EQ(px(3, 1, 1, 0), 0);
}

TEST_F(Merge, PictureNarrowerThanTheLayerKeepsItsRows) {
    // A picture of 300 x 2 with rows 1300 bytes apart over a 400 x 3 layer:
    // rows come from the stride, columns past the picture stay as they were.
    make_image(400, 3, 1);
    fill_random(2, 77);
    const auto before = copy_of(2);
    const int64_t stride = 1300;
    std::vector<uint8_t> picture(size_t(stride) * 2, 0);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = uint8_t(i * 7 + 3);
    merge::merge_rgba32(st(), picture.data(), stride, 300, 2, st().layers[2], {0, 256, false});
    const auto got = copy_of(2);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 400; ++x) {
            const uint16_t* g = at(got, 400, x, y);
            const uint16_t* b = at(before, 400, x, y);
            if (y >= 2 || x >= 300) {
                ASSERT_TRUE(std::equal(g, g + 4, b)) << "outside the picture at " << x << "," << y;
                continue;
            }
            uint16_t want[4] = {b[0], b[1], b[2], b[3]};
            const uint8_t* p = &picture[size_t(y * stride + x * 4)];
            const uint16_t s[4] = {uint16_t(p[0] << 8), uint16_t(p[1] << 8), uint16_t(p[2] << 8), uint16_t(p[3] << 8)};
            ref::blend(want, s, nullptr, 0, 256, false);
            for (int c = 0; c < 4; ++c) ASSERT_LE(std::abs(int(want[c]) - int(g[c])), 1) << x << "," << y << " c" << c;
        }
}
