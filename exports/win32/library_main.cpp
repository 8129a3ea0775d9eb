// The DLL's entry point: on process attach, the hidden window that notes
// display changes for PTE_IsDisplayChanged; on unload by FreeLibrary, the
// window and its class go, so that no message reaches a procedure that is
// no longer there. At process exit the system takes both. The task pool's
// workers end without a join, which the loader lock would block.
#include <windows.h>

#include "engine/engine_state.h"
#include "platform/parallel_pool.h"
#include "platform/win32/display_watch.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        platform::start_display_watch(module, &engine::state().displayChanged);
    } else if (reason == DLL_PROCESS_DETACH) {
        parallel::detail::release_pool_at_unload(reserved != nullptr);
        if (reserved == nullptr) platform::stop_display_watch();
    }
    return TRUE;
}
