#include "platform/notices.h"

#include <cstdio>

namespace platform {

namespace {
void write(std::string_view text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stderr);
}
}  // namespace

void show_message(std::string_view caption, std::string_view text) {
    write(caption);
    write(": ");
    write(text);
    write("\n");
    std::fflush(stderr);
}

void debug_output(std::string_view text) {
    write(text);
    if (text.empty() || text.back() != '\n') write("\n");
    std::fflush(stderr);
}

}  // namespace platform
