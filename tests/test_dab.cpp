// Dabs against a reference written from the rules: every step spelled out
// per pixel in 64-bit integers, its own random generator, run on copies of
// the buffers before the engine paints the same dab.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "support/engine_fixture.h"
#include "support/reference_random.h"
#include "undo/history.h"

namespace {

int64_t c16(int64_t v) { return v < 0 ? 0 : (v > 65535 ? 65535 : v); }

// What a dab may change.
struct Canvas {
    std::vector<uint16_t> dst, blend, mask;
    uint32_t rng = 0;
    const uint8_t* currentTip = nullptr;
    int32_t countdown = 0;
    std::array<int32_t, 4> dirty{}, changed{};
    bool operator==(const Canvas&) const = default;
};

engine::EngineState& E() { return engine::state(); }

bool has_paint_layer() { return E().paintLayer.has_pixels(); }

const uint16_t* destination() {
    return has_paint_layer() ? E().paintLayer.pixels.data() : E().currentSlot->pixels.data();
}

size_t image_values() { return size_t(E().imageWidth) * size_t(E().imageHeight); }

Canvas capture() {
    const engine::EngineState& e = E();
    Canvas c;
    c.dst.assign(destination(), destination() + image_values() * 4);
    c.blend.assign(e.brush.blendBuffer.data(), e.brush.blendBuffer.data() + e.brush.blendBuffer.size());
    c.mask.assign(e.mask.values.data(), e.mask.values.data() + e.mask.values.size());
    c.rng = e.brush.random.state;
    c.currentTip = e.brush.currentTip;
    c.countdown = e.brush.drawingCountdown;
    c.dirty = {e.undo.dirtyX0, e.undo.dirtyY0, e.undo.dirtyX1, e.undo.dirtyY1};
    c.changed = {e.paintLayer.changedLeft, e.paintLayer.changedTop, e.paintLayer.changedRight,
                 e.paintLayer.changedBottom};
    return c;
}

struct Px {
    int64_t c[4];
};

int64_t lum_shift(int64_t v, int64_t byte, int64_t Q) {
    const double f = double(128 - (Q >> 1) + byte % Q) / 256.0;
    const double r = f > 0.5 ? (65535.0 - v) * (2 * (f - 0.5)) + v : v - v * (2 * (0.5 - f));
    return c16(int64_t(r));
}

// Output and reference colour D of one pixel, every mix kind spelled out.
void compose(const brush::BrushState& b, bool blending, bool erase, int64_t cov, Px& s, const Px& d, Px& o,
             int64_t (&D)[3], Lcg& g) {
    const int kind = b.mixKind;
    const int64_t dA = d.c[3];
    if (kind <= 33) {
        if (dA == 0) {
            o = {{s.c[0], s.c[1], s.c[2], (cov * s.c[3]) >> 16}};
            D[0] = D[1] = D[2] = 0;
            return;
        }
        for (int c = 0; c < 3; ++c) D[c] = d.c[c];
        o = d;
        if (blending && kind == 32) {
            const int64_t i = 65536 - cov;
            o.c[3] = (((i * dA) >> 8) + ((cov * s.c[3]) >> 8)) >> 8;
            for (int c = 0; c < 3; ++c) o.c[c] = s.c[3] == 0 ? D[c] : (((i * D[c]) >> 8) + ((cov * s.c[c]) >> 8)) >> 8;
        } else if (erase) {
            o.c[3] = ((65535 - cov) * dA) >> 16;
        } else if (kind == 32) {
            const int64_t a = cov * s.c[3] / 65535;
            const int64_t oA = dA + (65535 - dA) * a / 65535;
            o.c[3] = oA;
            for (int c = 0; c < 3; ++c)
                o.c[c] = ((((D[c] * dA) >> 16) * (65535 - a)) / 65535 + ((a * s.c[c]) >> 16)) * 65535 / oA;
        } else {
            const int64_t a = cov * s.c[3] / 65535;
            const int64_t oA = a * (65535 - dA) / 65535 + dA;
            o.c[3] = oA;
            for (int c = 0; c < 3; ++c) {
                const int64_t p = (D[c] * dA) >> 16, q = (a * s.c[c]) >> 16;
                o.c[c] = ((65535 - a) * p / 65535 + (65535 - dA) * q / 65535 + p * q / 65535) * 65535 / oA;
            }
        }
        return;
    }
    if (dA == 0) {
        for (int c = 0; c < 3; ++c) D[c] = s.c[c];
    } else if (dA < 65535) {
        const int64_t gg = std::min<int64_t>(65535, (((65535 - dA) * cov) >> 16) * 3);
        for (int c = 0; c < 3; ++c) D[c] = (((gg * s.c[c]) >> 8) + (((65535 - gg) * d.c[c]) >> 8)) >> 8;
    } else {
        for (int c = 0; c < 3; ++c) D[c] = d.c[c];
    }
    if (erase) s.c[3] = 0;
    int64_t oA = s.c[3];
    const int64_t M = b.mixAmount, Mr = b.mixAmountRest;
    const int64_t L = (s.c[0] + s.c[1] + s.c[2]) / 3;
    const int64_t bank[4][3] = {{b.bankRed[0], b.bankGreen[0], b.bankBlue[0]},
                                {b.bankRed[1], b.bankGreen[1], b.bankBlue[1]},
                                {b.bankRed[2], b.bankGreen[2], b.bankBlue[2]},
                                {b.bankRed[3], b.bankGreen[3], b.bankBlue[3]}};
    int64_t X[3];
    bool keep = false, weighted = true;
    for (int c = 0; c < 3; ++c) X[c] = s.c[c];
    auto take_bank = [&](int i) { for (int c = 0; c < 3; ++c) X[c] = bank[i][c]; };
    auto take_D = [&] { for (int c = 0; c < 3; ++c) X[c] = D[c]; };
    for (int c = 0; c < 3; ++c) {
        const int64_t Dc = D[c], sc = s.c[c];
        switch (kind) {
            case 34: X[c] = 65535 - (((65535 - Dc) * (65535 - sc)) >> 16); break;
            case 35: X[c] = std::min(Dc, sc); break;
            case 36: X[c] = std::max(Dc, sc); break;
            case 37: X[c] = std::abs(Dc - sc); break;
            case 38: X[c] = 65535 - std::abs(65535 - Dc - sc); break;
            case 39: X[c] = Dc + sc - ((Dc * sc) >> 15); break;
            case 40: X[c] = Dc < 32767 ? (Dc * sc) >> 15 : 65535 - (((65535 - Dc) * (65535 - sc)) >> 15); break;
            case 41: X[c] = sc < 32767 ? (Dc * sc) >> 15 : 65535 - (((65535 - Dc) * (65535 - sc)) >> 15); break;
            case 42: {
                const double a = sc / 65535.0;
                const double bb = float(Dc / 65535.0);
                const double r = a < 0.5 ? bb * (2 * a + (1 - 2 * a) * bb) : std::sqrt(bb) * (2 * a - 1) + 2 * bb * (1 - a);
                X[c] = int64_t(r * 65535);
                break;
            }
            case 43: X[c] = sc == 65535 ? 65535 : std::min<int64_t>(65535, Dc * 65536 / (65535 - sc)); break;
            case 44: X[c] = sc == 0 ? 0 : std::max<int64_t>(0, 65535 - (65535 - Dc) * 65536 / sc); break;
            case 45: X[c] = sc == 65535 ? 65535 : std::min<int64_t>(65535, Dc * Dc / (65535 - sc)); break;
            case 46: X[c] = Dc == 65535 ? 65535 : std::min<int64_t>(65535, sc * sc / (65535 - Dc)); break;
            case 47: X[c] = std::min<int64_t>(65535, Dc + sc); break;
            case 48: X[c] = std::max<int64_t>(0, Dc + sc - 65535); break;
            case 261: X[c] = sc < 10922 ? 0 : sc < 32767 ? 21845 : sc < 54613 ? 43690 : 65535; break;
            case 262: X[c] = sc < 21845 ? 0 : sc < 43690 ? 32767 : 65535; break;
            default: break;
        }
    }
    switch (kind) {
        case 249: take_bank(L < 32767 ? 0 : 1); break;
        case 250: take_bank(L < 21845 ? 0 : L < 43690 ? 1 : 2); break;
        case 251: take_bank(L < 16383 ? 0 : L < 32767 ? 1 : L < 49151 ? 2 : 3); break;
        case 252:
            for (int c = 0; c < 3; ++c) {
                if (L < 32767) {
                    const int64_t t = (2 * L) >> 8;
                    X[c] = (bank[0][c] * (256 - t) + bank[1][c] * t) >> 8;
                } else {
                    const int64_t t = (2 * L - 65534) >> 8;
                    X[c] = (bank[1][c] * (256 - t) + bank[2][c] * t) >> 8;
                }
            }
            break;
        case 253: g.next(); if (L < 32767) take_bank(0); else take_D(); break;
        case 254: g.next(); if (L > 32767) take_bank(0); else take_D(); break;
        case 255: if (L < 20479) take_bank(0); else if (L > 49151) take_bank(1); break;
        case 256: keep = L < 20479; break;
        case 257: keep = L > 49151; break;
        case 258: keep = L < 20479 || L > 49151; break;
        case 259: if (L > 12287) keep = true; else take_bank(0); break;
        case 260: if (L >= 57343) take_bank(0); else keep = true; break;
        case 295:
            weighted = false;
            for (int c = 0; c < 3; ++c) o.c[c] = (s.c[c] >> (b.mixShift & 31)) << (b.mixShift & 31);
            break;
        case 340:
            weighted = false;
            for (int c = 0; c < 3; ++c) o.c[c] = D[c] = 32767;
            oA = L;
            break;
        default: break;
    }
    if (keep) {
        for (int c = 0; c < 3; ++c) o.c[c] = D[c];
        oA = dA;
    } else if (weighted) {
        for (int c = 0; c < 3; ++c) o.c[c] = (((Mr * s.c[c]) >> 4) + ((M * X[c]) >> 4)) >> 4;
    }
    if (cov < 65535) {
        const int64_t i = 65536 - cov;
        for (int c = 0; c < 3; ++c) o.c[c] = std::min<int64_t>(65535, ((((cov * o.c[c]) >> 8) + ((i * D[c]) >> 8)) >> 8) + 1);
        oA = (((oA * cov) >> 8) + ((i * dA) >> 8)) >> 8;
    }
    o.c[3] = oA;
}

// The dab as the rules state it, on copies of the buffers.
Canvas reference_dab(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue, bool maskDab = false) {
    const engine::EngineState& e = E();
    const brush::BrushState& b = e.brush;
    Canvas r = capture();
    Lcg g{b.random.state};
    const int64_t W = e.imageWidth, H = e.imageHeight, T = e.tipSize;
    const int64_t S = std::min<int64_t>(b.brushSize, T);
    const int64_t n = std::min<int64_t>(b.sampleCount, S);
    const int64_t bc[3] = {maskDab ? b.brushColor[0] : red & 0xFF00, maskDab ? b.brushColor[1] : green & 0xFF00,
                           maskDab ? b.brushColor[2] : blue & 0xFF00};
    const bool erase = b.eraseModeOn;

    // Dab colour (or mask value).
    Px base{{bc[0], bc[1], bc[2], 65535}};
    int64_t V = 0;
    if (maskDab) {
        const int64_t L = (bc[0] + bc[1] + bc[2]) / 3;
        V = L <= 255 ? 65535 : c16(65280 - L);
        if (b.colorVary > 0) V = c16(V + (b.colorVary / 2 - g.next() % b.colorVary) * 256);
        if (erase) V = 65535;
    } else {
        if (b.colorVary > 0) {
            const int64_t delta = (b.colorVary / 2 - g.next() % b.colorVary) * 256;
            for (int c = 0; c < 3; ++c) base.c[c] = c16(bc[c] + delta);
            base.c[3] = c16(65535 + delta);
        }
        if (erase) base = {{65535, 65535, 65535, 0}};
    }
    // Grit pattern.
    if (b.gritBlock != 0 && r.countdown < 1) {
        const uint8_t* chosen;
        do {
            chosen = b.tipBuffers[size_t(g.next() % 20)].data();
        } while (chosen == r.currentTip);
        const int64_t ro = g.next() % 25, co = g.next() % 25;
        r.currentTip = chosen + ro * T + co;
        r.countdown = b.drawingLength;
    }
    Px prim{};
    const int64_t PV = b.primaryStrength > 0 ? b.primaryStrength * V : 0;
    if (b.primaryStrength > 0)
        for (int c = 0; c < 4; ++c) prim.c[c] = b.primaryStrength * base.c[c];
    // Window.
    int64_t x0 = int64_t(x) - n / 2, y0 = int64_t(y) - n / 2, x1 = x0 + n, y1 = y0 + n, tx0 = 0, ty0 = 0;
    if (x0 < 0) {
        if (-x0 < n) tx0 = b.sampleOffsets[size_t(-x0)];
        x0 = 0;
    }
    if (y0 < 0) ty0 = -y0, y0 = 0;
    x1 = std::min(x1, W);
    y1 = std::min(y1, H);
    r.dirty = {int32_t(std::min<int64_t>(r.dirty[0], x0)), int32_t(std::min<int64_t>(r.dirty[1], y0)),
               int32_t(std::max<int64_t>(r.dirty[2], x1)), int32_t(std::max<int64_t>(r.dirty[3], y1))};
    if (!maskDab && has_paint_layer())
        r.changed = {int32_t(std::min<int64_t>(r.changed[0], x0)), int32_t(std::min<int64_t>(r.changed[1], y0)),
                     int32_t(std::max<int64_t>(r.changed[2], x1)), int32_t(std::max<int64_t>(r.changed[3], y1))};

    const uint16_t* tip = b.tipAlpha.data();
    const bool texture = bool(b.texture);
    const bool masked = !maskDab && e.maskActive;
    const bool blending = b.blendStrength != 0 && !b.blendOffOnce;
    const bool alphaWritable = has_paint_layer() || (e.currentSlot->keepAlpha == 0 && b.alphaLocked == 0 &&
                                                      e.currentLayer > 1);
    int64_t cpos = -1, lpos = -1;
    const int64_t clen = b.pixColorTable.length, llen = b.pixLumTable.length;
    for (int64_t yy = y0, ty = ty0; yy < y1; ++yy, ++ty) {
        const int64_t tipRow = b.sampleOffsets[size_t(ty)];
        if (b.pixColorVary > 0 && (cpos < 0 || cpos + n >= clen - 1)) cpos = g.next() % T;
        if (b.pixLumVary > 0 && (lpos < 0 || lpos + n >= llen - 1)) lpos = g.next() % T;
        for (int64_t xx = x0; xx < x1; ++xx) {
            const int64_t k = xx - x0;
            int64_t row = tipRow, col = tx0 + b.sampleOffsets[size_t(k)];
            if (b.rotateMode == 1) {
                const int64_t half = S / 2, dx = b.sampleOffsets[size_t(k)] - half + tx0, dy = tipRow - half;
                const int64_t u = int64_t(dx * double(b.rotateCos) - dy * double(b.rotateSin)) + half;
                const int64_t v = int64_t(dx * double(b.rotateSin) + dy * double(b.rotateCos)) + half;
                if (u >= 0 && u < S && v >= 0 && v < S) row = v, col = u;
            }
            if (row >= S || col >= S) continue;  // no tip there
            const int64_t ti = row * T + col;
            if (b.gritBlock != 0 && r.currentTip[ti] > b.densityLimit) continue;
            int64_t cov = tip[ti];
            if (b.alphaPercent < 100) cov = (cov * b.alphaScale) >> 7;
            const int64_t pi = yy * W + xx;
            if (texture && b.texture[size_t(pi)] < 255) cov = (b.texture[size_t(pi)] * cov) >> 8;
            if (masked && e.mask.values[size_t(pi)] < 65535) cov = (e.mask.values[size_t(pi)] * cov) >> 16;
            if (cov == 0) continue;
            if (b.solidBrushMode) cov = 65535;
            const int64_t P = b.pixColorVary, Q = b.pixLumVary;
            if (maskDab) {
                const int64_t bi = row * 4 * T + col;
                int64_t s;
                if (blending) {
                    s = r.blend[size_t(bi)];
                    if (P > 0) s = c16(s + ((P & ~int64_t(1)) - 2 * (b.pixColorTable.data[size_t(cpos++)] % P)) * 128);
                    if (Q > 0) s = lum_shift(s, b.pixLumTable.data[size_t(lpos++)], Q);
                    if (b.primaryStrength != 0) s = (b.primaryStrengthRest * s + PV) >> 8;
                } else {
                    s = V;
                    if (P > 0) s = c16(V + ((P & ~int64_t(1)) - 2 * (b.pixColorTable.data[size_t(cpos++)] % P)) * 128);
                    if (Q > 0) s = lum_shift(V, b.pixLumTable.data[size_t(lpos++)], Q);
                }
                const int64_t m = r.mask[size_t(pi)];
                if (blending && b.blendRemix)
                    r.blend[size_t(bi)] = uint16_t(std::min<int64_t>(65535, ((b.blendStrengthRest * m + b.blendStrength * s) >> 8) + 1));
                r.mask[size_t(pi)] = uint16_t(((((65536 - cov) * m) >> 8) + ((cov * s) >> 8)) >> 8);
                continue;
            }
            uint16_t* bp = r.blend.data() + row * 4 * T + col * 4;
            Px s;
            if (blending) {
                s = {{bp[0], bp[1], bp[2], bp[3]}};
                if (b.imageBrushMode && s.c[3] < 65535) {
                    cov = std::max<int64_t>(1, (cov * s.c[3]) >> 16);
                    s.c[3] = 65535;
                }
                if (P > 0) {
                    const int64_t delta = ((P & ~int64_t(1)) - 2 * (b.pixColorTable.data[size_t(cpos++)] % P)) * 128;
                    for (int c = 0; c < 3; ++c) s.c[c] = c16(s.c[c] + delta);
                }
                if (Q > 0) {
                    const int64_t byte = b.pixLumTable.data[size_t(lpos++)];
                    for (int c = 0; c < 3; ++c) s.c[c] = lum_shift(s.c[c], byte, Q);
                }
                if (b.primaryStrength != 0)
                    for (int c = 0; c < 4; ++c) s.c[c] = (b.primaryStrengthRest * s.c[c] + prim.c[c]) >> 8;
            } else {
                s = base;
                if (P > 0) {
                    const int64_t delta = ((P & ~int64_t(1)) - 2 * (b.pixColorTable.data[size_t(cpos++)] % P)) * 128;
                    for (int c = 0; c < 4; ++c) s.c[c] = c16(base.c[c] + delta);
                }
                if (Q > 0) {
                    const int64_t byte = b.pixLumTable.data[size_t(lpos++)];
                    for (int c = 0; c < 3; ++c) s.c[c] = lum_shift(base.c[c], byte, Q);
                }
            }
            uint16_t* dp = r.dst.data() + pi * 4;
            const Px d{{dp[0], dp[1], dp[2], dp[3]}};
            Px o{};
            int64_t D[3];
            compose(b, blending, erase, cov, s, d, o, D, g);
            if (blending && b.blendRemix) {
                const int64_t st = b.blendStrength, rest = b.blendStrengthRest;
                if (s.c[3] == 0) {
                    for (int c = 0; c < 3; ++c) bp[c] = uint16_t(D[c]);
                    bp[3] = uint16_t((rest * d.c[3]) >> 8);
                } else if (d.c[3] == 0) {
                    for (int c = 0; c < 3; ++c) bp[c] = uint16_t(s.c[c]);
                    bp[3] = uint16_t((st * s.c[3]) >> 8);
                } else {
                    for (int c = 0; c < 3; ++c) bp[c] = uint16_t(std::min<int64_t>(65535, ((rest * D[c] + st * s.c[c]) >> 8) + 1));
                    bp[3] = uint16_t((rest * d.c[3] + st * s.c[3]) >> 8);
                }
            }
            if (!erase) {
                if (!b.colorLocked)
                    for (int c = 0; c < 3; ++c) dp[c] = uint16_t(o.c[c]);
                if (alphaWritable && !(b.blobLocked && (d.c[3] <= 8191 || o.c[3] <= 8191)))
                    dp[3] = uint16_t(b.alphaLevel > 0 ? b.alphaLevel : o.c[3]);
            } else if (b.blobLocked) {
                if (d.c[3] > 8191) dp[3] = uint16_t(std::max<int64_t>(o.c[3], 9215));
            } else {
                dp[3] = uint16_t(o.c[3]);
            }
        }
    }
    r.rng = g.s;
    return r;
}

uint16_t pick16(std::mt19937& rng) {
    static const uint16_t edges[] = {0, 1, 255, 256, 8191, 8192, 32767, 32768, 65279, 65280, 65534, 65535};
    if (rng() % 2) return edges[rng() % std::size(edges)];
    return uint16_t(rng());
}

template <class T>
T pick(std::mt19937& rng, std::initializer_list<T> values) {
    return *(values.begin() + rng() % values.size());
}

class Dab : public EngineTest {
protected:
    // Sets up a random brush, image, destination and buffers from the seed;
    // wide scenes have rows of several eight-pixel runs.
    void random_scene(std::mt19937& rng, bool wide = false) {
        const int32_t W = int32_t(1 + rng() % (wide ? 100 : 40)), H = int32_t(1 + rng() % 30);
        const int32_t T = wide ? pick(rng, {16, 33, 64}) : pick(rng, {8, 16, 33});
        make_image(W, H, 2, T);
        const int32_t layer = pick(rng, {1, 2, 3});
        PTE_SetLayer(layer);
        PTE_SetLayerOptions(layer, 1, uint8_t(rng() % 4 == 0), 100, "Normal");
        PTE_SetLayer(layer == 2 ? 3 : 2);
        PTE_SetLayer(layer);
        if (rng() % 2) PTE_CreatePaintLayer(100, "Normal");

        PTE_SetRandomSeed(int32_t(rng()));
        PTE_SetSize(int32_t(1 + rng() % uint32_t(T)));
        if (rng() % 3 == 0) PTE_SetScaleSize(int32_t(1 + rng() % uint32_t(st().brush.brushSize)));
        const int32_t grit = pick(rng, {0, 0, 1, 2, 3, 5});
        PTE_SetTool(pick(rng, {1.0f, 0.5f, 0.8f}), grit, int32_t(rng() % 256), int32_t(rng() % 256),
                    uint8_t(rng()), pick(rng, {0, 0, 7, 40}), int32_t(rng() % 4), pick(rng, {0, 0, 100, 256, 1}),
                    pick(rng, {0, 0, 60}), uint8_t(rng() % 2), 0, uint8_t(rng() % 4 == 0), 0, "", "",
                    0);
        PTE_SetDensity(pick(rng, {256, 254, 200, 100}));
        PTE_SetMixMode(pick(rng, {32, 32, 0, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 249, 250,
                                  251, 252, 253, 254, 255, 256, 257, 258, 259, 260, 261, 262, 295, 340, 100}),
                       pick(rng, {0, 128, 256, 200, 255}));
        PTE_SetColorBanks(int32_t(rng()), int32_t(rng()), int32_t(rng()), int32_t(rng()), int32_t(rng()),
                          int32_t(rng()), int32_t(rng()), int32_t(rng()), int32_t(rng()), int32_t(rng()),
                          int32_t(rng()), int32_t(rng()));
        PTE_SetAlpha(pick(rng, {100, 100, 50, 33, 0}));
        PTE_SetAlphaLocked(rng() % 5 == 0);
        PTE_SetColorLocked(rng() % 8 == 0);
        PTE_SetBlobLocked(rng() % 5 == 0);
        PTE_SetAlphaLevel(pick(rng, {0, 0, 0, 30000}));
        PTE_SetImageBrushMode(rng() % 4 == 0);
        PTE_SetSolidBrushMode(rng() % 6 == 0);
        PTE_SetRotateBrushMode(pick(rng, {0, 0, 1, 2}), int32_t(rng() % 360));
        PTE_SetPixColorVary(pick(rng, {0, 0, 9, 300}));
        PTE_SetPixLumVary(pick(rng, {0, 0, 16, 120}));
        if (rng() % 6 == 0) PTE_TempDisableBlend();
        if (rng() % 6 == 0) PTE_SetEraseModeOn();

        for (size_t i = 0; i < st().brush.blendBuffer.size(); ++i) st().brush.blendBuffer[i] = pick16(rng);
        uint16_t* dst = const_cast<uint16_t*>(destination());
        for (size_t i = 0; i < image_values() * 4; ++i) dst[i] = pick16(rng);
        PTE_EnableMask(uint8_t(rng() % 2));
        for (size_t i = 0; i < image_values(); ++i) st().mask.values[i] = rng() % 3 ? 65535 : pick16(rng);
        if (rng() % 3 == 0) {
            ASSERT_TRUE(st().brush.texture.allocate(image_values()));
            for (size_t i = 0; i < image_values(); ++i) st().brush.texture[i] = uint8_t(4 + rng() % 247);
        }
    }
    // Mostly the settings of dabs that paint eight pixels at a time (source
    // over, no per-pixel variation, no image brush), and a destination with
    // runs of transparent, opaque and thin pixels.
    void lanes_scene(std::mt19937& rng) {
        random_scene(rng, true);
        if (rng() % 8 != 0) {
            PTE_SetMixMode(32, pick(rng, {0, 128, 256}));
            PTE_SetPixColorVary(0);
            PTE_SetPixLumVary(0);
            PTE_SetImageBrushMode(0);
        }
        if (rng() % 3 == 0) PTE_SetBlendPrimaryColorStrength(pick(rng, {1, 60, 255, 256}));
        if (rng() % 8 == 0) PTE_SetDensity(pick(rng, {-3, 0, 1, 300}));
        if (rng() % 2) {
            uint16_t* dst = const_cast<uint16_t*>(destination());
            for (size_t i = 0; i < image_values();) {
                const size_t run = 1 + rng() % 20;
                const uint16_t alpha = pick(rng, {uint16_t(0), uint16_t(65535), uint16_t(8191), pick16(rng)});
                for (size_t j = i; j < std::min(image_values(), i + run); ++j) dst[j * 4 + 3] = alpha;
                i += run;
            }
        }
        if (rng() % 3 == 0) {
            for (size_t i = 0; i < st().brush.blendBuffer.size(); i += 4)
                st().brush.blendBuffer[i + 3] = pick(rng, {uint16_t(0), uint16_t(65535), pick16(rng)});
        }
    }

