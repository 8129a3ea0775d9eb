// Copying to and pasting from the clipboard, and screen captures, over a
// clipboard and a screen standing in for the system's; and the clipboard
// of a process without a display.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "io/clipboard.h"
#include "io/image_files.h"
#include "platform/clipboard.h"
#include "platform/imglib/dib.h"
#include "platform/screen.h"
#include "support/engine_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

class FakeClipboard final : public platform::Clipboard {
public:
    platform::Dib dib;
    int puts = 0;
    bool put(platform::Dib d) override {
        ++puts;
        dib = std::move(d);
        return true;
    }
    platform::Dib take() override { return dib; }
    bool owned() override { return false; }
};

class FakeScreen final : public platform::Screen {
public:
    bool works = true;
    platform::ScreenCapture image;
    bool capture(platform::ScreenCapture& out) override {
        if (works) out = image;
        return works;
    }
};

// A packed RGBA32 picture of w x h with a pattern: every pixel differs.
struct Picture {
    int32_t w, h;
    Bytes rgba;
    Picture(int32_t width, int32_t height, uint8_t alpha = 255) : w(width), h(height), rgba(size_t(w) * h * 4) {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = px(x, y);
                p[0] = uint8_t(x * 7 + 1), p[1] = uint8_t(y * 11 + 2), p[2] = uint8_t((x + y) * 3 + 3), p[3] = alpha;
            }
    }
    uint8_t* px(int32_t x, int32_t y) { return &rgba[(size_t(y) * w + x) * 4]; }
    const uint8_t* px(int32_t x, int32_t y) const { return &rgba[(size_t(y) * w + x) * 4]; }
};

Bytes rgba_of(const platform::Dib& dib, int32_t& w, int32_t& h) {
    w = int32_t(imglib::IS3DIBWidth(dib.data(), dib.size()));
    h = int32_t(imglib::IS3DIBHeight(dib.data(), dib.size()));
    Bytes rgba(size_t(w) * h * 4);
    EXPECT_EQ(imglib::IS3DIBToRGBA(dib.data(), dib.size(), rgba.data(), 255), 1);
    return rgba;
}

class ClipboardTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        clipboard_before_ = platform::install_clipboard(&clipboard_);
        screen_before_ = platform::install_screen(&screen_);
    }
    void TearDown() override {
        platform::install_clipboard(clipboard_before_);
        platform::install_screen(screen_before_);
        EngineTest::TearDown();
    }

    void offer(const Picture& p) { clipboard_.dib = io::rgba_to_dib(p.rgba.data(), p.w, p.h); }
    // The layer pixel's colour and alpha high bytes.
    static Bytes high(int32_t slot, int32_t x, int32_t y) {
        return {uint8_t(px(slot, x, y, 0) >> 8), uint8_t(px(slot, x, y, 1) >> 8), uint8_t(px(slot, x, y, 2) >> 8),
                uint8_t(px(slot, x, y, 3) >> 8)};
    }
    static Bytes colour(int32_t slot, int32_t x, int32_t y) {
        const Bytes all = high(slot, x, y);
        return {all.begin(), all.begin() + 3};
    }
    static std::vector<uint16_t> layer(int32_t slot) {
        const engine::LayerSlot& l = st().layers[slot];
        return {l.pixels.data(), l.pixels.data() + size_t(l.rowLength) * l.height};
    }
    static void fill_layer(int32_t slot) {
        for (int32_t y = 0; y < st().imageHeight; ++y)
            for (int32_t x = 0; x < st().imageWidth; ++x)
                set_px(slot, x, y, uint16_t(x * 700 + 5), uint16_t(y * 900 + 7), uint16_t(x * y * 13), 65535);
    }
    static void set_new_rgba(int32_t w, int32_t h, uint8_t value) {
        uint8_t* p = io::create_new_rgba(st(), w, h);
        std::memset(p, value, size_t(w) * h * 4);
    }

    FakeClipboard clipboard_;
    FakeScreen screen_;

