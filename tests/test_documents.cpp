// Scanning, PDF documents and AVI videos: the engine's calls into devices
// standing in for the system's, and scans from SANE's test backend.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "io/clipboard.h"
#include "io/documents.h"
#include "io/image_files.h"
#include "platform/pdf.h"
#include "platform/scanner.h"
#include "platform/video.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// SANE reads its configuration once, when it starts: the test backend only,
// from a folder of our own, so no real scanner or network is probed.
class SaneConfiguration : public ::testing::Environment {
public:
    void SetUp() override {
        std::ofstream(folder_.path("dll.conf")) << "test\n";
        std::ofstream(folder_.path("test.conf")) << "resolution 25.0\ntest-picture \"Color pattern\"\n"
                                                    "br_x 40.0\nbr_y 30.0\n";
        setenv("SANE_CONFIG_DIR", folder_.dir().c_str(), 1);
    }

private:
    TempDir folder_{"sane"};
};
const auto* const sane_configuration = ::testing::AddGlobalTestEnvironment(new SaneConfiguration);

// A P6 picture as scanimage writes it, as RGB bytes; empty when it cannot be had.
Bytes scanimage(const std::string& device, int& w, int& h) {
    const std::string command = "scanimage -d " + device + " --mode Color --format=pnm 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) text.append(buffer, n);
    // "P6", comment lines, width, height, maximum, one white-space byte.
    size_t at = 2;
    std::vector<int> numbers;
    while (numbers.size() < 3 && at < text.size()) {
        if (text[at] == '#') at = text.find('\n', at);
        else if (std::isdigit(static_cast<unsigned char>(text[at]))) {
            size_t end = at;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
            numbers.push_back(std::stoi(text.substr(at, end - at)));
            at = end;
        } else ++at;
    }
    if (text.compare(0, 2, "P6") != 0 || numbers.size() != 3 || numbers[2] != 255) return {};
    w = numbers[0];
    h = numbers[1];
    return Bytes(text.begin() + long(at + 1), text.end());
}

}  // namespace

// ---- Scanner ----

TEST_F(EngineTest, TestBackendScansWhatScanimageScans) {
    ASSERT_EQ(PTE_IsTwain(), 1);
    EXPECT_STREQ(PTE_TwainGetSourceName(0), "test:0");
    EXPECT_STREQ(PTE_TwainGetSourceName(1), "test:1");
    EXPECT_STREQ(PTE_TwainGetSourceName(2), "");
    EXPECT_STREQ(PTE_TwainGetSourceName(-1), "");
    EXPECT_EQ(PTE_TwainChooseSource("no such scanner"), 0);
    EXPECT_EQ(PTE_TwainChooseSource(nullptr), 0);
    ASSERT_EQ(PTE_TwainChooseSource("test:1"), 1);
    ASSERT_EQ(PTE_TwainSelectSource(), 1);
    ASSERT_EQ(PTE_TwainAcquire(), 1);
    int w = 0, h = 0;
    const Bytes rgb = scanimage("test:1", w, h);
    if (rgb.empty()) GTEST_SKIP() << "scanimage is not there to compare with";
    ASSERT_EQ(PTE_GetNewRGBAWidth(), w);
    ASSERT_EQ(PTE_GetNewRGBAHeight(), h);
    Bytes rgba(size_t(w) * h * 4);
    PTE_GetNewRGBA32(rgba.data());
    ASSERT_EQ(rgb.size(), size_t(w) * h * 3);
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        ASSERT_EQ(Bytes(rgba.begin() + long(i * 4), rgba.begin() + long(i * 4 + 3)),
                  Bytes(rgb.begin() + long(i * 3), rgb.begin() + long(i * 3 + 3)))
            << "pixel " << i;
        ASSERT_EQ(rgba[i * 4 + 3], 255);
    }
}