    // Puts back what a dab changes, its one-dab flags included.
    static void restore(const Canvas& c, const std::array<uint8_t, 3>& flags) {
        engine::EngineState& e = E();
        std::copy(c.dst.begin(), c.dst.end(), const_cast<uint16_t*>(destination()));
        std::copy(c.blend.begin(), c.blend.end(), e.brush.blendBuffer.data());
        std::copy(c.mask.begin(), c.mask.end(), e.mask.values.data());
        e.brush.random.state = c.rng;
        e.brush.currentTip = const_cast<uint8_t*>(c.currentTip);
        e.brush.drawingCountdown = c.countdown;
        e.undo.dirtyX0 = c.dirty[0], e.undo.dirtyY0 = c.dirty[1];
        e.undo.dirtyX1 = c.dirty[2], e.undo.dirtyY1 = c.dirty[3];
        e.paintLayer.changedLeft = c.changed[0], e.paintLayer.changedTop = c.changed[1];
        e.paintLayer.changedRight = c.changed[2], e.paintLayer.changedBottom = c.changed[3];
        e.brush.eraseModeOn = flags[0], e.brush.blendOffOnce = flags[1], e.brush.maskMakerOn = flags[2];
    }

    // A dab anywhere around the image, in any colour.
    struct RandomDab {
        int32_t x, y, r, g, b;
    };
    static RandomDab random_dab(std::mt19937& rng) {
        const int32_t W = st().imageWidth, H = st().imageHeight, n = st().brush.sampleCount;
        const int32_t x = int32_t(rng() % uint32_t(W + 2 * n + 2)) - n - 1;
        const int32_t y = int32_t(rng() % uint32_t(H + 2 * n + 2)) - n - 1;
        const int32_t r = int32_t(rng() & 0xFFFF), g = int32_t(rng() & 0xFFFF), b = int32_t(rng() & 0xFFFF);
        return {x, y, r, g, b};
    }

