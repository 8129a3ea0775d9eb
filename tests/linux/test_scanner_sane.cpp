// Scans from SANE's test backend, configured by the test, against what
// scanimage scans from the same device.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

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
        pin_test_backend();
    }

    // SANE unloads its backends when it stops, and memory a backend keeps
    // for the process would then be reported with no name to suppress it by.
    // Holding the test backend loaded keeps its frames named.
    static void pin_test_backend() {
        Dl_info info{};
        void* init = dlsym(RTLD_DEFAULT, "sane_init");
        if (!init || !dladdr(init, &info) || !info.dli_fname) return;
        std::string folder = info.dli_fname;
        folder.erase(folder.find_last_of('/') + 1);
        dlopen((folder + "sane/libsane-test.so.1").c_str(), RTLD_NOW | RTLD_NODELETE);
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
