// Smooth curves through control points.
#pragma once

#include "platform/imglib/imglib.h"

namespace imglib {

// Fits a centripetal Catmull-Rom spline through `pointCount` (at least 2)
// control points and samples it `sampleCount` (at least 2) times, evenly in
// the curve's parameter: the first sample is the first point, the last
// sample the last point, and the curve passes through every point between.
// The ends continue the first and the last span straight on (each missing
// neighbour is the mirror image of the inner point). Knots are spaced by
// the square root of the distance between points, so the curve neither
// loops nor overshoots between close and far points; coincident points are
// held, not divided by. `reserved` is accepted and ignored.
BOOL ISE40_Get3DSplinePoints(uint32_t sampleCount, uint32_t pointCount, uint32_t reserved, const double* inX,
                             const double* inY, const double* inZ, double* outX, double* outY, double* outZ);

}  // namespace imglib
