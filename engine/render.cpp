#include "engine/render.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/blend.h"
#include "engine/blend_modes.h"
#include "engine/pixels.h"
#include "engine/simd4.h"
#include "platform/parallel.h"
#include "engine/trace.h"

namespace compositor {

namespace {

using engine::EngineState;
using engine::LayerSlot;

// One entry of the layer list: a visible layer, or the paint layer.
struct Entry {
    const uint16_t* pixels;
    int32_t mode;
    uint32_t opacity;
    bool visible;
};

// The layers to composite, bottom first: every visible slot 1..63 with
// pixels except Texturize3 layers (they feed the brush texture), and the
// paint layer right after the current layer, even a hidden one.
struct LayerList {
    std::array<Entry, engine::kLayerCount> entries;
    int32_t count = 0;
    bool background_first = false;  // slot 1 was added, so it is entry 0

    void add(const uint16_t* pixels, const LayerSlot& slot) {
        entries[count++] = Entry{pixels, slot.mode, slot.opacity, slot.visible != 0};
    }

    // True when the background comes first and leaves no pixel transparent:
    // its alpha counts as whole, so an opacity above 0 under a mode without
    // a pre-step or a texturize rule gives every pixel some alpha, and no
    // later entry can take it away.
    bool covered_by_background() const {
        if (!background_first) return false;
        const Entry& b = entries[0];
        return b.opacity > 0 && (b.mode <= 16 || b.mode == 20);
    }

    // The mask of entry i: the next entry when it is a visible "Layer Mask" with pixels.
    const uint16_t* mask_of(int32_t i) const {
        if (i + 1 >= count) return nullptr;
        const Entry& next = entries[i + 1];
        return next.mode == engine::kModeLayerMask && next.visible ? next.pixels : nullptr;
    }
};

void build_list(const EngineState& s, const uint16_t* current, LayerList& list) {
    const uint16_t* paint = engine::image_pixels(s, s.paintLayer);
    for (int32_t index = 1; index < engine::kLayerCount; ++index) {
        const LayerSlot& slot = s.layers[index];
        const uint16_t* pixels = engine::image_pixels(s, slot);
        if (pixels != nullptr && slot.visible && slot.mode != engine::kModeTexturize3) {
            list.add(pixels, slot);
            if (index == engine::kBackgroundLayer) list.background_first = true;
        }
        if (paint != nullptr && pixels == current) list.add(paint, s.paintLayer);
    }
}

enum class Zoom { OneToOne, Reduced, Enlarged };

// The display area: columns x0..x1 and rows y0..y1, and how they map to
// image pixels. A reduced view samples one image pixel per factor x factor
// block; an enlarged one repeats each image pixel factor times.
struct Area {
    int64_t x0, y0, x1, y1;
    Zoom zoom;
    int64_t factor;

