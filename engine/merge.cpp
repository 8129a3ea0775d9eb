#include "engine/merge.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "brush/paint_layer.h"
#include "engine/blend_modes.h"
#include "engine/layers.h"
#include "engine/pixels.h"
#include "platform/parallel.h"
#include "engine/trace.h"

namespace merge {

using engine::EngineState;
using engine::LayerSlot;

Picture<uint16_t> image_picture(EngineState& s, LayerSlot& slot) {
    uint16_t* pixels = engine::image_pixels(s, slot);
    if (pixels == nullptr) return {};
    return {pixels, s.imageWidth, s.imageHeight, s.layerRowLength};
}

Picture<const uint16_t> image_picture(const EngineState& s, const LayerSlot& slot) {
    const uint16_t* pixels = engine::image_pixels(s, slot);
    if (pixels == nullptr) return {};
    return {pixels, s.imageWidth, s.imageHeight, s.layerRowLength};
}

namespace {

// A packed host buffer of width x height as a picture.
Picture<uint16_t> packed_picture(uint16_t* buffer, int32_t width, int32_t height) {
    if (buffer == nullptr || width <= 0 || height <= 0) return {};
    return {buffer, width, height, int64_t(width) * 4};
}

const LayerSlot* table_slot(const EngineState& s, int32_t index) {
    return engine::valid_layer_index(index) ? &s.layers[index] : nullptr;
}

// The blend settings of a layer merged as a whole: its mode and opacity; a
// merge of a layer or a stroke never keeps the destination's alpha.
blend::Params params_of(const LayerSlot& layer) { return {layer.mode, layer.opacity, false}; }

// Why a stroke's end merges nothing, if it does not.
[[gnu::cold]] void trace_unmerged_stroke(const EngineState& s, int32_t index) {
    const LayerSlot& paint = s.paintLayer;
    if (!engine::valid_layer_index(index) || engine::image_pixels(s, s.layers[index]) == nullptr)
        trace::no_layer("PTE_MergePaintLayer", s, index);
    else if (engine::image_pixels(s, paint) == nullptr)
        trace::skipped("PTE_MergePaintLayer", "no paint layer (PTE_CreatePaintLayer makes it)");
    else if (paint.changedRight <= paint.changedLeft || paint.changedBottom <= paint.changedTop)
        trace::skipped("PTE_MergePaintLayer", "nothing was painted into the paint layer since it was last cleared");
}

}  // namespace

namespace {

// A merge's rectangle clipped to both pictures: source columns x0..x1-1
// and rows y0..y1-1; source pixel (x, y) lands on (x + shift_x, y + shift_y).
struct MergeClip {
    int64_t x0, y0, x1, y1, shift_x, shift_y;
    int32_t columns() const { return int32_t(std::min<int64_t>(x1 - x0, std::numeric_limits<int32_t>::max())); }
};

bool clip_merge(const Picture<const uint16_t>& source, int64_t sx, int64_t sy, int64_t width, int64_t height,
                const Picture<uint16_t>& destination, int64_t dx, int64_t dy, MergeClip& c) {
    if (source.pixels == nullptr || destination.pixels == nullptr) return false;
    c.shift_x = dx - sx;
    c.shift_y = dy - sy;
    c.x0 = std::max({sx, int64_t(0), -c.shift_x});
    c.y0 = std::max({sy, int64_t(0), -c.shift_y});
    c.x1 = std::min({sx + width, source.width, destination.width - c.shift_x});
    c.y1 = std::min({sy + height, source.height, destination.height - c.shift_y});
    return c.x0 < c.x1 && c.y0 < c.y1;
}

// Source rows first..end-1 of a clipped merge.
void blend_rows(const Picture<const uint16_t>& source, const uint16_t* mask, const Picture<uint16_t>& destination,
                const MergeClip& c, int64_t first, int64_t end, const blend::Params& params) {
    const int32_t count = c.columns();
    for (int64_t y = first; y < end; ++y) {
        const int64_t from = y * source.rowLength + c.x0 * 4;
        uint16_t* to = destination.pixels + (y + c.shift_y) * destination.rowLength + (c.x0 + c.shift_x) * 4;
        blend::blend_span(to, source.pixels + from, mask != nullptr ? mask + from : nullptr, count, params);
    }
}

// merge_rect on the caller's thread alone.
void merge_rect_rows(const Picture<const uint16_t>& source, int64_t sx, int64_t sy, int64_t width, int64_t height,
                     const uint16_t* mask, const Picture<uint16_t>& destination, int64_t dx, int64_t dy,
                     const blend::Params& params) {
    MergeClip c;
    if (clip_merge(source, sx, sy, width, height, destination, dx, dy, c))
        blend_rows(source, mask, destination, c, c.y0, c.y1, params);
}

}  // namespace

void merge_rect(const Picture<const uint16_t>& source, int64_t sx, int64_t sy, int64_t width, int64_t height,
                const uint16_t* mask, const Picture<uint16_t>& destination, int64_t dx, int64_t dy,
                const blend::Params& params) {
    MergeClip c;
    if (!clip_merge(source, sx, sy, width, height, destination, dx, dy, c)) return;
    parallel::for_bands(c.y1 - c.y0, int64_t(c.columns()) * parallel::kBlendWork, [&](int64_t first, int64_t end) {
        blend_rows(source, mask, destination, c, c.y0 + first, c.y0 + end, params);
    });
}

const uint16_t* mask_pixels_of(const EngineState& s, int32_t index) {
    const LayerSlot* mask = layers::mask_layer_of(s, index);
    return mask != nullptr ? engine::image_pixels(s, *mask) : nullptr;
}

void merge_paint_layer(EngineState& s, int32_t index) {
    LayerSlot* slot = layers::slot_at(s, index);
    const LayerSlot& paint = s.paintLayer;
    if (trace::enabled()) trace_unmerged_stroke(s, index);
    if (slot != nullptr) {
        const int64_t left = paint.changedLeft, top = paint.changedTop;
        const int64_t width = int64_t(paint.changedRight) - left, height = int64_t(paint.changedBottom) - top;
        if (width > 0 && height > 0)
            merge_rect(image_picture(s, paint), left, top, width, height, mask_pixels_of(s, index),
                       image_picture(s, *slot), left, top, params_of(paint));
    }
    brush::clear_paint_layer(s);
}

void merge_layer(EngineState& s, int32_t from, int32_t to) {
    LayerSlot* source = layers::slot_at(s, from);
    LayerSlot* target = layers::slot_at(s, to);
    if (source == nullptr || !engine::image_pixels(s, *source)) return trace::no_layer("PTE_MergeLayer", s, from);
    if (target == nullptr || !engine::image_pixels(s, *target)) return trace::no_layer("PTE_MergeLayer", s, to);
    merge_rect(image_picture(s, *source), 0, 0, s.imageWidth, s.imageHeight, mask_pixels_of(s, from),
               image_picture(s, *target), 0, 0, params_of(*source));
}

void merge_layer_into_rect(const EngineState& s, int32_t from, uint16_t* buffer, int32_t x, int32_t y,
                           int32_t width, int32_t height) {
    const LayerSlot* source = table_slot(s, from);
    if (source == nullptr || !engine::image_pixels(s, *source))
        return trace::no_layer("merge a layer into a buffer", s, from);
    if (buffer == nullptr) return trace::skipped("merge a layer into a buffer", "no buffer (null)");
    merge_rect(image_picture(s, *source), x, y, width, height, mask_pixels_of(s, from),
               packed_picture(buffer, width, height), 0, 0, params_of(*source));
}

namespace {

// merge_visible_rect for rows first..end-1 of the buffer, on one thread:
// the whole stack is laid over a band before the next band, so the band's
// rows stay in cache from layer to layer.
// The flattened rows built at once: well within a core's second-level cache.
constexpr int64_t kFlattenBytesAtOnce = int64_t(256) * 1024;

void flatten_rows(const EngineState& s, uint16_t* buffer, int32_t x, int32_t y, int32_t width, int64_t first,
                  int64_t end) {
    uint16_t* rows = buffer + first * int64_t(width) * 4;
    const int32_t band_y = int32_t(y + first), band_height = int32_t(end - first);
    std::memset(rows, 0, size_t(width) * size_t(band_height) * 8);
    // The background is copied as it is: its own alpha, no opacity.
    const LayerSlot& background = s.layers[engine::kBackgroundLayer];
    if (background.visible == 1 && engine::image_pixels(s, background) != nullptr)
        pixels::get_rgba64_layer_rect(s, rows, width * 8, engine::kBackgroundLayer, x, band_y, width, band_height);
    const Picture<uint16_t> band = packed_picture(rows, width, band_height);
    for (int32_t index = engine::kBackgroundLayer + 1; index < engine::kLayerCount; ++index) {
        const LayerSlot& slot = s.layers[index];
        if (!slot.has_pixels() || !slot.visible) continue;
        const blend::Params params = params_of(slot);
        merge_rect_rows(image_picture(s, slot), x, band_y, width, band_height, mask_pixels_of(s, index), band, 0, 0,
                        params);
    }
}

}  // namespace

void merge_visible_rect(const EngineState& s, uint16_t* buffer, int32_t x, int32_t y, int32_t width,
                        int32_t height) {
    if (buffer == nullptr || width <= 0 || height <= 0)
        return trace::skipped("flatten the visible layers", "no buffer, or %d x %d is empty", width, height);
    // The background copy takes a row stride in bytes as an int32.
    if (int64_t(width) * 8 > std::numeric_limits<int32_t>::max()) return;
    int64_t layers = 1;
    for (int32_t index = engine::kBackgroundLayer + 1; index < engine::kLayerCount; ++index)
        layers += s.layers[index].has_pixels() && s.layers[index].visible;
    // A few rows at a time, every layer over them, so the rows being built
    // stay in the cache from one layer to the next.
    const int64_t rows_at_once = std::max<int64_t>(1, kFlattenBytesAtOnce / (int64_t(width) * 8));
    parallel::for_chunks(height, rows_at_once, int64_t(width) * layers * parallel::kBlendWork,
                         [&](int64_t first, int64_t end) {
                             for (int64_t r = first; r < end; r += rows_at_once)
                                 flatten_rows(s, buffer, x, y, width, r, std::min(end, r + rows_at_once));
                         });
}

int32_t color_at_merged(const EngineState& s, int32_t x, int32_t y) {
    uint16_t pixel[4] = {};
    merge_visible_rect(s, pixel, x, y, 1, 1);
    return pixels::packed_color(pixel);
}

void merge_rgba32(EngineState& s, const uint8_t* picture, int64_t stride, int32_t width, int32_t height,
                  LayerSlot& layer, const blend::Params& params) {
    merge_rgba32_at(s, picture, stride, width, height, 0, 0, layer, params);
}

void merge_rgba32_at(EngineState& s, const uint8_t* picture, int64_t stride, int32_t width, int32_t height, int32_t x,
                     int32_t y, LayerSlot& layer, const blend::Params& params) {
    const Picture<uint16_t> target = image_picture(s, layer);
    if (picture == nullptr || target.pixels == nullptr) return;
    // Clipped to the layer: the part of the picture left of or above it is skipped.
    const int64_t skip_x = std::max<int64_t>(0, -int64_t(x)), skip_y = std::max<int64_t>(0, -int64_t(y));
    const int64_t left = int64_t(x) + skip_x, top = int64_t(y) + skip_y;
    const int64_t columns = std::min<int64_t>(width - skip_x, target.width - left);
    const int64_t rows = std::min<int64_t>(height - skip_y, target.height - top);
    if (columns <= 0 || rows <= 0) return;
    // Converted a piece at a time, so the merge needs no picture-sized
    // buffer; each band of rows has its own piece.
    constexpr int32_t kPiece = 256;
    parallel::for_bands(rows, columns * parallel::kBlendWork, [&](int64_t first, int64_t end) {
        uint16_t wide[kPiece * 4];
        for (int64_t r = first; r < end; ++r) {
            const uint8_t* row = picture + (r + skip_y) * stride + skip_x * 4;
            uint16_t* to = target.pixels + (top + r) * target.rowLength + left * 4;
            for (int64_t c = 0; c < columns; c += kPiece) {
                const int32_t count = int32_t(std::min<int64_t>(kPiece, columns - c));
                for (int32_t i = 0; i < count * 4; ++i) wide[i] = pixels::to16(row[c * 4 + i]);
                blend::blend_span(to + c * 4, wide, nullptr, count, params);
            }
        }
    });
}

void merge_rgba32_image(EngineState& s, const uint8_t* picture, LayerSlot& layer, const blend::Params& params) {
    merge_rgba32(s, picture, int64_t(s.imageWidth) * 4, s.imageWidth, s.imageHeight, layer, params);
}

void load_rgba32_layer_merged(EngineState& s, uint8_t* picture, int32_t index, int32_t width, int32_t height,
                              bool useMask) {
    LayerSlot* layer = layers::slot_at(s, index);
    if (layer == nullptr || engine::image_pixels(s, *layer) == nullptr || picture == nullptr) return;
    if (useMask) pixels::adjust_rgba32_by_mask_and_texture(s, picture, 0, 0, width, height);
    pixels::clear_masked(s, 0, 0, 0, 0);
    // Opacity 255, not 256: an opaque picture arrives with alpha 65280 * 255 >> 8 = 65025.
    merge_rgba32(s, picture, int64_t(width) * 4, width, height, *layer, {engine::kModeNormal, 255, layer->keepAlpha != 0});
}

}  // namespace merge