private:
    platform::Clipboard* clipboard_before_ = nullptr;
    platform::Screen* screen_before_ = nullptr;
};

}  // namespace

// ---- Copying ----

TEST_F(ClipboardTest, CopyTakesTheLayerWithTheMaskInItsAlpha) {
    make_image(5, 3);
    fill_layer(1);
    st().mask.values[0] = 0;
    st().mask.values[1] = 32768;
    st().mask.values[7] = 256;
    PTE_ToClipboard();
    ASSERT_EQ(clipboard_.puts, 1);
    int32_t w = 0, h = 0;
    const Bytes rgba = rgba_of(clipboard_.dib, w, h);
    ASSERT_EQ(w, 5);
    ASSERT_EQ(h, 3);
    EXPECT_EQ(rgba[3], 0) << "masked out: transparent";
    EXPECT_EQ(rgba[4 + 3], 127) << "(128 * 255) >> 8";
    EXPECT_EQ(rgba[7 * 4 + 3], 0) << "(1 * 255) >> 8";
    EXPECT_EQ(rgba[2 * 4 + 3], 255) << "fully selected: opaque stays opaque";
    for (int32_t i = 0; i < 15; ++i) {
        const int32_t x = i % 5, y = i / 5;
        EXPECT_EQ(Bytes(rgba.begin() + i * 4, rgba.begin() + i * 4 + 3), colour(1, x, y)) << i;
    }
    EXPECT_FALSE(st().working.iplSrc32) << "the working copy is released";
    EXPECT_EQ(px(1, 0, 0, 3), 65535) << "the layer keeps its alpha";

    st().maskActive = 0;
    PTE_ToClipboard();
    EXPECT_EQ(rgba_of(clipboard_.dib, w, h)[3], 255) << "the mask only counts while it is in force";
}

TEST_F(ClipboardTest, CopiedRectangleIsCutInEitherCornerOrderAndClipped) {
    make_image(10, 8);
    fill_layer(1);
    int32_t w = 0, h = 0;
    PTE_ToClipboardRect(7, 5, 2, 1);
    Bytes rgba = rgba_of(clipboard_.dib, w, h);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 4), high(1, 2, 1)) << "the top-left corner";
    EXPECT_EQ(Bytes(rgba.end() - 4, rgba.end()), high(1, 6, 4)) << "the bottom-right pixel inside the rectangle";
    PTE_ToClipboardRect(-3, 12, 2, 6);
    rgba = rgba_of(clipboard_.dib, w, h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2) << "held to the image";
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 4), high(1, 0, 6));
    const int puts = clipboard_.puts;
    PTE_ToClipboardRect(20, 20, 30, 30);
    PTE_ToClipboardRect(3, 3, 3, 7);
    EXPECT_EQ(clipboard_.puts, puts) << "nothing of the image in the rectangle: the clipboard stays";
}

TEST_F(ClipboardTest, CallerPictureGetsTheMaskOnlyWhereItLiesOverTheImage) {
    make_image(4, 3);
    for (size_t i = 0; i < st().mask.values.size(); ++i) st().mask.values[i] = 0;
    // A picture larger than the image: its pixels beyond the image keep
    // their alpha, and nothing past the picture is touched.
    Picture big(6, 5, 200);
    PTE_RGBA32ToClipboard(big.rgba.data(), big.w, big.h);
    EXPECT_EQ(big.px(3, 2)[3], 0) << "over the image: masked in place";
    EXPECT_EQ(big.px(4, 2)[3], 200) << "right of the image";
    EXPECT_EQ(big.px(0, 3)[3], 200) << "below the image";
    int32_t w = 0, h = 0;
    const Bytes rgba = rgba_of(clipboard_.dib, w, h);
    EXPECT_EQ(w, 6);
    EXPECT_EQ(rgba, big.rgba);
    // A smaller one is masked only over its own pixels.
    Picture small(2, 2, 90);
    PTE_RGBA32ToClipboard(small.rgba.data(), 2, 2);
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(small.rgba[i * 4 + 3], 0);
    const int puts = clipboard_.puts;
    PTE_RGBA32ToClipboard(nullptr, 2, 2);
    PTE_RGBA32ToClipboard(small.rgba.data(), 0, 2);
    EXPECT_EQ(clipboard_.puts, puts);
}

