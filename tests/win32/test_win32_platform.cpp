// The Win32 platform layer against the system's own answers: memory status,
// system colours, the Windows folder, renames, messages, debugger output,
// the Escape key and the hidden window that notes display changes.
#include <windows.h>

#include <gmock/gmock.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "io/host_services.h"
#include "paintcore.h"
#include "platform/keys.h"
#include "platform/notices.h"
#include "platform/system.h"
#include "platform/win32/display_watch.h"
#include "support/engine_fixture.h"
#include "support/script_files.h"
#include "support/temp_dir.h"
#include "support/working_buffers.h"

using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

MEMORYSTATUSEX system_memory() {
    MEMORYSTATUSEX m{};
    m.dwLength = sizeof m;
    GlobalMemoryStatusEx(&m);
    return m;
}

int32_t mb(DWORDLONG bytes) { return int32_t(host::megabytes(bytes)); }

}  // namespace

TEST(Win32HostServices, MemoryFiguresAreTheSystemsInMegabytes) {
    const MEMORYSTATUSEX m = system_memory();
    ASSERT_GT(m.ullTotalPhys, 0u);
    // Totals stand still: each must be its own field, to the megabyte.
    EXPECT_EQ(PTE_GetTotalPhyMemory(), mb(m.ullTotalPhys));
    EXPECT_EQ(PTE_GetTotalPgMemory(), mb(m.ullTotalPageFile));
    EXPECT_EQ(PTE_GetTotalVirMemory(), mb(m.ullTotalVirtual));
    // The 64-bit user address space: 128 TiB, or 8 TiB on older systems,
    // less the guard regions at its ends.
    const int32_t vir = PTE_GetTotalVirMemory();
    EXPECT_TRUE((vir >= (1 << 27) - 2 && vir <= (1 << 27)) || (vir >= (1 << 23) - 2 && vir <= (1 << 23))) << vir;
    // What is available moves a little between two queries, never far.
    const MEMORYSTATUSEX again = system_memory();
    EXPECT_NEAR(PTE_GetAvailPhyMemory(), mb(again.ullAvailPhys), 256);
    EXPECT_NEAR(PTE_GetAvailPgMemory(), mb(again.ullAvailPageFile), 256);
    EXPECT_NEAR(PTE_GetAvailVirMemory(), mb(again.ullAvailVirtual), 256);
}

