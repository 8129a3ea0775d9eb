#include "platform/imglib/generator_layer.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/blend.h"

namespace imglib::detail {

int32_t engine_mode_of_script_mode(int32_t scriptMode) {
    if (scriptMode == 12) return 0;
    if (scriptMode >= 0 && scriptMode <= 11) return scriptMode + 1;
    if (scriptMode >= 13 && scriptMode <= 40) return scriptMode;
    return 0;
}

void blend_layer(Bgra& picture, int32_t mode, const LayerRow& layer) {
    const int32_t w = picture.width;
    std::vector<uint16_t> below(size_t(w) * 4), above(size_t(w) * 4);
    blend::Params params;
    params.mode = mode;
    params.opacity = 256;
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* row = picture.row(y);
        for (int32_t i = 0; i < w; ++i) {
            for (int c = 0; c < 3; ++c) below[size_t(i) * 4 + size_t(c)] = uint16_t(row[i * 4 + c] << 8);
            below[size_t(i) * 4 + 3] = uint16_t(row[i * 4 + 3] * 257);
        }
        layer(y, above.data());
        blend::blend_span(below.data(), above.data(), nullptr, w, params);
        for (size_t i = 0; i < size_t(w) * 4; ++i) row[i] = uint8_t(below[i] >> 8);
    }
}

Colour Colour::of(int32_t red, int32_t green, int32_t blue) {
    Colour c;
    c.r = uint8_t(held(red, 0, 255));
    c.g = uint8_t(held(green, 0, 255));
    c.b = uint8_t(held(blue, 0, 255));
    return c;
}

