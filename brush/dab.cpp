#include "brush/dab.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "brush/blend_buffer.h"
#include "brush/dab_arith.h"
#include "brush/paint_layer.h"
#include "brush/settings.h"
#include "brush/tip.h"
#include "engine/pixels.h"
#include "engine/trace.h"
#include "undo/history.h"

namespace brush {

using engine::EngineState;

namespace {

constexpr uint32_t kOpaque = 65535;
// Blob lock: alpha at or below this is thin paint, left alone.
constexpr uint32_t kThinAlpha = 8191;
// Blob lock: erasing never takes alpha below this.
constexpr uint32_t kBlobEraseFloor = 9215;
// Strengths, amounts and shares are weights out of 256.
constexpr int32_t kWeightOne = 256;

// The per-pixel helpers are forced inline into each pixel loop: the loop is
// instantiated once per mix kind, and a call per pixel would cost more than
// the arithmetic.
#define DAB_INLINE [[gnu::always_inline]] inline
// Channel loops are unrolled so that a pixel's channels live in registers.
#define DAB_UNROLL _Pragma("GCC unroll 4")

DAB_INLINE uint32_t clamp16(int64_t v) { return uint32_t(std::clamp<int64_t>(v, 0, kOpaque)); }
uint32_t weight(int32_t w) { return uint32_t(std::clamp(w, 0, kWeightOne)); }

struct Rgba {
    uint32_t c[4];
};

// Where a dab pixel samples the tip: the index in tipAlpha and in the grit
// pattern (row * T + column), negative outside the tip; and the index of
// the matching value in the blend buffer. A row's spots are a row part plus
// a column part.
struct Spot {
    int32_t tip;
    int32_t blend;
};

// A column part that keeps any row's spot negative: row parts stay below
// 1000 * 1000.
constexpr int32_t kNoTip = INT32_MIN / 2;

// The window of a dab on the image, x1 and y1 one past, and how many dab
// columns and rows the left and top edges clipped off.
struct Window {
    int32_t x0, y0, x1, y1;
    int32_t skipX, skipY;
};

Window dab_window(const EngineState& s, int32_t x, int32_t y, int32_t n) {
    // In 64 bits: a centre near the int32 limits must not wrap. The clipped
    // edges then fit 32 bits again.
    int64_t x0 = int64_t(x) - n / 2, y0 = int64_t(y) - n / 2;
    int64_t x1 = x0 + n, y1 = y0 + n;
    int64_t skipX = 0, skipY = 0;
    if (x0 < 0) skipX = -x0, x0 = 0;
    if (y0 < 0) skipY = -y0, y0 = 0;
    x1 = std::min<int64_t>(x1, s.imageWidth);
    y1 = std::min<int64_t>(y1, s.imageHeight);
    return {int32_t(x0), int32_t(y0), int32_t(x1), int32_t(y1), int32_t(std::min<int64_t>(skipX, n)),
            int32_t(std::min<int64_t>(skipY, n))};
}

// How the dab pixels of a row map onto the tip: unscaled or scaled by the
// sample table, shifted by a left clip, and optionally turned.
struct TipWalk {
    int32_t S = 0;  // tip edge
    int32_t T = 0;  // tip capacity: row length of the tip and grit patterns
    const int32_t* offsets = nullptr;
    int32_t tx0 = 0;  // tip column added by a left clip
    bool rotate = false;
    double sin = 0, cos = 0;
    int32_t blendRow = 0;   // blend-buffer values per tip row
    int32_t blendStep = 0;  // blend-buffer values per tip column

    Spot at(int32_t row, int32_t col) const { return {row * T + col, row * blendRow + col * blendStep}; }

    // The column part of every dab column's spot for an unturned dab; a
    // column at or past the tip's edge (a scaled tip clipped on the left
    // can reach it) has no tip there.
    void map_columns(Spot* cols, int32_t count) const {
        for (int32_t k = 0; k < count; ++k) {
            const int32_t col = tx0 + offsets[k];
            cols[k] = col < S ? Spot{col, col * blendStep} : Spot{kNoTip, 0};
        }
    }

    // Whole spots of a turned row: a turned position outside the tip takes
    // the unturned one.
    void map_turned_row(int32_t tipRow, Spot* spots, int32_t count) const {
        const int32_t half = S / 2;
        const double dy = tipRow - half;
        for (int32_t k = 0; k < count; ++k) {
            const int32_t col = tx0 + offsets[k];
            const double dx = col - half;
            const int32_t u = int32_t(dx * cos - dy * sin) + half;
            const int32_t v = int32_t(dx * sin + dy * cos) + half;
            if (u >= 0 && u < S && v >= 0 && v < S)
                spots[k] = at(v, u);
            else
                spots[k] = (col < S && tipRow < S) ? at(tipRow, col) : Spot{kNoTip, 0};
        }
    }
};

// A per-pixel variation: its amount and a random byte table read along the
// rows of the dab, from a random place chosen at a row's start.
class VaryTable {
public:
    // Off unless the amount is positive and the table can be started
    // anywhere in its first T bytes with a row of n bytes still inside it.
    void set(const RandomByteTable& table, int32_t amount, int32_t T, int32_t n) {
        const bool usable = amount > 0 && T > 0 && table.data && table.length >= int64_t(T) + n &&
                            table.data.size() >= size_t(table.length);
        amount_ = usable ? amount : 0;
        data_ = usable ? table.data.data() : nullptr;
        length_ = usable ? table.length : 0;
        pos_ = -1;
    }
    bool on() const { return amount_ > 0; }
    int32_t amount() const { return amount_; }
    void start_row(RandomGenerator& random, int32_t n, int32_t T) {
        if (!on()) return;
        if (pos_ < 0 || pos_ + n >= length_ - 1) pos_ = random.next() % T;
    }
    uint32_t next() { return uint32_t(data_[pos_++] % amount_); }

private:
    const uint8_t* data_ = nullptr;
    int64_t length_ = 0;
    int64_t pos_ = -1;
    int32_t amount_ = 0;
};

// Colour variation: ((P with its lowest bit cleared) - 2 * (byte mod P)) * 128.
// Amounts above 1024 shift every channel past the 16-bit range anyway, so
// they are held there to keep the product in 32 bits.
DAB_INLINE int32_t colour_shift(uint32_t byteModP, int32_t P) {
    return ((std::min(P, 1024) & ~1) - 2 * int32_t(byteModP)) * 128;
}

// Luminance variation: f = (128 - Q / 2 + (byte mod Q)) / 256 pulls a
// channel toward white above one half and toward black below.
template <class Real>
DAB_INLINE uint32_t shift_luminance(uint32_t v, uint32_t byteModQ, int32_t Q) {
    const Real f = Real(128 - (Q >> 1) + int64_t(byteModQ)) / Real(256);
    double out;
    if (f > Real(0.5))
        out = (65535.0 - v) * (2.0 * (double(f) - 0.5)) + v;
    else
        out = v - v * (2.0 * (0.5 - double(f)));
    return clamp16(trunc_to_int(out));
}

#if defined(__SSE2__)
namespace lanes {
struct Settings;
}
#endif

// Everything a dab needs that does not depend on the pixel, gathered once.
struct Dab {
    // Coverage.
    const uint16_t* tip = nullptr;
    const uint8_t* grit = nullptr;  // pattern in use; null without grit
    int32_t densityLimit = 0;
    uint32_t alphaScale = 128;  // (cov * alphaScale) >> 7: 128 leaves cov whole
    bool solid = false;
    const uint8_t* texture = nullptr;  // image-sized, or null
    const uint16_t* mask = nullptr;    // image-sized while it limits the dab, else null
    int32_t imageWidth = 0;

    // Source colour.
    Rgba base{};  // the dab colour (R0, G0, B0, A0); the mask value V in channel 0 for mask dabs
    bool blending = false;
    uint16_t* blend = nullptr;
    bool imageBrush = false;
    bool primary = false;
    uint32_t primaryRest = 0;
    Rgba primaryShare{};  // primaryStrength * the dab colour
    VaryTable colourVary, lumVary;

