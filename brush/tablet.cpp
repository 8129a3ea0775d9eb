#include "brush/tablet.h"

#include <algorithm>
#include <cstring>

#include "brush/settings.h"
#include "platform/imglib/spline.h"

namespace brush {

namespace {

// The packet fields the context reports: status, x, y and normal pressure.
constexpr uint32_t kPacketFields = 0x582;
constexpr uint32_t kEraserStatus = 0x10;  // the pen's eraser end is in use
constexpr uint32_t kSystemCursorOption = 1;
constexpr int32_t kDiscardPackets = 1000;
constexpr int32_t kRampStart = 10;
constexpr int32_t kRampStep = 25;
constexpr int32_t kFullPressure = 100;

enum PacketField { kStatus = 0, kX = 4, kY = 8, kPressure = 12 };

uint32_t field(const TabletState& t, int32_t index, PacketField at) {
    const uint8_t* p = t.packets + size_t(index) * platform::kTabletPacketBytes + at;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool read_packet(const engine::EngineState& s, int32_t i) {
    return s.tablet.context != 0 && i >= 0 && i < s.tablet.packetCount;
}

int32_t scaled_pressure(const TabletState& t, int32_t i) {
    return trunc_to_int(float(field(t, i, kPressure)) * t.pressureScale);
}

// The ramp: the pressure last returned, then the stored value rises by 25
// up to full pressure.
int32_t ramp(TabletState& t) {
    const int32_t p = t.lastPressure;
    t.lastPressure = std::min(kFullPressure, t.lastPressure + kRampStep);
    return p;
}

void set_context_name(platform::TabletContextSettings& c) {
    static constexpr char kName[] = "paintcore tablet context";
    static_assert(sizeof kName <= sizeof c.name);
    std::memcpy(c.name, kName, sizeof kName);
}

}  // namespace

int32_t init_tablet(engine::EngineState& s, void* window) {
    platform::TabletDriver& driver = platform::tablet_driver();
    TabletState& t = s.tablet;
    close_tablet(s);  // a context opened before is not left behind
    t.window = window;
    platform::TabletAxis axis;
    int32_t r = int32_t(driver.pressure_axis(axis));
    if (r == 0) return 0;
    // The range is taken as unsigned 32-bit; a device without one has no
    // usable pressure axis.
    const uint32_t range = uint32_t(axis.max) - uint32_t(axis.min);
    if (range == 0) return 0;
    t.pressureScale = float(100.0 / range);
    platform::TabletContextSettings c;
    driver.default_context(c);
    set_context_name(c);
    c.packetData = c.moveMask = kPacketFields;
    c.options = kSystemCursorOption;
    c.packetMode = 0;
    c.buttonUpMask = c.buttonDownMask;
    c.outOriginX = c.outOriginY = 0;
    c.outExtentX = driver.screen_width();
    c.outExtentY = -driver.screen_height();  // screen pixels, y downward
    t.context = driver.open(window, c, true);
    if (t.context == 0) return 0;
    r = driver.queue_size_set(t.context, kTabletPackets);
    return r;
}

int32_t set_tablet_origin(engine::EngineState& s) {
    TabletState& t = s.tablet;
    if (t.context == 0) return 0;
    int32_t x = 0, y = 0;
    const int32_t r = platform::tablet_driver().client_to_screen(t.window, x, y);
    if (r != 0) {
        t.originX = x;
        t.originY = y;
    }
    return r;
}

void close_tablet(engine::EngineState& s) {
    TabletState& t = s.tablet;
    if (t.context == 0) return;
    platform::tablet_driver().close(t.context);
    t.context = 0;
}

int32_t reset_tablet_pressure(engine::EngineState& s) {
    TabletState& t = s.tablet;
    t.lastPressure = kRampStart;
    if (t.context == 0) return 0;
    return platform::tablet_driver().packets_get(t.context, kDiscardPackets, nullptr);
}

int32_t read_tablet_packets(engine::EngineState& s) {
    TabletState& t = s.tablet;
    t.packetCount = 0;
    if (t.context == 0) return 0;
    const int32_t n = platform::tablet_driver().packets_get(t.context, kTabletPackets, t.packets);
    t.packetCount = std::clamp(n, 0, kTabletPackets);
    return t.packetCount;
}

int32_t read_tablet_pressure(engine::EngineState& s, int32_t i) {
    TabletState& t = s.tablet;
    if (!read_packet(s, i)) return ramp(t);
    const int32_t p = std::max(scaled_pressure(t, i), 1);
    t.lastPressure = p;
    return p;
}

int32_t read_raw_tablet_pressure(const engine::EngineState& s, int32_t i) {
    if (s.tablet.context == 0 || i < 0 || i >= kTabletPackets) return 0;
    return scaled_pressure(s.tablet, i);
}

int32_t is_packet_invert(const engine::EngineState& s, int32_t i) {
    return read_packet(s, i) && (field(s.tablet, i, kStatus) & kEraserStatus) != 0 ? 1 : 0;
}

uint32_t packet_status(const engine::EngineState& s, int32_t i) {
    return read_packet(s, i) ? field(s.tablet, i, kStatus) : 0;
}

int32_t read_tablet_x(const engine::EngineState& s, int32_t i) {
    return read_packet(s, i) ? int32_t(field(s.tablet, i, kX) - uint32_t(s.tablet.originX)) : 0;
}

int32_t read_tablet_y(const engine::EngineState& s, int32_t i) {
    return read_packet(s, i) ? int32_t(field(s.tablet, i, kY) - uint32_t(s.tablet.originY)) : 0;
}

int32_t calc_spline3(engine::EngineState& s, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint32_t x2,
                     uint32_t y2) {
    TabletState& t = s.tablet;
    const uint32_t xs[kSplineInputs] = {x0, x1, x2}, ys[kSplineInputs] = {y0, y1, y2};
    for (int32_t i = 0; i < kSplineInputs; ++i) {
        t.splineInX[i] = xs[i];
        t.splineInY[i] = ys[i];
        t.splineInZ[i] = 0;
    }
    const int32_t r = imglib::ISE40_Get3DSplinePoints(kSplinePoints, kSplineInputs, 50, t.splineInX, t.splineInY,
                                                      t.splineInZ, t.splineX, t.splineY, t.splineZ);
    t.splinePointCount = kSplinePoints;
    return r;
}

namespace {
int32_t spline_point(const TabletState& t, const double (&points)[kSplinePoints], uint32_t i) {
    if (t.splinePointCount == 0) return 0;
    const uint32_t last = uint32_t(t.splinePointCount - 1);
    return trunc_to_int(points[std::min(i, last)]);
}
}  // namespace

int32_t spline_point_x(const engine::EngineState& s, uint32_t i) { return spline_point(s.tablet, s.tablet.splineX, i); }
int32_t spline_point_y(const engine::EngineState& s, uint32_t i) { return spline_point(s.tablet, s.tablet.splineY, i); }

}  // namespace brush