// ---- Pasting ----

TEST_F(ClipboardTest, PasteFillsNewRGBAOrLeavesIt) {
    make_image(8, 8);
    set_new_rgba(3, 2, 0x33);
    EXPECT_EQ(PTE_FromClipboard(), 0) << "empty clipboard";
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 3);
    clipboard_.dib = {1, 2, 3};
    EXPECT_EQ(PTE_FromClipboard(), 0) << "not a bitmap";
    EXPECT_EQ(st().io.newRGBA[0], 0x33);
    const Picture p(5, 3, 180);
    offer(p);
    ASSERT_EQ(PTE_FromClipboard(), 1);
    ASSERT_EQ(PTE_GetNewRGBAWidth(), 5);
    ASSERT_EQ(PTE_GetNewRGBAHeight(), 3);
    Bytes got(p.rgba.size());
    PTE_GetNewRGBA32(got.data());
    EXPECT_EQ(got, p.rgba) << "alpha comes with a bitmap that has it";
}

TEST_F(ClipboardTest, PasteCentredOnAPointStartsHalfTheSizeBeforeIt) {
    make_image(200, 200);
    fill_layer(1);
    const std::vector<uint16_t> before = layer(1);
    const Picture p(101, 51);
    offer(p);
    ASSERT_EQ(PTE_FromClipboardInto(100, 100, 1), 1);
    // 101 / 2 = 50 and 51 / 2 = 25: the corner lands on (50, 75).
    EXPECT_EQ(high(1, 50, 75), Bytes(p.px(0, 0), p.px(0, 0) + 4));
    EXPECT_EQ(high(1, 150, 125), Bytes(p.px(100, 50), p.px(100, 50) + 4));
    for (const auto& [x, y] : {std::pair{49, 75}, {50, 74}, {151, 125}, {150, 126}}) {
        const size_t i = (size_t(y) * 200 + x) * 4;
        EXPECT_EQ(px(1, x, y, 0), before[i] & 0xFF00) << x << "," << y << ": the layer as it was, to 8 bits";
    }
    EXPECT_FALSE(st().io.newRGBA) << "the paste's copy is released";
    EXPECT_FALSE(st().working.iplSrc32);
    ASSERT_EQ(PTE_FromClipboardInto(0, 0, 0), 1);
    EXPECT_EQ(high(1, 0, 0), Bytes(p.px(0, 0), p.px(0, 0) + 4)) << "not centred: the corner at the point";
}

TEST_F(ClipboardTest, PasteWithNothingToPasteOrNowhereToPasteChangesNothing) {
    make_image(20, 20);
    fill_layer(1);
    const std::vector<uint16_t> before = layer(1);
    set_new_rgba(2, 2, 0x44);
    EXPECT_EQ(PTE_FromClipboardInto(5, 5, 0), 0) << "empty clipboard";
    EXPECT_EQ(PTE_FromClipboardIntoEX(5, 5, 2.0f, 30, 0, 1), 0);
    EXPECT_EQ(PTE_FromClipboardIntoEX2(5, 5, 10, 30, 0, 1), 0);
    EXPECT_EQ(layer(1), before);
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 2) << "the picture from before stays";
    offer(Picture(3, 3));
    PTE_DeleteLayer(1);
    EXPECT_EQ(PTE_FromClipboardInto(5, 5, 0), 0) << "no current layer";
    PTE_FromClipboardIntoEX(5, 5, 1.0f, 0, 0, 0);
    PTE_FromClipboardIntoEX2(5, 5, 3, 0, 0, 0);
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 2);
    EXPECT_EQ(st().io.newRGBA[0], 0x44);
}

