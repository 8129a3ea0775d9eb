// What the devices hand over, turned into pictures: screen rasters, scan
// frames, and the update that makes a PDF a slide show.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/pdf_slideshow.h"
#include "platform/scan_frames.h"
#include "platform/screen_pixels.h"

using platform::RasterFormat;
using platform::ScanAssembler;
using platform::ScanFrame;

namespace {
using Bytes = std::vector<uint8_t>;
}  // namespace

// ---- Screen rasters ----

TEST(ScreenRaster, TrueColourLayoutsBecomeBlueGreenRed) {
    // One pixel of red 0xC0, green 0x80, blue 0x40 in each layout.
    struct Case {
        const char* name;
        RasterFormat format;
        Bytes pixel;
        Bytes bgrx;
    };
    const Case cases[] = {
        {"32 bits, least significant byte first", {32, false, 0xFF0000, 0xFF00, 0xFF}, {0x40, 0x80, 0xC0, 0x99},
         {0x40, 0x80, 0xC0, 0}},
        {"32 bits, most significant byte first", {32, true, 0xFF0000, 0xFF00, 0xFF}, {0x99, 0xC0, 0x80, 0x40},
         {0x40, 0x80, 0xC0, 0}},
        {"24 bits, red low", {24, false, 0xFF, 0xFF00, 0xFF0000}, {0xC0, 0x80, 0x40}, {0x40, 0x80, 0xC0, 0}},
        // 5-6-5: red 31 and blue 0 widen to 255 and 0, green 32 of 63 to 130.
        {"16 bits 5-6-5", {16, false, 0xF800, 0x07E0, 0x001F}, {0x00, 0xFC}, {0, 130, 255, 0}},
        {"16 bits 5-6-5 halves", {16, false, 0xF800, 0x07E0, 0x001F}, {0x10, 0x84}, {132, 130, 132, 0}},
    };
    for (const Case& c : cases) {
        Bytes out(4, 0xEE);
        ASSERT_TRUE(platform::raster_to_bgrx(c.pixel.data(), 1, 1, c.pixel.size(), c.format, out.data(), 4)) << c.name;
        EXPECT_EQ(out, c.bgrx) << c.name;
    }
}

TEST(ScreenRaster, RowsKeepTheirStridesAndOddFormatsAreRefused) {
    // Two rows of two 24-bit pixels, rows padded to 8 bytes.
    const Bytes raster = {1, 2, 3, 4, 5, 6, 0xAA, 0xAA, 7, 8, 9, 10, 11, 12, 0xAA, 0xAA};
    Bytes out(2 * 12, 0xEE);
    ASSERT_TRUE(platform::raster_to_bgrx(raster.data(), 2, 2, 8, {24, false, 0xFF0000, 0xFF00, 0xFF}, out.data(), 12));
    EXPECT_EQ(out, (Bytes{1, 2, 3, 0, 4, 5, 6, 0, 0xEE, 0xEE, 0xEE, 0xEE, 7, 8, 9, 0, 10, 11, 12, 0, 0xEE, 0xEE, 0xEE, 0xEE}));
    const Bytes untouched = out;
    EXPECT_FALSE(platform::raster_to_bgrx(raster.data(), 2, 2, 8, {8, false, 0xE0, 0x1C, 0x3}, out.data(), 12));
    EXPECT_FALSE(platform::raster_to_bgrx(raster.data(), 2, 2, 8, {24, false, 0xFF00FF, 0xFF00, 0}, out.data(), 12));
    EXPECT_FALSE(platform::raster_to_bgrx(raster.data(), 2, 2, 5, {24, false, 0xFF0000, 0xFF00, 0xFF}, out.data(), 12))
        << "stride shorter than a row";
    EXPECT_EQ(out, untouched);
}

// ---- Scan frames ----

namespace {
ScanFrame frame(ScanFrame::Kind kind, int32_t pixels, int32_t bytes, int32_t lines, int32_t depth) {
    ScanFrame f;
    f.kind = kind;
    f.pixelsPerLine = pixels;
    f.bytesPerLine = bytes;
    f.lines = lines;
    f.depth = depth;
    return f;
}

Bytes picture(const ScanAssembler& scan, uint32_t& w, uint32_t& h) {
    Bytes rgba;
    EXPECT_TRUE(scan.picture(rgba, w, h));
    return rgba;
}
}  // namespace

