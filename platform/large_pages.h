// Advice that a large block be backed by large pages.
//
// Blocks of 4 MB and more (layers, working pictures, scratch planes) are
// read and written whole, row after row: on large pages such a pass does
// not miss the address translation every 4 KB, and a fresh block costs one
// page fault per 2 MB instead of one per 4 KB. Only advice: the system may
// decline it, and nothing changes but speed.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace platform {

inline void advise_large_pages(void* p, size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kPage = 4096;
    if (p == nullptr || bytes < (size_t(4) << 20)) return;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(p) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kPage - 1);
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)p, (void)bytes;
#endif
}

}  // namespace platform
