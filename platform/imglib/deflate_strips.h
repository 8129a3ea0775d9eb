// Internal to the imaging library: the deflate strips of a TIFF, made on
// the engine's task pool.
//
// Each strip is a zlib stream of its own, so strips are compressed apart,
// several at once, and handed to libtiff as they are. They are made the way
// libtiff makes them from a whole strip at its default quality (libdeflate
// at level 7, the horizontal predictor first when it is asked for), so the
// file is the one libtiff alone would write, at every thread count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/imglib/byte_reader.h"

namespace imglib::detail {

class DeflateStrips {
public:
    // Strips of stripRows rows of rowBytes bytes, samplesPerPixel bytes a
    // pixel; up to `strips` of them gathered at once.
    DeflateStrips(size_t rowBytes, uint32_t stripRows, uint32_t samplesPerPixel, bool predictor, uint32_t strips);
    ~DeflateStrips();
    DeflateStrips(const DeflateStrips&) = delete;
    DeflateStrips& operator=(const DeflateStrips&) = delete;

    // False when the buffers cannot be had.
    bool ready() const { return !rows_.empty(); }
    // Rows the gathered strips hold at most.
    uint32_t capacity() const { return strip_rows_ * uint32_t(slots_.size()); }
    // Row i of the gathered strips, to be filled by the caller.
    uint8_t* row(uint32_t i) { return rows_.data() + size_t(i) * row_bytes_; }

    // Compresses the first `rows` gathered rows (whole strips, the last
    // perhaps shorter); false when a compressor fails. Then strip(0) ..
    // strip(strips() - 1) are their compressed bytes, in order.
    bool compress(uint32_t rows);
    size_t strips() const { return done_; }
    Bytes strip(size_t i) const;

private:
    struct Slot;
    size_t row_bytes_;
    uint32_t strip_rows_;
    uint32_t samples_;
    bool predictor_;
    std::vector<uint8_t> rows_;
    std::vector<std::unique_ptr<Slot>> slots_;
    size_t done_ = 0;
};

}  // namespace imglib::detail
