// Whole-image geometry: resampling, canvas size, crop, quarter turns and
// flips of every layer from 1 up to the top layer. The tracing layer is
// never touched.
//
// Resize, canvas size, crop and turns rebuild each layer at the new size
// (its slot keeps its name and options, and a layer with keepAlpha has its
// alpha moved too); flips load the mirrored picture back into the layer.
// The image size stays as it was: the host follows with a new size.
//
// A layer that the library cannot process keeps its pixels and the others go
// on. Names that match no method or anchor change nothing. Sizes outside
// 1..10000 and crop rectangles that are empty or leave the image throw
// std::invalid_argument before any layer changes; memory that cannot be had
// throws std::bad_alloc, and a layer that cannot be re-created keeps its
// old pixels.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace imaging {

void resize_layers(engine::EngineState& s, int32_t newWidth, int32_t newHeight, const char* filterName);
void resize_canvas(engine::EngineState& s, int32_t newWidth, int32_t newHeight, const char* anchor);
void crop_layers(engine::EngineState& s, int32_t left, int32_t top, int32_t right, int32_t bottom);
void rotate_layers_left(engine::EngineState& s);
void rotate_layers_right(engine::EngineState& s);
void flip_layers_horizontal(engine::EngineState& s);
void flip_layers_vertical(engine::EngineState& s);

}  // namespace imaging