TEST_F(ClipboardTest, ScaledAndTurnedPastesTakeTheirNewShape) {
    make_image(40, 40, 1);
    PTE_SetLayer(2);  // transparent: every pasted pixel shows
    Picture row(3, 1);
    offer(row);
    PTE_FromClipboardIntoEX(10, 10, 1.0f, 90, 0, 0);
    // A quarter turn counter-clockwise: the row's right end is on top.
    EXPECT_EQ(high(2, 10, 10)[0], row.px(2, 0)[0]);
    EXPECT_EQ(high(2, 10, 12)[0], row.px(0, 0)[0]);
    EXPECT_EQ(px(2, 11, 10, 3), 0) << "one column wide";
    EXPECT_EQ(px(2, 10, 13, 3), 0);

    PTE_Clear(0, 0, 0, 0);
    Picture four(4, 2);
    offer(four);
    PTE_FromClipboardIntoEX(0, 0, 0.5f, 0, 0, 0);
    EXPECT_NE(px(2, 1, 0, 3), 0);
    EXPECT_EQ(px(2, 2, 0, 3), 0) << "half of 4 wide";
    EXPECT_EQ(px(2, 0, 1, 3), 0) << "half of 2 high";
    // Sizes that are no picture leave the picture as it was.
    PTE_Clear(0, 0, 0, 0);
    PTE_FromClipboardIntoEX(0, 0, std::nanf(""), 0, 0, 0);
    PTE_FromClipboardIntoEX(0, 0, 1e30f, 0, 0, 0);
    EXPECT_NE(px(2, 3, 1, 3), 0) << "unscaled";
    EXPECT_EQ(px(2, 4, 1, 3), 0);
}

TEST_F(ClipboardTest, UnscaledUnturnedPasteIsThePictureInBothForms) {
    make_image(30, 20, 1);
    PTE_SetLayer(2);
    const Picture p(9, 7);
    offer(p);
    PTE_FromClipboardIntoEX(12, 9, 1.0f, 0, 1, 0);
    const std::vector<uint16_t> ex = layer(2);
    PTE_Clear(0, 0, 0, 0);
    offer(p);
    PTE_FromClipboardIntoEX2(12, 9, 9, 360, 1, 1);  // the longer side kept, a full turn
    EXPECT_EQ(layer(2), ex);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 9; ++x)
            EXPECT_EQ(colour(2, 8 + x, 6 + y), Bytes(p.px(x, y), p.px(x, y) + 3)) << x << "," << y << ": colour unchanged";
}

TEST_F(ClipboardTest, SizedPasteBringsTheLongerSideToTheSize) {
    make_image(300, 300, 1);
    PTE_SetLayer(2);
    offer(Picture(400, 100));
    PTE_FromClipboardIntoEX2(0, 0, 200, 0, 0, 0);
    EXPECT_NE(px(2, 199, 49, 3), 0);
    EXPECT_EQ(px(2, 200, 49, 3), 0) << "200 wide";
    EXPECT_EQ(px(2, 199, 50, 3), 0) << "50 high";
    PTE_Clear(0, 0, 0, 0);
    offer(Picture(4, 4));
    PTE_FromClipboardIntoEX2(0, 0, -5, 0, 0, 0);
    EXPECT_NE(px(2, 0, 0, 3), 0) << "no size: one pixel";
    EXPECT_EQ(px(2, 1, 0, 3), 0);
}

TEST_F(ClipboardTest, SizedPasteMergesOnlyWhatLiesOverTheImage) {
    make_image(50, 50, 1);
    PTE_SetLayer(2);
    const Picture p(30, 20);
    offer(p);
    PTE_FromClipboardIntoEX2(-10, -10, 30, 0, 0, 0);
    EXPECT_EQ(colour(2, 0, 0), Bytes(p.px(10, 10), p.px(10, 10) + 3)) << "the picture's own origin moved";
    EXPECT_NE(px(2, 19, 9, 3), 0);
    EXPECT_EQ(px(2, 20, 0, 3), 0);
    EXPECT_EQ(px(2, 0, 10, 3), 0);
    PTE_Clear(0, 0, 0, 0);
    offer(p);
    PTE_FromClipboardIntoEX2(40, 45, 30, 0, 0, 0);  // past the right and bottom edges
    EXPECT_EQ(colour(2, 49, 49), Bytes(p.px(9, 4), p.px(9, 4) + 3));
    EXPECT_EQ(px(2, 39, 49, 3), 0);
    PTE_Clear(0, 0, 0, 0);
    offer(p);
    PTE_FromClipboardIntoEX2(60, 0, 30, 0, 0, 0);  // wholly outside
    for (uint16_t v : layer(2)) ASSERT_EQ(v, 0);
}

