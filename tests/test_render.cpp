#include <array>
#include <random>
#include <string>
#include <vector>

#include "engine/render.h"
#include "support/engine_fixture.h"
#include "support/reference_blend.h"

namespace {

constexpr uint8_t kUnwritten = 0xAB;

// What the display should show, pixel by pixel, written from the rules:
// the area, the zoom, the layer list, the running composite, tracing, the
// checkerboard and the mask overlay.
struct Expected {
    int columns = 0, rows = 0;
    std::vector<uint8_t> bgr;  // columns * rows * 3
};

const uint16_t* pixel_of(const engine::LayerSlot& l, int64_t c, int64_t r) {
    return l.pixels.data() + r * l.rowLength + c * 4;
}

// The layer list: visible slots with pixels but Texturize3, the stroke after the current layer.
struct List {
    std::vector<const engine::LayerSlot*> layers;
    bool background_first = false;

    explicit List(const engine::EngineState& s) {
        for (int i = 1; i < 64; ++i) {
            const engine::LayerSlot& l = s.layers[i];
            if (l.has_pixels() && l.visible && l.mode != 19) {
                if (i == 1) background_first = true;
                layers.push_back(&l);
            }
            if (s.paintLayer.has_pixels() && l.has_pixels() && l.pixels.data() == s.currentSlot->pixels.data())
                layers.push_back(&s.paintLayer);
        }
    }
};

// The composite of image pixel (c, r), with tracing mixed in.
std::array<uint32_t, 4> reference_composite(const engine::EngineState& s, const List& list, int64_t c, int64_t r) {
    ref::Running p;
    const auto& layers = list.layers;
    for (size_t i = 0; i < layers.size(); ++i) {
        const engine::LayerSlot& l = *layers[i];
        const uint16_t* m = nullptr;
        if (i + 1 < layers.size() && layers[i + 1]->mode == 38 && layers[i + 1]->visible)
            m = pixel_of(*layers[i + 1], c, r);
        p.lay(pixel_of(l, c, r), m, l.mode, l.opacity, i == 0 && list.background_first, int(i) == s.currentLayer);
    }
    uint16_t v16[4];
    p.to16(v16);
    std::array<uint32_t, 4> v = {v16[0], v16[1], v16[2], v16[3]};
    if (s.tracingMode && s.layers[0].has_pixels()) {
        const uint16_t* t = pixel_of(s.layers[0], c, r);
        for (int i = 0; i < 3; ++i) v[size_t(i)] = (v[size_t(i)] + t[i]) >> 1;
    }
    return v;
}

Expected reference_render(const engine::EngineState& s, int64_t x, int64_t y, int64_t w, int64_t h) {
    Expected e;
    x = std::max<int64_t>(x, 0);
    y = std::max<int64_t>(y, 0);
    if (x + w > s.imageWidth) w = s.imageWidth - x;
    if (y + h > s.imageHeight) h = s.imageHeight - y;
    const int64_t A = s.scaleNumerator, B = s.scaleDenominator;
    int64_t cols, rows;
    if (A == B) {
        cols = w;
        rows = h;
    } else if (A < B) {
        cols = w / B;
        rows = h / B;
    } else {
        cols = A * w;
        rows = A * h;
    }
    cols = std::min<int64_t>(cols, s.viewWidth);
    rows = std::min<int64_t>(rows, s.viewHeight);
    if (cols <= 0 || rows <= 0) return e;
    e.columns = int(cols);
    e.rows = int(rows);
    e.bgr.resize(size_t(cols * rows * 3));
    const List list(s);

    const bool show_mask = s.maskShown && s.maskActive;
    for (int64_t k = 0; k < rows; ++k) {
        for (int64_t j = 0; j < cols; ++j) {
            int64_t c, r, cx;
            if (A == B) {
                c = x + j;
                r = y + k;
                cx = c;
            } else if (A < B) {
                c = x + j * B;
                r = y + k * B;
                cx = c;
            } else {
                c = x + j / A;
                r = y + k / A;
                cx = x + j;
            }
            const int64_t cy = r;
            std::array<uint32_t, 4> v = reference_composite(s, list, c, r);
            const bool odd = ((cx >> 5) + (cy >> 5)) % 2 == 1;
            if (v[3] < 65535) {
                const uint32_t g = odd ? 40959 : 65535;
                for (int i = 0; i < 3; ++i) v[i] = (((v[3] * v[i]) >> 8) + (((65535 - v[3]) * g) >> 8)) >> 8;
            }
            uint8_t* out = &e.bgr[size_t((k * cols + j) * 3)];
            uint32_t m = show_mask ? s.mask.values[size_t(r * s.imageWidth + c)] : 65535;
            if (m < 65535) {
                if (s.mask.displayStyle == 0) m = (m >> 1) + 32767;
                const uint16_t* colour = odd ? s.mask.displayColor1 : s.mask.displayColor2;
                for (int i = 0; i < 3; ++i)
                    out[2 - i] = uint8_t((((m * v[i]) >> 8) + (((65535 - m) * colour[i]) >> 8)) >> 16);
            } else {
                for (int i = 0; i < 3; ++i) out[2 - i] = uint8_t(v[i] >> 8);
            }
        }
    }
    return e;
}

class Render : public EngineTest {
protected:
    static constexpr int kStride = 1000;  // bytes per display row, wider than any request here
    static constexpr int kRows = 320;     // display rows, more than any request here

