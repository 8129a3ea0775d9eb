// Whole-image geometry through the exports: every layer rebuilt, the
// tracing layer left alone, keepAlpha honoured, bad input refused.
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/imglib/resample.h"
#include "support/engine_fixture.h"

using Geometry = EngineTest;

namespace {

using Px = std::array<uint16_t, 4>;

// A random RGBA32 picture; some pixels fully transparent, some opaque.
std::vector<uint8_t> random_rgba32(int32_t w, int32_t h, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(size_t(w) * size_t(h) * 4);
    for (size_t i = 0; i < v.size(); i += 4) {
        for (int c = 0; c < 3; ++c) v[i + c] = uint8_t(rng());
        const uint32_t a = rng() % 5;
        v[i + 3] = a == 0 ? 0 : (a == 1 ? 255 : uint8_t(1 + rng() % 254));
    }
    return v;
}

// What a layer holds after an 8-bit picture is loaded into it whole without
// mask: each byte times 256, and a pixel of alpha 0 becomes all zero.
Px loaded(const uint8_t* p) {
    if (p[3] == 0) return {0, 0, 0, 0};
    return {uint16_t(p[0] << 8), uint16_t(p[1] << 8), uint16_t(p[2] << 8), uint16_t(p[3] << 8)};
}

Px layer_px(int32_t slot, int32_t x, int32_t y) {
    const engine::LayerSlot& l = engine::state().layers[slot];
    const uint16_t* p = l.pixels.data() + size_t(y) * size_t(l.rowLength) + size_t(x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

std::vector<uint16_t> layer_copy(int32_t slot) {
    const engine::LayerSlot& l = engine::state().layers[slot];
    return std::vector<uint16_t>(l.pixels.data(), l.pixels.data() + size_t(l.rowLength) * size_t(l.height));
}

// An image of w x h with the background and layer 2 holding random pictures
// and a tracing layer in slot 0; returns the pictures of slots 1 and 2.
std::array<std::vector<uint8_t>, 2> painted_image(int32_t w, int32_t h, uint32_t seed) {
    PTE_CreateImage(nullptr, w, h, 16, 0);
    for (int32_t slot : {0, 1, 2}) {
        EXPECT_EQ(PTE_CreateLayer(slot, w, h), 1);
        PTE_SetLayerOptions(slot, 1, 0, 100, "Normal");
    }
    PTE_SetLayer(1);
    std::array<std::vector<uint8_t>, 2> pictures = {random_rgba32(w, h, seed), random_rgba32(w, h, seed + 1)};
    for (int32_t slot : {1, 2}) PTE_LoadRGBA32Layer(pictures[slot - 1].data(), w * 4, slot, 0, 0, w, h, 0);
    const auto tracing = random_rgba32(w, h, seed + 2);
    PTE_LoadRGBA32Layer(tracing.data(), w * 4, 0, 0, 0, w, h, 0);
    return pictures;
}

struct Snapshot {
    int32_t width, height;
    std::vector<uint16_t> pixels;
};
Snapshot snapshot(int32_t slot) {
    const engine::LayerSlot& l = engine::state().layers[slot];
    return {l.width, l.height, layer_copy(slot)};
}
void expect_unchanged(int32_t slot, const Snapshot& before, const std::string& what) {
    const engine::LayerSlot& l = engine::state().layers[slot];
    EXPECT_EQ(l.width, before.width) << what << " slot " << slot;
    EXPECT_EQ(l.height, before.height) << what << " slot " << slot;
    EXPECT_TRUE(layer_copy(slot) == before.pixels) << what << " slot " << slot;
}

// Every filter name and the library call it must reach, written out here.
struct Expected {
    const char* name;
    int kind;  // 0 area, 1 nearest, 2 bilinear, 3 bicubic, 4 filtered
    uint32_t filter;
};
constexpr Expected kNames[] = {
    {"Area Average", 0, 0}, {"Nearest Neighbor", 1, 0}, {"Bilinear", 2, 0}, {"Bicubic", 3, 0},  {"Box", 4, 0},
    {"Triangle", 4, 1},     {"Hamming", 4, 2},          {"Gaussian", 4, 3}, {"Bell", 4, 4},     {"B-Spline", 4, 5},
    {"Cubic 1", 4, 6},      {"Cubic 2", 4, 7},          {"Lanczos3", 4, 8}, {"Mitchell", 4, 9}, {"Sinc", 4, 10},
    {"Hermite", 4, 11},     {"Hanning", 4, 12},         {"Catrom", 4, 13},
};

std::vector<uint8_t> library_resize(const Expected& e, const std::vector<uint8_t>& src, uint32_t w, uint32_t h,
                                    uint32_t nw, uint32_t nh) {
    std::vector<uint8_t> out(size_t(nw) * nh * 4);
    imglib::BOOL ok = 0;
    switch (e.kind) {
        case 0: ok = imglib::IS3DecimateImage(src.data(), w, h, w * 4, out.data(), nw, nh, nw * 4, 4, 1); break;
        case 1: ok = imglib::IS3SimpleResampleImage(src.data(), w, h, w * 4, out.data(), nw, nh, nw * 4, 4); break;
        case 2: ok = imglib::IS3ResizeImage(src.data(), w, h, w * 4, out.data(), nw, nh, nw * 4, 4); break;
        case 3: ok = imglib::IS3ResizeImageBicubic(src.data(), w, h, w * 4, out.data(), nw, nh, nw * 4, 4); break;
        default: ok = imglib::IS3ResizeFilterImage(src.data(), w, h, w * 4, out.data(), nw, nh, nw * 4, 4, e.filter);
    }
    EXPECT_TRUE(ok) << e.name;
    return out;
}

// The picture as the layer reads back as 8 bits.
std::vector<uint8_t> as_read_back(const std::vector<uint8_t>& picture) {
    std::vector<uint8_t> v(picture.size());
    for (size_t i = 0; i < v.size(); i += 4) {
        const Px p = loaded(&picture[i]);
        for (int c = 0; c < 4; ++c) v[i + c] = uint8_t(p[c] >> 8);
    }
    return v;
}

}  // namespace

TEST_F(Geometry, EveryFilterNameReachesItsResampler) {
    const int32_t w = 11, h = 7, nw = 6, nh = 9;
    std::vector<std::vector<uint16_t>> results;
    for (const Expected& e : kNames) {
        reset_engine();
        const auto pictures = painted_image(w, h, 40);
        PTE_SetLayerOptions(2, 1, 1, 100, "Normal");  // keepAlpha: the alpha is resampled too
        const Snapshot tracing = snapshot(0);
        PTE_IPLResize(nw, nh, e.name);
        EXPECT_EQ(st().layers[2].keepAlpha, 1) << e.name;
        for (int32_t slot : {1, 2}) {
            ASSERT_EQ(st().layers[slot].width, nw) << e.name;
            ASSERT_EQ(st().layers[slot].height, nh) << e.name;
            const auto want = library_resize(e, as_read_back(pictures[slot - 1]), w, h, nw, nh);
            for (int32_t y = 0; y < nh; ++y)
                for (int32_t x = 0; x < nw; ++x)
                    ASSERT_EQ(layer_px(slot, x, y), loaded(&want[(size_t(y) * nw + size_t(x)) * 4]))
                        << e.name << " slot " << slot << " at " << x << "," << y;
        }
        expect_unchanged(0, tracing, e.name);
        results.push_back(layer_copy(2));
    }
    // No two names give the same picture: each reached a resampler of its own.
    for (size_t a = 0; a < results.size(); ++a)
        for (size_t b = a + 1; b < results.size(); ++b)
            EXPECT_FALSE(results[a] == results[b]) << kNames[a].name << " and " << kNames[b].name;
}

TEST_F(Geometry, NamesAreExactAndCaseSensitive) {
    painted_image(8, 5, 41);
    const Snapshot one = snapshot(1), two = snapshot(2);
    PTE_SetLastError("none");
    for (const char* name : {"lanczos3", "LANCZOS3", "Lanczos3 ", " Lanczos3", "Lanczos", "nearest neighbor", "Cubic1",
                             "", static_cast<const char*>(nullptr)}) {
        PTE_IPLResize(4, 4, name);
        expect_unchanged(1, one, name ? name : "null");
        expect_unchanged(2, two, name ? name : "null");
    }
    for (const char* anchor : {"mc", "Mc", "CM", "M", "MCC", "", static_cast<const char*>(nullptr)}) {
        PTE_IPLResizePage(12, 12, anchor);
        expect_unchanged(1, one, anchor ? anchor : "null");
    }
    EXPECT_STREQ(PTE_GetLastError(), "none") << "an unknown name is not a fault";
}

TEST_F(Geometry, ResamplingToTheSameSizeIsExact) {
    const int32_t w = 9, h = 6;
    for (const Expected& e : kNames) {
        reset_engine();
        const auto pictures = painted_image(w, h, 42);
        PTE_IPLResize(w, h, e.name);
        for (int32_t slot : {1, 2})
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    ASSERT_EQ(layer_px(slot, x, y), loaded(&pictures[slot - 1][(size_t(y) * w + size_t(x)) * 4]))
                        << e.name;
    }
}

TEST_F(Geometry, QuarterTurnsMoveAlphaEvenUnderKeepAlpha) {
    const int32_t w = 5, h = 3;
    for (bool right : {true, false}) {
        reset_engine();
        const auto pictures = painted_image(w, h, 43);
        PTE_SetLayerOptions(2, 1, 1, 100, "Normal");  // keepAlpha
        const Snapshot tracing = snapshot(0);
        right ? PTE_IPLRotateRight() : PTE_IPLRotateLeft();
        for (int32_t slot : {1, 2}) {
            ASSERT_EQ(st().layers[slot].width, h);
            ASSERT_EQ(st().layers[slot].height, w);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    const int32_t nx = right ? h - 1 - y : y, ny = right ? x : w - 1 - x;
                    EXPECT_EQ(layer_px(slot, nx, ny), loaded(&pictures[slot - 1][(size_t(y) * w + size_t(x)) * 4]))
                        << (right ? "right" : "left") << " slot " << slot << " from " << x << "," << y;
                }
        }
        EXPECT_EQ(st().layers[2].keepAlpha, 1) << "restored after the rebuild";
        EXPECT_EQ(st().layers[1].keepAlpha, 0);
        expect_unchanged(0, tracing, "turn");
        EXPECT_EQ(st().imageWidth, w) << "the host sets the new size";
    }
}

TEST_F(Geometry, FlipsMirrorColourAndKeepAlphaWhereAsked) {
    const int32_t w = 4, h = 3;
    for (bool horizontal : {true, false}) {
        reset_engine();
        const auto pictures = painted_image(w, h, 44);
        PTE_SetLayerOptions(2, 1, 1, 100, "Normal");
        const Snapshot tracing = snapshot(0), before2 = snapshot(2);
        horizontal ? PTE_IPLFlipHorizontal() : PTE_IPLFlipVertical();
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const int32_t fx = horizontal ? w - 1 - x : x, fy = horizontal ? y : h - 1 - y;
                const size_t from = (size_t(fy) * w + size_t(fx)) * 4;
                EXPECT_EQ(layer_px(1, x, y), loaded(&pictures[0][from]));
                // keepAlpha: the mirrored colour, the layer's own alpha.
                Px want = loaded(&pictures[1][from]);
                want[3] = before2.pixels[(size_t(y) * w + size_t(x)) * 4 + 3];
                EXPECT_EQ(layer_px(2, x, y), want) << (horizontal ? "horizontal" : "vertical") << " " << x << "," << y;
            }
        EXPECT_EQ(st().layers[2].keepAlpha, 1);
        expect_unchanged(0, tracing, "flip");
    }
}

