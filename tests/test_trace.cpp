// Diagnostics: a call that returns without doing its work writes one line
// to standard error saying why; a call that does its work writes nothing,
// and with tracing off nothing is written at all. The interface's error
// texts do not change.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/trace.h"
#include "paintcore.h"
#include "support/engine_fixture.h"
#include "support/script_files.h"

namespace {

// What opening a folder as a file reports: Windows refuses it as access.
#if defined(_WIN32)
constexpr int kFolderOpenError = EACCES;
#else
constexpr int kFolderOpenError = EISDIR;
#endif

constexpr int32_t W = 40, H = 30;

// Everything one call (or sequence) wrote to standard error.
std::string stderr_of(const std::function<void()>& calls) {
    testing::internal::CaptureStderr();
    calls();
    return testing::internal::GetCapturedStderr();
}

size_t line_count(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

class Trace : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        trace::set_enabled(true);
    }
    void TearDown() override {
        trace::set_enabled(false);
        EngineTest::TearDown();
    }

    // An image with a visible background and layer 2 current, a view, a
    // brush that paints, an undo history and the RGBA32 working buffers.
    static void ready_host() {
        make_image(W, H, 1);
        PTE_SetLayer(2);
        PTE_SetViewSize(W, H);
        PTE_SetSize(8);
        PTE_SetAlpha(100);
        PTE_SetTool(1.0f, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
        PTE_SetUndoLevels(10);
        PTE_SetUndoMB(16);
        PTE_IPLAllocSrcBuffer32();
        PTE_IPLAllocDstBuffer32();
    }

    std::vector<uint8_t> display = std::vector<uint8_t>(size_t(W) * H * 3 * 4);
    void render() { PTE_Render(display.data(), W * 3, 0, 0, W, H); }
};

// One cause: the state before, the call, and the line it must write.
struct Cause {
    const char* name;
    std::function<void()> before;
    std::function<void()> call;
    std::string operation;  // the line starts "paintcore: <operation>: "
    std::string reason;     // and says this
};

TEST_F(Trace, EachCauseWritesOneLineSayingWhy) {
    ScriptFolder scripts;
    const std::string script = scripts.write("keep.lua", "-- changes nothing\n");
    const std::string missing = scripts.path() + "no-such-folder/picture.png";
    std::vector<uint8_t> rgb(size_t(W) * H * 3, 100);
    std::vector<uint8_t> rgba(size_t(W) * H * 4, 100);
    const Cause causes[] = {
        {"no image", [] {}, [&] { render(); }, "PTE_Render", "no image (PTE_CreateImage"},
        {"no current layer", [] { PTE_CreateImage(nullptr, W, H, 16, 0); }, [&] { render(); }, "PTE_Render",
         "no current layer"},
        {"layer without pixels", [] { make_image(W, H); }, [] { PTE_SetLayer(5); }, "PTE_SetLayer",
         "layer 5 has no pixels"},
        {"layer outside the table", [] { make_image(W, H); }, [] { PTE_InvertAlpha(64); }, "PTE_InvertAlpha",
         "layer 64 is outside 0..63"},
        {"layer of another size", [] { make_image(W, H); PTE_CreateLayer(3, 10, 10); },
         [&] { PTE_GetRGBA32Layer(rgba.data(), W * 4, 3); }, "PTE_GetRGBA32Layer",
         "layer 3 is 10 x 10, not the image's 40 x 30"},
        {"view size 0", [] { make_image(W, H); }, [&] { render(); }, "PTE_Render",
         "the view size is 0 x 0 (PTE_SetViewSize)"},
        {"zoom 0", [] { ready_host(); PTE_SetScale(0, -1); }, [&] { render(); }, "PTE_Render", "the zoom is 0/-1"},
        {"brush size 0", [] { ready_host(); PTE_SetSize(0); }, [] { PTE_DrawDabGrit(10, 10, 0, 0, 0); },
         "PTE_DrawDabGrit", "the brush size is 0"},
        {"brush alpha 0", [] { ready_host(); PTE_SetAlpha(0); }, [] { PTE_DrawDabGrit(10, 10, 0, 0, 0); },
         "PTE_DrawDabGrit", "the brush alpha is 0 %"},
        {"tip strength 0", [] { ready_host(); PTE_SetTool(0.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0); },
         [] { PTE_DrawDabGrit(10, 10, 0, 0, 0); }, "PTE_DrawDabGrit", "the tip is empty"},
        {"dab off the image", [] { ready_host(); }, [] { PTE_DrawDabGrit(-100, 10, 0, 0, 0); }, "PTE_DrawDabGrit",
         "a dab at (-100, 10) lies wholly outside the 40 x 30 image"},
        {"dab without a layer", [] { PTE_CreateImage(nullptr, W, H, 16, 0); PTE_CreatePaintLayer(100, "Normal"); },
         [] { PTE_DrawDabGrit(10, 10, 0, 0, 0); }, "PTE_DrawDabGrit", "no current layer"},
        {"tool without an image", [] {},
         [] { PTE_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0); }, "PTE_SetTool", "no image"},
        {"paint layer without an image", [] {}, [] { PTE_CreatePaintLayer(100, "Normal"); },
         "PTE_CreatePaintLayer", "no image"},
        {"undo save without an image", [] {}, [] { PTE_SaveUndoBuffer(1, 1); }, "PTE_SaveUndoBuffer",
         "undo is off"},
        {"undo save without a layer", [] { PTE_CreateImage(nullptr, W, H, 16, 0); PTE_SetUndoLevels(5); },
         [] { PTE_SaveUndoBuffer(1, 0); }, "PTE_SaveUndoBuffer", "nothing to record"},
        {"undo off", [] { ready_host(); PTE_SetUndoLevels(0); }, [] { PTE_SaveUndoBuffer(1, 0); },
         "PTE_SaveUndoBuffer", "undo is off: 0 levels"},
        {"undo paused", [] { ready_host(); PTE_PauseUndo(); }, [] { PTE_SaveUndoBuffer(1, 0); },
         "PTE_SaveUndoBuffer", "undo is paused"},
        {"undo budget 0", [] { ready_host(); PTE_SetUndoMB(0); st().undo.autoBudget = 0; st().undo.budgetKB = 0; },
         [] { PTE_SaveUndoBuffer(1, 0); }, "PTE_SaveUndoBuffer", "the undo budget is 0 MB"},
        {"nothing to undo", [] { ready_host(); }, [] { PTE_Undo(); }, "PTE_Undo", "there is no step to undo"},
        {"nothing to redo", [] { ready_host(); }, [] { PTE_Redo(); }, "PTE_Redo", "there is no step to redo"},
        {"working buffers missing", [] { make_image(W, H); },
         [] { PTE_IPLImageProcess(0, "Blur", 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ""); },
         "PTE_IPLImageProcess", "the RGBA32 working buffers are missing"},
        {"working buffers missing for a script", [] { make_image(W, H); },
         [&] { PTE_LuaFilterRun(script.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0); }, "PTE_LuaFilterRun",
         "the RGBA32 working buffers are missing"},
        {"a source of another layer", [] { ready_host(); PTE_SetLayer(1); },
         [&] { PTE_LuaFilterRun(script.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0); }, "PTE_LuaFilterRun",
         "the source buffer holds layer 2 but the current layer is 1"},
        {"unknown blend mode", [] { make_image(W, H); },
         [] { PTE_SetLayerOptions(1, 1, 0, 100, "multiply"); }, "PTE_SetLayerOptions",
         "unknown blend mode 'multiply'"},
        {"unknown paint-layer mode", [] { make_image(W, H); }, [] { PTE_CreatePaintLayer(100, "Texturize3 "); },
         "PTE_CreatePaintLayer", "unknown blend mode 'Texturize3 '"},
        {"unknown effect", [] { ready_host(); },
         [] { PTE_IPLImageProcess(0, "blur", 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ""); },
         "PTE_IPLImageProcess", "unknown effect 'blur'"},
        {"unknown fill mode", [] { ready_host(); },
         [] { PTE_IPLFloodFill(0, 0, 0, 5, 5, 0, "Paint connected"); }, "PTE_IPLFloodFill",
         "unknown fill mode 'Paint connected'"},
        {"unknown wand mode", [] { ready_host(); }, [] { PTE_IPLMaskWand(5, 5, 0, 0, "Magic"); },
         "PTE_IPLMaskWand", "unknown wand mode 'Magic'"},
        {"wand without a current layer", [] { PTE_CreateImage(nullptr, W, H, 16, 0); },
         [] { PTE_IPLMaskWand(5, 5, 0, 0, "Connected"); }, "PTE_IPLMaskWand", "no current layer"},
        {"wand on a transparent pixel", [] { ready_host(); }, [] { PTE_IPLMaskWand(5, 5, 0, 0, "Color Range"); },
         "PTE_IPLMaskWand", "the pixel at (5, 5) is transparent"},
        {"unknown resize filter", [] { ready_host(); }, [] { PTE_IPLResize(20, 20, "lanczos3"); }, "PTE_IPLResize",
         "unknown resize filter 'lanczos3'"},
        {"unknown extension", [] {},
         [&] { PTE_WriteToFileRGB24(rgb.data(), W, H, (scripts.path() + "out.xyz").c_str(), ".xyz", 96); },
         "write a picture file", "unknown extension '.xyz' for '" + scripts.path() + "out.xyz'"},
        {"unknown page extension", [] { make_image(W, H); },
         [&] { PTE_SavePageToFileRGB24((scripts.path() + "page.tga").c_str(), ".tga", 96); },
         "PTE_SavePageToFileRGB24", "unknown extension '.tga' for '" + scripts.path() + "page.tga'"},
        {"a file that is not there", [] {}, [&] { PTE_ReadFromFile(missing.c_str()); }, "read a picture file",
         "cannot open '" + missing + "': " + std::strerror(ENOENT)},
        {"a folder instead of a file", [] {}, [&] { PTE_ReadFromFile(scripts.path().c_str()); },
         "read a picture file", "cannot open '" + scripts.path() + "': " + std::strerror(kFolderOpenError)},
        {"a file that cannot be made", [] {},
         [&] { PTE_WriteToFileRGB24(rgb.data(), W, H, missing.c_str(), ".png", 96); }, "write a picture file",
         "cannot open '" + missing + "': " + std::strerror(ENOENT)},
        {"a stroke without dabs", [] { ready_host(); PTE_CreatePaintLayer(100, "Normal"); },
         [] { PTE_MergePaintLayer(2); }, "PTE_MergePaintLayer", "nothing was painted"},
        {"pick-up without a blend strength", [] { ready_host(); },
         [] { PTE_CopyBlendBufferSurface(10, 10, 0, 0); }, "pick up colour into the blend buffer",
         "the blend strength is 0"},
    };
    for (const Cause& c : causes) {
        reset_engine();
        c.before();
        const std::string out = stderr_of(c.call);
        const std::string start = "paintcore: " + c.operation + ": ";
        EXPECT_EQ(line_count(out), 1u) << c.name << ": " << out;
        EXPECT_EQ(out.rfind(start, 0), 0u) << c.name << ": " << out;
        EXPECT_NE(out.find(c.reason), std::string::npos) << c.name << ": " << out;
        EXPECT_TRUE(!out.empty() && out.back() == '\n') << c.name;
    }
}

