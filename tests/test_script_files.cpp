// Effect-script files: the format, the four file calls, and the shipped
// example scripts.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/imglib/effect_script.h"
#include "platform/imglib/script_file.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using namespace imglib;
using Bytes = std::vector<uint8_t>;

const fs::path kExamples = fs::path(PAINTCORE_EXAMPLES) / "scripts";

std::vector<fs::path> shipped_scripts() {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(kExamples))
        if (entry.path().extension() == ".fxs") found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

Bytes read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void put_u32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A small script: a background, lines in blue and a rotation.
detail::ScriptFile small_script(int32_t w, int32_t h) {
    detail::ScriptFile f;
    f.header.width = w;
    f.header.height = h;
    f.header.background = 0xFF102030u;
    detail::ScriptEffect lines = detail::new_effect(*detail::find_effect(1), true);
    lines.values[3] = 77;
    lines.values[4] = 5;
    lines.values[8] = 0;
    lines.values[9] = 0;
    lines.values[10] = 255;
    detail::ScriptEffect turn = detail::new_effect(*detail::find_effect(kEffectRotate), false);
    turn.values[kRotateAngleValue] = -45;
    f.effects = {lines, turn};
    return f;
}

class ScriptFiles : public ::testing::Test {
protected:
    void TearDown() override { ISL_Finish(); }
    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string path = dir_.path(name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    TempDir dir_{"scripts"};
};

TEST_F(ScriptFiles, TheFormatRoundTripsAndHoldsTheSizeAtBytes16And20) {
    const detail::ScriptFile f = small_script(123, 45);
    const Bytes bytes = detail::write_script(f);
    ASSERT_GE(bytes.size(), 64u);
    EXPECT_EQ(std::memcmp(bytes.data(), "FXSCRIPT", 8), 0);
    EXPECT_EQ(bytes[8], 1);  // version
    EXPECT_EQ(bytes[12], 2);  // effects
    EXPECT_EQ(bytes[16], 123);
    EXPECT_EQ(bytes[20], 45);
    detail::ScriptFile back;
    ASSERT_TRUE(detail::parse_script(bytes, back));
    EXPECT_EQ(back.header.width, 123);
    EXPECT_EQ(back.header.height, 45);
    EXPECT_EQ(back.header.background, 0xFF102030u);
    ASSERT_EQ(back.effects.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(back.effects[i].number, f.effects[i].number);
        EXPECT_EQ(back.effects[i].enabled, f.effects[i].enabled);
        EXPECT_EQ(back.effects[i].values, f.effects[i].values);
    }
    // Values equal to the starting values are left out of the file.
    EXPECT_EQ(bytes.size(), 64u + (12 + 4 * 8) + (12 + 1 * 8));
}

TEST_F(ScriptFiles, TheFileCallsRenderAtTheHeadersSize) {
    const std::string path = write("small.fxs", detail::write_script(small_script(20, 10)));
    ASSERT_EQ(ISL_Initialize(), 1);
    EXPECT_EQ(ISL_InitBuffers(), 0);  // nothing loaded yet
    ASSERT_EQ(ISL_LoadScriptFromFile(path.c_str()), 1);
    ASSERT_EQ(ISL_InitBuffers(), 1);
    Bytes out(20 * 10 * 4, 0xCD);
    EXPECT_EQ(ISL_ExecuteScript(out.data()), 0);  // no header read: no size to render at
    EXPECT_EQ(out, Bytes(out.size(), 0xCD));
    ISLScriptHeader header{};
    ASSERT_EQ(ISL_ReadScriptHeaderFromFile(path.c_str(), &header), 1);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&header);
    int32_t w = 0, h = 0;
    std::memcpy(&w, raw + 16, 4);
    std::memcpy(&h, raw + 20, 4);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 10);
    const uint64_t renders = detail::script_renders();
    ASSERT_EQ(ISL_ExecuteScript(out.data()), 1);
    EXPECT_EQ(detail::script_renders(), renders + 1);
    // The background shows where no line fell, and blue lines were drawn.
    int background = 0, blue = 0;
    for (size_t i = 0; i < out.size(); i += 4) {
        background += out[i] == 0x30 && out[i + 1] == 0x20 && out[i + 2] == 0x10 && out[i + 3] == 0xFF;
        blue += out[i] == 255 && out[i + 1] == 0 && out[i + 2] == 0;
    }
    EXPECT_GT(background, 0);
    EXPECT_GT(blue, 0);
    // The same file renders the same picture again.
    Bytes again(out.size(), 0);
    ASSERT_EQ(ISL_ExecuteScript(again.data()), 1);
    EXPECT_EQ(again, out);
}

