#include "platform/scan_frames.h"

#include <algorithm>
#include <cstring>

#include "platform/imglib/files.h"

namespace platform {

namespace {

int32_t channels_of(ScanFrame::Kind kind) { return kind == ScanFrame::Kind::Rgb ? 3 : 1; }

}  // namespace

bool ScanAssembler::begin(const ScanFrame& frame) {
    if (frame.depth != 1 && frame.depth != 8 && frame.depth != 16) return false;
    if (frame.pixelsPerLine <= 0 || uint32_t(frame.pixelsPerLine) > imglib::kMaxFileSide) return false;
    if (frame.lines > int32_t(imglib::kMaxFileSide)) return false;
    const uint64_t needed = (uint64_t(frame.pixelsPerLine) * channels_of(frame.kind) * frame.depth + 7) / 8;
    if (frame.bytesPerLine <= 0 || uint64_t(frame.bytesPerLine) < needed) return false;
    if (width_ != 0 && uint32_t(frame.pixelsPerLine) != width_) return false;
    width_ = uint32_t(frame.pixelsPerLine);
    frame_ = frame;
    frameRow_ = 0;
    ++frames_;
    if (frames_ == 1 && frame.lines > 0) rgba_.reserve(size_t(frame.lines) * width_ * 4);
    line_.clear();
    line_.reserve(size_t(frame.bytesPerLine));
    return true;
}

void ScanAssembler::add(const uint8_t* data, size_t size) {
    if (width_ == 0) return;
    const size_t line_bytes = size_t(frame_.bytesPerLine);
    while (size > 0) {
        const size_t n = std::min(size, line_bytes - line_.size());
        line_.insert(line_.end(), data, data + n);
        data += n;
        size -= n;
        if (line_.size() == line_bytes) {
            take_line();
            line_.clear();
        }
    }
}

void ScanAssembler::end() { line_.clear(); }

uint8_t ScanAssembler::sample(const uint8_t* line, uint32_t index) const {
    switch (frame_.depth) {
        case 1:
            // Leftmost pixel in the most significant bit; a set bit is black.
            return (line[index / 8] >> (7 - index % 8)) & 1 ? 0 : 255;
        case 16: {
            uint16_t v;
            std::memcpy(&v, line + size_t(index) * 2, 2);
            return uint8_t(v >> 8);
        }
        default:
            return line[index];
    }
}

void ScanAssembler::take_line() {
    // Only the first frame adds lines: the frames after it fill the other
    // channels of the lines it brought. Lines past the largest picture are
    // dropped.
    if (frameRow_ >= rows_) {
        const bool fits = frameRow_ < imglib::kMaxFileSide && uint64_t(width_) * (rows_ + 1) <= imglib::kMaxFilePixels;
        if (frames_ != 1 || !fits) {
            ++frameRow_;
            return;
        }
        rgba_.resize(size_t(frameRow_ + 1) * width_ * 4, 0);
        uint8_t* row = rgba_.data() + size_t(frameRow_) * width_ * 4;
        for (uint32_t x = 0; x < width_; ++x) row[x * 4 + 3] = 255;
        rows_ = frameRow_ + 1;
    }
    uint8_t* out = rgba_.data() + size_t(frameRow_) * width_ * 4;
    const uint8_t* in = line_.data();
    for (uint32_t x = 0; x < width_; ++x, out += 4) {
        switch (frame_.kind) {
            case ScanFrame::Kind::Gray:
                out[0] = out[1] = out[2] = sample(in, x);
                break;
            case ScanFrame::Kind::Rgb:
                for (uint32_t c = 0; c < 3; ++c) out[c] = sample(in, x * 3 + c);
                break;
            case ScanFrame::Kind::Red:
                out[0] = sample(in, x);
                break;
            case ScanFrame::Kind::Green:
                out[1] = sample(in, x);
                break;
            case ScanFrame::Kind::Blue:
                out[2] = sample(in, x);
                break;
        }
    }
    ++frameRow_;
}

bool ScanAssembler::picture(std::vector<uint8_t>& rgba, uint32_t& width, uint32_t& height) const {
    if (rows_ == 0) return false;
    rgba = rgba_;
    width = width_;
    height = rows_;
    return true;
}

}  // namespace platform
