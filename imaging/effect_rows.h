// The effects the catalogue's rows run, one function each, grouped by the
// file that holds them. Each takes the engine and the run's arguments; the
// catalogue has checked the RGBA32 working buffers before any runs.
#pragma once

#include "engine/engine_state.h"
#include "imaging/effect_args.h"

namespace imaging::effects {

using Run = void (*)(engine::EngineState& s, const Effect& e);

// effect_routes_filters.cpp: blurs, sharpening, cleaning, means and ranks, noise.
void blur(engine::EngineState& s, const Effect& e);
void blur_more(engine::EngineState& s, const Effect& e);
void gaussian_blur(engine::EngineState& s, const Effect& e);
void motion_blur(engine::EngineState& s, const Effect& e);
void radial_blur(engine::EngineState& s, const Effect& e);
void zoom_blur(engine::EngineState& s, const Effect& e);
void horizontal_flip(engine::EngineState& s, const Effect& e);
void vertical_flip(engine::EngineState& s, const Effect& e);
void despeckle(engine::EngineState& s, const Effect& e);
void dust_and_scratches(engine::EngineState& s, const Effect& e);
void add_gaussian_noise(engine::EngineState& s, const Effect& e);
void add_negative_exponential_noise(engine::EngineState& s, const Effect& e);
void add_rayleigh_noise(engine::EngineState& s, const Effect& e);
void add_uniform_noise(engine::EngineState& s, const Effect& e);
void mosaic(engine::EngineState& s, const Effect& e);
void sharpen(engine::EngineState& s, const Effect& e);
void sharpen_more(engine::EngineState& s, const Effect& e);
void unsharp_mask(engine::EngineState& s, const Effect& e);
void edge2(engine::EngineState& s, const Effect& e);
void arithmetic_mean(engine::EngineState& s, const Effect& e);
void geometric_mean(engine::EngineState& s, const Effect& e);
void harmonic_mean(engine::EngineState& s, const Effect& e);
void maximum2(engine::EngineState& s, const Effect& e);
void minimum2(engine::EngineState& s, const Effect& e);
void midpoint(engine::EngineState& s, const Effect& e);
void median(engine::EngineState& s, const Effect& e);
void deinterlace(engine::EngineState& s, const Effect& e);

// effect_routes_tone.cpp: colour and tone.
void brightness_and_contrast(engine::EngineState& s, const Effect& e);
void brightness_histogram_equalize(engine::EngineState& s, const Effect& e);
void brightness_histogram_stretch(engine::EngineState& s, const Effect& e);
void brightness_histogram_stretch_hsl(engine::EngineState& s, const Effect& e);
void gamma(engine::EngineState& s, const Effect& e);
void histogram_equalize(engine::EngineState& s, const Effect& e);
void histogram_stretch(engine::EngineState& s, const Effect& e);
void adjust_color_balance(engine::EngineState& s, const Effect& e);
void adjust_hsl(engine::EngineState& s, const Effect& e);
void adjust_hsv(engine::EngineState& s, const Effect& e);
void duotone(engine::EngineState& s, const Effect& e);
void grayscale(engine::EngineState& s, const Effect& e);
void hyper_saturation(engine::EngineState& s, const Effect& e);
void negative(engine::EngineState& s, const Effect& e);
void posterize(engine::EngineState& s, const Effect& e);
void solarize(engine::EngineState& s, const Effect& e);
void threshold(engine::EngineState& s, const Effect& e);
void tint(engine::EngineState& s, const Effect& e);

// effect_routes_artistic.cpp: painterly, graphic and generated pictures.
void oil_paint(engine::EngineState& s, const Effect& e);
void stipple(engine::EngineState& s, const Effect& e);
void watercolor_tint(engine::EngineState& s, const Effect& e);
void halftone(engine::EngineState& s, const Effect& e);
void color_noise(engine::EngineState& s, const Effect& e);
void hugo_noise(engine::EngineState& s, const Effect& e);
void perlin_noise(engine::EngineState& s, const Effect& e);
void bevel(engine::EngineState& s, const Effect& e);
void crackle(engine::EngineState& s, const Effect& e);
void drop_shadow(engine::EngineState& s, const Effect& e);
void emboss(engine::EngineState& s, const Effect& e);
void fingerprint(engine::EngineState& s, const Effect& e);
void gauzy(engine::EngineState& s, const Effect& e);
void scribble(engine::EngineState& s, const Effect& e);

// effect_routes_builtin.cpp: the engine's own filters under their names,
// the numbered effect scripts and the Lua filter.
void builtin_premultiplied(engine::EngineState& s, const Effect& e);
void builtin_straight(engine::EngineState& s, const Effect& e);
void colorize(engine::EngineState& s, const Effect& e);
void edge(engine::EngineState& s, const Effect& e);
void bump(engine::EngineState& s, const Effect& e);
void emboss2(engine::EngineState& s, const Effect& e);
void maximum(engine::EngineState& s, const Effect& e);
void minimum(engine::EngineState& s, const Effect& e);
void lua_filter(engine::EngineState& s, const Effect& e);

// effect_routes_recipes.cpp: effects built from several steps.
void charcoal(engine::EngineState& s, const Effect& e);
void color_pencil(engine::EngineState& s, const Effect& e);
void color_pencil2(engine::EngineState& s, const Effect& e);
void crayon(engine::EngineState& s, const Effect& e);
void pointillism(engine::EngineState& s, const Effect& e);
void watercolor_and_ink(engine::EngineState& s, const Effect& e);
void contrast_mask(engine::EngineState& s, const Effect& e);
void photo_pop(engine::EngineState& s, const Effect& e);
void photo_detailer(engine::EngineState& s, const Effect& e);
void glow(engine::EngineState& s, const Effect& e);
void radiant(engine::EngineState& s, const Effect& e);
void edge3(engine::EngineState& s, const Effect& e);
void emboss3(engine::EngineState& s, const Effect& e);
void outliner1(engine::EngineState& s, const Effect& e);
void outliner2(engine::EngineState& s, const Effect& e);

// effect_routes_geometry.cpp: transforms, quadrilateral warps and the
// geometric scripts that move alpha with colour.
void elliptical(engine::EngineState& s, const Effect& e);
void lens(engine::EngineState& s, const Effect& e);
void marble(engine::EngineState& s, const Effect& e);
void offset(engine::EngineState& s, const Effect& e);
void pinch(engine::EngineState& s, const Effect& e);
void ripple(engine::EngineState& s, const Effect& e);
void spin(engine::EngineState& s, const Effect& e);
void spin_wave(engine::EngineState& s, const Effect& e);
void wave(engine::EngineState& s, const Effect& e);
void wow(engine::EngineState& s, const Effect& e);
void zig_zag(engine::EngineState& s, const Effect& e);
void frosted_glass(engine::EngineState& s, const Effect& e);
void perspective(engine::EngineState& s, const Effect& e);
void warp_corners(engine::EngineState& s, const Effect& e);
void stretch(engine::EngineState& s, const Effect& e);
void vertical_pivot(engine::EngineState& s, const Effect& e);
void horizontal_pivot(engine::EngineState& s, const Effect& e);
void skew(engine::EngineState& s, const Effect& e);
void twirl(engine::EngineState& s, const Effect& e);
void sine_distortion(engine::EngineState& s, const Effect& e);
void kaleidoscope(engine::EngineState& s, const Effect& e);
void scratch(engine::EngineState& s, const Effect& e);
void waves(engine::EngineState& s, const Effect& e);
void divider(engine::EngineState& s, const Effect& e);
void carpet(engine::EngineState& s, const Effect& e);
void glass(engine::EngineState& s, const Effect& e);
void voxel(engine::EngineState& s, const Effect& e);
void zoom(engine::EngineState& s, const Effect& e);
void rotate(engine::EngineState& s, const Effect& e);
void tilt(engine::EngineState& s, const Effect& e);
void seamless(engine::EngineState& s, const Effect& e);

// effect_routes_generators.cpp: pattern-drawing scripts over the layer.
void lines(engine::EngineState& s, const Effect& e);
void points(engine::EngineState& s, const Effect& e);
void circles(engine::EngineState& s, const Effect& e);
void rectangles(engine::EngineState& s, const Effect& e);
void splines(engine::EngineState& s, const Effect& e);
void worms(engine::EngineState& s, const Effect& e);
void fibers(engine::EngineState& s, const Effect& e);
void trees(engine::EngineState& s, const Effect& e);
void generate_noise(engine::EngineState& s, const Effect& e);
void blobs(engine::EngineState& s, const Effect& e);
void plasma(engine::EngineState& s, const Effect& e);
void sine_plasma(engine::EngineState& s, const Effect& e);
void fractal_plasma(engine::EngineState& s, const Effect& e);
void generate_perlin_noise(engine::EngineState& s, const Effect& e);
void pattern(engine::EngineState& s, const Effect& e);

// effect_routes_script_files.cpp: pictures from script files and the
// pattern chain.
void patternizer(engine::EngineState& s, const Effect& e);
void pattern_explorer(engine::EngineState& s, const Effect& e);
void backgrounds(engine::EngineState& s, const Effect& e);
void texturize_emboss(engine::EngineState& s, const Effect& e);
void texturize_bump(engine::EngineState& s, const Effect& e);
void displacement_bump(engine::EngineState& s, const Effect& e);

}  // namespace imaging::effects