    // Four dabs in each of `scenes` scenes that `make_scene` sets up, each
    // against the reference.
    template <class MakeScene>
    void dabs_match_the_reference(std::mt19937& rng, int scenes, MakeScene make_scene) {
        for (int scene = 0; scene < scenes; ++scene) {
            reset_engine();
            make_scene();
            for (int dab = 0; dab < 4; ++dab) {
                const auto [x, y, r, g, b] = random_dab(rng);
                const Canvas want = reference_dab(x, y, r, g, b);
                PTE_DrawDabGrit(x, y, r, g, b);
                const Canvas got = capture();
                ASSERT_TRUE(want.dst == got.dst)
                    << "scene " << scene << " dab " << dab << " kind " << st().brush.mixKind;
                ASSERT_TRUE(want.blend == got.blend) << "scene " << scene << " dab " << dab;
                ASSERT_EQ(want.rng, got.rng) << "scene " << scene << " dab " << dab;
                ASSERT_EQ(want.currentTip, got.currentTip) << "scene " << scene;
                ASSERT_EQ(want.countdown, got.countdown);
                ASSERT_EQ(want.dirty, got.dirty);
                ASSERT_EQ(want.changed, got.changed);
                EXPECT_EQ(st().brush.eraseModeOn, 0);
                EXPECT_EQ(st().brush.blendOffOnce, 0);
                PTE_DecDrawingLength();
            }
        }
    }
};

TEST_F(Dab, MatchesTheReferenceOverRandomScenes) {
    std::mt19937 rng(20240611);
    dabs_match_the_reference(rng, 400, [&] { random_scene(rng); });
}

TEST_F(Dab, EightPixelDabsMatchTheReference) {
    std::mt19937 rng(8080);
    dabs_match_the_reference(rng, 500, [&] { lanes_scene(rng); });
}

// The eight-pixel loops against the one-pixel loops on the same dabs, over
// every mix kind and setting: each dab is painted both ways from the same
// state.
TEST_F(Dab, EightPixelAndOnePixelLoopsGiveTheSameBits) {
    std::mt19937 rng(1966);
    for (int scene = 0; scene < 1500; ++scene) {
        reset_engine();
        if (scene % 2)
            lanes_scene(rng);
        else
            random_scene(rng, scene % 4 == 0);
        for (int dab = 0; dab < 4; ++dab) {
            const auto [x, y, r, g, b] = random_dab(rng);
            const Canvas before = capture();
            const std::array<uint8_t, 3> flags = {st().brush.eraseModeOn, st().brush.blendOffOnce,
                                                  st().brush.maskMakerOn};
            st().brush.dabLanesOff = 1;
            PTE_DrawDabGrit(x, y, r, g, b);
            const Canvas onePixel = capture();
            restore(before, flags);
            st().brush.dabLanesOff = 0;
            PTE_DrawDabGrit(x, y, r, g, b);
            const Canvas lanes = capture();
            ASSERT_TRUE(onePixel == lanes) << "scene " << scene << " dab " << dab << " kind " << st().brush.mixKind;
            PTE_DecDrawingLength();
        }
    }
}

// Rows of a thousand pixels: every staged row buffer at its capacity,
// unscaled, scaled, turned, with and without picked-up colour.
TEST_F(Dab, EightPixelRowsOfTheLargestBrushMatchTheReference) {
    std::mt19937 rng(31337);
    make_image(1024, 5, 2, 1000);
    PTE_SetLayer(2);
    PTE_SetSize(1000);
    PTE_SetTool(1.0f, 0, 0, 0, 80, 0, 0, 100, 50, 1, 0, 0, 0, "", "", 0);
    for (size_t i = 0; i < st().brush.blendBuffer.size(); ++i) st().brush.blendBuffer[i] = pick16(rng);
    uint16_t* dst = const_cast<uint16_t*>(destination());
    for (size_t i = 0; i < image_values() * 4; ++i) dst[i] = pick16(rng);
    for (size_t i = 0; i < image_values(); ++i) st().mask.values[i] = rng() % 3 ? 65535 : pick16(rng);
    struct Row {
        int32_t scale, turn, blend;
    };
    for (auto [scale, turn, blend] : {Row{0, 0, 0}, Row{0, 0, 100}, Row{999, 0, 100}, Row{700, 0, 0}, Row{0, 33, 0},
                                      Row{999, 90, 100}}) {
        PTE_SetSize(1000);
        if (scale > 0) PTE_SetScaleSize(scale);
        PTE_SetRotateBrushMode(turn > 0 ? 1 : 0, turn);
        PTE_SetBlendStrength(blend);
        for (int32_t x : {-600, -7, 500, 1023, 1500}) {
            const Canvas want = reference_dab(x, 2, 0x8000, 0x4000, 0x2000);
            PTE_DrawDabGrit(x, 2, 0x8000, 0x4000, 0x2000);
            const Canvas got = capture();
            ASSERT_TRUE(want.dst == got.dst) << scale << " " << turn << " " << blend << " at " << x;
            ASSERT_TRUE(want.blend == got.blend) << scale << " " << turn << " " << blend << " at " << x;
        }
    }
}

TEST_F(Dab, MaskDabsMatchTheReference) {
    std::mt19937 rng(777);
    for (int scene = 0; scene < 150; ++scene) {
        reset_engine();
        random_scene(rng);
        PTE_SetMaskMakerOn();
        if (rng() % 4 == 0) PTE_SetEraseModeOn();
        const bool erasing = st().brush.eraseModeOn != 0;
        for (int dab = 0; dab < 3; ++dab) {
            const auto [x, y, r, g, b] = random_dab(rng);
            st().brush.brushColor[0] = uint16_t(r & 0xFF00);
            st().brush.brushColor[1] = uint16_t(g & 0xFF00);
            st().brush.brushColor[2] = uint16_t(b & 0xFF00);
            const Canvas want = reference_dab(x, y, r, g, b, true);
            PTE_DrawDabGrit(x, y, r, g, b);
            const Canvas got = capture();
            ASSERT_TRUE(want.mask == got.mask) << "scene " << scene << " dab " << dab;
            ASSERT_TRUE(want.blend == got.blend) << "scene " << scene << " dab " << dab;
            ASSERT_TRUE(want.dst == got.dst) << "a mask dab leaves the layer alone";
            ASSERT_EQ(want.rng, got.rng);
            ASSERT_EQ(want.dirty, got.dirty);
            ASSERT_EQ(want.changed, got.changed) << "the paint layer's area is not touched";
            EXPECT_EQ(st().brush.maskMakerOn, 1) << "mask-maker mode stays on";
            EXPECT_EQ(st().brush.eraseModeOn, erasing ? 1 : 0);
        }
    }
}

// A plain opaque disc brush on a fresh image, the brush colour black.
class PlainDab : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        make_image(16, 16, 1, 16);
        PTE_SetSize(5);
        PTE_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
        PTE_SetAlpha(100);
    }
    static void fill(int32_t slot, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
        for (int32_t y = 0; y < 16; ++y)
            for (int32_t x = 0; x < 16; ++x) set_px(slot, x, y, r, g, b, a);
    }
};

