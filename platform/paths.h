// How this platform spells file paths.
#pragma once

namespace platform {

inline constexpr char kPathSeparator = '/';

}  // namespace platform
