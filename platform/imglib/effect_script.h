// The effect-script module of our imaging library: a script is a list of
// numbered effects, each with its own values, run in order over a picture
// in place; a script file holds such a list and the size of the picture it
// renders from nothing.
//
// Pictures of this module are packed rows of 4 bytes a pixel in the order
// blue, green, red, alpha: callers holding RGBA swap red and blue before and
// after (IS3RGBAToBGRA). Geometric effects treat all four bytes alike.
//
// A script lives from ISL_Initialize to ISL_Finish: ISL_AddEffect appends
// an effect, ISL_SetEffectValue sets value `parameter` of the effect at
// position `index` (0 = the first added), ISL_ExecuteScriptOnImage runs the
// whole list. Script files: ISL_LoadScriptFromFile replaces the list by the
// file's, ISL_ReadScriptHeaderFromFile gives the size of the picture the file
// renders, and ISL_ExecuteScript renders the loaded list at that size over
// the file's background colour. The module keeps one script at a time, on
// the caller's thread. The effects, their values and the file format are
// described in docs/effect-scripts.md.
#pragma once

#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

inline constexpr int32_t kEffectRotate = 51;
inline constexpr int32_t kRotateAngleValue = 3;
inline constexpr int32_t kRotateScaleValue = 4;
// Values an effect carries, numbered 0 to kEffectValueCount - 1.
inline constexpr int32_t kEffectValueCount = 32;
// Effects a script holds at most.
inline constexpr int32_t kMaxScriptEffects = 256;
// The largest picture a script file may render, a side.
inline constexpr int32_t kMaxScriptSide = 10000;

// The header record of a script file: its first 64 bytes.
struct ISLScriptHeader {
    char magic[8];      // "FXSCRIPT"
    uint32_t version;   // 1
    uint32_t effects;   // effect records that follow
    int32_t width;      // bytes 16..19: the rendered picture's size
    int32_t height;     // bytes 20..23
    uint32_t background;  // the rendered picture's starting pixel: bytes blue, green, red, alpha, lowest first
    uint8_t reserved[36];  // zero
};
static_assert(sizeof(ISLScriptHeader) == 64);

// Starts an empty script; 0 when the module cannot run.
BOOL ISL_Initialize();
// Ends the script; 0 when none was started.
BOOL ISL_Finish();
// Appends effect `effect` with its starting values; `enabled` 0 adds it
// switched off (it is kept but not run). 0 for an effect number the module
// does not know, a full script or without a started script.
BOOL ISL_AddEffect(int32_t effect, int32_t enabled);
// Sets value `parameter` of the effect at position `index`; 0 when there is
// no such effect or value.
BOOL ISL_SetEffectValue(int32_t index, int32_t parameter, int32_t value);
// Runs the script over a packed picture of 4-byte pixels in place; 0
// (picture untouched) when an effect cannot run on it.
BOOL ISL_ExecuteScriptOnImage(uint8_t* image, uint32_t width, uint32_t height);

// Replaces the started script's effects by those of the file; 0 (the script
// as it was, and nothing loaded) for a file that is missing, not a script,
// of another version, broken or truncated.
BOOL ISL_LoadScriptFromFile(const char* path);
// Readies the loaded script to render; 0 when none is loaded.
BOOL ISL_InitBuffers();
// Fills the header record from the file and takes its size as the size
// ISL_ExecuteScript renders at; 0 (record untouched) for a file without a
// valid header or without a started script.
BOOL ISL_ReadScriptHeaderFromFile(const char* path, ISLScriptHeader* header);
// Renders the loaded script into width x height x 4 bytes, the size of the
// last header read; 0 (output untouched) without a loaded script and a header,
// or when an effect cannot run.
BOOL ISL_ExecuteScript(uint8_t* output);

namespace detail {

// What the last successful ISL_ExecuteScriptOnImage ran: the first effect's
// number and values, how many effects it had, and how many scripts have run
// since the process started. For tests that must see an effect run whose
// result equals its input.
struct ScriptRun {
    uint64_t runs = 0;
    int32_t effect = 0;
    int32_t count = 0;
    int32_t values[kEffectValueCount] = {};
};
ScriptRun last_script_run();

// How many times ISL_ExecuteScript has rendered a script file since the
// process started.
uint64_t script_renders();

}  // namespace detail

}  // namespace imglib
