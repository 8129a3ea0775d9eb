// Pen input and stroke smoothing: the tablet context with its packet
// buffer, the pressure ramp of strokes without a tablet, and the last
// spline's points.
#pragma once

#include <cstdint>

#include "platform/tablet.h"

namespace brush {

inline constexpr int32_t kTabletPackets = 256;
inline constexpr int32_t kSplineInputs = 3;
inline constexpr int32_t kSplinePoints = 100;

struct TabletState {
    void* window = nullptr;
    platform::TabletContext context = 0;  // 0 = no tablet
    float pressureScale = 0;              // 100 / (axis max - axis min)
    uint8_t packets[kTabletPackets * platform::kTabletPacketBytes] = {};
    int32_t packetCount = 0;
    int32_t originX = 0;  // screen position of the window's client origin
    int32_t originY = 0;
    int32_t lastPressure = 100;  // also the ramp's value; 100 at load

    double splineInX[kSplineInputs] = {};
    double splineInY[kSplineInputs] = {};
    double splineInZ[kSplineInputs] = {};
    double splineX[kSplinePoints] = {};
    double splineY[kSplinePoints] = {};
    double splineZ[kSplinePoints] = {};
    int32_t splinePointCount = 0;  // 0 until the first spline
};

}  // namespace brush
