#include <array>
#include <vector>

#include "engine/pixels.h"
#include "support/engine_fixture.h"

using Pixels = EngineTest;

namespace {
using Px = std::array<uint16_t, 4>;

Px pixel(int32_t slot, int32_t x, int32_t y) {
    const engine::LayerSlot& l = engine::state().layers[slot];
    const uint16_t* p = l.pixels.data() + size_t(y) * size_t(l.rowLength) + size_t(x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

std::vector<uint8_t> solid_rgba32(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    std::vector<uint8_t> v;
    for (int i = 0; i < w * h; ++i) v.insert(v.end(), {r, g, b, a});
    return v;
}

// Partial coverage of a load, spelled out in 64 bits.
uint16_t weighed(uint64_t s8, uint64_t d, uint64_t cov) {
    return uint16_t((((s8 * 256 * cov) >> 8) + ((d * (65535 - cov)) >> 8)) >> 8);
}
}  // namespace

TEST(PixelRules, EightToSixteenAndBack) {
    struct Row { uint8_t v8; uint16_t v16; };
    for (auto [v8, v16] : {Row{0, 0}, Row{1, 256}, Row{128, 32768}, Row{255, 65280}}) {
        EXPECT_EQ(pixels::to16(v8), v16);
        EXPECT_EQ(pixels::to8(v16), v8);
    }
    EXPECT_EQ(pixels::to8(65535), 255);
    EXPECT_EQ(pixels::to8(255), 0);
}

TEST_F(Pixels, LoadWithoutWeighting) {
    make_image(3, 1, 1);
    PTE_SetLayer(2);
    const std::vector<uint8_t> src = {255, 128, 0, 255, 9, 9, 9, 0, 1, 2, 3, 4};
    set_px(2, 1, 0, 100, 100, 100, 100);
    PTE_LoadRGBA32(src.data(), 12, 0);
    EXPECT_EQ(pixel(2, 0, 0), (Px{65280, 32768, 0, 65280}));
    EXPECT_EQ(pixel(2, 1, 0), (Px{0, 0, 0, 0})) << "alpha 0 clears the whole pixel";
    EXPECT_EQ(pixel(2, 2, 0), (Px{256, 512, 768, 1024}));

    PTE_SetLayerOptions(2, 1, 1, 100, "Normal");
    set_px(2, 1, 0, 100, 100, 100, 100);
    PTE_LoadRGBA32(src.data(), 12, 0);
    EXPECT_EQ(pixel(2, 0, 0), (Px{65280, 32768, 0, 65280}));
    EXPECT_EQ(pixel(2, 1, 0), (Px{2304, 2304, 2304, 100})) << "keepAlpha writes colour only";
}

TEST_F(Pixels, LoadClipsAndOffsetsTheSource) {
    make_image(100, 3, 1);
    std::vector<uint8_t> src;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 50; ++x) src.insert(src.end(), {uint8_t(x), uint8_t(y), 7, 255});
    PTE_LoadRGBA32Layer(src.data(), 200, 2, -10, -2, 50, 5, 0);
    EXPECT_EQ(pixel(2, 0, 0)[0], 10 * 256) << "source column 10 lands on column 0";
    EXPECT_EQ(pixel(2, 0, 0)[1], 2 * 256) << "source row 2 lands on row 0";
    EXPECT_EQ(pixel(2, 39, 2)[0], 49 * 256);
    EXPECT_EQ(pixel(2, 40, 0)[3], 0) << "column 40 is past the source";
    // Entirely outside: nothing, and no read of the source.
    PTE_LoadRGBA32Layer(src.data(), 200, 2, 100, 0, 50, 5, 0);
    PTE_LoadRGBA32Layer(src.data(), 200, 2, -50, 0, 50, 5, 0);
    PTE_LoadRGBA32Layer(nullptr, 200, 2, 0, 0, 50, 5, 0);
    PTE_LoadRGBA32Layer(src.data(), 200, 9, 0, 0, 50, 5, 0);
    EXPECT_EQ(pixel(2, 0, 0)[0], 10 * 256);
}

TEST_F(Pixels, CoverageFromTextureAndMask) {
    make_image(4, 1, 1);
    pixels::Coverage none(st());
    st().maskActive = 0;
    EXPECT_FALSE(pixels::Coverage(st()).any());
    st().maskActive = 1;
    EXPECT_TRUE(none.any());
    st().mask.values[0] = 32768;
    st().mask.values[1] = 0;
    EXPECT_EQ(pixels::Coverage(st()).at(0, 0), 32767u) << "(65535 * 32768) >> 16";
    EXPECT_EQ(pixels::Coverage(st()).at(1, 0), 0u);
    EXPECT_EQ(pixels::Coverage(st()).at(2, 0), 65535u);
    ASSERT_TRUE(st().brush.texture.allocate(4));
    st().brush.texture[0] = 64;
    st().brush.texture[1] = 200;
    st().brush.texture[2] = 128;
    st().brush.texture[3] = 127;
    st().maskActive = 0;
    const pixels::Coverage tex(st());
    EXPECT_EQ(tex.at(0, 0), 32767u) << "(64 * 131070) >> 8";
    EXPECT_EQ(tex.at(1, 0), 65535u);
    EXPECT_EQ(tex.at(2, 0), 65535u);
    EXPECT_EQ(tex.at(3, 0), 65023u);
    EXPECT_EQ(tex.at(-1, 0), 65535u) << "outside the image nothing is masked";
    st().maskActive = 1;
    EXPECT_EQ(pixels::Coverage(st()).at(0, 0), (32767u * 32768u) >> 16) << "texture first, then mask";
}

TEST_F(Pixels, WeightedLoadRules) {
    make_image(4, 1, 1);
    PTE_SetLayer(2);
    for (int i = 0; i < 4; ++i) st().mask.values[size_t(i)] = 32768;
    st().mask.values[3] = 0;
    const uint32_t cov = 32767;
    set_px(2, 0, 0, 0, 0, 0, 0);           // transparent destination
    set_px(2, 1, 0, 1000, 2000, 3000, 40000);  // source alpha 0 over it
    set_px(2, 2, 0, 1000, 2000, 3000, 40000);  // both present
    set_px(2, 3, 0, 5, 5, 5, 5);           // not selected
    const std::vector<uint8_t> src = {200, 100, 50, 255, 200, 100, 50, 0, 200, 100, 50, 128, 1, 1, 1, 1};
    PTE_LoadRGBA32(src.data(), 16, 1);
    EXPECT_EQ(pixel(2, 0, 0), (Px{51200, 25600, 12800, uint16_t((255u * 256u * cov) >> 16)}));
    EXPECT_EQ(pixel(2, 1, 0), (Px{1000, 2000, 3000, uint16_t((40000u * (65535u - cov)) >> 16)}));
    EXPECT_EQ(pixel(2, 2, 0), (Px{weighed(200, 1000, cov), weighed(100, 2000, cov), weighed(50, 3000, cov),
                                  weighed(128, 40000, cov)}));
    EXPECT_EQ(pixel(2, 3, 0), (Px{5, 5, 5, 5}));
    // Without useMask the same load ignores the mask.
    PTE_LoadRGBA32(src.data(), 16, 0);
    EXPECT_EQ(pixel(2, 3, 0), (Px{256, 256, 256, 256}));
}

TEST_F(Pixels, EarlierLoadForms) {
    make_image(2, 1, 1);
    st().mask.values[0] = st().mask.values[1] = 32768;
    const uint32_t cov = 32767;
    const std::vector<uint8_t> src = {200, 100, 50, 0, 200, 100, 50, 0};
    // Without weighting an alpha-0 source pixel is copied, not cleared.
    PTE_LoadRGBA32Layer_GOOD(src.data(), 8, 2, 2, 1, 0);
    EXPECT_EQ(pixel(2, 0, 0), (Px{51200, 25600, 12800, 0}));
    set_px(2, 0, 0, 0, 0, 0, 0);
    set_px(2, 1, 0, 1000, 1000, 1000, 1000);
    PTE_LoadRGBA32Layer_GOOD(src.data(), 8, 2, 2, 1, 1);
    EXPECT_EQ(pixel(2, 0, 0)[0], weighed(200, 0, cov)) << "_GOOD blends even over a transparent pixel";
    EXPECT_EQ(pixel(2, 1, 0)[3], weighed(0, 1000, cov));
    set_px(2, 0, 0, 0, 0, 0, 0);
    set_px(2, 1, 0, 1000, 1000, 1000, 1000);
    PTE_LoadRGBA32Layer_GOOD2(src.data(), 8, 2, 2, 1, 1);
    EXPECT_EQ(pixel(2, 0, 0), (Px{51200, 25600, 12800, 0})) << "_GOOD2 takes the colour over transparency";
    EXPECT_EQ(pixel(2, 1, 0)[0], weighed(200, 1000, cov)) << "but has no alpha-0 source rule";
}

TEST_F(Pixels, ReadsTakeTheHighByte) {
    make_image(2, 2, 1);
    PTE_SetLayer(2);
    set_px(2, 0, 0, 65535, 256, 255, 0);
    set_px(2, 1, 1, 1, 2, 3, 0x8000);
    std::vector<uint8_t> out(16, 0xEE);
    EXPECT_EQ(PTE_GetRGBA32(out.data(), 8), 2);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 4), (std::vector<uint8_t>{255, 1, 0, 0}));
    EXPECT_EQ(out[15], 0x80);
    EXPECT_EQ(PTE_GetRGBA32Layer(out.data(), 8, 7), 0);
    std::vector<uint8_t> rgb(12, 0);
    PTE_GetRGB24(rgb.data(), 6);
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[1], 1);
    PTE_GetRGB24FromAlpha(rgb.data(), 6);
    EXPECT_EQ(rgb[9], 0x80);
    EXPECT_EQ(rgb[11], 0x80);
}

