#include "platform/imglib/deflate_strips.h"

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <new>

#include "platform/parallel.h"

namespace imglib::detail {

namespace {

// The level libtiff hands libdeflate at its default deflate quality.
constexpr int kLibtiffLevel = 7;

// Horizontal differencing of 8-bit samples, as libtiff's predictor 2 does
// it: every byte less the same sample of the pixel before, from the row's
// end back, so each difference is taken from the original values.
void difference_rows(uint8_t* rows, size_t row_bytes, uint32_t count, uint32_t samples) {
    for (uint32_t r = 0; r < count; ++r) {
        uint8_t* row = rows + size_t(r) * row_bytes;
        for (size_t i = row_bytes; i-- > samples;) row[i] = uint8_t(row[i] - row[i - samples]);
    }
}

}  // namespace

struct DeflateStrips::Slot {
    libdeflate_compressor* compressor = nullptr;
    std::vector<uint8_t> out;
    size_t size = 0;
    ~Slot() { libdeflate_free_compressor(compressor); }
};

DeflateStrips::DeflateStrips(size_t rowBytes, uint32_t stripRows, uint32_t samplesPerPixel, bool predictor,
                             uint32_t strips)
    : row_bytes_(rowBytes), strip_rows_(std::max<uint32_t>(stripRows, 1)), samples_(samplesPerPixel),
      predictor_(predictor) {
    try {
        const uint32_t n = std::max<uint32_t>(strips, 1);
        for (uint32_t i = 0; i < n; ++i) slots_.push_back(std::make_unique<Slot>());
        rows_.resize(row_bytes_ * strip_rows_ * n);
    } catch (const std::bad_alloc&) {
        rows_.clear();
    }
}

DeflateStrips::~DeflateStrips() = default;

Bytes DeflateStrips::strip(size_t i) const { return Bytes(slots_[i]->out.data(), slots_[i]->size); }

bool DeflateStrips::compress(uint32_t rows) {
    rows = std::min(rows, capacity());
    const size_t count = (size_t(rows) + strip_rows_ - 1) / strip_rows_;
    std::atomic<bool> ok{true};
    parallel::for_each(int64_t(count), int64_t(row_bytes_ * strip_rows_), [&](int64_t i) {
        Slot& slot = *slots_[size_t(i)];
        const uint32_t first = uint32_t(i) * strip_rows_, n = std::min(strip_rows_, rows - first);
        uint8_t* data = row(first);
        const size_t bytes = size_t(n) * row_bytes_;
        if (predictor_) difference_rows(data, row_bytes_, n, samples_);
        if (slot.compressor == nullptr) slot.compressor = libdeflate_alloc_compressor(kLibtiffLevel);
        if (slot.compressor == nullptr) return void(ok = false);
        try {
            slot.out.resize(libdeflate_zlib_compress_bound(slot.compressor, bytes));
        } catch (const std::bad_alloc&) {
            return void(ok = false);
        }
        slot.size = libdeflate_zlib_compress(slot.compressor, data, bytes, slot.out.data(), slot.out.size());
        if (slot.size == 0) ok = false;
    });
    done_ = ok ? count : 0;
    return ok;
}

}  // namespace imglib::detail