    std::vector<uint8_t> display = std::vector<uint8_t>(size_t(kStride) * kRows, kUnwritten);

    void render(int x, int y, int w, int h) {
        std::fill(display.begin(), display.end(), kUnwritten);
        PTE_Render(display.data(), kStride, x, y, w, h);
    }

    // Every byte of the expected area matches within one; nothing outside it is written.
    void expect_matches(const Expected& e, const char* what) {
        int worst = 0;
        for (int k = 0; k < kRows; ++k)
            for (int b = 0; b < kStride; ++b) {
                const uint8_t got = display[size_t(k) * kStride + size_t(b)];
                if (k < e.rows && b < e.columns * 3) {
                    worst = std::max(worst, std::abs(int(got) - int(e.bgr[size_t(k * e.columns * 3 + b)])));
                } else {
                    ASSERT_EQ(got, kUnwritten) << what << ": written outside the area at row " << k << " byte " << b;
                }
            }
        EXPECT_LE(worst, 1) << what;
    }

    void render_and_compare(int x, int y, int w, int h, const char* what) {
        render(x, y, w, h);
        expect_matches(reference_render(st(), x, y, w, h), what);
    }

    // The composite of every image row, every column and every other one,
    // channel by channel within one unit.
    void composite_matches(const char* what, int tolerance = 1) {
        const List list(st());
        const int32_t w = st().imageWidth;
        std::vector<uint16_t> row(size_t(w) * 4);
        for (int32_t step : {1, 2}) {
            const int32_t count = (w + step - 1) / step;
            for (int32_t r = 0; r < st().imageHeight; ++r) {
                std::fill(row.begin(), row.end(), uint16_t{7});
                compositor::composite_row(st(), r, 0, count, step, row.data());
                for (int32_t i = 0; i < count; ++i) {
                    const auto want = reference_composite(st(), list, int64_t(i) * step, r);
                    for (int c = 0; c < 4; ++c)
                        ASSERT_LE(std::abs(int(want[size_t(c)]) - int(row[size_t(i) * 4 + size_t(c)])), tolerance)
                            << what << ": row " << r << " column " << i * step << " channel " << c;
                }
            }
        }
    }

    // Layer pixels from a fixed seed: half of them at the alpha boundaries.
    static void fill_random(int slot, uint32_t seed) {
        std::mt19937 rng(seed);
        engine::LayerSlot& l = st().layers[slot];
        static constexpr uint16_t kAlphas[] = {0, 0, 255, 256, 32767, 65279, 65280, 65535};
        for (int y = 0; y < l.height; ++y)
            for (int x = 0; x < l.width; ++x) {
                const uint16_t a = rng() % 2 ? kAlphas[rng() % 8] : uint16_t(rng());
                set_px(slot, x, y, uint16_t(rng() % 65281), uint16_t(rng() % 65281), uint16_t(rng() % 65281), a);
            }
    }

