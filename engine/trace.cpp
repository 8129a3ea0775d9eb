#include "engine/trace.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/engine_state.h"

namespace trace {

namespace {

// -1 until the environment has been read, then 0 or 1.
std::atomic<int> g_enabled{-1};

int from_environment() noexcept {
    const char* value = std::getenv("PAINTCORE_TRACE");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0 ? 1 : 0;
}

}  // namespace

bool enabled() noexcept {
    int on = g_enabled.load(std::memory_order_relaxed);
    if (on < 0) {
        on = from_environment();
        g_enabled.store(on, std::memory_order_relaxed);
    }
    return on != 0;
}

void set_enabled(bool on) noexcept { g_enabled.store(on ? 1 : 0, std::memory_order_relaxed); }

void skipped(const char* operation, const char* format, ...) noexcept {
    if (!enabled()) return;
    // One buffer and one write, so that lines from two threads never mix.
    char line[1024];
    int used = std::snprintf(line, sizeof line, "paintcore: %s: ", operation != nullptr ? operation : "?");
    if (used < 0) return;
    if (size_t(used) < sizeof line - 1) {
        va_list args;
        va_start(args, format);
        const int more = std::vsnprintf(line + used, sizeof line - size_t(used), format, args);
        va_end(args);
        if (more > 0) used += more;
    }
    // A reason cut short still ends its line.
    size_t length = std::min(size_t(used), sizeof line - 2);
    line[length++] = '\n';
    std::fwrite(line, 1, length, stderr);
    std::fflush(stderr);
}

const char* shown(const char* text) noexcept { return text != nullptr ? text : "(null)"; }

void no_image(const char* operation) noexcept { skipped(operation, "no image (PTE_CreateImage makes one)"); }

void no_current_layer(const char* operation, const engine::EngineState& s) noexcept {
    // The mask lives exactly as long as the image.
    if (!s.mask.values)
        no_image(operation);
    else if (s.currentSlot == nullptr)
        skipped(operation, "no current layer (PTE_SetLayer selects a layer that has pixels)");
    else
        no_layer(operation, s, s.currentLayer);
}

void no_layer(const char* operation, const engine::EngineState& s, int32_t index) noexcept {
    if (!engine::valid_layer_index(index)) return skipped(operation, "layer %d is outside 0..63", int(index));
    const engine::LayerSlot& slot = s.layers[size_t(index)];
    if (!slot.has_pixels())
        return skipped(operation, "layer %d has no pixels (PTE_CreateLayer makes them)", int(index));
    skipped(operation, "layer %d is %d x %d, not the image's %d x %d (create it again at the image's size)", int(index),
            int(slot.width), int(slot.height), int(s.imageWidth), int(s.imageHeight));
}

void no_working_buffers(const char* operation) noexcept {
    skipped(operation,
            "the RGBA32 working buffers are missing or of another image size "
            "(PTE_IPLAllocSrcBuffer32 and PTE_IPLAllocDstBuffer32 first)");
}

void unknown_name(const char* operation, const char* what, const char* name, const char* instead) noexcept {
    skipped(operation, "unknown %s '%s' (names are exact and case-sensitive): %s", what, shown(name), instead);
}

void cannot_open(const char* operation, const char* path, int error) noexcept {
    skipped(operation, "cannot open '%s': %s", shown(path), std::strerror(error));
}

}  // namespace trace
