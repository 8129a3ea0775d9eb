#include "io/clipboard.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/blend_modes.h"
#include "engine/merge.h"
#include "engine/pixels.h"
#include "imaging/working_buffers.h"
#include "io/image_files.h"
#include "mask/selection.h"
#include "platform/imglib/dib.h"
#include "platform/imglib/files.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/resample.h"
#include "platform/imglib/rotate.h"
#include "platform/screen.h"

namespace io {

namespace {

using engine::EngineState;
using engine::OwnedBuffer;

// The clipboard's memory is sized as the picture plus room for any header.
constexpr uint64_t kDibRoom = 4000;
// Degrees to radians as the paste computes it, in single precision.
constexpr float kRadiansPerDegree = 0.0174532925f;
// A paste is never scaled or turned into a picture larger than the readers
// accept.
constexpr int64_t kMaxPasteSide = imglib::kMaxFileSide;
constexpr int64_t kMaxPastePixels = int64_t(imglib::kMaxFilePixels);

// A copy's alpha through the mask while it is in force. Fully selected
// pixels keep their alpha: an opaque picture copies as opaque.
void apply_mask(const EngineState& s, uint8_t* picture, int32_t width, int32_t height) {
    if (s.maskActive) mask::apply_to_alpha_rgba32(s, picture, width, height, true);
}

void put_on_clipboard(platform::Dib dib) {
    if (!dib.empty()) platform::clipboard().put(std::move(dib));
}

// iplSrc32 or iplDst32 released on every path out of an operation.
class WorkingRelease {
public:
    WorkingRelease(EngineState& s, void (*release)(EngineState&)) : s_(s), release_(release) {}
    WorkingRelease(const WorkingRelease&) = delete;
    WorkingRelease& operator=(const WorkingRelease&) = delete;
    ~WorkingRelease() { release_(s_); }

private:
    EngineState& s_;
    void (*release_)(EngineState&);
};

// newRGBA released on every path out of a paste.
class NewRGBARelease {
public:
    explicit NewRGBARelease(EngineState& s) : s_(s) {}
    NewRGBARelease(const NewRGBARelease&) = delete;
    NewRGBARelease& operator=(const NewRGBARelease&) = delete;
    ~NewRGBARelease() { delete_new_rgba(s_); }

private:
    EngineState& s_;
};

bool has_current_layer(const EngineState& s) {
    return s.currentSlot != nullptr && engine::image_pixels(s, *s.currentSlot) != nullptr;
}

// The paste's picture: newRGBA.
struct Paste {
    EngineState& s;
    uint8_t* pixels() { return s.io.newRGBA.data(); }
    int32_t width() const { return s.io.newRGBAWidth; }
    int32_t height() const { return s.io.newRGBAHeight; }
};

// A zero-filled picture for a step's result, or an empty one when the size
// is beyond a paste's limits or the memory cannot be had (the step is then
// skipped).
OwnedBuffer<uint8_t> step_buffer(int64_t width, int64_t height) {
    OwnedBuffer<uint8_t> b;
    if (width < 1 || height < 1 || width > kMaxPasteSide || height > kMaxPasteSide ||
        width * height > kMaxPastePixels || !b.allocate(uint64_t(width * height * 4)))
        return {};
    b.fill_bytes(0);
    return b;
}

// A side scaled and truncated toward zero, at least 1; a side that is not a
// finite number, or too large for any picture, gives 0 (no step).
int64_t scaled_side(double side) {
    if (!std::isfinite(side) || side > double(kMaxPasteSide)) return 0;
    return side < 1 ? 1 : int64_t(side);
}

// One step from the paste into a new picture of w x h (zero-filled) that
// then replaces it. A smooth step of the sized paste works on colour
// premultiplied by alpha and divides it out of its result. A step whose
// picture cannot be had is skipped; one that fails leaves the paste.
template <class Step>
void run_step(Paste& p, int64_t w, int64_t h, bool premultiplied, Step&& step) {
    OwnedBuffer<uint8_t> out = step_buffer(w, h);
    if (!out) return;
    if (premultiplied) pixels::premultiply_rgba32(p.pixels(), p.width(), p.height());
    const bool done = step(out.data()) != 0;
    uint8_t* result = done ? out.data() : p.pixels();
    if (premultiplied)
        pixels::unpremultiply_rgba32(result, done ? int32_t(w) : p.width(), done ? int32_t(h) : p.height(), false);
    if (done) adopt_new_rgba(p.s, std::move(out), int32_t(w), int32_t(h));
}

void resample(Paste& p, int64_t w, int64_t h, bool smooth, bool premultiplied) {
    const auto call = smooth ? imglib::IS3ResizeImageBicubic : imglib::IS3SimpleResampleImage;
    run_step(p, w, h, smooth && premultiplied, [&](uint8_t* out) {
        return call(p.pixels(), uint32_t(p.width()), uint32_t(p.height()), uint32_t(p.width()) * 4, out, uint32_t(w),
                    uint32_t(h), uint32_t(w) * 4, 4);
    });
}

void rotate(Paste& p, int32_t angle, bool smooth, bool premultiplied) {
    const float radians = float(angle) * kRadiansPerDegree;
    uint32_t w = 0, h = 0;
    if (!imglib::IS3GetRotatedPixelSize(uint32_t(p.width()), uint32_t(p.height()), radians, &w, &h)) return;
    run_step(p, w, h, smooth && premultiplied, [&](uint8_t* out) {
        return imglib::IS3RotateImage(p.pixels(), uint32_t(p.width()), uint32_t(p.height()), uint32_t(p.width()) * 4,
                                      out, w, h, w * 4, uint64_t(w) * h * 4, 0, 0, radians, 4,
                                      smooth ? imglib::kRotateBicubic : imglib::kRotateNearest);
    });
}

// Where the paste's top-left corner goes: (x, y), or the centre there.
void place(const Paste& p, int32_t& x, int32_t& y, bool centre) {
    if (!centre) return;
    x -= p.width() / 2;
    y -= p.height() / 2;
}

blend::Params paste_params(const EngineState& s) {
    return {engine::kModeNormal, 255, s.currentSlot->keepAlpha != 0};
}

// Copies newRGBA over an image-sized picture at (x, y), then loads that
// picture into the current layer through the mask.
int32_t lay_into_current_layer(EngineState& s, int32_t x, int32_t y) {
    imaging::alloc_src_buffer32(s);
    const WorkingRelease release(s, imaging::free_src_buffer32);
    Paste p{s};
    const uint32_t w = uint32_t(s.imageWidth), h = uint32_t(s.imageHeight);
    if (!imglib::IS3OverlayImage(s.working.iplSrc32.data(), w, h, 4, w * 4, p.pixels(), uint32_t(p.width()),
                                 uint32_t(p.height()), uint32_t(p.width()) * 4, x, y, 1.0, 1))
        return 0;
    pixels::load_rgba32_layer(s, s.working.iplSrc32.data(), s.imageWidth * 4, s.currentLayer, 0, 0, s.imageWidth,
                              s.imageHeight, true);
    return 1;
}

}  // namespace

platform::Dib rgba_to_dib(const uint8_t* rgba, int32_t width, int32_t height) {
    if (rgba == nullptr || width <= 0 || height <= 0) return {};
    const uint64_t exact = imglib::IS3DIBSizeOfRGBA(uint32_t(width), uint32_t(height));
    if (exact == 0) return {};
    platform::Dib dib(size_t(uint64_t(width) * uint64_t(height) * 4 + kDibRoom), 0);
    if (!imglib::IS3RGBAToDIB(rgba, uint32_t(width), uint32_t(height), dib.data(), dib.size())) return {};
    dib.resize(size_t(exact));
    return dib;
}

int32_t dib_to_new_rgba(EngineState& s, const uint8_t* dib, uint64_t size) {
    const uint32_t w = imglib::IS3DIBWidth(dib, size), h = imglib::IS3DIBHeight(dib, size);
    if (w == 0 || h == 0) return 0;
    OwnedBuffer<uint8_t> pixels = new_rgba_block(int32_t(w), int32_t(h));
    if (!imglib::IS3DIBToRGBA(dib, size, pixels.data(), 255)) return 0;
    adopt_new_rgba(s, std::move(pixels), int32_t(w), int32_t(h));
    return 1;
}

int32_t dib_to_new_rgba(EngineState& s, const platform::Dib& dib) { return dib_to_new_rgba(s, dib.data(), dib.size()); }

void to_clipboard(EngineState& s) {
    imaging::alloc_src_buffer32(s);
    const WorkingRelease release(s, imaging::free_src_buffer32);
    uint8_t* picture = s.working.iplSrc32.data();
    apply_mask(s, picture, s.imageWidth, s.imageHeight);
    put_on_clipboard(rgba_to_dib(picture, s.imageWidth, s.imageHeight));
}

void to_clipboard_rect(EngineState& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const int64_t left = std::max<int64_t>(0, std::min(x1, x2)), right = std::min<int64_t>(s.imageWidth, std::max(x1, x2));
    const int64_t top = std::max<int64_t>(0, std::min(y1, y2)), bottom = std::min<int64_t>(s.imageHeight, std::max(y1, y2));
    if (left >= right || top >= bottom) return;
    const int32_t w = int32_t(right - left), h = int32_t(bottom - top);
    OwnedBuffer<uint8_t> cut;
    {
        imaging::alloc_src_buffer32(s);
        const WorkingRelease release(s, imaging::free_src_buffer32);
        uint8_t* picture = s.working.iplSrc32.data();
        apply_mask(s, picture, s.imageWidth, s.imageHeight);
        cut.allocate_or_throw(uint64_t(w) * uint64_t(h) * 4);
        const uint32_t iw = uint32_t(s.imageWidth);
        if (!imglib::IS3CropImage(picture, iw, uint32_t(s.imageHeight), iw * 4, cut.data(), uint32_t(w) * 4, 4,
                                  int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)))
            return;
    }
    put_on_clipboard(rgba_to_dib(cut.data(), w, h));
}