    // Compose and write.
    bool erase = false;
    bool remix = false;
    uint32_t strength = 0, strengthRest = 0;
    bool colourLocked = false, alphaWritable = false, blobLocked = false;
    uint32_t alphaLevel = 0;  // 0: write the computed alpha
    uint32_t mixAmount = 0, mixRest = 0, mixShift = 0;
    uint32_t bank[3][4] = {};  // [channel][bank]
    RandomGenerator* random = nullptr;

    // Destination: the layer or paint layer (RGBA64), or the mask (G16).
    uint16_t* dst = nullptr;
    size_t rowLength = 0;

    // How the dab's pixels meet the tip: turned, and (per dab, for an
    // unturned tip) whether a row's pixels sample consecutive tip columns.
    bool turned = false;
    bool tipRun = false;
    bool lanesOff = false;  // every pixel through the one-pixel loops
#if defined(__SSE2__)
    const lanes::Settings* lanes = nullptr;  // the settings as lanes, for the eight-pixel loops
#endif
};

// What coverage reads, copied out of the dab before a row so that the
// pixel loop keeps it in registers.
struct CoverageInputs {
    const uint16_t* tip;
    uint32_t alphaScale;
    const uint8_t* texture;
    const uint16_t* mask;
    bool solid;
    explicit CoverageInputs(const Dab& d)
        : tip(d.tip), alphaScale(d.alphaScale), texture(d.texture), mask(d.mask), solid(d.solid) {}
};

template <bool General>
DAB_INLINE uint32_t coverage(const CoverageInputs& in, int32_t tipIndex, size_t imageIndex) {
    uint32_t cov = (uint32_t(in.tip[tipIndex]) * in.alphaScale) >> 7;
    if (General && in.texture != nullptr) {
        const uint32_t t = in.texture[imageIndex];
        if (t < 255) cov = (t * cov) >> 8;
    }
    if (in.mask != nullptr) {
        const uint32_t m = in.mask[imageIndex];
        if (m < kOpaque) cov = (m * cov) >> 16;
    }
    if (General && cov != 0 && in.solid) cov = kOpaque;
    return cov;
}

// Picked-up colour with the primary colour's share.
DAB_INLINE Rgba picked_up(const Dab& d, const Spot& spot) {
    const uint16_t* b = d.blend + spot.blend;
    Rgba s{{b[0], b[1], b[2], b[3]}};
    if (d.primary) {
        DAB_UNROLL
        for (int c = 0; c < 4; ++c) s.c[c] = std::min(kOpaque, (d.primaryRest * s.c[c] + d.primaryShare.c[c]) >> 8);
    }
    return s;
}

// The colour a pixel paints: picked-up colour when blending, else the dab
// colour; with the per-pixel variations and the primary colour's share. An
// image brush lets the picked-up alpha shape the coverage.
DAB_INLINE Rgba source(Dab& d, const Spot& spot, uint32_t& cov) {
    Rgba s;
    if (d.blending) {
        const uint16_t* b = d.blend + spot.blend;
        s = {{b[0], b[1], b[2], b[3]}};
        if (d.imageBrush && s.c[3] < kOpaque) {
            cov = std::max(1u, (cov * s.c[3]) >> 16);
            s.c[3] = kOpaque;
        }
        if (d.colourVary.on()) {
            const int32_t delta = colour_shift(d.colourVary.next(), d.colourVary.amount());
            DAB_UNROLL
            for (int c = 0; c < 3; ++c) s.c[c] = clamp16(int64_t(s.c[c]) + delta);
        }
        if (d.lumVary.on()) {
            const uint32_t b8 = d.lumVary.next();
            DAB_UNROLL
            for (int c = 0; c < 3; ++c) s.c[c] = shift_luminance<double>(s.c[c], b8, d.lumVary.amount());
        }
        if (d.primary) {
            DAB_UNROLL
            for (int c = 0; c < 4; ++c) s.c[c] = std::min(kOpaque, (d.primaryRest * s.c[c] + d.primaryShare.c[c]) >> 8);
        }
        return s;
    }
    s = d.base;
    if (d.colourVary.on()) {
        const int32_t delta = colour_shift(d.colourVary.next(), d.colourVary.amount());
        DAB_UNROLL
        for (int c = 0; c < 4; ++c) s.c[c] = clamp16(int64_t(d.base.c[c]) + delta);
    }
    if (d.lumVary.on()) {
        // Taken from the dab colour: a colour shift of the colour is lost, its shift of alpha stays.
        const uint32_t b8 = d.lumVary.next();
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) s.c[c] = shift_luminance<double>(d.base.c[c], b8, d.lumVary.amount());
    }
    return s;
}

using arith::div65535;
using arith::scale_by;
using arith::scale_for;

// What a compose gives: the output pixel and the reference colour D that
// the remix feeds back.
struct Composed {
    Rgba o;
    uint32_t D[3];
};

// Kinds 33 and below: a transparent destination takes the source as it is
// (and D = 0); otherwise D is the destination's colour.
DAB_INLINE bool onto_transparent(const Rgba& s, const uint16_t* p, uint32_t cov, Composed& r) {
    if (p[3] == 0) {
        r.o = {{s.c[0], s.c[1], s.c[2], (cov * s.c[3]) >> 16}};
        r.D[0] = r.D[1] = r.D[2] = 0;
        return true;
    }
    DAB_UNROLL
    for (int c = 0; c < 3; ++c) r.D[c] = p[c];
    return false;
}

// An erasing dab of kind 33 or below thins the alpha and keeps the colour.
DAB_INLINE Composed thinned(Composed& r, uint32_t cov, uint32_t dA) {
    r.o = {{r.D[0], r.D[1], r.D[2], ((kOpaque - cov) * dA) >> 16}};
    return r;
}

// Mix kind 32: source over straight colour; with blending, a plain mix of
// picked-up colour and destination weighted by coverage.
struct Over {
    DAB_INLINE static Composed compose(const Dab&, bool blending, bool erase, Rgba& s, const uint16_t* p,
                                       uint32_t cov) {
        Composed r;
        const uint32_t dA = p[3];
        if (onto_transparent(s, p, cov, r)) return r;
        if (blending) {
            // i * dA fits 32 bits: i <= 65535 because cov >= 1.
            const uint32_t i = 65536 - cov;
            r.o.c[3] = (((i * dA) >> 8) + ((cov * s.c[3]) >> 8)) >> 8;
            DAB_UNROLL
            for (int c = 0; c < 3; ++c)
                r.o.c[c] = s.c[3] == 0 ? r.D[c] : (((i * r.D[c]) >> 8) + ((cov * s.c[c]) >> 8)) >> 8;
            return r;
        }
        if (erase) return thinned(r, cov, dA);
        const uint32_t a = s.c[3] == kOpaque ? cov : div65535(cov * s.c[3]);
        const uint32_t oA = dA + div65535((kOpaque - dA) * a);
        r.o.c[3] = oA;
        const double scale = scale_for(oA);
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) {
            // The sum never exceeds oA, so the scaled value stays within 16 bits.
            const uint32_t sum = div65535(((r.D[c] * dA) >> 16) * (kOpaque - a)) + ((a * s.c[c]) >> 16);
            r.o.c[c] = oA == kOpaque ? sum : scale_by(sum, scale);
        }
        return r;
    }
};

// Mix kinds 33 and below other than 32: multiply.
struct Multiply {
    DAB_INLINE static Composed compose(const Dab&, bool, bool erase, Rgba& s, const uint16_t* p, uint32_t cov) {
        Composed r;
        const uint32_t dA = p[3];
        if (onto_transparent(s, p, cov, r)) return r;
        if (erase) return thinned(r, cov, dA);
        const uint64_t a = cov * s.c[3] / kOpaque;
        const uint64_t oA = a * (kOpaque - dA) / kOpaque + dA;
        r.o.c[3] = uint32_t(oA);
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) {
            const uint64_t pc = (uint64_t(r.D[c]) * dA) >> 16;
            const uint64_t qc = (a * s.c[c]) >> 16;
            const uint64_t sum = (kOpaque - a) * pc / kOpaque + (kOpaque - dA) * qc / kOpaque + pc * qc / kOpaque;
            r.o.c[c] = uint32_t(std::min<uint64_t>(kOpaque, sum * kOpaque / oA));
        }
        return r;
    }
};

