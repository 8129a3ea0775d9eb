// Builds headers and records of the hand-written writers in memory before
// they go to a destination in one piece.
#pragma once

#include <cstdint>
#include <vector>

namespace imglib {

class ByteWriter {
public:
    void u8(uint32_t v) { bytes_.push_back(uint8_t(v)); }
    void u16le(uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32le(uint32_t v) {
        u16le(v);
        u16le(v >> 16);
    }
    void u16be(uint32_t v) {
        u8(v >> 8);
        u8(v);
    }
    void u32be(uint32_t v) {
        u16be(v >> 16);
        u16be(v);
    }
    void zeros(size_t n) { bytes_.insert(bytes_.end(), n, uint8_t(0)); }
    void text(const char* s) {
        while (*s != '\0') u8(uint8_t(*s++));
    }
    void append(const uint8_t* p, size_t n) { bytes_.insert(bytes_.end(), p, p + n); }
    // Overwrites a little-endian 32-bit value written earlier (a size known
    // only at the end).
    void patch_u32le(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + size_t(i)] = uint8_t(v >> (8 * i));
    }

    size_t size() const { return bytes_.size(); }
    const uint8_t* data() const { return bytes_.data(); }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace imglib
