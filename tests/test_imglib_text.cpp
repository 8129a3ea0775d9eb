// Text of our imaging library: the font record read the way it is stored,
// and text that lands in its rectangle in its colour, shaped as the script
// asks.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/imglib/draw.h"
#include "platform/imglib/text.h"

using namespace imglib;

namespace {

FontRecord record(int32_t height, int32_t weight = 0, const char* face = "") {
    FontRecord r{};
    r.height = height;
    r.weight = weight;
    std::strncpy(r.faceName, face, sizeof r.faceName);
    return r;
}

// A transparent black RGBA32 picture and what a text left in it.
struct Canvas {
    int w, h;
    std::vector<uint8_t> v;
    Canvas(int w_, int h_) : w(w_), h(h_), v(size_t(w_ * h_ * 4), 0) {}
    const uint8_t* at(int x, int y) const { return &v[size_t((y * w + x) * 4)]; }

    BOOL draw(const char* text, const FontRecord& font, bool smooth, TextRect rect, uint32_t colour = 0xFF0000FF) {
        return IS40_DrawSmoothTextOnRGBA2(v.data(), uint32_t(w), uint32_t(h), uint32_t(w * 4), text, &font,
                                          smooth ? kSmoothEdges : 1, rect, 0, 0, colour);
    }
    TextRect whole() const { return {0, 0, w, h}; }

    // Alpha summed over a rectangle of columns and rows (ends excluded).
    long ink(int x0 = 0, int y0 = 0, int x1 = INT_MAX, int y1 = INT_MAX) const {
        long sum = 0;
        for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, w); ++x) sum += at(x, y)[3];
        return sum;
    }
    // The first and last columns with ink, or -1.
    int first_column() const {
        for (int x = 0; x < w; ++x)
            if (ink(x, 0, x + 1, h) > 0) return x;
        return -1;
    }
    int last_column() const {
        for (int x = w - 1; x >= 0; --x)
            if (ink(x, 0, x + 1, h) > 0) return x;
        return -1;
    }
};

}  // namespace

TEST(ImglibFontRecord, StoredLayoutAndDefaults) {
    static_assert(offsetof(FontRecord, weight) == 16 && offsetof(FontRecord, italic) == 20 &&
                  offsetof(FontRecord, pitchAndFamily) == 27 && offsetof(FontRecord, faceName) == 28);
    const render2d::FontChoice zero = font_from_record(FontRecord{});
    EXPECT_EQ(zero.families, "sans-serif");
    EXPECT_EQ(zero.pixelSize, 16);
    EXPECT_FALSE(zero.cellHeight);
    EXPECT_EQ(zero.weight, 400);
    EXPECT_FALSE(zero.italic || zero.underline || zero.strikeOut);

    struct Row {
        int32_t height;
        double pixels;
        bool cell;
    };
    for (const Row& r : {Row{-20, 20, false}, Row{20, 20, true}, Row{-1, 1, false},
                         Row{INT32_MIN, render2d::kMaxFontPixels, false}, Row{INT32_MAX, render2d::kMaxFontPixels, true}}) {
        const render2d::FontChoice s = font_from_record(record(r.height));
        EXPECT_EQ(s.pixelSize, r.pixels) << r.height;
        EXPECT_EQ(s.cellHeight, r.cell) << r.height;
    }
    for (auto [weight, want] : {std::pair{0, 400}, {1, 100}, {700, 700}, {1000, 1000}, {5000, 1000}, {-3, 100}})
        EXPECT_EQ(font_from_record(record(-10, weight)).weight, want) << weight;

    FontRecord styled = record(-12, 0, "DejaVu Serif");
    styled.italic = 1, styled.underline = 2, styled.strikeOut = 255;
    const render2d::FontChoice s = font_from_record(styled);
    EXPECT_EQ(s.families, "DejaVu Serif,sans-serif");
    EXPECT_TRUE(s.italic && s.underline && s.strikeOut);

    // The pitch and family byte names the generic family that follows the face.
    for (auto [pitch, family] : {std::pair{0x10, "serif"}, {0x20, "sans-serif"}, {0x30, "monospace"},
                                 {0x01, "monospace"}, {0x42, "cursive"}, {0x50, "fantasy"}}) {
        FontRecord r = record(-10);
        r.pitchAndFamily = uint8_t(pitch);
        EXPECT_EQ(font_from_record(r).families, family) << pitch;
    }
    // A name filling all 32 bytes has no terminator; one not UTF-8 is left out.
    FontRecord full = record(-10);
    std::memset(full.faceName, 'A', 32);
    EXPECT_EQ(font_from_record(full).families, std::string(32, 'A') + ",sans-serif");
    FontRecord broken = record(-10, 0, "Bad\xff\xfe");
    EXPECT_EQ(font_from_record(broken).families, "sans-serif");
}