// A host that does everything in order hears nothing: no line for a call
// that did its work, however many checks it passed.
TEST_F(Trace, AHostThatDoesEverythingRightHearsNothing) {
    ScriptFolder scripts;
    const std::string script = scripts.write("invert.lua",
                                             "for y = 0, height - 1 do for x = 0, width - 1 do\n"
                                             "  local r, g, b = get_rgb(x, y) set_rgb(x, y, 1 - r, 1 - g, 1 - b)\n"
                                             "end end\n");
    std::vector<uint8_t> rgb(size_t(W) * H * 3, 60);
    const std::string out = stderr_of([&] {
        ready_host();
        PTE_SetLayerOptions(2, 1, 0, 50, "Multiply");
        PTE_CreatePaintLayer(100, "Normal");
        PTE_ClearPaintLayer();
        for (int x = 5; x < 35; x += 2) PTE_DrawDabGrit(x, 15, 0xFF00, 0x8000, 0);
        render();
        PTE_MergePaintLayer(2);
        PTE_SaveUndoBuffer(1, 0);
        PTE_Undo();
        PTE_Redo();
        PTE_IPLUpdateSrcBuffer32();
        PTE_LuaFilterRun(script.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        PTE_IPLImageProcess(0, "Blur", 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "");
        const std::string picture = scripts.path() + "picture.PNG";
        PTE_WriteToFileRGB24(rgb.data(), W, H, picture.c_str(), ".PNG", 96);
        PTE_ReadFromFile(picture.c_str());
        PTE_SetInNewRGBA();
        PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    });
    EXPECT_EQ(out, "");
    EXPECT_STREQ(PTE_GetLastError(), "");
    EXPECT_EQ(PTE_CanUndo(), 1);
}

// Off, the same failures write nothing, and the error texts are as they
// always were: a missing prerequisite records none.
TEST_F(Trace, OffWritesNothingAndErrorTextsStay) {
    trace::set_enabled(false);
    const std::string out = stderr_of([&] {
        render();
        make_image(W, H);
        PTE_SetLayer(9);
        PTE_SetLayerOptions(1, 1, 0, 100, "nothing");
        render();
        PTE_DrawDabGrit(1, 1, 0, 0, 0);
        PTE_ReadFromFile("/no/such/file.png");
        PTE_IPLImageProcess(0, "Blur", 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "");
    });
    EXPECT_EQ(out, "");
    EXPECT_STREQ(PTE_GetLastError(), "");
    EXPECT_FALSE(trace::enabled());
    // A failure inside still records its text, traced or not.
    PTE_IPLResize(0, 10, "Bilinear");
    EXPECT_STREQ(PTE_GetLastError(), "IPLResize Excpt");
}

// A long reason is cut, and its line still ends.
TEST_F(Trace, ALongNameStillGivesOneWholeLine) {
    make_image(W, H);
    const std::string name(3000, 'x');
    const std::string out = stderr_of([&] { PTE_SetLayerOptions(1, 1, 0, 100, name.c_str()); });
    EXPECT_EQ(line_count(out), 1u);
    EXPECT_EQ(out.back(), '\n');
    EXPECT_LT(out.size(), 1100u);
}

}  // namespace
