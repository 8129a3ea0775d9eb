// Pictures that arrive from outside (files, clipboard, capture, scanner) and
// texts handed to the host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/buffer.h"
#include "platform/video.h"

namespace io {

inline constexpr int kDirInfoCapacity = 261;  // 260 characters and the terminator

// The video being written: frames go to its file until it is closed.
struct VideoWriter {
    std::unique_ptr<platform::VideoFile> file;
    uint32_t frameDuration = 0;  // milliseconds: the time scale at a rate of 1000
    bool streamStarted = false;  // made with the first frame, which fixes the size
    platform::VideoFormat format;
    bool failed = false;  // once set, no further frame is written
    int64_t frameCount = 0;
    std::vector<uint8_t> rows;  // the frame being written, reused frame after frame
};

struct IoState {
    // The one engine-owned RGBA32 picture the host copies out or loads.
    engine::OwnedBuffer<uint8_t> newRGBA;
    int32_t newRGBAWidth = 0;
    int32_t newRGBAHeight = 0;
    // The system folder answered by PTE_GetDirInfo.
    char dirInfo[kDirInfoCapacity] = {};
    // The scanner device name answered last.
    std::string scanSourceName;
    // At most one video is written at a time.
    std::unique_ptr<VideoWriter> video;
};

}  // namespace io
