#include "io/host_services.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/system.h"

namespace host {

uint32_t megabytes(uint64_t bytes) {
    const uint32_t high = uint32_t(bytes >> 32);
    const uint32_t low = uint32_t(bytes);
    return (high << 12) | (low >> 20);
}

int32_t take_display_changed(engine::EngineState& s) {
    const int32_t changed = s.displayChanged ? 1 : 0;
    s.displayChanged = 0;
    return changed;
}

const char* dir_info(engine::EngineState& s) {
    const std::string folder = platform::system_folder();
    std::memset(s.io.dirInfo, 0, sizeof s.io.dirInfo);
    std::memcpy(s.io.dirInfo, folder.data(), std::min(folder.size(), sizeof s.io.dirInfo - 1));
    return s.io.dirInfo;
}

}  // namespace host