TEST_F(Pixels, LoadBgrAndRgb24) {
    make_image(2, 2, 1);
    PTE_SetLayer(2);
    const std::vector<uint8_t> bgr = {10, 20, 30, 40, 50, 60, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0};
    PTE_Load(bgr.data(), 8, 5, 1);
    EXPECT_EQ(pixel(2, 0, 0), (Px{7680, 5120, 2560, 65535}));
    EXPECT_EQ(pixel(2, 1, 0), (Px{60 * 256, 50 * 256, 40 * 256, 65535}));
    EXPECT_EQ(pixel(2, 0, 1)[3], 0) << "only min(height, image height) rows";

    set_px(2, 0, 1, 9, 9, 9, 0);
    const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    PTE_LoadRGB24ToAlpha(rgb.data(), 6, 0);
    EXPECT_EQ(pixel(2, 0, 0)[3], 256);
    EXPECT_EQ(pixel(2, 0, 1)[3], 0) << "transparent pixels keep alpha 0";
    PTE_LoadRGB24(rgb.data(), 6, 0);
    EXPECT_EQ(pixel(2, 1, 1), (Px{2560, 2816, 3072, 0})) << "alpha is never written";
}

TEST_F(Pixels, PremultiplyHelpers) {
    std::vector<uint8_t> p = {100, 0, 255, 128, 7, 8, 9, 0, 7, 8, 9, 255, 255, 255, 255, 1};
    PTE_AdjustRGBA32PreFilter(p.data(), 4, 1);
    EXPECT_EQ(std::vector<uint8_t>(p.begin(), p.begin() + 12),
              (std::vector<uint8_t>{50, 0, 128, 128, 7, 8, 9, 0, 7, 8, 9, 255}));
    EXPECT_EQ(p[12], 1) << "1/255 * 256";
    PTE_AdjustRGBA32PostFilter(p.data(), 4, 1);
    EXPECT_EQ(p[0], 99) << "trunc(255/128 * 50)";
    EXPECT_EQ(p[2], 255) << "clamped";
    EXPECT_EQ(p[12], 255);
    EXPECT_EQ(p[8], 7);
    PTE_CreateImage(nullptr, 1, 1, 8, 0);
    std::vector<uint8_t> q = {100, 50, 0, 255};
    PTE_AdjustRGBA32ForAlphaComp(0, q.data());
    EXPECT_EQ(q[0], 100);
    PTE_AdjustRGBA32ForAlphaComp(1, q.data());
    EXPECT_EQ(q[0], 100) << "alpha 255 divides by one";

    std::vector<uint16_t> w = {65535, 1000, 0, 32768, 5, 5, 5, 0, 40000, 40000, 40000, 65535};
    PTE_AdjustRGBA64PreFilter(w.data(), 3, 1);
    EXPECT_EQ(w[0], 32768);
    EXPECT_EQ(w[1], 500);
    EXPECT_EQ(w[4], 5);
    EXPECT_EQ(w[8], 40000);
    PTE_AdjustRGBA64PostFilter(w.data(), 3, 1);
    EXPECT_EQ(w[0], 65535) << "trunc(65535/32768 * 32768), clamped";
    EXPECT_EQ(w[1], 999);
}