    int64_t image_row(int64_t k) const {
        switch (zoom) {
            case Zoom::Reduced: return y0 + k * factor;
            case Zoom::Enlarged: return y0 + k / factor;
            case Zoom::OneToOne: break;
        }
        return y0 + k;
    }
};

// False when nothing is to be drawn. A zoom factor of 0 or below, which the
// view setters accept unchecked, draws nothing instead of dividing by it.
bool find_area(const EngineState& s, int64_t x, int64_t y, int64_t width, int64_t height, Area& a) {
    x = std::max<int64_t>(x, 0);
    y = std::max<int64_t>(y, 0);
    if (x + width > s.imageWidth) width = s.imageWidth - x;
    if (y + height > s.imageHeight) height = s.imageHeight - y;
    const int64_t num = s.scaleNumerator, den = s.scaleDenominator;
    a.x0 = x;
    a.y0 = y;
    if (num == den) {
        a.zoom = Zoom::OneToOne;
        a.factor = 1;
        a.x1 = x + width - 1;
        a.y1 = y + height - 1;
    } else if (num < den) {
        if (den <= 0) return false;
        a.zoom = Zoom::Reduced;
        a.factor = den;
        a.x1 = x + width / den - 1;
        a.y1 = y + height / den - 1;
    } else {
        if (num <= 0) return false;
        a.zoom = Zoom::Enlarged;
        a.factor = num;
        a.x1 = x + num * width - 1;
        a.y1 = y + num * height - 1;
    }
    a.x1 = std::min<int64_t>(a.x1, a.x0 + int64_t(s.viewWidth) - 1);
    a.y1 = std::min<int64_t>(a.y1, a.y0 + int64_t(s.viewHeight) - 1);
    return a.x0 <= a.x1 && a.y0 <= a.y1;
}

// What turns a composite into display bytes: the checkerboard under
// transparency and the mask overlay.
struct Display {
    const uint16_t* mask = nullptr;  // shown mask values, or null
    const uint16_t* colour1 = nullptr;
    const uint16_t* colour2 = nullptr;
    bool half_strength = false;
};

// White and light grey squares of 32 x 32.
inline bool even_square(int64_t cx, int64_t cy) { return (((cx >> 5) + (cy >> 5)) & 1) == 0; }

// A composite's colour over the checkerboard square at (cx, cy), where it
// is not opaque.
inline void over_checkerboard(uint32_t c[3], uint32_t alpha, int64_t cx, int64_t cy) {
    if (alpha >= 65535) return;
    const uint32_t g = even_square(cx, cy) ? 65535 : 40959;
    // alpha * c and (65535 - alpha) * g are below 2^32.
    for (int i = 0; i < 3; ++i) c[i] = (((alpha * c[i]) >> 8) + (((65535 - alpha) * g) >> 8)) >> 8;
}

// Writes one display pixel (blue, green, red) from a composite p at square
// position (cx, cy).
inline void put_pixel(uint8_t* out, const uint16_t* p, int64_t cx, int64_t cy) {
    uint32_t c[3] = {p[0], p[1], p[2]};
    over_checkerboard(c, p[3], cx, cy);
    out[0] = uint8_t(c[2] >> 8);
    out[1] = uint8_t(c[1] >> 8);
    out[2] = uint8_t(c[0] >> 8);
}

// The same with the mask overlay, for a mask value m of the pixel.
inline void put_masked_pixel(uint8_t* out, const uint16_t* p, int64_t cx, int64_t cy, const Display& d, uint32_t m) {
    if (m >= 65535) return put_pixel(out, p, cx, cy);
    uint32_t c[3] = {p[0], p[1], p[2]};
    over_checkerboard(c, p[3], cx, cy);
    if (d.half_strength) m = (m >> 1) + 32767;
    const uint16_t* colour = even_square(cx, cy) ? d.colour2 : d.colour1;
    for (int i = 0; i < 3; ++i) out[2 - i] = uint8_t((((m * c[i]) >> 8) + (((65535 - m) * colour[i]) >> 8)) >> 16);
}

// The layer list of one call, composited a span at a time.
struct Stack {
    const EngineState& s;
    LayerList list;
    const uint16_t* tracing = nullptr;  // the tracing layer when tracing mode shows it, else null

    Stack(const EngineState& state, const uint16_t* current) : s(state) {
        build_list(s, current, list);
        if (s.tracingMode) tracing = engine::image_pixels(s, s.layers[engine::kTracingLayer]);
    }

