#include "platform/imglib/quarter_turn.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/parallel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imglib::detail {

namespace {

bool g_fast_path = true;

// Tiles small enough that the source and destination lines of one tile stay
// in the first-level cache even when the strides are powers of two.
constexpr uint32_t kTile = 16;

// Pictures from this size on are written past the cache.
constexpr uint64_t kStreamBytes = uint64_t(8) << 20;

// Source rows per block of the SSE2 turn; bands of the pool are whole blocks.
constexpr uint32_t kBlockRows = 64;

// Where pixel (x, y) of a width x height source lands after the turn.
struct Turn {
    uint32_t width, height;
    bool right;
    uint32_t out_row(uint32_t x) const { return right ? x : width - 1 - x; }
    uint32_t out_column(uint32_t y) const { return right ? height - 1 - y : y; }
};

// The plain turn of the source rectangle [x0, x1) x [y0, y1), pixel by pixel.
template <uint32_t N>
void turn_rect(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, const Turn& t, uint32_t x0,
               uint32_t x1, uint32_t y0, uint32_t y1) {
    for (uint32_t by = y0; by < y1; by += kTile) {
        const uint32_t ey = std::min(by + kTile, y1);
        for (uint32_t bx = x0; bx < x1; bx += kTile) {
            const uint32_t ex = std::min(bx + kTile, x1);
            for (uint32_t x = bx; x < ex; ++x) {
                uint8_t* out = dst + size_t(t.out_row(x)) * dstStride;
                const uint8_t* in = src + size_t(by) * srcStride + size_t(x) * N;
                for (uint32_t y = by; y < ey; ++y, in += srcStride)
                    std::memcpy(out + size_t(t.out_column(y)) * N, in, N);
            }
        }
    }
}

#if defined(__SSE2__)

// Blocks of 64 source rows by 128 source columns, 4-byte pixels. The
// block's source rows are read whole (512 contiguous bytes each) into a small
// local copy; then each 4 x 4 piece is transposed in registers and stored as
// four destination rows, which receive 256 contiguous bytes per block.
// Long runs on both sides keep the memory traffic close to a plain copy,
// and the copy keeps rows at a power-of-two stride from evicting one another
// in the cache. Turning right, the rows are taken bottom-up so each stored
// row already runs in destination order. Large pictures stream the
// destination lines past the cache.
template <bool Stream>
void turn_rect_sse2(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, const Turn& t,
                    uint32_t x1, uint32_t y0, uint32_t y1) {
    constexpr uint32_t kRows = kBlockRows, kCols = 128;
    __m128i block[kRows][kCols / 4];  // 32 KB: inside the first-level cache
    for (uint32_t by = y0; by < y1; by += kRows) {
        const uint32_t rows = std::min(kRows, y1 - by);
        for (uint32_t bx = 0; bx < x1; bx += kCols) {
            const uint32_t quads = std::min(kCols, x1 - bx) / 4;
            for (uint32_t r = 0; r < rows; ++r) {
                const uint8_t* in = src + size_t(t.right ? by + rows - 1 - r : by + r) * srcStride + size_t(bx) * 4;
                for (uint32_t q = 0; q < quads; ++q)
                    block[r][q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + q * 16));
            }
            // Destination column of the block's first stored pixel.
            const size_t column = t.right ? t.height - by - rows : by;
            for (uint32_t q = 0; q < quads; ++q) {
                uint8_t* out_rows[4];
                for (uint32_t i = 0; i < 4; ++i)
                    out_rows[i] = dst + size_t(t.out_row(bx + 4 * q + i)) * dstStride + column * 4;
                for (uint32_t r = 0; r < rows; r += 4) {
                    const __m128i r0 = block[r][q], r1 = block[r + 1][q], r2 = block[r + 2][q], r3 = block[r + 3][q];
                    const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
                    const __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
                    const __m128i columns[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                                                _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
                    for (uint32_t i = 0; i < 4; ++i) {
                        __m128i* out = reinterpret_cast<__m128i*>(out_rows[i] + size_t(r) * 4);
                        if constexpr (Stream)
                            _mm_stream_si128(out, columns[i]);
                        else
                            _mm_storeu_si128(out, columns[i]);
                    }
                }
            }
        }
    }
    if constexpr (Stream) _mm_sfence();
}

#endif

// Bands of source rows land in distinct destination columns, so the pool
// takes them apart: bands of whole tiles.
template <uint32_t N>
void turn(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, const Turn& t) {
    const int64_t tiles = (int64_t(t.height) + kTile - 1) / kTile;
    parallel::for_bands(tiles, int64_t(t.width) * kTile * parallel::kCopyWork / 4 + 1, [&](int64_t first, int64_t end) {
        const auto y0 = uint32_t(first * kTile), y1 = uint32_t(std::min<int64_t>(end * kTile, t.height));
        turn_rect<N>(src, srcStride, dst, dstStride, t, 0, t.width, y0, y1);
    });
}

}  // namespace

void set_quarter_turn_fast_path(bool enabled) { g_fast_path = enabled; }

void turn_quarter(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                  uint32_t dstStride, uint32_t bytesPerPixel, bool right) {
    const Turn t{width, height, right};
    switch (bytesPerPixel) {
        case 1: turn<1>(src, srcStride, dst, dstStride, t); break;
        case 2: turn<2>(src, srcStride, dst, dstStride, t); break;
        case 3: turn<3>(src, srcStride, dst, dstStride, t); break;
        case 6: turn<6>(src, srcStride, dst, dstStride, t); break;
        case 8: turn<8>(src, srcStride, dst, dstStride, t); break;
        case 4: {
#if defined(__SSE2__)
            if (g_fast_path) {
                // Whole 4 x 4 blocks by SSE2, the strips right and below them pixel by pixel.
                const uint32_t w4 = width & ~3u, h4 = height & ~3u;
                // Streaming stores need 16-byte aligned rows and blocks, and pay
                // off only when the picture would not stay in the cache anyway.
                const bool aligned =
                    ((reinterpret_cast<uintptr_t>(dst) | dstStride) & 15u) == 0 && (!right || height % 4 == 0);
                const bool stream = aligned && uint64_t(width) * height * 4 >= kStreamBytes;
                // Bands of whole blocks: every band starts on a multiple of
                // four rows, so streamed stores stay aligned.
                const int64_t blocks = (int64_t(h4) + kBlockRows - 1) / kBlockRows;
                const int64_t work = int64_t(width) * kBlockRows * parallel::kCopyWork / 4 + 1;
                parallel::for_bands(blocks, work, [&](int64_t first, int64_t end) {
                    const auto y0 = uint32_t(first * kBlockRows);
                    const auto y1 = uint32_t(std::min<int64_t>(end * kBlockRows, h4));
                    if (stream)
                        turn_rect_sse2<true>(src, srcStride, dst, dstStride, t, w4, y0, y1);
                    else
                        turn_rect_sse2<false>(src, srcStride, dst, dstStride, t, w4, y0, y1);
                    turn_rect<4>(src, srcStride, dst, dstStride, t, w4, width, y0, y1);
                });
                turn_rect<4>(src, srcStride, dst, dstStride, t, 0, width, h4, height);
                break;
            }
#endif
            turn<4>(src, srcStride, dst, dstStride, t);
            break;
        }
        default: break;
    }
}

}  // namespace imglib::detail
