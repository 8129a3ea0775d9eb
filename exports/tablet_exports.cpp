// Tablet input and spline smoothing.
#include "brush/tablet.h"
#include "exports/guard.h"

using engine::state;
using exports::guarded_quietly;

extern "C" {

PTE_API int32_t PTE_CALL PTE_InitTablet(void* window) {
    return guarded_quietly(int32_t{0}, [&] { return brush::init_tablet(state(), window); });
}
PTE_API int32_t PTE_CALL PTE_SetTabletOrigin(void) {
    return guarded_quietly(int32_t{0}, [] { return brush::set_tablet_origin(state()); });
}
PTE_API void PTE_CALL PTE_CloseTablet(void) {
    guarded_quietly([] { brush::close_tablet(state()); });
}
PTE_API int32_t PTE_CALL PTE_ResetTabletPressure(void) {
    return guarded_quietly(int32_t{0}, [] { return brush::reset_tablet_pressure(state()); });
}
PTE_API int32_t PTE_CALL PTE_ReadTabletPackets(void) {
    return guarded_quietly(int32_t{0}, [] { return brush::read_tablet_packets(state()); });
}
PTE_API int32_t PTE_CALL PTE_ReadTabletPressure(int32_t packet) { return brush::read_tablet_pressure(state(), packet); }
PTE_API int32_t PTE_CALL PTE_ReadRawTabletPressure(int32_t packet) {
    return brush::read_raw_tablet_pressure(state(), packet);
}
PTE_API int32_t PTE_CALL PTE_IsPacketInvert(int32_t packet) { return brush::is_packet_invert(state(), packet); }
PTE_API uint32_t PTE_CALL PTE_PacketStatus(int32_t packet) { return brush::packet_status(state(), packet); }
PTE_API int32_t PTE_CALL PTE_ReadTabletX(int32_t packet) { return brush::read_tablet_x(state(), packet); }
PTE_API int32_t PTE_CALL PTE_ReadTabletY(int32_t packet) { return brush::read_tablet_y(state(), packet); }

PTE_API int32_t PTE_CALL PTE_CalcSpline3(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint32_t x2,
                                         uint32_t y2, int32_t) {
    return guarded_quietly(int32_t{0}, [&] { return brush::calc_spline3(state(), x0, y0, x1, y1, x2, y2); });
}
PTE_API int32_t PTE_CALL PTE_GetSplinePointCount(void) { return state().tablet.splinePointCount; }
PTE_API int32_t PTE_CALL PTE_GetSplinePointX(uint32_t point) { return brush::spline_point_x(state(), point); }
PTE_API int32_t PTE_CALL PTE_GetSplinePointY(uint32_t point) { return brush::spline_point_y(state(), point); }

}  // extern "C"