// ((M' * s) >> 4 + (M * X) >> 4) >> 4: the mixed colour X weighed against the source.
DAB_INLINE uint32_t weigh(const Dab& d, uint32_t s, uint32_t x) { return (((d.mixRest * s) >> 4) + ((d.mixAmount * x) >> 4)) >> 4; }

DAB_INLINE uint32_t luminance(const Rgba& s) { return (s.c[0] + s.c[1] + s.c[2]) / 3; }

// The mixing kinds (above 33). Each Kind::mix sets the output colour o
// (and may keep the destination: o = D, oA = dA) before the coverage step.
template <class Kind>
struct Mixing {
    DAB_INLINE static Composed compose(const Dab& d, bool, bool erase, Rgba& s, const uint16_t* p, uint32_t cov) {
        Composed r;
        const uint32_t dA = p[3];
        if (dA == 0) {
            DAB_UNROLL
            for (int c = 0; c < 3; ++c) r.D[c] = s.c[c];
        } else if (dA < kOpaque) {
            // A thin destination is pulled toward the source.
            const uint32_t g = std::min(kOpaque, (((kOpaque - dA) * cov) >> 16) * 3);
            DAB_UNROLL
            for (int c = 0; c < 3; ++c) r.D[c] = (((g * s.c[c]) >> 8) + (((kOpaque - g) * p[c]) >> 8)) >> 8;
        } else {
            DAB_UNROLL
            for (int c = 0; c < 3; ++c) r.D[c] = p[c];
        }
        if (erase) s.c[3] = 0;
        r.o.c[3] = s.c[3];
        Kind::mix(d, s, r.D, r.o, dA);
        if (cov < kOpaque) {
            const uint32_t i = 65536 - cov;
            DAB_UNROLL
            for (int c = 0; c < 3; ++c)
                r.o.c[c] = std::min(kOpaque, ((((cov * r.o.c[c]) >> 8) + ((i * r.D[c]) >> 8)) >> 8) + 1);
            r.o.c[3] = (((r.o.c[3] * cov) >> 8) + ((i * dA) >> 8)) >> 8;
        }
        return r;
    }
};

DAB_INLINE void keep_destination(const uint32_t (&D)[3], Rgba& o, uint32_t dA) {
    DAB_UNROLL
    for (int c = 0; c < 3; ++c) o.c[c] = D[c];
    o.c[3] = dA;
}

DAB_INLINE void mix_with(const Dab& d, const Rgba& s, const uint32_t (&x)[3], Rgba& o) {
    DAB_UNROLL
    for (int c = 0; c < 3; ++c) o.c[c] = weigh(d, s.c[c], x[c]);
}

DAB_INLINE void mix_with_bank(const Dab& d, const Rgba& s, int bank, Rgba& o) {
    DAB_UNROLL
    for (int c = 0; c < 3; ++c) o.c[c] = weigh(d, s.c[c], d.bank[c][bank]);
}

DAB_INLINE void mix_with_source(const Dab& d, const Rgba& s, Rgba& o) {
    DAB_UNROLL
    for (int c = 0; c < 3; ++c) o.c[c] = weigh(d, s.c[c], s.c[c]);
}

using ChannelMix = uint32_t (*)(uint32_t D, uint32_t s);

template <ChannelMix F>
struct PerChannel {
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&D)[3], Rgba& o, uint32_t) {
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) o.c[c] = weigh(d, s.c[c], F(D[c], s.c[c]));
    }
};

uint32_t screen(uint32_t D, uint32_t s) { return kOpaque - (((kOpaque - D) * (kOpaque - s)) >> 16); }
uint32_t darken(uint32_t D, uint32_t s) { return std::min(D, s); }
uint32_t lighten(uint32_t D, uint32_t s) { return std::max(D, s); }
uint32_t difference(uint32_t D, uint32_t s) { return D > s ? D - s : s - D; }
uint32_t negation(uint32_t D, uint32_t s) {
    const int64_t t = int64_t(kOpaque) - D - s;
    return uint32_t(kOpaque - (t < 0 ? -t : t));
}
uint32_t exclusion(uint32_t D, uint32_t s) { return clamp16(int64_t(D) + s - ((D * s) >> 15)); }
uint32_t overlay(uint32_t D, uint32_t s) {
    return D < 32767 ? (D * s) >> 15 : kOpaque - (((kOpaque - D) * (kOpaque - s)) >> 15);
}
uint32_t hard_light(uint32_t D, uint32_t s) {
    return s < 32767 ? (D * s) >> 15 : kOpaque - (((kOpaque - D) * (kOpaque - s)) >> 15);
}
uint32_t soft_light(uint32_t D, uint32_t s) {
    const double a = s / 65535.0;
    const double b = static_cast<float>(D / 65535.0);
    const double r = a < 0.5 ? b * (2 * a + (1 - 2 * a) * b) : std::sqrt(b) * (2 * a - 1) + 2 * b * (1 - a);
    return clamp16(trunc_to_int(r * 65535.0));
}
uint32_t colour_dodge(uint32_t D, uint32_t s) {
    return s == kOpaque ? kOpaque : std::min(kOpaque, D * 65536u / (kOpaque - s));
}
uint32_t colour_burn(uint32_t D, uint32_t s) {
    return s == 0 ? 0 : clamp16(int64_t(kOpaque) - int64_t(kOpaque - D) * 65536 / s);
}
uint32_t reflect(uint32_t D, uint32_t s) { return s == kOpaque ? kOpaque : std::min(kOpaque, D * D / (kOpaque - s)); }
uint32_t glow(uint32_t D, uint32_t s) { return D == kOpaque ? kOpaque : std::min(kOpaque, s * s / (kOpaque - D)); }
uint32_t add(uint32_t D, uint32_t s) { return std::min(kOpaque, D + s); }
uint32_t linear_burn(uint32_t D, uint32_t s) { return D + s > kOpaque ? D + s - kOpaque : 0; }
uint32_t four_levels(uint32_t, uint32_t s) { return s < 10922 ? 0 : s < 32767 ? 21845 : s < 54613 ? 43690 : 65535; }
uint32_t three_levels(uint32_t, uint32_t s) { return s < 21845 ? 0 : s < 43690 ? 32767 : 65535; }

