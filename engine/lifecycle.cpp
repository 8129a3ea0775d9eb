#include "engine/lifecycle.h"

#include <algorithm>
#include <stdexcept>

#include "brush/random.h"
#include "engine/layers.h"
#include "undo/history.h"

namespace lifecycle {

using engine::EngineState;
using engine::sat_mul;

int32_t bound_side(int32_t side) { return (side < 0 || side > engine::kMaxImageSide) ? 100 : side; }

int32_t back_buffers_kb(int32_t width, int32_t height) { return undo::block_kb(width, height, 10); }

namespace {

// A negative capacity would make every tip-sized size negative; it is taken
// as 0. A capacity beyond the largest image side cannot be painted with and
// would overflow the tip row length: the image is refused before anything
// changes.
int32_t bound_tip(int32_t tipSize) {
    if (tipSize > engine::kMaxTipSize) throw std::length_error("tip capacity");
    return std::max(tipSize, 0);
}

void store_tip_size(EngineState& s, int32_t tipSize) {
    s.tipSize = tipSize;
    s.tipRowLength = tipSize * 4;
}

void reset_view(EngineState& s) {
    s.scaleNumerator = s.scaleDenominator = 1;
    s.viewOffsetX = s.viewOffsetY = 0;
}

// The 20 grit patterns, the tip shape and the blend buffer, all zero: a
// buffer nothing has written yet reads as empty rather than as old memory.
void allocate_tip_buffers(EngineState& s) {
    const uint64_t t = uint64_t(s.tipSize);
    const uint64_t side = t + brush::kTipMargin;
    for (auto& b : s.brush.tipBuffers) {
        b.allocate_or_throw(sat_mul(side, side));
        b.fill_bytes(0);
    }
    s.brush.currentTip = nullptr;
    s.brush.tipAlpha.allocate_or_throw(sat_mul(t, t));
    s.brush.tipAlpha.fill_bytes(0);
    s.brush.blendBuffer.allocate_or_throw(sat_mul(t, t, 4));
    s.brush.blendBuffer.fill_bytes(0);
}

void release_tip_buffers(EngineState& s) {
    s.brush.blendBuffer.release();
    s.paintLayer.pixels.release();
    s.brush.tipAlpha.release();
    s.brush.shapeCache.picture.release();
    s.brush.shapeCache.width = s.brush.shapeCache.height = 0;
    for (auto& b : s.brush.tipBuffers) b.release();
    s.brush.currentTip = nullptr;
}

// The mask starts fully selected and in force; tracing starts off.
void allocate_mask(EngineState& s) {
    s.mask.values.allocate_or_throw(engine::image_pixel_count(s));
    s.mask.values.fill_bytes(255);
    s.maskActive = 1;
    s.tracingMode = 0;
}

void allocate_undo(EngineState& s) {
    undo::allocate_back_buffers(s);
    undo::clear(s);
    s.undo.undoMemoryKB = back_buffers_kb(s.imageWidth, s.imageHeight);
}

// Frees the mask, texture and the whole undo history (new size and delete).
void release_image_buffers(EngineState& s) {
    s.mask.values.release();
    s.brush.texture.release();
    undo::release_everything(s);
    undo::clear(s);
    s.undo.undoMemoryKB = 0;
}

}  // namespace

void create_image(EngineState& s, void* hostWindow, int32_t width, int32_t height, int32_t tipSize,
                  int32_t createParam) {
    tipSize = bound_tip(tipSize);
    width = bound_side(width);
    height = bound_side(height);
    s.imageWidth = width;
    s.layerRowLength = width * 4;
    s.imageHeight = height;
    s.hostWindow = hostWindow;
    store_tip_size(s, tipSize);
    s.createParam = createParam;
    reset_view(s);

    for (engine::LayerSlot& slot : s.layers) slot.pixels.release();
    s.currentSlot = nullptr;

    allocate_tip_buffers(s);
    allocate_mask(s);
    s.tracingSlot = &s.layers[engine::kTracingLayer];
    allocate_undo(s);
    brush::build_large_tables(s);
    s.working.release_all();
}

void new_size(EngineState& s, void* hostWindow, int32_t width, int32_t height, int32_t tipSize,
              int32_t createParam) {
    tipSize = bound_tip(tipSize);
    width = bound_side(width);
    height = bound_side(height);
    s.imageHeight = height;
    s.hostWindow = hostWindow;
    s.imageWidth = width;

    release_image_buffers(s);
    release_tip_buffers(s);
    s.working.release_all();

    s.layerRowLength = width * 4;
    store_tip_size(s, tipSize);
    s.createParam = createParam;
    reset_view(s);

    allocate_tip_buffers(s);
    allocate_mask(s);
    allocate_undo(s);
    brush::build_large_tables(s);
}

void delete_image(EngineState& s) {
    release_image_buffers(s);
    release_tip_buffers(s);
    for (int32_t i = 0; i < engine::kLayerCount; ++i) layers::delete_layer(s, i);
    s.working.release_all();
}

}  // namespace lifecycle