void rgba32_to_clipboard(EngineState& s, uint8_t* rgba, int32_t width, int32_t height) {
    if (rgba == nullptr || width <= 0 || height <= 0) return;
    apply_mask(s, rgba, width, height);
    put_on_clipboard(rgba_to_dib(rgba, width, height));
}

int32_t clipboard_owned() { return platform::clipboard().owned() ? 1 : 0; }

int32_t from_clipboard(EngineState& s) { return dib_to_new_rgba(s, platform::clipboard().take()); }

int32_t from_clipboard_into(EngineState& s, int32_t x, int32_t y, bool centre) {
    if (!has_current_layer(s) || from_clipboard(s) == 0) return 0;
    const NewRGBARelease release(s);
    Paste p{s};
    place(p, x, y, centre);
    return lay_into_current_layer(s, x, y);
}

void from_clipboard_into_ex(EngineState& s, int32_t x, int32_t y, float scale, int32_t angle, bool centre,
                            bool smooth) {
    if (!has_current_layer(s) || from_clipboard(s) == 0) return;
    const NewRGBARelease release(s);
    Paste p{s};
    if (scale != 1.0f) {
        const int64_t w = scaled_side(double(scale * float(p.width()))), h = scaled_side(double(scale * float(p.height())));
        if (w > 0 && h > 0) resample(p, w, h, smooth, false);
    }
    if (angle != 0) rotate(p, angle, smooth, false);
    imaging::alloc_dst_buffer32(s);
    const WorkingRelease release_dst(s, imaging::free_dst_buffer32);
    uint8_t* whole = s.working.iplDst32.data();
    s.working.iplDst32.fill_bytes(0);
    place(p, x, y, centre);
    const uint32_t iw = uint32_t(s.imageWidth), ih = uint32_t(s.imageHeight);
    if (!imglib::IS3OverlayImage(whole, iw, ih, 4, iw * 4, p.pixels(), uint32_t(p.width()), uint32_t(p.height()),
                                 uint32_t(p.width()) * 4, x, y, 1.0, 1))
        return;
    pixels::adjust_rgba32_by_mask_and_texture(s, whole, 0, 0, s.imageWidth, s.imageHeight);
    merge::merge_rgba32_image(s, whole, *s.currentSlot, paste_params(s));
}

