#include "engine/pixels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/layers.h"
#include "engine/trace.h"
#include "platform/imglib/imglib.h"
#include "platform/parallel.h"
#include "undo/rle.h"

namespace pixels {

using engine::EngineState;
using engine::LayerSlot;

namespace {

// Row r of a host buffer with a byte stride (which the host may make negative).
template <class T>
T* host_row(T* base, int32_t stride, int64_t r) {
    using Byte = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
    return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + r * int64_t(stride));
}

uint16_t* layer_row(LayerSlot& l, int64_t r) { return l.pixels.data() + r * int64_t(l.rowLength); }
const uint16_t* layer_row(const LayerSlot& l, int64_t r) { return l.pixels.data() + r * int64_t(l.rowLength); }

// Calls f(layer pixel, host pixel, x, y) for the first width x height pixels
// of the current layer (when it covers the image) paired with the pixels of
// a 3-byte host buffer; nothing without either. `operation` names the
// export for the trace.
template <class Host, class F>
void for_each_pixel_with_rgb24(const char* operation, const EngineState& s, Host* host, int32_t stride, int32_t width,
                               int32_t height, F&& f) {
    uint16_t* pixels = engine::current_image_pixels(const_cast<EngineState&>(s));
    if (pixels == nullptr) return trace::no_current_layer(operation, s);
    if (host == nullptr) return trace::skipped(operation, "no buffer (null)");
    width = std::min(width, s.imageWidth);
    height = std::min(height, s.imageHeight);
    if (width <= 0) return;
    parallel::for_bands(height, int64_t(width) * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int32_t r = int32_t(first); r < int32_t(end); ++r) {
            Host* hp = host_row(host, stride, r);
            uint16_t* lp = pixels + int64_t(r) * s.layerRowLength;
            for (int32_t c = 0; c < width; ++c, hp += 3, lp += 4) f(lp, hp, c, r);
        }
    });
}

// A slot of the table that covers the image, else null.
const LayerSlot* image_layer(const EngineState& s, int32_t index) {
    if (!engine::valid_layer_index(index)) return nullptr;
    const LayerSlot& l = s.layers[index];
    return engine::image_pixels(s, l) ? &l : nullptr;
}
LayerSlot* image_layer(EngineState& s, int32_t index) {
    return const_cast<LayerSlot*>(image_layer(static_cast<const EngineState&>(s), index));
}

// n 16-bit values to their high bytes.
void high_bytes_row(const uint16_t* src, uint8_t* dst, int64_t n) {
    int64_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), 8);
        const __m128i b = _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 8)), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < n; ++i) dst[i] = to8(src[i]);
}

// n RGBA32 pixels loaded whole: every channel times 256, and a pixel of
// alpha 0 cleared to (0, 0, 0, 0).
void load_whole_row(const uint8_t* src, uint16_t* dst, int64_t n) {
    int64_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
    for (; i + 4 <= n; i += 4) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4));
        // All bits of a pixel whose alpha byte is not 0.
        const __m128i shown = _mm_xor_si128(_mm_cmpeq_epi32(_mm_and_si128(px, alpha), zero), _mm_set1_epi32(-1));
        const __m128i kept = _mm_and_si128(px, shown);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4), _mm_unpacklo_epi8(zero, kept));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4 + 8), _mm_unpackhi_epi8(zero, kept));
    }
#endif
    for (; i < n; ++i) {
        const uint8_t* sp = src + i * 4;
        uint16_t* dp = dst + i * 4;
        const uint16_t keep = sp[3] == 0 ? 0 : 0xFFFF;
        for (int k = 0; k < 4; ++k) dp[k] = uint16_t(to16(sp[k]) & keep);
    }
}

// Partial coverage: ((s * 256 * cov) >> 8 + (d * (65535 - cov)) >> 8) >> 8.
// s * 256 * cov is at most 255 * 256 * 65535 < 2^32.
inline uint16_t weigh(uint32_t s8, uint32_t d, uint32_t cov, uint32_t inv) {
    return uint16_t((((s8 << 8) * cov >> 8) + ((d * inv) >> 8)) >> 8);
}