    // A stack of every kind of entry: background, layers in several modes and
    // opacities, a mask layer, a hidden layer, a Texturize3 layer and a stroke.
    void make_mixed_scene(int w, int h) {
        make_image(w, h, 7);
        PTE_SetViewSize(1000, 1000);
        fill_random(1, 1);
        const struct {
            int slot;
            const char* mode;
            int percent;
            uint8_t visible;
        } layers[] = {{2, "Normal", 100, 1},     {3, "Multiply", 60, 1}, {4, "Layer Mask", 100, 1},
                      {5, "Texturize3", 100, 1}, {6, "Overlay", 80, 1},  {7, "Alpha Shader Texture2", 90, 1},
                      {8, "Screen", 100, 0}};
        for (const auto& l : layers) {
            fill_random(l.slot, 10 + uint32_t(l.slot));
            PTE_SetLayerOptions(l.slot, l.visible, 0, l.percent, l.mode);
        }
        PTE_SetLayer(3);
        PTE_CreatePaintLayer(70, "Darken");
        engine::LayerSlot& paint = st().paintLayer;
        std::mt19937 rng(99);
        for (size_t i = 0; i < paint.pixels.size(); ++i) paint.pixels[i] = uint16_t(rng());
    }
};

}  // namespace

TEST_F(Render, EveryZoomMatchesTheRules) {
    make_mixed_scene(75, 52);
    composite_matches("mixed scene");
    struct Zoom {
        int a, b;
    };
    for (const Zoom z : {Zoom{1, 1}, Zoom{5, 5}, Zoom{1, 2}, Zoom{2, 7}, Zoom{3, 1}, Zoom{4, 3}}) {
        PTE_SetScale(z.a, z.b);
        const std::string what = std::to_string(z.a) + ":" + std::to_string(z.b);
        render_and_compare(0, 0, 75, 52, what.c_str());
        render_and_compare(9, 5, 31, 17, (what + " inner rectangle").c_str());
        render_and_compare(-6, -3, 200, 200, (what + " clipped to the image").c_str());
    }
}

// An opaque "Normal" layer hides what is below it once the background has
// made the composite non-transparent; the result must not depend on how
// much of the stack below was composited.
TEST_F(Render, OpaqueNormalLayersOverEveryKindOfBackground) {
    make_image(61, 9, 3);
    PTE_SetViewSize(1000, 1000);
    fill_random(1, 5);
    fill_random(2, 6);
    fill_random(4, 8);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 61; ++x) set_px(3, x, y, uint16_t(x * 1000), uint16_t(y * 7000), 500, x < 30 ? 65280 : 65535);
    set_px(3, 40, 4, 1, 2, 3, 65279);  // one pixel just short of opaque
    PTE_SetLayerOptions(2, 1, 0, 100, "Screen");
    PTE_SetLayerOptions(4, 1, 0, 70, "Multiply");
    struct Case {
        const char* background;
        int background_percent;
        int percent;
    };
    for (const Case c : {Case{"Normal", 100, 100}, Case{"Normal", 0, 100}, Case{"Normal", 40, 100},
                         Case{"Texturize", 100, 100}, Case{"Alpha Invert", 100, 100}, Case{"Normal", 100, 99}}) {
        PTE_SetLayerOptions(1, 1, 0, c.background_percent, c.background);
        PTE_SetLayerOptions(3, 1, 0, c.percent, "Normal");
        for (const int num : {1, 2}) {
            PTE_SetScale(num, 1);
            const std::string what = std::string(c.background) + " " + std::to_string(c.background_percent) + "%, " +
                                     std::to_string(c.percent) + "% at " + std::to_string(num) + ":1";
            render_and_compare(0, 0, 61, 9, what.c_str());
        }
        composite_matches((std::string(c.background) + " " + std::to_string(c.background_percent)).c_str());
    }
    PTE_SetScale(1, 1);
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(3, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(4, 1, 0, 100, "Layer Mask");  // now masks layer 3
    render_and_compare(0, 0, 61, 9, "masked opaque layer");
    composite_matches("masked opaque layer");
}

TEST_F(Render, ViewBoundsTheArea) {
    make_mixed_scene(64, 40);
    PTE_SetScale(3, 1);
    PTE_SetViewSize(20, 7);
    render_and_compare(0, 0, 10, 10, "enlarged, limited by the view");
    const Expected e = reference_render(st(), 0, 0, 10, 10);
    EXPECT_EQ(e.columns, 20);
    EXPECT_EQ(e.rows, 7);

    PTE_SetScale(1, 2);
    PTE_SetViewSize(1000, 1000);
    render(0, 0, 100, 30);
    const Expected half = reference_render(st(), 0, 0, 100, 30);
    EXPECT_EQ(half.columns, 32) << "the image is 64 wide: 64 / 2";
    expect_matches(half, "reduced");

    PTE_SetScale(1, 1);
    PTE_SetViewSize(0, 40);
    render(0, 0, 64, 40);
    EXPECT_TRUE(std::all_of(display.begin(), display.end(), [](uint8_t b) { return b == kUnwritten; }))
        << "a view of width 0 draws nothing";
}