bool ShapeLayer::allocate(int32_t width, int32_t height) {
    try {
        w_ = width;
        h_ = height;
        const size_t n = size_t(width) * size_t(height);
        layer_.assign(n * 4, 0);
        cover_.assign(n, 0);
        left_.assign(size_t(height), width);
        right_.assign(size_t(height), -1);
        top_ = height;
        bottom_ = -1;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void ShapeLayer::cover(int32_t x, int32_t y, float c) {
    if (!(c > 0.0f)) return;
    const uint8_t v = uint8_t(std::min(c, 1.0f) * 255.0f + 0.5f);
    uint8_t& slot = cover_[size_t(y) * size_t(w_) + size_t(x)];
    if (v > slot) slot = v;
}

bool ShapeLayer::clip_rows(float y0, float y1, int32_t& top, int32_t& bottom) const {
    const float lo = std::max(std::floor(y0), 0.0f), hi = std::min(std::ceil(y1), float(h_ - 1));
    if (!(lo <= hi)) return false;
    top = int32_t(lo);
    bottom = int32_t(hi);
    return true;
}

void ShapeLayer::touch(int32_t y, int32_t x0, int32_t x1) {
    left_[size_t(y)] = std::min(left_[size_t(y)], x0);
    right_[size_t(y)] = std::max(right_[size_t(y)], x1);
    top_ = std::min(top_, y);
    bottom_ = std::max(bottom_, y);
}

namespace {

// Columns lo..hi of a row, clipped to the picture; false when none is left.
bool clip_columns(float lo, float hi, int32_t width, int32_t& x0, int32_t& x1) {
    const float a = std::max(std::floor(lo), 0.0f), b = std::min(std::ceil(hi), float(width - 1));
    if (!(a <= b)) return false;
    x0 = int32_t(a);
    x1 = int32_t(b);
    return true;
}

}  // namespace

void ShapeLayer::capsule(float x0, float y0, float x1, float y1, float radius) {
    const float reach = std::max(radius, 0.0f) + 0.5f;
    const float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    int32_t top, bottom;
    if (!clip_rows(std::min(y0, y1) - reach, std::max(y0, y1) + reach, top, bottom)) return;
    const float boxL = std::min(x0, x1) - reach, boxR = std::max(x0, x1) + reach;
    const float len = std::sqrt(len2);
    const bool steep = len > 0.0f && std::fabs(dy) > 1e-3f * len;
    for (int32_t y = top; y <= bottom; ++y) {
        float lo = boxL, hi = boxR;
        if (steep) {
            // Within reach of the infinite line through the segment.
            const float ux = dx / len, uy = dy / len;
            const float a = x0 + ((float(y) - y0) * ux - reach) / uy, b = x0 + ((float(y) - y0) * ux + reach) / uy;
            lo = std::max(lo, std::min(a, b) - 1.0f);
            hi = std::min(hi, std::max(a, b) + 1.0f);
        }
        int32_t xa, xb;
        if (!clip_columns(lo, hi, w_, xa, xb)) continue;
        for (int32_t x = xa; x <= xb; ++x) {
            const float px = float(x) - x0, py = float(y) - y0;
            const float t = len2 > 0.0f ? std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f) : 0.0f;
            const float ex = px - t * dx, ey = py - t * dy;
            cover(x, y, reach - std::sqrt(ex * ex + ey * ey));
        }
        touch(y, xa, xb);
    }
}

template <class Coverage>
void ShapeLayer::round_shape(float cx, float cy, float reach, Coverage coverage) {
    int32_t top, bottom;
    if (!clip_rows(cy - reach, cy + reach, top, bottom)) return;
    for (int32_t y = top; y <= bottom; ++y) {
        const float dy = float(y) - cy;
        const float half = std::sqrt(std::max(reach * reach - dy * dy, 0.0f));
        int32_t xa, xb;
        if (!clip_columns(cx - half - 1.0f, cx + half + 1.0f, w_, xa, xb)) continue;
        for (int32_t x = xa; x <= xb; ++x) {
            const float dx = float(x) - cx;
            cover(x, y, coverage(std::sqrt(dx * dx + dy * dy)));
        }
        touch(y, xa, xb);
    }
}

void ShapeLayer::disc(float cx, float cy, float radius, bool soft) {
    const float reach = std::max(radius, 0.0f) + 0.5f;
    if (soft) {
        round_shape(cx, cy, reach, [reach](float d) {
            const float s = std::max(1.0f - (d * d) / (reach * reach), 0.0f);
            return s * s;
        });
    } else {
        round_shape(cx, cy, reach, [reach](float d) { return reach - d; });
    }
}

void ShapeLayer::ring(float cx, float cy, float radius, float pen) {
    const float reach = std::max(radius, 0.0f) + 0.5f, inner = std::max(radius, 0.0f) - std::max(pen, 1.0f);
    round_shape(cx, cy, reach, [reach, inner](float d) { return std::min(reach - d, d - inner + 0.5f); });
}

void ShapeLayer::rectangle(float cx, float cy, float w, float h, float angle, float pen) {
    const float hw = std::max(w, 0.0f) * 0.5f, hh = std::max(h, 0.0f) * 0.5f;
    const float reach = std::sqrt(hw * hw + hh * hh) + 1.0f;
    // The rectangle's own axes: u along its width, v along its height.
    const float ux = std::cos(angle), uy = -std::sin(angle), vx = std::sin(angle), vy = std::cos(angle);
    int32_t top, bottom;
    if (!clip_rows(cy - reach, cy + reach, top, bottom)) return;
    for (int32_t y = top; y <= bottom; ++y) {
        int32_t xa, xb;
        if (!clip_columns(cx - reach, cx + reach, w_, xa, xb)) continue;
        const float dy = float(y) - cy;
        for (int32_t x = xa; x <= xb; ++x) {
            const float dx = float(x) - cx;
            const float lu = dx * ux + dy * uy, lv = dx * vx + dy * vy;
            const float inside = std::min(hw - std::fabs(lu), hh - std::fabs(lv));
            float c = std::clamp(inside + 0.5f, 0.0f, 1.0f);
            if (pen > 0.0f) c *= std::clamp(pen - inside + 0.5f, 0.0f, 1.0f);
            cover(x, y, c);
        }
        touch(y, xa, xb);
    }
}

void ShapeLayer::commit(Colour colour, float opacity) {
    const float colours[3] = {float(colour.b) * 256.0f, float(colour.g) * 256.0f, float(colour.r) * 256.0f};
    const float o = std::clamp(opacity, 0.0f, 1.0f) / 255.0f;
    for (int32_t y = top_; y <= bottom_; ++y) {
        const size_t base = size_t(y) * size_t(w_);
        for (int32_t x = left_[size_t(y)]; x <= right_[size_t(y)]; ++x) {
            uint8_t& c = cover_[base + size_t(x)];
            if (c == 0) continue;
            // "Over" in straight colour: the shape's share s of the result's
            // alpha, the layer's share what shows through of it.
            uint16_t* p = &layer_[(base + size_t(x)) * 4];
            const float s = float(c) * o, below = float(p[3]) / 65535.0f * (1.0f - s), a = s + below;
            for (int k = 0; k < 3; ++k) p[k] = uint16_t((colours[k] * s + float(p[k]) * below) / a + 0.5f);
            p[3] = uint16_t(a * 65535.0f + 0.5f);
            c = 0;
        }
        left_[size_t(y)] = w_;
        right_[size_t(y)] = -1;
    }
    top_ = h_;
    bottom_ = -1;
}

void ShapeLayer::blend_over(Bgra& picture, int32_t mode) const {
    blend_layer(picture, mode, [&](int32_t y, uint16_t* out) {
        const uint16_t* p = &layer_[size_t(y) * size_t(w_) * 4];
        std::copy(p, p + size_t(w_) * 4, out);
    });
}

int32_t shape_budget(const Bgra& picture, double pieces, double pieceArea) {
    // Pixels touched in all: 32 for each pixel of the picture, within
    // 2^22 .. 2^28, a few hundred milliseconds for a full-screen picture.
    const double pixels = double(picture.pixels());
    const double work = std::clamp(32.0 * pixels, double(1 << 22), double(1 << 28));
    // A piece costs a few pixels' work however little of it shows.
    const double each = std::max(1.0, pieces) * (4.0 + std::min(std::max(pieceArea, 0.0), pixels));
    return int32_t(std::clamp(work / each, 1.0, 1000000.0));
}

}  // namespace imglib::detail
