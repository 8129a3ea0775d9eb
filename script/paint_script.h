// Recording of paint scripts: a text file of painting commands, one token a
// line, that the host plays back later. Recording paints nothing and
// changes no setting; every record written while no file is open is lost
// without notice, and write failures are ignored.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "engine/engine_state.h"

namespace script {

// The file, in this folder under the host's start folder.
inline constexpr std::string_view kPaintScriptFolder = "scripts";
inline constexpr std::string_view kPaintScriptName = "luapaint.srp";

// One value passed by the script: its text by the script language's own
// rules (null when it has none, written as an empty line) and its number
// (0 when it has none).
struct ScriptValue {
    const char* text = nullptr;
    size_t length = 0;
    double number = 0;
};

// How one recording binding writes its record: the lines in order, where
// kTextField and kByteField stand for the next argument written as text or
// as the byte trunc(number * 255).
struct RecordShape {
    const char* binding;
    int argumentCount;
    const char* const* lines;  // null-terminated
};

inline constexpr const char* kTextField = "\x01";
inline constexpr const char* kByteField = "\x02";

// The thirteen record writers.
std::span<const RecordShape> record_shapes();

// startDir joined with the file name; a start folder that does not end with
// a separator gets one.
std::string paint_script_path(const char* startDir);

// Opens (replacing) the file and writes the header with the seed. A file
// still open is closed first, without its trailer. When the file cannot be
// opened, none is open afterwards.
void paint_open(engine::EngineState& s, const ScriptValue& seed);
// Writes the trailer and closes the file; nothing when none is open.
void paint_close(engine::EngineState& s);
// Closes the file without the trailer, as the end of a filter run does.
void paint_abandon(engine::EngineState& s);
// Writes one record; `args` holds at least shape.argumentCount values.
void paint_record(engine::EngineState& s, const RecordShape& shape, std::span<const ScriptValue> args);

}  // namespace script
