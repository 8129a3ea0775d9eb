// Memory status, system colours, the Windows folder and renames through
// kernel32 and user32.
#include <windows.h>

#include "platform/system.h"

namespace platform {

MemoryStatus memory_status() {
    MEMORYSTATUSEX m{};
    m.dwLength = sizeof m;
    if (!GlobalMemoryStatusEx(&m)) return {};
    return MemoryStatus{m.ullTotalPhys,     m.ullAvailPhys,     m.ullTotalPageFile,
                        m.ullAvailPageFile, m.ullTotalVirtual, m.ullAvailVirtual};
}

// GetSysColor answers 0x00BBGGRR already.
uint32_t button_face_color() { return GetSysColor(COLOR_BTNFACE); }
uint32_t button_text_color() { return GetSysColor(COLOR_BTNTEXT); }

std::string system_folder() {
    char path[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::string(path, length);
}

// MoveFileA never replaces an existing target.
bool rename_no_replace(const char* from, const char* to) {
    return from != nullptr && to != nullptr && MoveFileA(from, to) != 0;
}

bool rename_replace(const char* from, const char* to) {
    return from != nullptr && to != nullptr && MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace platform