TEST_F(PlainDab, ExactValuesAtTheBoundaries) {
    PTE_SetLayer(2);
    // Full coverage on a transparent pixel: alpha (65535 * 65535) >> 16, colour exact.
    PTE_DrawDabGrit(8, 8, 0x1234, 0xFF00, 0x0100);
    EXPECT_EQ(px(2, 8, 8, 3), 65534);
    EXPECT_EQ(px(2, 8, 8, 0), 0x1200);
    EXPECT_EQ(px(2, 8, 8, 1), 0xFF00);
    EXPECT_EQ(px(2, 8, 8, 2), 0x0100);
    // Source over an opaque pixel at full coverage: (65535 * s) >> 16 = s - 1.
    fill(2, 500, 500, 500, 65535);
    PTE_DrawDabGrit(8, 8, 0x0100, 0x8000, 0xFF00);
    EXPECT_EQ(px(2, 8, 8, 0), 0x00FF);
    EXPECT_EQ(px(2, 8, 8, 1), 0x7FFF);
    EXPECT_EQ(px(2, 8, 8, 2), 0xFEFF);
    EXPECT_EQ(px(2, 8, 8, 3), 65535);
}

TEST_F(PlainDab, WindowClipsAtEveryEdgeAndFarAway) {
    PTE_SetLayer(2);
    PTE_SetSize(11);
    for (int32_t y = 0; y < 11; ++y)
        for (int32_t x = 0; x < 11; ++x) st().brush.tipAlpha[size_t(y) * 16 + size_t(x)] = uint16_t(1000 + 100 * y + x);
    auto painted = [] {
        int count = 0;
        for (int32_t y = 0; y < 16; ++y)
            for (int32_t x = 0; x < 16; ++x) count += px(2, x, y, 3) != 0;
        return count;
    };
    // Centre (-5, -5): only pixel (0, 0) lies inside; it samples tip (10, 10).
    undo::reset_dirty_rect(st());
    PTE_DrawDabGrit(-5, -5, 0xFF00, 0, 0);
    EXPECT_EQ(painted(), 1);
    EXPECT_EQ(px(2, 0, 0, 3), (uint32_t(2010) * 65535) >> 16);
    // Centre (20, 18): the window's top-left corner (15, 13) samples tip (0, 0).
    PTE_DrawDabGrit(20, 18, 0xFF00, 0, 0);
    EXPECT_EQ(px(2, 15, 13, 3), (uint32_t(1000) * 65535) >> 16);
    EXPECT_EQ(painted(), 1 + 3);
    // Far outside, at the int32 limits: nothing painted, nothing overrun,
    // the rectangles stay inside the image, the flags still clear.
    for (auto [x, y] : {std::pair{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, 5}, {5, INT32_MAX},
                        {-1000000, 3}, {16 + 5, 3}, {3, -6}}) {
        PTE_SetEraseModeOn();
        PTE_DrawDabGrit(x, y, 0, 0, 0);
        EXPECT_EQ(st().brush.eraseModeOn, 0);
        PTE_DrawDabGrit(x, y, 0xFF00, 0, 0);
    }
    EXPECT_EQ(painted(), 4);
    EXPECT_EQ(st().undo.dirtyX0, 0);
    EXPECT_EQ(st().undo.dirtyY0, 0);
    EXPECT_EQ(st().undo.dirtyX1, 16);
    EXPECT_EQ(st().undo.dirtyY1, 16);
}