// Bank kinds: the source's luminance L picks a bank colour, the reference,
// the source itself, or keeps the destination.
struct BankHalves {  // 249
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&)[3], Rgba& o, uint32_t) {
        mix_with_bank(d, s, luminance(s) < 32767 ? 0 : 1, o);
    }
};
struct BankThirds {  // 250
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&)[3], Rgba& o, uint32_t) {
        const uint32_t L = luminance(s);
        mix_with_bank(d, s, L < 21845 ? 0 : L < 43690 ? 1 : 2, o);
    }
};
struct BankQuarters {  // 251
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&)[3], Rgba& o, uint32_t) {
        const uint32_t L = luminance(s);
        mix_with_bank(d, s, L < 16383 ? 0 : L < 32767 ? 1 : L < 49151 ? 2 : 3, o);
    }
};
struct BankGradient {  // 252: banks 0 -> 1 -> 2 along L
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&)[3], Rgba& o, uint32_t) {
        const uint32_t L = luminance(s);
        const bool low = L < 32767;
        const uint32_t t = low ? (2 * L) >> 8 : (2 * L - 65534) >> 8;
        const int from = low ? 0 : 1;
        uint32_t x[3];
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) x[c] = (d.bank[c][from] * (256 - t) + d.bank[c][from + 1] * t) >> 8;
        mix_with(d, s, x, o);
    }
};
template <bool Dark>
struct BankOrReference {  // 253 (dark sources take bank 0), 254 (light ones)
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&D)[3], Rgba& o, uint32_t) {
        d.random->next();
        const uint32_t L = luminance(s);
        if (Dark ? L < 32767 : L > 32767)
            mix_with_bank(d, s, 0, o);
        else
            mix_with(d, s, D, o);
    }
};
struct BankEnds {  // 255
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&)[3], Rgba& o, uint32_t) {
        const uint32_t L = luminance(s);
        if (L < 20479)
            mix_with_bank(d, s, 0, o);
        else if (L > 49151)
            mix_with_bank(d, s, 1, o);
        else
            mix_with_source(d, s, o);
    }
};
template <uint32_t Below, uint32_t Above>  // 256..258: paint only inside a luminance band
struct Band {
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&D)[3], Rgba& o, uint32_t dA) {
        const uint32_t L = luminance(s);
        if (L < Below || L > Above)
            keep_destination(D, o, dA);
        else
            mix_with_source(d, s, o);
    }
};
struct DarkBank {  // 259
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&D)[3], Rgba& o, uint32_t dA) {
        if (luminance(s) > 12287)
            keep_destination(D, o, dA);
        else
            mix_with_bank(d, s, 0, o);
    }
};
struct LightBank {  // 260
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&D)[3], Rgba& o, uint32_t dA) {
        if (luminance(s) >= 57343)
            mix_with_bank(d, s, 0, o);
        else
            keep_destination(D, o, dA);
    }
};
struct Posterize {  // 295: the low mixShift bits cleared, without the amount
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&)[3], Rgba& o, uint32_t) {
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) o.c[c] = (s.c[c] >> d.mixShift) << d.mixShift;
    }
};
struct MidGrey {  // 340: mid grey over mid grey, alpha from the source's luminance
    DAB_INLINE static void mix(const Dab&, const Rgba& s, uint32_t (&D)[3], Rgba& o, uint32_t) {
        const uint32_t L = luminance(s);
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) o.c[c] = D[c] = 32767;
        o.c[3] = L;
    }
};
struct SourceOnly {  // kinds without a rule of their own: X = s
    DAB_INLINE static void mix(const Dab& d, const Rgba& s, uint32_t (&)[3], Rgba& o, uint32_t) { mix_with_source(d, s, o); }
};

// Feeds the painted pixel back into the blend buffer.
DAB_INLINE void remix(const Dab& d, uint16_t* b, const Rgba& s, const uint32_t (&D)[3], uint32_t dA) {
    if (s.c[3] == 0) {
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) b[c] = uint16_t(D[c]);
        b[3] = uint16_t(std::min(kOpaque, (d.strengthRest * dA) >> 8));
    } else if (dA == 0) {
        DAB_UNROLL
        for (int c = 0; c < 3; ++c) b[c] = uint16_t(s.c[c]);
        b[3] = uint16_t(std::min(kOpaque, (d.strength * s.c[3]) >> 8));
    } else {
        DAB_UNROLL
        for (int c = 0; c < 3; ++c)
            b[c] = uint16_t(std::min(kOpaque, ((d.strengthRest * D[c] + d.strength * s.c[c]) >> 8) + 1));
        b[3] = uint16_t(std::min(kOpaque, (d.strengthRest * dA + d.strength * s.c[3]) >> 8));
    }
}

DAB_INLINE void write_pixel(const Dab& d, uint16_t* p, const Rgba& o, uint32_t dA) {
    const uint32_t oA = o.c[3];
    if (d.erase) {
        if (!d.blobLocked)
            p[3] = uint16_t(oA);
        else if (dA > kThinAlpha)
            p[3] = uint16_t(std::max(oA, kBlobEraseFloor));
        return;
    }
    if (!d.colourLocked) {
        p[0] = uint16_t(o.c[0]);
        p[1] = uint16_t(o.c[1]);
        p[2] = uint16_t(o.c[2]);
    }
    if (!d.alphaWritable) return;
    if (d.blobLocked && (dA <= kThinAlpha || oA <= kThinAlpha)) return;
    p[3] = uint16_t(d.alphaLevel > 0 ? d.alphaLevel : oA);
}

// The pixel loops a dab can take. Most dabs need few of the settings: a
// plain dab (no grit, texture, solid mode, variation or pick-up, and a
// write of colour and alpha as computed) paints the dab colour itself,
// known before the loop; a plain blending dab paints picked-up colour.
// Everything else takes the general loop.
enum class Path { General, Plain, PlainBlend, Lanes, LanesBlend, LanesErase };

template <class Mix, Path P>
void paint_row(Dab& d, int32_t y, int32_t x0, Spot row, const Spot* cols, int32_t count) {
    constexpr bool general = P == Path::General;
    const size_t first = size_t(y) * size_t(d.imageWidth) + size_t(x0);
    uint16_t* out = d.dst + size_t(y) * d.rowLength + size_t(x0) * 4;
    const bool blending = P == Path::PlainBlend || (general && d.blending);
    const bool remixing = P == Path::PlainBlend ? d.remix : general && d.remix;
    const Rgba base = d.base;
    const CoverageInputs inputs(d);
    for (int32_t k = 0; k < count; ++k, out += 4) {
        // The next row's pixels are brought in while this row is painted.
        if ((k & 7) == 0) __builtin_prefetch(out + d.rowLength, 1);
        const Spot spot{row.tip + cols[k].tip, row.blend + cols[k].blend};
        if (spot.tip < 0) continue;
        if (general && d.grit != nullptr && d.grit[spot.tip] > d.densityLimit) continue;
        uint32_t cov = coverage<general>(inputs, spot.tip, first + size_t(k));
        if (cov == 0) continue;
        Rgba s;
        if constexpr (P == Path::Plain)
            s = base;
        else if constexpr (P == Path::PlainBlend)
            s = picked_up(d, spot);
        else
            s = source(d, spot, cov);
        const uint32_t dA = out[3];
        const Composed r = Mix::compose(d, blending, general && d.erase, s, out, cov);
        if (remixing) remix(d, d.blend + spot.blend, s, r.D, dA);
        if constexpr (general) {
            write_pixel(d, out, r.o, dA);
        } else {
            DAB_UNROLL
            for (int c = 0; c < 4; ++c) out[c] = uint16_t(r.o.c[c]);
        }
    }
}

#if defined(__SSE2__)

// Eight pixels at a time, for source over (mix kind 32) when every pixel
// of a dab paints the same way: the dab colour, picked-up colour, or an
// erase, without a per-pixel variation or an image brush. A row's coverage
// is gathered first (grit, texture, mask and solid mode are settled there,
// 0 for a pixel the one-pixel loop skips), the row is trimmed to its
// covered run, and a pixel of coverage 0 keeps its values. Every step is
// the one-pixel arithmetic in 16-bit lanes (dab_arith.h): the same bits.
namespace lanes {

using namespace arith;

enum class Kind { Paint, Blend, Erase };

// The dab's settings as lanes, made once per dab.
struct Settings {
    // Coverage.
    bool scaled;
    V alphaScale;  // alphaScale * 512: (cov * alphaScale) >> 7 as a high half
    const uint8_t* texture;
    const uint16_t* mask;
    bool solid;
    const uint8_t* grit;
    bool gritSkipsAll;
    V densityLimit;
    bool shaped;  // coverage other than the tip's alone

    // Compose and write.
    V colour[4];
    bool opaque;  // the dab colour's alpha is 65535, so a = cov
    bool colourLocked, alphaWritable, blobLocked, levelled;
    bool plainWrite;  // colour and alpha written as computed
    V level;
    bool primary;
    V primaryRest;
    Weighed primaryShare[4];
    bool remix;
    V strength, strengthRest;

