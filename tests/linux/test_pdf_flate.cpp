// The PDF writer of our own (the one systems without a PDF library use),
// driven through the exports and read back by poppler: page sizes at the
// resolution with the border, the border's colour and the picture's place
// on the rendered page, every stored sample without loss (as pdfimages
// extracts them), alpha as a soft mask, and slide shows.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "paintcore.h"
#include "platform/pdf_flate.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// What the command writes, runs of spaces made one.
std::string output_of(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string text;
    char buffer[4096];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        for (size_t i = 0; i < n; ++i)
            if (buffer[i] != ' ' || text.empty() || text.back() != ' ') text += buffer[i];
    return text;
}

// A picture as poppler hands it out: PPM (P6) or PGM (P5) bytes, top row first.
struct Netpbm {
    int w = 0, h = 0, channels = 0;
    Bytes samples;
    Bytes at(int x, int y) const {
        const uint8_t* p = &samples[(size_t(y) * w + x) * channels];
        return Bytes(p, p + channels);
    }
};

Netpbm read_netpbm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Netpbm r;
    std::string magic;
    int maximum = 0;
    in >> magic >> r.w >> r.h >> maximum;
    in.get();
    r.channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
    if (r.channels == 0 || maximum != 255) return {};
    r.samples.resize(size_t(r.w) * r.h * r.channels);
    in.read(reinterpret_cast<char*>(r.samples.data()), std::streamsize(r.samples.size()));
    return in ? r : Netpbm{};
}

// Page `page` rendered by pdftoppm at 96 dots an inch: one pixel a picture
// pixel. (Its image scaling smooths between samples, so the samples
// themselves are judged through pdfimages.)
Netpbm render(const std::string& pdf, int page, const std::string& stem) {
    output_of("pdftoppm -r 96 -f " + std::to_string(page) + " -l " + std::to_string(page) + " -singlefile '" + pdf +
              "' '" + stem + "' 2>&1");
    return read_netpbm(stem + ".ppm");
}

// The document's images as stored, in order, numbered from 000: pdfimages
// writes them as PPM (soft masks too, grey in all three channels) or PGM.
Netpbm stored_image(const std::string& pdf, int number, const std::string& stem) {
    if (number == 0) output_of("pdfimages '" + pdf + "' '" + stem + "' 2>&1");
    char name[16];
    std::snprintf(name, sizeof name, "-%03d", number);
    for (const char* ext : {".pgm", ".ppm"})
        if (std::filesystem::exists(stem + name + ext)) return read_netpbm(stem + name + ext);
    return {};
}

class FlatePdf : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        before_ = platform::install_pdf_writer(&platform::flate_pdf_writer());
        PTE_I2PDF_Reset();
    }
    void TearDown() override {
        PTE_I2PDF_Reset();
        platform::install_pdf_writer(before_);
        EngineTest::TearDown();
    }

    // A picture file of w x h in which every pixel differs.
    std::string picture(const std::string& name, int32_t w, int32_t h, uint8_t alpha) {
        Bytes rgba(size_t(w) * h * 4);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
                p[0] = uint8_t(x * 13), p[1] = uint8_t(y * 29), p[2] = uint8_t(x * y), p[3] = alpha;
            }
        const std::string path = dir_.path(name);
        EXPECT_NE(PTE_WriteToFileRGBA32(rgba.data(), w, h, path.c_str(), ".png", 96), 0);
        return path;
    }

    TempDir dir_{"pdf_flate"};

private:
    platform::PdfWriter* before_ = nullptr;
};

}  // namespace

