// Screen capture with GDI: the primary screen copied into a bitmap
// compatible with it (BitBlt), whose pixels are then asked for as 32-bit
// blue-green-red rows, top row first.
#include <windows.h>

#include "platform/screen.h"
#include "platform/win32/gdi.h"

namespace platform {

namespace {

// GDI objects released on every way out.
struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() {
        if (dc != nullptr) ReleaseDC(nullptr, dc);
    }
};
struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC like) : dc(CreateCompatibleDC(like)) {}
    ~MemoryDc() {
        if (dc != nullptr) DeleteDC(dc);
    }
};
struct Bitmap {
    HBITMAP bitmap;
    Bitmap(HDC like, int width, int height) : bitmap(CreateCompatibleBitmap(like, width, height)) {}
    ~Bitmap() {
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
};

class GdiScreen final : public Screen {
public:
    bool capture(ScreenCapture& out) override {
        const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        if (width <= 0 || height <= 0) return false;
        const ScreenDc screen;
        if (screen.dc == nullptr) return false;
        const MemoryDc memory(screen.dc);
        const Bitmap bitmap(screen.dc, width, height);
        if (memory.dc == nullptr || bitmap.bitmap == nullptr) return false;
        const HGDIOBJ before = SelectObject(memory.dc, bitmap.bitmap);
        const bool copied = BitBlt(memory.dc, 0, 0, width, height, screen.dc, 0, 0, SRCCOPY) != 0;
        SelectObject(memory.dc, before);
        if (!copied) return false;

        BITMAPINFO info{};
        info.bmiHeader = platform::win32::top_down_rgb32(width, height);
        std::vector<uint8_t> bits(size_t(width) * size_t(height) * 4);
        if (GetDIBits(memory.dc, bitmap.bitmap, 0, UINT(height), bits.data(), &info, DIB_RGB_COLORS) != height)
            return false;
        out.width = uint32_t(width);
        out.height = uint32_t(height);
        out.bits = std::move(bits);
        return true;
    }
};

}  // namespace

Screen& system_screen() {
    static GdiScreen screen;
    return screen;
}

}  // namespace platform