// One RGBA32 source pixel laid into one layer pixel by a load.
inline void load_pixel(uint16_t* d, const uint8_t* src, bool weighting, uint32_t cov, bool keepAlpha, LoadRule rule) {
    if (!weighting) {
        if (rule == LoadRule::Current && !keepAlpha && src[3] == 0) {
            d[0] = d[1] = d[2] = d[3] = 0;
            return;
        }
        for (int c = 0; c < 3; ++c) d[c] = to16(src[c]);
        if (!keepAlpha) d[3] = to16(src[3]);
        return;
    }
    if (cov == 65535) {
        for (int c = 0; c < 3; ++c) d[c] = to16(src[c]);
        if (!keepAlpha) d[3] = to16(src[3]);
        return;
    }
    if (cov == 0) return;
    const uint32_t inv = 65535 - cov;
    if (rule != LoadRule::Early && d[3] == 0) {
        for (int c = 0; c < 3; ++c) d[c] = to16(src[c]);
        if (!keepAlpha) d[3] = uint16_t((uint32_t(src[3]) * 256 * cov) >> 16);
        return;
    }
    if (rule == LoadRule::Current && src[3] == 0) {
        if (!keepAlpha) d[3] = uint16_t((uint32_t(d[3]) * inv) >> 16);
        return;
    }
    for (int c = 0; c < 3; ++c) d[c] = weigh(src[c], d[c], cov, inv);
    if (!keepAlpha) d[3] = weigh(src[3], d[3], cov, inv);
}

}  // namespace

Coverage::Coverage(const EngineState& s) : width_(s.imageWidth), height_(s.imageHeight) {
    const uint64_t count = engine::image_pixel_count(s);
    if (s.brush.texture && s.brush.texture.size() == count) texture_ = s.brush.texture.data();
    if (s.maskActive) mask_ = image_mask(s);
}

const uint16_t* image_mask(const EngineState& s) {
    return (s.mask.values && s.mask.values.size() == engine::image_pixel_count(s)) ? s.mask.values.data() : nullptr;
}
uint16_t* image_mask(EngineState& s) {
    return const_cast<uint16_t*>(image_mask(static_cast<const EngineState&>(s)));
}

// ---- Loads ----

void load_rgba32_layer(EngineState& s, const uint8_t* src, int32_t stride, int32_t index, int32_t x, int32_t y,
                       int32_t width, int32_t height, bool useMask, LoadRule rule) {
    LayerSlot* layer = layers::slot_at(s, index);
    if (layer == nullptr || !layer->has_pixels()) return trace::no_layer("load into a layer", s, index);
    if (src == nullptr) return trace::skipped("load into a layer", "no source pixels (null)");
    const Coverage coverage(s);
    const bool weighting = useMask && coverage.any();
    const int64_t x1 = std::min<int64_t>(int64_t(x) + width, layer->width);
    const int64_t y1 = std::min<int64_t>(int64_t(y) + height, layer->height);
    const int64_t x0 = std::max(x, 0);
    const int64_t y0 = std::max(y, 0);
    if (x0 >= x1 || y0 >= y1)
        return trace::skipped("load into a layer", "%d x %d at (%d, %d) lies outside layer %d (%d x %d)", width, height,
                              x, y, index, layer->width, layer->height);
    // The source pixel that lands on (x0, y0) is read first.
    const int64_t skip_x = x0 - x;
    const int64_t skip_y = y0 - y;
    const bool keepAlpha = layer->keepAlpha != 0;
    parallel::for_bands(y1 - y0, (x1 - x0) * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t r = y0 + first; r < y0 + end; ++r) {
            const uint8_t* sp = host_row(src, stride, r - y0 + skip_y) + skip_x * 4;
            uint16_t* dp = layer_row(*layer, r) + x0 * 4;
            if (!weighting && !keepAlpha && rule == LoadRule::Current) {
                load_whole_row(sp, dp, x1 - x0);
                continue;
            }
            // Inside the image, the coverage is read by index along the row.
            const bool inside = weighting && r < s.imageHeight && x1 <= s.imageWidth;
            const size_t base = inside ? size_t(r) * size_t(s.imageWidth) : 0;
            for (int64_t c = x0; c < x1; ++c, sp += 4, dp += 4) {
                const uint32_t cov = !weighting ? 65535
                                     : inside   ? coverage.at_index(base + size_t(c))
                                                : coverage.at(int32_t(c), int32_t(r));
                load_pixel(dp, sp, weighting, cov, keepAlpha, rule);
            }
        }
    });
}

