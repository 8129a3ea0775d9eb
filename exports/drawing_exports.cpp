// Drawing: the paint bucket, shapes, gradients, text and the font record.
#include "exports/guard.h"
#include "imaging/drawing.h"
#include "imaging/flood_fill.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_IPLFloodFill(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y,
                                       int32_t tolerance, const char* mode) {
    guarded("IPLFloodFill Excpt", [&] { imaging::flood_fill(state(), red, green, blue, x, y, tolerance, mode); });
}

PTE_API int32_t PTE_CALL PTE_ChooseFont(void) { return imaging::choose_font(state()); }

PTE_API void PTE_CALL PTE_SetFontRecord(const void* record) { imaging::set_font_record(state(), record); }

PTE_API void PTE_CALL PTE_GetFontRecord(void* record) { imaging::get_font_record(state(), record); }

PTE_API int32_t PTE_CALL PTE_IPLText(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t,
                                     int32_t, int32_t, int32_t, const char* text, uint8_t smooth) {
    return guarded("IPLText Excpt", int32_t{0},
                   [&] { return imaging::draw_text(state(), red, green, blue, x, y, text, smooth != 0); });
}

PTE_API void PTE_CALL PTE_IPLRectangle(int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1, int32_t x2,
                                       int32_t y2, int32_t opacity) {
    guarded("IPLRectangle Excpt",
            [&] { imaging::draw_rectangle(state(), red, green, blue, x1, y1, x2, y2, opacity); });
}

PTE_API void PTE_CALL PTE_IPLEllipse(int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1, int32_t x2,
                                     int32_t y2, int32_t opacity) {
    guarded("IPLEllipse Excpt", [&] { imaging::draw_ellipse(state(), red, green, blue, x1, y1, x2, y2, opacity); });
}

PTE_API void PTE_CALL PTE_IPLGradient(int32_t red1, int32_t green1, int32_t blue1, int32_t red2, int32_t green2,
                                      int32_t blue2, int32_t red3, int32_t green3, int32_t blue3, int32_t red4,
                                      int32_t green4, int32_t blue4, int32_t count, int32_t x1, int32_t y1, int32_t x2,
                                      int32_t y2, const char* kind) {
    guarded("IPLGradient Excpt", [&] {
        const std::array<imaging::Rgb, 4> colours{{{red1, green1, blue1},
                                                   {red2, green2, blue2},
                                                   {red3, green3, blue3},
                                                   {red4, green4, blue4}}};
        imaging::draw_gradient(state(), colours, count, x1, y1, x2, y2, kind);
    });
}

}  // extern "C"
