// Paint scripts recorded by filter scripts, checked line for line.
#include <gmock/gmock.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "support/engine_fixture.h"
#include "support/script_files.h"
#include "support/working_buffers.h"

namespace {

// The lines of a text file, each ended as the system ends them.
std::vector<std::string> lines_of(const std::string& text) {
    const std::string_view ending = platform::kTextLineEnd;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(ending, start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ending.size();
    }
    return lines;
}

using Lines = std::vector<std::string>;

const Lines kHeader42 = {"1554", "Description", "1", " ", "RandomSeed", "42"};

class PaintScript : public EngineTest {
protected:
    ScriptFolder folder;

    void SetUp() override {
        EngineTest::SetUp();
        make_image(2, 2);
        make_working_buffers(std::vector<uint8_t>(16, 0));
        std::filesystem::create_directory(folder.path() + "scripts");
        PTE_SetStartDir(folder.path().c_str());
    }

    std::string recorded() const { return ScriptFolder::read(folder.path() + "scripts/luapaint.srp"); }

    // Runs a filter script; returns its standard-error output.
    std::string run(const std::string& body) {
        const std::string path = folder.write("record.lua", body);
        ::testing::internal::CaptureStderr();
        PTE_LuaFilterRun(path.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        return ::testing::internal::GetCapturedStderr();
    }

    static Lines concat(std::initializer_list<Lines> parts) {
        Lines all;
        for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    }
};

}  // namespace

TEST_F(PaintScript, OneStroke) {
    EXPECT_EQ(run(R"lua(
paint_open(42)
paint_stroke_start(1, 2)
paint_stroke_pos(10, 20, 0.5)
paint_stroke_stop()
paint_close()
)lua"),
              "");
    EXPECT_EQ(lines_of(recorded()),
              concat({kHeader42,
                      {"DrawStart", "1", "2", "-1", "SmoothPlot2", "0", "0", "0", "1", "0"},
                      {"SmoothPlot2", "10", "20", "0.5", "0", "0"},
                      {"SmoothPlot2", "0", "0", "0", "0", "1", "DrawStop", "1"},
                      {"ScriptEnd"}}));
}

TEST_F(PaintScript, EveryRecord) {
    EXPECT_EQ(run(R"lua(
paint_open("seed text")
paint_select_brush("Oil", 3, 1e20)
paint_brush_size(12.5)
paint_brush_density(-3)
paint_brush_opacity(0.1)
paint_brush_color(1, 0.5, 0)
paint_brush_color(2, -0.5, 0.999)
paint_set_color_banks(7, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0.5, 0.5, 0.5)
paint_line(1, 2, 3, 4)
paint_spline(1, 2, 3, 4, 5, 6, 7, 8)
paint_dab(5, 6, 0.25)
paint_filter(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, "Blur")
paint_close()
)lua"),
              "");
    EXPECT_EQ(lines_of(recorded()),
              concat({{"1554", "Description", "1", " ", "RandomSeed", "seed text"},
                      {"SelectBrush", "Oil", "3", "1e+20"},
                      {"SetBrushSize", "12.5"},
                      {"SetBrushDensity", "-3"},
                      {"SetBrushOpacity", "0.1"},
                      {"SetColor", "255", "127", "0"},
                      {"SetColor", "510", "-127", "254"},
                      {"SetColorBanks", "7", "255", "0", "0", "0", "255", "0", "0", "0", "255", "127", "127", "127"},
                      {"Line2", "1", "2", "3", "4"},
                      {"Spline", "1", "2", "3", "4", "5", "6", "7", "8"},
                      {"Dab", "5", "6", "0.25"},
                      {"Filter", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15",
                       "16", "17", "18", "19", "Blur"},
                      {"ScriptEnd"}}));
}

TEST_F(PaintScript, MissingAndOddArguments) {
    EXPECT_EQ(run(R"lua(
paint_open()
paint_stroke_pos(1)
paint_brush_color()
paint_select_brush(true, {}, nil)
paint_dab(1, 2, 3, 4, 5)
paint_close()
)lua"),
              "");
    EXPECT_EQ(lines_of(recorded()), concat({{"1554", "Description", "1", " ", "RandomSeed", ""},
                                            {"SmoothPlot2", "1", "", "", "0", "0"},
                                            {"SetColor", "0", "0", "0"},
                                            {"SelectBrush", "", "", ""},
                                            {"Dab", "1", "2", "3"},
                                            {"ScriptEnd"}}))
        << "missing text is an empty line, missing numbers are 0, extra arguments are ignored";
}

TEST_F(PaintScript, NothingIsRecordedWithoutAnOpenFile) {
    EXPECT_EQ(run(R"lua(
paint_stroke_start(1, 2)
paint_brush_size(3)
paint_close()
paint_open(42)
paint_brush_size(4)
paint_close()
paint_brush_size(5)
paint_close()
)lua"),
              "");
    EXPECT_EQ(lines_of(recorded()), concat({kHeader42, {"SetBrushSize", "4"}, {"ScriptEnd"}}));
}

TEST_F(PaintScript, ARunEndingOpenLeavesNoTrailer) {
    EXPECT_EQ(run("paint_open(42)\npaint_dab(1, 2, 3)\n"), "");
    EXPECT_EQ(lines_of(recorded()), concat({kHeader42, {"Dab", "1", "2", "3"}}));
    EXPECT_EQ(st().script.paintScript, nullptr);
    // A failing run closes the file the same way, keeping what was written.
    EXPECT_THAT(run("paint_open(7)\npaint_dab(1, 2, 3)\nerror('stop')\n"), ::testing::HasSubstr("stop"));
    EXPECT_EQ(lines_of(recorded()), concat({{"1554", "Description", "1", " ", "RandomSeed", "7"}, {"Dab", "1", "2", "3"}}));
    EXPECT_EQ(st().script.paintScript, nullptr);
    // The next run starts without a file: records go nowhere.
    EXPECT_EQ(run("paint_dab(9, 9, 9)\npaint_close()\n"), "");
    EXPECT_EQ(lines_of(recorded()), concat({{"1554", "Description", "1", " ", "RandomSeed", "7"}, {"Dab", "1", "2", "3"}}));
}

TEST_F(PaintScript, OpeningAgainStartsAFreshFile) {
    EXPECT_EQ(run("paint_open(1)\npaint_dab(1, 1, 1)\npaint_open(42)\npaint_brush_size(2)\npaint_close()\n"), "");
    EXPECT_EQ(lines_of(recorded()), concat({kHeader42, {"SetBrushSize", "2"}, {"ScriptEnd"}}));
}

TEST_F(PaintScript, WhereTheFileGoes) {
    // A start folder without its final separator gets one.
    std::string dir = folder.path();
    dir.pop_back();
    PTE_SetStartDir(dir.c_str());
    EXPECT_EQ(run("paint_open(42)\npaint_close()\n"), "");
    EXPECT_EQ(lines_of(recorded()), concat({kHeader42, {"ScriptEnd"}}));
    // Without the scripts folder nothing can be opened, and nothing fails.
    std::filesystem::remove_all(folder.path() + "scripts");
    EXPECT_EQ(run("paint_open(42)\npaint_brush_size(1)\npaint_close()\n"), "");
    EXPECT_EQ(recorded(), "<missing>");
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "scripts\\luapaint.srp"));
}