TEST_F(PlainDab, OneSampleDabPaintsItsCentre) {
    PTE_SetLayer(2);
    PTE_SetSize(7);
    PTE_SetBrushShape("", 0);
    PTE_SetScaleSize(1);
    ASSERT_EQ(st().brush.sampleOffsets[0], 3);
    PTE_DrawDabGrit(4, 9, 0xFF00, 0, 0);
    EXPECT_EQ(px(2, 4, 9, 3), (uint32_t(st().brush.tipAlpha[3 * 16 + 3]) * 65535) >> 16);
    EXPECT_EQ(px(2, 5, 9, 3), 0);
    EXPECT_EQ(px(2, 4, 10, 3), 0);
}

TEST_F(PlainDab, LocksEraseAndAlphaLevel) {
    // Straight into the background: colour changes, alpha never.
    fill(1, 0, 0, 0, 20000);
    PTE_SetLayer(1);
    PTE_DrawDabGrit(8, 8, 0xFF00, 0, 0);
    EXPECT_GT(px(1, 8, 8, 0), 0);
    EXPECT_EQ(px(1, 8, 8, 3), 20000);
    // Through the paint layer the alpha is the stroke's own.
    PTE_CreatePaintLayer(100, "Normal");
    PTE_DrawDabGrit(8, 8, 0xFF00, 0, 0);
    EXPECT_EQ(st().paintLayer.pixels[(8 * 16 + 8) * 4 + 3], 65534);
    PTE_DeletePaintLayer();

    // Erasing with full coverage: alpha 0, colour kept; only for one dab.
    PTE_SetLayer(2);
    fill(2, 1000, 2000, 3000, 65535);
    PTE_SetEraseModeOn();
    PTE_DrawDabGrit(8, 8, 0, 0, 0);
    EXPECT_EQ(px(2, 8, 8, 3), 0);
    EXPECT_EQ(px(2, 8, 8, 0), 1000);
    PTE_DrawDabGrit(8, 8, 0xFF00, 0, 0);
    EXPECT_EQ(px(2, 8, 8, 3), 65534) << "the second dab paints again";

    // Blob lock: erasing stops at 9215 and leaves thin paint alone.
    PTE_SetBlobLocked(1);
    fill(2, 0, 0, 0, 65535);
    set_px(2, 9, 8, 0, 0, 0, 8191);
    PTE_SetEraseModeOn();
    PTE_DrawDabGrit(8, 8, 0, 0, 0);
    EXPECT_EQ(px(2, 8, 8, 3), 9215);
    EXPECT_EQ(px(2, 9, 8, 3), 8191);
    PTE_SetBlobLocked(0);

    PTE_SetAlphaLevel(30000);
    fill(2, 0, 0, 0, 0);
    PTE_DrawDabGrit(8, 8, 0xFF00, 0, 0);
    for (int32_t x = 6; x <= 10; ++x) EXPECT_EQ(px(2, x, 8, 3), 30000) << x;
    PTE_SetAlphaLevel(0);

    PTE_SetColorLocked(1);
    PTE_SetAlphaLocked(1);
    fill(2, 7, 7, 7, 40000);
    PTE_DrawDabGrit(8, 8, 0xFF00, 0xFF00, 0xFF00);
    EXPECT_EQ(px(2, 8, 8, 0), 7);
    EXPECT_EQ(px(2, 8, 8, 3), 40000);
}

