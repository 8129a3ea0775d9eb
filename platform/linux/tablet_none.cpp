// This system has no tablet interface the engine can bind: every call
// answers as the interface does when it cannot be loaded.
#include "platform/tablet.h"

namespace platform {

namespace {

class NoTablet final : public TabletDriver {
public:
    uint32_t pressure_axis(TabletAxis&) override { return 0; }
    uint32_t default_context(TabletContextSettings&) override { return 0; }
    TabletContext open(void*, const TabletContextSettings&, bool) override { return 0; }
    int32_t close(TabletContext) override { return 0; }
    int32_t packets_get(TabletContext, int32_t, uint8_t*) override { return 0; }
    int32_t queue_size_set(TabletContext, int32_t) override { return 0; }
    int32_t client_to_screen(void*, int32_t&, int32_t&) override { return 0; }
    int32_t screen_width() override { return 0; }
    int32_t screen_height() override { return 0; }
};

}  // namespace

TabletDriver& system_tablet_driver() {
    static NoTablet none;
    return none;
}

}  // namespace platform
