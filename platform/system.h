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

// Parses the kernel's memory accounting (/proc/meminfo) and the process's own
// status (/proc/self/status) texts; split out so tests can feed known figures.
MemoryStatus parse_memory_status(const std::string& meminfo, const std::string& self_status,
                                 uint64_t address_space_limit);

// Colours of buttons as 0x00BBGGRR.
uint32_t button_face_color();
uint32_t button_text_color();

// The folder where the system keeps its own shared files.
std::string system_folder();

// Renames a file; refuses (false) when the target exists or the source is missing.
bool rename_no_replace(const char* from, const char* to);

}  // namespace platform
