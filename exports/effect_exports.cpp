// The effect catalogue and the adjustments beside it.
#include "exports/guard.h"
#include "imaging/adjustments.h"
#include "imaging/displacement.h"
#include "imaging/effect_catalogue.h"

using engine::state;
using exports::guarded;
using exports::guarded_quietly;

namespace {

// The route's name, a text that lives as long as the library.
const char* route_text(const imaging::EffectRow& row) { return imaging::route_name(row.route).data(); }

const imaging::EffectRow* row_at(int32_t index) {
    if (index < 0 || size_t(index) >= imaging::kEffectCount) return nullptr;
    return &imaging::effect_rows()[index];
}

}  // namespace

extern "C" {

PTE_API int32_t PTE_CALL PTE_IPLImageProcess(int32_t, const char* effectName, int32_t seed, int32_t p1, int32_t p2,
                                             int32_t p3, int32_t p4, int32_t p5, int32_t p6, int32_t p7, int32_t p8,
                                             uint8_t f1, uint8_t f2, uint8_t f3, uint8_t f4, uint8_t f5, uint8_t f6,
                                             int32_t red, int32_t green, int32_t blue, const char* text) {
    return guarded("IPLImageProc Excpt", int32_t{0}, [&] {
        imaging::EffectArgs args;
        args.name = effectName;
        args.seed = seed;
        args.p = {p1, p2, p3, p4, p5, p6};
        args.p7 = p7;
        args.p8 = p8;
        args.f = {f1, f2, f3, f4, f5, f6};
        args.red = red;
        args.green = green;
        args.blue = blue;
        args.text = text;
        return imaging::process_effect(state(), args);
    });
}

PTE_API const char* PTE_CALL PTE_GetEffectName(int32_t index) {
    const imaging::EffectRow* row = row_at(index);
    return row != nullptr ? row->name.data() : nullptr;
}

PTE_API const char* PTE_CALL PTE_GetEffectRoute(int32_t index) {
    const imaging::EffectRow* row = row_at(index);
    return row != nullptr ? route_text(*row) : nullptr;
}

PTE_API int32_t PTE_CALL PTE_IPLPhotoPop(int32_t amount, double saturation, uint8_t flag) {
    return guarded("IPLPhotoPop Excpt", int32_t{0},
                   [&] { return imaging::photo_pop(state(), amount, saturation, flag); });
}

PTE_API void PTE_CALL PTE_ProcessBuffer_HSLAdjust(uint8_t* buffer, int32_t width, int32_t height, int32_t hue,
                                                  int32_t saturation, int32_t lightness) {
    imaging::hsl_adjust_rgba32(buffer, width, height, hue, saturation, lightness);
}

PTE_API void PTE_CALL PTE_ProcessBuffer_HSVAdjust(uint8_t* buffer, int32_t width, int32_t height, int32_t hue,
                                                  int32_t saturation, int32_t value) {
    imaging::hsv_adjust_rgba32(buffer, width, height, hue, saturation, value);
}

PTE_API void PTE_CALL PTE_BlurMoreBufferRGB24(uint8_t* buffer, int32_t width, int32_t height, int32_t size,
                                              int32_t weight) {
    guarded("BlurMoreBuffer Excpt", [&] { imaging::blur_more_rgb24(buffer, width, height, size, weight); });
}

PTE_API void PTE_CALL PTE_IPLPan(int32_t dx, int32_t dy, int32_t edgeMode, int32_t red, int32_t green, int32_t blue,
                                 int32_t alpha, uint8_t useMask) {
    guarded("IPLPan Excpt", [&] { imaging::pan(state(), dx, dy, edgeMode, red, green, blue, alpha, useMask); });
}

PTE_API void PTE_CALL PTE_IPLDisplacementBummp(const char* scriptPath, double strength, uint32_t background) {
    guarded("IPLDisplacementBump Excpt", [&] { imaging::displacement_bump(state(), scriptPath, strength, background); });
}

PTE_API void PTE_CALL PTE_WarpPointToPoint(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // The push records no text of its own; a failure still ends here.
    guarded_quietly([&] { imaging::warp_point_to_point(state(), x1, y1, x2, y2); });
}

}  // extern "C"
