/* The DLL loaded and unloaded at run time by a host: loading starts the
 * hidden window that notes display changes, PTE_IsDisplayChanged reports
 * each once, and unloading leaves neither the window nor its class behind,
 * nor a quit message for the host's loop. Prints each failed check and, at
 * the end, how many passed. */
#include <stdio.h>
#include <windows.h>

#include "paintcore.h"

static int passed, failed;

static void check(int ok, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("lifecycle: FAILED %s\n", what);
    }
}

/* As the system announces a new display mode to every top-level window. */
static void broadcast_display_change(int width, int height) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DISPLAYCHANGE, 32, MAKELPARAM(width, height), SMTO_ABORTIFHUNG, 2000,
                        &result);
}

typedef int32_t(PTE_CALL* IsDisplayChanged)(void);

static const char kClass[] = "Corvina DLL window";

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "paintcore.dll";
    check(FindWindowA(kClass, NULL) == NULL, "no window before the library is loaded");
    HMODULE dll = LoadLibraryA(path);
    check(dll != NULL, "the library loads");
    if (dll == NULL) return 1;
    IsDisplayChanged changed = (IsDisplayChanged)(void (*)(void))GetProcAddress(dll, "PTE_IsDisplayChanged");
    check(changed != NULL, "PTE_IsDisplayChanged is exported by its plain name");
    if (changed == NULL) return 1;

    HWND window = FindWindowA(kClass, NULL);
    check(window != NULL, "loading creates the hidden window");
    check(window != NULL && !IsWindowVisible(window), "the window is never shown");
    DWORD process = 0;
    check(window != NULL && GetWindowThreadProcessId(window, &process) == GetCurrentThreadId() &&
              process == GetCurrentProcessId(),
          "the window belongs to the loading thread");
    WNDCLASSA wc;
    check(GetClassInfoA(dll, kClass, &wc) != 0, "the class is registered under the library");

    check(changed() == 0, "no change before any message");
    SendMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
    check(changed() == 1, "a display change is reported");
    check(changed() == 0, "and reported once");
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    check(changed() == 0, "suspending is not a change");
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    check(changed() == 1, "an automatic resume is reported");
    broadcast_display_change(1024, 768);
    check(changed() == 1, "a broadcast display change reaches the window");

    check(FreeLibrary(dll) != 0, "the library unloads");
    check(FindWindowA(kClass, NULL) == NULL, "unloading destroys the window");
    check(GetClassInfoA(dll, kClass, &wc) == 0, "unloading unregisters the class");
    MSG msg;
    check(!PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE), "unloading posts no quit message");
    /* A stale procedure would crash here, before the summary is printed. */
    broadcast_display_change(800, 600);

    dll = LoadLibraryA(path);
    check(dll != NULL && FindWindowA(kClass, NULL) != NULL, "loading again makes the window again");
    if (dll != NULL) FreeLibrary(dll);

    if (failed == 0) printf("lifecycle: all %d checks passed\n", passed);
    return failed == 0 ? 0 : 1;
}
