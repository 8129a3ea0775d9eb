#include "imaging/effect_catalogue.h"

#include <array>

#include "engine/trace.h"
#include "imaging/effect_routes.h"
#include "imaging/working_buffers.h"

namespace imaging {

namespace {

using R = EffectRoute;
using namespace effects;

constexpr EffectRow kRows[] = {
    {"Charcoal", R::Recipe, charcoal},
    {"Color Pencil", R::Recipe, color_pencil},
    {"Color Pencil 2", R::Recipe, color_pencil2},
    {"Crayon", R::Recipe, crayon},
    {"Pointillism", R::Recipe, pointillism},
    {"Oil Paint", R::Rgb24, oil_paint},
    {"Stipple", R::Rgb24, stipple},
    {"Watercolor and Ink", R::Recipe, watercolor_and_ink},
    {"Blur", R::Filtered, blur},
    {"Blur More", R::Filtered, blur_more},
    {"Gaussian Blur", R::Filtered, gaussian_blur},
    {"Motion Blur", R::Filtered, motion_blur},
    {"Radial Blur", R::Filtered, radial_blur},
    {"Zoom Blur", R::Filtered, zoom_blur},
    {"Anti Alias", R::Builtin, builtin_premultiplied},
    {"Adaptive Blur", R::Builtin, builtin_premultiplied},
    {"Detail Blur", R::Builtin, builtin_premultiplied},
    {"Value Blur", R::Builtin, builtin_premultiplied},
    {"Brightness and Contrast", R::InPlace, brightness_and_contrast},
    {"Contrast Mask", R::Recipe, contrast_mask},
    {"Hyper Contrast", R::Builtin, builtin_straight},
    {"Photo Pop", R::Recipe, photo_pop},
    {"Photo Detailer", R::Recipe, photo_detailer},
    {"Brightness Histogram Equalize", R::InPlace, brightness_histogram_equalize},
    {"Brightness Histogram Stretch", R::InPlace, brightness_histogram_stretch},
    {"Brightness Histogram Stretch HSL", R::InPlace, brightness_histogram_stretch_hsl},
    {"Gamma", R::InPlace, gamma},
    {"Histogram Equalize", R::InPlace, histogram_equalize},
    {"Histogram Stretch", R::Rgb24, histogram_stretch},
    {"Colorize", R::Script, colorize},
    {"Adjust Color Balance", R::InPlace, adjust_color_balance},
    {"Adjust HSL", R::InPlace, adjust_hsl},
    {"Adjust HSV", R::InPlace, adjust_hsv},
    {"Adjust Lab", R::Builtin, builtin_straight},
    {"Duotone", R::InPlace, duotone},
    {"Grayscale", R::Plain, grayscale},
    {"Hyper Saturation", R::InPlace, hyper_saturation},
    {"Negative", R::Rgb24, negative},
    {"Posterize", R::Rgb24, posterize},
    {"Solarize", R::Rgb24, solarize},
    {"Basic Threshold", R::Builtin, builtin_straight},
    {"Threshold", R::InPlace, threshold},
    {"Line Art Cleaner", R::Builtin, builtin_straight},
    {"Tint", R::InPlace, tint},
    {"Watercolor Tint", R::Rgb24, watercolor_tint},
    {"Elliptical", R::Transform, effects::elliptical},
    {"Lens", R::Transform, effects::lens},
    {"Marble", R::Transform, effects::marble},
    {"Offset", R::Transform, effects::offset},
    {"Perspective", R::Warp, effects::perspective},
    {"Warp", R::Warp, effects::warp_corners},
    {"Stretch", R::Warp, effects::stretch},
    {"Vertical Pivot", R::Warp, effects::vertical_pivot},
    {"Horizontal Pivot", R::Warp, effects::horizontal_pivot},
    {"Skew", R::Warp, effects::skew},
    {"Pinch", R::Transform, effects::pinch},
    {"Ripple", R::Transform, effects::ripple},
    {"Spin", R::Transform, effects::spin},
    {"Spin Wave", R::Transform, effects::spin_wave},
    {"Wave", R::Transform, effects::wave},
    {"Wow", R::Transform, effects::wow},
    {"Zig Zag", R::Transform, effects::zig_zag},
    {"Twirl", R::ScriptTwice, effects::twirl},
    {"Sine Distortion", R::ScriptTwice, effects::sine_distortion},
    {"Kaleidoscope", R::ScriptTwice, effects::kaleidoscope},
    {"Patternizer", R::Recipe, effects::patternizer},
    {"Scratch", R::ScriptTwice, effects::scratch},
    {"Waves", R::ScriptTwice, effects::waves},
    {"Divider", R::ScriptTwice, effects::divider},
    {"Carpet", R::ScriptTwice, effects::carpet},
    {"Glass", R::ScriptTwice, effects::glass},
    {"Voxel", R::ScriptTwice, effects::voxel},
    {"Zoom", R::ScriptTwice, effects::zoom},
    {"Rotate", R::ScriptTwice, effects::rotate},
    {"Horizontal Flip", R::InPlace, horizontal_flip},
    {"Vertical Flip", R::InPlace, vertical_flip},
    {"Tilt", R::ScriptTwice, effects::tilt},
    {"Seamless", R::ScriptTwice, effects::seamless},
    {"Despeckle", R::InPlace, despeckle},
    {"Dust and Scratches", R::Rgb24, dust_and_scratches},
    {"Add Gaussian Noise", R::InPlace, add_gaussian_noise},
    {"Add Negative Exponential Noise", R::InPlace, add_negative_exponential_noise},
    {"Add Rayleigh Noise", R::InPlace, add_rayleigh_noise},
    {"Add Uniform Noise", R::InPlace, add_uniform_noise},
    {"Halftone", R::Rgb24, halftone},
    {"Mosaic", R::Filtered, mosaic},
    {"Color Noise", R::Rgb24, color_noise},
    {"Hugo Noise", R::Plain, hugo_noise},
    {"Perlin Noise", R::Plain, perlin_noise},
    {"Sharpen", R::Rgb24, sharpen},
    {"Sharpen More", R::Rgb24, sharpen_more},
    {"Unsharp Mask", R::Rgb24, unsharp_mask},
    {"Bevel", R::Rgb24, bevel},
    {"Bas Relief", R::Builtin, builtin_straight},
    {"Crackle", R::Rgb24, crackle},
    {"Drop Shadow", R::Plain, drop_shadow},
    {"Emboss", R::Rgb24, emboss},
    {"Fingerprint", R::Plain, fingerprint},
    {"Frosted Glass", R::Transform, effects::frosted_glass},
    {"Gausy", R::Rgb24, gauzy},
    {"Glow", R::Recipe, glow},
    {"Radiant", R::Recipe, radiant},
    {"Scribble", R::Rgb24, scribble},
    {"Vignette", R::Builtin, builtin_straight},
    {"Edge2", R::Rgb24, edge2},
    {"Edge3", R::Recipe, edge3},
    {"Arithmetic Mean", R::Filtered, arithmetic_mean},
    {"Geometric Mean", R::Plain, geometric_mean},
    {"Harmonic Mean", R::Plain, harmonic_mean},
    {"Maximum2", R::Plain, maximum2},
    {"Minimum2", R::Plain, minimum2},
    {"Midpoint", R::Filtered, midpoint},
    {"Median", R::Plain, median},
    {"Deinterlace", R::InPlace, deinterlace},
    {"Edge", R::Script, edge},
    {"Bump", R::Script, bump},
    {"Emboss2", R::Script, emboss2},
    {"Emboss3", R::Recipe, emboss3},
    {"Outliner 1", R::Recipe, outliner1},
    {"Outliner 2", R::Recipe, outliner2},
    {"Maximum", R::Script, maximum},
    {"Minimum", R::Script, minimum},
    {"Lines", R::Generator, effects::lines},
    {"Points", R::Generator, effects::points},
    {"Circles", R::Generator, effects::circles},
    {"Rectangles", R::Generator, effects::rectangles},
    {"Splines", R::Generator, effects::splines},
    {"Worms", R::Generator, effects::worms},
    {"Fibers", R::Generator, effects::fibers},
    {"Trees", R::Generator, effects::trees},
    {"Generate Noise", R::Generator, effects::generate_noise},
    {"Blobs", R::Generator, effects::blobs},
    {"Plasma", R::Generator, effects::plasma},
    {"Sine Plasma", R::Generator, effects::sine_plasma},
    {"Fractal Plasma", R::Generator, effects::fractal_plasma},
    {"Generate Perlin Noise", R::Generator, effects::generate_perlin_noise},
    {"Pattern", R::Generator, effects::pattern},
    {"Pattern Explorer", R::ScriptFile, effects::pattern_explorer},
    {"Backgrounds Material", R::ScriptFile, effects::backgrounds},
    {"Backgrounds Nature", R::ScriptFile, effects::backgrounds},
    {"Backgrounds Surface", R::ScriptFile, effects::backgrounds},
    {"Backgrounds Other", R::ScriptFile, effects::backgrounds},
    {"Backgrounds Utility", R::ScriptFile, effects::backgrounds},
    {"Texturize Emboss Material", R::ScriptFile, effects::texturize_emboss},
    {"Texturize Emboss Nature", R::ScriptFile, effects::texturize_emboss},
    {"Texturize Emboss Surface", R::ScriptFile, effects::texturize_emboss},
    {"Texturize Emboss Other", R::ScriptFile, effects::texturize_emboss},
    {"Texturize Emboss Utility", R::ScriptFile, effects::texturize_emboss},
    {"Texturize Bump Material", R::ScriptFile, effects::texturize_bump},
    {"Texturize Bump Nature", R::ScriptFile, effects::texturize_bump},
    {"Texturize Bump Surface", R::ScriptFile, effects::texturize_bump},
    {"Texturize Bump Other", R::ScriptFile, effects::texturize_bump},
    {"Texturize Bump Utility", R::ScriptFile, effects::texturize_bump},
    {"Displacement Bump Material", R::Recipe, effects::displacement_bump},
    {"Displacement Bump Nature", R::Recipe, effects::displacement_bump},
    {"Displacement Bump Surface", R::Recipe, effects::displacement_bump},
    {"Displacement Bump Other", R::Recipe, effects::displacement_bump},
    {"Displacement Bump Utility", R::Recipe, effects::displacement_bump},
    {"Lua Filter", R::Lua, lua_filter},
};
static_assert(std::size(kRows) == kEffectCount);

// Frees the 24-bit working buffers on every way out of a run.
class Rgb24Release {
public:
    explicit Rgb24Release(engine::EngineState& s) : s_(s) {}
    ~Rgb24Release() { free_rgb24(s_); }
    Rgb24Release(const Rgb24Release&) = delete;
    Rgb24Release& operator=(const Rgb24Release&) = delete;

private:
    engine::EngineState& s_;
};

}  // namespace

const EffectRow* effect_rows() { return kRows; }

std::string_view route_name(EffectRoute route) {
    switch (route) {
        case R::InPlace: return "in place";
        case R::Filtered: return "filtered";
        case R::Plain: return "plain";
        case R::Rgb24: return "24-bit";
        case R::Transform: return "transform";
        case R::Warp: return "warp";
        case R::Script: return "script";
        case R::ScriptTwice: return "script twice";
        case R::Builtin: return "built-in";
        case R::Recipe: return "recipe";
        case R::Generator: return "generator";
        case R::ScriptFile: return "script file";
        case R::Lua: return "Lua";
    }
    return "";
}

int32_t process_effect(engine::EngineState& s, const EffectArgs& args) {
    if (!rgba32_pair(s)) {
        trace::no_working_buffers("PTE_IPLImageProcess");
        return 0;
    }
    const Rgb24Release release(s);
    if (args.name == nullptr) {
        trace::unknown_name("PTE_IPLImageProcess", "effect", nullptr, "nothing changes");
        return 0;
    }
    const std::string_view name = args.name;
    if (engine::current_image_pixels(s) == nullptr) trace::no_current_layer("PTE_IPLImageProcess", s);
    for (const EffectRow& row : kRows) {
        if (row.name != name) continue;
        if (row.run != nullptr) row.run(s, Effect(args, s.imageWidth, s.imageHeight));
        else trace::skipped("PTE_IPLImageProcess", "\"%s\" is not available in this build: nothing changes", args.name);
        return 1;
    }
    trace::unknown_name("PTE_IPLImageProcess", "effect", args.name,
                        "nothing changes (PTE_GetEffectName lists the names)");
    return 0;
}

}  // namespace imaging
