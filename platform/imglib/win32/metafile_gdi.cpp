// The metafile canvas drawn with GDI, as the system draws metafiles itself:
// paths filled and stroked with GDI's pens and brushes (edges not
// smoothed), pictures stretched with StretchDIBits or blended with
// AlphaBlend, text drawn with ExtTextOutW in its frame. Geometry reaches
// GDI in the advanced graphics mode, as whole numbers of a sixteenth of a
// canvas pixel or finer under a world transform that undoes that scale.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/imglib/metafile_canvas.h"
#include "platform/imglib/metafile_frames.h"
#include "platform/win32/gdi.h"

namespace imglib::metafile {

namespace {

// The largest side of a canvas.
constexpr uint32_t kMaxCanvasSide = 32767;
// Subdivisions of a canvas pixel in the coordinates GDI is given, and the
// largest coordinate it is given (its world space holds 27 bits).
constexpr double kSubpixels = 16;
constexpr double kMostCoordinate = double(1 << 26);
// Dash patterns with more repeats than this along a path are drawn solid.
constexpr double kMaxDashRepeats = 200000;

COLORREF colour_ref(Colour c) { return RGB(c.r, c.g, c.b); }

// Whole-number coordinates for a drawing under the map m: logical points
// times `scale`, under a world transform of m divided by `scale`, so that
// one step is at most a sixteenth of a canvas pixel wherever the path lies.
struct GdiSpace {
    double scale = 1;
    XFORM world{};

