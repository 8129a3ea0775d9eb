// Whole-layer reads and unmasked loads over widths around the four- and
// sixteen-value steps of their row loops, against the conversion rules.
#include <random>
#include <vector>

#include "support/engine_fixture.h"

namespace {

class PixelRows : public EngineTest {};

TEST_F(PixelRows, ReadsTakeTheHighByteAtEveryWidth) {
    std::mt19937 gen(4);
    for (const int32_t w : {1, 3, 4, 5, 15, 16, 17, 33}) {
        reset_engine();
        make_image(w, 3);
        auto& l = st().layers[1];
        for (size_t i = 0; i < l.pixels.size(); ++i) l.pixels[i] = uint16_t(gen());
        std::vector<uint8_t> out(size_t(w) * 3 * 4 + 8, 0xEE);
        ASSERT_EQ(PTE_GetRGBA32(out.data(), w * 4 + 8 / 3), 3);
        const int32_t stride = w * 4 + 8 / 3;
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t i = 0; i < w * 4; ++i)
                ASSERT_EQ(out[size_t(y * stride + i)], l.pixels[size_t(y * w * 4 + i)] >> 8) << w << " " << y << " " << i;
    }
}

TEST_F(PixelRows, WholeLoadsWidenEveryChannelAndClearTransparentPixels) {
    std::mt19937 gen(9);
    for (const int32_t w : {1, 2, 3, 4, 5, 7, 8, 9, 31}) {
        reset_engine();
        make_image(w, 2);
        PTE_EnableMask(0);
        std::vector<uint8_t> in(size_t(w) * 2 * 4);
        for (uint8_t& b : in) b = uint8_t(gen());
        for (size_t i = 3; i < in.size(); i += 12) in[i] = 0;  // every third pixel transparent
        PTE_LoadRGBA32(in.data(), w * 4, 1);
        const auto& l = st().layers[1];
        for (size_t p = 0; p < in.size() / 4; ++p)
            for (size_t c = 0; c < 4; ++c)
                ASSERT_EQ(l.pixels[p * 4 + c], in[p * 4 + 3] == 0 ? 0 : in[p * 4 + c] * 256) << w << " pixel " << p;
    }
}

}  // namespace
