// `pte demo OUT.png`: builds a small picture of several layers in different
// blend modes through the engine's exports, one of them resized and turned
// by the whole-image geometry, and strokes painted dab by dab. The engine
// saves the page (the composite of the visible layers, row by row) as OUT;
// what its display shows, the whole image at one to one beside a part of it
// enlarged three times, below them the strokes as painted and with the last
// one undone, and below those a drawing of gradients, shapes, fills and text
// beside it with a magic-wand selection shown, goes to OUT's name with
// "-display.png" in place of its extension.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "demo_drawing.h"
#include "demo_strokes.h"
#include "paintcore.h"
#include "picture_files.h"
#include "png_io.h"

namespace pte {

namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 240;
constexpr int kZoom = 3;

// A host-side RGBA32 picture the demo hands to the engine.
struct Picture {
    int width, height;
    std::vector<uint8_t> rgba;
    Picture(int w, int h) : width(w), height(h), rgba(size_t(w) * size_t(h) * 4, 0) {}
    uint8_t* at(int x, int y) { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

Picture sky_gradient() {
    Picture p(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* px = p.at(x, y);
            px[0] = uint8_t(40 + 120 * y / kHeight);
            px[1] = uint8_t(90 + 100 * y / kHeight);
            px[2] = uint8_t(200 - 40 * x / kWidth);
            px[3] = 255;
        }
    return p;
}

// A soft disc of one colour: alpha falls off toward the rim.
Picture disc(int size, uint8_t r, uint8_t g, uint8_t b) {
    Picture p(size, size);
    const double c = (size - 1) / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x - c, y - c) / (size / 2.0);
            uint8_t* px = p.at(x, y);
            px[0] = r;
            px[1] = g;
            px[2] = b;
            px[3] = d >= 1 ? 0 : uint8_t(255 * std::min(1.0, 3 * (1 - d)));
        }
    return p;
}

// An opaque grey picture of the image's size, grey_at(x, y) giving the level.
template <class GreyAt>
Picture opaque_grey(GreyAt grey_at) {
    Picture p(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* px = p.at(x, y);
            px[0] = px[1] = px[2] = grey_at(x, y);
            px[3] = 255;
        }
    return p;
}

// Diagonal bands, light and dark for "Overlay".
Picture bands() {
    return opaque_grey([](int x, int y) { return uint8_t(128 + 100 * std::sin((x + y) * 0.06)); });
}

// A ramp from black to white: as a "Layer Mask" it fades the layer below from left to right.
Picture ramp() {
    return opaque_grey([](int x, int) { return uint8_t(255 * x / (kWidth - 1)); });
}

// A row of bars for "Difference".
Picture bars() {
    Picture p(kWidth, kHeight);
    for (int y = 170; y < 215; ++y)
        for (int x = 20; x < kWidth - 20; ++x) {
            if ((x / 20) % 2) continue;
            uint8_t* px = p.at(x, y);
            px[0] = 255;
            px[1] = 220;
            px[2] = 60;
            px[3] = 255;
        }
    return p;
}

struct Layer {
    int index;
    const char* mode;
    int percent;
};

bool load(const Picture& p, int index, int x, int y) {
    if (PTE_CreateLayer(index, kWidth, kHeight) != 1) {
        std::fprintf(stderr, "pte: %s\n", PTE_GetLastError());
        return false;
    }
    PTE_LoadRGBA32Layer(p.rgba.data(), p.width * 4, index, x, y, p.width, p.height, 0);
    return true;
}

// What the display shows for an image rectangle at a zoom, as RGB rows.
std::vector<uint8_t> show(int numerator, int x, int y, int width, int height, int& columns, int& rows) {
    columns = width * numerator;
    rows = height * numerator;
    PTE_SetScale(numerator, 1);
    PTE_SetViewSize(columns, rows);
    std::vector<uint8_t> bgr(size_t(columns) * size_t(rows) * 3);
    PTE_Render(bgr.data(), columns * 3, x, y, width, height);
    for (size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    return bgr;
}

// A picture made in an image of its own and put through the whole-image
// geometry: a disc and a bar, resized by half again with "Lanczos3", turned
// a quarter right and centred on a canvas of the demo's size. Its layer 2
// comes back as RGBA32 of kWidth x kHeight.
bool geometry_panel(std::vector<uint8_t>& layer) {
    constexpr int w = 80, h = 120;
    PTE_CreateImage(nullptr, w, h, 16, 0);
    if (PTE_CreateLayer(1, w, h) != 1 || PTE_CreateLayer(2, w, h) != 1) return false;
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    PTE_SetLayer(2);
    const Picture sun = disc(60, 240, 120, 30);
    PTE_LoadRGBA32Layer(sun.rgba.data(), 60 * 4, 2, 10, 6, 60, 60, 0);
    Picture bar(20, 44);
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 20; ++x) {
            uint8_t* px = bar.at(x, y);
            px[0] = 40;
            px[1] = uint8_t(80 + 3 * y);
            px[2] = 60;
            px[3] = 255;
        }
    PTE_LoadRGBA32Layer(bar.rgba.data(), 20 * 4, 2, 30, 70, 20, 44, 0);

    PTE_IPLInit();
    PTE_IPLResize(w * 3 / 2, h * 3 / 2, "Lanczos3");
    PTE_NewSize(nullptr, w * 3 / 2, h * 3 / 2, 16, 0);
    PTE_IPLRotateRight();
    PTE_NewSize(nullptr, h * 3 / 2, w * 3 / 2, 16, 0);
    PTE_IPLResizePage(kWidth, kHeight, "MC");
    PTE_NewSize(nullptr, kWidth, kHeight, 16, 0);
    PTE_IPLExit();
    const bool read = PTE_GetRGBA32Layer(layer.data(), kWidth * 4, 2) == kHeight;
    PTE_DeleteImage();
    return read;
}

// OUT without its extension, followed by "-display.png".
std::string display_path(const std::string& out) {
    return out.substr(0, out.size() - extension_of(out).size()) + "-display.png";
}

// The engine writes the page in the format OUT's extension names.
bool save_page(const std::string& out) {
    const FileStamp before(out);
    PTE_SetLastError("");
    PTE_SavePageToFileRGB24(out.c_str(), extension_of(out).c_str(), 96);
    if (before.replaced()) return true;
    const std::string error = PTE_GetLastError();
    std::fprintf(stderr, "pte: the page was not written to %s (%s)\n", out.c_str(),
                 error.empty() ? "its extension names no format the page is saved in" : error.c_str());
    return false;
}

}  // namespace

