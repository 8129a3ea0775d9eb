// Operating-system services the engine needs: memory status, the system
// colours and folder, and a rename that never replaces.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Byte counts, as the memory-status queries report them.
struct MemoryStatus {
    uint64_t totalPhys = 0;
    uint64_t availPhys = 0;
    uint64_t totalPageFile = 0;  // commit limit
    uint64_t availPageFile = 0;  // commit limit less what is committed
    uint64_t totalVirtual = 0;   // user address space of the process
    uint64_t availVirtual = 0;
};

MemoryStatus memory_status();

// Colours of buttons as 0x00BBGGRR.
uint32_t button_face_color();
uint32_t button_text_color();

// The folder where the system keeps its own shared files.
std::string system_folder();

// Renames a file; refuses (false) when the target exists or the source is missing.
bool rename_no_replace(const char* from, const char* to);

// Renames a file over the target, which is replaced when it exists; false
// when the source is missing or the target cannot be replaced.
bool rename_replace(const char* from, const char* to);

}  // namespace platform
