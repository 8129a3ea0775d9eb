// The imaging-library calls the effect catalogue and the adjustments make,
// gathered in one table so that a test can stand in for any of them and see
// exactly what reaches it. Every entry starts as the library's own call.
#pragma once

#include "platform/imglib/artistic.h"
#include "platform/imglib/channels.h"
#include "platform/imglib/draw40.h"
#include "platform/imglib/effect_script.h"
#include "platform/imglib/filters.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/imglib.h"
#include "platform/imglib/noise.h"
#include "platform/imglib/resample.h"
#include "platform/imglib/tone.h"
#include "platform/imglib/transform.h"

namespace imaging {

#define PAINTCORE_EFFECT_CALL(name) decltype(&imglib::name) name = imglib::name

struct EffectLibrary {
    // Blurs and sharpening.
    PAINTCORE_EFFECT_CALL(IS3BlurImage);
    PAINTCORE_EFFECT_CALL(ISE40_BlurImage);
    PAINTCORE_EFFECT_CALL(ISE3BlurImage);
    PAINTCORE_EFFECT_CALL(IS40_GaussianBlurImage);
    PAINTCORE_EFFECT_CALL(ISE3MotionBlur);
    PAINTCORE_EFFECT_CALL(IS3SharpenImage);
    PAINTCORE_EFFECT_CALL(ISE3SharpenImage);
    PAINTCORE_EFFECT_CALL(IS3UnsharpMaskImage);
    // Means, ranks and cleaning.
    PAINTCORE_EFFECT_CALL(ISE3ArithmeticMeanFilter);
    PAINTCORE_EFFECT_CALL(ISE3GeometricMeanFilter);
    PAINTCORE_EFFECT_CALL(ISE3HarmonicMeanFilter);
    PAINTCORE_EFFECT_CALL(ISE3MidpointFilter);
    PAINTCORE_EFFECT_CALL(ISE3MaximumFilter);
    PAINTCORE_EFFECT_CALL(ISE3MinimumFilter);
    PAINTCORE_EFFECT_CALL(ISE3MedianCutImage);
    PAINTCORE_EFFECT_CALL(IS3DespeckleImage);
    PAINTCORE_EFFECT_CALL(ISE3DustAndScratches);
    PAINTCORE_EFFECT_CALL(IS3Deinterlace);
    PAINTCORE_EFFECT_CALL(ISE3CannyEdgeDetector);
    // Colour and tone.
    PAINTCORE_EFFECT_CALL(IS3AdjustBrightnessContrast);
    PAINTCORE_EFFECT_CALL(IS3AdjustGamma);
    PAINTCORE_EFFECT_CALL(IS3HistogramEqualizeImage);
    PAINTCORE_EFFECT_CALL(IS3BrightnessHistogramEqualizeImage);
    PAINTCORE_EFFECT_CALL(IS3HistogramStretchImage);
    PAINTCORE_EFFECT_CALL(IS3BrightnessHistogramStretchImage);
    PAINTCORE_EFFECT_CALL(IS3BrightnessHistogramStretchImageInHSL);
    PAINTCORE_EFFECT_CALL(ISE40_AdjustImageColorBalance);
    PAINTCORE_EFFECT_CALL(ISE3DuotoneImage);
    PAINTCORE_EFFECT_CALL(IS3ModifyImageSaturation);
    PAINTCORE_EFFECT_CALL(ISE3InvertImage);
    PAINTCORE_EFFECT_CALL(ISE3PosterizeRGB);
    PAINTCORE_EFFECT_CALL(ISE3SolarizeImage);
    PAINTCORE_EFFECT_CALL(ISE3ThresholdFilter);
    PAINTCORE_EFFECT_CALL(ISE3AdjustTint);
    PAINTCORE_EFFECT_CALL(ISE40_ContrastMaskImage);
    // Noise.
    PAINTCORE_EFFECT_CALL(ISE3AddGaussianNoise);
    PAINTCORE_EFFECT_CALL(ISE3AddNegativeExpNoise);
    PAINTCORE_EFFECT_CALL(ISE3AddRayleighNoise);
    PAINTCORE_EFFECT_CALL(ISE3AddUniformNoise);
    PAINTCORE_EFFECT_CALL(ISE3GenerateColoredNoise);
    PAINTCORE_EFFECT_CALL(ISE3GenerateHugoNoise);
    PAINTCORE_EFFECT_CALL(ISE3GeneratePerlinNoise);
    // Artistic.
    PAINTCORE_EFFECT_CALL(ISE3OilPaintRGB);
    PAINTCORE_EFFECT_CALL(ISE3WatercolorTintRGB);
    PAINTCORE_EFFECT_CALL(ISE3Stipple);
    PAINTCORE_EFFECT_CALL(ISE3Scribble);
    PAINTCORE_EFFECT_CALL(ISE3CrackleRGB);
    PAINTCORE_EFFECT_CALL(ISE3GauzyRGB);
    PAINTCORE_EFFECT_CALL(ISE3HalftoneImage);
    PAINTCORE_EFFECT_CALL(ISE3MosaicImage);
    PAINTCORE_EFFECT_CALL(ISE3ShadeBevelEdge);
    PAINTCORE_EFFECT_CALL(ISE3DropShadow);
    PAINTCORE_EFFECT_CALL(IS3EmbossRGB);
    PAINTCORE_EFFECT_CALL(ISE3Fingerprint);
    // Channels, geometry and memory.
    PAINTCORE_EFFECT_CALL(IS3ImageToGrayScale8Bit);
    PAINTCORE_EFFECT_CALL(IS3CombineImageChannels);
    PAINTCORE_EFFECT_CALL(IS3RGBAToBGRA);
    PAINTCORE_EFFECT_CALL(IS3OverlayImage);
    PAINTCORE_EFFECT_CALL(IS3HorizontalFlipImage);
    PAINTCORE_EFFECT_CALL(IS3VerticalFlipImage);
    PAINTCORE_EFFECT_CALL(GlobalFree);
    // Effect scripts.
    PAINTCORE_EFFECT_CALL(ISL_Initialize);
    PAINTCORE_EFFECT_CALL(ISL_AddEffect);
    PAINTCORE_EFFECT_CALL(ISL_SetEffectValue);
    PAINTCORE_EFFECT_CALL(ISL_ExecuteScriptOnImage);
    PAINTCORE_EFFECT_CALL(ISL_Finish);
    // Script files.
    PAINTCORE_EFFECT_CALL(ISL_LoadScriptFromFile);
    PAINTCORE_EFFECT_CALL(ISL_InitBuffers);
    PAINTCORE_EFFECT_CALL(ISL_ReadScriptHeaderFromFile);
    PAINTCORE_EFFECT_CALL(ISL_ExecuteScript);
    // Transforms, warps and the push.
    PAINTCORE_EFFECT_CALL(ISE3ClearAllTransforms);
    PAINTCORE_EFFECT_CALL(ISE3AddEllipticalTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddLensTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddMarbleTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddOffsetTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddPinchTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddRippleTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddSpinTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddSpinWaveTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddWaveTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddWowTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddZigZagTransform);
    PAINTCORE_EFFECT_CALL(ISE3AddRandomTransform);
    PAINTCORE_EFFECT_CALL(ISE3BumpMapDisplacementTransform);
    PAINTCORE_EFFECT_CALL(ISE3TransformProcess);
    PAINTCORE_EFFECT_CALL(IS3PolygonWarpImage);
    PAINTCORE_EFFECT_CALL(ISE3PushImage);
    // Pictures of the script files and the pattern chain.
    PAINTCORE_EFFECT_CALL(IS3SplitImage);
    PAINTCORE_EFFECT_CALL(IS3ResizeImageBicubic);
};

#undef PAINTCORE_EFFECT_CALL

// The table in force.
const EffectLibrary& effect_library();

// Puts another table in force for its lifetime (tests), and the one before
// back afterwards.
class EffectLibraryOverride {
public:
    explicit EffectLibraryOverride(const EffectLibrary& replacement);
    ~EffectLibraryOverride();
    EffectLibraryOverride(const EffectLibraryOverride&) = delete;
    EffectLibraryOverride& operator=(const EffectLibraryOverride&) = delete;

private:
    const EffectLibrary* previous_;
};

}  // namespace imaging