// Broken files of every kind load nothing: the previous list stays as it
// was and is no longer "loaded", and nothing is rendered.
TEST_F(ScriptFiles, BrokenFilesFailCleanly) {
    const Bytes good = detail::write_script(small_script(16, 16));
    std::vector<std::pair<std::string, Bytes>> broken;
    for (size_t n = 0; n < good.size(); ++n) broken.push_back({"truncated " + std::to_string(n), Bytes(good.begin(), good.begin() + long(n))});
    auto variant = [&](const std::string& what, auto change) {
        Bytes b = good;
        change(b);
        broken.push_back({what, b});
    };
    variant("magic", [](Bytes& b) { b[0] = 'G'; });
    variant("version 2", [](Bytes& b) { put_u32(b, 8, 2); });
    variant("version 0", [](Bytes& b) { put_u32(b, 8, 0); });
    variant("one effect more", [](Bytes& b) { put_u32(b, 12, 3); });
    variant("one effect fewer", [](Bytes& b) { put_u32(b, 12, 1); });
    variant("too many effects", [](Bytes& b) { put_u32(b, 12, uint32_t(kMaxScriptEffects) + 1); });
    variant("width 0", [](Bytes& b) { put_u32(b, 16, 0); });
    variant("negative height", [](Bytes& b) { put_u32(b, 20, uint32_t(-5)); });
    variant("width 10001", [](Bytes& b) { put_u32(b, 16, 10001); });
    variant("reserved byte", [](Bytes& b) { b[40] = 1; });
    variant("unknown effect", [](Bytes& b) { put_u32(b, 64, 7); });
    variant("enabled 2", [](Bytes& b) { put_u32(b, 68, 2); });
    variant("33 values", [](Bytes& b) { put_u32(b, 72, 33); });
    variant("negative count", [](Bytes& b) { put_u32(b, 72, uint32_t(-1)); });
    variant("value number 32", [](Bytes& b) { put_u32(b, 76, 32); });
    variant("value given twice", [](Bytes& b) { put_u32(b, 84, 3); });
    variant("trailing byte", [](Bytes& b) { b.push_back(0); });
    const std::string ok = write("ok.fxs", detail::write_script(small_script(8, 8)));
    for (const auto& [what, bytes] : broken) {
        SCOPED_TRACE(what);
        detail::ScriptFile parsed;
        EXPECT_FALSE(detail::parse_script(bytes, parsed));
        const std::string path = write("broken.fxs", bytes);
        ASSERT_EQ(ISL_Initialize(), 1);
        ASSERT_EQ(ISL_LoadScriptFromFile(ok.c_str()), 1);
        EXPECT_EQ(ISL_LoadScriptFromFile(path.c_str()), 0);
        EXPECT_EQ(ISL_InitBuffers(), 0);
        ISLScriptHeader header{};
        ISL_ReadScriptHeaderFromFile(ok.c_str(), &header);
        Bytes out(8 * 8 * 4, 0x11);
        EXPECT_EQ(ISL_ExecuteScript(out.data()), 0);
        EXPECT_EQ(out, Bytes(out.size(), 0x11));
        ISL_Finish();
    }
}

