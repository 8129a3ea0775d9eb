#include "brush/blend_buffer.h"

#include <algorithm>

#include "brush/settings.h"
#include "engine/pixels.h"
#include "engine/trace.h"

namespace brush {

using engine::EngineState;

uint16_t* blend_buffer(EngineState& s) {
    const uint64_t t = uint64_t(std::max(s.tipSize, 0));
    auto& b = s.brush.blendBuffer;
    return (b && b.size() == t * t * 4) ? b.data() : nullptr;
}

uint32_t mask_value_of(const uint16_t (&colour)[4]) {
    const uint32_t l = (uint32_t(colour[0]) + colour[1] + colour[2]) / 3;
    return l <= 255 ? 65535u : (l >= 65280 ? 0u : 65280u - l);
}

namespace {

// The square of a copy on the image, inclusive, and where it starts in the buffer.
struct CopyWindow {
    int32_t x0, y0, x1, y1;
    int32_t bx, by;
    bool clipped;
    bool empty() const { return x0 > x1 || y0 > y1; }
};

CopyWindow copy_window(const EngineState& s, int32_t x, int32_t y, int32_t S) {
    int64_t x0 = int64_t(x) - S / 2, y0 = int64_t(y) - S / 2;
    int64_t x1 = x0 + S - 1, y1 = y0 + S - 1;
    int64_t bx = 0, by = 0;
    bool clipped = false;
    if (x0 < 0) bx = -x0, x0 = 0, clipped = true;
    if (y0 < 0) by = -y0, y0 = 0, clipped = true;
    if (x1 >= s.imageWidth) x1 = int64_t(s.imageWidth) - 1, clipped = true;
    if (y1 >= s.imageHeight) y1 = int64_t(s.imageHeight) - 1, clipped = true;
    // Buffer starts are used only when the window is not empty, and then
    // they lie inside the square.
    return {int32_t(std::min<int64_t>(x0, INT32_MAX)), int32_t(std::min<int64_t>(y0, INT32_MAX)),
            int32_t(std::max<int64_t>(x1, -1)),        int32_t(std::max<int64_t>(y1, -1)),
            int32_t(std::min<int64_t>(bx, S)),         int32_t(std::min<int64_t>(by, S)),
            clipped};
}

size_t image_index(const EngineState& s, int32_t x, int32_t y) { return size_t(y) * size_t(s.imageWidth) + size_t(x); }

constexpr const char* kPickUp = "pick up colour into the blend buffer";

// Why a copy into the blend buffer does nothing.
[[gnu::cold]] void trace_no_pick_up(const EngineState& s, const void* buffer, const void* source) {
    if (s.brush.blendStrength == 0)
        trace::skipped(kPickUp, "the blend strength is 0 (PTE_SetBlendStrength or PTE_SetTool's eighth argument)");
    else if (buffer == nullptr)
        trace::no_image(kPickUp);
    else if (source == nullptr)
        trace::skipped(kPickUp, "the picture to pick up from is missing (a layer without pixels, or no image)");
}

}  // namespace

void copy_blend_buffer(EngineState& s, int32_t x, int32_t y, const uint16_t* source, int32_t mix, bool hold) {
    const BrushState& b = s.brush;
    uint16_t* buffer = blend_buffer(s);
    if (b.blendStrength == 0 || buffer == nullptr || source == nullptr) return trace_no_pick_up(s, buffer, source);
    const int32_t S = tip_edge(s);
    const size_t row = size_t(s.tipRowLength);
    const CopyWindow w = copy_window(s, x, y, S);

    mix = std::clamp(mix, 0, 256);
    const uint32_t keep = 256 - uint32_t(mix);
    const uint16_t* c = b.brushColor;
    const uint32_t mixed[4] = {uint32_t(mix) * c[0], uint32_t(mix) * c[1], uint32_t(mix) * c[2],
                               uint32_t(mix) * c[3]};
    const uint16_t edgeAlpha = uint16_t((uint32_t(mix) % 256) * 256);
    const uint16_t holdAlpha = uint16_t((keep % 256) * 256);

    if (w.clipped) {
        for (int32_t ty = 0; ty < S; ++ty) {
            uint16_t* p = buffer + size_t(ty) * row;
            for (int32_t tx = 0; tx < S; ++tx, p += 4) {
                if (!hold) p[0] = c[0], p[1] = c[1], p[2] = c[2];
                p[3] = hold ? 65535 : edgeAlpha;
            }
        }
    }
    if (w.empty()) return;

    const uint16_t* mask = s.maskActive ? pixels::image_mask(s) : nullptr;
    for (int32_t yy = w.y0; yy <= w.y1; ++yy) {
        uint16_t* p = buffer + size_t(w.by + (yy - w.y0)) * row + size_t(w.bx) * 4;
        for (int32_t xx = w.x0; xx <= w.x1; ++xx, p += 4) {
            const size_t i = image_index(s, xx, yy);
            const uint16_t* src = source + i * 4;
            uint32_t alpha = src[3];
            if (mask != nullptr) {
                const uint32_t m = mask[i];
                const uint32_t k = m < 65535 ? (m * 65535u) >> 16 : 65535u;
                alpha = uint32_t(double(k) * (1.0 / 65535.0) * alpha);
            }
            if (alpha == 0) {
                p[0] = c[0], p[1] = c[1], p[2] = c[2];
                p[3] = hold ? holdAlpha : edgeAlpha;
                continue;
            }
            // Picked-up colour never exceeds 65280, the largest 8-bit value.
            for (int ch = 0; ch < 3; ++ch) p[ch] = uint16_t(std::min(65280u, ((src[ch] * keep + mixed[ch]) >> 8) + 1));
            p[3] = uint16_t((alpha * keep + mixed[3]) >> 8);
        }
    }
}

void copy_blend_buffer_mask(EngineState& s, int32_t x, int32_t y, int32_t mix) {
    uint16_t* buffer = blend_buffer(s);
    const uint16_t* mask = pixels::image_mask(s);
    if (s.brush.blendStrength == 0 || buffer == nullptr || mask == nullptr) return trace_no_pick_up(s, buffer, mask);
    const int32_t S = tip_edge(s);
    const size_t row = size_t(s.tipRowLength);
    const CopyWindow w = copy_window(s, x, y, S);
    mix = std::clamp(mix, 0, 256);
    const uint32_t V = mask_value_of(s.brush.brushColor);
    if (w.clipped) {
        for (int32_t ty = 0; ty < S; ++ty) std::fill_n(buffer + size_t(ty) * row, S, uint16_t(V));
    }
    if (w.empty()) return;
    const uint32_t brushShare = V * uint32_t(mix), keep = 256 - uint32_t(mix);
    for (int32_t yy = w.y0; yy <= w.y1; ++yy) {
        uint16_t* p = buffer + size_t(w.by + (yy - w.y0)) * row + size_t(w.bx);
        const uint16_t* m = mask + image_index(s, w.x0, yy);
        for (int32_t xx = w.x0; xx <= w.x1; ++xx)
            *p++ = uint16_t(std::min(65280u, ((uint32_t(*m++) * keep + brushShare) >> 8) + 1));
    }
}

void clear_blend_buffer(EngineState& s) { s.brush.blendBuffer.fill_bytes(0); }

void filter_blend_buffer(EngineState& s, int32_t kind, int32_t level) {
    uint16_t* buffer = blend_buffer(s);
    if (buffer == nullptr) return trace::no_image("PTE_FilterBlendBuffer");
    const int64_t d = trunc_to_int(level * 655.35);
    const int32_t S = tip_edge(s);
    for (int32_t ty = 0; ty < S; ++ty) {
        uint16_t* p = buffer + size_t(ty) * size_t(s.tipRowLength);
        for (int32_t tx = 0; tx < S; ++tx, p += 4) {
            switch (kind) {
                case 289: p[0] = p[1] = p[2] = uint16_t((uint32_t(p[0]) + p[1] + p[2]) / 3); break;
                case 290: for (int c = 0; c < 3; ++c) p[c] = uint16_t(65535 - p[c]); break;
                case 291: for (int c = 0; c < 3; ++c) if (p[c] < d) p[c] = 0; break;
                case 292: for (int c = 0; c < 3; ++c) if (p[c] > d) p[c] = 65280; break;
                default: return;
            }
        }
    }
}

}  // namespace brush
