#include "platform/win32/display_watch.h"

namespace platform {

namespace {

struct Watch {
    HINSTANCE module = nullptr;
    HWND window = nullptr;
    uint8_t* flag = nullptr;
    bool stopping = false;
};
Watch watch;

void note_change() {
    if (watch.flag != nullptr) *watch.flag = 1;
}

}  // namespace

LRESULT CALLBACK display_watch_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_DISPLAYCHANGE:
            note_change();
            return 0;
        case WM_POWERBROADCAST:
            if (wparam == PBT_APMRESUMEAUTOMATIC) note_change();
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            if (window == watch.window) watch.window = nullptr;
            if (!watch.stopping) PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

bool start_display_watch(HINSTANCE module, uint8_t* flag) {
    watch.module = module;
    watch.flag = flag;
    watch.stopping = false;
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = display_watch_procedure;
    wc.hInstance = module;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kDisplayWatchClass;
    if (RegisterClassA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    watch.window = CreateWindowExA(0, kDisplayWatchClass, "", 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, nullptr, nullptr, module, nullptr);
    return watch.window != nullptr;
}

void stop_display_watch() {
    watch.stopping = true;
    watch.flag = nullptr;
    if (watch.window == nullptr) {
        UnregisterClassA(kDisplayWatchClass, watch.module);
        return;
    }
    if (GetWindowThreadProcessId(watch.window, nullptr) == GetCurrentThreadId()) {
        DestroyWindow(watch.window);
        UnregisterClassA(kDisplayWatchClass, watch.module);
        return;
    }
    // Only the window's own thread can destroy it: hand it the system's
    // default procedure, which outlives this module, and ask that thread to
    // close it.
    SetWindowLongPtrA(watch.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    PostMessageA(watch.window, WM_CLOSE, 0, 0);
    watch.window = nullptr;
}

HWND display_watch_window() { return watch.window; }

}  // namespace platform
