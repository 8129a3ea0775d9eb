// Tips, grit patterns and blob paint against references written from the rules.
#include <cmath>
#include <vector>

#include "support/engine_fixture.h"
#include "support/reference_random.h"

namespace {

using Tip = EngineTest;

uint16_t disc_value(int S, int x, int y, int softness, bool invert, float strength) {
    const double R = S * 0.5, F = R * softness / 255.0, inner = R - F;
    const int K = S / 2;
    const int d = int(std::sqrt(double((x - K) * (x - K) + (y - K) * (y - K))));
    if (d > R) return 0;
    double m = 65535;
    if (softness > 0 && d > inner) m = std::min(65535.0, std::max(0.0, 65535 * (F - (d - inner)) / F));
    if (invert) m = std::trunc(65535 - m);
    const double v = m * strength;
    return uint16_t(v < 0 ? 0 : v > 65535 ? 65535 : int(v));
}

TEST_F(Tip, DiscFollowsRadiusSoftnessInversionAndStrength) {
    struct Row {
        int S, softness;
        bool invert;
        float strength;
    };
    const int T = 24;
    for (auto [S, softness, invert, strength] : {Row{1, 0, false, 1}, Row{2, 0, false, 1}, Row{7, 0, false, 1},
                                                 Row{8, 128, false, 1}, Row{24, 255, false, 1}, Row{15, 60, true, 1},
                                                 Row{11, 0, false, 0.5f}, Row{9, 200, true, 0.3f}}) {
        reset_engine();
        make_image(4, 4, 0, T);
        // A tip bigger than before must be cleared where the new one is smaller.
        st().brush.tipAlpha.fill_bytes(0x5A);
        PTE_SetSize(S);
        PTE_SetTool(strength, 0, 0, 0, uint8_t(softness), 0, 0, 0, 0, 0, 0, uint8_t(invert), 0, "", "x", 0);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                const uint16_t want = (x < S && y < S) ? disc_value(S, x, y, softness, invert, strength) : 0;
                ASSERT_EQ(st().brush.tipAlpha[size_t(y * T + x)], want) << S << " " << x << "," << y;
            }
    }
    // S = 1: the one pixel is whole. Softness 255 falls from the centre to 0 at R.
    reset_engine();
    make_image(4, 4, 0, 16);
    PTE_SetSize(1);
    PTE_SetBrushShape("", 0);
    EXPECT_EQ(st().brush.tipAlpha[0], 0) << "tip strength is 0 until the tool is set";
    PTE_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, 0);
    EXPECT_EQ(st().brush.tipAlpha[0], 65535);
    PTE_SetSize(16);
    PTE_SetTool(1.0f, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
    EXPECT_EQ(st().brush.tipAlpha[8 * 16 + 8], 65535);
    EXPECT_EQ(st().brush.tipAlpha[8 * 16 + 0], 0) << "d = 8 = R: the edge";
}

// The image's tables as the rules build them, from seed 0.
std::vector<uint8_t> table(int modulus) {
    Lcg g{0};
    std::vector<uint8_t> t(1000000);
    for (auto& v : t) v = uint8_t(g.next() % modulus);
    return t;
}

// The 20 patterns, reading the tables on from their start at the end.
std::vector<std::vector<uint8_t>> grit_patterns(int seed, int T, int S, int n, int blockThreshold, int pixelThreshold) {
    static const std::vector<uint8_t> A = table(255), B = table(254);
    Lcg g{uint32_t(seed)};
    std::vector<std::vector<uint8_t>> out;
    const int64_t len = 1000000, extent = S + 25;
    for (int k = 0; k < 20; ++k) {
        std::vector<uint8_t> p(size_t((T + 25) * (T + 25)), 255);
        for (int64_t row = 0; row < extent; row += n) {
            int64_t a = (int64_t(g.next()) * ((1000000 - 2 * int64_t(n)) / 32767)) % len;
            int64_t b = (int64_t(g.next()) * ((1000000 - int64_t(n)) / 32767)) % len;
            if (a < 0) a += len;
            if (b < 0) b += len;
            for (int64_t col = 0; col < extent; col += n) {
                const int blockByte = A[size_t(a)];
                a = (a + 1) % len;
                if (blockByte >= blockThreshold) continue;
                const uint8_t value = B[size_t(b)];
                b = (b + 1) % len;
                // Positions past the pattern consume no byte.
                for (int64_t i = 0; i < n && row + i < extent; ++i)
                    for (int64_t j = 0; j < n && col + j < extent; ++j) {
                        const int pixelByte = A[size_t(a)];
                        a = (a + 1) % len;
                        if (pixelByte < pixelThreshold) p[size_t((row + i) * T + col + j)] = value;
                    }
            }
        }
        out.push_back(std::move(p));
    }
    return out;
}

