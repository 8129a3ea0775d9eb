// The blend step: how a source pixel is laid over a destination pixel under
// a blend mode, an opacity (0..256) and an optional mask layer.
//
// One step serves every user. Merges lay 16-bit pixels over 16-bit pixels
// (blend_span); the compositor lays each layer of the stack over a running
// composite that stays in floating point between layers (composite_span).
// Both run the same preparation of the source (mask weakening, opacity, the
// alpha pre-step of modes 21..40) and the same colour rules, tables of them
// indexed by mode, each rule written once over single-precision lanes and
// run four pixels at a time.
//
// Scales: colour is read as a fraction of 65280 (the 16-bit value of an
// 8-bit 255), alpha as a fraction of 65535; the colour rules run in single
// precision on premultiplied fractions, and results are written back as
// colour * 65280 and alpha * 65535, truncated.
#pragma once

#include <cstdint>

namespace blend {

// Pixels laid per pass; the compositor's running composite is this long.
inline constexpr int32_t kSpan = 512;

struct Params {
    int32_t mode = 0;       // 0..40; any other number lays as "Normal"
    uint32_t opacity = 256; // 0..256; larger values count as 256
    bool keepAlpha = false; // the destination's alpha is never written
};

// The blend step over n pixels: src[i] (weakened by mask[i] when mask is not
// null) laid over dst[i]. Source, mask and destination are packed RGBA64;
// src may be dst itself.
void blend_span(uint16_t* dst, const uint16_t* src, const uint16_t* mask, int32_t n, const Params& p);

// The compositor's running composite for up to kSpan pixels. A pixel holds
// either a 16-bit value (after a shortcut or while nothing was blended over
// it) or straight colour and alpha as fractions (after a colour rule ran),
// so that no truncation happens between layers.
struct Composite {
    alignas(16) uint16_t px[kSpan][4];  // the 16-bit value where is_float is clear
    // Straight colour as fractions of 65280 and alpha as a fraction of
    // 65535, where is_float is set.
    alignas(16) float r[kSpan];
    alignas(16) float g[kSpan];
    alignas(16) float b[kSpan];
    alignas(16) float a[kSpan];
    alignas(16) uint32_t is_float[kSpan];  // all bits set where the pixel holds fractions

    Composite();
    // Transparent: colour 0, alpha 0.
    void clear(int32_t n);
    // Every pixel as 16 bits in px: fractions are scaled and truncated.
    void to16(int32_t n);
    // Display bytes of the first n pixels: the high bytes of blue, green and
    // red, written four pixels at a time where all four are opaque as 16-bit
    // values (alpha 65535). Groups flagged in `shown` (one flag per group of
    // four, or null) are shown otherwise and neither read nor written, save
    // that their first 4 bytes may be overwritten: they are written after.
    // Every other group of four, and a last group of fewer, is left
    // unwritten, converted to 16 bits in px and flagged in `unwritten`.
    // True when any group was left.
    bool put_opaque_bgr(uint8_t* out, int32_t n, const bool* shown, bool* unwritten);
};

// What the composite holds where an entry is laid.
enum class Below : uint8_t {
    Unknown,  // anything
    Nothing,  // transparent everywhere: the entry is the first, and the composite need not be cleared for it
    Covered,  // no transparent pixel
};

// One entry of the compositor's layer list, over a span of pixels.
struct CompositeLayer {
    const uint16_t* pixels = nullptr;  // the span's first pixel
    const uint16_t* mask = nullptr;    // the mask layer's pixel at the same place, or null
    int32_t step = 4;                  // 16-bit values from one pixel to the next (also for mask)
    int32_t mode = 0;
    uint32_t opacity = 256;
    bool base = false;                 // the background at the bottom: its alpha counts as 65535
    bool at_current_index = false;     // its list position equals the current layer's index
    Below below = Below::Unknown;
    // Per group of four pixels, the first entry that counts (see
    // covers_opaque); groups whose first entry lies above `index` are left
    // alone. Null: every group counts.
    const int8_t* first_entry = nullptr;
    int32_t index = 0;                 // this entry's position in the list
    // The entry's first pixel of the span laid next, fetched into the cache
    // while this one is laid; null when there is none.
    const uint16_t* ahead = nullptr;
};

// Lays one entry over the first n (<= kSpan) pixels of the composite with
// the compositor's shortcuts: a transparent composite takes the source as
// it is, an opaque "Normal" source replaces it, Texturize3 counts as opaque
// only at the current index; everything else runs the colour rule.
void composite_span(Composite& p, int32_t n, const CompositeLayer& layer);

// Marks the groups of four of n pixels (`step` values apart) where entry
// `index`, an unmasked "Normal" layer, is opaque at every pixel at
// `opacity` ((alpha * opacity) >> 8 >= 65280), unless first_entry already
// names a group's entry. Over a composite that is not transparent such a
// source replaces whatever the entries below it made, so they need not be
// composited there. Called from the top entry down, it finds the highest.
// Returns how many groups are left unnamed.
int32_t mark_opaque_groups(const uint16_t* pixels, int32_t step, int32_t n, uint32_t opacity, int32_t index,
                           int8_t* first_entry);

}  // namespace blend
