// Pictures that arrive from outside (files, clipboard, capture, scanner) and
// texts handed to the host.
#pragma once

#include <cstdint>

#include "engine/buffer.h"

namespace io {

inline constexpr int kDirInfoCapacity = 261;  // 260 characters and the terminator

struct IoState {
    // The one engine-owned RGBA32 picture the host copies out or loads.
    engine::OwnedBuffer<uint8_t> newRGBA;
    int32_t newRGBAWidth = 0;
    int32_t newRGBAHeight = 0;
    // The system folder answered by PTE_GetDirInfo.
    char dirInfo[kDirInfoCapacity] = {};
};

}  // namespace io
