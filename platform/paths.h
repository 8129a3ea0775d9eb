// How this platform spells file paths and the line ends of text files.
#pragma once

#include <string_view>

namespace platform {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
// The longest path the system's ANSI file functions take, its end included.
inline constexpr int kMaxPath = 260;
// What the C runtime writes for a line end in a text file.
inline constexpr std::string_view kTextLineEnd = "\r\n";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr int kMaxPath = 4096;
inline constexpr std::string_view kTextLineEnd = "\n";
#endif

}  // namespace platform
