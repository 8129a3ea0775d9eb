// The effect-script module of our imaging library: a script is a list of
// numbered effects, each with its own values, run in order over an RGBA32
// picture in place.
//
// A script lives from ISL_Initialize to ISL_Finish: ISL_AddEffect appends
// an effect, ISL_SetEffectValue sets value `parameter` of the effect at
// position `index` (0 = the first added), ISL_ExecuteScriptOnImage runs the
// whole list. The module keeps one script at a time, on the caller's thread.
//
// Effects:
//   51  rotation: turns the picture about its centre ((w - 1) / 2,
//       (h - 1) / 2) by value 3 degrees, counter-clockwise as seen, scaled
//       by value 4 percent (100 keeps the scale), keeping its size; all four
//       channels are turned, bilinearly, and what comes from outside the
//       picture is transparent black (0, 0, 0, 0).
//
// Script files are a later format: ISL_LoadScriptFromFile reports that it
// cannot load one (0), so callers go on to read the path as a picture; the
// other file calls keep their shapes and report 0 without a loaded script.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

inline constexpr int32_t kEffectRotate = 51;
inline constexpr int32_t kRotateAngleValue = 3;
inline constexpr int32_t kRotateScaleValue = 4;
// Values an effect carries, numbered 0 to kEffectValueCount - 1.
inline constexpr int32_t kEffectValueCount = 16;

// The header of a script file: the size of the picture it renders.
struct ISLScriptHeader {
    uint8_t reserved[16];
    int32_t width;   // bytes 16..19
    int32_t height;  // bytes 20..23
    uint8_t more[40];
};
static_assert(sizeof(ISLScriptHeader) == 64);

// Starts an empty script; 0 when the module cannot run.
BOOL ISL_Initialize();
// Ends the script; 0 when none was started.
BOOL ISL_Finish();
// Appends effect `effect`; `enabled` 0 adds it switched off (it is kept but
// not run). 0 for an effect number the module does not know or without a
// started script.
BOOL ISL_AddEffect(int32_t effect, int32_t enabled);
// Sets value `parameter` of the effect at position `index`; 0 when there is
// no such effect or value.
BOOL ISL_SetEffectValue(int32_t index, int32_t parameter, int32_t value);
// Runs the script over a packed RGBA32 picture in place; 0 (picture
// untouched) when an effect cannot run on it.
BOOL ISL_ExecuteScriptOnImage(uint8_t* image, uint32_t width, uint32_t height);

// Script files.
BOOL ISL_LoadScriptFromFile(const char* path);
BOOL ISL_InitBuffers();
BOOL ISL_ReadScriptHeaderFromFile(const char* path, ISLScriptHeader* header);
// Renders the loaded script into width x height x 4 bytes (the header's size).
BOOL ISL_ExecuteScript(uint8_t* output);

namespace detail {

// What the last successful ISL_ExecuteScriptOnImage ran: the first effect's
// number and values, and how many scripts have run since the process
// started. For tests that must see an effect run whose result equals its
// input.
struct ScriptRun {
    uint64_t runs = 0;
    int32_t effect = 0;
    int32_t values[kEffectValueCount] = {};
};
ScriptRun last_script_run();

}  // namespace detail

}  // namespace imglib
