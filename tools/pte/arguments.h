// Command-line arguments of the host's commands.
#pragma once

#include <cstdint>
#include <string>

namespace pte {

// A whole number within int32, and nothing after it; false otherwise.
bool parse_int(const std::string& text, int32_t& value);

}  // namespace pte