namespace {

class FakeScanner final : public platform::Scanner {
public:
    bool there = true;
    platform::Dib scan;
    int selects = 0;
    bool available() override { return there; }
    bool select_source() override { return ++selects, true; }
    std::string source_name(int32_t index) override { return index == 0 ? "fake" : ""; }
    bool choose_source(const std::string& name) override { return name == "fake"; }
    platform::Dib acquire() override { return scan; }
};

class ScannerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        before_ = platform::install_scanner(&scanner_);
    }
    void TearDown() override {
        platform::install_scanner(before_);
        EngineTest::TearDown();
    }
    FakeScanner scanner_;

private:
    platform::Scanner* before_ = nullptr;
};

}  // namespace

TEST_F(ScannerTest, WithoutScannerNothingIsShownOrChanged) {
    io::create_new_rgba(st(), 2, 1);
    scanner_.there = false;
    EXPECT_EQ(PTE_IsTwain(), 0);
    EXPECT_EQ(PTE_TwainSelectSource(), 0);
    EXPECT_EQ(scanner_.selects, 0) << "no selection without the service";
    EXPECT_EQ(PTE_TwainAcquire(), 0);
    EXPECT_STREQ(PTE_TwainGetSourceName(0), "");
    EXPECT_EQ(PTE_TwainChooseSource("fake"), 0);
    scanner_.there = true;
    scanner_.scan = {0x28, 0, 0};  // a header cut short
    EXPECT_EQ(PTE_TwainAcquire(), 0);
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 2) << "newRGBA as it was";
    const Bytes rgba = {1, 2, 3, 0, 4, 5, 6, 9};
    scanner_.scan = io::rgba_to_dib(rgba.data(), 1, 2);
    ASSERT_EQ(PTE_TwainAcquire(), 1);
    Bytes got(8);
    PTE_GetNewRGBA32(got.data());
    EXPECT_EQ(got, rgba);
}

// ---- PDF ----

namespace {

// Records the calls in order, answering each from a table.
class FakePdf final : public platform::PdfWriter {
public:
    std::vector<std::string> calls;
    int32_t makeAnswer = 1;
    int32_t reset() override { return note("reset"), 7; }
    int32_t add_image(const char* path) override { return note(std::string("add ") + path), 1; }
    int32_t silent_running() override { return note("silent"), 1; }
    int32_t set_dpi(int32_t dpi) override { return note("dpi " + std::to_string(dpi)), 1; }
    int32_t delete_images_on_convert() override { return note("delete"), 1; }
    int32_t set_border(int32_t l, int32_t t, int32_t r, int32_t b) override {
        return note("border " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) + " " +
                    std::to_string(b)),
               1;
    }
    int32_t set_border_color(int32_t r, int32_t g, int32_t b) override {
        return note("colour " + std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b)), 1;
    }
    int32_t slide_show(int32_t e, int32_t d, int32_t p) override {
        return note("slides " + std::to_string(e) + " " + std::to_string(d) + " " + std::to_string(p)), 1;
    }
    int32_t make_pdf(const char* path, int32_t options, char* message, int32_t capacity) override {
        note(std::string("make ") + path + " " + std::to_string(options) + " " + std::to_string(capacity));
        if (message != nullptr && capacity > 0) message[0] = '\0';
        return makeAnswer;
    }

private:
    void note(const std::string& call) { calls.push_back(call); }
};

class PdfTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        before_ = platform::install_pdf_writer(&pdf_);
    }
    void TearDown() override {
        platform::install_pdf_writer(before_);
        EngineTest::TearDown();
    }
    FakePdf pdf_;

private:
    platform::PdfWriter* before_ = nullptr;
};

const std::vector<std::string> kCommonSettings = {"silent", "dpi 96", "delete", "border 20 20 20 20",
                                                  "colour 196 196 196"};

}  // namespace