TEST_F(Geometry, CropCutsEveryLayerAndRefusesBadRectangles) {
    const int32_t w = 7, h = 6;
    const auto pictures = painted_image(w, h, 45);
    PTE_SetLayerOptions(2, 1, 1, 100, "Normal");  // keepAlpha: cut with its alpha
    const Snapshot one = snapshot(1);
    PTE_SetLastError("none");
    struct Rect {
        int32_t l, t, r, b;
    };
    for (const Rect rc : {Rect{-1, 0, 3, 3}, Rect{0, 0, 8, 3}, Rect{0, 0, 3, 7}, Rect{3, 1, 3, 4}, Rect{4, 1, 2, 4},
                          Rect{0, 5, 7, 5}, Rect{INT32_MIN, 0, INT32_MAX, 3}}) {
        PTE_IPLCrop(rc.l, rc.t, rc.r, rc.b);
        expect_unchanged(1, one, "bad crop");
        EXPECT_STREQ(PTE_GetLastError(), "IPLCrop Excpt");
        PTE_SetLastError("none");
    }
    PTE_IPLCrop(2, 1, 7, 4);
    EXPECT_STREQ(PTE_GetLastError(), "none");
    EXPECT_EQ(st().layers[2].keepAlpha, 1);
    for (int32_t slot : {1, 2}) {
        ASSERT_EQ(st().layers[slot].width, 5);
        ASSERT_EQ(st().layers[slot].height, 3);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x)
                EXPECT_EQ(layer_px(slot, x, y), loaded(&pictures[slot - 1][(size_t(y + 1) * w + size_t(x + 2)) * 4]));
    }
}

