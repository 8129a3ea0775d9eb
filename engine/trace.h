// Why a call did nothing.
//
// With PAINTCORE_TRACE=1 in the environment, a call that returns without
// doing its work (no image, no current layer, a view size of 0, a name the
// engine does not know, a file it cannot open, ...) writes one line to
// standard error saying so:
//
//     paintcore: PTE_Render: nothing drawn: the view size is 0 x 0 (PTE_SetViewSize)
//
// The environment is read once, at the first question. The error texts of
// the interface do not change. Call sites sit on early-return paths only,
// never inside pixel loops, so with tracing off a site costs one test of a
// flag that is already in cache.
#pragma once

#include <cstdint>

namespace engine {
struct EngineState;
}

namespace trace {

// True when lines are written: PAINTCORE_TRACE set to anything but "" or "0".
bool enabled() noexcept;

// Turns the lines on or off whatever the environment says (tests).
void set_enabled(bool on) noexcept;

// Writes "paintcore: <operation>: <reason>" and a line end to standard
// error, as one write, when tracing is on. `operation` names the export
// (or, for a step several exports share, what the step does); the reason
// says what was missing and, where it helps, which call provides it.
[[gnu::cold, gnu::format(printf, 2, 3)]] void skipped(const char* operation, const char* format, ...) noexcept;

// A name or path as the host passed it, for the reason texts: "(null)"
// for none.
const char* shown(const char* text) noexcept;

// Reasons many operations share, each written the same way everywhere.
void no_image(const char* operation) noexcept;
// No current layer, or one without pixels of the image's size.
void no_current_layer(const char* operation, const engine::EngineState& s) noexcept;
// Layer `index` outside 0..63, without pixels, or not of the image's size.
void no_layer(const char* operation, const engine::EngineState& s, int32_t index) noexcept;
// iplSrc32 or iplDst32 missing (or left from an image of another size).
void no_working_buffers(const char* operation) noexcept;
// A name the engine does not know: "unknown <what> 'name'" and what is done instead.
void unknown_name(const char* operation, const char* what, const char* name, const char* instead) noexcept;
// A file that cannot be opened, with the system's reason for `error` (an errno value).
void cannot_open(const char* operation, const char* path, int error) noexcept;

}  // namespace trace