void load_rgba32(EngineState& s, const uint8_t* src, int32_t stride, bool useMask) {
    if (s.currentSlot == nullptr) return trace::no_current_layer("load into the current layer", s);
    load_rgba32_layer(s, src, stride, s.currentLayer, 0, 0, s.currentSlot->width, s.currentSlot->height, useMask);
}

void load_rgba32_layer_compressed(EngineState& s, const uint8_t* data, int32_t length, int32_t index) {
    const LayerSlot* layer = layers::slot_at(s, index);
    if (layer == nullptr || !layer->has_pixels()) return trace::no_layer("PTE_LoadRGBA32LayerCompressed", s, index);
    if (data == nullptr || length <= 0)
        return trace::skipped("PTE_LoadRGBA32LayerCompressed", "no stream (null or length %d)", length);
    const uint64_t bytes = engine::sat_mul(uint64_t(layer->width), uint64_t(layer->height), 4);
    engine::OwnedBuffer<uint8_t> picture;
    picture.allocate_or_throw(bytes);
    if (bytes > UINT32_MAX) return;
    const uint32_t got = imglib::IS3ZInflateBuffer(data, uint32_t(length), picture.data(), uint32_t(bytes), 0);
    // A stream that is corrupt or short would load whatever the buffer held.
    if (got != bytes)
        return trace::skipped("PTE_LoadRGBA32LayerCompressed", "the stream inflates to %u bytes, not layer %d's %llu",
                              got, index, static_cast<unsigned long long>(bytes));
    load_rgba32_layer(s, picture.data(), layer->width * 4, index, 0, 0, layer->width, layer->height, false);
}

void load_bgr24(EngineState& s, const uint8_t* src, int32_t stride, int32_t width, int32_t height) {
    const auto load = [](uint16_t* dp, const uint8_t* sp, int32_t, int32_t) {
        dp[0] = to16(sp[2]);
        dp[1] = to16(sp[1]);
        dp[2] = to16(sp[0]);
        dp[3] = 65535;
    };
    for_each_pixel_with_rgb24("PTE_Load", s, src, stride, width, height, load);
}

void load_rgb24(EngineState& s, const uint8_t* src, int32_t stride, bool useMask) {
    const Coverage coverage(s);
    const bool weighting = useMask && coverage.any();
    // Every pixel visited lies inside the image: coverage is read by index.
    const size_t row = size_t(s.imageWidth);
    for_each_pixel_with_rgb24("PTE_LoadRGB24", s, src, stride, s.imageWidth, s.imageHeight,
                              [&](uint16_t* dp, const uint8_t* sp, int32_t c, int32_t r) {
                                  const uint32_t cov = weighting ? coverage.at_index(size_t(r) * row + size_t(c)) : 65535;
                                  if (cov == 0) return;
                                  for (int k = 0; k < 3; ++k)
                                      dp[k] = cov == 65535 ? to16(sp[k]) : weigh(sp[k], dp[k], cov, 65535 - cov);
                              });
}

void load_rgb24_to_alpha(EngineState& s, const uint8_t* src, int32_t stride, bool useMask) {
    const Coverage coverage(s);
    const bool weighting = useMask && coverage.any();
    for_each_pixel_with_rgb24("PTE_LoadRGB24ToAlpha", s, src, stride, s.imageWidth, s.imageHeight,
                              [&](uint16_t* dp, const uint8_t* sp, int32_t c, int32_t r) {
                                  if (dp[3] == 0) return;
                                  const uint32_t cov = weighting ? coverage.at(c, r) : 65535;
                                  if (cov == 65535) {
                                      dp[3] = to16(sp[0]);
                                  } else if (cov != 0) {
                                      dp[3] = weigh(sp[0], dp[3], cov, 65535 - cov);
                                  }
                              });
}

