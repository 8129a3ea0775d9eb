// Internal to the imaging library: one zlib stream made of bands that are
// compressed apart, on the engine's task pool.
//
// The stream's input arrives in batches. Each batch is cut into bands of a
// fixed size; every band is a raw deflate run of its own, primed with the
// 32 KiB of input before it as its dictionary (so matches still reach back
// across the cut) and ended with a sync flush, which closes it on a byte
// boundary; the stream's last band is finished instead. Laid end to end
// behind the zlib header, the runs are one valid deflate stream, and the
// Adler-32 sums of the bands, joined with adler32_combine, give the
// stream's. Bands depend only on the input and the band size, never on
// the batches or the threads, so the bytes are the same at every thread
// count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/imglib/byte_reader.h"

namespace imglib::detail {

class DeflateBands {
public:
    // level and strategy as zlib takes them; bandBytes of input per band.
    DeflateBands(int level, int strategy, size_t bandBytes);
    ~DeflateBands();
    DeflateBands(const DeflateBands&) = delete;
    DeflateBands& operator=(const DeflateBands&) = delete;

    // Room for the next batch's `bytes` of input, or null when the memory
    // cannot be had. Valid until compress.
    uint8_t* input(size_t bytes);

    // Compresses the batch put into input(); `last` finishes the stream.
    // False when the compressor fails. The batch's compressed bytes are
    // then piece(0) .. piece(pieces() - 1), in order: the first piece of
    // the stream begins with the zlib header, the last ends with the
    // stream's Adler-32.
    bool compress(bool last);
    size_t pieces() const { return pieces_; }
    Bytes piece(size_t i) const;

private:
    struct Band;
    bool compress_band(Band& band, const uint8_t* data, size_t bytes, size_t dictionary, bool finish);

    static constexpr size_t kWindow = size_t(1) << 15;  // deflate's reach back

    int level_, strategy_;
    size_t band_bytes_;
    // kWindow bytes for the input before the batch (the last history_ of
    // them hold it), then the batch.
    std::vector<uint8_t> stream_;
    size_t history_ = 0;
    size_t batch_ = 0;  // bytes of the current batch
    std::vector<std::unique_ptr<Band>> bands_;
    size_t pieces_ = 0;
    uint32_t adler_ = 1;  // of the stream so far
    bool started_ = false;  // the header went out
};

}  // namespace imglib::detail