TEST_F(ScriptFiles, HeadersAreReadOnlyFromScriptFiles) {
    ISLScriptHeader header{};
    header.width = 99;
    const std::string picture = write("picture.png", Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10});
    const std::string big = write("big.fxs", Bytes(detail::kMaxScriptFileBytes + 1, 0));
    ASSERT_EQ(ISL_Initialize(), 1);
    for (const std::string& p : {picture, big, dir_.path("missing.fxs"), dir_.path("")})
        EXPECT_EQ(ISL_ReadScriptHeaderFromFile(p.c_str(), &header), 0) << p;
    EXPECT_EQ(ISL_ReadScriptHeaderFromFile(nullptr, &header), 0);
    EXPECT_EQ(ISL_LoadScriptFromFile(nullptr), 0);
    EXPECT_EQ(header.width, 99);
    ISL_Finish();
    // Without a started script the file calls do nothing.
    const std::string ok = write("ok.fxs", detail::write_script(small_script(8, 8)));
    EXPECT_EQ(ISL_LoadScriptFromFile(ok.c_str()), 0);
    EXPECT_EQ(ISL_ReadScriptHeaderFromFile(ok.c_str(), &header), 0);
}

// The header read last decides the size rendered, whatever was loaded: a
// caller allocates what the header said.
TEST_F(ScriptFiles, TheLastHeaderReadDecidesTheSize) {
    const std::string small = write("small.fxs", detail::write_script(small_script(4, 3)));
    const std::string large = write("large.fxs", detail::write_script(small_script(40, 30)));
    ASSERT_EQ(ISL_Initialize(), 1);
    ASSERT_EQ(ISL_LoadScriptFromFile(large.c_str()), 1);
    ISLScriptHeader header{};
    ASSERT_EQ(ISL_ReadScriptHeaderFromFile(small.c_str(), &header), 1);
    Bytes out(4 * 3 * 4 + 8, 0x22);
    ASSERT_EQ(ISL_ExecuteScript(out.data()), 1);
    for (size_t i = 4 * 3 * 4; i < out.size(); ++i) EXPECT_EQ(out[i], 0x22);
}

// Every shipped example loads, gives its size and renders; every truncated
// copy of it, and every copy with its count of effects raised, fails.
TEST_F(ScriptFiles, ShippedExamplesRunAndTheirBrokenCopiesFail) {
    const std::vector<fs::path> scripts = shipped_scripts();
    for (const char* group : {"material", "nature", "surface", "other", "utility"}) {
        int n = 0;
        for (const fs::path& p : scripts) n += p.parent_path().filename() == group;
        EXPECT_GE(n, 3) << group;
    }
    EXPECT_GE(scripts.size(), 19u);
    for (const fs::path& p : scripts) {
        SCOPED_TRACE(p.string());
        ASSERT_EQ(ISL_Initialize(), 1);
        ASSERT_EQ(ISL_LoadScriptFromFile(p.string().c_str()), 1);
        ASSERT_EQ(ISL_InitBuffers(), 1);
        ISLScriptHeader header{};
        ASSERT_EQ(ISL_ReadScriptHeaderFromFile(p.string().c_str(), &header), 1);
        ASSERT_GT(header.width, 0);
        ASSERT_GT(header.height, 0);
        Bytes out(size_t(header.width) * size_t(header.height) * 4, 0);
        ASSERT_EQ(ISL_ExecuteScript(out.data()), 1);
        // Something was drawn: the picture is not one flat colour.
        bool varied = false;
        for (size_t i = 4; i < out.size() && !varied; ++i) varied = out[i] != out[i % 4];
        EXPECT_TRUE(varied);
        ISL_Finish();

        const Bytes bytes = read_all(p);
        for (size_t n = 0; n + 1 < bytes.size(); n += 3) {
            detail::ScriptFile parsed;
            ASSERT_FALSE(detail::parse_script(Bytes(bytes.begin(), bytes.begin() + long(n)), parsed)) << n;
        }
        Bytes more = bytes;
        put_u32(more, 12, bytes[12] + 1u);
        detail::ScriptFile parsed;
        EXPECT_FALSE(detail::parse_script(more, parsed));
    }
}

}  // namespace