void set_rgba64_layer(EngineState& s, const uint16_t* src, int32_t stride, int32_t index) {
    LayerSlot* layer = image_layer(s, index);
    if (layer == nullptr) return trace::no_layer("PTE_SetRGBA64Layer", s, index);
    if (src == nullptr) return trace::skipped("PTE_SetRGBA64Layer", "no source pixels (null)");
    parallel::for_bands(s.imageHeight, s.imageWidth * parallel::kCopyWork / 4 + 1, [&](int64_t first, int64_t end) {
        for (int64_t r = first; r < end; ++r)
            std::memcpy(layer_row(*layer, r), host_row(src, stride, r), size_t(s.imageWidth) * 8);
    });
}

void set_layer_data(EngineState& s, const void* src, int32_t index) {
    LayerSlot* layer = image_layer(s, index);
    if (layer == nullptr) return trace::no_layer("PTE_SetLayerData", s, index);
    if (src == nullptr) return trace::skipped("PTE_SetLayerData", "no source pixels (null)");
    parallel::copy_bytes(layer->pixels.data(), src, layer->pixels.size_bytes());
}

void copy_layer_data(EngineState& s, int32_t from, int32_t to) {
    const LayerSlot* source = image_layer(s, from);
    LayerSlot* target = image_layer(s, to);
    if (source == nullptr || target == nullptr)
        return trace::no_layer("PTE_CopyLayerData", s, source == nullptr ? from : to);
    if (source == target) return;
    parallel::copy_bytes(target->pixels.data(), source->pixels.data(), target->pixels.size_bytes());
}

// ---- Reads ----

void get_rgba64_layer_rect(const EngineState& s, uint16_t* dst, int32_t stride, int32_t index, int32_t x,
                           int32_t y, int32_t width, int32_t height) {
    if (!engine::valid_layer_index(index) || !s.layers[index].has_pixels())
        return trace::no_layer("PTE_GetRGBA64LayerRect", s, index);
    if (dst == nullptr) return trace::skipped("PTE_GetRGBA64LayerRect", "no destination (null)");
    const LayerSlot& layer = s.layers[index];
    // Only the part inside the layer is read; the rest of dst is left as it was.
    const int64_t c0 = std::max<int64_t>(x, 0), c1 = std::min<int64_t>(int64_t(x) + width, layer.width);
    const int64_t r0 = std::max<int64_t>(y, 0), r1 = std::min<int64_t>(int64_t(y) + height, layer.height);
    if (c0 >= c1) return;
    parallel::for_bands(r1 - r0, (c1 - c0) * parallel::kCopyWork / 4 + 1, [&](int64_t first, int64_t end) {
        for (int64_t r = r0 + first; r < r0 + end; ++r) {
            uint16_t* dp = host_row(dst, stride, r - y) + (c0 - x) * 4;
            std::memcpy(dp, layer_row(layer, r) + c0 * 4, size_t(c1 - c0) * 8);
        }
    });
}

void get_layer_data(const EngineState& s, void* dst, int32_t index) {
    const LayerSlot* layer = image_layer(s, index);
    if (layer == nullptr) return trace::no_layer("PTE_GetLayerData", s, index);
    if (dst == nullptr) return trace::skipped("PTE_GetLayerData", "no destination (null)");
    parallel::copy_bytes(dst, layer->pixels.data(), layer->pixels.size_bytes());
}

