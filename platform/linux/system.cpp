#include "platform/linux/memory_accounting.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/system.h"

namespace platform {

namespace {

std::string read_text(const char* path) {
    std::ifstream in(path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The value of a "Name:   1234 kB" line, in bytes; 0 when absent.
uint64_t kb_field(const std::string& text, const char* name) {
    const std::string key = std::string(name) + ":";
    size_t at = 0;
    while ((at = text.find(key, at)) != std::string::npos) {
        if (at == 0 || text[at - 1] == '\n') {
            unsigned long long kb = 0;
            if (std::sscanf(text.c_str() + at + key.size(), "%llu", &kb) == 1) return kb * 1024ull;
            return 0;
        }
        at += key.size();
    }
    return 0;
}

// x86-64 and aarch64 Linux give user space 2^47 bytes unless limited.
constexpr uint64_t kDefaultAddressSpace = uint64_t(1) << 47;

uint64_t address_space_limit() {
    rlimit lim{};
    if (getrlimit(RLIMIT_AS, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY) return lim.rlim_cur;
    return sizeof(void*) == 4 ? (uint64_t(1) << 32) : kDefaultAddressSpace;
}

}  // namespace

MemoryStatus parse_memory_status(const std::string& meminfo, const std::string& self_status,
                                 uint64_t address_space) {
    MemoryStatus m;
    m.totalPhys = kb_field(meminfo, "MemTotal");
    m.availPhys = kb_field(meminfo, "MemAvailable");
    if (m.availPhys == 0) m.availPhys = kb_field(meminfo, "MemFree");
    m.totalPageFile = kb_field(meminfo, "CommitLimit");
    const uint64_t committed = kb_field(meminfo, "Committed_AS");
    m.availPageFile = m.totalPageFile > committed ? m.totalPageFile - committed : 0;
    m.totalVirtual = address_space;
    const uint64_t used = kb_field(self_status, "VmSize");
    m.availVirtual = address_space > used ? address_space - used : 0;
    return m;
}

MemoryStatus memory_status() {
    return parse_memory_status(read_text("/proc/meminfo"), read_text("/proc/self/status"), address_space_limit());
}

// The classic light-grey button face and black button text.
uint32_t button_face_color() { return 0x00F0F0F0u; }
uint32_t button_text_color() { return 0x00000000u; }

std::string system_folder() { return "/usr/share"; }

bool rename_no_replace(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) return false;
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE: a hard link also refuses an
    // existing target, and removing the old name completes the move.
    if (link(from, to) != 0) {
        if (errno != EPERM && errno != EXDEV) return false;
        struct stat st {};
        if (lstat(to, &st) == 0 || errno != ENOENT) return false;
        return std::rename(from, to) == 0;
    }
    return unlink(from) == 0;
}

bool rename_replace(const char* from, const char* to) {
    return from != nullptr && to != nullptr && std::rename(from, to) == 0;
}

}  // namespace platform