int run_demo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: pte demo OUT.png\n");
        return 2;
    }
    std::vector<uint8_t> turned(size_t(kWidth) * kHeight * 4);
    if (!geometry_panel(turned)) {
        std::fprintf(stderr, "pte: geometry: %s\n", PTE_GetLastError());
        return 1;
    }
    Picture geometry(kWidth, kHeight);
    geometry.rgba = turned;

    PTE_CreateImage(nullptr, kWidth, kHeight, 128, 0);
    if (!load(geometry, 7, 0, 0) || !load(sky_gradient(), 1, 0, 0) || !load(disc(150, 255, 200, 40), 2, 20, 20) ||
        !load(disc(190, 150, 60, 220), 3, 150, 40) || !load(ramp(), 4, 0, 0) || !load(bands(), 5, 0, 0) ||
        !load(bars(), 6, 0, 0))
        return 1;
    const Layer layers[] = {{1, "Normal", 100},  {2, "Screen", 100},  {3, "Multiply", 90},
                            {4, "Layer Mask", 100}, {5, "Overlay", 35}, {6, "Difference", 100},
                            {7, "Normal", 100}};
    for (const Layer& l : layers) PTE_SetLayerOptions(l.index, 1, 0, l.percent, l.mode);
    PTE_SetLayer(3);

    int w1, h1, w3, h3;
    const std::vector<uint8_t> whole = show(1, 0, 0, kWidth, kHeight, w1, h1);
    const std::vector<uint8_t> enlarged = show(kZoom, 130, 40, kWidth / kZoom, kHeight / kZoom, w3, h3);
    const bool saved = save_page(args[0]);
    PTE_DeleteImage();
    if (!saved) return 1;

    std::vector<uint8_t> painted, undone;
    if (!paint_strokes(kWidth, kHeight, painted, undone)) {
        std::fprintf(stderr, "pte: strokes: %s\n", PTE_GetLastError());
        return 1;
    }

    std::vector<uint8_t> drawn, selected;
    if (!drawing_panels(kWidth, kHeight, drawn, selected)) {
        std::fprintf(stderr, "pte: drawing: %s\n", PTE_GetLastError());
        return 1;
    }

    // Side by side: the whole image, a gap, the enlarged part; below them
    // the strokes as painted and with the last one undone; below those the
    // drawing and its selection.
    const int gap = 8, sheet_width = w1 + gap + w3, top = std::max(h1, h3);
    const int sheet_height = top + 2 * (gap + kHeight);
    std::vector<uint8_t> sheet(size_t(sheet_width) * size_t(sheet_height) * 3, 255);
    auto place = [&](const std::vector<uint8_t>& panel, int width, int height, int left, int upper) {
        for (int y = 0; y < height; ++y)
            std::copy_n(&panel[size_t(y) * size_t(width) * 3], size_t(width) * 3,
                        &sheet[(size_t(upper + y) * size_t(sheet_width) + size_t(left)) * 3]);
    };
    place(whole, w1, h1, 0, 0);
    place(enlarged, w3, h3, w1 + gap, 0);
    place(painted, kWidth, kHeight, 0, top + gap);
    place(undone, kWidth, kHeight, w1 + gap, top + gap);
    place(drawn, kWidth, kHeight, 0, top + 2 * gap + kHeight);
    place(selected, kWidth, kHeight, w1 + gap, top + 2 * gap + kHeight);

    std::string error;
    if (!write_png(display_path(args[0]), sheet.data(), sheet_width, sheet_height, 3, error)) {
        std::fprintf(stderr, "pte: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace pte
