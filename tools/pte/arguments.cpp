#include "arguments.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace pte {

bool parse_int(const std::string& text, int32_t& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
    value = int32_t(v);
    return true;
}

}  // namespace pte
