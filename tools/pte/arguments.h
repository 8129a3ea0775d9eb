// Reading the command line's arguments.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace pte {

// A whole decimal number that fits in 32 bits, the whole text and nothing else.
inline bool parse_int(const std::string& text, int32_t& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
    value = int32_t(v);
    return true;
}

}  // namespace pte