    GdiSpace(const Affine& m, const Path* path) {
        const double stretch = std::max(std::hypot(m.xx, m.yx), std::hypot(m.xy, m.yy));
        scale = kSubpixels * stretch;
        double farthest = 0;
        if (path != nullptr)
            for (const PathOp& op : *path)
                for (const Point& p : op.p) farthest = std::max({farthest, std::fabs(p.x), std::fabs(p.y)});
        if (farthest * scale > kMostCoordinate) scale = kMostCoordinate / farthest;
        if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
        world = XFORM{FLOAT(m.xx / scale), FLOAT(m.yx / scale), FLOAT(m.xy / scale),
                      FLOAT(m.yy / scale), FLOAT(m.x0),         FLOAT(m.y0)};
    }
    POINT at(Point p) const { return POINT{LONG(std::lround(p.x * scale)), LONG(std::lround(p.y * scale))}; }
};

// The path's figures laid into the device context's path bracket.
void add_path(HDC dc, const Path& path, const GdiSpace& space) {
    bool open = false;
    for (const PathOp& op : path) {
        const POINT a = space.at(op.p[0]);
        switch (op.kind) {
            case PathOp::Move:
                MoveToEx(dc, a.x, a.y, nullptr);
                open = true;
                break;
            case PathOp::Line:
                if (open) LineTo(dc, a.x, a.y);
                else MoveToEx(dc, a.x, a.y, nullptr), open = true;
                break;
            case PathOp::Curve: {
                if (!open) MoveToEx(dc, a.x, a.y, nullptr), open = true;
                const POINT pts[3] = {a, space.at(op.p[1]), space.at(op.p[2])};
                PolyBezierTo(dc, pts, 3);
                break;
            }
            case PathOp::Close: CloseFigure(dc); break;
        }
    }
}

// A GDI object selected into a device context for a while, then deleted.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), before_(object ? SelectObject(dc, object) : nullptr) {}
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
    ~Selected() {
        if (before_ != nullptr) SelectObject(dc_, before_);
        if (object_ != nullptr) DeleteObject(object_);
    }
    explicit operator bool() const { return object_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ object_;
    HGDIOBJ before_;
};

int hatch_style(Hatch h) {
    switch (h) {
        case Hatch::Horizontal: return HS_HORIZONTAL;
        case Hatch::Vertical: return HS_VERTICAL;
        case Hatch::ForwardDiagonal: return HS_FDIAGONAL;
        case Hatch::BackwardDiagonal: return HS_BDIAGONAL;
        case Hatch::Cross: return HS_CROSS;
        case Hatch::DiagonalCross: return HS_DIAGCROSS;
    }
    return HS_HORIZONTAL;
}

// A 32-bit top-down picture as GDI takes it: blue, green, red, alpha,
// colour premultiplied where there is alpha.
struct GdiPicture {
    BITMAPINFO info{};
    std::vector<uint8_t> bgra;
    bool alpha = false;
};

bool gdi_picture(const Picture& pic, GdiPicture& out) {
    if (pic.width == 0 || pic.height == 0 || pic.width > kMaxCanvasSide || pic.height > kMaxCanvasSide ||
        pic.rgba.size() < size_t(pic.width) * pic.height * 4)
        return false;
    out.alpha = pic.premultiplied || pic.keyed;
    out.bgra.resize(size_t(pic.width) * pic.height * 4);
    for (size_t i = 0; i < size_t(pic.width) * pic.height; ++i) {
        const uint8_t* in = &pic.rgba[i * 4];
        uint8_t* o = &out.bgra[i * 4];
        uint8_t a = 255, r = in[0], g = in[1], b = in[2];
        if (pic.keyed) {
            a = in[3] == 0 ? 0 : 255;
            if (a == 0) r = g = b = 0;
        } else if (pic.premultiplied) {
            // Colour above its alpha is not a premultiplied colour: held to it.
            a = in[3], r = std::min(r, a), g = std::min(g, a), b = std::min(b, a);
        }
        o[0] = b, o[1] = g, o[2] = r, o[3] = a;
    }
    out.info.bmiHeader = platform::win32::top_down_rgb32(LONG(pic.width), LONG(pic.height));
    return true;
}

using platform::win32::wide;

class GdiCanvas final : public Canvas {
public:
    GdiCanvas(HDC dc, HBITMAP bitmap, void* bits, uint32_t width, uint32_t height)
        : dc_(dc), bitmap_(bitmap), bits_(static_cast<uint8_t*>(bits)), width_(width), height_(height) {
        before_ = SelectObject(dc_, bitmap_);
        SetGraphicsMode(dc_, GM_ADVANCED);
        SetBkMode(dc_, TRANSPARENT);
    }
    ~GdiCanvas() override {
        SelectObject(dc_, before_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void set_clip(const Clip& clip) override {
        ModifyWorldTransform(dc_, nullptr, MWT_IDENTITY);
        SelectClipRgn(dc_, nullptr);
        bool first = true;
        for (const ClipShape& shape : clip) {
            if (!path_in_reach(shape.path, Affine{})) continue;  // cannot be drawn: no narrower than the canvas
            HRGN region = region_of(shape.path, Affine{}, shape.rule);
            if (region == nullptr) continue;
            if (shape.outside) {
                HRGN all = CreateRectRgn(-2, -2, LONG(width_) + 2, LONG(height_) + 2);
                CombineRgn(all, all, region, RGN_DIFF);
                DeleteObject(region);
                region = all;
            }
            ExtSelectClipRgn(dc_, region, first ? RGN_COPY : RGN_AND);
            first = false;
            DeleteObject(region);
        }
    }

    void fill(const Path& path, const Affine& m, FillRule rule, const Brush& brush) override {
        if (path.empty() || brush.kind == BrushKind::None || !m.usable() || !path_in_reach(path, m)) return;
        bracket_path(path, m);
        SetPolyFillMode(dc_, rule == FillRule::Winding ? WINDING : ALTERNATE);
        if (brush.kind == BrushKind::Hatch && brush.opaqueBackground) {
            SetBkMode(dc_, OPAQUE);
            SetBkColor(dc_, colour_ref(brush.background));
        }
        const Selected b(dc_, make_brush(brush));
        if (b) FillPath(dc_);
        AbortPath(dc_);
        SetBkMode(dc_, TRANSPARENT);
    }

    void stroke(const Path& path, const Affine& m, const Pen& pen) override {
        if (path.empty() || pen.style == LineStyle::None || !m.usable() || !path_in_reach(path, m)) return;
        const double pixels = pen.width * std::sqrt(std::fabs(m.determinant()));
        const bool thin = !(pixels > 1.5);
        const GdiSpace space = bracket_path(path, m);
        SetMiterLimit(dc_, FLOAT(std::max(1.0, pen.miterLimit)), nullptr);
        const Selected p(dc_, make_pen(pen, thin, space, m, canvas_length(path, m)));
        if (p) StrokePath(dc_);
        AbortPath(dc_);
    }

    void draw_picture(const Picture& pic, double sx, double sy, double scx, double scy, double x, double y, double cx,
                      double cy, const Affine& m, bool smooth, double opacity) override {
        PicturePlacement placed;
        if (!(opacity > 0) || !place_picture(pic, sx, sy, scx, scy, x, y, cx, cy, m, placed)) return;
        const Affine& full = placed.full;
        const double x0 = placed.x0, y0 = placed.y0, x1 = placed.x1, y1 = placed.y1;
        GdiPicture g;
        if (!gdi_picture(pic, g)) return;
        // The picture's pixels as the world: one unit a source pixel.
        const XFORM world{FLOAT(full.xx), FLOAT(full.yx), FLOAT(full.xy), FLOAT(full.yy), FLOAT(full.x0), FLOAT(full.y0)};
        const int sl = int(std::floor(x0)), st = int(std::floor(y0));
        const int sw = int(std::ceil(x1)) - sl, sh = int(std::ceil(y1)) - st;
        SetStretchBltMode(dc_, smooth ? HALFTONE : COLORONCOLOR);
        SetBrushOrgEx(dc_, 0, 0, nullptr);
        if (!g.alpha && opacity >= 1) {
            SetWorldTransform(dc_, &world);
            StretchDIBits(dc_, sl, st, sw, sh, sl, st, sw, sh, g.bgra.data(), &g.info, DIB_RGB_COLORS, SRCCOPY);
            return;
        }
        blend(g, full, world, sl, st, sw, sh, opacity);
    }

    double draw_text(const TextRun& run, const Font& font, const Affine& m) override;

    void copy_rgb(uint8_t* rgb, size_t strideBytes) const override {
        GdiFlush();
        for (uint32_t y = 0; y < height_; ++y) {
            const uint8_t* in = bits_ + size_t(y) * width_ * 4;
            uint8_t* out = rgb + y * strideBytes;
            for (uint32_t x = 0; x < width_; ++x, in += 4, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
        }
    }

private:
    // The path laid into the device context's path bracket under m; the
    // space it was laid in, which pens measure by.
    GdiSpace bracket_path(const Path& path, const Affine& m) {
        const GdiSpace space(m, &path);
        SetWorldTransform(dc_, &space.world);
        BeginPath(dc_);
        add_path(dc_, path, space);
        EndPath(dc_);
        return space;
    }

    HRGN region_of(const Path& path, const Affine& m, FillRule rule) {
        bracket_path(path, m);
        SetPolyFillMode(dc_, rule == FillRule::Winding ? WINDING : ALTERNATE);
        HRGN region = PathToRegion(dc_);
        ModifyWorldTransform(dc_, nullptr, MWT_IDENTITY);
        return region;
    }

    HBRUSH make_brush(const Brush& brush) {
        switch (brush.kind) {
            case BrushKind::Solid: return CreateSolidBrush(colour_ref(brush.colour));
            case BrushKind::Hatch: return CreateHatchBrush(hatch_style(brush.hatch), colour_ref(brush.colour));
            case BrushKind::Pattern: {
                GdiPicture g;
                if (!brush.pattern || !gdi_picture(*brush.pattern, g)) return CreateSolidBrush(colour_ref(brush.colour));
                std::vector<uint8_t> packed(sizeof g.info.bmiHeader + g.bgra.size());
                std::memcpy(packed.data(), &g.info.bmiHeader, sizeof g.info.bmiHeader);
                std::memcpy(packed.data() + sizeof g.info.bmiHeader, g.bgra.data(), g.bgra.size());
                return CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS);
            }
            case BrushKind::None: break;
        }
        return nullptr;
    }

    // One-pixel pens are cosmetic, with the system's own dash patterns;
    // wider ones geometric, their width, caps, joins and dashes in the
    // coordinates of the path.
    HPEN make_pen(const Pen& pen, bool thin, const GdiSpace& space, const Affine& m, double length) {
        DWORD style = 0;
        switch (pen.style) {
            case LineStyle::Dash: style = PS_DASH; break;
            case LineStyle::Dot: style = PS_DOT; break;
            case LineStyle::DashDot: style = PS_DASHDOT; break;
            case LineStyle::DashDotDot: style = PS_DASHDOTDOT; break;
            case LineStyle::User: style = PS_USERSTYLE; break;
            default: style = PS_SOLID; break;
        }
        const double unit = thin ? 1 : std::sqrt(std::fabs(m.determinant()));  // canvas pixels per dash unit
        std::vector<DWORD> dashes;
        if (style == PS_USERSTYLE) {
            double period = 0;
            for (double d : pen.dashes) {
                const double v = thin ? d * std::sqrt(std::fabs(m.determinant())) : d * space.scale;
                dashes.push_back(DWORD(std::clamp(std::lround(v), 1L, 1L << 24)));
                period += d * unit;
            }
            if (dashes.empty() || !(period >= 1) || length / period > kMaxDashRepeats) style = PS_SOLID, dashes.clear();
        }
        LOGBRUSH brush{BS_SOLID, colour_ref(pen.colour), 0};
        if (thin) return ExtCreatePen(PS_COSMETIC | style, 1, &brush, DWORD(dashes.size()), dashes.empty() ? nullptr : dashes.data());
        const DWORD cap = pen.cap == LineCap::Flat ? PS_ENDCAP_FLAT : pen.cap == LineCap::Square ? PS_ENDCAP_SQUARE : PS_ENDCAP_ROUND;
        const DWORD join = pen.join == LineJoin::Bevel ? PS_JOIN_BEVEL : pen.join == LineJoin::Miter ? PS_JOIN_MITER : PS_JOIN_ROUND;
        // Wider than the canvas's diagonal covers it anyway.
        const double most = (2 * std::hypot(double(width_), double(height_)) + 2) / unit;
        const double width = std::min(pen.width, most) * space.scale;
        return ExtCreatePen(PS_GEOMETRIC | style | cap | join, DWORD(std::clamp(std::lround(width), 1L, 1L << 26)), &brush,
                            DWORD(dashes.size()), dashes.empty() ? nullptr : dashes.data());
    }

    // A picture with alpha, or laid at an opacity: blended where its place
    // on the canvas is an upright rectangle (mirrored by reversing its
    // rows or columns), else drawn where its alpha is at least half.
    void blend(GdiPicture& g, const Affine& full, const XFORM& world, int sl, int st, int sw, int sh, double opacity) {
        const BYTE constant = BYTE(std::lround(std::clamp(opacity, 0.0, 1.0) * 255));
        const int width = int(g.info.bmiHeader.biWidth);
        if (!g.alpha)  // opaque, at an opacity
            for (size_t i = 3; i < g.bgra.size(); i += 4) g.bgra[i] = 255;
        if (full.xy == 0 && full.yx == 0) {
            if (full.xx < 0) mirror_columns(g, width);
            if (full.yy < 0) mirror_rows(g, width);
            const int fl = full.xx < 0 ? width - (sl + sw) : sl;
            const int ft = full.yy < 0 ? int(-g.info.bmiHeader.biHeight) - (st + sh) : st;
            const Point a = full.apply({double(sl), double(st)}), b = full.apply({double(sl + sw), double(st + sh)});
            const LONG dl = LONG(std::lround(std::min(a.x, b.x))), dt = LONG(std::lround(std::min(a.y, b.y)));
            const LONG dr = LONG(std::lround(std::max(a.x, b.x))), db = LONG(std::lround(std::max(a.y, b.y)));
            if (dr <= dl || db <= dt) return;
            HDC source = CreateCompatibleDC(dc_);
            void* bits = nullptr;
            HBITMAP bitmap = CreateDIBSection(dc_, &g.info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (source != nullptr && bitmap != nullptr) {
                std::memcpy(bits, g.bgra.data(), g.bgra.size());
                const HGDIOBJ before = SelectObject(source, bitmap);
                ModifyWorldTransform(dc_, nullptr, MWT_IDENTITY);
                const BLENDFUNCTION f{AC_SRC_OVER, 0, constant, AC_SRC_ALPHA};
                GdiAlphaBlend(dc_, dl, dt, dr - dl, db - dt, source, fl, ft, sw, sh, f);
                SelectObject(source, before);
            }
            if (bitmap != nullptr) DeleteObject(bitmap);
            if (source != nullptr) DeleteDC(source);
            return;
        }
        // Turned or sheared: GDI blends only upright rectangles.
        for (size_t i = 3; i < g.bgra.size(); i += 4)
            if (g.bgra[i] * uint32_t(constant) < 128u * 255u) g.bgra[i - 3] = g.bgra[i - 2] = g.bgra[i - 1] = 0, g.bgra[i] = 0;
        SetWorldTransform(dc_, &world);
        std::vector<uint8_t> mask = g.bgra;
        for (size_t i = 0; i < mask.size(); i += 4) {
            const uint8_t v = g.bgra[i + 3] != 0 ? 0 : 255;  // white keeps what lies under the picture
            mask[i] = mask[i + 1] = mask[i + 2] = v;
        }
        StretchDIBits(dc_, sl, st, sw, sh, sl, st, sw, sh, mask.data(), &g.info, DIB_RGB_COLORS, SRCAND);
        StretchDIBits(dc_, sl, st, sw, sh, sl, st, sw, sh, g.bgra.data(), &g.info, DIB_RGB_COLORS, SRCPAINT);
    }

    static void mirror_columns(GdiPicture& g, int width) {
        const int height = -g.info.bmiHeader.biHeight;
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(g.bgra.data() + size_t(y) * width * 4);
            std::reverse(row, row + width);
        }
    }
    static void mirror_rows(GdiPicture& g, int width) {
        const int height = -g.info.bmiHeader.biHeight;
        for (int y = 0; y < height / 2; ++y)
            std::swap_ranges(g.bgra.begin() + ptrdiff_t(y) * width * 4, g.bgra.begin() + ptrdiff_t(y + 1) * width * 4,
                             g.bgra.begin() + ptrdiff_t(height - 1 - y) * width * 4);
    }

    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ before_ = nullptr;
    uint8_t* bits_;
    uint32_t width_, height_;
};

double GdiCanvas::draw_text(const TextRun& run, const Font& font, const Affine& m) {
    TextFrame tf;
    if (!(font.height > 0) || !std::isfinite(font.height) || !text_frame(run, font, m, tf)) return 0;
    const double size = font.height * tf.scale;
    if (!text_drawable(size, tf)) return 0;
    LOGFONTW lf{};
    lf.lfHeight = LONG(std::max(1L, std::lround(size))) * (font.cellHeight ? 1 : -1);
    lf.lfWeight = std::clamp(font.weight, 100, 1000);
    lf.lfItalic = font.italic;
    lf.lfUnderline = font.underline;
    lf.lfStrikeOut = font.strikeout;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = ANTIALIASED_QUALITY;
    const std::wstring face = wide(font.face);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);

    std::wstring chars;
    std::vector<INT> dx;
    const bool spaced = !run.advances.empty() && run.advances.size() == run.pieces.size();
    double width = 0;
    for (size_t i = 0; i < run.pieces.size(); ++i) {
        const std::wstring piece = wide(run.pieces[i]);
        chars += piece;
        if (!spaced) continue;
        const double advance = run.advances[i] * tf.scale;
        width += advance;
        for (size_t k = 0; k < piece.size(); ++k) dx.push_back(k == 0 ? INT(std::lround(advance)) : 0);
    }
    if (spaced && (!std::isfinite(width) || std::fabs(width) > kReach)) return 0;

    const int saved = SaveDC(dc_);
    if (run.clipped) {
        const Point a = run.clipRect[0], b = run.clipRect[1];
        const Path box{{PathOp::Move, {{a.x, a.y}}}, {PathOp::Line, {{b.x, a.y}}}, {PathOp::Line, {{b.x, b.y}}},
                       {PathOp::Line, {{a.x, b.y}}}, {PathOp::Close, {}}};
        if (HRGN region = region_of(box, m, FillRule::Winding)) {
            ExtSelectClipRgn(dc_, region, RGN_AND);
            DeleteObject(region);
        }
    }
    const Affine& f = tf.frame;
    const XFORM world{FLOAT(f.xx), FLOAT(f.yx), FLOAT(f.xy), FLOAT(f.yy), FLOAT(f.x0), FLOAT(f.y0)};
    SetWorldTransform(dc_, &world);
    const Selected selected(dc_, CreateFontIndirectW(&lf));
    SetTextAlign(dc_, (run.halign == TextHAlign::Centre  ? TA_CENTER
                       : run.halign == TextHAlign::Right ? TA_RIGHT
                                                         : TA_LEFT) |
                          (run.valign == TextVAlign::Baseline ? TA_BASELINE
                           : run.valign == TextVAlign::Bottom ? TA_BOTTOM
                                                              : TA_TOP));
    SetTextColor(dc_, colour_ref(run.colour));
    SetBkColor(dc_, colour_ref(run.background));
    SetBkMode(dc_, run.opaqueBackground ? OPAQUE : TRANSPARENT);
    if (!spaced) {
        SIZE extent{};
        if (!chars.empty()) GetTextExtentPoint32W(dc_, chars.c_str(), int(chars.size()), &extent);
        width = extent.cx;
    }
    if (selected && !chars.empty())
        ExtTextOutW(dc_, 0, 0, 0, nullptr, chars.c_str(), UINT(chars.size()), spaced ? dx.data() : nullptr);
    RestoreDC(dc_, saved);
    return width / tf.scale;
}

}  // namespace

std::unique_ptr<Canvas> make_canvas(uint32_t width, uint32_t height, Colour background) {
    if (width == 0 || height == 0 || width > kMaxCanvasSide || height > kMaxCanvasSide) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader = platform::win32::top_down_rgb32(LONG(width), LONG(height));
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        DeleteDC(dc);
        return nullptr;
    }
    auto* px = static_cast<uint32_t*>(bits);
    const uint32_t fill = uint32_t(background.r) << 16 | uint32_t(background.g) << 8 | background.b;
    std::fill(px, px + size_t(width) * height, fill);
    return std::make_unique<GdiCanvas>(dc, bitmap, bits, width, height);
}

}  // namespace imglib::metafile
