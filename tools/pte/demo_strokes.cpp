// The strokes of `pte demo`: four brushes painted dab by dab through the
// exports as a host paints them, shown by the renderer, merged, saved for
// undo, and the last stroke undone again.
#include "demo_strokes.h"

#include <algorithm>
#include <cmath>

#include "paintcore.h"

namespace pte {

namespace {

constexpr int kTip = 64;
constexpr uint8_t kNoByte = 0;

// Tool set-up with only the arguments the demo varies.
struct Tool {
    float strength = 1.0f;
    int32_t gritBlock = 0, blockThreshold = 0, pixelThreshold = 0;
    uint8_t softness = 0;
    int32_t drawingLength = 0, blendStrength = 0;
    uint8_t remix = 0;
};

void set_tool(const Tool& t) {
    PTE_SetTool(t.strength, t.gritBlock, t.blockThreshold, t.pixelThreshold, t.softness, 0, t.drawingLength,
                t.blendStrength, 0, t.remix, kNoByte, kNoByte, kNoByte, "", "", 0);
}

// A host's display: the renderer writes blue-green-red rows.
class Display {
public:
    Display(int width, int height) : width_(width), height_(height), bgr_(size_t(width) * size_t(height) * 3) {}
    void refresh(int x, int y, int w, int h) {
        // The renderer writes the area's first row at the buffer's start.
        x = std::max(x, 0), y = std::max(y, 0);
        PTE_Render(bgr_.data() + (size_t(y) * size_t(width_) + size_t(x)) * 3, width_ * 3, x, y, w, h);
    }
    void refresh_all() { refresh(0, 0, width_, height_); }
    // The display as red-green-blue rows.
    std::vector<uint8_t> rgb() const {
        std::vector<uint8_t> out(bgr_.size());
        for (size_t i = 0; i < bgr_.size(); i += 3) out[i] = bgr_[i + 2], out[i + 1] = bgr_[i + 1], out[i + 2] = bgr_[i];
        return out;
    }

private:
    int width_, height_;
    std::vector<uint8_t> bgr_;
};

// Dabs along a wave from (x0, y) to (x1, y), a few pixels apart; the display
// is refreshed around each dab as a host does between dabs.
template <class BeforeDab>
void wave_stroke(Display& display, int size, int x0, int x1, int y, int amplitude, uint16_t r, uint16_t g,
                 uint16_t b, BeforeDab before) {
    const int spacing = std::max(1, size / 6);
    for (int x = x0; x <= x1; x += spacing) {
        const int yy = y + int(amplitude * std::sin((x - x0) * 0.035));
        before(x, yy);
        PTE_DrawDabGrit(x, yy, r, g, b);
        PTE_DecDrawingLength();
        display.refresh(x - size, yy - size, 2 * size, 2 * size);
    }
}

void no_preparation(int, int) {}

}  // namespace

bool paint_strokes(int width, int height, std::vector<uint8_t>& painted, std::vector<uint8_t>& undone) {
    PTE_CreateImage(nullptr, width, height, kTip, 0);
    if (PTE_CreateLayer(1, width, height) != 1 || PTE_CreateLayer(2, width, height) != 1) return false;
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    PTE_SetLayer(1);
    PTE_Clear(244, 236, 218, 255);  // paper
    PTE_SetLayer(2);
    PTE_SetUndoLevels(10);
    PTE_SetUndoMB(64);
    PTE_SetViewSize(width, height);
    PTE_SetRandomSeed(2024);
    PTE_SetAlpha(100);
    Display display(width, height);
    display.refresh_all();

    // 1. A soft round brush through the paint layer, merged at 85 %.
    PTE_SetSize(34);
    set_tool({.softness = 220});
    PTE_CreatePaintLayer(85, "Normal");
    wave_stroke(display, 34, 30, width - 30, height / 4, 22, 0x1E00, 0x5A00, 0xB400, no_preparation);
    PTE_MergePaintLayer(2);
    PTE_SaveUndoBuffer(1, 0);

    // 2. A grit brush: blocks of two tip pixels, a new pattern every 3 dabs.
    PTE_SetSize(30);
    set_tool({.gritBlock = 2, .blockThreshold = 170, .pixelThreshold = 200, .softness = 60, .drawingLength = 3});
    PTE_SetDensity(200);
    PTE_CreatePaintLayer(100, "Normal");
    wave_stroke(display, 30, 30, width - 30, height / 2, -18, 0xC800, 0x3C00, 0x1E00, no_preparation);
    PTE_MergePaintLayer(2);
    PTE_SaveUndoBuffer(1, 0);
    PTE_DeletePaintLayer();

    // 3. A smudge straight into the layer: colour picked up at the start
    //    and carried along by the remix, across the first two strokes.
    PTE_SetSize(24);
    set_tool({.softness = 255, .blendStrength = 200, .remix = 1});
    PTE_CopyBlendBufferSurface(width / 5, height / 4, 0, 0);
    for (int y = height / 6, x = width / 5; y < height * 3 / 4; y += 3, x += 1) {
        PTE_DrawDabGrit(x, y, 0, 0, 0);
        display.refresh(x - 24, y - 24, 48, 48);
    }
    PTE_SaveUndoBuffer(1, 0);

    // 4. An eraser: every dab erases once.
    PTE_SetSize(16);
    set_tool({.softness = 120});
    wave_stroke(display, 16, 40, width - 40, height / 2 + 6, 14, 0, 0, 0, [](int, int) { PTE_SetEraseModeOn(); });
    PTE_SaveUndoBuffer(1, 0);

    display.refresh_all();
    painted = display.rgb();
    if (PTE_CanUndo() != 1) return false;
    PTE_Undo();  // the eraser's stroke comes back
    display.refresh_all();
    undone = display.rgb();
    PTE_DeleteImage();
    return true;
}

}  // namespace pte
