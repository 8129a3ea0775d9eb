// Text as coverage through GDI: laid out and drawn by DrawTextW (which
// shapes and orders scripts through the system's script processor), in a
// font the system's mapper picks for the record, white on black into a
// 32-bit tile whose green channel is then the coverage.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/imglib/render2d.h"
#include "platform/win32/gdi.h"

namespace imglib::render2d {

namespace {

// Text of more characters than this for its size is cut, as on other
// systems, so that a line stays well inside GDI's coordinates.
constexpr double kLongestText = 1e6;

constexpr UINT kLayout = DT_LEFT | DT_TOP | DT_NOPREFIX | DT_NOCLIP;

using platform::win32::wide;

struct Generic {
    const char* name;
    BYTE pitchAndFamily;
};
constexpr Generic kGenerics[] = {{"serif", VARIABLE_PITCH | FF_ROMAN},
                                 {"sans-serif", VARIABLE_PITCH | FF_SWISS},
                                 {"monospace", FIXED_PITCH | FF_MODERN},
                                 {"cursive", VARIABLE_PITCH | FF_SCRIPT},
                                 {"fantasy", VARIABLE_PITCH | FF_DECORATIVE}};

// The first named face of the list and the pitch and family of its first
// generic family: the system's mapper falls back on that family when the
// face is not installed.
LOGFONTW logical_font(const FontChoice& font, bool smooth) {
    LOGFONTW lf{};
    const LONG size = LONG(std::lround(std::clamp(font.pixelSize, 1.0, kMaxFontPixels)));
    lf.lfHeight = font.cellHeight ? size : -size;
    lf.lfWeight = std::clamp(font.weight, 100, 1000);
    lf.lfItalic = font.italic;
    lf.lfUnderline = font.underline;
    lf.lfStrikeOut = font.strikeOut;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = smooth ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    bool faceSet = false, familySet = false;
    size_t start = 0;
    while (start <= font.families.size()) {
        size_t end = font.families.find(',', start);
        if (end == std::string::npos) end = font.families.size();
        const std::string name = font.families.substr(start, end - start);
        start = end + 1;
        const Generic* generic = std::find_if(std::begin(kGenerics), std::end(kGenerics),
                                              [&](const Generic& g) { return name == g.name; });
        if (generic != std::end(kGenerics)) {
            if (!familySet) lf.lfPitchAndFamily = generic->pitchAndFamily;
            familySet = true;
        } else if (!faceSet && !name.empty()) {
            const std::wstring face = wide(name);
            wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
            faceSet = true;
        }
    }
    return lf;
}

// A memory device context with a 32-bit tile selected and the font in it.
class TileCanvas {
public:
    TileCanvas(const LOGFONTW& lf) : dc_(CreateCompatibleDC(nullptr)), font_(CreateFontIndirectW(&lf)) {
        BITMAPINFO info{};
        info.bmiHeader = platform::win32::top_down_rgb32(kTileWidth, kTileHeight);
        if (dc_ != nullptr) bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (bitmap_ == nullptr || font_ == nullptr) return;
        oldBitmap_ = SelectObject(dc_, bitmap_);
        oldFont_ = SelectObject(dc_, font_);
        SetTextColor(dc_, RGB(255, 255, 255));
        SetBkMode(dc_, TRANSPARENT);
        ready_ = true;
    }
    TileCanvas(const TileCanvas&) = delete;
    TileCanvas& operator=(const TileCanvas&) = delete;
    ~TileCanvas() {
        if (oldFont_ != nullptr) SelectObject(dc_, oldFont_);
        if (oldBitmap_ != nullptr) SelectObject(dc_, oldBitmap_);
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        if (font_ != nullptr) DeleteObject(font_);
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    explicit operator bool() const { return ready_; }
    HDC dc() const { return dc_; }

    void clear() { std::memset(bits_, 0, size_t(kTileWidth) * kTileHeight * 4); }
    // The green channel of the tile's top-left w x h pixels.
    void coverage(std::vector<uint8_t>& out, int32_t w, int32_t h) const {
        const auto* px = static_cast<const uint8_t*>(bits_);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) out[size_t(y) * w + x] = px[(size_t(y) * kTileWidth + x) * 4 + 1];
    }

private:
    HDC dc_;
    HFONT font_;
    HBITMAP bitmap_ = nullptr;
    void* bits_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
    bool ready_ = false;
};

}  // namespace

bool text(const Rect& clip, const FontChoice& font, std::string_view utf8, int64_t x, int64_t y, bool smooth,
          const CoverageSink& sink) {
    const LOGFONTW lf = logical_font(font, smooth);
    const double size = std::fabs(double(lf.lfHeight));
    std::wstring chars = wide(utf8);
    const size_t limit = size_t(std::max(64.0, kLongestText / size));
    if (chars.size() > limit) chars.resize(IS_HIGH_SURROGATE(chars[limit - 1]) ? limit - 1 : limit);
    if (chars.empty()) return true;

    TileCanvas canvas(lf);
    if (!canvas) return false;
    RECT layout{0, 0, 0, 0};
    if (DrawTextW(canvas.dc(), chars.c_str(), int(chars.size()), &layout, kLayout | DT_CALCRECT) == 0) return false;
    // Room around the layout for overhangs of italic and swash glyphs.
    const int64_t margin = int64_t(size / 2) + 2;
    const Rect extents{x + layout.left - margin, y + layout.top - margin, x + layout.right + margin,
                       y + layout.bottom + margin};
    const Rect area = clip.intersect(extents);
    if (area.empty()) return true;
    if (std::max(std::llabs(x - area.left), std::llabs(y - area.top)) >= int64_t(kSmoothReach)) return false;

    std::vector<uint8_t> coverage(size_t(kTileWidth) * kTileHeight);
    for (int64_t top = area.top; top < area.bottom; top += kTileHeight)
        for (int64_t left = area.left; left < area.right; left += kTileWidth) {
            const int32_t w = int32_t(std::min<int64_t>(kTileWidth, area.right - left));
            const int32_t h = int32_t(std::min<int64_t>(kTileHeight, area.bottom - top));
            canvas.clear();
            RECT at{LONG(x - left), LONG(y - top), LONG(x - left + layout.right), LONG(y - top + layout.bottom)};
            DrawTextW(canvas.dc(), chars.c_str(), int(chars.size()), &at, kLayout);
            GdiFlush();
            canvas.coverage(coverage, w, h);
            sink(CoverageTile{left, top, w, h, coverage.data(), w});
        }
    return true;
}

// The system's conversion drops nothing: each invalid sequence becomes
// U+FFFD on the way to UTF-16, and comes back as its three bytes.
std::string valid_utf8(std::string_view text) {
    const std::wstring chars = wide(text);
    if (chars.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, chars.data(), int(chars.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(std::max(n, 0)), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, chars.data(), int(chars.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace imglib::render2d
