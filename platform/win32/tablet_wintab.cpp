// Pen tablets through Wintab32.dll, bound at run time: each of the five
// calls is an entry {name, ordinal, address, next}; the first use of an
// entry loads the module (once, with the system's critical-error and
// open-file message boxes off) and looks the call up by its ordinal, and a
// bound entry joins the list of bound ones. A call that cannot be bound
// answers 0 without calling anything; the module stays loaded for the life
// of the process.
#include <windows.h>

#include <cstring>
#include <type_traits>

#include "platform/tablet.h"

namespace platform {

namespace {

// The records of the tablet interface, in its own layout.
using Fix32 = DWORD;
struct WintabAxis {
    LONG axMin;
    LONG axMax;
    UINT axUnits;
    Fix32 axResolution;
};
struct WintabContext {
    char lcName[40];
    UINT lcOptions, lcStatus, lcLocks, lcMsgBase, lcDevice, lcPktRate;
    DWORD lcPktData, lcPktMode, lcMoveMask;
    DWORD lcBtnDnMask, lcBtnUpMask;
    LONG lcInOrgX, lcInOrgY, lcInOrgZ, lcInExtX, lcInExtY, lcInExtZ;
    LONG lcOutOrgX, lcOutOrgY, lcOutOrgZ, lcOutExtX, lcOutExtY, lcOutExtZ;
    Fix32 lcSensX, lcSensY, lcSensZ;
    BOOL lcSysMode;
    int lcSysOrgX, lcSysOrgY, lcSysExtX, lcSysExtY;
    Fix32 lcSysSensX, lcSysSensY;
};
static_assert(sizeof(WintabAxis) == 16 && sizeof(WintabContext) == 172, "the interface's record layouts");

constexpr UINT kInfoDevices = 100;       // WTI_DEVICES
constexpr UINT kDevicePressure = 15;     // DVC_NPRESSURE
constexpr UINT kInfoDefaultContext = 3;  // WTI_DEFCONTEXT
// No critical-error box, no box when the module file is missing.
constexpr UINT kQuietErrors = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
static_assert(kQuietErrors == 0x8001);

constexpr char kModule[] = "Wintab32.dll";

// The error mode set for a while and restored after.
class QuietErrors {
public:
    QuietErrors() : before_(SetErrorMode(kQuietErrors)) {}
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
    ~QuietErrors() { SetErrorMode(before_); }

private:
    UINT before_;
};

struct Entry {
    const char* name;
    WORD ordinal;  // 0: looked up by name
    FARPROC address = nullptr;
    Entry* next = nullptr;
};

Entry wtInfo{"WTInfoA", 20};
Entry wtOpen{"WTOpenA", 21};
Entry wtClose{"WTClose", 22};
Entry wtPacketsGet{"WTPacketsGet", 23};
Entry wtQueueSizeSet{"WTQueueSizeSet", 85};

HMODULE module = nullptr;
Entry* bound = nullptr;  // the bound entries, the latest first

// The entry's address, bound on first use; null when it cannot be.
FARPROC bind(Entry& e) {
    if (e.address != nullptr) return e.address;
    if (module == nullptr) {
        const QuietErrors quiet;
        module = LoadLibraryA(kModule);
    }
    if (module == nullptr) return nullptr;
    e.address = GetProcAddress(module, e.ordinal != 0 ? MAKEINTRESOURCEA(e.ordinal) : e.name);
    if (e.address == nullptr) return nullptr;
    e.next = bound;
    bound = &e;
    return e.address;
}

// Calls the entry as the function type F, or answers 0.
template <class F, class... Args>
std::invoke_result_t<F, Args...> call(Entry& e, Args... args) {
    const FARPROC address = bind(e);
    if (address == nullptr) return {};
    return reinterpret_cast<F>(reinterpret_cast<void*>(address))(args...);
}

using InfoFn = UINT(WINAPI*)(UINT, UINT, void*);
using OpenFn = HANDLE(WINAPI*)(HWND, WintabContext*, BOOL);
using CloseFn = BOOL(WINAPI*)(HANDLE);
using PacketsGetFn = int(WINAPI*)(HANDLE, int, void*);
using QueueSizeSetFn = BOOL(WINAPI*)(HANDLE, int);

HANDLE context_handle(TabletContext c) { return reinterpret_cast<HANDLE>(c); }

class Wintab final : public TabletDriver {
public:
    uint32_t pressure_axis(TabletAxis& axis) override {
        const QuietErrors quiet;
        WintabAxis a{};
        const UINT r = call<InfoFn>(wtInfo, kInfoDevices, kDevicePressure, static_cast<void*>(&a));
        if (r != 0) axis = TabletAxis{a.axMin, a.axMax};
        return r;
    }

    uint32_t default_context(TabletContextSettings& s) override {
        const QuietErrors quiet;
        const UINT r = call<InfoFn>(wtInfo, kInfoDefaultContext, 0u, static_cast<void*>(&context_));
        s = TabletContextSettings{};
        std::memcpy(s.name, context_.lcName, sizeof s.name);
        s.packetData = context_.lcPktData;
        s.moveMask = context_.lcMoveMask;
        s.options = context_.lcOptions;
        s.packetMode = context_.lcPktMode;
        s.buttonDownMask = context_.lcBtnDnMask;
        s.buttonUpMask = context_.lcBtnUpMask;
        s.outOriginX = context_.lcOutOrgX;
        s.outOriginY = context_.lcOutOrgY;
        s.outExtentX = context_.lcOutExtX;
        s.outExtentY = context_.lcOutExtY;
        return r;
    }

    // The default context as fetched last, with the engine's settings laid over it.
    TabletContext open(void* window, const TabletContextSettings& s, bool enable) override {
        const QuietErrors quiet;
        WintabContext c = context_;
        std::memcpy(c.lcName, s.name, sizeof c.lcName);
        c.lcName[sizeof c.lcName - 1] = '\0';
        c.lcPktData = s.packetData;
        c.lcMoveMask = s.moveMask;
        c.lcOptions = s.options;
        c.lcPktMode = s.packetMode;
        c.lcBtnDnMask = s.buttonDownMask;
        c.lcBtnUpMask = s.buttonUpMask;
        c.lcOutOrgX = s.outOriginX;
        c.lcOutOrgY = s.outOriginY;
        c.lcOutExtX = s.outExtentX;
        c.lcOutExtY = s.outExtentY;
        return reinterpret_cast<TabletContext>(call<OpenFn>(wtOpen, static_cast<HWND>(window), &c, BOOL(enable)));
    }

    int32_t close(TabletContext context) override { return call<CloseFn>(wtClose, context_handle(context)); }

    int32_t packets_get(TabletContext context, int32_t max, uint8_t* packets) override {
        return call<PacketsGetFn>(wtPacketsGet, context_handle(context), int(max), static_cast<void*>(packets));
    }

    int32_t queue_size_set(TabletContext context, int32_t packets) override {
        return call<QueueSizeSetFn>(wtQueueSizeSet, context_handle(context), int(packets));
    }

    int32_t client_to_screen(void* window, int32_t& x, int32_t& y) override {
        POINT p{0, 0};
        if (!ClientToScreen(static_cast<HWND>(window), &p)) return 0;
        x = p.x;
        y = p.y;
        return 1;
    }

    int32_t screen_width() override { return GetSystemMetrics(SM_CXSCREEN); }
    int32_t screen_height() override { return GetSystemMetrics(SM_CYSCREEN); }

private:
    WintabContext context_{};
};

}  // namespace

TabletDriver& system_tablet_driver() {
    static Wintab wintab;
    return wintab;
}

}  // namespace platform
