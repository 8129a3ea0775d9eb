// The screen as the engine captures it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/imglib/dib.h"

namespace platform {

// A copy of the screen: 32-bit pixels blue, green, red and one unused
// byte, top row first, packed rows.
struct ScreenCapture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bits;

    imglib::DeviceBitmap bitmap() const { return {width, height, uint64_t(width) * 4, bits.data()}; }
};

class Screen {
public:
    virtual ~Screen() = default;
    // Copies the whole primary screen; false when there is no screen to
    // read (no display) or it cannot be read.
    virtual bool capture(ScreenCapture& out) = 0;
};

Screen& system_screen();
Screen& screen();
Screen* install_screen(Screen* replacement);

}  // namespace platform
