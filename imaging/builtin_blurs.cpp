// The blurring filters: the directional pulls ("Value Blur", "Anti Alias"),
// "Adaptive Blur" and "Detail Blur".
#include <array>
#include <cmath>
#include <cstdlib>

#include "imaging/filter_canvas.h"
#include "platform/parallel.h"

namespace imaging::filters {

namespace {

// Rows from y0 up to, not including, y1 and within each row the columns
// from x0 up to, not including, x1, with steps of +1 or -1.
struct Sweep {
    int32_t x0, x1, sx, y0, y1, sy;
};

std::array<Sweep, 4> sweeps(int32_t w, int32_t h) {
    return {{{0, w - 1, 1, 0, h - 1, 1},
             {w - 1, 0, -1, h - 1, 0, -1},
             {w - 1, 0, -1, 0, h - 1, 1},
             {0, w - 1, 1, h - 1, 0, -1}}};
}

bool before(int32_t v, int32_t end, int32_t step) { return step > 0 ? v < end : v > end; }

// One channel of a pull: trunc((1 - w) a + w b), held to a byte. Looked up
// in a table of every (a, b) pair, filled by the same expression, when the
// table can be had.
class Pull {
public:
    explicit Pull(double w) : w_(w) {
        if (!table_.allocate(256 * 256)) return;
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) table_[size_t(a << 8 | b)] = mix(a, b, w);
    }
    uint8_t operator()(uint8_t a, uint8_t b) const { return table_ ? table_[size_t(a << 8 | b)] : mix(a, b, w_); }

private:
    static uint8_t mix(int a, int b, double w) { return clamp_byte(trunc_int((1.0 - w) * a + w * b)); }
    double w_;
    engine::OwnedBuffer<uint8_t> table_;
};

// The eight sweeps over iplDst32, horizontal then vertical, each reading
// what the previous ones wrote. choose(a, b, diagonal) picks the pull for
// the neighbour b of the pixel a (0 or 1), or -1 to leave it; `diagonal` is
// the pixel one column and one row further along the sweep. B becomes
// (1 - w) A + w B per channel, alpha included. Every pixel a sweep touches
// lies inside the image, since it stops one short of its end row and end
// column.
template <class Choose>
void pull_sweeps(const Rgba32Pair& p, const Pull (&pulls)[2], Choose choose) {
    const ptrdiff_t row = ptrdiff_t(p.width) * 4;
    for (const bool vertical : {false, true}) {
        for (const Sweep& sw : sweeps(p.width, p.height)) {
            const ptrdiff_t column = ptrdiff_t(sw.sx) * 4;
            const ptrdiff_t to_b = vertical ? sw.sy * row : column;
            const ptrdiff_t to_diagonal = sw.sy * row + column;
            for (int32_t y = sw.y0; before(y, sw.y1, sw.sy); y += sw.sy) {
                uint8_t* a = p.dst + y * row + ptrdiff_t(sw.x0) * 4;
                for (int32_t x = sw.x0; before(x, sw.x1, sw.sx); x += sw.sx, a += column) {
                    uint8_t* b = a + to_b;
                    const int which = choose(a, b, a + to_diagonal);
                    if (which < 0) continue;
                    const Pull& pull = pulls[which];
                    for (int ch = 0; ch < 4; ++ch) b[ch] = pull(a[ch], b[ch]);
                }
            }
        }
    }
}

}  // namespace

void value_blur(engine::EngineState& s, const Rgba32Pair& p) {
    s.filters.inPlace = 1;
    const Pull pulls[2] = {Pull(s.filters.q[0]), Pull(s.filters.q[1])};
    pull_sweeps(p, pulls, [](const uint8_t* a, const uint8_t* b, const uint8_t*) {
        const int32_t la = lum(a), lb = lum(b);
        return la - lb > 2 ? 0 : lb - la > 2 ? 1 : -1;
    });
}

void anti_alias(engine::EngineState& s, const Rgba32Pair& p) {
    s.filters.inPlace = 1;
    const auto& q = s.filters.q;
    const double down = (1.0 - q[2]) * 255.0, up = (1.0 - q[3]) * 255.0;
    const Pull pulls[2] = {Pull(q[0]), Pull(q[1])};
    pull_sweeps(p, pulls, [&](const uint8_t* a, const uint8_t* b, const uint8_t* diagonal) {
        const int32_t l0 = lum(a), l1 = lum(b), ld = lum(diagonal);
        if (l0 - l1 > down) return ld >= l0 ? 0 : -1;
        if (l1 - l0 > up) return ld <= l0 ? 1 : -1;
        return -1;
    });
}