TEST_F(Pixels, AdjustByMaskWeighsAlphaInsideTheImageOnly) {
    make_image(2, 2);
    st().mask.values[3] = 32768;
    std::vector<uint8_t> buf = solid_rgba32(3, 3, 1, 1, 1, 200);
    // The buffer lies at (-1, -1): its pixel (2, 2) is image pixel (1, 1).
    PTE_AdjustRGBA32RectByMaskAndTexture(buf.data(), -1, -1, 3, 3);
    EXPECT_EQ(buf[(2 * 3 + 2) * 4 + 3], uint8_t(32767.0 / 65535 * 200));
    EXPECT_EQ(buf[3], 200) << "outside the image untouched";
    st().maskActive = 0;
    PTE_AdjustRGBA32ByMaskAndTexture(buf.data(), 3, 3);
    EXPECT_EQ(buf[(2 * 3 + 2) * 4 + 3], 99) << "neither mask nor texture: nothing";
}

TEST_F(Pixels, FillsAndMaskedFills) {
    make_image(3, 1, 1);
    PTE_SetLayer(2);
    PTE_Clear(255, 1, 300, 0);
    EXPECT_EQ(pixel(2, 2, 0), (Px{65280, 256, 44 * 256, 0})) << "a value keeps its low byte";
    st().mask.values[0] = 65535;
    st().mask.values[1] = 32768;
    st().mask.values[2] = 0;
    set_px(2, 1, 0, 40000, 1000, 0, 7);
    PTE_ClearMasked(0, 0, 0, 0);
    EXPECT_EQ(pixel(2, 0, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(pixel(2, 1, 0), (Px{uint16_t(((40000u * 32767u) >> 8) >> 8), uint16_t(((1000u * 32767u) >> 8) >> 8), 0,
                                  65535}));
    EXPECT_EQ(pixel(2, 2, 0), (Px{65280, 256, 44 * 256, 0}));

    set_px(2, 0, 0, 0, 0, 0, 0);
    PTE_ClearMaskedAlpha(10, 20, 30, 255);
    EXPECT_EQ(pixel(2, 0, 0), (Px{2560, 5120, 7680, 65280}));
    EXPECT_EQ(pixel(2, 2, 0), (Px{65280, 256, 44 * 256, 0}));

    std::vector<uint16_t> b64(3 * 4, 0);
    PTE_ClearRGBA64(b64.data(), 24, 1, 2, 3, 65535);
    EXPECT_EQ(b64[11], 65535);
    std::vector<uint8_t> b32(4 * 4, 0);
    PTE_ClearRGBA32Buf(b32.data(), 2, 2, 9, 8, 7, 6);
    EXPECT_EQ(b32[15], 6);
    PTE_ClearRGBA32Buf(b32.data(), INT32_MAX, 1, 1, 1, 1, 1);
    PTE_ClearRGBA32Buf(b32.data(), -2, 1, 1, 1, 1, 1);
    EXPECT_EQ(b32[0], 9) << "a width no packed row can have fills nothing";
}

TEST_F(Pixels, MaskedAlphaFillOfALayerLargerThanTheImage) {
    make_image(3, 2, 1);
    ASSERT_EQ(PTE_CreateLayer(5, 6, 4), 1);
    PTE_SetLayer(5);
    PTE_Clear(0, 0, 0, 0);
    for (size_t i = 0; i < st().mask.values.size(); ++i) st().mask.values[i] = 65535;
    st().maskActive = 1;
    // The fill picture is image-sized; the layer's pixels beyond the image
    // are neither filled nor read from beyond the picture.
    PTE_ClearMaskedAlpha(10, 20, 30, 255);
    EXPECT_EQ(pixel(5, 2, 1), (Px{2560, 5120, 7680, 65280}));
    EXPECT_EQ(pixel(5, 3, 1), (Px{0, 0, 0, 0}));
    EXPECT_EQ(pixel(5, 0, 2), (Px{0, 0, 0, 0}));
}

TEST_F(Pixels, CompressedLayerRoundTripAndCorruptStreams) {
    make_image(16, 8, 2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) set_px(2, x, y, uint16_t(x * 4096), uint16_t(y * 8192), 0x1200, 0xFF00);
    std::vector<uint8_t> stream(16 * 8 * 8);
    const int32_t length = PTE_GetRGBA32LayerCompressed(stream.data(), 0, int32_t(stream.size()), 2, 9);
    ASSERT_GT(length, 0);
    EXPECT_EQ(PTE_GetRGBA32LayerCompressed(stream.data(), 0, 4, 2, 9), 0) << "too small a destination";
    PTE_LoadRGBA32LayerCompressed(stream.data(), 0, length, 3);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(pixel(3, x, y), pixel(2, x, y)) << x << "," << y;
    // A truncated or damaged stream changes nothing.
    PTE_Clear(0, 0, 0, 0);
    PTE_SetLayer(3);
    PTE_Clear(1, 1, 1, 1);
    PTE_LoadRGBA32LayerCompressed(stream.data(), 0, length / 2, 3);
    EXPECT_EQ(pixel(3, 0, 0), (Px{256, 256, 256, 256}));
    stream[10] ^= 0xFF;
    PTE_LoadRGBA32LayerCompressed(stream.data(), 0, length, 3);
    EXPECT_EQ(pixel(3, 5, 5), (Px{256, 256, 256, 256}));
}

TEST_F(Pixels, RunLengthLines) {
    make_image(300, 2, 1);
    for (int x = 0; x < 300; ++x) set_px(2, x, 1, 0x1200, 0x3400, 0x5600, x < 260 ? 0xFF00 : 0);
    std::vector<uint8_t> line(5 * 300);
    EXPECT_EQ(PTE_GetRGBA32LayerLineRLE(line.data(), 2, 1), 15) << "255 + 5 opaque, 40 transparent";
    PTE_PutRGBA32LayerLineRLE(line.data(), 2, 0);
    for (int x = 0; x < 300; x += 37) ASSERT_EQ(pixel(2, x, 0), pixel(2, x, 1));
    EXPECT_EQ(PTE_GetRGBA32LayerLineRLE(line.data(), 2, 2), 0) << "row outside the image";
    EXPECT_EQ(PTE_GetRGBA32LayerLineRLE(line.data(), 5, 0), 0) << "layer without pixels";

    std::vector<uint8_t> mline(2 * 300);
    EXPECT_EQ(PTE_GetMaskLineRLE(mline.data(), 0), 4);
    const uint8_t zeros[] = {255, 0, 45, 0};
    PTE_PutMaskLineRLE(zeros, 1);
    EXPECT_EQ(st().mask.values[300 + 299], 0);
    EXPECT_EQ(st().mask.values[299], 65535);
    PTE_PutMaskLineRLE(zeros, -1);
    PTE_PutMaskLineRLE(zeros, 2);
}

TEST_F(Pixels, RectReadsAndRawCopies) {
    make_image(4, 3, 2);
    set_px(2, 3, 2, 1, 2, 3, 4);
    std::vector<uint16_t> rect(2 * 2 * 4, 7);
    PTE_GetRGBA64LayerRect(rect.data(), 16, 2, 2, 1, 2, 2);
    EXPECT_EQ(rect[12], 1);
    EXPECT_EQ(rect[15], 4);
    // A rectangle crossing the edge reads only what lies inside the layer.
    std::fill(rect.begin(), rect.end(), 7);
    PTE_GetRGBA64LayerRect(rect.data(), 16, 2, 3, 2, 2, 2);
    EXPECT_EQ(rect[0], 1);
    EXPECT_EQ(rect[4], 7);
    EXPECT_EQ(rect[8], 7);

    std::vector<uint16_t> all(4 * 3 * 4);
    PTE_GetLayerData(all.data(), 2);
    EXPECT_EQ(all[(2 * 4 + 3) * 4 + 3], 4);
    PTE_SetLayerData(all.data(), 3);
    EXPECT_EQ(pixel(3, 3, 2)[3], 4);
    PTE_CopyLayerData(1, 3);
    EXPECT_EQ(pixel(3, 3, 2)[3], 65535);
    PTE_SetRGBA64Layer(all.data(), 32, 3);
    EXPECT_EQ(pixel(3, 3, 2)[0], 1);
}

TEST_F(Pixels, ConversionsBetweenHostBuffers) {
    std::vector<uint16_t> src;
    for (int i = 0; i < 12; ++i) src.insert(src.end(), {uint16_t(i << 8), 0x1FF, 0xFFFF, 0x80FF});
    std::vector<uint8_t> out(2 * 2 * 4);
    // Rectangle (1, 1) of a 4-pixel-wide source: pixels 5, 6, 9, 10.
    PTE_RGBA64RectToRGBA32(src.data(), 1, 1, 2, 2, 4, 0, out.data());
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[4], 6);
    EXPECT_EQ(out[8], 9);
    EXPECT_EQ(out[15], 0x80);
    std::vector<uint8_t> rgb(2 * 2 * 3);
    PTE_RGBA64RectToRGBA24(src.data(), 1, 1, 2, 2, 4, 0, rgb.data());
    EXPECT_EQ(rgb[9], 10);
    EXPECT_EQ(rgb[10], 1);
    // x and y move neither pointer: the first pixels are read.
    PTE_GetRGBA32FromRGBA64Rect(out.data(), 8, src.data(), 32, 1, 1, 2, 2);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[8], 4);
    PTE_GetRGBA32FromRGBA64Rect(nullptr, 8, src.data(), 32, 0, 0, 2, 2);
}
