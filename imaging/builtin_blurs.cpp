// The blurring filters: the directional pulls ("Value Blur", "Anti Alias"),
// "Adaptive Blur" and "Detail Blur".
#include <array>
#include <cmath>
#include <cstdlib>

#include "imaging/filter_canvas.h"

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

// B becomes (1 - w) A + w B per channel, alpha included, truncated.
void pull(Canvas& c, int32_t ax, int32_t ay, int32_t bx, int32_t by, double w) {
    const uint8_t* a = c.at(ax, ay);
    const uint8_t* b = c.at(bx, by);
    int32_t out[4];
    for (int ch = 0; ch < 4; ++ch) out[ch] = trunc_int((1.0 - w) * a[ch] + w * b[ch]);
    for (int ch = 0; ch < 4; ++ch) c.put(bx, by, ch, out[ch]);
}

// The eight sweeps, horizontal then vertical. weight(x, y, bx, by, sx, sy,
// w) decides whether the neighbour (bx, by) of (x, y) is pulled, and how
// strongly. Each sweep reads what the previous ones wrote: the caller has
// set the block's inPlace.
template <class Weight>
void pull_sweeps(Canvas& c, Weight weight) {
    for (const bool vertical : {false, true}) {
        for (const Sweep& sw : sweeps(c.width(), c.height())) {
            for (int32_t y = sw.y0; before(y, sw.y1, sw.sy); y += sw.sy) {
                for (int32_t x = sw.x0; before(x, sw.x1, sw.sx); x += sw.sx) {
                    const int32_t bx = vertical ? x : x + sw.sx;
                    const int32_t by = vertical ? y + sw.sy : y;
                    double w = 0;
                    if (weight(x, y, bx, by, sw.sx, sw.sy, w)) pull(c, x, y, bx, by, w);
                }
            }
        }
    }
}

}  // namespace

void value_blur(engine::EngineState& s, const Rgba32Pair& p) {
    s.filters.inPlace = 1;
    Canvas c(s, p);
    const double q1 = s.filters.q[0], q2 = s.filters.q[1];
    pull_sweeps(c, [&](int32_t x, int32_t y, int32_t bx, int32_t by, int32_t, int32_t, double& w) {
        const int32_t la = c.lum(x, y), lb = c.lum(bx, by);
        if (la - lb > 2) {
            w = q1;
            return true;
        }
        if (lb - la > 2) {
            w = q2;
            return true;
        }
        return false;
    });
}

void anti_alias(engine::EngineState& s, const Rgba32Pair& p) {
    s.filters.inPlace = 1;
    Canvas c(s, p);
    const auto& q = s.filters.q;
    const double down = (1.0 - q[2]) * 255.0, up = (1.0 - q[3]) * 255.0;
    pull_sweeps(c, [&](int32_t x, int32_t y, int32_t bx, int32_t by, int32_t sx, int32_t sy, double& w) {
        const int32_t l0 = c.lum(x, y), l1 = c.lum(bx, by), ld = c.lum(x + sx, y + sy);
        if (l0 - l1 > down) {
            w = q[0];
            return ld >= l0;
        }
        if (l1 - l0 > up) {
            w = q[1];
            return ld <= l0;
        }
        return false;
    });
}

void adaptive_blur(engine::EngineState& s, const Rgba32Pair& p) {
    Canvas c(s, p);
    const auto& q = s.filters.q;
    const double t = (1.0 - q[0]) * 255.0;
    for (int32_t y = 1; y < c.height() - 1; ++y) {
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

void detail_blur(engine::EngineState& s, const Rgba32Pair& p) {
    Canvas c(s, p);
    const double threshold = s.filters.q[0] * 255.0;
    for (int32_t y = 1; y < c.height() - 1; ++y) {
        for (int32_t x = 1; x < c.width() - 1; ++x) {
            const int32_t m = c.mean_lum3x3(x, y);
            if (!(std::abs(c.lum(x, y) - m) > threshold)) continue;
            int32_t sum[4] = {};
            for (int32_t dy = -1; dy <= 1; ++dy)
                for (int32_t dx = -1; dx <= 1; ++dx)
                    for (int ch = 0; ch < 4; ++ch) sum[ch] += c.at(x + dx, y + dy)[ch];
            for (int ch = 0; ch < 4; ++ch) c.put(x, y, ch, trunc_int(sum[ch] * (1.0 / 9.0)));
        }
    }
}

}  // namespace imaging::filters
