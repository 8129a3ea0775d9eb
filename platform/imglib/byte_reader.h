// The one cursor every hand-written file parser reads through.
//
// Reads past the end fail instead of touching memory beyond the data; a
// failed read leaves the cursor where it was. Offsets and counts handed in
// come from hostile files, so they are 64-bit and checked against what is
// left before anything moves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace imglib {

using Bytes = std::span<const uint8_t>;

class ByteReader {
public:
    explicit ByteReader(Bytes data) : data_(data) {}

    size_t size() const { return data_.size(); }
    size_t pos() const { return pos_; }
    size_t remaining() const { return data_.size() - pos_; }
    bool at_end() const { return pos_ == data_.size(); }

    bool u8(uint8_t& v) {
        if (remaining() < 1) return false;
        v = data_[pos_++];
        return true;
    }
    bool u16le(uint16_t& v) { return little(v); }
    bool u32le(uint32_t& v) { return little(v); }
    bool u16be(uint16_t& v) { return big(v); }
    bool u32be(uint32_t& v) { return big(v); }
    bool i16le(int16_t& v) {
        uint16_t u;
        if (!u16le(u)) return false;
        v = int16_t(u);
        return true;
    }
    bool i32le(int32_t& v) {
        uint32_t u;
        if (!u32le(u)) return false;
        v = int32_t(u);
        return true;
    }
    bool skip(uint64_t n) {
        if (n > remaining()) return false;
        pos_ += size_t(n);
        return true;
    }
    // Moves to an absolute offset inside the data (the end included).
    bool seek(uint64_t offset) {
        if (offset > data_.size()) return false;
        pos_ = size_t(offset);
        return true;
    }
    // The next n bytes, consumed.
    bool bytes(uint64_t n, Bytes& out) {
        if (n > remaining()) return false;
        out = data_.subspan(pos_, size_t(n));
        pos_ += size_t(n);
        return true;
    }
    // n bytes at an absolute offset, without moving.
    bool bytes_at(uint64_t offset, uint64_t n, Bytes& out) const {
        if (offset > data_.size() || n > data_.size() - size_t(offset)) return false;
        out = data_.subspan(size_t(offset), size_t(n));
        return true;
    }
    Bytes rest() const { return data_.subspan(pos_); }

private:
    template <class T>
    bool little(T& v) {
        if (remaining() < sizeof(T)) return false;
        T r = 0;
        for (size_t i = 0; i < sizeof(T); ++i) r = T(r | T(T(data_[pos_ + i]) << (8 * i)));
        v = r;
        pos_ += sizeof(T);
        return true;
    }
    template <class T>
    bool big(T& v) {
        if (remaining() < sizeof(T)) return false;
        T r = 0;
        for (size_t i = 0; i < sizeof(T); ++i) r = T(T(r << 8) | data_[pos_ + i]);
        v = r;
        pos_ += sizeof(T);
        return true;
    }

    Bytes data_;
    size_t pos_ = 0;
};

}  // namespace imglib
