// Scanning through TWAIN's data source manager, loaded at run time from a
// module of the test's own (fake_twain/): the sources it lists, the host's
// choice, the selection dialog, and one picture by native transfer.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paintcore.h"
#include "platform/dialogs.h"
#include "support/engine_fixture.h"

extern "C" {
#include "win32/fake_twain/fake_twain.h"
}

namespace {

using Bytes = std::vector<uint8_t>;

// The test module's folder, beside the test program.
std::string fake_twain_folder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + "fake_twain";
}

const FakeTwainLog& twain_log() {
    const auto read = reinterpret_cast<FakeTwainLogFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("TWAINDSM.DLL"), "fake_twain_log")));
    static const FakeTwainLog none{};
    return read != nullptr ? *read() : none;
}

bool accept(platform::DialogKind) { return true; }
bool cancel(platform::DialogKind) { return false; }

}  // namespace

TEST_F(EngineTest, ScansComeFromTheChosenSourceThroughTheManager) {
    ASSERT_TRUE(SetDllDirectoryA(fake_twain_folder().c_str()));
    ASSERT_EQ(PTE_IsTwain(), 1);
    SetDllDirectoryA(nullptr);
    const FakeTwainLog& log = twain_log();
    EXPECT_STREQ(PTE_TwainGetSourceName(0), "Flatbed");
    EXPECT_STREQ(PTE_TwainGetSourceName(1), "Camera");
    EXPECT_STREQ(PTE_TwainGetSourceName(2), "");

    const platform::DialogHook before = platform::dialog_hook();
    // The selection dialog: cancelled, answered with the manager's default,
    // and shown to the user.
    platform::set_dialog_hook(cancel);
    EXPECT_EQ(PTE_TwainSelectSource(), 0);
    platform::set_dialog_hook(accept);
    EXPECT_EQ(PTE_TwainSelectSource(), 1);
    EXPECT_EQ(log.userSelects, 0) << "a hook answers in the user's place";
    platform::set_dialog_hook(nullptr);
    EXPECT_EQ(PTE_TwainSelectSource(), 1);
    EXPECT_EQ(log.userSelects, 1);
    ASSERT_EQ(PTE_TwainAcquire(), 1);
    EXPECT_STREQ(log.opened, "Flatbed") << "the user's pick";
    EXPECT_EQ(log.showUI, 1) << "the source shows its own window";
    EXPECT_EQ(log.pixelTypeSet, 2) << "colour asked for";
    ASSERT_EQ(PTE_GetNewRGBAWidth(), 2);
    ASSERT_EQ(PTE_GetNewRGBAHeight(), 2);
    Bytes got(16);
    PTE_GetNewRGBA32(got.data());
    EXPECT_EQ(got, (Bytes{10, 20, 30, 255, 40, 50, 60, 255, 1, 2, 3, 255, 4, 5, 6, 255})) << "top row first";

    // The host's choice stands without a dialog.
    EXPECT_EQ(PTE_TwainChooseSource("no such source"), 0);
    ASSERT_EQ(PTE_TwainChooseSource("Camera"), 1);
    EXPECT_EQ(PTE_TwainSelectSource(), 1);
    EXPECT_EQ(log.userSelects, 1);
    ASSERT_EQ(PTE_TwainAcquire(), 1);
    EXPECT_STREQ(log.opened, "Camera");
    EXPECT_EQ(log.openSessions, 0) << "every session with the manager is closed";
    platform::set_dialog_hook(before);
}