TEST_F(PlainDab, MixAmountWeighsSourceAgainstMixedColour) {
    PTE_SetLayer(2);
    struct Row { int32_t amount; uint16_t want; };
    // Darken of source 0x8000 over opaque 0x2000: amount 0 paints the source,
    // 256 the mixed colour (the darker one).
    for (auto [amount, want] : {Row{0, 0x8000}, Row{256, 0x2000}, Row{128, 0x5000}}) {
        fill(2, 0x2000, 0x2000, 0x2000, 65535);
        PTE_SetMixMode(35, amount);
        PTE_DrawDabGrit(8, 8, 0x8000, 0x8000, 0x8000);
        EXPECT_EQ(px(2, 8, 8, 0), want) << amount;
    }
}

TEST_F(PlainDab, MaskMakerPaintsDarkAsSelectedAndWhiteAsProtected) {
    PTE_SetMaskMakerOn();
    PTE_DrawDabGrit(8, 8, 0xFFFF, 0xFFFF, 0xFFFF);
    EXPECT_EQ(st().mask.values[8 * 16 + 8], 0) << "white: 65280 - 65280";
    PTE_DrawDabGrit(8, 8, 0, 0, 0);
    EXPECT_EQ(st().mask.values[8 * 16 + 8], 65534) << "black paints 65535 at full coverage";
    EXPECT_EQ(px(1, 8, 8, 0), 65535) << "the layer is untouched";
}

