#include "imaging/layer_geometry.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "engine/layers.h"
#include "engine/pixels.h"
#include "engine/trace.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/resample.h"

namespace imaging {

using engine::EngineState;
using engine::LayerSlot;
using engine::OwnedBuffer;

namespace {

// How a resize filter name is carried out by the imaging library.
enum class ResizeCall { Decimate, Nearest, Bilinear, Bicubic, Filtered };

struct ResizeMethod {
    std::string_view name;
    ResizeCall call;
    uint32_t filter;  // filter number of a Filtered call
};

constexpr ResizeMethod kResizeMethods[] = {
    {"Area Average", ResizeCall::Decimate, 0},
    {"Nearest Neighbor", ResizeCall::Nearest, 0},
    {"Bilinear", ResizeCall::Bilinear, 0},
    {"Bicubic", ResizeCall::Bicubic, 0},
    {"Box", ResizeCall::Filtered, imglib::kFilterBox},
    {"Triangle", ResizeCall::Filtered, imglib::kFilterTriangle},
    {"Hamming", ResizeCall::Filtered, imglib::kFilterHamming},
    {"Gaussian", ResizeCall::Filtered, imglib::kFilterGaussian},
    {"Bell", ResizeCall::Filtered, imglib::kFilterBell},
    {"B-Spline", ResizeCall::Filtered, imglib::kFilterBSpline},
    {"Cubic 1", ResizeCall::Filtered, imglib::kFilterCubic1},
    {"Cubic 2", ResizeCall::Filtered, imglib::kFilterCubic2},
    {"Lanczos3", ResizeCall::Filtered, imglib::kFilterLanczos3},
    {"Mitchell", ResizeCall::Filtered, imglib::kFilterMitchell},
    {"Sinc", ResizeCall::Filtered, imglib::kFilterSinc},
    {"Hermite", ResizeCall::Filtered, imglib::kFilterHermite},
    {"Hanning", ResizeCall::Filtered, imglib::kFilterHanning},
    {"Catrom", ResizeCall::Filtered, imglib::kFilterCatrom},
};

// Where the old canvas sits along one axis: at the start, centred, or at the end.
enum class Place { Start, Centre, End };

struct Anchor {
    std::string_view name;
    Place horizontal;
    Place vertical;
};

constexpr Anchor kAnchors[] = {
    {"TL", Place::Start, Place::Start},  {"TC", Place::Centre, Place::Start},  {"TR", Place::End, Place::Start},
    {"ML", Place::Start, Place::Centre}, {"MC", Place::Centre, Place::Centre}, {"MR", Place::End, Place::Centre},
    {"BL", Place::Start, Place::End},    {"BC", Place::Centre, Place::End},    {"BR", Place::End, Place::End},
};

int32_t offset_along(Place place, int32_t difference) {
    switch (place) {
        case Place::Centre: return difference / 2;  // C++ division truncates toward zero
        case Place::End: return difference;
        case Place::Start: break;
    }
    return 0;
}

// A new image side must be one the image lifecycle accepts as it is.
void check_new_size(int32_t width, int32_t height) {
    const auto fits = [](int32_t side) { return side >= 1 && side <= engine::kMaxImageSide; };
    if (!fits(width) || !fits(height)) throw std::invalid_argument("new image size");
}

uint64_t rgba32_bytes(int32_t width, int32_t height) { return engine::sat_mul(uint64_t(width), uint64_t(height), 4); }

// Clears keepAlpha for the span of one layer's rebuild and puts it back on
// every way out.
class KeepAlphaCleared {
public:
    explicit KeepAlphaCleared(LayerSlot& slot) : slot_(slot), saved_(slot.keepAlpha) { slot.keepAlpha = 0; }
    ~KeepAlphaCleared() { slot_.keepAlpha = saved_; }
    KeepAlphaCleared(const KeepAlphaCleared&) = delete;
    KeepAlphaCleared& operator=(const KeepAlphaCleared&) = delete;

private:
    LayerSlot& slot_;
    uint8_t saved_;
};

// Re-creates layer `index` at width x height and loads the RGBA32 picture
// into it whole, without mask or texture. The old pixels are kept aside until
// the new layer exists, so a layer that cannot be re-created keeps them.
void replace_layer(EngineState& s, int32_t index, const uint8_t* picture, int32_t width, int32_t height) {
    LayerSlot& slot = s.layers[index];
    OwnedBuffer<uint16_t> old = std::move(slot.pixels);
    const int32_t oldWidth = slot.width, oldHeight = slot.height, oldRowLength = slot.rowLength;
    if (!layers::create_layer(s, index, width, height)) {
        slot.pixels = std::move(old);
        slot.width = oldWidth;
        slot.height = oldHeight;
        slot.rowLength = oldRowLength;
        throw std::bad_alloc();
    }
    pixels::load_rgba32_layer(s, picture, width * 4, index, 0, 0, width, height, false);
}

// The shared rebuild: for each layer 1..top that covers the image, read it
// as RGBA32, let `operation(index, old, fresh)` make the new picture of
// newWidth x newHeight (packed rows), and on success rebuild the layer from
// it. A layer the operation fails on keeps its pixels.
template <class Operation>
void rebuild_layers(EngineState& s, int32_t newWidth, int32_t newHeight, Operation&& operation) {
    OwnedBuffer<uint8_t> old, fresh;
    old.allocate_or_throw(rgba32_bytes(s.imageWidth, s.imageHeight));
    fresh.allocate_or_throw(rgba32_bytes(newWidth, newHeight));
    const int32_t top = layers::find_top_layer(s);
    for (int32_t index = 1; index <= top; ++index) {
        LayerSlot& slot = s.layers[index];
        // A layer left at another size (or without pixels) is not read.
        if (engine::image_pixels(s, slot) == nullptr) continue;
        const KeepAlphaCleared cleared(slot);
        pixels::get_rgba32_layer(s, old.data(), s.imageWidth * 4, index);
        if (!operation(index, old.data(), fresh.data())) continue;
        replace_layer(s, index, fresh.data(), newWidth, newHeight);
    }
}

// Flips work in place on one image-sized picture and load it back over the
// layer; keepAlpha stays in force, so such a layer keeps its alpha.
template <class Flip>
void flip_layers(EngineState& s, Flip&& flip) {
    OwnedBuffer<uint8_t> picture;
    picture.allocate_or_throw(rgba32_bytes(s.imageWidth, s.imageHeight));
    const int32_t top = layers::find_top_layer(s);
    for (int32_t index = 1; index <= top; ++index) {
        LayerSlot& slot = s.layers[index];
        if (engine::image_pixels(s, slot) == nullptr) continue;
        pixels::get_rgba32_layer(s, picture.data(), s.imageWidth * 4, index);
        if (!flip(picture.data())) continue;
        pixels::load_rgba32_layer(s, picture.data(), s.imageWidth * 4, index, 0, 0, slot.width, slot.height, false);
    }
}

// Names are compared exactly and case-sensitively, as whole strings.
const ResizeMethod* find_resize_method(const char* name) {
    if (name == nullptr) return nullptr;
    for (const ResizeMethod& m : kResizeMethods)
        if (m.name == name) return &m;
    return nullptr;
}

const Anchor* find_anchor(const char* name) {
    if (name == nullptr) return nullptr;
    for (const Anchor& a : kAnchors)
        if (a.name == name) return &a;
    return nullptr;
}

imglib::BOOL run_resize(const ResizeMethod& method, const uint8_t* old, uint32_t width, uint32_t height, uint8_t* fresh,
                        uint32_t newWidth, uint32_t newHeight) {
    const uint32_t oldStride = width * 4, newStride = newWidth * 4;
    switch (method.call) {
        case ResizeCall::Decimate:
            return imglib::IS3DecimateImage(old, width, height, oldStride, fresh, newWidth, newHeight, newStride, 4,
                                            imglib::kDecimateAverage);
        case ResizeCall::Nearest:
            return imglib::IS3SimpleResampleImage(old, width, height, oldStride, fresh, newWidth, newHeight, newStride,
                                                  4);
        case ResizeCall::Bilinear:
            return imglib::IS3ResizeImage(old, width, height, oldStride, fresh, newWidth, newHeight, newStride, 4);
        case ResizeCall::Bicubic:
            return imglib::IS3ResizeImageBicubic(old, width, height, oldStride, fresh, newWidth, newHeight, newStride,
                                                 4);
        case ResizeCall::Filtered:
            return imglib::IS3ResizeFilterImage(old, width, height, oldStride, fresh, newWidth, newHeight, newStride, 4,
                                                method.filter);
    }
    return 0;
}

void rotate_layers(EngineState& s, uint32_t rotation) {
    const uint32_t width = uint32_t(s.imageWidth), height = uint32_t(s.imageHeight);
    // The turned layers are H wide and W high.
    rebuild_layers(s, s.imageHeight, s.imageWidth, [&](int32_t, const uint8_t* old, uint8_t* fresh) {
        return imglib::IS3QuickRotateImage(old, width, height, width * 4, fresh, height * 4, 4, rotation) != 0;
    });
}

}  // namespace

void resize_layers(EngineState& s, int32_t newWidth, int32_t newHeight, const char* filterName) {
    const ResizeMethod* method = find_resize_method(filterName);
    if (method == nullptr) return trace::unknown_name("PTE_IPLResize", "resize filter", filterName, "no layer changes");
    check_new_size(newWidth, newHeight);
    const uint32_t width = uint32_t(s.imageWidth), height = uint32_t(s.imageHeight);
    rebuild_layers(s, newWidth, newHeight, [&](int32_t, const uint8_t* old, uint8_t* fresh) {
        return run_resize(*method, old, width, height, fresh, uint32_t(newWidth), uint32_t(newHeight)) != 0;
    });
}

void resize_canvas(EngineState& s, int32_t newWidth, int32_t newHeight, const char* anchor) {
    const Anchor* place = find_anchor(anchor);
    if (place == nullptr) return trace::unknown_name("PTE_IPLResizePage", "anchor", anchor, "no layer changes");
    check_new_size(newWidth, newHeight);
    // Both sizes lie in 0..10000 here, so the differences cannot overflow.
    const int32_t x = offset_along(place->horizontal, newWidth - s.imageWidth);
    const int32_t y = offset_along(place->vertical, newHeight - s.imageHeight);
    const uint32_t width = uint32_t(s.imageWidth), height = uint32_t(s.imageHeight);
    const size_t fresh_bytes = size_t(rgba32_bytes(newWidth, newHeight));
    rebuild_layers(s, newWidth, newHeight, [&](int32_t index, const uint8_t* old, uint8_t* fresh) {
        // New canvas: opaque white under the background, transparent elsewhere.
        std::memset(fresh, index == engine::kBackgroundLayer ? 255 : 0, fresh_bytes);
        return imglib::IS40_OverlayImage(fresh, uint32_t(newWidth), uint32_t(newHeight), 4, uint32_t(newWidth) * 4, old,
                                         width, height, width * 4, x, y, 1.0, 0) != 0;
    });
}

void crop_layers(EngineState& s, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const bool inside = left >= 0 && top >= 0 && right <= s.imageWidth && bottom <= s.imageHeight;
    if (!inside || left >= right || top >= bottom) throw std::invalid_argument("crop rectangle");
    const int32_t newWidth = right - left, newHeight = bottom - top;
    const uint32_t width = uint32_t(s.imageWidth), height = uint32_t(s.imageHeight);
    rebuild_layers(s, newWidth, newHeight, [&](int32_t, const uint8_t* old, uint8_t* fresh) {
        return imglib::IS3CropImage(old, width, height, width * 4, fresh, uint32_t(newWidth) * 4, 4, left, top, right,
                                    bottom) != 0;
    });
}

void rotate_layers_left(EngineState& s) { rotate_layers(s, imglib::kRotateLeft); }
void rotate_layers_right(EngineState& s) { rotate_layers(s, imglib::kRotateRight); }

void flip_layers_horizontal(EngineState& s) {
    const uint32_t width = uint32_t(s.imageWidth), height = uint32_t(s.imageHeight);
    flip_layers(
        s, [&](uint8_t* picture) { return imglib::IS3HorizontalFlipImage(picture, width, height, 4, width * 4) != 0; });
}

void flip_layers_vertical(EngineState& s) {
    const uint32_t width = uint32_t(s.imageWidth), height = uint32_t(s.imageHeight);
    flip_layers(s, [&](uint8_t* picture) { return imglib::IS3VerticalFlipImage(picture, width * 4, height) != 0; });
}

}  // namespace imaging