    explicit Settings(const Dab& d)
        : scaled(d.alphaScale < 128),
          alphaScale(splat(d.alphaScale << 9)),
          texture(d.texture),
          mask(d.mask),
          solid(d.solid),
          grit(d.grit),
          gritSkipsAll(d.densityLimit < 0),
          densityLimit(splat(uint32_t(std::clamp(d.densityLimit, 0, 255)))),
          shaped(grit != nullptr || texture != nullptr || mask != nullptr || solid || d.alphaScale != 128),
          opaque(d.base.c[3] == kOpaque),
          colourLocked(d.colourLocked),
          alphaWritable(d.alphaWritable),
          blobLocked(d.blobLocked),
          levelled(d.alphaLevel > 0),
          plainWrite(!colourLocked && alphaWritable && !blobLocked && !levelled),
          level(splat(d.alphaLevel)),
          primary(d.primary),
          primaryRest(splat(d.primaryRest)),
          remix(d.remix),
          strength(splat(d.strength)),
          strengthRest(splat(d.strengthRest)) {
        for (int c = 0; c < 4; ++c) {
            colour[c] = splat(d.base.c[c]);
            // primaryStrength * colour < 2^24: its whole part over 256 fits 16 bits.
            primaryShare[c] = {splat(d.primaryShare.c[c] >> 8), splat(d.primaryShare.c[c] & 255)};
        }
    }
};

// Source over the destination with the dab colour.
DAB_INLINE Pixels8 over(const Settings& c, const Pixels8& d, V cov) {
    const V clear = equal(d.a, zero());
    const V alphaOnClear = mul_hi(cov, c.colour[3]);
    if (every(clear)) return {c.colour[0], c.colour[1], c.colour[2], alphaOnClear};
    const V a = c.opaque ? cov : mul_div65535(cov, c.colour[3]);
    const V aRest = rest(a);
    const V oA = add16(d.a, mul_div65535(rest(d.a), a));
    const auto sum = [&](V dc, V sc) { return add16(mul_div65535(mul_hi(dc, d.a), aRest), mul_hi(a, sc)); };
    V r = sum(d.r, c.colour[0]), g = sum(d.g, c.colour[1]), b = sum(d.b, c.colour[2]);
    if (!every(equal(oA, all_ones()))) {
        const Scales scales = scales_for(oA);
        r = scale_by(r, scales);
        g = scale_by(g, scales);
        b = scale_by(b, scales);
    }
    if (none(clear)) return {r, g, b, oA};
    return {select(clear, c.colour[0], r), select(clear, c.colour[1], g), select(clear, c.colour[2], b),
            select(clear, alphaOnClear, oA)};
}

// Picked-up colour with the primary colour's share.
DAB_INLINE Pixels8 picked_up(const Settings& c, const Pixels8& s) {
    if (!c.primary) return s;
    const auto shared = [&](V v, int i) {
        return sum_over256_held(weighed(c.primaryRest, v), c.primaryShare[i], zero());
    };
    return {shared(s.r, 0), shared(s.g, 1), shared(s.b, 2), shared(s.a, 3)};
}

// Picked-up colour mixed into the destination by coverage.
DAB_INLINE Pixels8 over_picked_up(const Pixels8& d, const Pixels8& s, V cov) {
    const V coverRest = _mm_sub_epi16(zero(), cov);  // 65536 - cov, for cov >= 1
    Pixels8 o{mix_over256(coverRest, d.r, cov, s.r), mix_over256(coverRest, d.g, cov, s.g),
              mix_over256(coverRest, d.b, cov, s.b), mix_over256(coverRest, d.a, cov, s.a)};
    // Transparent picked-up colour leaves the destination's colour.
    const V sourceClear = equal(s.a, zero());
    if (!none(sourceClear)) {
        o.r = select(sourceClear, d.r, o.r);
        o.g = select(sourceClear, d.g, o.g);
        o.b = select(sourceClear, d.b, o.b);
    }
    // A transparent destination takes the picked-up colour as it is.
    const V clear = equal(d.a, zero());
    if (!none(clear)) {
        o = {select(clear, s.r, o.r), select(clear, s.g, o.g), select(clear, s.b, o.b),
             select(clear, mul_hi(cov, s.a), o.a)};
    }
    return o;
}

// The blend-buffer pixels the remix writes: transparent picked-up colour
// takes the reference colour (0 on a transparent destination), a
// transparent destination the picked-up colour.
DAB_INLINE Pixels8 remixed(const Settings& c, const Pixels8& d, const Pixels8& s) {
    const auto mixed = [&](V dc, V sc) {
        return sum_over256_held(weighed(c.strengthRest, dc), weighed(c.strength, sc), splat(1));
    };
    Pixels8 b{mixed(d.r, s.r), mixed(d.g, s.g), mixed(d.b, s.b),
              sum_over256_held(weighed(c.strengthRest, d.a), weighed(c.strength, s.a), zero())};
    const V clear = equal(d.a, zero()), sourceClear = equal(s.a, zero());
    if (!none(clear)) {
        b.r = select(clear, s.r, b.r);
        b.g = select(clear, s.g, b.g);
        b.b = select(clear, s.b, b.b);
    }
    if (!none(sourceClear)) {
        b.r = select(sourceClear, cleared(clear, d.r), b.r);
        b.g = select(sourceClear, cleared(clear, d.g), b.g);
        b.b = select(sourceClear, cleared(clear, d.b), b.b);
    }
    return b;
}

DAB_INLINE V erased_alpha(const Settings& c, V dA, V cov) {
    const V oA = mul_hi(rest(cov), dA);
    if (!c.blobLocked) return oA;
    return select(at_most(dA, kThinAlpha), dA, max_of(oA, splat(kBlobEraseFloor)));
}

DAB_INLINE Pixels8 kept(V keep, const Pixels8& old, const Pixels8& now) {
    if (none(keep)) return now;
    return {select(keep, old.r, now.r), select(keep, old.g, now.g), select(keep, old.b, now.b),
            select(keep, old.a, now.a)};
}

// The write rules of a painting dab: locks, the alpha level, the blob lock.
DAB_INLINE void write(const Settings& c, uint16_t* out, const Pixels8& d, Pixels8 o, V keep) {
    if (c.plainWrite) return store_pixels(out, kept(keep, d, o));
    if (c.colourLocked) o.r = d.r, o.g = d.g, o.b = d.b;
    if (!c.alphaWritable) {
        o.a = d.a;
    } else {
        V a = c.levelled ? c.level : o.a;
        if (c.blobLocked) a = select(either(at_most(d.a, kThinAlpha), at_most(o.a, kThinAlpha)), d.a, a);
        o.a = a;
    }
    store_pixels(out, kept(keep, d, o));
}

// Eight destination pixels with their coverage and, when blending, their
// picked-up colour (which the remix rewrites).
template <Kind K>
DAB_INLINE void paint_block(const Settings& c, uint16_t* out, const uint16_t* coverage, uint16_t* picked) {
    const V cov = load(coverage);
    const V keep = equal(cov, zero());
    if (every(keep)) return;
    const Pixels8 d = load_pixels(out);
    if constexpr (K == Kind::Erase) {
        Pixels8 o = d;
        o.a = select(keep, d.a, erased_alpha(c, d.a, cov));
        store_pixels(out, o);
    } else if constexpr (K == Kind::Paint) {
        write(c, out, d, over(c, d, cov), keep);
    } else {
        const Pixels8 held = load_pixels(picked);
        const Pixels8 s = picked_up(c, held);
        const Pixels8 o = over_picked_up(d, s, cov);
        if (c.remix) store_pixels(picked, kept(keep, held, remixed(c, d, s)));
        write(c, out, d, o, keep);
    }
}

DAB_INLINE V load_bytes(const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero());
}

// Coverage of eight pixels whose tip (and grit) positions run along a tip
// row, with the one-pixel steps: alpha scale, texture, mask, solid mode,
// and 0 where the grit skips the pixel.
DAB_INLINE V coverage8(const Settings& in, const uint16_t* tip, size_t tipIndex, size_t imageIndex) {
    V cov = load(tip + tipIndex);
    if (in.scaled) cov = mul_hi(cov, in.alphaScale);
    if (in.texture != nullptr) {
        const V t = load_bytes(in.texture + imageIndex);
        cov = select(equal(t, splat(255)), cov, weighed(t, cov).whole);
    }
    if (in.mask != nullptr) {
        const V m = load(in.mask + imageIndex);
        cov = select(equal(m, all_ones()), cov, mul_hi(m, cov));
    }
    if (in.solid) cov = rest(equal(cov, zero()));
    if (in.grit != nullptr) {
        const V passes = equal(_mm_subs_epu16(load_bytes(in.grit + tipIndex), in.densityLimit), zero());
        cov = in.gritSkipsAll ? zero() : _mm_and_si128(cov, passes);
    }
    return cov;
}