TEST_F(ClipboardTest, SmoothSizedPasteWorksOnPremultipliedColour) {
    // (100, 0, 255, 128) premultiplied is (50, 0, 128); divided again after
    // the resampling, 50 * 255 / 128 = 99.6 truncates to 99. The scaled
    // paste of the first form keeps the colour as it is.
    make_image(8, 8, 1);
    PTE_SetLayer(2);
    Picture p(1, 1);
    std::memcpy(p.px(0, 0), "\x64\x00\xFF\x80", 4);
    offer(p);
    PTE_FromClipboardIntoEX2(0, 0, 2, 0, 0, 1);
    EXPECT_EQ(colour(2, 1, 1), (Bytes{99, 0, 255}));
    PTE_Clear(0, 0, 0, 0);
    offer(p);
    PTE_FromClipboardIntoEX(0, 0, 2.0f, 0, 0, 1);
    EXPECT_EQ(colour(2, 1, 1), (Bytes{100, 0, 255}));
}

// ---- Screen capture ----

TEST_F(ClipboardTest, CaptureTurnsTheScreenIntoAnOpaquePicture) {
    make_image(4, 4);
    set_new_rgba(1, 1, 9);
    screen_.works = false;
    EXPECT_EQ(PTE_ScreenCapture(), 0);
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 1) << "no screen: newRGBA stays";
    screen_.works = true;
    screen_.image.width = 3;
    screen_.image.height = 2;
    screen_.image.bits = {10, 20, 30, 0, 11, 21, 31, 0, 12, 22, 32, 0, 13, 23, 33, 0, 14, 24, 34, 0, 15, 25, 35, 0};
    ASSERT_EQ(PTE_ScreenCapture(), 1);
    ASSERT_EQ(PTE_GetNewRGBAWidth(), 3);
    ASSERT_EQ(PTE_GetNewRGBAHeight(), 2);
    Bytes got(24);
    PTE_GetNewRGBA32(got.data());
    EXPECT_EQ(got, (Bytes{30, 20, 10, 255, 31, 21, 11, 255, 32, 22, 12, 255, 33, 23, 13, 255, 34, 24, 14, 255, 35, 25,
                          15, 255}));
    ASSERT_EQ(PTE_ScreenCaptureInto(), 1);
    EXPECT_EQ(high(1, 2, 1), (Bytes{35, 25, 15, 255}));
    EXPECT_EQ(high(1, 3, 1), (Bytes{255, 255, 255, 255})) << "beyond the screen the layer stays";
    EXPECT_FALSE(st().io.newRGBA);
    PTE_DeleteLayer(1);
    EXPECT_EQ(PTE_ScreenCaptureInto(), 0) << "no layer to capture into";
}

// ---- The clipboard of a process without a display ----

TEST_F(EngineTest, WithoutDisplayTheClipboardLivesInTheProcess) {
    unsetenv("DISPLAY");
    make_image(6, 4);
    PTE_ToClipboard();
    EXPECT_EQ(PTE_IsClipboardOwner(), 0) << "no other program can read it";
    ASSERT_EQ(PTE_FromClipboard(), 1);
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 6);
    Bytes got(6 * 4 * 4);
    PTE_GetNewRGBA32(got.data());
    EXPECT_EQ(got, Bytes(got.size(), 255));
    EXPECT_EQ(PTE_ScreenCapture(), 0);
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 6);
}