void from_clipboard_into_ex2(EngineState& s, int32_t x, int32_t y, int32_t size, int32_t angle, bool centre,
                             bool smooth) {
    if (!has_current_layer(s) || from_clipboard(s) == 0) return;
    const NewRGBARelease release(s);
    Paste p{s};
    const double factor = double(size) / std::max(p.width(), p.height());
    if (factor != 1.0) {
        const int64_t h = scaled_side(factor * p.height()), w = scaled_side(factor * p.width());
        if (w > 0 && h > 0) resample(p, w, h, smooth, true);
    }
    if (angle != 0 && angle != 360) rotate(p, angle, smooth, true);
    place(p, x, y, centre);
    // Only the part over the image is merged: the picture's own origin
    // moves by what hangs over the top and left edges.
    int64_t left = x, top = y, skip_x = 0, skip_y = 0, w = p.width(), h = p.height();
    if (left < 0) skip_x = -left, w += left, left = 0;
    if (top < 0) skip_y = -top, h += top, top = 0;
    w = std::min<int64_t>(w, s.imageWidth - left);
    h = std::min<int64_t>(h, s.imageHeight - top);
    if (w <= 0 || h <= 0) return;
    if (w != p.width() || h != p.height()) {
        OwnedBuffer<uint8_t> visible = step_buffer(w, h);
        if (!visible) return;
        if (!imglib::IS3OverlayImage(visible.data(), uint32_t(w), uint32_t(h), 4, uint32_t(w) * 4, p.pixels(),
                                     uint32_t(p.width()), uint32_t(p.height()), uint32_t(p.width()) * 4,
                                     int32_t(-skip_x), int32_t(-skip_y), 1.0, 1))
            return;
        adopt_new_rgba(s, std::move(visible), int32_t(w), int32_t(h));
    }
    pixels::adjust_rgba32_by_mask_and_texture(s, p.pixels(), int32_t(left), int32_t(top), int32_t(w), int32_t(h));
    merge::merge_rgba32_at(s, p.pixels(), w * 4, int32_t(w), int32_t(h), int32_t(left), int32_t(top), *s.currentSlot,
                           paste_params(s));
}

int32_t screen_capture(EngineState& s) {
    platform::ScreenCapture capture;
    if (!platform::screen().capture(capture)) return 0;
    const imglib::DeviceBitmap bitmap = capture.bitmap();
    uint64_t size = 0;
    const std::unique_ptr<uint8_t, void (*)(void*)> dib(imglib::IS3HBITMAPToDIB(&bitmap, 0, &size), imglib::GlobalFree);
    return dib ? dib_to_new_rgba(s, dib.get(), size) : 0;
}

int32_t screen_capture_into(EngineState& s) {
    if (!has_current_layer(s) || screen_capture(s) == 0) return 0;
    const NewRGBARelease release(s);
    return lay_into_current_layer(s, 0, 0);
}

}  // namespace io