// The coverage of a row's pixels, 0 where a pixel is not painted: the tip
// row itself when nothing else shapes it, else gathered into `stage`.
DAB_INLINE const uint16_t* coverage_row(const Dab& d, Spot row, const Spot* cols, size_t first, int32_t count,
                                        uint16_t* stage) {
    if (d.tipRun && !d.lanes->shaped) return d.tip + row.tip + cols[0].tip;
    int32_t k = 0;
    if (d.tipRun) {
        const size_t tipStart = size_t(row.tip + cols[0].tip);
        for (; count - k >= 8; k += 8)
            store(stage + k, coverage8(*d.lanes, d.tip, tipStart + size_t(k), first + size_t(k)));
    }
    const CoverageInputs inputs(d);
    for (; k < count; ++k) {
        const int32_t spot = row.tip + cols[k].tip;
        const bool painted = spot >= 0 && (d.grit == nullptr || d.grit[spot] <= d.densityLimit);
        stage[k] = painted ? uint16_t(coverage<true>(inputs, spot, first + size_t(k))) : 0;
    }
    return stage;
}

// Fewer than eight RGBA64 pixels (or 16-bit values) in pieces of four, two
// and one, so that a row's tail costs no call.
DAB_INLINE void copy_tail_pixels(uint16_t* to, const uint16_t* from, int32_t count) {
    if (count & 4) {
        store(to, load(from));
        store(to + 8, load(from + 8));
        to += 16, from += 16;
    }
    if (count & 2) {
        store(to, load(from));
        to += 8, from += 8;
    }
    if (count & 1) std::memcpy(to, from, 8);
}

DAB_INLINE void copy_tail_values(uint16_t* to, const uint16_t* from, int32_t count) {
    if (count & 4) {
        std::memcpy(to, from, 8);
        to += 4, from += 4;
    }
    if (count & 2) {
        std::memcpy(to, from, 4);
        to += 2, from += 2;
    }
    if (count & 1) *to = *from;
}

// The run of a row from its first to its last covered pixel; false when
// no pixel is covered.
bool covered_run(const uint16_t* cov, int32_t count, int32_t& begin, int32_t& end) {
    begin = 0;
    for (; count - begin >= 8; begin += 8) {
        const uint32_t bare = uint32_t(_mm_movemask_epi8(equal(load(cov + begin), zero())));
        if (bare != 0xFFFF) {
            begin += __builtin_ctz(~bare) / 2;
            break;
        }
    }
    while (begin < count && cov[begin] == 0) ++begin;
    if (begin == count) return false;
    end = count;
    for (; end - begin >= 8; end -= 8) {
        const uint32_t bare = uint32_t(_mm_movemask_epi8(equal(load(cov + end - 8), zero())));
        if (bare != 0xFFFF) {
            end -= __builtin_clz(~bare << 16) / 2;
            break;
        }
    }
    while (cov[end - 1] == 0) --end;
    return true;
}

template <Kind K>
void paint_row(Dab& d, int32_t y, int32_t x0, Spot row, const Spot* cols, int32_t count) {
    constexpr bool blending = K == Kind::Blend;
    alignas(16) uint16_t coverageStage[kMaxSampleCount];
    const size_t first = size_t(y) * size_t(d.imageWidth) + size_t(x0);
    const uint16_t* cov = coverage_row(d, row, cols, first, count, coverageStage);
    int32_t begin, end;
    if (!covered_run(cov, count, begin, end)) return;

    // Picked-up colour: the blend buffer's row itself when the tip runs
    // along it, else a copy gathered here and written back after the row.
    alignas(16) uint16_t pickedStage[blending ? kMaxSampleCount * 4 : 1];
    uint16_t* picked = nullptr;
    if constexpr (blending) {
        if (d.tipRun) {
            picked = d.blend + row.blend + cols[0].blend;
        } else {
            for (int32_t k = begin; k < end; ++k)
                std::memcpy(pickedStage + 4 * k, d.blend + row.blend + cols[k].blend, 8);
            picked = pickedStage;
        }
    }
    const auto picked_at = [&](int32_t k) { return blending ? picked + 4 * k : nullptr; };

    const Settings& settings = *d.lanes;
    uint16_t* out = d.dst + size_t(y) * d.rowLength + size_t(x0) * 4;
    int32_t k = begin;
    for (; end - k >= 8; k += 8) {
        // The next row's pixels are brought in while this row is painted.
        __builtin_prefetch(out + 4 * k + d.rowLength, 1);
        paint_block<K>(settings, out + 4 * k, cov + k, picked_at(k));
    }
    if (k < end) {
        const int32_t left = end - k;
        alignas(16) uint16_t coverage[8] = {};
        copy_tail_values(coverage, cov + k, left);
        if (!blending && x0 + k + 8 <= d.imageWidth) {
            // Eight pixels of the image row in place: the uncovered ones are
            // written back as they were.
            paint_block<K>(settings, out + 4 * k, coverage, nullptr);
            return;
        }
        // The last pixels on a copy padded with uncovered ones.
        alignas(16) uint16_t pixels[32] = {}, pickedTail[32] = {};
        copy_tail_pixels(pixels, out + 4 * k, left);
        if (blending) copy_tail_pixels(pickedTail, picked_at(k), left);
        paint_block<K>(settings, pixels, coverage, pickedTail);
        copy_tail_pixels(out + 4 * k, pixels, left);
        if (blending && d.remix) copy_tail_pixels(picked_at(k), pickedTail, left);
    }
    if (blending && d.remix && !d.tipRun) {
        for (int32_t j = begin; j < end; ++j)
            if (cov[j] != 0) std::memcpy(d.blend + row.blend + cols[j].blend, pickedStage + 4 * j, 8);
    }
}

}  // namespace lanes

#endif

using RowPainter = void (*)(Dab&, int32_t y, int32_t x0, Spot row, const Spot* cols, int32_t count);

struct MixKind {
    int32_t kind;
    RowPainter paint;
};

// The mixing kinds (above 33) by number. The pixel loop is chosen once per dab.
constexpr MixKind kMixKinds[] = {
    {34, paint_row<Mixing<PerChannel<screen>>, Path::General>},
    {35, paint_row<Mixing<PerChannel<darken>>, Path::General>},
    {36, paint_row<Mixing<PerChannel<lighten>>, Path::General>},
    {37, paint_row<Mixing<PerChannel<difference>>, Path::General>},
    {38, paint_row<Mixing<PerChannel<negation>>, Path::General>},
    {39, paint_row<Mixing<PerChannel<exclusion>>, Path::General>},
    {40, paint_row<Mixing<PerChannel<overlay>>, Path::General>},
    {41, paint_row<Mixing<PerChannel<hard_light>>, Path::General>},
    {42, paint_row<Mixing<PerChannel<soft_light>>, Path::General>},
    {43, paint_row<Mixing<PerChannel<colour_dodge>>, Path::General>},
    {44, paint_row<Mixing<PerChannel<colour_burn>>, Path::General>},
    {45, paint_row<Mixing<PerChannel<reflect>>, Path::General>},
    {46, paint_row<Mixing<PerChannel<glow>>, Path::General>},
    {47, paint_row<Mixing<PerChannel<add>>, Path::General>},
    {48, paint_row<Mixing<PerChannel<linear_burn>>, Path::General>},
    {249, paint_row<Mixing<BankHalves>, Path::General>},
    {250, paint_row<Mixing<BankThirds>, Path::General>},
    {251, paint_row<Mixing<BankQuarters>, Path::General>},
    {252, paint_row<Mixing<BankGradient>, Path::General>},
    {253, paint_row<Mixing<BankOrReference<true>>, Path::General>},
    {254, paint_row<Mixing<BankOrReference<false>>, Path::General>},
    {255, paint_row<Mixing<BankEnds>, Path::General>},
    {256, paint_row<Mixing<Band<20479, 65535>>, Path::General>},
    {257, paint_row<Mixing<Band<0, 49151>>, Path::General>},
    {258, paint_row<Mixing<Band<20479, 49151>>, Path::General>},
    {259, paint_row<Mixing<DarkBank>, Path::General>},
    {260, paint_row<Mixing<LightBank>, Path::General>},
    {261, paint_row<Mixing<PerChannel<four_levels>>, Path::General>},
    {262, paint_row<Mixing<PerChannel<three_levels>>, Path::General>},
    {295, paint_row<Mixing<Posterize>, Path::General>},
    {340, paint_row<Mixing<MidGrey>, Path::General>},
};