TEST_F(PlainDab, RotatedSamplesOutsideTheTipFallBackToTheUnturnedTip) {
    PTE_SetLayer(2);
    // A tip whose columns are numbered: turning by 90 degrees makes rows of it.
    PTE_SetSize(4);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) st().brush.tipAlpha[size_t(y) * 16 + size_t(x)] = uint16_t(1000 * (x + 1));
    PTE_SetRotateBrushMode(1, 90);
    PTE_DrawDabGrit(2, 2, 0xFF00, 0, 0);
    // half = 2; (dx, dy) = (k - 2, row - 2); u = trunc(dx cos - dy sin) + 2.
    for (int32_t row = 0; row < 4; ++row)
        for (int32_t k = 0; k < 4; ++k) {
            const double c = st().brush.rotateCos, s = st().brush.rotateSin;
            const int32_t dx = k - 2, dy = row - 2;
            int32_t u = int32_t(dx * c - dy * s) + 2;
            const int32_t v = int32_t(dx * s + dy * c) + 2;
            if (u < 0 || u >= 4 || v < 0 || v >= 4) u = k;
            EXPECT_EQ(px(2, k, row, 3), (uint32_t(1000 * (u + 1)) * 65535) >> 16) << k << "," << row;
        }
}

TEST_F(PlainDab, WithoutACurrentLayerNothingHappens) {
    st().currentSlot = nullptr;
    PTE_SetEraseModeOn();
    undo::reset_dirty_rect(st());
    PTE_DrawDabGrit(8, 8, 0, 0, 0);
    EXPECT_EQ(st().undo.dirtyX1, 0);
    EXPECT_EQ(px(1, 8, 8, 0), 65535);
}

