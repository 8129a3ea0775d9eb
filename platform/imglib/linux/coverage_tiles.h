// Coverage rendered with cairo a tile at a time: an A8 surface of one tile,
// whatever the caller draws on it (in picture coordinates), handed to the
// sink.
#pragma once

#include <algorithm>

#include "platform/imglib/linux/cairo_rgba32.h"
#include "platform/imglib/render2d.h"

namespace imglib::render2d::detail {

// Calls draw(context) for each tile of `clip`, its context translated so that
// picture coordinates land on the tile; the tile's coverage goes to the sink.
// False when a surface cannot be made.
template <class Draw>
bool render_tiles(const Rect& clip, const CoverageSink& sink, Draw&& draw) {
    if (clip.empty()) return true;
    cairo_rgba32::Surface surface(kTileWidth, kTileHeight, CAIRO_FORMAT_A8);
    if (!surface) return false;
    for (int64_t top = clip.top; top < clip.bottom; top += kTileHeight)
        for (int64_t left = clip.left; left < clip.right; left += kTileWidth) {
            const int32_t w = int32_t(std::min<int64_t>(kTileWidth, clip.right - left));
            const int32_t h = int32_t(std::min<int64_t>(kTileHeight, clip.bottom - top));
            cairo_rgba32::ContextPtr c = surface.context();
            if (!c) return false;
            cairo_set_operator(c.get(), CAIRO_OPERATOR_CLEAR);
            cairo_paint(c.get());
            cairo_set_operator(c.get(), CAIRO_OPERATOR_OVER);
            cairo_rectangle(c.get(), 0, 0, w, h);
            cairo_clip(c.get());
            cairo_translate(c.get(), double(-left), double(-top));
            if (!draw(c.get()) || cairo_status(c.get()) != CAIRO_STATUS_SUCCESS) return false;
            c.reset();
            surface.flush();
            sink(CoverageTile{left, top, w, h, surface.data(), surface.stride()});
        }
    return true;
}

}  // namespace imglib::render2d::detail