RowPainter painter_for(int32_t kind, Path path) {
#if defined(__SSE2__)
    if (path == Path::Lanes) return lanes::paint_row<lanes::Kind::Paint>;
    if (path == Path::LanesBlend) return lanes::paint_row<lanes::Kind::Blend>;
    if (path == Path::LanesErase) return lanes::paint_row<lanes::Kind::Erase>;
#endif
    if (kind == kMixNormal) {
        if (path == Path::Plain) return paint_row<Over, Path::Plain>;
        if (path == Path::PlainBlend) return paint_row<Over, Path::PlainBlend>;
        return paint_row<Over, Path::General>;
    }
    if (kind <= 33) return path == Path::Plain ? paint_row<Multiply, Path::Plain> : paint_row<Multiply, Path::General>;
    for (const MixKind& m : kMixKinds)
        if (m.kind == kind) return m.paint;
    return paint_row<Mixing<SourceOnly>, Path::General>;
}

// The loop a dab can take with its settings. Source over without a
// per-pixel source takes the lanes, unless a blending dab is turned: turned
// pixels can share a tip position, and the remix of one must reach the
// next.
Path path_of(const Dab& d, [[maybe_unused]] int32_t kind) {
    const bool plainCoverage = d.grit == nullptr && d.texture == nullptr && !d.solid;
    const bool plainWrite = !d.erase && !d.colourLocked && d.alphaWritable && !d.blobLocked && d.alphaLevel == 0;
    const bool plainSource = !d.colourVary.on() && !d.lumVary.on() && !d.imageBrush;
#if defined(__SSE2__)
    if (kind == kMixNormal && plainSource && !d.lanesOff) {
        if (!d.blending) return d.erase ? Path::LanesErase : Path::Lanes;
        if (!d.erase && !d.turned) return Path::LanesBlend;
    }
#endif
    if (!plainCoverage || !plainWrite || !plainSource) return Path::General;
    return d.blending ? Path::PlainBlend : Path::Plain;
}

void paint_mask_row(Dab& d, int32_t y, int32_t x0, Spot row, const Spot* cols, int32_t count) {
    uint16_t* out = d.dst + size_t(y) * size_t(d.imageWidth) + size_t(x0);
    const size_t first = size_t(y) * size_t(d.imageWidth) + size_t(x0);
    const uint32_t V = d.base.c[0];
    const CoverageInputs inputs(d);
    for (int32_t k = 0; k < count; ++k) {
        const Spot spot{row.tip + cols[k].tip, row.blend + cols[k].blend};
        if (spot.tip < 0) continue;
        if (d.grit != nullptr && d.grit[spot.tip] > d.densityLimit) continue;
        const uint32_t cov = coverage<true>(inputs, spot.tip, first + size_t(k));
        if (cov == 0) continue;
        uint32_t s;
        if (d.blending) {
            s = d.blend[spot.blend];
            if (d.colourVary.on()) s = clamp16(int64_t(s) + colour_shift(d.colourVary.next(), d.colourVary.amount()));
            if (d.lumVary.on()) s = shift_luminance<float>(s, d.lumVary.next(), d.lumVary.amount());
            if (d.primary) s = std::min(kOpaque, (d.primaryRest * s + d.primaryShare.c[0]) >> 8);
        } else {
            s = V;
            if (d.colourVary.on()) s = clamp16(int64_t(V) + colour_shift(d.colourVary.next(), d.colourVary.amount()));
            if (d.lumVary.on()) s = shift_luminance<float>(V, d.lumVary.next(), d.lumVary.amount());
        }
        const uint32_t m = out[k];
        // (65536 - cov) * m fits 32 bits: cov >= 1.
        const uint32_t painted = ((((65536 - cov) * m) >> 8) + ((cov * s) >> 8)) >> 8;
        if (d.remix)
            d.blend[spot.blend] = uint16_t(std::min(kOpaque, ((d.strengthRest * m + d.strength * s) >> 8) + 1));
        out[k] = uint16_t(painted);
    }
}

// The grit pattern a dab reads, or null without grit. When the countdown
// has run out (or no pattern is in use, as after a new image) another
// pattern is drawn, never the one in use from its start, with a random
// start of 0..24 rows and columns.
const uint8_t* grit_pattern(EngineState& s) {
    BrushState& b = s.brush;
    if (b.gritBlock == 0 || !grit_patterns_ready(s)) return nullptr;
    const uintptr_t inUse = reinterpret_cast<uintptr_t>(b.currentTip);
    const uintptr_t maxStart = uintptr_t(kTipMargin - 1) * uintptr_t(s.tipSize) + (kTipMargin - 1);
    const bool valid = std::any_of(b.tipBuffers.begin(), b.tipBuffers.end(), [&](const auto& p) {
        const uintptr_t start = reinterpret_cast<uintptr_t>(p.data());
        return inUse >= start && inUse - start <= maxStart;
    });
    if (b.drawingCountdown < 1 || !valid) {
        uint8_t* chosen;
        do {
            chosen = b.tipBuffers[size_t(b.random.next() % kTipBufferCount)].data();
        } while (chosen == b.currentTip);
        const int32_t row = b.random.next() % kTipMargin;
        const int32_t col = b.random.next() % kTipMargin;
        b.currentTip = chosen + size_t(row) * size_t(s.tipSize) + size_t(col);
        b.drawingCountdown = b.drawingLength;
    }
    return b.currentTip;
}

// The settings both kinds of dab read the same way: coverage, variations,
// blending strengths.
void read_common(EngineState& s, Dab& d, int32_t n) {
    BrushState& b = s.brush;
    d.tip = b.tipAlpha.data();
    d.densityLimit = b.densityLimit;
    d.alphaScale = b.alphaPercent < 100 ? uint32_t(std::clamp(b.alphaScale, 0, 128)) : 128u;
    d.solid = b.solidBrushMode != 0;
    d.texture = b.texture.size() == engine::image_pixel_count(s) ? b.texture.data() : nullptr;
    d.imageWidth = s.imageWidth;
    d.blend = blend_buffer(s);
    d.blending = b.blendStrength != 0 && b.blendOffOnce == 0 && d.blend != nullptr;
    d.remix = d.blending && b.blendRemix != 0;
    d.strength = weight(b.blendStrength);
    d.strengthRest = weight(b.blendStrengthRest);
    d.primary = b.primaryStrength > 0;
    d.primaryRest = weight(b.primaryStrengthRest);
    d.colourVary.set(b.pixColorTable, b.pixColorVary, s.tipSize, n);
    d.lumVary.set(b.pixLumTable, b.pixLumVary, s.tipSize, n);
    d.random = &b.random;
}

// The random shift of a dab's colour: (colorVary / 2 - (draw mod colorVary)) * 256.
int64_t dab_colour_shift(BrushState& b) {
    if (b.colorVary <= 0) return 0;
    const int32_t r = b.random.next() % b.colorVary;
    return (int64_t(b.colorVary / 2) - r) * 256;
}

TipWalk tip_walk(const EngineState& s, int32_t S, const Window& w, int32_t blendRow, int32_t blendStep) {
    const BrushState& b = s.brush;
    TipWalk t;
    t.S = S;
    t.T = s.tipSize;
    t.offsets = b.sampleOffsets.data();
    // Only looked up when columns remain, and then skipX < n.
    t.tx0 = (w.skipX > 0 && w.x1 > w.x0) ? b.sampleOffsets[size_t(w.skipX)] : 0;
    t.rotate = b.rotateMode == 1;
    t.sin = b.rotateSin;
    t.cos = b.rotateCos;
    t.blendRow = blendRow;
    t.blendStep = blendStep;
    return t;
}

