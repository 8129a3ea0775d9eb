// Host services.
#include "exports/guard.h"
#include "io/host_services.h"
#include "platform/system.h"

using engine::state;
using exports::guarded;

namespace {
template <class Field>
int32_t memory_megabytes(Field field) {
    return guarded("GetMemory Excpt", int32_t{0},
                   [&] { return static_cast<int32_t>(host::megabytes(platform::memory_status().*field)); });
}
}  // namespace

extern "C" {

PTE_API int32_t PTE_CALL PTE_GetTotalPhyMemory(void) { return memory_megabytes(&platform::MemoryStatus::totalPhys); }
PTE_API int32_t PTE_CALL PTE_GetAvailPhyMemory(void) { return memory_megabytes(&platform::MemoryStatus::availPhys); }
PTE_API int32_t PTE_CALL PTE_GetTotalPgMemory(void) {
    return memory_megabytes(&platform::MemoryStatus::totalPageFile);
}
PTE_API int32_t PTE_CALL PTE_GetAvailPgMemory(void) {
    return memory_megabytes(&platform::MemoryStatus::availPageFile);
}
PTE_API int32_t PTE_CALL PTE_GetTotalVirMemory(void) {
    return memory_megabytes(&platform::MemoryStatus::totalVirtual);
}
PTE_API int32_t PTE_CALL PTE_GetAvailVirMemory(void) {
    return memory_megabytes(&platform::MemoryStatus::availVirtual);
}

PTE_API uint32_t PTE_CALL PTE_GetWindowBackgroundColor(void) { return platform::button_face_color(); }
PTE_API uint32_t PTE_CALL PTE_GetWindowTextColor(void) { return platform::button_text_color(); }

PTE_API int32_t PTE_CALL PTE_RenameFile(const char* oldPath, const char* newPath) {
    return guarded("RenameFile Excpt", int32_t{0},
                   [&] { return platform::rename_no_replace(oldPath, newPath) ? 1 : 0; });
}

PTE_API int32_t PTE_CALL PTE_IsDisplayChanged(void) { return host::take_display_changed(state()); }

PTE_API const char* PTE_CALL PTE_GetDirInfo(void) {
    return guarded("GetDirInfo Excpt", static_cast<const char*>(state().io.dirInfo),
                   [] { return host::dir_info(state()); });
}

PTE_API void PTE_CALL PTE_SetGridSpacing(int32_t) {}
PTE_API void PTE_CALL PTE_SetGrid(int32_t) {}

}  // extern "C"