TEST(ScanFrames, GreyColourAndLineArtDepths) {
    uint32_t w = 0, h = 0;
    {
        ScanAssembler scan;  // 8-bit grey, lines padded to 4 bytes
        ASSERT_TRUE(scan.begin(frame(ScanFrame::Kind::Gray, 3, 4, 2, 8)));
        const Bytes data = {10, 20, 30, 0xFF, 40, 50, 60, 0xFF};
        scan.add(data.data(), 5);  // pieces of any length
        scan.add(data.data() + 5, 3);
        scan.end();
        EXPECT_EQ(picture(scan, w, h), (Bytes{10, 10, 10, 255, 20, 20, 20, 255, 30, 30, 30, 255, 40, 40, 40, 255, 50, 50,
                                               50, 255, 60, 60, 60, 255}));
        EXPECT_EQ(w, 3u);
        EXPECT_EQ(h, 2u);
    }
    {
        ScanAssembler scan;  // 16-bit colour: the high byte of each sample
        ASSERT_TRUE(scan.begin(frame(ScanFrame::Kind::Rgb, 1, 6, 1, 16)));
        const uint16_t samples[3] = {0x12FF, 0xAB00, 0x0180};
        scan.add(reinterpret_cast<const uint8_t*>(samples), 6);
        scan.end();
        EXPECT_EQ(picture(scan, w, h), (Bytes{0x12, 0xAB, 0x01, 255}));
    }
    {
        ScanAssembler scan;  // line art: leftmost pixel in the top bit, a set bit black
        ASSERT_TRUE(scan.begin(frame(ScanFrame::Kind::Gray, 10, 2, 1, 1)));
        const Bytes data = {0b10100000, 0b01000000};
        scan.add(data.data(), 2);
        scan.end();
        const Bytes rgba = picture(scan, w, h);
        std::string seen;
        for (uint32_t x = 0; x < w; ++x) seen += rgba[x * 4] == 0 ? '#' : '.';
        EXPECT_EQ(seen, "#.#......#");
    }
}

TEST(ScanFrames, ThreePassesFillOneChannelEachOverTheFirstPassLines) {
    ScanAssembler scan;
    const Bytes red = {1, 2, 3, 4}, green = {5, 6, 7, 8, 9, 9}, blue = {10, 11, 12, 13};
    ASSERT_TRUE(scan.begin(frame(ScanFrame::Kind::Red, 2, 2, 2, 8)));
    scan.add(red.data(), red.size());
    scan.end();
    ASSERT_TRUE(scan.begin(frame(ScanFrame::Kind::Green, 2, 2, 3, 8)));
    scan.add(green.data(), green.size());  // a line more than the first pass: dropped
    scan.end();
    ASSERT_TRUE(scan.begin(frame(ScanFrame::Kind::Blue, 2, 2, 2, 8)));
    scan.add(blue.data(), blue.size());
    scan.end();
    uint32_t w = 0, h = 0;
    EXPECT_EQ(picture(scan, w, h), (Bytes{1, 5, 10, 255, 2, 6, 11, 255, 3, 7, 12, 255, 4, 8, 13, 255}));
    EXPECT_EQ(h, 2u);
    EXPECT_FALSE(scan.begin(frame(ScanFrame::Kind::Blue, 3, 3, 2, 8))) << "another width than the first pass";
}

TEST(ScanFrames, UnknownLengthGrowsAndIncompleteLinesAreDropped) {
    ScanAssembler scan;
    ASSERT_TRUE(scan.begin(frame(ScanFrame::Kind::Gray, 2, 2, -1, 8)));
    Bytes rgba;
    uint32_t w = 0, h = 0;
    EXPECT_FALSE(scan.picture(rgba, w, h)) << "nothing yet";
    const Bytes data = {1, 2, 3, 4, 5, 6, 7};
    scan.add(data.data(), data.size());
    scan.end();
    ASSERT_TRUE(scan.picture(rgba, w, h));
    EXPECT_EQ(h, 3u) << "the half line at the end is dropped";
    EXPECT_EQ(rgba[2 * 8 + 4], 6);

    ScanAssembler bad;
    EXPECT_FALSE(bad.begin(frame(ScanFrame::Kind::Rgb, 4, 11, 1, 8))) << "lines shorter than their pixels";
    EXPECT_FALSE(bad.begin(frame(ScanFrame::Kind::Gray, 4, 4, 1, 4))) << "a depth scanners do not send";
    EXPECT_FALSE(bad.begin(frame(ScanFrame::Kind::Gray, 0, 4, 1, 8)));
    EXPECT_FALSE(bad.begin(frame(ScanFrame::Kind::Gray, 70000, 70000, 1, 8))) << "wider than a picture can be";
    bad.add(data.data(), data.size());  // no frame begun: ignored
    EXPECT_FALSE(bad.picture(rgba, w, h));
}

