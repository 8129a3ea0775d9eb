// The tablet interface bound at run time from a module of the test's own
// (fake_wintab/), which exports its five calls by ordinal only: the context
// the engine opens on the default one, the packets it reads, and the calls
// that close and flush it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "paintcore.h"
#include "support/engine_fixture.h"

extern "C" {
#include "win32/fake_wintab/fake_wintab.h"
}

namespace {

// The test module's folder, beside the test program.
std::string fake_wintab_folder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + "fake_wintab";
}

const FakeWintabLog& wintab_log() {
    const HMODULE module = GetModuleHandleA("Wintab32.dll");
    EXPECT_NE(module, nullptr) << "the engine loaded the module";
    const auto read = reinterpret_cast<FakeWintabLogFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "fake_wintab_log")));
    static const FakeWintabLog none{};
    return read != nullptr ? *read() : none;
}

// A window of the host, its client area somewhere on the screen.
class HostWindow {
public:
    HostWindow()
        : window_(CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 40, 70, 200, 100, nullptr, nullptr,
                                  nullptr, nullptr)) {}
    ~HostWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

}  // namespace

TEST_F(EngineTest, ATabletBoundByOrdinalDeliversItsPackets) {
    ASSERT_EQ(PTE_ReadTabletPressure(0), 100) << "no tablet yet";
    ASSERT_TRUE(SetDllDirectoryA(fake_wintab_folder().c_str()));
    const UINT errorMode = GetErrorMode();
    const HostWindow host;
    ASSERT_EQ(PTE_InitTablet(host.get()), 1) << "the result of setting the queue size";
    SetDllDirectoryA(nullptr);
    EXPECT_EQ(GetErrorMode(), errorMode) << "the error mode is restored";

    const FakeWintabLog& log = wintab_log();
    EXPECT_EQ(log.errorModeAtLoad, UINT(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    EXPECT_EQ(log.window, host.get());
    EXPECT_TRUE(log.enabled);
    EXPECT_STREQ(log.name, "paintcore tablet context");
    EXPECT_EQ(log.packetData, 0x582u);
    EXPECT_EQ(log.moveMask, 0x582u);
    EXPECT_EQ(log.options, 1u);
    EXPECT_EQ(log.packetMode, 0u);
    EXPECT_EQ(log.buttonDownMask, 3u);
    EXPECT_EQ(log.buttonUpMask, 3u) << "up mask = down mask";
    EXPECT_EQ(log.inExtentX, 15200) << "the rest of the default context is kept";
    EXPECT_EQ(log.outOriginX, 0);
    EXPECT_EQ(log.outOriginY, 0);
    EXPECT_EQ(log.outExtentX, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(log.outExtentY, -GetSystemMetrics(SM_CYSCREEN)) << "y downward";
    EXPECT_EQ(log.queueSize, 256);

    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(host.get(), &origin));
    EXPECT_NE(PTE_SetTabletOrigin(), 0);
    ASSERT_EQ(PTE_ReadTabletPackets(), 2);
    EXPECT_EQ(PTE_ReadTabletPressure(0), 50) << "512 of 0..1023";
    EXPECT_EQ(PTE_IsPacketInvert(0), 1);
    EXPECT_EQ(PTE_PacketStatus(0), 0x10u);
    EXPECT_EQ(PTE_ReadTabletX(0), 150 - origin.x);
    EXPECT_EQ(PTE_ReadTabletY(0), 260 - origin.y);
    EXPECT_EQ(PTE_ReadTabletPressure(1), 1) << "a touch never reads as no pressure";
    EXPECT_EQ(PTE_ReadRawTabletPressure(1), 0);
    EXPECT_EQ(PTE_IsPacketInvert(1), 0);
    EXPECT_EQ(PTE_ReadTabletX(2), 0) << "past the packets read";

    PTE_ResetTabletPressure();
    EXPECT_EQ(log.discarded, 1000) << "the queue is flushed";
    PTE_CloseTablet();
    EXPECT_TRUE(log.closed);
    EXPECT_EQ(PTE_ReadTabletPackets(), 0);
    EXPECT_EQ(PTE_ReadTabletPressure(0), 10) << "the ramp after a reset";
}
