#include "platform/imglib/linux/cairo_rgba32.h"

#include <algorithm>

#include "platform/imglib/premultiplied.h"

namespace imglib::cairo_rgba32 {

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
        for (int32_t x = 0; x < width_; ++x, in += 4) out[x] = premultiplied::argb_word(in);
    }
    cairo_surface_mark_dirty(surface_.get());
}

void Surface::store_straight(uint8_t* rgba, int64_t strideBytes, int32_t columns, int32_t rows) const {
    if (!surface_) return;
    const cairo_format_t format = cairo_image_surface_get_format(surface_.get());
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return;
    // An RGB24 word's top byte is unused: every pixel is opaque.
    const uint32_t opaque = format == CAIRO_FORMAT_RGB24 ? 0xFF000000u : 0;
    flush();
    const uint8_t* base = data();
    for (int32_t y = 0; y < std::min(rows, height_); ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(base + int64_t(y) * stride());
        uint8_t* out = rgba + y * strideBytes;
        for (int32_t x = 0; x < std::min(columns, width_); ++x, out += 4)
            premultiplied::straight_pixel(in[x] | opaque, out);
    }
}

}  // namespace imglib::cairo_rgba32
