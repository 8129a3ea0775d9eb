// Internal to the imaging library: effect lists and the script file format.
//
// A script file is little-endian binary: the 64-byte header record
// (ISLScriptHeader), then one record per effect: the effect's number, 1 or
// 0 for switched on or off, a count n of values given (0..32), and n pairs
// of a value number (0..31, each at most once) and its value, all 32-bit.
// The file ends right after the last record. Values not given keep the
// effect's starting values. docs/effect-scripts.md describes it for authors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/imglib/byte_reader.h"
#include "platform/imglib/effect_script.h"
#include "platform/imglib/script_effects.h"

namespace imglib::detail {

inline constexpr char kScriptMagic[8] = {'F', 'X', 'S', 'C', 'R', 'I', 'P', 'T'};
inline constexpr uint32_t kScriptVersion = 1;
// The longest valid file: a full list with every value given.
inline constexpr size_t kMaxScriptFileBytes =
    sizeof(ISLScriptHeader) + size_t(kMaxScriptEffects) * (12 + size_t(kEffectValueCount) * 8);

struct ScriptEffect {
    int32_t number = 0;
    bool enabled = true;
    EffectValues values{};
};

struct ScriptFile {
    ISLScriptHeader header{};
    std::vector<ScriptEffect> effects;
};

// An effect with its starting values.
ScriptEffect new_effect(const EffectKind& kind, bool enabled);

// The header record at the start of `data`: the magic, version 1, at most
// kMaxScriptEffects effects, a size of 1..kMaxScriptSide a side and zero
// reserved bytes; false otherwise.
bool parse_script_header(Bytes data, ISLScriptHeader& header);
// A whole file; false (out untouched) for anything but a valid file.
bool parse_script(Bytes data, ScriptFile& out);
// The bytes of a file holding `script` (values equal to an effect's
// starting values are left out).
std::vector<uint8_t> write_script(const ScriptFile& script);

// Reads at most `limit` bytes of a file; false when it is missing,
// unreadable or longer.
bool read_bounded_file(const char* path, size_t limit, std::vector<uint8_t>& bytes);

// Runs the effects in order over the picture in place; false when one
// cannot run (the picture may then be half changed).
bool run_effects(const std::vector<ScriptEffect>& effects, Bgra& picture);

// Renders `effects` over a width x height picture filled with `background`
// (a colour word of the picture's bytes, lowest first) into out, which is
// written only when every effect ran.
bool render_effects(const std::vector<ScriptEffect>& effects, int32_t width, int32_t height, uint32_t background,
                    uint8_t* out);

}  // namespace imglib::detail
