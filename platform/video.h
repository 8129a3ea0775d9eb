// Video files as the engine writes them: one stream of uncompressed frames,
// each the pixel rows of a device-independent bitmap (bottom row first,
// rows padded to four bytes), at a rate of `rate` / `scale` frames a second.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

struct VideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t bitsPerPixel = 24;
    uint32_t scale = 0;  // time units per frame ...
    uint32_t rate = 0;   // ... and time units per second
    uint64_t frameBytes = 0;
};

class VideoFile {
public:
    virtual ~VideoFile() = default;
    // Starts the stream; once per file, before the first frame.
    virtual bool start_stream(const VideoFormat& format) = 0;
    // Writes frame `index` (frameBytes bytes) as a key frame.
    virtual bool write_frame(int64_t index, const uint8_t* bits, uint64_t size) = 0;
    // Finishes the file with its headers and indexes (files past the first
    // gigabyte in the format's extended form) and puts it in place. False
    // when it could not be finished; nothing is put in place then. A file
    // whose stream never started holds no video: nothing is put in place
    // and the answer is true.
    virtual bool close() = 0;
    // Drops the file without finishing it.
    virtual void discard() = 0;
};

class VideoFiles {
public:
    virtual ~VideoFiles() = default;
    // Starts a file of that name; null when it cannot be created. A file
    // already there is replaced only when the new one is finished.
    virtual std::unique_ptr<VideoFile> create(const char* path) = 0;
};

VideoFiles& system_video_files();
VideoFiles& video_files();
VideoFiles* install_video_files(VideoFiles* replacement);

}  // namespace platform
