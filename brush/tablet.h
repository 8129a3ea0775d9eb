// Pen input through the tablet interface and spline smoothing of stroke
// points.
//
// Without a tablet context every query answers 0 and pressure reads run a
// ramp: after a reset they give 10, 35, 60, 85, 100, 100, ..., so strokes
// made with a mouse taper in.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace brush {

// Opens a context on `window`; nonzero when a tablet answered.
int32_t init_tablet(engine::EngineState& s, void* window);
int32_t set_tablet_origin(engine::EngineState& s);
void close_tablet(engine::EngineState& s);
int32_t reset_tablet_pressure(engine::EngineState& s);
int32_t read_tablet_packets(engine::EngineState& s);

// Pressure 1..100 of packet i, or the ramp when there is no such packet.
int32_t read_tablet_pressure(engine::EngineState& s, int32_t i);
// The scaled pressure of buffer entry i without the minimum of 1; 0 without
// a context or for an index outside the buffer.
int32_t read_raw_tablet_pressure(const engine::EngineState& s, int32_t i);
// Packet queries; 0 without a context or for an index outside the packets read.
int32_t is_packet_invert(const engine::EngineState& s, int32_t i);
uint32_t packet_status(const engine::EngineState& s, int32_t i);
int32_t read_tablet_x(const engine::EngineState& s, int32_t i);
int32_t read_tablet_y(const engine::EngineState& s, int32_t i);

// A smooth curve through three points, sampled 100 times from the first to
// the last; the spline module's result.
int32_t calc_spline3(engine::EngineState& s, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint32_t x2,
                     uint32_t y2);
// Point i of the last spline, truncated toward zero; past the end the last
// point; 0 before the first spline.
int32_t spline_point_x(const engine::EngineState& s, uint32_t i);
int32_t spline_point_y(const engine::EngineState& s, uint32_t i);

}  // namespace brush
