#include "platform/notices.h"

namespace platform {

namespace {
MessageHook message_hook = nullptr;
}  // namespace

void set_message_hook(MessageHook hook) { message_hook = hook; }

void show_message(std::string_view caption, std::string_view text) {
    if (message_hook != nullptr) {
        message_hook(caption, text);
        return;
    }
    present_message(caption, text);
}

}  // namespace platform