int32_t get_rgba32_layer(const EngineState& s, uint8_t* dst, int32_t stride, int32_t index) {
    const LayerSlot* layer = image_layer(s, index);
    if (layer == nullptr || dst == nullptr) {
        if (layer == nullptr) trace::no_layer("PTE_GetRGBA32Layer", s, index);
        else trace::skipped("PTE_GetRGBA32Layer", "no destination (null)");
        return 0;
    }
    // Bounds in locals: the bytes written could alias the state, which would
    // keep the loop from being vectorised.
    const int32_t rows = s.imageHeight, values = s.imageWidth * 4;
    parallel::for_bands(rows, s.imageWidth * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t r = first; r < end; ++r) high_bytes_row(layer_row(*layer, r), host_row(dst, stride, r), values);
    });
    return rows;
}

void get_rgb24(const EngineState& s, uint8_t* dst, int32_t stride) {
    for_each_pixel_with_rgb24("PTE_GetRGB24", s, dst, stride, s.imageWidth, s.imageHeight,
                              [](const uint16_t* sp, uint8_t* dp, int32_t, int32_t) {
                                  for (int k = 0; k < 3; ++k) dp[k] = to8(sp[k]);
                              });
}

void get_rgb24_from_alpha(const EngineState& s, uint8_t* dst, int32_t stride) {
    for_each_pixel_with_rgb24("PTE_GetRGB24FromAlpha", s, dst, stride, s.imageWidth, s.imageHeight,
                              [](const uint16_t* sp, uint8_t* dp, int32_t, int32_t) {
                                  dp[0] = dp[1] = dp[2] = to8(sp[3]);
                              });
}

int32_t get_rgba32_layer_compressed(const EngineState& s, uint8_t* dst, int32_t capacity, int32_t index,
                                    int32_t last) {
    if (image_layer(s, index) == nullptr || dst == nullptr || capacity <= 0) {
        if (image_layer(s, index) == nullptr) trace::no_layer("PTE_GetRGBA32LayerCompressed", s, index);
        else trace::skipped("PTE_GetRGBA32LayerCompressed", "no room (destination null or capacity %d)", capacity);
        return 0;
    }
    const uint64_t bytes = engine::sat_mul(engine::image_pixel_count(s), 4);
    if (bytes > UINT32_MAX) return 0;
    engine::OwnedBuffer<uint8_t> picture;
    picture.allocate_or_throw(bytes);
    get_rgba32_layer(s, picture.data(), s.imageWidth * 4, index);
    const uint32_t written = imglib::IS3ZDeflateBuffer(picture.data(), uint32_t(bytes), dst, uint32_t(capacity), last);
    return static_cast<int32_t>(std::min<uint32_t>(written, INT32_MAX));
}

// ---- Conversions ----

namespace {

// Rows of a conversion between host pictures run in bands only when the
// pictures share no byte (see parallel::disjoint_rows).
template <class To, class From>
bool separate_rows(const To* dst, int64_t dstStride, int64_t dstRowBytes, const From* src, int64_t srcStride,
                   int64_t srcRowBytes, int64_t rows) {
    return parallel::disjoint_rows(dst, dstStride, dstRowBytes, src, srcStride, srcRowBytes, rows);
}

// The rectangle at (x, y) of a source of rowPixels RGBA64 pixels a row,
// `Channels` high bytes a pixel into a packed destination.
template <int Channels>
void rgba64_rect_to_packed(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height,
                           int32_t rowPixels, uint8_t* dst) {
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0) return;
    const uint16_t* first = src + (int64_t(y) * rowPixels + x) * 4;
    const int64_t dst_row = int64_t(width) * Channels;
    const bool separate =
        separate_rows(dst, dst_row, dst_row, first, int64_t(rowPixels) * 8, int64_t(width) * 8, height);
    parallel::for_bands_if(separate, height, width * parallel::kPixelWork, [&](int64_t r0, int64_t r1) {
        for (int64_t r = r0; r < r1; ++r) {
            const uint16_t* sp = first + r * rowPixels * 4;
            uint8_t* dp = dst + r * dst_row;
            for (int32_t c = 0; c < width; ++c, sp += 4, dp += Channels)
                for (int k = 0; k < Channels; ++k) dp[k] = to8(sp[k]);
        }
    });
}

}  // namespace

void rgba64_rect_to_rgba32(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height,
                           int32_t rowPixels, uint8_t* dst) {
    rgba64_rect_to_packed<4>(src, x, y, width, height, rowPixels, dst);
}

