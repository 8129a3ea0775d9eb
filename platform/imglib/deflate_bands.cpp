#include "platform/imglib/deflate_bands.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "platform/parallel.h"

namespace imglib::detail {

// One band's compressor and output, reused from batch to batch.
struct DeflateBands::Band {
    z_stream z{};
    bool ready = false;
    std::vector<uint8_t> out;
    size_t begin = 0;      // where the piece starts in out: 0 with the header, else 2
    size_t size = 0;       // end of the bytes of out in use
    uint32_t adler = 1;    // of the band's input
    size_t input = 0;      // the band's input bytes

    ~Band() {
        if (ready) deflateEnd(&z);
    }
};

DeflateBands::DeflateBands(int level, int strategy, size_t bandBytes)
    : level_(level), strategy_(strategy), band_bytes_(std::max<size_t>(bandBytes, 1)) {}

DeflateBands::~DeflateBands() = default;

uint8_t* DeflateBands::input(size_t bytes) {
    try {
        if (stream_.size() < kWindow + bytes) stream_.resize(kWindow + bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    batch_ = bytes;
    return stream_.data() + kWindow;
}

Bytes DeflateBands::piece(size_t i) const {
    const Band& band = *bands_[i];
    return Bytes(band.out.data() + band.begin, band.size - band.begin);
}

bool DeflateBands::compress_band(Band& band, const uint8_t* data, size_t bytes, size_t dictionary, bool finish) {
    if (!band.ready) {
        // A raw stream (negative window bits): the bands share one header.
        if (deflateInit2(&band.z, level_, Z_DEFLATED, -15, 8, strategy_) != Z_OK) return false;
        band.ready = true;
    } else if (deflateReset(&band.z) != Z_OK) {
        return false;
    }
    if (dictionary > 0 && deflateSetDictionary(&band.z, data - dictionary, uInt(dictionary)) != Z_OK) return false;
    band.input = bytes;
    band.adler = uint32_t(adler32(adler32(0, nullptr, 0), data, uInt(bytes)));
    // Room for the header before and the Adler-32 after, and for the
    // sync flush's empty block, which the bound does not count.
    const size_t bound = deflateBound(&band.z, uLong(bytes)) + 16;
    band.size = 2;  // the header's place, used by the stream's first band
    try {
        if (band.out.size() < bound + 2 + 4) band.out.resize(bound + 2 + 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    band.z.next_in = const_cast<Bytef*>(data);
    band.z.avail_in = uInt(bytes);
    const int flush = finish ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        band.z.next_out = band.out.data() + band.size;
        band.z.avail_out = uInt(band.out.size() - 4 - band.size);
        const int ret = deflate(&band.z, flush);
        band.size = size_t(band.z.next_out - band.out.data());
        if (ret == Z_STREAM_END || (!finish && ret == Z_OK && band.z.avail_in == 0 && band.z.avail_out > 0)) break;
        if (ret != Z_OK && ret != Z_BUF_ERROR) return false;
        try {
            band.out.resize(band.out.size() * 2);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

bool DeflateBands::compress(bool last) {
    const size_t count = batch_ == 0 ? (last ? 1 : 0) : (batch_ + band_bytes_ - 1) / band_bytes_;
    try {
        while (bands_.size() < count) bands_.push_back(std::make_unique<Band>());
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint8_t* const batch = stream_.empty() ? nullptr : stream_.data() + kWindow;
    const size_t history = history_;
    std::atomic<bool> ok{true};
    // A band of a whole band's input costs about this many units.
    const int64_t work = int64_t(std::min(band_bytes_, std::max<size_t>(batch_, 1)));
    parallel::for_each(int64_t(count), work, [&](int64_t i) {
        const size_t first = size_t(i) * band_bytes_;
        const size_t bytes = std::min(band_bytes_, batch_ - std::min(batch_, first));
        // The dictionary: up to a window of the input before the band.
        const size_t dictionary = std::min(kWindow, history + first);
        static const uint8_t kNothing = 0;
        const uint8_t* data = batch != nullptr ? batch + first : &kNothing;
        if (!compress_band(*bands_[size_t(i)], data, bytes, dictionary, last && size_t(i) + 1 == count)) ok = false;
    });
    if (!ok) return false;

    // Header, Adler-32 and the stream's history, in order.
    for (size_t i = 0; i < count; ++i) {
        Band& band = *bands_[i];
        adler_ = uint32_t(adler32_combine(adler_, band.adler, z_off_t(band.input)));
        uint8_t* head = band.out.data();
        band.begin = started_ ? 2 : 0;  // only the stream's first piece has the header
        if (!started_) {
            // Deflate with a 32 KiB window; the level's flag bits as zlib
            // writes them; the check bits make the pair a multiple of 31.
            const unsigned level_flags = strategy_ >= Z_HUFFMAN_ONLY || (level_ >= 0 && level_ < 2) ? 0
                                         : level_ >= 0 && level_ < 6                                ? 1
                                         : level_ == 6 || level_ == Z_DEFAULT_COMPRESSION        ? 2
                                                                                                 : 3;
            const unsigned header = (0x78u << 8) | (level_flags << 6);
            head[0] = 0x78;
            head[1] = uint8_t((level_flags << 6) + (31 - header % 31) % 31);
            started_ = true;
        }
        if (last && i + 1 == count) {
            const uint8_t sum[4] = {uint8_t(adler_ >> 24), uint8_t(adler_ >> 16), uint8_t(adler_ >> 8), uint8_t(adler_)};
            std::memcpy(head + band.size, sum, 4);
            band.size += 4;
        }
    }
    pieces_ = count;
    // The last window of the input becomes the next batch's history.
    const size_t keep = std::min(kWindow, history_ + batch_);
    if (keep > 0) std::memmove(stream_.data() + kWindow - keep, stream_.data() + kWindow + batch_ - keep, keep);
    history_ = keep;
    batch_ = 0;
    return true;
}

}  // namespace imglib::detail