TEST_F(Geometry, CanvasResizeAnchorsEveryWay) {
    struct Case {
        int32_t w, h, nw, nh;
        const char* anchor;
        int32_t ox, oy;  // where the old top-left corner lands
    };
    const Case cases[] = {
        {4, 4, 7, 6, "TL", 0, 0},
        {4, 4, 7, 6, "TC", 1, 0},
        {4, 4, 7, 6, "TR", 3, 0},
        {4, 4, 7, 6, "ML", 0, 1},
        {4, 4, 7, 6, "MC", 1, 1},
        {4, 4, 7, 6, "MR", 3, 1},
        {4, 4, 7, 6, "BL", 0, 2},
        {4, 4, 7, 6, "BC", 1, 2},
        {4, 4, 7, 6, "BR", 3, 2},
        {4, 4, 8, 6, "MC", 2, 1},
        {100, 100, 201, 201, "MC", 50, 50},
        // Shrinking: negative offsets, halves truncated toward zero.
        {9, 9, 4, 4, "MC", -2, -2},
        {7, 6, 4, 4, "TR", -3, 0},
        {7, 6, 4, 4, "BC", -1, -2},
        {7, 6, 4, 4, "ML", 0, -1},
        {9, 7, 4, 4, "BR", -5, -3},
        {6, 4, 3, 7, "MC", -1, 1},
        {5, 5, 5, 5, "BR", 0, 0},
    };
    for (const Case& c : cases) {
        reset_engine();
        const auto pictures = painted_image(c.w, c.h, 46);
        const Snapshot tracing = snapshot(0);
        PTE_IPLResizePage(c.nw, c.nh, c.anchor);
        const std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + " -> " + std::to_string(c.nw) + "x" +
                                 std::to_string(c.nh) + " " + c.anchor;
        for (int32_t slot : {1, 2}) {
            ASSERT_EQ(st().layers[slot].width, c.nw) << what;
            ASSERT_EQ(st().layers[slot].height, c.nh) << what;
            // New border: opaque white (bytes 255) under the background, transparent above.
            const Px border = slot == 1 ? Px{65280, 65280, 65280, 65280} : Px{0, 0, 0, 0};
            for (int32_t y = 0; y < c.nh; ++y)
                for (int32_t x = 0; x < c.nw; ++x) {
                    const int32_t sx = x - c.ox, sy = y - c.oy;
                    const bool old = sx >= 0 && sy >= 0 && sx < c.w && sy < c.h;
                    const Px want = old ? loaded(&pictures[slot - 1][(size_t(sy) * c.w + size_t(sx)) * 4]) : border;
                    ASSERT_EQ(layer_px(slot, x, y), want) << what << " slot " << slot << " at " << x << "," << y;
                }
        }
        expect_unchanged(0, tracing, what);
    }
}