TEST_F(Render, WidthsFollowTheZoom) {
    make_image(200, 10);
    PTE_SetViewSize(1000, 1000);
    struct Case {
        int a, b, width, view, columns;
    };
    for (const Case c : {Case{1, 2, 100, 1000, 50}, Case{3, 1, 10, 1000, 30}, Case{3, 1, 10, 25, 25}}) {
        PTE_SetScale(c.a, c.b);
        PTE_SetViewSize(c.view, 1000);
        render(0, 0, c.width, 4);
        int written = 0;
        while (written < kStride && display[size_t(written)] != kUnwritten) ++written;
        EXPECT_EQ(written, c.columns * 3) << c.a << ":" << c.b << " width " << c.width;
    }
}

TEST_F(Render, CheckerboardFollowsImagePixelsOrDisplayPixels) {
    make_image(128, 70);
    PTE_SetLayerOptions(1, 0, 0, 100, "Normal");  // nothing visible
    PTE_SetViewSize(1000, 1000);
    const auto byte_at = [&](int k, int j) { return display[size_t(k) * kStride + size_t(j) * 3]; };
    render(0, 0, 128, 70);
    EXPECT_EQ(byte_at(0, 0), 255);
    EXPECT_EQ(byte_at(0, 31), 255);
    EXPECT_EQ(byte_at(0, 32), 40959 >> 8);
    EXPECT_EQ(byte_at(32, 32), 255);
    EXPECT_EQ(byte_at(33, 0), 40959 >> 8);

    PTE_SetScale(1, 2);  // reduced: the squares follow the sampled image pixels
    render(0, 0, 128, 70);
    EXPECT_EQ(byte_at(0, 15), 255);
    EXPECT_EQ(byte_at(0, 16), 40959 >> 8) << "display 16 shows image column 32";

    PTE_SetScale(2, 1);  // enlarged: columns count display pixels, rows image rows
    render(0, 0, 40, 40);
    EXPECT_EQ(byte_at(0, 31), 255);
    EXPECT_EQ(byte_at(0, 32), 40959 >> 8) << "display column 32";
    EXPECT_EQ(byte_at(63, 0), 255) << "display row 63 shows image row 31";
    EXPECT_EQ(byte_at(64, 0), 40959 >> 8) << "display row 64 shows image row 32";
    render(5, 0, 40, 40);
    EXPECT_EQ(byte_at(0, 26), 255);
    EXPECT_EQ(byte_at(0, 27), 40959 >> 8) << "counted from x = 5: display column 32";
}

TEST_F(Render, BackgroundAlphaCountsAsWhole) {
    make_image(8, 8);
    PTE_SetViewSize(8, 8);
    set_px(1, 2, 3, 0x1200, 0x3400, 0x5600, 0);
    render(0, 0, 8, 8);
    const uint8_t* p = &display[size_t(3) * kStride + 2 * 3];
    EXPECT_EQ(p[0], 0x56);
    EXPECT_EQ(p[1], 0x34);
    EXPECT_EQ(p[2], 0x12);
    // At opacity 50 the background is half transparent: the checkerboard shows through.
    PTE_SetLayerOptions(1, 1, 0, 50, "Normal");
    render_and_compare(0, 0, 8, 8, "background at opacity 50");
}

TEST_F(Render, StrokeOverAHiddenCurrentLayerShows) {
    make_image(16, 8, 2);
    PTE_SetViewSize(16, 8);
    PTE_SetLayerOptions(2, 0, 0, 100, "Normal");
    PTE_SetLayer(2);
    PTE_CreatePaintLayer(100, "Normal");
    uint16_t* p = st().paintLayer.pixels.data() + (2 * 16 + 5) * 4;
    p[0] = 65280;
    p[3] = 65535;
    render(0, 0, 16, 8);
    const uint8_t* out = &display[size_t(2) * kStride + 5 * 3];
    EXPECT_EQ(out[2], 255);
    EXPECT_EQ(out[1], 0);
    render_and_compare(0, 0, 16, 8, "stroke over a hidden layer");
}

