// What a script may tell the user. A library must never block its host, so
// messages go to standard error instead of a modal box.
#pragma once

#include <string_view>

namespace platform {

// A message with its caption, as "caption: text" on standard error.
void show_message(std::string_view caption, std::string_view text);

// Text for a debugger, on standard error.
void debug_output(std::string_view text);

}  // namespace platform
