// What the GDI users of the Windows build share: text in the wide
// characters GDI takes, and the header of a 32-bit picture laid out as the
// engine's pictures are.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace platform::win32 {

// UTF-8 text as UTF-16; invalid sequences become U+FFFD.
inline std::wstring wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(std::max(n, 0)), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

// A 32-bit BI_RGB bitmap of width x height with its top row first.
inline BITMAPINFOHEADER top_down_rgb32(LONG width, LONG height) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    return h;
}

}  // namespace platform::win32
