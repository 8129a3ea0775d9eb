// The memory status as the kernel accounts it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace platform {

// Parses the kernel's memory accounting (/proc/meminfo) and the process's own
// status (/proc/self/status) texts; split out so tests can feed known figures.
MemoryStatus parse_memory_status(const std::string& meminfo, const std::string& self_status,
                                 uint64_t address_space_limit);

}  // namespace platform