void rgba64_rect_to_rgb24(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height,
                          int32_t rowPixels, uint8_t* dst) {
    rgba64_rect_to_packed<3>(src, x, y, width, height, rowPixels, dst);
}

namespace {
// Every channel of width x height four-channel pixels through `convert`.
template <class To, class From, class Convert>
void convert_rgba_rows(To* dst, int32_t dstStride, const From* src, int32_t srcStride, int32_t width, int32_t height,
                       Convert convert) {
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0) return;
    const int64_t values = int64_t(width) * 4;
    const bool separate = separate_rows(dst, dstStride, values * int64_t(sizeof(To)), src, srcStride,
                                        values * int64_t(sizeof(From)), height);
    parallel::for_bands_if(separate, height, width * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t r = first; r < end; ++r) {
            const From* sp = host_row(src, srcStride, r);
            To* dp = host_row(dst, dstStride, r);
            for (int64_t i = 0; i < values; ++i) dp[i] = convert(sp[i]);
        }
    });
}
}  // namespace

void rgba64_to_rgba32(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t width,
                      int32_t height) {
    convert_rgba_rows(dst, dstStride, src, srcStride, width, height, to8);
}

void rgba32_to_rgba64(uint16_t* dst, int32_t dstStride, const uint8_t* src, int32_t srcStride, int32_t width,
                      int32_t height) {
    convert_rgba_rows(dst, dstStride, src, srcStride, width, height, to16);
}

void rgba64_to_rgb24(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t width,
                     int32_t height) {
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0) return;
    const bool separate =
        separate_rows(dst, dstStride, int64_t(width) * 3, src, srcStride, int64_t(width) * 8, height);
    parallel::for_bands_if(separate, height, width * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t r = first; r < end; ++r) {
            const uint16_t* sp = host_row(src, srcStride, r);
            uint8_t* dp = host_row(dst, dstStride, r);
            for (int32_t c = 0; c < width; ++c, sp += 4, dp += 3) {
                dp[0] = to8(sp[0]);
                dp[1] = to8(sp[1]);
                dp[2] = to8(sp[2]);
            }
        }
    });
}

// ---- Run-length lines ----

int32_t get_layer_line_rle(const EngineState& s, uint8_t* dst, int32_t index, int32_t row) {
    const LayerSlot* layer = image_layer(s, index);
    if (layer == nullptr || dst == nullptr || row < 0 || row >= s.imageHeight) {
        if (layer == nullptr) trace::no_layer("PTE_GetRGBA32LayerLineRLE", s, index);
        else trace::skipped("PTE_GetRGBA32LayerLineRLE", "row %d (rows 0..%d) or destination null", row,
                            s.imageHeight - 1);
        return 0;
    }
    return rle::compress_rgba64(layer_row(*layer, row), dst, s.imageWidth);
}

void put_layer_line_rle(EngineState& s, const uint8_t* src, int32_t index, int32_t row) {
    LayerSlot* layer = image_layer(s, index);
    if (layer == nullptr) return trace::no_layer("PTE_PutRGBA32LayerLineRLE", s, index);
    if (row < 0 || row >= s.imageHeight)
        return trace::skipped("PTE_PutRGBA32LayerLineRLE", "row %d outside 0..%d", row, s.imageHeight - 1);
    rle::uncompress_rgba64(src, layer_row(*layer, row), s.imageWidth);
}

int32_t get_mask_line_rle(const EngineState& s, uint8_t* dst, int32_t row) {
    const uint16_t* mask = image_mask(s);
    if (mask == nullptr || dst == nullptr || row < 0 || row >= s.imageHeight) {
        if (mask == nullptr) trace::no_image("PTE_GetMaskLineRLE");
        else trace::skipped("PTE_GetMaskLineRLE", "row %d (rows 0..%d) or destination null", row, s.imageHeight - 1);
        return 0;
    }
    return rle::compress_g16(mask + int64_t(row) * s.imageWidth, dst, s.imageWidth);
}

