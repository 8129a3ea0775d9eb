#include "platform/imglib/linux/cairo_rgba32.h"

namespace imglib::cairo_rgba32 {

namespace {

// cairo's ARGB32 word: alpha in the top byte, then red, green, blue.
inline uint32_t argb_word(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

inline uint32_t premultiply(uint32_t c, uint32_t a) { return (c * a + 127) / 255; }

inline uint8_t unpremultiply(uint32_t c, uint32_t a) {
    const uint32_t v = (c * 255 + a / 2) / a;
    return uint8_t(v > 255 ? 255 : v);
}

}  // namespace

Surface::Surface(int32_t width, int32_t height, cairo_format_t format) {
    if (width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return;
    SurfacePtr s(cairo_image_surface_create(format, width, height));
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return;
    surface_ = std::move(s);
    width_ = width;
    height_ = height;
}

uint8_t* Surface::data() const { return cairo_image_surface_get_data(surface_.get()); }

int32_t Surface::stride() const { return cairo_image_surface_get_stride(surface_.get()); }

void Surface::flush() const { cairo_surface_flush(surface_.get()); }

ContextPtr Surface::context() const {
    if (!surface_) return nullptr;
    ContextPtr c(cairo_create(surface_.get()));
    if (cairo_status(c.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return c;
}

void Surface::load_straight(const uint8_t* rgba, int64_t strideBytes) {
    if (!surface_ || cairo_image_surface_get_format(surface_.get()) != CAIRO_FORMAT_ARGB32) return;
    flush();
    uint8_t* base = data();
    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* in = rgba + y * strideBytes;
        auto* out = reinterpret_cast<uint32_t*>(base + int64_t(y) * stride());
        for (int32_t x = 0; x < width_; ++x, in += 4) {
            const uint32_t a = in[3];
            out[x] = argb_word(a, premultiply(in[0], a), premultiply(in[1], a), premultiply(in[2], a));
        }
    }
    cairo_surface_mark_dirty(surface_.get());
}

void Surface::store_straight(uint8_t* rgba, int64_t strideBytes) const {
    if (!surface_ || cairo_image_surface_get_format(surface_.get()) != CAIRO_FORMAT_ARGB32) return;
    flush();
    const uint8_t* base = data();
    for (int32_t y = 0; y < height_; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(base + int64_t(y) * stride());
        uint8_t* out = rgba + y * strideBytes;
        for (int32_t x = 0; x < width_; ++x, out += 4) {
            const uint32_t w = in[x], a = w >> 24;
            if (a == 255) {
                out[0] = uint8_t(w >> 16), out[1] = uint8_t(w >> 8), out[2] = uint8_t(w), out[3] = 255;
            } else if (a == 0) {
                out[0] = out[1] = out[2] = out[3] = 0;
            } else {
                out[0] = unpremultiply((w >> 16) & 255, a);
                out[1] = unpremultiply((w >> 8) & 255, a);
                out[2] = unpremultiply(w & 255, a);
                out[3] = uint8_t(a);
            }
        }
    }
}

}  // namespace imglib::cairo_rgba32
