#include "brush/tip.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "brush/random.h"
#include "brush/settings.h"
#include "engine/layers.h"
#include "engine/trace.h"

namespace brush {

using engine::EngineState;

bool tip_ready(const EngineState& s) {
    return s.tipSize > 0 && s.brush.tipAlpha.size() == uint64_t(s.tipSize) * uint64_t(s.tipSize);
}

bool grit_patterns_ready(const EngineState& s) {
    const uint64_t side = uint64_t(std::max(s.tipSize, 0)) + kTipMargin;
    for (const auto& p : s.brush.tipBuffers)
        if (p.size() != side * side) return false;
    return true;
}

uint16_t to_tip_value(double value) { return uint16_t(std::clamp(trunc_to_int(value), 0, 65535)); }

namespace {

// Reads a random table from any start, going on at its beginning when it
// reaches the end.
class TableCursor {
public:
    TableCursor(const RandomByteTable& table, int64_t start)
        : data_(table.data.data()), length_(table.length), pos_(((start % length_) + length_) % length_) {}
    int32_t next() {
        const int32_t v = data_[pos_];
        if (++pos_ == length_) pos_ = 0;
        return v;
    }

private:
    const uint8_t* data_;
    int64_t length_;
    int64_t pos_;
};

bool table_ready(const RandomByteTable& t) { return t.data && t.length > 0 && t.data.size() >= size_t(t.length); }

// One pattern: blocks of n x n tip pixels over (S + 25)^2, row stride T.
void fill_pattern(EngineState& s, uint8_t* pattern, int32_t n, int32_t S) {
    BrushState& b = s.brush;
    const int64_t T = s.tipSize;
    const int64_t extent = int64_t(S) + kTipMargin;
    // Where a row of blocks starts reading: a random place spread over the
    // table, leaving (for modest blocks) room for the row.
    const int64_t stepA = (int64_t(kLargeTableLength) - 2 * int64_t(n)) / 32767;
    const int64_t stepB = (int64_t(kLargeTableLength) - int64_t(n)) / 32767;
    for (int64_t row = 0; row < extent; row += n) {
        TableCursor a(b.randomTableA, b.random.next() * stepA);
        TableCursor g(b.randomTableB, b.random.next() * stepB);
        const int64_t rows = std::min<int64_t>(n, extent - row);
        for (int64_t col = 0; col < extent; col += n) {
            if (a.next() >= b.gritBlockThreshold) continue;
            const uint8_t value = uint8_t(g.next());
            // Positions past the pattern consume no byte.
            const int64_t cols = std::min<int64_t>(n, extent - col);
            for (int64_t i = 0; i < rows; ++i)
                for (int64_t j = 0; j < cols; ++j)
                    if (a.next() < b.gritPixelThreshold) pattern[(row + i) * T + col + j] = value;
        }
    }
}

}  // namespace

void build_disc(EngineState& s) {
    if (!tip_ready(s)) return;
    const BrushState& b = s.brush;
    const int32_t S = tip_edge(s);
    const size_t T = size_t(s.tipSize);
    const double R = S * 0.5;
    const int32_t K = S / 2;
    const double F = R * b.tipSoftness * (1.0 / 255.0);
    const double inner = R - F;
    uint16_t* tip = s.brush.tipAlpha.data();
    for (int32_t y = 0; y < S; ++y) {
        for (int32_t x = 0; x < S; ++x) {
            const int32_t d = int32_t(std::sqrt(double((x - K) * (x - K) + (y - K) * (y - K))));
            if (d > R) continue;
            double m = 65535.0;
            if (b.tipSoftness > 0 && d > inner) m = std::clamp(65535.0 * (F - (d - inner)) / F, 0.0, 65535.0);
            if (b.tipInvert) m = std::trunc(65535.0 - m);
            tip[size_t(y) * T + size_t(x)] = to_tip_value(m * b.tipStrength);
        }
    }
}

void set_brush_shape(EngineState& s, const char* path, int32_t angle, PictureSources sources) {
    if (!tip_ready(s)) return trace::no_image("PTE_SetBrushShape");
    s.brush.tipAlpha.fill_bytes(0);
    const bool picture = path != nullptr && strnlen(path, 2) >= 2;
    if (picture && build_picture_tip(s, path, angle, sources)) return;
    if (picture) trace::skipped("PTE_SetBrushShape", "no tip picture from '%s': the disc is used", path);
    build_disc(s);
}

void build_grit_from_tables(EngineState& s) {
    BrushState& b = s.brush;
    if (!grit_patterns_ready(s) || !table_ready(b.randomTableA) || !table_ready(b.randomTableB))
        throw std::logic_error("grit patterns need an image");
    const int32_t S = tip_edge(s);
    for (auto& buffer : b.tipBuffers) {
        b.currentTip = buffer.data();
        buffer.fill_bytes(255);
        if (b.gritBlock >= 1) fill_pattern(s, buffer.data(), b.gritBlock, S);
    }
}

void create_blob_from_image(EngineState& s, int32_t layer, int32_t mode) {
    engine::LayerSlot* slot = layers::slot_at(s, layer);
    if (slot == nullptr || !slot->has_pixels() || slot->width <= 0 || slot->height <= 0)
        return trace::no_layer("PTE_CreateBlobFromImage", s, layer);
    if (slot->rowLength < slot->width * 4 ||
        slot->pixels.size() < uint64_t(slot->height) * uint64_t(slot->rowLength))
        return;
    for (int32_t y = 0; y < slot->height; ++y) {
        uint16_t* p = slot->pixels.data() + size_t(y) * size_t(slot->rowLength);
        for (int32_t x = 0; x < slot->width; ++x, p += 4) {
            const uint32_t h = (uint32_t(p[0]) + p[1] + p[2]) / 3;
            const uint16_t alpha = uint16_t(trunc_to_int(h * 0.843 + 10239));
            if (mode == 1) {
                // Dark pixels lighten and light ones darken, by up to half.
                if (h < 32767) {
                    const double t = (32767.0 - h) / 65534.0;
                    for (int c = 0; c < 3; ++c) p[c] = uint16_t(trunc_to_int((65535.0 - p[c]) * t + p[c]));
                } else {
                    const double t = (h - 32767.0) / 65534.0;
                    for (int c = 0; c < 3; ++c) p[c] = uint16_t(trunc_to_int(p[c] - p[c] * t));
                }
            } else {
                p[0] = p[1] = p[2] = 32767;
            }
            if (p[3] > 8191) p[3] = alpha;
        }
    }
}

}  // namespace brush