// Walks the rows of the window top to bottom: the table places of the
// variations are drawn at each row's start (colour first), then the row is
// painted left to right.
void paint_rows(Dab& d, const TipWalk& walk, const Window& w, int32_t n, RowPainter paint) {
    const int32_t count = std::max(0, w.x1 - w.x0);
    Spot spots[kMaxSampleCount];
    if (!walk.rotate) {
        walk.map_columns(spots, count);
        d.tipRun = count > 0 && spots[0].tip >= 0;
        for (int32_t k = 1; k < count && d.tipRun; ++k) d.tipRun = spots[k].tip == spots[0].tip + k;
    }
    for (int32_t y = w.y0, ty = w.skipY; y < w.y1; ++y, ++ty) {
        const int32_t tipRow = walk.offsets[ty];
        d.colourVary.start_row(*d.random, n, walk.T);
        d.lumVary.start_row(*d.random, n, walk.T);
        if (count == 0) continue;
        if (walk.rotate) {
            walk.map_turned_row(tipRow, spots, count);
            paint(d, y, w.x0, Spot{0, 0}, spots, count);
        } else if (tipRow < walk.S) {
            paint(d, y, w.x0, walk.at(tipRow, 0), spots, count);
        }
    }
}

// Why a dab can paint nothing: asked only when tracing is on.
[[gnu::cold]] void trace_idle_dab(const EngineState& s, const char* operation) {
    if (!tip_ready(s)) return trace::no_image(operation);
    trace::no_current_layer(operation, s);
}

// Why a dab that runs paints nothing, if it does not: the settings that
// leave every coverage at 0, or a window outside the image. The window
// comes by value: its address must not escape the dab's hot loops.
[[gnu::cold]] void trace_faint_dab(const EngineState& s, const char* operation, uint32_t alphaScale, int32_t n,
                                   bool outside, int32_t x, int32_t y) {
    const BrushState& b = s.brush;
    if (n <= 0) return trace::skipped(operation, "the brush size is %d (PTE_SetSize, before PTE_SetTool)", b.brushSize);
    if (alphaScale == 0)
        return trace::skipped(operation, "the brush alpha is %d %% (PTE_SetAlpha takes 1..100)", b.alphaPercent);
    if (!(b.tipStrength > 0))
        return trace::skipped(operation, "the tip is empty: tip strength %g (PTE_SetTool's first argument, 0..1)",
                              double(b.tipStrength));
    if (outside)
        trace::skipped(operation, "a dab at (%d, %d) lies wholly outside the %d x %d image", x, y, s.imageWidth,
                       s.imageHeight);
}

}  // namespace

void draw_dab(EngineState& s, int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue) {
    BrushState& b = s.brush;
    b.brushColor[0] = uint16_t(red & 0xFF00);
    b.brushColor[1] = uint16_t(green & 0xFF00);
    b.brushColor[2] = uint16_t(blue & 0xFF00);
    b.brushColor[3] = 65535;
    if (b.maskMakerOn) {
        draw_dab_mask(s, x, y);
        return;
    }
    uint16_t* paint = paint_pixels(s);
    uint16_t* layer = s.currentSlot != nullptr ? engine::image_pixels(s, *s.currentSlot) : nullptr;
    if (s.currentSlot == nullptr || (paint == nullptr && layer == nullptr) || !tip_ready(s))
        return trace_idle_dab(s, "PTE_DrawDabGrit");

    const int32_t S = tip_edge(s);
    const int32_t n = std::clamp(b.sampleCount, 0, S);
    Dab d;
    read_common(s, d, n);

    // The dab colour, varied once per dab; an erasing dab paints transparent white.
    const int64_t shift = dab_colour_shift(b);
    DAB_UNROLL
    for (int c = 0; c < 3; ++c) d.base.c[c] = clamp16(b.brushColor[c] + shift);
    d.base.c[3] = clamp16(kOpaque + shift);
    d.erase = b.eraseModeOn != 0;
    if (d.erase) d.base = {{kOpaque, kOpaque, kOpaque, 0}};

    d.grit = grit_pattern(s);
    const uint32_t primary = weight(b.primaryStrength);
    DAB_UNROLL
    for (int c = 0; c < 4; ++c) d.primaryShare.c[c] = primary * d.base.c[c];

    d.mask = s.maskActive ? pixels::image_mask(s) : nullptr;
    d.imageBrush = b.imageBrushMode != 0;
    d.colourLocked = b.colorLocked != 0;
    d.blobLocked = b.blobLocked != 0;
    d.alphaLevel = uint32_t(std::clamp(b.alphaLevel, 0, int32_t(kOpaque)));
    // The tracing layer and the background keep their alpha when painted
    // straight; a stroke in the paint layer always has its own.
    d.alphaWritable = paint != nullptr ||
                      (s.currentSlot->keepAlpha == 0 && b.alphaLocked == 0 && s.currentLayer > engine::kBackgroundLayer);
    d.mixAmount = weight(b.mixAmount);
    d.mixRest = weight(b.mixAmountRest);
    d.mixShift = uint32_t(b.mixShift) & 31;
    for (int i = 0; i < 4; ++i) {
        d.bank[0][i] = b.bankRed[i];
        d.bank[1][i] = b.bankGreen[i];
        d.bank[2][i] = b.bankBlue[i];
    }
    d.dst = paint != nullptr ? paint : layer;
    d.rowLength = size_t(s.layerRowLength);

    const Window w = dab_window(s, x, y, n);
    if (trace::enabled())
        trace_faint_dab(s, "PTE_DrawDabGrit", d.alphaScale, n, w.x0 >= w.x1 || w.y0 >= w.y1, x, y);
    undo::grow_dirty_rect(s, w.x0, w.y0, w.x1, w.y1);
    if (paint != nullptr) grow_changed_area(s.paintLayer, w.x0, w.y0, w.x1, w.y1);
    const TipWalk walk = tip_walk(s, S, w, 4 * s.tipSize, 4);
    d.turned = walk.rotate;
    d.lanesOff = b.dabLanesOff != 0;
    const Path path = path_of(d, b.mixKind);
#if defined(__SSE2__)
    std::optional<lanes::Settings> laneSettings;
    if (path == Path::Lanes || path == Path::LanesBlend || path == Path::LanesErase) d.lanes = &laneSettings.emplace(d);
#endif
    paint_rows(d, walk, w, n, painter_for(b.mixKind, path));

    b.blendOffOnce = b.maskMakerOn = b.eraseModeOn = 0;
}

void draw_dab_mask(EngineState& s, int32_t x, int32_t y) {
    BrushState& b = s.brush;
    uint16_t* mask = pixels::image_mask(s);
    if (mask == nullptr || !tip_ready(s)) {
        b.blendOffOnce = 0;
        return trace::no_image("PTE_DrawDabGritMask");
    }
    const int32_t S = tip_edge(s);
    const int32_t n = std::clamp(b.sampleCount, 0, S);
    Dab d;
    read_common(s, d, n);

    uint32_t V = mask_value_of(b.brushColor);
    V = clamp16(V + dab_colour_shift(b));
    if (b.eraseModeOn) V = kOpaque;
    d.base.c[0] = V;
    d.grit = grit_pattern(s);
    d.primaryShare.c[0] = weight(b.primaryStrength) * V;
    d.dst = mask;

    const Window w = dab_window(s, x, y, n);
    if (trace::enabled())
        trace_faint_dab(s, "PTE_DrawDabGritMask", d.alphaScale, n, w.x0 >= w.x1 || w.y0 >= w.y1, x, y);
    undo::grow_dirty_rect(s, w.x0, w.y0, w.x1, w.y1);
    // In the blend buffer a mask value sits at row * 4T + column.
    paint_rows(d, tip_walk(s, S, w, 4 * s.tipSize, 1), w, n, paint_mask_row);

    b.blendOffOnce = 0;
}

}  // namespace brush
