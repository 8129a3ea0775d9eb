#include "io/resized_pictures.h"

#include <algorithm>
#include <cerrno>

#include "engine/buffer.h"
#include "engine/trace.h"
#include "io/image_files.h"
#include "platform/imglib/channels.h"
#include "platform/imglib/files.h"
#include "platform/imglib/resample.h"

namespace io {

namespace {

using namespace imglib;

// Resamples a packed picture into a packed one of `to`: averaged down when
// smaller in both directions, else bilinear.
bool resample(const uint8_t* src, PictureSize from, uint8_t* dst, PictureSize to, uint32_t bytesPerPixel) {
    const uint32_t w = uint32_t(from.width), h = uint32_t(from.height);
    const uint32_t nw = uint32_t(to.width), nh = uint32_t(to.height);
    if (to.width < from.width && to.height < from.height)
        return IS3DecimateImage(src, w, h, w * bytesPerPixel, dst, nw, nh, nw * bytesPerPixel, bytesPerPixel,
                                kDecimateAverage) != 0;
    return IS3ResizeImage(src, w, h, w * bytesPerPixel, dst, nw, nh, nw * bytesPerPixel, bytesPerPixel) != 0;
}

using RGBWriter = BOOL (*)(HISDEST, const uint8_t*, uint32_t, uint32_t);

// The picture file `from` without its alpha, resampled to the size `fit`
// gives it and written to `to`.
template <class Fit>
void write_resized_copy(const char* from, const char* to, Fit fit, RGBWriter write) {
    const RGBAPicture picture(from);
    if (!picture || to == nullptr) return;
    // Decoded pictures are at most 65535 a side.
    const PictureSize source{int32_t(picture.width()), int32_t(picture.height())};
    const PictureSize size = fit(source);
    if (size.width <= 0 || size.height <= 0) return;
    engine::OwnedBuffer<uint8_t> rgb, copy;
    rgb.allocate_or_throw(engine::sat_mul(picture.width(), picture.height(), 3));
    copy.allocate_or_throw(engine::sat_mul(uint64_t(size.width), uint64_t(size.height), 3));
    if (!IS3SplitRGBAToRGBPlusA(picture.pixels(), picture.width(), picture.height(), picture.width() * 4, rgb.data(),
                                picture.width() * 3, nullptr, 0) ||
        !resample(rgb.data(), source, copy.data(), size, 3))
        return;
    HISDEST dest = IS3OpenFileDest(to, 0);
    if (dest == nullptr) return trace::cannot_open("write a smaller copy", to, errno);
    if (!write(dest, copy.data(), uint32_t(size.width), uint32_t(size.height))) IS3CancelDest(dest);
    else IS3CloseDest(dest);
}

BOOL write_bmp(HISDEST d, const uint8_t* rgb, uint32_t w, uint32_t h) { return IS3WriteBMP(d, rgb, w, h, 24, nullptr); }
BOOL write_jpg(HISDEST d, const uint8_t* rgb, uint32_t w, uint32_t h) {
    return IS3WriteJPG(d, rgb, w, h, 75, 24, nullptr);
}

int32_t at_least_one(int64_t v) { return int32_t(std::max<int64_t>(v, 1)); }

}  // namespace

PictureSize thumbnail_size(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return {};
    constexpr int32_t kEdge = 100;
    if (height < width) return {kEdge, at_least_one(int64_t(100.0 / width * height))};
    return {at_least_one(int64_t(100.0 / height * width)), kEdge};
}

PictureSize web_picture_size(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {};
    const double boxAspect = double(boxWidth) / double(boxHeight);
    const double aspect = double(width) / double(height);
    if (boxAspect > aspect) {
        const int32_t h = std::min(height, boxHeight);
        return {at_least_one(int64_t(h) * width / height), h};
    }
    const int32_t w = std::min(width, boxWidth);
    return {w, at_least_one(int64_t(w) * height / width)};
}

void make_thumbnail(const char* from, const char* to) {
    write_resized_copy(
        from, to, [](PictureSize p) { return thumbnail_size(p.width, p.height); }, write_bmp);
}

void make_web_picture(const char* from, const char* to, int32_t boxWidth, int32_t boxHeight) {
    write_resized_copy(
        from, to, [&](PictureSize p) { return web_picture_size(p.width, p.height, boxWidth, boxHeight); },
        write_jpg);
}

void get_resized_new_rgba24(const engine::EngineState& s, uint8_t* dst, int32_t width, int32_t height) {
    if (!s.io.newRGBA)
        return trace::skipped("PTE_GetResizedNewRGBA24", "no picture in newRGBA (PTE_ReadFromFile fills it)");
    if (dst == nullptr || width <= 0 || height <= 0)
        return trace::skipped("PTE_GetResizedNewRGBA24", "no destination, or %d x %d is empty", width, height);
    const PictureSize source{s.io.newRGBAWidth, s.io.newRGBAHeight};
    engine::OwnedBuffer<uint8_t> scratch;
    scratch.allocate_or_throw(engine::sat_mul(uint64_t(width), uint64_t(height), 4));
    if (!resample(s.io.newRGBA.data(), source, scratch.data(), {width, height}, 4)) return;
    IS3SplitRGBAToRGBPlusA(scratch.data(), uint32_t(width), uint32_t(height), uint32_t(width) * 4, dst,
                           uint32_t(width) * 3, nullptr, 0);
}

}  // namespace io
