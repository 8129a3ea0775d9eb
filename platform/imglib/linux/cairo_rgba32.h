// RGBA32 pictures (straight colour, bytes red, green, blue, alpha) as cairo
// image surfaces, whose pixels are premultiplied native-endian ARGB words.
//
// Any cairo code of the imaging library that draws into or reads from one of
// our pictures goes through this: a surface it owns, filled from a picture
// (premultiplication in) and read back into one (premultiplication out), and
// owning handles for the cairo objects around it.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>

namespace imglib::cairo_rgba32 {

struct ContextDeleter {
    void operator()(cairo_t* c) const noexcept { cairo_destroy(c); }
};
struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const noexcept { cairo_pattern_destroy(p); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const noexcept { cairo_surface_destroy(s); }
};
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// Largest side of a surface cairo's image backend draws into (its
// coordinates are 24.8 fixed point).
inline constexpr int32_t kMaxSurfaceSide = 32767;

// An image surface of its own memory: ARGB32 for colour, A8 for coverage.
class Surface {
public:
    // An empty surface (operator bool false) when the size is out of reach
    // or the memory cannot be had.
    Surface(int32_t width, int32_t height, cairo_format_t format);

    explicit operator bool() const { return surface_ != nullptr; }
    cairo_surface_t* get() const { return surface_.get(); }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Pixel rows, `stride` bytes apart; call flush() after drawing first.
    uint8_t* data() const;
    int32_t stride() const;
    void flush() const;

    // A drawing context on the surface, or null.
    ContextPtr context() const;

    // ARGB32 only: the picture's top-left width x height pixels,
    // premultiplied (platform/imglib/premultiplied.h).
    void load_straight(const uint8_t* rgba, int64_t strideBytes);
    // ARGB32 and RGB24 (read as opaque): the surface's top-left columns x
    // rows pixels (at most its size) into a straight picture, colour divided
    // by alpha again; alpha 0 gives (0, 0, 0, 0).
    void store_straight(uint8_t* rgba, int64_t strideBytes, int32_t columns, int32_t rows) const;

private:
    SurfacePtr surface_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace imglib::cairo_rgba32
