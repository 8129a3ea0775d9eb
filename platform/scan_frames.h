// A scan put together from the frames a scanner delivers: one grey or
// colour frame, or three frames of one colour each; 1, 8 or 16 bits a
// sample; a known number of lines or lines until the scan ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct ScanFrame {
    enum class Kind { Gray, Rgb, Red, Green, Blue };
    Kind kind = Kind::Gray;
    int32_t bytesPerLine = 0;
    int32_t pixelsPerLine = 0;
    int32_t lines = -1;  // -1: not known until the frame ends
    int32_t depth = 8;   // bits a sample: 1 (1 = black), 8, or 16 (the machine's byte order)
};

class ScanAssembler {
public:
    // Starts a frame; false for one that cannot be taken (a depth or size
    // out of range, lines shorter than their pixels, a frame of another
    // width than the first).
    bool begin(const ScanFrame& frame);
    // Bytes of the frame as they arrive, in pieces of any length.
    void add(const uint8_t* data, size_t size);
    // Ends the frame: a line left incomplete is dropped.
    void end();
    // The picture so far as packed RGBA32 (alpha 255; channels no frame
    // brought are 0); false when no complete line arrived.
    bool picture(std::vector<uint8_t>& rgba, uint32_t& width, uint32_t& height) const;

private:
    void take_line();
    uint8_t sample(const uint8_t* line, uint32_t index) const;

    ScanFrame frame_;
    uint32_t width_ = 0;
    uint32_t frames_ = 0;       // frames begun
    uint32_t rows_ = 0;         // lines of the picture so far
    uint32_t frameRow_ = 0;     // lines of the current frame so far
    std::vector<uint8_t> line_;  // the current line as it fills
    std::vector<uint8_t> rgba_;
};

}  // namespace platform
