// Layer merging: one picture written into another with the blend step.
//
// The finished stroke into its layer, one layer into another, the visible
// stack into a flat host buffer, or an 8-bit picture made by an effect into
// a layer. All of them run merge_rect around blend::blend_span. Unlike the
// compositor, a merge truncates each layer's result to 16 bits, takes no
// shortcut for opaque layers, keeps the background's own alpha, and leaves
// the paint layer out unless it is the source.
#pragma once

#include <cstdint>
#include <type_traits>

#include "engine/blend.h"
#include "engine/engine_state.h"

namespace merge {

// RGBA64 pixels: `height` rows of `rowLength` 16-bit values.
template <class T>
struct Picture {
    T* pixels = nullptr;
    int64_t width = 0;
    int64_t height = 0;
    int64_t rowLength = 0;

    // A picture read as a source.
    operator Picture<const T>() const
        requires(!std::is_const_v<T>)
    {
        return {pixels, width, height, rowLength};
    }
};

// A layer (or the paint layer) as a picture when it covers the image, else an empty one.
Picture<uint16_t> image_picture(engine::EngineState& s, engine::LayerSlot& slot);
Picture<const uint16_t> image_picture(const engine::EngineState& s, const engine::LayerSlot& slot);

// The merge loop: lays the rectangle (sx, sy, width, height) of the source
// over the destination with its top-left corner at (dx, dy). `mask`, when
// not null, is a "Layer Mask" layer addressed exactly like the source. The
// rectangle is clipped to both pictures: callers keep it inside them, and
// one that is not touches nothing outside.
void merge_rect(const Picture<const uint16_t>& source, int64_t sx, int64_t sy, int64_t width, int64_t height,
                const uint16_t* mask, const Picture<uint16_t>& destination, int64_t dx, int64_t dy,
                const blend::Params& params);

// The pixels of the "Layer Mask" layer above slot `index`, or null.
const uint16_t* mask_pixels_of(const engine::EngineState& s, int32_t index);

// Merges the paint layer's changed area into layer `index` with the paint
// layer's mode and opacity, then clears the paint layer (also when nothing
// was merged).
void merge_paint_layer(engine::EngineState& s, int32_t index);

// The whole of layer `from` into layer `to`, with from's mode, opacity and mask layer.
void merge_layer(engine::EngineState& s, int32_t from, int32_t to);

// The rectangle (x, y, width, height) of layer `from` into a packed RGBA64
// buffer of width x height, with from's mode, opacity and mask layer.
void merge_layer_into_rect(const engine::EngineState& s, int32_t from, uint16_t* buffer, int32_t x, int32_t y,
                           int32_t width, int32_t height);

// The visible stack flattened into a packed RGBA64 buffer of width x height:
// zeroed, the background copied (not blended) when its visible flag is 1,
// then every visible layer 2..63 merged over it.
void merge_visible_rect(const engine::EngineState& s, uint16_t* buffer, int32_t x, int32_t y, int32_t width,
                        int32_t height);

// The flattened colour at (x, y) as the colour pickers report it: -1 where
// transparent (also outside the image), else 0x00RRGGBB.
int32_t color_at_merged(const engine::EngineState& s, int32_t x, int32_t y);

// Lays a packed RGBA32 picture of the image's size over a layer: 8-bit
// values * 256 in all four channels, no mask layer. Drawing, effects and
// pasting write their results into layers through this.
void merge_rgba32_image(engine::EngineState& s, const uint8_t* picture, engine::LayerSlot& layer,
                        const blend::Params& params);

// The same for a picture of width x height with rows `stride` bytes apart,
// laid at the layer's top-left corner and clipped to the image.
void merge_rgba32(engine::EngineState& s, const uint8_t* picture, int64_t stride, int32_t width, int32_t height,
                  engine::LayerSlot& layer, const blend::Params& params);
// The same laid with its top-left corner at (x, y) of the layer; what lies
// outside the image is skipped.
void merge_rgba32_at(engine::EngineState& s, const uint8_t* picture, int64_t stride, int32_t width, int32_t height,
                     int32_t x, int32_t y, engine::LayerSlot& layer, const blend::Params& params);

// The earlier load that merges instead: weighs the picture's alpha by mask
// and texture in place when useMask is set, clears the current layer where
// the mask allows, and merges the picture into layer `index` in "Normal" at
// opacity 255 with the layer's keepAlpha.
void load_rgba32_layer_merged(engine::EngineState& s, uint8_t* picture, int32_t index, int32_t width,
                              int32_t height, bool useMask);

}  // namespace merge
