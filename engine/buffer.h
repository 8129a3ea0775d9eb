// Owned heap blocks for engine buffers.
//
// Every image-sized and tip-sized buffer of the engine is one of these. A
// buffer either holds a block or is null; "the layer has pixels" and "the
// mask exists" are tests of that pointer. Blocks come from malloc so that a
// block handed out by PTE_Alloc and one owned here are the same kind of
// memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "platform/large_pages.h"

namespace engine {

// Byte count of count elements of T, or 0 when no object can be that large.
template <class T>
constexpr size_t checked_bytes(uint64_t count) {
    if (count > uint64_t(std::numeric_limits<ptrdiff_t>::max()) / sizeof(T)) return 0;
    return static_cast<size_t>(count) * sizeof(T);
}

template <class T>
class OwnedBuffer {
public:
    OwnedBuffer() = default;
    OwnedBuffer(const OwnedBuffer&) = delete;
    OwnedBuffer& operator=(const OwnedBuffer&) = delete;
    OwnedBuffer(OwnedBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), count_(std::exchange(other.count_, 0)) {}
    OwnedBuffer& operator=(OwnedBuffer&& other) noexcept {
        if (this != &other) {
            release();
            data_ = std::exchange(other.data_, nullptr);
            count_ = std::exchange(other.count_, 0);
        }
        return *this;
    }
    ~OwnedBuffer() { release(); }

    // Replaces the block with one of count elements, contents unset.
    // Returns false (and leaves the buffer null) when the memory cannot be
    // had. A count of 0 still gives a block, so that an empty image has
    // buffers that exist.
    bool allocate(uint64_t count) noexcept {
        release();
        const size_t bytes = checked_bytes<T>(count);
        if (bytes == 0 && count != 0) return false;
        void* p = std::malloc(bytes == 0 ? 1 : bytes);
        if (p == nullptr) return false;
        platform::advise_large_pages(p, bytes);
        data_ = static_cast<T*>(p);
        count_ = static_cast<size_t>(count);
        return true;
    }

    // As allocate, but a failure throws std::bad_alloc, for the operations
    // whose whole body is guarded by an error text.
    void allocate_or_throw(uint64_t count) {
        if (!allocate(count)) throw std::bad_alloc();
    }

    void fill_bytes(uint8_t value) noexcept {
        if (data_ != nullptr) std::memset(data_, value, count_ * sizeof(T));
    }

    void release() noexcept {
        std::free(data_);
        data_ = nullptr;
        count_ = 0;
    }

    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }
    size_t size() const noexcept { return count_; }
    size_t size_bytes() const noexcept { return count_ * sizeof(T); }
    explicit operator bool() const noexcept { return data_ != nullptr; }
    T& operator[](size_t i) noexcept { return data_[i]; }
    const T& operator[](size_t i) const noexcept { return data_[i]; }

private:
    T* data_ = nullptr;
    size_t count_ = 0;
};

}  // namespace engine

namespace engine {

// a * b (* c), saturating at UINT64_MAX so that absurd sizes fail to
// allocate instead of wrapping to small ones.
constexpr uint64_t sat_mul(uint64_t a, uint64_t b) {
    if (a != 0 && b > std::numeric_limits<uint64_t>::max() / a) return std::numeric_limits<uint64_t>::max();
    return a * b;
}
constexpr uint64_t sat_mul(uint64_t a, uint64_t b, uint64_t c) { return sat_mul(sat_mul(a, b), c); }

}  // namespace engine