// ---- Slide-show update ----

namespace {

// A small document as cairo writes them: objects, a plain cross-reference
// table and a trailer.
std::string tiny_pdf() {
    std::vector<std::string> objects = {
        "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>",
        "<< /Length 0 >>\nstream\n\nendstream",
        "<< /Type /Page % 1\n   /Parent 1 0 R\n   /Group << /Type /Group /S /Transparency >>\n   /Contents 2 0 R\n>>",
        "<< /Producer (a (nested) string with >> inside) >>",
        "<< /Type /Catalog\n   /Pages 1 0 R\n>>",
    };
    std::string pdf = "%PDF-1.5\n";
    std::vector<size_t> at;
    for (size_t i = 0; i < objects.size(); ++i) {
        at.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 6\n0000000000 65535 f \n";
    for (size_t a : at) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", a);
        pdf += line;
    }
    pdf += "trailer\n<< /Size 6\n   /Root 5 0 R\n   /Info 4 0 R\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace

TEST(SlideShow, UpdateRevisesPagesAndCatalogueAtTheOffsetsItLists) {
    const std::string pdf = tiny_pdf();
    const std::string update = platform::slideshow_update(pdf, {9, 1, 4});
    ASSERT_FALSE(update.empty());
    const std::string all = pdf + update;
    // The new cross-reference section lists objects 3 and 5 where they now are.
    const size_t startxref = all.rfind("startxref\n");
    const size_t xref = std::stoul(all.substr(startxref + 10));
    ASSERT_EQ(all.compare(xref, 5, "xref\n"), 0);
    // Subsections of one entry each: "N 1", then "OOOOOOOOOO 00000 n ".
    std::vector<unsigned long> numbers;
    size_t at = xref + 5;
    unsigned long number = 0, offset = 0;
    int used = 0;
    while (std::sscanf(all.c_str() + at, "%lu 1\n%10lu 00000 n \n%n", &number, &offset, &used) == 2 && used > 0) {
        numbers.push_back(number);
        EXPECT_EQ(all.compare(offset, std::to_string(number).size() + 6, std::to_string(number) + " 0 obj"), 0)
            << "object " << number << " at " << offset;
        at += size_t(used);
        used = 0;
    }
    EXPECT_EQ(numbers, (std::vector<unsigned long>{3, 5})) << "the page and the catalogue, nothing else";
    EXPECT_NE(update.find("/Dur 4 /Trans << /Type /Trans /S /Cover /D 1 >>"), std::string::npos);
    EXPECT_NE(update.find("/PageMode /FullScreen"), std::string::npos);
    EXPECT_NE(update.find("/Size 6 /Root 5 0 R /Info 4 0 R /Prev " + std::to_string(pdf.find("xref\n0 6"))),
              std::string::npos);
    EXPECT_EQ(update.substr(update.size() - 6), "%%EOF\n");
}

TEST(SlideShow, DocumentsItCannotReadAreLeftAlone) {
    EXPECT_TRUE(platform::slideshow_update("", {}).empty());
    EXPECT_TRUE(platform::slideshow_update("%PDF-1.5\nstartxref\n999999\n%%EOF\n", {}).empty());
    std::string pdf = tiny_pdf();
    // A cross-reference stream instead of a table.
    const size_t xref = pdf.find("xref\n0 6");
    std::string streamed = pdf;
    streamed.replace(xref, 4, "XREF");
    EXPECT_TRUE(platform::slideshow_update(streamed, {}).empty());
    // No catalogue.
    std::string headless = pdf;
    headless.replace(headless.find("/Catalog"), 8, "/Catalox");
    EXPECT_TRUE(platform::slideshow_update(headless, {}).empty());
    // Transition numbers outside the list replace.
    EXPECT_NE(platform::slideshow_update(pdf, {40, 2, 3}).find("/S /R /D 2"), std::string::npos);
}
