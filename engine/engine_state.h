// The single process-wide record of the engine.
//
// Every field is zero at load. Each subsystem keeps its own record inside
// this one; the image and view fields everyone reads are kept flat.
#pragma once

#include <cstdint>

#include "brush/brush_state.h"
#include "brush/tablet_state.h"
#include "engine/buffer.h"
#include "engine/layer_slot.h"
#include "imaging/filter_block.h"
#include "imaging/font_state.h"
#include "imaging/imaging_state.h"
#include "imaging/pattern_cache.h"
#include "io/io_state.h"
#include "mask/mask_state.h"
#include "script/script_state.h"
#include "undo/undo_state.h"

namespace engine {

inline constexpr int kLastErrorCapacity = 512;
inline constexpr int32_t kMaxImageSide = 10000;
inline constexpr int32_t kMaxTipSize = kMaxImageSide;

struct EngineState {
    // Image and view.
    void* hostWindow = nullptr;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    int32_t layerRowLength = 0;  // imageWidth * 4: 16-bit values per RGBA64 row
    int32_t tipSize = 0;
    int32_t tipRowLength = 0;  // tipSize * 4
    int32_t createParam = 0;   // stored, read by nothing
    int32_t scaleNumerator = 0;
    int32_t scaleDenominator = 0;
    int32_t viewOffsetX = 0;  // stored, read by nothing
    int32_t viewOffsetY = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;

    // Layers.
    LayerTable layers;
    int32_t currentLayer = 0;
    LayerSlot* currentSlot = nullptr;
    LayerSlot* tracingSlot = nullptr;
    int32_t topLayer = 0;
    LayerSlot paintLayer;

    uint8_t maskActive = 0;
    uint8_t maskShown = 0;
    uint8_t tracingMode = 0;
    uint8_t displayChanged = 0;

    char lastError[kLastErrorCapacity] = {};

    mask::MaskState mask;
    brush::BrushState brush;
    undo::UndoState undo;
    imaging::WorkingBuffers working;
    imaging::FilterBlock filters;
    imaging::FontState font;
    imaging::PatternCache patternCache;
    script::ScriptState script;
    io::IoState io;
    brush::TabletState tablet;
};

// The engine's one record.
EngineState& state();

// Copies at most 511 characters of text into lastError; null is the empty text.
void set_last_error(EngineState& s, const char* text);

// Pixels of a slot when they cover the whole image at the image's row length,
// else null. Operations that address a layer with the image's size go through
// this, so a layer left at another size (after a size change, before the host
// re-creates it) is treated as having no pixels instead of being overrun.
uint16_t* image_pixels(EngineState& s, LayerSlot& slot);
const uint16_t* image_pixels(const EngineState& s, const LayerSlot& slot);

// The current layer's pixels when it covers the image, else null.
uint16_t* current_image_pixels(EngineState& s);
const uint16_t* current_image_pixels(const EngineState& s);

// Pixel count of the image, as a 64-bit value.
inline uint64_t image_pixel_count(const EngineState& s) {
    return static_cast<uint64_t>(s.imageWidth) * static_cast<uint64_t>(s.imageHeight);
}

}  // namespace engine
