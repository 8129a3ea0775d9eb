// Smaller copies of pictures: thumbnails and web pictures of files, and the
// newRGBA picture resampled for the host.
//
// A copy smaller than its source in both directions is averaged down
// (area decimation); any other is resampled bilinearly, which copies a
// picture of the same size unchanged.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace io {

struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const PictureSize&) const = default;
};

// The thumbnail of a w x h picture: 100 along its longer side (width when
// the two are equal), the other side (int)(100 / longer * shorter), at
// least 1.
PictureSize thumbnail_size(int32_t width, int32_t height);
// A w x h picture fitted into a box: when the box is relatively wider than
// the picture, its height becomes min(h, box height), else its width
// becomes min(w, box width); the other side follows the picture's aspect
// (rounded down, at least 1), so a picture that fits keeps its size. An
// empty box gives an empty size.
PictureSize web_picture_size(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight);

// Writes a 24-bit BMP thumbnail of the picture file `from` to `to`; nothing
// when `from` cannot be read. Throws std::bad_alloc without memory.
void make_thumbnail(const char* from, const char* to);
// Writes a JPEG (quality 75) of the picture file fitted into the box.
void make_web_picture(const char* from, const char* to, int32_t boxWidth, int32_t boxHeight);

// newRGBA resampled to width x height into dst as packed RGB24; nothing
// without newRGBA or for an empty size.
void get_resized_new_rgba24(const engine::EngineState& s, uint8_t* dst, int32_t width, int32_t height);

}  // namespace io