namespace {

// "Adaptive Blur" over rows y0..y1-1, reading the source only.
void adaptive_blur_rows(Canvas& c, const std::array<double, 6>& q, double t, int32_t y0, int32_t y1) {
    for (int32_t y = y0; y < y1; ++y) {
        for (int32_t x = 1; x < c.width() - 1; ++x) {
            const int32_t nx[4] = {x - 1, x + 1, x, x};
            const int32_t ny[4] = {y, y, y - 1, y + 1};
            const int32_t l = c.lum(x, y);
            double w = 0;
            bool classed = false;
            for (int n = 0; n < 4 && !classed; ++n) {
                const int32_t ln = c.lum(nx[n], ny[n]);
                if (l - ln > t) {
                    w = q[1];  // bright
                    classed = true;
                } else if (ln - l > t) {
                    w = q[2];  // dark
                    classed = true;
                }
            }
            if (!classed) continue;
            int32_t out[4];
            for (int ch = 0; ch < 4; ++ch) {
                const double base = std::trunc((1.0 - w) * c.at(x, y)[ch]);
                double acc = 0;
                for (int n = 0; n < 4; ++n) acc = std::trunc(base + w * c.at(nx[n], ny[n])[ch] + acc);
                out[ch] = trunc_int(acc / 4.0);
            }
            for (int ch = 0; ch < 4; ++ch) c.put(x, y, ch, out[ch]);
        }
    }
}

}  // namespace

void adaptive_blur(engine::EngineState& s, const Rgba32Pair& p) {
    // Every pixel is compared with its unchanged neighbours, whatever the
    // in-place flag says: the filter reads the source, so rows are
    // independent.
    Canvas c(p, false);
    const auto& q = s.filters.q;
    const double t = (1.0 - q[0]) * 255.0;
    parallel::for_bands(c.height() - 2, (c.width() - 2) * parallel::kColourWork, [&](int64_t first, int64_t end) {
        adaptive_blur_rows(c, q, t, 1 + int32_t(first), 1 + int32_t(end));
    });
}

namespace {

// |L - mean of the 3 x 3 block's L| above the threshold.
bool detailed(int32_t centre, int32_t block_sum, double threshold) {
    return std::abs(centre - block_sum / 9) > threshold;
}

uint8_t ninth(int32_t sum) { return clamp_byte(trunc_int(sum * (1.0 / 9.0))); }

// Reading a source the filter does not write: the sums of each column's
// three pixels are made once per row and shared by the three blocks that
// hold the column. `columns` has room for W * 5 values. Rows y0..y1-1.
void detail_blur_from_source(const uint8_t* read, const Rgba32Pair& p, double threshold, int32_t* columns,
                             int32_t y0, int32_t y1) {
    const ptrdiff_t row = ptrdiff_t(p.width) * 4;
    int32_t* lum_sum = columns;
    int32_t* channel_sum = columns + p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* r0 = read + (y - 1) * row;
        const uint8_t* r1 = r0 + row;
        const uint8_t* r2 = r1 + row;
        for (ptrdiff_t x = 0, i = 0; x < p.width; ++x, i += 4) {
            lum_sum[x] = lum(r0 + i) + lum(r1 + i) + lum(r2 + i);
            for (int ch = 0; ch < 4; ++ch) channel_sum[i + ch] = r0[i + ch] + r1[i + ch] + r2[i + ch];
        }
        uint8_t* out = p.dst + y * row;
        for (ptrdiff_t x = 1, i = 4; x < p.width - 1; ++x, i += 4) {
            if (!detailed(lum(r1 + i), lum_sum[x - 1] + lum_sum[x] + lum_sum[x + 1], threshold)) continue;
            for (int ch = 0; ch < 4; ++ch)
                out[i + ch] = ninth(channel_sum[i - 4 + ch] + channel_sum[i + ch] + channel_sum[i + 4 + ch]);
        }
    }
}

// Each pixel's block read afresh, as working in place needs: there the
// block holds pixels already written. Rows y0..y1-1.
void detail_blur_per_pixel(const uint8_t* read, const Rgba32Pair& p, double threshold, int32_t y0, int32_t y1) {
    const ptrdiff_t row = ptrdiff_t(p.width) * 4;
    const ptrdiff_t block[9] = {-row - 4, -row, -row + 4, -4, 0, 4, row - 4, row, row + 4};
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* centre = read + y * row + 4;
        uint8_t* out = p.dst + y * row + 4;
        for (int32_t x = 1; x < p.width - 1; ++x, centre += 4, out += 4) {
            int32_t sum = 0;
            for (const ptrdiff_t d : block) sum += lum(centre + d);
            if (!detailed(lum(centre), sum, threshold)) continue;
            int32_t channel[4] = {};
            for (const ptrdiff_t d : block)
                for (int ch = 0; ch < 4; ++ch) channel[ch] += centre[d + ch];
            for (int ch = 0; ch < 4; ++ch) out[ch] = ninth(channel[ch]);
        }
    }
}

}  // namespace

void detail_blur(engine::EngineState& s, const Rgba32Pair& p) {
    const double threshold = s.filters.q[0] * 255.0;
    // In place, each block reads what the rows above wrote: one pass in order.
    if (s.filters.inPlace) return detail_blur_per_pixel(p.dst, p, threshold, 1, p.height - 1);
    // From the source, rows are independent; each band sums its own columns.
    parallel::for_bands(p.height - 2, (p.width - 2) * parallel::kColourWork, [&](int64_t first, int64_t end) {
        const int32_t y0 = 1 + int32_t(first), y1 = 1 + int32_t(end);
        engine::OwnedBuffer<int32_t> columns;
        if (columns.allocate(engine::sat_mul(uint64_t(p.width), 5)))
            detail_blur_from_source(p.src, p, threshold, columns.data(), y0, y1);
        else
            detail_blur_per_pixel(p.src, p, threshold, y0, y1);
    });
}

}  // namespace imaging::filters
