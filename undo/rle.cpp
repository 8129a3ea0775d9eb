#include "undo/rle.h"

#include <algorithm>
#include <cstring>

namespace rle {

namespace {

// One codec over pixels of `Channels` 16-bit values.
template <int Channels>
int32_t compress(const uint16_t* src, uint8_t* dst, int32_t count) {
    if (src == nullptr || dst == nullptr) return 0;
    count = std::max(count, 1);
    uint8_t* out = dst;
    uint8_t run[Channels];
    int32_t length = 1;
    const auto start_run = [&](const uint16_t* p) {
        for (int c = 0; c < Channels; ++c) run[c] = uint8_t(p[c] >> 8);
        length = 1;
    };
    const auto write_run = [&] {
        *out++ = uint8_t(length);
        std::memcpy(out, run, Channels);
        out += Channels;
    };
    start_run(src);
    for (int32_t i = 1; i < count; ++i) {
        const uint16_t* p = src + size_t(i) * Channels;
        bool same = length < kMaxRun;
        for (int c = 0; same && c < Channels; ++c) same = uint8_t(p[c] >> 8) == run[c];
        if (same) {
            ++length;
        } else {
            write_run();
            start_run(p);
        }
    }
    write_run();
    return static_cast<int32_t>(out - dst);
}

template <int Channels>
uint16_t* uncompress(const uint8_t* src, uint16_t* dst, int32_t count) {
    if (src == nullptr || dst == nullptr) return dst;
    int32_t written = 0;
    while (written < count) {
        const int32_t length = std::min<int32_t>(*src, count - written);
        for (int32_t n = 0; n < length; ++n) {
            for (int c = 0; c < Channels; ++c) *dst++ = uint16_t(src[1 + c] << 8);
        }
        written += length;
        src += 1 + Channels;
    }
    return dst;
}

}  // namespace

int32_t compress_rgba64(const uint16_t* src, uint8_t* dst, int32_t count) { return compress<4>(src, dst, count); }
int32_t compress_g16(const uint16_t* src, uint8_t* dst, int32_t count) { return compress<1>(src, dst, count); }
uint16_t* uncompress_rgba64(const uint8_t* src, uint16_t* dst, int32_t count) { return uncompress<4>(src, dst, count); }
uint16_t* uncompress_g16(const uint8_t* src, uint16_t* dst, int32_t count) { return uncompress<1>(src, dst, count); }

}  // namespace rle
