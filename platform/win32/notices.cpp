// Messages and debugger output through user32 and kernel32.
#include <windows.h>

#include <string>

#include "platform/notices.h"

namespace platform {

// A modal box with an OK button and no owner window.
void present_message(std::string_view caption, std::string_view text) {
    const std::string c(caption), t(text);
    MessageBoxA(nullptr, t.c_str(), c.c_str(), MB_OK);
}

void debug_output(std::string_view text) {
    const std::string t(text);
    OutputDebugStringA(t.c_str());
}

}  // namespace platform