    // Composites `count` image pixels of row r from column c0 on, `step`
    // columns apart, into comp, with tracing mixed in (which leaves every
    // pixel as 16 bits). `next` is where the span composited next starts
    // (row * layerRowLength + column * 4), or negative when there is none.
    //
    // With `straight` given (one flag per group of four), whole groups
    // where the top entry alone shows (an opaque "Normal" layer over a
    // covered stack, no tracing) are flagged there and not composited: the
    // caller shows them straight from the top entry's pixels (top_pixels).
    // Tells whether none, some or all groups were so flagged.
    enum class Straight { None, Some, All };
    Straight composite(blend::Composite& comp, int64_t r, int64_t c0, int32_t count, int64_t step, int64_t next = -1,
                   bool* straight = nullptr) const {
        const int64_t offset = r * s.layerRowLength + c0 * 4;
        const int32_t values_step = int32_t(step * 4);
        if (list.count == 0) comp.clear(count);
        int8_t first_entry[blend::kSpan / 4];
        const bool skipping = list.covered_by_background() && find_first_entries(offset, count, values_step, first_entry);
        const Straight shown =
            straight != nullptr && skipping ? pick_straight_groups(count, first_entry, straight) : Straight::None;
        if (shown == Straight::All) return shown;
        for (int32_t i = 0; i < list.count; ++i) {
            const Entry& e = list.entries[i];
            blend::CompositeLayer layer;
            layer.pixels = e.pixels + offset;
            const uint16_t* mask = list.mask_of(i);
            layer.mask = mask != nullptr ? mask + offset : nullptr;
            layer.step = values_step;
            layer.mode = e.mode;
            layer.opacity = e.opacity;
            layer.base = i == 0 && list.background_first;
            layer.at_current_index = i == s.currentLayer;
            layer.below = i == 0                           ? blend::Below::Nothing
                          : list.covered_by_background() ? blend::Below::Covered
                                                         : blend::Below::Unknown;
            layer.first_entry = skipping ? first_entry : nullptr;
            layer.index = i;
            layer.ahead = next >= 0 ? e.pixels + next : nullptr;
            blend::composite_span(comp, count, layer);
        }
        if (tracing == nullptr) return shown;
        comp.to16(count);
        const uint16_t* t = tracing + offset;
        for (int32_t i = 0; i < count; ++i, t += values_step)
            for (int ch = 0; ch < 3; ++ch) comp.px[i][ch] = uint16_t((uint32_t(comp.px[i][ch]) + t[ch]) >> 1);
        return Straight::None;
    }

    // The top entry's pixel at (row r, column c).
    const uint16_t* top_pixels(int64_t r, int64_t c) const {
        return list.entries[list.count - 1].pixels + r * s.layerRowLength + c * 4;
    }

    // For each group of four pixels, the highest entry above the background
    // that is an unmasked "Normal" layer opaque at all four: nothing below it
    // shows there. Entry 1 is looked at only when it is the top entry:
    // skipping the background alone saves less than the look costs, but a
    // group shown straight from the top entry saves the whole composite.
    // False when no entry was looked at.
    bool find_first_entries(int64_t offset, int32_t count, int32_t values_step, int8_t* first_entry) const {
        std::fill(first_entry, first_entry + (count + 3) / 4, int8_t{0});
        bool any = false;
        const int32_t lowest = list.count == 2 ? 1 : 2;
        for (int32_t i = list.count - 1; i >= lowest; --i) {
            const Entry& e = list.entries[i];
            if (e.mode != engine::kModeNormal || list.mask_of(i) != nullptr) continue;
            any = true;
            if (blend::mark_opaque_groups(e.pixels + offset, values_step, count, e.opacity, i, first_entry) == 0) break;
        }
        return any;
    }

    // Flags the whole groups whose first entry is the top one and keeps
    // every entry off them (see composite).
    Straight pick_straight_groups(int32_t count, int8_t* first_entry, bool* straight) const {
        const int32_t groups = (count + 3) / 4;
        if (tracing != nullptr) return Straight::None;
        // Above every entry's position: no entry composites such a group.
        constexpr int8_t kNoEntry = engine::kLayerCount + 1;
        int32_t flagged = 0;
        for (int32_t g = 0; g < groups; ++g) {
            straight[g] = first_entry[g] == list.count - 1 && g * 4 + 4 <= count;
            if (straight[g]) first_entry[g] = kNoEntry;
            flagged += straight[g];
        }
        return flagged == 0 ? Straight::None : flagged == groups ? Straight::All : Straight::Some;
    }
};

struct Renderer {
    const Stack& stack;
    const Area& area;
    Display display;
    blend::Composite& comp;