TEST_F(PdfTest, DocumentSettingsComeInOrderAndTheListIsResetAfter) {
    EXPECT_EQ(PTE_I2PDF_Reset(), 7);
    EXPECT_EQ(PTE_I2PDF_AddImage("a.png"), 1);
    EXPECT_EQ(PTE_I2PDF_AddImage(nullptr), 0);
    EXPECT_EQ(PTE_I2PDF_MakePDF("out.pdf"), 1);
    std::vector<std::string> expected = {"reset", "add a.png"};
    expected.insert(expected.end(), kCommonSettings.begin(), kCommonSettings.end());
    expected.insert(expected.end(), {"make out.pdf 0 1024", "reset"});
    EXPECT_EQ(pdf_.calls, expected);
}

TEST_F(PdfTest, SlideShowSettingComesFirstAndAFailureIsReportedAsOne) {
    pdf_.makeAnswer = 0;
    EXPECT_EQ(PTE_I2PDF_MakePDFSlideshow("show.pdf"), 0) << "the document's result, not the reset's";
    std::vector<std::string> expected = {"slides 9 1 4"};
    expected.insert(expected.end(), kCommonSettings.begin(), kCommonSettings.end());
    expected.insert(expected.end(), {"make show.pdf 0 1024", "reset"});
    EXPECT_EQ(pdf_.calls, expected);
    pdf_.calls.clear();
    EXPECT_EQ(PTE_I2PDF_MakePDF(nullptr), 0);
    EXPECT_EQ(pdf_.calls.back(), "reset") << "no file: nothing made, the list still reset";
}

// ---- AVI ----

namespace {

struct Frame {
    int64_t index;
    Bytes bits;
};

class FakeVideo final : public platform::VideoFile {
public:
    explicit FakeVideo(struct FakeVideos& owner) : owner_(owner) {}
    bool start_stream(const platform::VideoFormat& f) override;
    bool write_frame(int64_t index, const uint8_t* bits, uint64_t size) override;
    bool close() override;
    void discard() override;

private:
    struct FakeVideos& owner_;
};

struct FakeVideos final : public platform::VideoFiles {
    bool creates = true;
    bool closes = true;
    bool writes = true;
    std::vector<std::string> events;
    platform::VideoFormat format;
    std::vector<Frame> frames;
    std::unique_ptr<platform::VideoFile> create(const char* path) override {
        if (!creates) return nullptr;
        events.push_back(std::string("create ") + path);
        return std::make_unique<FakeVideo>(*this);
    }
};

bool FakeVideo::start_stream(const platform::VideoFormat& f) {
    owner_.events.push_back("stream");
    owner_.format = f;
    return true;
}
bool FakeVideo::write_frame(int64_t index, const uint8_t* bits, uint64_t size) {
    owner_.frames.push_back({index, Bytes(bits, bits + size)});
    return owner_.writes;
}
bool FakeVideo::close() {
    owner_.events.push_back("close");
    return owner_.closes;
}
void FakeVideo::discard() { owner_.events.push_back("discard"); }

class VideoTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        before_ = platform::install_video_files(&videos_);
    }
    void TearDown() override {
        PTE_CloseAVI();
        platform::install_video_files(before_);
        EngineTest::TearDown();
    }
    // A picture file of w x h: pixel (x, y) is (x, y, 100 + x + y).
    std::string frame_file(const std::string& name, int32_t w, int32_t h) {
        Bytes rgb(size_t(w) * h * 3);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
                p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(100 + x + y);
            }
        const std::string path = files_.path(name);
        EXPECT_NE(PTE_WriteToFileRGB24(rgb.data(), w, h, path.c_str(), ".bmp", 72), 0);
        return path;
    }
    FakeVideos videos_;
    TempDir files_{"video"};

private:
    platform::VideoFiles* before_ = nullptr;
};

}  // namespace

