// A pen tablet as the engine reads it: a pressure axis, a context opened on
// a window that queues packets, and the packets drained from that queue.
// Packets are 16 bytes, little-endian: status (bit 0x10 = the eraser end),
// x and y in screen pixels (y growing downward), normal pressure.
//
// The tablet interface is bound at run time; every call answers 0 when the
// interface, or the call, is not there.
#pragma once

#include <cstdint>

namespace platform {

using TabletContext = uintptr_t;  // 0 = none

struct TabletAxis {
    int32_t min = 0;
    int32_t max = 0;
};

// The fields of a tablet context the engine sets; the interface's default
// context supplies everything else.
struct TabletContextSettings {
    char name[40] = {};
    uint32_t packetData = 0;  // which packet fields are reported
    uint32_t moveMask = 0;    // which fields report movement
    uint32_t options = 0;
    uint32_t packetMode = 0;  // 0: every field absolute
    uint32_t buttonDownMask = 0;
    uint32_t buttonUpMask = 0;
    int32_t outOriginX = 0;  // the output coordinate space
    int32_t outOriginY = 0;
    int32_t outExtentX = 0;
    int32_t outExtentY = 0;  // negative: y grows downward
};

inline constexpr int32_t kTabletPacketBytes = 16;

class TabletDriver {
public:
    virtual ~TabletDriver() = default;
    // The normal-pressure axis of the device; nonzero when there is one.
    virtual uint32_t pressure_axis(TabletAxis& axis) = 0;
    // Fills the default context; nonzero on success.
    virtual uint32_t default_context(TabletContextSettings& settings) = 0;
    virtual TabletContext open(void* window, const TabletContextSettings& settings, bool enable) = 0;
    virtual int32_t close(TabletContext context) = 0;
    // Moves up to `max` queued packets into `packets` (null discards them);
    // the number moved.
    virtual int32_t packets_get(TabletContext context, int32_t max, uint8_t* packets) = 0;
    virtual int32_t queue_size_set(TabletContext context, int32_t packets) = 0;
    // The window system around the tablet: the screen position of the
    // window's client origin (nonzero on success) and the screen's size.
    virtual int32_t client_to_screen(void* window, int32_t& x, int32_t& y) = 0;
    virtual int32_t screen_width() = 0;
    virtual int32_t screen_height() = 0;
};

TabletDriver& system_tablet_driver();
TabletDriver& tablet_driver();
TabletDriver* install_tablet_driver(TabletDriver* replacement);

}  // namespace platform