TEST_F(Geometry, ImpossibleSizesChangeNothingAndSaySo) {
    painted_image(6, 4, 47);
    const Snapshot one = snapshot(1), two = snapshot(2);
    struct Size {
        int32_t w, h;
    };
    for (const Size s :
         {Size{0, 4}, Size{6, 0}, Size{-3, 4}, Size{10001, 4}, Size{INT32_MAX, INT32_MAX}, Size{INT32_MIN, 5}}) {
        PTE_SetLastError("none");
        PTE_IPLResize(s.w, s.h, "Bilinear");
        EXPECT_STREQ(PTE_GetLastError(), "IPLResize Excpt") << s.w << "x" << s.h;
        PTE_SetLastError("none");
        PTE_IPLResizePage(s.w, s.h, "MC");
        EXPECT_STREQ(PTE_GetLastError(), "IPLResizePage Excpt") << s.w << "x" << s.h;
        expect_unchanged(1, one, "impossible size");
        expect_unchanged(2, two, "impossible size");
    }
}

TEST_F(Geometry, StaleLayersKeepTheirPixelsWhileOthersAreRebuilt) {
    painted_image(6, 4, 48);
    // Layer 3 left at another size: it cannot be read at the image's size.
    ASSERT_EQ(PTE_CreateLayer(3, 3, 3), 1);
    PTE_SetLayerOptions(3, 1, 0, 100, "Normal");
    set_px(3, 1, 1, 1, 2, 3, 4);
    const Snapshot stale = snapshot(3);
    PTE_IPLRotateRight();
    expect_unchanged(3, stale, "stale layer");
    EXPECT_EQ(st().layers[1].width, 4);
    EXPECT_EQ(st().layers[2].width, 4);
    // A second turn before the host sets the new size finds no layer at the
    // image's size and leaves them all as they are.
    const Snapshot turned = snapshot(2);
    PTE_IPLRotateRight();
    expect_unchanged(2, turned, "second turn");
    // After the new size the turned layers are the image again.
    PTE_NewSize(nullptr, 4, 6, 16, 0);
    PTE_IPLRotateLeft();
    EXPECT_EQ(st().layers[2].width, 6);
    EXPECT_EQ(st().layers[2].height, 4);
}
