#include <cstddef>
#include <cstdlib>
#include <limits>

#include "platform/imglib/imglib.h"

namespace imglib {

void* GlobalAlloc(uint64_t bytes) {
    if (bytes > uint64_t(std::numeric_limits<std::ptrdiff_t>::max())) return nullptr;
    return std::malloc(bytes == 0 ? 1 : size_t(bytes));
}

void GlobalFree(void* block) { std::free(block); }

}  // namespace imglib