    // count composites shown one to one (the squares follow image pixels),
    // the groups flagged in `straight` from the top entry's pixels.
    void put_row(uint8_t* out, int32_t count, int64_t c0, int64_t step, int64_t r, Stack::Straight shown,
                 const bool* straight) {
        if (shown == Stack::Straight::All) return put_straight(out, count, c0, step, r, straight);
        bool unwritten[blend::kSpan / 4];
        const bool left = comp.put_opaque_bgr(out, count, shown == Stack::Straight::Some ? straight : nullptr, unwritten);
        if (shown == Stack::Straight::Some) put_straight(out, count, c0, step, r, straight);
        if (!left) return;
        for (int32_t i = 0; i < count; i += 4) {
            if (!unwritten[i / 4]) continue;
            for (int32_t j = i; j < std::min(i + 4, count); ++j) put_pixel(out + j * 3, comp.px[j], c0 + j * step, r);
        }
    }

    // The flagged groups: the top entry's colour, opaque.
    void put_straight(uint8_t* out, int32_t count, int64_t c0, int64_t step, int64_t r, const bool* straight) const {
        const int32_t groups = count / 4;  // only whole groups are flagged
        const uint16_t* top = stack.top_pixels(r, c0);
        const int64_t values_step = step * 4;
        for (int32_t g = 0; g < groups; ++g) {
            if (!straight[g]) continue;
            const uint16_t* p = top + g * 4 * values_step;
            const simd::Quad q = step == 1 ? simd::load_quad(p) : simd::gather_quad(p, values_step, 4);
            // The next group's first bytes may be overwritten only when it is written after this one.
            simd::store_bgr(out + g * 12, q, g + 1 < groups && straight[g + 1]);
        }
    }

    // Where the span after the one of display row k that starts at image
    // pixel `first` (of `sources`) lies in the layers, or -1 after the last.
    int64_t next_span(int64_t k, int64_t first, int64_t sources, int64_t step) const {
        const int64_t row_length = stack.s.layerRowLength;
        if (first < sources) return area.image_row(k) * row_length + (area.x0 + first * step) * 4;
        if (k >= area.y1 - area.y0) return -1;
        return area.image_row(k + 1) * row_length + area.x0 * 4;
    }

