// What a script may tell the user: a message with its caption, and text for
// a debugger. Each system presents them in its own way (platform/linux/,
// platform/win32/); the Escape key is asked through platform/keys.h.
#pragma once

#include <string_view>

namespace platform {

// Shows a message with its caption: to the hook when one is set, else as
// the system presents messages (on Linux "caption: text" on standard error,
// since a library must not block its host; on Windows a message box).
void show_message(std::string_view caption, std::string_view text);

// Receives every message instead of the user, for hosts and tests that must
// not be blocked by a box. Null restores the system's presentation.
using MessageHook = void (*)(std::string_view caption, std::string_view text);
void set_message_hook(MessageHook hook);

// The system's own presentation of a message (show_message without a hook).
void present_message(std::string_view caption, std::string_view text);

// Passes text to the system's debugger output (standard error on Linux).
void debug_output(std::string_view text);

}  // namespace platform
