// The entry of the test programs on Windows. A message that would open a
// modal box goes to standard error instead, as "caption: text", text for
// the debugger is echoed there too, one line a message, and the system's
// dialogs are answered as by a user who cancels: no test waits for a user,
// and the tests shared with Linux judge the same texts and results there.
#include <windows.h>

#include <gmock/gmock.h>

#include <cstdio>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/notices.h"

namespace {

void print_message(std::string_view caption, std::string_view text) {
    std::fprintf(stderr, "%.*s: %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
    std::fflush(stderr);
}

// OutputDebugStringA raises this exception for a debugger to read; the
// handler reads it and lets the system go on as without a debugger.
LONG CALLBACK echo_debug_output(EXCEPTION_POINTERS* e) {
    const EXCEPTION_RECORD* r = e->ExceptionRecord;
    if (r->ExceptionCode == DBG_PRINTEXCEPTION_C && r->NumberParameters >= 2) {
        const auto* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
        const size_t length = r->ExceptionInformation[0] > 0 ? size_t(r->ExceptionInformation[0] - 1) : 0;
        const std::string_view line(text, length);
        std::fprintf(stderr, "%.*s%s", int(line.size()), line.data(), line.ends_with('\n') ? "" : "\n");
        std::fflush(stderr);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

bool cancel_dialog(platform::DialogKind) { return false; }

}  // namespace

int main(int argc, char** argv) {
    platform::set_message_hook(print_message);
    AddVectoredExceptionHandler(0, echo_debug_output);
    platform::set_dialog_hook(cancel_dialog);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