TEST_F(Render, TexturizeThreeAndMaskLayersAreNotShown) {
    make_image(8, 4, 2);
    PTE_SetViewSize(8, 4);
    set_px(2, 1, 1, 0, 65280, 0, 65535);
    PTE_SetLayerOptions(2, 1, 0, 100, "Texturize3");
    render(0, 0, 8, 4);
    EXPECT_EQ(display[size_t(1) * kStride + 3 + 1], 255) << "the background stays white";

    // A mask layer above layer 2 weakens it by its luminance and is not shown itself.
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    set_px(3, 1, 1, 32768, 32768, 32768, 65535);  // half luminance
    set_px(3, 2, 1, 65280, 65280, 65280, 65535);
    set_px(2, 2, 1, 0, 65280, 0, 65535);
    render(0, 0, 8, 4);
    const uint8_t* half = &display[size_t(1) * kStride + 3];
    EXPECT_GE(half[1], 254) << "green stays";
    EXPECT_NEAR(half[0], 127, 1) << "red and blue of white halved";
    render_and_compare(0, 0, 8, 4, "mask layer");
}

// Only a stroke can bring Texturize3 into the list: it counts as opaque where
// its list position is the current layer's index, and as nothing elsewhere.
TEST_F(Render, TexturizeThreeStroke) {
    make_image(12, 3, 1);
    PTE_SetViewSize(12, 3);
    fill_random(1, 3);
    fill_random(2, 4);
    PTE_SetLayer(2);
    PTE_CreatePaintLayer(100, "Texturize3");
    std::mt19937 rng(6);
    engine::LayerSlot& paint = st().paintLayer;
    for (size_t i = 0; i < paint.pixels.size(); ++i) paint.pixels[i] = uint16_t(rng());
    composite_matches("at the current index");
    PTE_SetLayerOptions(1, 0, 0, 100, "Normal");  // the stroke moves to position 1
    composite_matches("elsewhere");
}

TEST_F(Render, TracingAndMaskDisplay) {
    make_mixed_scene(40, 20);
    ASSERT_EQ(PTE_CreateLayer(0, 40, 20), 1);
    fill_random(0, 77);
    PTE_SetTracingMode(1);
    render_and_compare(0, 0, 40, 20, "tracing");
    composite_matches("tracing");

    std::mt19937 rng(4);
    engine::OwnedBuffer<uint16_t>& mask = st().mask.values;
    for (size_t i = 0; i < mask.size(); ++i) mask[i] = rng() % 3 == 0 ? 65535 : uint16_t(rng());
    PTE_SetMaskOptions(255, 0, 0, 0, 0, 255, 0);
    PTE_DisplayMask(1);
    render_and_compare(0, 0, 40, 20, "mask style 0");
    PTE_SetScale(2, 1);
    render_and_compare(0, 0, 40, 20, "mask style 0 enlarged");
    PTE_SetMaskOptions(255, 0, 0, 0, 0, 255, 1);
    PTE_SetScale(1, 1);
    render_and_compare(0, 0, 40, 20, "mask style 1");
    PTE_EnableMask(0);
    render_and_compare(0, 0, 40, 20, "mask not in force: not shown");
}

TEST_F(Render, MaskOverlayStrength) {
    make_image(4, 4);
    PTE_SetViewSize(4, 4);
    st().mask.values[0] = 0;
    PTE_SetMaskOptions(0, 0, 0, 0, 0, 0, 0);  // black overlay
    PTE_DisplayMask(1);
    render(0, 0, 4, 4);
    EXPECT_EQ(display[0], 127) << "style 0, mask 0: half image, half overlay";
    PTE_SetMaskOptions(0, 0, 0, 0, 0, 0, 1);
    render(0, 0, 4, 4);
    EXPECT_EQ(display[0], 0) << "any other style: the overlay alone";
}