void put_mask_line_rle(EngineState& s, const uint8_t* src, int32_t row) {
    uint16_t* mask = image_mask(s);
    if (mask == nullptr) return trace::no_image("PTE_PutMaskLineRLE");
    if (row < 0 || row >= s.imageHeight)
        return trace::skipped("PTE_PutMaskLineRLE", "row %d outside 0..%d", row, s.imageHeight - 1);
    rle::uncompress_g16(src, mask + int64_t(row) * s.imageWidth, s.imageWidth);
}

// ---- Fills ----

namespace {
// A host channel value in 16 bits: the low byte times 256, as v * 256 kept to 16 bits.
uint16_t channel16(int32_t v) { return to16(uint8_t(v)); }
}  // namespace

void clear(EngineState& s, int32_t r, int32_t g, int32_t b, int32_t a) {
    LayerSlot* layer = s.currentSlot;
    if (layer == nullptr || !layer->has_pixels()) return trace::no_current_layer("clear the current layer", s);
    const uint16_t value[4] = {channel16(r), channel16(g), channel16(b), channel16(a)};
    uint16_t* pixels = layer->pixels.data();
    parallel::for_bands(int64_t(layer->pixels.size() / 4), parallel::kCopyWork, [&](int64_t first, int64_t end) {
        for (uint16_t* p = pixels + first * 4; p != pixels + end * 4; p += 4) std::memcpy(p, value, sizeof value);
    });
}

void clear_masked(EngineState& s, int32_t r, int32_t g, int32_t b, int32_t a) {
    const uint16_t* mask = image_mask(s);
    if (!s.maskActive || mask == nullptr) return clear(s, r, g, b, a);
    uint16_t* p = engine::current_image_pixels(s);
    if (p == nullptr) return trace::no_current_layer("PTE_ClearMasked", s);
    const uint16_t value[4] = {channel16(r), channel16(g), channel16(b), channel16(a)};
    const auto count = int64_t(engine::image_pixel_count(s));
    parallel::for_bands(count, parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t i = first; i < end; ++i) {
            uint16_t* px = p + i * 4;
            const uint32_t m = mask[i];
            if (m == 0) continue;
            if (m == 65535) {
                std::memcpy(px, value, sizeof value);
                continue;
            }
            // A partly selected pixel is mixed toward the colour and made opaque.
            for (int c = 0; c < 3; ++c)
                px[c] = uint16_t((((px[c] * (65535 - m)) >> 8) + ((value[c] * m) >> 8)) >> 8);
            px[3] = 65535;
        }
    });
}

void clear_masked_alpha(EngineState& s, int32_t r, int32_t g, int32_t b, int32_t a) {
    if (!s.maskActive) return clear(s, r, g, b, a);
    engine::OwnedBuffer<uint8_t> picture;
    if (!picture.allocate(engine::sat_mul(engine::image_pixel_count(s), 4))) return;
    clear_rgba32(picture.data(), s.imageWidth * 4, s.imageWidth, s.imageHeight, uint8_t(r), uint8_t(g), uint8_t(b),
                 uint8_t(a));
    // The picture is image-sized: a layer of another size takes only the
    // part that lies over the image.
    load_rgba32_layer(s, picture.data(), s.imageWidth * 4, s.currentLayer, 0, 0, s.imageWidth, s.imageHeight, true);
}

namespace {
// Every pixel of a host picture of four channels set to one colour.
template <class T>
void clear_quads(T* buffer, int32_t stride, int32_t width, int32_t height, T r, T g, T b, T a) {
    if (buffer == nullptr || width <= 0) return;
    // Rows that overlap (a stride below the row's length) are filled in order.
    const int64_t row_bytes = int64_t(width) * 4 * int64_t(sizeof(T));
    const bool separate = std::abs(int64_t(stride)) >= row_bytes;
    parallel::for_bands_if(separate, height, width * parallel::kCopyWork / 4 + 1, [&](int64_t first, int64_t end) {
        for (int64_t y = first; y < end; ++y) {
            T* p = host_row(buffer, stride, y);
            for (int32_t x = 0; x < width; ++x, p += 4) {
                p[0] = r;
                p[1] = g;
                p[2] = b;
                p[3] = a;
            }
        }
    });
}
}  // namespace