TEST_F(VideoTest, FramesAreBottomUpBlueGreenRedRowsOfTheFirstFramesSize) {
    const std::string a = frame_file("a.bmp", 3, 2), b = frame_file("b.bmp", 3, 2);
    ASSERT_NE(PTE_CreateAVI("movie.avi", 40), nullptr);
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 1);
    EXPECT_EQ(PTE_WriteAVI(b.c_str()), 1);
    EXPECT_EQ(videos_.format.width, 3);
    EXPECT_EQ(videos_.format.height, 2);
    EXPECT_EQ(videos_.format.scale, 40u) << "40 ms a frame at a rate of 1000: 25 frames a second";
    EXPECT_EQ(videos_.format.rate, 1000u);
    EXPECT_EQ(videos_.format.frameBytes, 24u) << "rows of 9 bytes padded to 12";
    ASSERT_EQ(videos_.frames.size(), 2u);
    EXPECT_EQ(videos_.frames[0].index, 0);
    EXPECT_EQ(videos_.frames[1].index, 1);
    EXPECT_EQ(videos_.frames[0].bits, (Bytes{101, 1, 0, 102, 1, 1, 103, 1, 2, 0, 0, 0,  // bottom row first
                                             100, 0, 0, 101, 0, 1, 102, 0, 2, 0, 0, 0}));
    EXPECT_EQ(PTE_CloseAVI(), 0);
    EXPECT_EQ(videos_.events, (std::vector<std::string>{"create movie.avi", "stream", "close"}));
    EXPECT_EQ(PTE_CloseAVI(), 0) << "nothing open";
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 0) << "nothing open";
}

TEST_F(VideoTest, AFrameThatCannotBeWrittenEndsTheVideoAndLeavesNoFile) {
    const std::string a = frame_file("a.bmp", 3, 2), wide = frame_file("wide.bmp", 4, 2);
    ASSERT_NE(PTE_CreateAVI("movie.avi", 40), nullptr);
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 1);
    EXPECT_EQ(PTE_WriteAVI(wide.c_str()), 0) << "another size";
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 0) << "nothing more once writing failed";
    EXPECT_EQ(videos_.frames.size(), 1u);
    EXPECT_EQ(PTE_CloseAVI(), io::kVideoError);
    EXPECT_EQ(videos_.events.back(), "discard");

    ASSERT_NE(PTE_CreateAVI("second.avi", 40), nullptr);
    EXPECT_EQ(PTE_WriteAVI(files_.path("missing.bmp").c_str()), 0) << "unreadable frame";
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 0);
    EXPECT_EQ(PTE_CloseAVI(), io::kVideoError);

    ASSERT_NE(PTE_CreateAVI("third.avi", 40), nullptr);
    videos_.writes = false;  // a full disk
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 0);
    EXPECT_EQ(PTE_CloseAVI(), io::kVideoError);
    EXPECT_EQ(videos_.events.back(), "discard");
}

TEST_F(VideoTest, CreatingRefusesBadDurationsAndFinishesTheVideoBefore) {
    EXPECT_EQ(PTE_CreateAVI(nullptr, 40), nullptr);
    EXPECT_EQ(PTE_CreateAVI("x.avi", 0), nullptr);
    EXPECT_EQ(PTE_CreateAVI("x.avi", -40), nullptr);
    videos_.creates = false;
    EXPECT_EQ(PTE_CreateAVI("x.avi", 40), nullptr);
    videos_.creates = true;
    EXPECT_TRUE(videos_.events.empty());
    const std::string a = frame_file("a.bmp", 3, 2);
    ASSERT_NE(PTE_CreateAVI("one.avi", 40), nullptr);
    PTE_WriteAVI(a.c_str());
    ASSERT_NE(PTE_CreateAVI("two.avi", 100), nullptr);
    EXPECT_EQ(videos_.events,
              (std::vector<std::string>{"create one.avi", "stream", "close", "create two.avi"}));
    videos_.closes = false;
    PTE_WriteAVI(a.c_str());
    EXPECT_EQ(PTE_CloseAVI(), io::kVideoError) << "a file that could not be finished";
}