TEST_F(Render, BadInputWritesNothingAndNeverFails) {
    std::vector<uint8_t> buffer(300, kUnwritten);
    PTE_Render(buffer.data(), 30, 0, 0, 10, 10);  // no image at all
    make_image(10, 10);
    PTE_SetViewSize(10, 10);
    st().currentSlot = nullptr;
    PTE_Render(buffer.data(), 30, 0, 0, 10, 10);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == kUnwritten; }))
        << "no current layer";
    PTE_SetLayer(1);
    PTE_Render(nullptr, 30, 0, 0, 10, 10);
    struct Scale {
        int a, b;
    };
    // A factor of 0 or below draws nothing (enlarged by 0, reduced by 0 or by -1).
    for (const Scale z : {Scale{0, -1}, Scale{-2, -1}, Scale{-1, 0}}) {
        PTE_SetScale(z.a, z.b);
        PTE_Render(buffer.data(), 30, 0, 0, 10, 10);
    }
    PTE_SetScale(1, 1);
    const std::array<int, 4> empty[] = {{20, 0, 5, 5}, {0, 0, -5, 5}, {0, 0, 0, 0}, {3, 3, 0, 4}};
    for (const auto& r : empty) PTE_Render(buffer.data(), 30, r[0], r[1], r[2], r[3]);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == kUnwritten; }));

    // A layer left at another size is skipped, not overrun.
    ASSERT_EQ(PTE_CreateLayer(2, 3, 3), 1);
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    PTE_Render(buffer.data(), 30, 0, 0, 10, 10);
    EXPECT_EQ(buffer[0], 255) << "the background shows";
    PTE_SetLayer(2);
    std::fill(buffer.begin(), buffer.end(), kUnwritten);
    PTE_Render(buffer.data(), 30, 0, 0, 10, 10);
    EXPECT_EQ(buffer[0], kUnwritten) << "a current layer of another size draws nothing";
}

// Stacks over an opaque background, the common case, take the compositor's
// shortcuts: terms that vanish over opaque pixels are left out, opaque
// groups go from fractions straight to display bytes, and groups where an
// opaque "Normal" top layer alone shows go straight from its pixels. None
// of them may change a bit of what the rules give. The image is three
// spans wide (the last of 6 pixels), and the display buffer is exactly the
// area, so a store past a row's end is caught.
TEST_F(Render, StacksOverAnOpaqueBackgroundMatchTheRulesExactly) {
    constexpr int kWidth = 1030, kHeight = 5;
    make_image(kWidth, kHeight, 3);
    PTE_SetViewSize(2000, 2000);
    std::mt19937 rng(31);
    // Alpha in runs of four-pixel groups: transparent, opaque, the opaque
    // threshold, partial, or mixed.
    const auto fill_runs = [&](int slot) {
        for (int y = 0; y < kHeight; ++y)
            for (int g = 0; g < (kWidth + 3) / 4; ++g) {
                const uint32_t kind = rng() % 5;
                for (int x = g * 4; x < std::min(g * 4 + 4, kWidth); ++x) {
                    static constexpr uint16_t kFixed[] = {0, 65535, 65280};
                    const uint16_t a = kind < 3 ? kFixed[kind] : kind == 3 ? uint16_t(1 + rng() % 65279) : uint16_t(rng());
                    set_px(slot, x, y, uint16_t(rng() % 65281), uint16_t(rng() % 65281), uint16_t(rng() % 65281), a);
                }
            }
    };
    for (int slot = 1; slot <= 4; ++slot) fill_runs(slot);
    const char* stacks[][3] = {{"Normal", "Multiply", "Screen"},
                               {"Multiply", "Screen", "Normal"},
                               {"Normal", "Normal", "Normal"},
                               {"Screen", "Multiply", "Normal"}};
    for (const auto& modes : stacks)
        for (const int percent : {100, 60}) {
            for (int i = 0; i < 3; ++i) PTE_SetLayerOptions(2 + i, 1, 0, i == 2 ? percent : 100, modes[i]);
            const std::string what = std::string(modes[0]) + "/" + modes[1] + "/" + modes[2] + " top at " +
                                     std::to_string(percent) + "%";
            composite_matches(what.c_str(), 0);
            for (const int den : {1, 2}) {
                PTE_SetScale(1, den);
                const Expected e = reference_render(st(), 0, 0, kWidth, kHeight);
                std::vector<uint8_t> exact(e.bgr.size(), kUnwritten);
                PTE_Render(exact.data(), e.columns * 3, 0, 0, kWidth, kHeight);
                ASSERT_EQ(exact, e.bgr) << what << " at 1:" << den;
            }
            PTE_SetScale(1, 1);
        }
    // Tracing mixes every pixel, so no group is shown straight from the top layer.
    ASSERT_EQ(PTE_CreateLayer(0, kWidth, kHeight), 1);
    fill_runs(0);
    PTE_SetTracingMode(1);
    const Expected e = reference_render(st(), 0, 0, kWidth, kHeight);
    std::vector<uint8_t> exact(e.bgr.size(), kUnwritten);
    PTE_Render(exact.data(), e.columns * 3, 0, 0, kWidth, kHeight);
    EXPECT_EQ(exact, e.bgr) << "tracing";
}