TEST_F(PlainDab, TheLargestBrushClipsInsideEveryBuffer) {
    reset_engine();
    make_image(50, 40, 1, 1000);
    PTE_SetSize(5000);
    EXPECT_EQ(st().brush.brushSize, 1000) << "held to the sample table";
    PTE_SetTool(1.0f, 3, 200, 200, 80, 10, 1, 100, 50, 1, 0, 0, 0, "", "", 0);
    PTE_SetPixColorVary(9);
    PTE_SetPixLumVary(40);
    PTE_SetLayer(2);
    PTE_CreatePaintLayer(100, "Normal");
    // Scaled and clipped on the left: columns of the tip reach its edge.
    PTE_SetScaleSize(333);
    for (int32_t x : {-400, -160, 0, 25, 49, 210, 600})
        for (int32_t y : {-300, 0, 20, 39, 400}) PTE_DrawDabGrit(x, y, 0x8000, 0x4000, 0x2000);
    PTE_SetRotateBrushMode(1, 33);
    PTE_SetScaleSize(999);
    for (int32_t x : {-500, 25, 520}) PTE_DrawDabGrit(x, 20, 0x8000, 0x4000, 0x2000);
    EXPECT_GE(st().paintLayer.changedLeft, 0);
    EXPECT_LE(st().paintLayer.changedRight, 50);
    EXPECT_LE(st().paintLayer.changedBottom, 40);
}

}  // namespace