void clear_rgba64(uint16_t* buffer, int32_t stride, int32_t width, int32_t height, uint16_t r, uint16_t g,
                  uint16_t b, uint16_t a) {
    clear_quads(buffer, stride, width, height, r, g, b, a);
}

void clear_rgba32(uint8_t* buffer, int32_t stride, int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b,
                  uint8_t a) {
    clear_quads(buffer, stride, width, height, r, g, b, a);
}

// ---- Mask, texture and premultiplication ----

void adjust_rgba32_by_mask_and_texture(const EngineState& s, uint8_t* buffer, int32_t x, int32_t y, int32_t width,
                                       int32_t height) {
    const Coverage coverage(s);
    if (buffer == nullptr || !coverage.any() || width <= 0) return;
    parallel::for_bands(height, width * parallel::kPixelWork, [&](int64_t first, int64_t end) {
        for (int64_t r = first; r < end; ++r) {
            const int64_t iy = int64_t(y) + r;
            if (iy < 0 || iy >= s.imageHeight) continue;
            uint8_t* p = buffer + r * width * 4;
            for (int32_t c = 0; c < width; ++c, p += 4) {
                const int64_t ix = int64_t(x) + c;
                if (ix < 0 || ix >= s.imageWidth) continue;
                const double cov = coverage.at(int32_t(ix), int32_t(iy));
                p[3] = uint8_t(cov * (1.0 / 65535) * p[3]);
            }
        }
    });
}

namespace {

// Calls f(pixel) for each of width x height packed pixels of `Values`
// channels, in bands: every pixel is changed alone.
template <int Values, class T, class F>
void each_packed_pixel(T* buffer, int32_t width, int32_t height, int64_t work, F&& f) {
    if (buffer == nullptr || width <= 0 || height <= 0) return;
    const auto count = int64_t(width) * int64_t(height);
    parallel::for_bands(count, work, [&](int64_t first, int64_t end) {
        for (T* p = buffer + first * Values; p != buffer + end * Values; p += Values) f(p);
    });
}

}  // namespace

void premultiply_rgba32(uint8_t* buffer, int32_t width, int32_t height) {
    each_packed_pixel<4>(buffer, width, height, parallel::kPixelWork, [](uint8_t* p) {
        const uint32_t a = p[3];
        if (a == 0 || a == 255) return;
        for (int c = 0; c < 3; ++c) p[c] = uint8_t(a * (1.0 / 255) * (p[c] + 1));
    });
}

void unpremultiply_rgba32(uint8_t* buffer, int32_t width, int32_t height, bool opaque_too) {
    each_packed_pixel<4>(buffer, width, height, parallel::kPixelWork, [opaque_too](uint8_t* p) {
        const uint32_t a = p[3];
        if (a == 0 || (a == 255 && !opaque_too)) return;
        const double factor = 1 / (a * (1.0 / 255));
        for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::min(255.0, double(int64_t(factor * p[c]))));
    });
}

void premultiply_rgba64(uint16_t* buffer, int32_t width, int32_t height) {
    each_packed_pixel<4>(buffer, width, height, parallel::kPixelWork, [](uint16_t* p) {
        if (p[3] == 0) return;
        const double share = p[3] * (1.0 / 65535);
        for (int c = 0; c < 3; ++c) p[c] = uint16_t(share * p[c]);
    });
}

void unpremultiply_rgba64(uint16_t* buffer, int32_t width, int32_t height) {
    each_packed_pixel<4>(buffer, width, height, parallel::kPixelWork, [](uint16_t* p) {
        if (p[3] == 0) return;
        const double factor = 1 / (p[3] * (1.0 / 65535));
        for (int c = 0; c < 3; ++c) p[c] = uint16_t(std::min(65535.0, double(int64_t(factor * p[c]))));
    });
}

}  // namespace pixels