TEST(Win32HostServices, ButtonColoursFollowTheSystemAsBGR) {
    const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
    const COLORREF saved[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
    const COLORREF changed[] = {RGB(200, 100, 50), RGB(1, 2, 3)};
    ASSERT_TRUE(SetSysColors(2, elements, changed));
    const uint32_t face = PTE_GetWindowBackgroundColor(), text = PTE_GetWindowTextColor();
    SetSysColors(2, elements, saved);
    EXPECT_EQ(face, 0x003264C8u) << "red in the low byte";
    EXPECT_EQ(text, 0x00030201u);
    EXPECT_EQ(PTE_GetWindowBackgroundColor(), saved[0]);
}

TEST(Win32HostServices, DirInfoIsTheWindowsFolder) {
    char expected[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(expected, MAX_PATH), 0u);
    const char* first = PTE_GetDirInfo();
    EXPECT_STREQ(first, expected);
    EXPECT_EQ(GetFileAttributesA(first) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(PTE_GetDirInfo(), first) << "engine-owned storage, the same each call";
}

TEST(Win32Files, ReplacingRenameOverwritesWherePlainRenameRefuses) {
    const TempDir dir("win32_rename");
    const std::string a = dir.path("a.txt"), b = dir.path("b.txt");
    std::ofstream(a) << "new";
    std::ofstream(b) << "old";
    EXPECT_FALSE(platform::rename_no_replace(a.c_str(), b.c_str()));
    EXPECT_TRUE(platform::rename_replace(a.c_str(), b.c_str()));
    std::string text;
    std::ifstream(b) >> text;
    EXPECT_EQ(text, "new");
    EXPECT_EQ(GetFileAttributesA(a.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(platform::rename_replace(a.c_str(), b.c_str())) << "missing source";
}

TEST(Win32Files, APictureIsWrittenOverAnExistingFile) {
    const TempDir dir("win32_overwrite");
    const std::string path = dir.path("picture.png");
    std::ofstream(path) << "not a picture";
    const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
    ASSERT_NE(PTE_WriteToFileRGBA32(red, 1, 1, path.c_str(), ".png", 96), 0);
    ASSERT_NE(PTE_WriteToFileRGBA32(blue, 1, 1, path.c_str(), ".png", 96), 0) << "the file written first is replaced";
    uint8_t back[4] = {};
    ASSERT_EQ(PTE_ReadFromFileRGBA32(back, 1, 1, path.c_str()), 1);
    EXPECT_THAT(back, ElementsAre(0, 0, 255, 255));
}

// ---- Messages, debugger output, Escape ----

namespace {

std::vector<std::pair<std::string, std::string>> shown;

void remember(std::string_view caption, std::string_view text) { shown.emplace_back(caption, text); }

// What OutputDebugStringA hands a debugger, caught before the system's own
// handling as a debugger would see it.
std::vector<std::string> debugged;

LONG CALLBACK catch_debug_output(EXCEPTION_POINTERS* e) {
    const EXCEPTION_RECORD* r = e->ExceptionRecord;
    if (r->ExceptionCode == DBG_PRINTEXCEPTION_C && r->NumberParameters >= 2)
        debugged.emplace_back(reinterpret_cast<const char*>(r->ExceptionInformation[1]));
    return EXCEPTION_CONTINUE_SEARCH;
}

void press_escape() {
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
}

class Win32Notices : public EngineTest {
protected:
    ScriptFolder folder;
    void SetUp() override {
        EngineTest::SetUp();
        shown.clear();
        debugged.clear();
        platform::set_message_hook(remember);
        handler_ = AddVectoredExceptionHandler(1, catch_debug_output);
        make_image(2, 2);
        make_working_buffers(random_picture(2, 2, 5));
    }
    void TearDown() override {
        RemoveVectoredExceptionHandler(handler_);
        platform::set_message_hook(nullptr);
        EngineTest::TearDown();
    }
    void run(const std::string& body) {
        PTE_LuaFilterRun(folder.write("f.lua", body).c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }

private:
    void* handler_ = nullptr;
};

}  // namespace

TEST_F(Win32Notices, ScriptMessagesReachTheHookWithCaptionAndText) {
    run("message_box('Half done', 'Progress')\nmessage_box()\nerror('stop here', 0)\n");
    EXPECT_THAT(shown, ElementsAre(Pair("Progress", "Half done"), Pair("", ""), Pair("Lua Script Error", "stop here")));
}

TEST_F(Win32Notices, DebugOutputGoesToTheDebuggerUnchanged) {
    run("output_debug_string('trace 1')\noutput_debug_string('two\\nlines')\noutput_debug_string()\n");
    EXPECT_THAT(debugged, ElementsAre("trace 1", "two\nlines", ""));
    EXPECT_TRUE(shown.empty());
}

TEST_F(Win32Notices, AShortPressIsSeenOnceBetweenTwoLooks) {
    platform::escape_key_down();  // forget earlier presses
    EXPECT_FALSE(platform::escape_key_down());
    press_escape();
    EXPECT_TRUE(platform::escape_key_down());
    EXPECT_FALSE(platform::escape_key_down()) << "seen once";
    // A script sees the same key state.
    press_escape();
    run("local a, b = is_escape(), is_escape()\nif a ~= 1 or b ~= 0 then error(a .. ' ' .. b, 0) end\n");
    EXPECT_TRUE(shown.empty()) << shown.front().second;
}

TEST(Win32MessageBox, WithoutAHookAModalBoxShowsCaptionAndText) {
    // A helper closes the box as a user would, after reading it.
    std::atomic<bool> done{false};
    std::string caption, text;
    std::thread user([&] {
        for (int i = 0; i < 500 && !done; ++i) {
            if (HWND box = FindWindowA("#32770", "Lua Script Error")) {
                char buffer[256] = {};
                GetWindowTextA(box, buffer, sizeof buffer);
                caption = buffer;
                GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the message's static text
                text = buffer;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    });
    platform::show_message("Lua Script Error", "line 3: boom");
    done = true;
    user.join();
    EXPECT_EQ(caption, "Lua Script Error");
    EXPECT_EQ(text, "line 3: boom");
}

// ---- The hidden window ----

TEST(Win32DisplayWatch, TheWindowNotesDisplayChangesAndAutomaticResume) {
    uint8_t flag = 0;
    ASSERT_TRUE(platform::start_display_watch(GetModuleHandleA(nullptr), &flag));
    const HWND window = platform::display_watch_window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FindWindowA(platform::kDisplayWatchClass, nullptr), window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(DWORD(GetWindowLongA(window, GWL_STYLE)) & DWORD(WS_VISIBLE | WS_CHILD | WS_POPUP), 0u);

    EXPECT_EQ(SendMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0), 0);
    EXPECT_EQ(flag, 0) << "suspending is no change";
    EXPECT_EQ(SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0), 0);
    EXPECT_EQ(flag, 1);
    flag = 0;
    EXPECT_EQ(SendMessageA(window, WM_DISPLAYCHANGE, 24, MAKELPARAM(640, 480)), 0);
    EXPECT_EQ(flag, 1);
    // Anything else is the default procedure's.
    char title[8] = "x";
    EXPECT_EQ(SendMessageA(window, WM_GETTEXT, sizeof title, LPARAM(title)), 0);
    EXPECT_STREQ(title, "");

    platform::stop_display_watch();
    EXPECT_FALSE(IsWindow(window));
    WNDCLASSA wc{};
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), platform::kDisplayWatchClass, &wc));
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "stopping posts no quit";
}

TEST(Win32DisplayWatch, ClosingTheWindowEndsTheMessageLoop) {
    uint8_t flag = 0;
    ASSERT_TRUE(platform::start_display_watch(GetModuleHandleA(nullptr), &flag));
    const HWND window = platform::display_watch_window();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(platform::display_watch_window(), nullptr);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    platform::stop_display_watch();
    EXPECT_EQ(flag, 0);
}

TEST(Win32DisplayWatch, TheEnginesFlagIsReadOnceThroughTheExport) {
    ASSERT_TRUE(platform::start_display_watch(GetModuleHandleA(nullptr), &engine::state().displayChanged));
    SendMessageA(platform::display_watch_window(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
    EXPECT_EQ(PTE_IsDisplayChanged(), 1);
    EXPECT_EQ(PTE_IsDisplayChanged(), 0);
    platform::stop_display_watch();
}