TEST_F(Tip, GritPatternsComeFromTheTablesInOrder) {
    struct Row {
        int T, S, n, blockThreshold, pixelThreshold, seed;
    };
    // 600000: the block's reading starts below the table and wraps to its end.
    for (auto [T, S, n, bt, pt, seed] : {Row{16, 16, 1, 128, 200, 5}, Row{20, 13, 3, 255, 255, 99},
                                         Row{16, 10, 7, 60, 90, -3}, Row{12, 12, 600000, 255, 128, 42},
                                         Row{40, 40, 100, 200, 250, 7}}) {
        reset_engine();
        make_image(4, 4, 0, T);
        PTE_SetSize(S);
        PTE_SetRandomSeed(seed);
        PTE_SetTool(1.0f, n, bt, pt, 0, 0, 9, 0, 0, 0, 0, 0, 0, "", "", 0);
        const auto want = grit_patterns(seed, T, S, n, bt, pt);
        for (int k = 0; k < 20; ++k)
            ASSERT_EQ(std::vector<uint8_t>(st().brush.tipBuffers[size_t(k)].data(),
                                           st().brush.tipBuffers[size_t(k)].data() + want[size_t(k)].size()),
                      want[size_t(k)])
                << "n " << n << " pattern " << k;
        EXPECT_EQ(st().brush.currentTip, st().brush.tipBuffers[19].data());
        EXPECT_EQ(st().brush.drawingCountdown, 9);
    }
}

TEST_F(Tip, NoBlocksLeaveEveryPatternUnpainted) {
    for (int n : {5, -4}) {
        reset_engine();
        make_image(8, 8, 0, 16);
        PTE_SetSize(16);
        PTE_SetTool(1.0f, n, n > 0 ? 0 : 255, 255, 0, 0, 1, 0, 0, 0, 0, 0, 0, "", "", 0);
        for (const auto& p : st().brush.tipBuffers)
            for (size_t i = 0; i < p.size(); ++i) ASSERT_EQ(p[i], 255) << n;
        // No density up to 255 lets a byte of 255 through.
        PTE_SetLayer(1);
        PTE_SetDensity(255);
        PTE_DrawDabGrit(4, 4, 0, 0, 0);
        EXPECT_EQ(px(1, 4, 4, 0), 65535) << n;
    }
}

TEST_F(Tip, ToolSetUpBeforeAnImageReportsAndKeepsTheRest) {
    PTE_SetLastError("");
    PTE_SetEraseModeOn();
    PTE_SetTool(1.0f, 3, 100, 100, 0, 0, 1, 80, 0, 0, 0, 0, 0, "", "", 0);
    EXPECT_STREQ(PTE_GetLastError(), "SetTool Excpt");
    EXPECT_EQ(st().brush.blendStrength, 80) << "stored before the fault";
    EXPECT_EQ(st().brush.blendStrengthRest, 0) << "the rest is not refreshed";
    EXPECT_EQ(st().brush.eraseModeOn, 1) << "the one-dab flags are not cleared";
    PTE_SetLastError("");
    PTE_SetTool(1.0f, 0, 0, 0, 0, 0, 1, 80, 0, 0, 0, 0, 0, "", "", 0);
    EXPECT_STREQ(PTE_GetLastError(), "");
    EXPECT_EQ(st().brush.blendStrengthRest, 176);
    EXPECT_EQ(st().brush.eraseModeOn, 0);
}

TEST_F(Tip, BlobPaintFollowsLuminance) {
    make_image(4, 1, 1);
    struct Row {
        uint16_t r, g, b, a;
    };
    const Row pixels[] = {{0, 0, 0, 65535}, {65535, 65535, 65535, 65535}, {30000, 10000, 2000, 8192},
                          {50000, 60000, 40000, 8191}};
    for (int mode : {0, 1}) {
        for (int x = 0; x < 4; ++x) set_px(2, x, 0, pixels[x].r, pixels[x].g, pixels[x].b, pixels[x].a);
        PTE_CreateBlobFromImage(2, mode);
        for (int x = 0; x < 4; ++x) {
            const Row& p = pixels[x];
            const int h = (p.r + p.g + p.b) / 3;
            const int alpha = p.a > 8191 ? int(h * 0.843 + 10239) : p.a;
            EXPECT_EQ(px(2, x, 0, 3), alpha) << mode << " " << x;
            const uint16_t in[3] = {p.r, p.g, p.b};
            for (int c = 0; c < 3; ++c) {
                int want = 32767;
                if (mode == 1) {
                    const double v = in[c];
                    want = h < 32767 ? int((65535 - v) * ((32767.0 - h) / 65534.0) + v)
                                     : int(v - v * ((h - 32767.0) / 65534.0));
                }
                EXPECT_EQ(px(2, x, 0, c), want) << mode << " " << x << " " << c;
            }
        }
    }
    PTE_CreateBlobFromImage(64, 0);
    PTE_CreateBlobFromImage(-1, 1);
}

}  // namespace
