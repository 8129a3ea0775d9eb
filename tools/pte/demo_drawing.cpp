// The drawing panels of `pte demo`: a sky of a linear gradient, a sun of a
// radial one, framed shapes whose inner regions the paint bucket fills, and
// text in Latin, Arabic and CJK scripts; then the same scene with the magic
// wand's selection shown by the display.
#include "demo_drawing.h"

#include <cstring>

#include "paintcore.h"

namespace pte {

namespace {

// A font record: the character height in pixels (stored negative), a
// weight and a face name.
void set_font(const char* face, int32_t pixels, int32_t weight) {
    uint8_t record[60] = {};
    const int32_t height = -pixels;
    std::memcpy(record, &height, 4);
    std::memcpy(record + 16, &weight, 4);
    std::strncpy(reinterpret_cast<char*>(record + 28), face, 31);
    PTE_SetFontRecord(record);
}

std::vector<uint8_t> display_rgb(int width, int height) {
    std::vector<uint8_t> bgr(size_t(width) * size_t(height) * 3);
    PTE_SetScale(1, 1);
    PTE_SetViewSize(width, height);
    PTE_Render(bgr.data(), width * 3, 0, 0, width, height);
    for (size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    return bgr;
}

// A frame: a dark shape with a lighter one of the same kind inside it.
void framed_rectangle(int x1, int y1, int x2, int y2) {
    PTE_IPLRectangle(40, 40, 50, x1, y1, x2, y2, 100);
    PTE_IPLRectangle(245, 240, 230, x1 + 5, y1 + 5, x2 - 5, y2 - 5, 100);
}

void framed_ellipse(int x1, int y1, int x2, int y2) {
    PTE_IPLEllipse(40, 40, 50, x1, y1, x2, y2, 100);
    PTE_IPLEllipse(245, 240, 230, x1 + 5, y1 + 5, x2 - 5, y2 - 5, 100);
}

}  // namespace

bool drawing_panels(int width, int height, std::vector<uint8_t>& drawn, std::vector<uint8_t>& selected) {
    PTE_CreateImage(nullptr, width, height, 16, 0);
    if (PTE_CreateLayer(1, width, height) != 1 || PTE_CreateLayer(2, width, height) != 1) return false;
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    PTE_IPLInit();

    // The sky: three colours from top to bottom; the sun: a glow of one colour fading out.
    PTE_SetLayer(1);
    PTE_IPLGradient(70, 120, 210, 250, 225, 190, 235, 200, 150, 0, 0, 0, 3, 0, 0, 0, height - 1, "Linear");
    PTE_IPLGradient(255, 230, 120, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, width - 70, 50, width - 70 + 55, 50, "Radial");

    // Shapes on the upper layer, half-transparent ones among them.
    PTE_SetLayer(2);
    framed_rectangle(20, 100, 190, 225);
    framed_ellipse(40, 115, 110, 210);
    framed_ellipse(100, 125, 175, 200);
    PTE_IPLEllipse(200, 40, 60, 215, 130, 300, 215, 70);
    PTE_IPLRectangle(40, 140, 90, 250, 150, 340, 200, 45);
    // The paint bucket fills the regions the frames enclose: the two
    // ellipses apart, and the rectangle around them.
    PTE_IPLFloodFill(230, 120, 40, 75, 160, 2000, "Paint Connected");
    PTE_IPLFloodFill(60, 150, 90, 137, 162, 2000, "Paint Connected");
    PTE_IPLFloodFill(90, 110, 200, 30, 110, 2000, "Paint Connected");

    // Text in three scripts, shaped and laid out by the platform.
    PTE_IPLAllocSrcBuffer32();
    set_font("DejaVu Serif", 26, 700);
    PTE_IPLText(30, 30, 60, 14, 12, 0, 0, 0, 0, "Drawing & fills", 1);
    set_font("", 22, 400);
    PTE_IPLText(20, 40, 90, 16, 48, 0, 0, 0, 0, "مرحبا بالعالم · 漢字と仮名", 1);
    PTE_IPLFreeSrcBuffer32();
    drawn = display_rgb(width, height);

    // The wand's connected selection of the filled frame, shown by the display.
    PTE_ClearMask(65535, 65535, 65535);
    PTE_IPLMaskWand(30, 110, 2000, 0, "Connected");
    PTE_SetMaskOptions(255, 40, 40, 255, 255, 255, 0);
    PTE_DisplayMask(1);
    selected = display_rgb(width, height);
    PTE_IPLExit();
    PTE_DeleteImage();
    return true;
}

}  // namespace pte