    // Display row k: spans of image pixels, each composited once and shown
    // in `repeat` display pixels.
    void row(uint8_t* out, int64_t k) {
        const int64_t r = area.image_row(k);
        const int64_t columns = area.x1 - area.x0 + 1;  // display pixels of the row
        const int64_t step = area.zoom == Zoom::Reduced ? area.factor : 1;
        const int64_t repeat = area.zoom == Zoom::Enlarged ? area.factor : 1;
        const int64_t sources = (columns + repeat - 1) / repeat;  // image pixels of the row
        const uint16_t* mask_row = display.mask != nullptr ? display.mask + r * stack.s.imageWidth : nullptr;
        for (int64_t first = 0; first < sources; first += blend::kSpan) {
            const int32_t count = int32_t(std::min<int64_t>(blend::kSpan, sources - first));
            const int64_t c0 = area.x0 + first * step;
            const int64_t next = next_span(k, first + blend::kSpan, sources, step);
            uint8_t* o = out + first * repeat * 3;
            if (repeat == 1 && mask_row == nullptr) {
                bool straight[blend::kSpan / 4];
                put_row(o, count, c0, step, r, stack.composite(comp, r, c0, count, step, next, straight), straight);
                continue;
            }
            stack.composite(comp, r, c0, count, step, next);
            comp.to16(count);
            for (int32_t i = 0; i < count; ++i) {
                const int64_t c = c0 + i * step;
                const uint32_t m = mask_row != nullptr ? mask_row[c] : 65535;
                // Enlarged, the squares follow display pixels.
                const int64_t d0 = (first + i) * repeat;
                const int64_t d1 = std::min(d0 + repeat, columns);
                for (int64_t d = d0; d < d1; ++d) {
                    const int64_t cx = repeat > 1 ? area.x0 + d : c;
                    put_masked_pixel(out + d * 3, comp.px[i], cx, r, display, m);
                }
            }
        }
    }
};

// Display rows a band of the render claims at a time: enough to keep the
// layer rows it reads in order, few enough to even out the bands.
constexpr int64_t kRenderRowsClaimed = 8;

// Why find_area found nothing to draw.
[[gnu::cold]] void trace_empty_area(const EngineState& s, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!trace::enabled()) return;
    if (s.viewWidth <= 0 || s.viewHeight <= 0)
        return trace::skipped("PTE_Render", "nothing drawn: the view size is %d x %d (PTE_SetViewSize)", s.viewWidth,
                              s.viewHeight);
    const int32_t num = s.scaleNumerator, den = s.scaleDenominator;
    if ((num < den && den <= 0) || (num > den && num <= 0))
        return trace::skipped("PTE_Render", "nothing drawn: the zoom is %d/%d (PTE_SetScale takes two values above 0)",
                              num, den);
    trace::skipped("PTE_Render", "nothing drawn: %d x %d at (%d, %d) at zoom %d/%d covers no pixel of the %d x %d "
                   "image", width, height, x, y, num, den, s.imageWidth, s.imageHeight);
}

}  // namespace

void render_rect(const EngineState& s, uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t width,
                 int32_t height) {
    if (buffer == nullptr) return trace::skipped("PTE_Render", "no display buffer (null)");
    const uint16_t* current = s.currentSlot != nullptr ? engine::image_pixels(s, *s.currentSlot) : nullptr;
    if (current == nullptr) return trace::no_current_layer("PTE_Render", s);
    Area area;
    if (!find_area(s, x, y, width, height, area)) return trace_empty_area(s, x, y, width, height);

    const Stack stack(s, current);
    Display display;
    if (s.maskShown && s.maskActive) {
        display.mask = pixels::image_mask(s);
        display.colour1 = s.mask.displayColor1;
        display.colour2 = s.mask.displayColor2;
        display.half_strength = s.mask.displayStyle == 0;
    }
    // Display rows are independent: each run of them keeps a running
    // composite of its own. Layers are often empty in one part of the view
    // and full in another, so runs are claimed in turn.
    const int64_t rows = area.y1 - area.y0 + 1, columns = area.x1 - area.x0 + 1;
    const int64_t work_per_row = columns * std::max(stack.list.count, 1) * parallel::kBlendWork / 2;
    parallel::for_chunks(rows, kRenderRowsClaimed, work_per_row, [&](int64_t first, int64_t end) {
        blend::Composite comp;
        Renderer renderer{stack, area, display, comp};
        for (int64_t k = first; k < end; ++k) renderer.row(buffer + k * int64_t(stride), k);
    });
}

void composite_row(const EngineState& s, int32_t row, int32_t column, int32_t count, int32_t step, uint16_t* out) {
    if (out == nullptr || s.currentSlot == nullptr || count <= 0 || step <= 0) return;
    const uint16_t* current = engine::image_pixels(s, *s.currentSlot);
    if (current == nullptr || row < 0 || row >= s.imageHeight || column < 0 ||
        column + int64_t(count - 1) * step >= s.imageWidth)
        return;
    const Stack stack(s, current);
    blend::Composite comp;
    for (int32_t first = 0; first < count; first += blend::kSpan) {
        const int32_t n = std::min(blend::kSpan, count - first);
        stack.composite(comp, row, column + int64_t(first) * step, n, step);
        comp.to16(n);
        std::memcpy(out + int64_t(first) * 4, comp.px, size_t(n) * 8);
    }
}

}  // namespace compositor