TEST(ImglibText, AliasedTextIsTheColourOrNothingInsideItsRectangle) {
    Canvas c(160, 60);
    const TextRect rect{20, 10, 160, 60};
    ASSERT_TRUE(c.draw("Hxg", record(-28), false, rect, 0xFF2040C0));
    long covered = 0;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const std::vector<uint8_t> p(c.at(x, y), c.at(x, y) + 4);
            if (p[3] == 0) {
                EXPECT_EQ(p, (std::vector<uint8_t>{0, 0, 0, 0}));
                continue;
            }
            ++covered;
            EXPECT_EQ(p, (std::vector<uint8_t>{0xC0, 0x40, 0x20, 0xFF})) << x << "," << y;
            EXPECT_GE(x, rect.left) << "left of the rectangle";
            EXPECT_GE(y, rect.top) << "above the rectangle";
        }
    EXPECT_GT(covered, 150);
    // The text begins at its corner, not somewhere along the line.
    EXPECT_LE(c.first_column(), rect.left + 4);
    EXPECT_GT(c.ink(0, rect.top, c.w, rect.top + 14), 0) << "capitals reach near the top";
}

TEST(ImglibText, SmoothTextBlendsItsEdgesAndKeepsToTheClip) {
    Canvas smooth(200, 50), clipped(200, 50);
    ASSERT_TRUE(smooth.draw("Quiet water", record(-24), true, smooth.whole()));
    long partial = 0;
    for (int y = 0; y < smooth.h; ++y)
        for (int x = 0; x < smooth.w; ++x) partial += smooth.at(x, y)[3] > 0 && smooth.at(x, y)[3] < 255;
    EXPECT_GT(partial, 50);
    // The same text in a rectangle that ends mid-line: the same pixels up to
    // its edge, none past it.
    ASSERT_TRUE(clipped.draw("Quiet water", record(-24), true, {0, 0, 60, 20}));
    EXPECT_EQ(clipped.ink(60, 0), 0);
    EXPECT_EQ(clipped.ink(0, 20), 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) ASSERT_EQ(0, std::memcmp(clipped.at(x, y), smooth.at(x, y), 4)) << x << "," << y;
}

TEST(ImglibText, HeavierAndTallerRecordsInkMore) {
    Canvas regular(300, 60), bold(300, 60), cell(300, 60);
    ASSERT_TRUE(regular.draw("Bold or not", record(-30, 400), true, regular.whole()));
    ASSERT_TRUE(bold.draw("Bold or not", record(-30, 700), true, bold.whole()));
    EXPECT_GT(bold.ink(), regular.ink() * 11 / 10);
    // A positive height is the cell (ascent and descent), so the characters are smaller.
    ASSERT_TRUE(cell.draw("Bold or not", record(30, 400), true, cell.whole()));
    EXPECT_LT(cell.last_column(), regular.last_column());
    EXPECT_GT(cell.ink(), 0);
}

