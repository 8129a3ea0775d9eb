// Scanning, PDF documents and AVI videos: the engine's side of each, which
// fixes the order of the calls and what they answer; the devices themselves
// are the platform's.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace io {

// ---- Scanner ----

int32_t scanner_available();
// The host's device, else the first one; 1 when there is one.
int32_t select_scan_source();
// Name of device `index`, in engine-owned storage valid until the next
// call; empty past the last device.
const char* scan_source_name(engine::EngineState& s, int32_t index);
int32_t choose_scan_source(const char* name);
// 1 when newRGBA now holds a scanned picture (alpha 255), else 0 with
// newRGBA as it was.
int32_t acquire_scan(engine::EngineState& s);

// ---- PDF ----

int32_t pdf_reset();
int32_t pdf_add_image(const char* path);
// Writes the pictures added since the last reset, one a page at 96 pixels
// an inch with a 20-pixel border of grey 196, deletes the picture files once
// the document is written, and resets the list. Nonzero on success.
int32_t pdf_make(const char* path);
// The same as a slide show.
int32_t pdf_make_slideshow(const char* path);

// ---- Video ----

// The general error code of the video file interface.
inline constexpr int32_t kVideoError = int32_t(0x800440C7u);

// Starts writing an AVI file at `frameMs` milliseconds a frame (a rate of
// 1000 / frameMs); finishes a video still open before. The writer, or null
// when the file cannot be created or the duration is not positive.
void* create_avi(engine::EngineState& s, const char* path, int32_t frameMs);
// Appends the picture file as the next frame; the first frame fixes the
// video's size. 1 when the frame was written; 0 without a writer, for a
// frame that cannot be read or has another size, or once writing failed
// (after which no frame is written).
int32_t write_avi(engine::EngineState& s, const char* framePath);
// Finishes the file: 0 without a writer or on success; kVideoError when
// writing failed, and then no file is left behind.
int32_t close_avi(engine::EngineState& s);

}  // namespace io
