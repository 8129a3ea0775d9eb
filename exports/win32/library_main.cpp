// The DLL's entry point: on process attach, the hidden window that notes
// display changes for PTE_IsDisplayChanged; on unload by FreeLibrary, the
// window and its class go, so that no message reaches a procedure that is
// no longer there. At process exit the system takes both.
#include <windows.h>

#include "engine/engine_state.h"
#include "platform/win32/display_watch.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        platform::start_display_watch(module, &engine::state().displayChanged);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        platform::stop_display_watch();
    }
    return TRUE;
}