TEST(ImglibText, RightToLeftTextIsOrderedAndShaped) {
    // Hebrew alef then yod: right to left the short yod stands at the left,
    // so the columns a yod alone takes have no ink in the word's bottom
    // quarter, which the alef reaches.
    Canvas word(120, 60), yod(120, 60);
    ASSERT_TRUE(word.draw("\u05D0\u05D9", record(-40), false, word.whole()));
    ASSERT_TRUE(yod.draw("\u05D9", record(-40), false, yod.whole()));
    const int left = word.first_column(), right = word.last_column();
    const int yodWidth = yod.last_column() - yod.first_column() + 1;
    ASSERT_GT(right - left, 2 * yodWidth);
    int top = -1, bottom = -1;
    for (int y = 0; y < word.h && top < 0; ++y)
        if (word.ink(0, y, word.w, y + 1) > 0) top = y;
    for (int y = word.h - 1; y >= 0 && bottom < 0; --y)
        if (word.ink(0, y, word.w, y + 1) > 0) bottom = y;
    const int low = top + (bottom - top) * 3 / 4 + 1;
    EXPECT_EQ(word.ink(left, low, left + yodWidth, word.h), 0) << "the yod is on the left";
    EXPECT_GT(word.ink(right - yodWidth, low, right + 1, word.h), 0) << "the alef on the right";

    // Arabic lam and alef join into one narrower ligature; a zero-width
    // non-joiner between them keeps them apart.
    Canvas joined(120, 60), apart(120, 60);
    ASSERT_TRUE(joined.draw("\u0644\u0627", record(-40), true, joined.whole()));
    ASSERT_TRUE(apart.draw("\u0644\u200C\u0627", record(-40), true, apart.whole()));
    EXPECT_LT(joined.last_column() - joined.first_column(), apart.last_column() - apart.first_column());
}

TEST(ImglibText, MissingFontsFallBackAndOddTextsAreSafe) {
    Canvas known(200, 50), unknown(200, 50), cjk(200, 50), broken(200, 50);
    ASSERT_TRUE(known.draw("Fallback", record(-24), true, known.whole()));
    ASSERT_TRUE(unknown.draw("Fallback", record(-24, 0, "No Such Face At All"), true, unknown.whole()));
    EXPECT_GT(unknown.ink(), known.ink() / 2) << "a face that is not there draws with the default";
    ASSERT_TRUE(cjk.draw("\u6F22\u5B57", record(-30), true, cjk.whole()));
    EXPECT_GT(cjk.ink(), 0) << "a script the default face lacks comes from a fallback font";
    // Invalid UTF-8 is drawn with replacement characters.
    ASSERT_TRUE(broken.draw("a\xff\xfe" "b\xc3", record(-24), true, broken.whole()));
    EXPECT_GT(broken.ink(), 0);

    Canvas c(40, 20);
    const std::vector<uint8_t> before = c.v;
    EXPECT_FALSE(c.draw(nullptr, record(-10), true, c.whole())) << "no text";
    EXPECT_TRUE(c.draw("", record(-10), true, c.whole())) << "nothing to draw";
    EXPECT_TRUE(c.draw("far", record(-10), true, {40, 0, 80, 20})) << "wholly outside";
    EXPECT_TRUE(c.draw("far", record(-10), true, {-300, -300, 0, 0}));
    EXPECT_EQ(c.v, before);
    // A null record is the zeroed one; a record of any bytes draws.
    EXPECT_EQ(IS40_DrawSmoothTextOnRGBA2(c.v.data(), 40, 20, 160, "x", nullptr, kSmoothEdges, c.whole(), 0, 0, ~0u), 1);
    FontRecord noise;
    std::memset(&noise, 0xA5, sizeof noise);
    EXPECT_EQ(IS40_DrawSmoothTextOnRGBA2(c.v.data(), 40, 20, 160, "Huge", &noise, kSmoothEdges, c.whole(), 0, 0, ~0u), 1);
    EXPECT_EQ(IS40_DrawSmoothTextOnRGBA2(c.v.data(), 40, 20, 159, "x", nullptr, 4, c.whole(), 0, 0, ~0u), 0)
        << "a stride shorter than a row";
}