TEST_F(FlatePdf, PagesHoldEveryPixelInsideTheGreyBorder) {
    const std::string a = picture("a.png", 17, 9, 255), b = picture("b.png", 5, 30, 255);
    ASSERT_EQ(PTE_I2PDF_AddImage(a.c_str()), 1);
    ASSERT_EQ(PTE_I2PDF_AddImage(b.c_str()), 1);
    const std::string pdf = dir_.path("out.pdf");
    ASSERT_EQ(PTE_I2PDF_MakePDF(pdf.c_str()), 1);
    EXPECT_FALSE(std::filesystem::exists(a)) << "the pictures are deleted once the document is made";

    const std::string info = output_of("pdfinfo -f 1 -l 2 '" + pdf + "' 2>&1");
    EXPECT_NE(info.find("Pages: 2"), std::string::npos) << info;
    // (17 + 40) x (9 + 40) pixels at 96 an inch, in points.
    EXPECT_NE(info.find("Page 1 size: 42.75 x 36.75 pts"), std::string::npos) << info;
    EXPECT_NE(info.find("Page 2 size: 33.75 x 52.5 pts"), std::string::npos) << info;

    const Netpbm page = render(pdf, 1, dir_.path("page1"));
    ASSERT_EQ(page.w, 57);
    ASSERT_EQ(page.h, 49);
    const Bytes grey = {196, 196, 196};
    EXPECT_EQ(page.at(0, 0), grey);
    EXPECT_EQ(page.at(19, 20), grey) << "the border is 20 pixels";
    EXPECT_EQ(page.at(20, 19), grey);
    EXPECT_EQ(page.at(56, 48), grey);
    EXPECT_LT(page.at(20, 20)[0], 13) << "the picture's dark corner begins at (20, 20)";

    for (int n = 0; n < 2; ++n) {
        const int w = n == 0 ? 17 : 5, h = n == 0 ? 9 : 30;
        const Netpbm stored = stored_image(pdf, n, dir_.path("image"));
        ASSERT_EQ(stored.channels, 3) << "colour only: the pictures are opaque";
        ASSERT_EQ(stored.w, w);
        ASSERT_EQ(stored.h, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(stored.at(x, y), (Bytes{uint8_t(x * 13), uint8_t(y * 29), uint8_t(x * y)}))
                    << "image " << n << " at " << x << ", " << y << ": top row first, without loss";
    }
}

TEST_F(FlatePdf, AlphaBecomesASoftMaskOverThePage) {
    const std::string a = picture("a.png", 4, 3, 128);
    ASSERT_EQ(PTE_I2PDF_AddImage(a.c_str()), 1);
    const std::string pdf = dir_.path("alpha.pdf");
    ASSERT_EQ(PTE_I2PDF_MakePDF(pdf.c_str()), 1);
    const std::string images = output_of("pdfimages -list '" + pdf + "' 2>&1");
    EXPECT_NE(images.find("smask"), std::string::npos) << images;
    const Netpbm colour = stored_image(pdf, 0, dir_.path("alpha")), mask = stored_image(pdf, 1, dir_.path("alpha"));
    ASSERT_EQ(colour.channels, 3);
    EXPECT_EQ(colour.at(3, 2), (Bytes{39, 58, 6})) << "colour as it was, not premultiplied";
    ASSERT_EQ(mask.w, 4) << images;
    ASSERT_EQ(mask.h, 3);
    EXPECT_EQ(mask.samples, Bytes(size_t(12 * mask.channels), 128)) << "every alpha sample, as grey";
    // Over the white page, the colour comes out about half way to white.
    const Netpbm page = render(pdf, 1, dir_.path("page"));
    ASSERT_EQ(page.w, 44);
    EXPECT_NEAR(page.at(21, 21)[1], 127 + 29 / 2, 8);
}

TEST_F(FlatePdf, ASlideShowStillReadsAndAFailureLeavesTheTargetAlone) {
    const std::string a = picture("a.png", 3, 3, 255);
    ASSERT_EQ(PTE_I2PDF_AddImage(a.c_str()), 1);
    const std::string pdf = dir_.path("show.pdf");
    ASSERT_EQ(PTE_I2PDF_MakePDFSlideshow(pdf.c_str()), 1);
    std::ifstream in(pdf, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("/FullScreen"), std::string::npos);
    EXPECT_NE(output_of("pdfinfo '" + pdf + "' 2>&1").find("Pages: 1"), std::string::npos);

    // The picture is gone now: nothing to add, nothing made, the file kept.
    EXPECT_EQ(PTE_I2PDF_AddImage(a.c_str()), 0);
    EXPECT_EQ(PTE_I2PDF_MakePDF(pdf.c_str()), 0);
    std::ifstream again(pdf, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()), text);
}
