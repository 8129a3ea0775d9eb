#include "platform/imglib/effect_script.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/imglib/picture.h"
#include "platform/imglib/script_file.h"

namespace imglib {

namespace {

using detail::ScriptEffect;

struct Script {
    bool started = false;
    std::vector<ScriptEffect> effects;
    // A file's list is loaded, with its background.
    bool loaded = false;
    uint32_t background = 0;
    // The size the last header read handed out: what ISL_ExecuteScript
    // renders at, because that is what its caller allocated.
    int32_t width = 0, height = 0;
};

Script& script() {
    static Script s;
    return s;
}

detail::ScriptRun& last_run() {
    static detail::ScriptRun r;
    return r;
}

uint64_t& renders() {
    static uint64_t n = 0;
    return n;
}

void record_run(const std::vector<ScriptEffect>& effects) {
    detail::ScriptRun& r = last_run();
    ++r.runs;
    r.count = int32_t(effects.size());
    r.effect = effects.empty() ? 0 : effects.front().number;
    for (int32_t i = 0; i < kEffectValueCount; ++i) r.values[i] = effects.empty() ? 0 : effects.front().values[size_t(i)];
}

}  // namespace

BOOL ISL_Initialize() {
    script() = Script{};
    script().started = true;
    return 1;
}

BOOL ISL_Finish() {
    const bool was = script().started;
    script() = Script{};
    return was ? 1 : 0;
}

BOOL ISL_AddEffect(int32_t effect, int32_t enabled) {
    Script& s = script();
    const detail::EffectKind* kind = detail::find_effect(effect);
    if (!s.started || kind == nullptr || int32_t(s.effects.size()) >= kMaxScriptEffects) return 0;
    try {
        s.effects.push_back(detail::new_effect(*kind, enabled != 0));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

BOOL ISL_SetEffectValue(int32_t index, int32_t parameter, int32_t value) {
    Script& s = script();
    if (!s.started || index < 0 || size_t(index) >= s.effects.size() || parameter < 0 ||
        parameter >= kEffectValueCount)
        return 0;
    s.effects[size_t(index)].values[size_t(parameter)] = value;
    return 1;
}

BOOL ISL_ExecuteScriptOnImage(uint8_t* image, uint32_t width, uint32_t height) {
    const Script& s = script();
    if (!s.started || width == 0 || height == 0 || width > uint32_t(INT32_MAX) / 4 || height > uint32_t(INT32_MAX) ||
        !detail::valid_picture(image, width, height, width * 4, 4))
        return 0;
    // An effect that fails part way would leave a half-made picture: the
    // effects work apart from it, and their result is taken back only when
    // all of them succeed. The first takes the picture from where it is.
    std::vector<uint8_t> work;
    try {
        work.resize(size_t(width) * height * 4);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    detail::Bgra picture{work.data(), int32_t(width), int32_t(height), image};
    if (!detail::run_effects(s.effects, picture)) return 0;
    if (picture.pending == nullptr) std::memcpy(image, work.data(), work.size());
    record_run(s.effects);
    return 1;
}

BOOL ISL_LoadScriptFromFile(const char* path) {
    Script& s = script();
    if (!s.started) return 0;
    std::vector<uint8_t> bytes;
    detail::ScriptFile file;
    s.loaded = false;
    if (!detail::read_bounded_file(path, detail::kMaxScriptFileBytes, bytes) || !detail::parse_script(bytes, file))
        return 0;
    s.effects = std::move(file.effects);
    s.background = file.header.background;
    s.loaded = true;
    return 1;
}

BOOL ISL_InitBuffers() { return script().started && script().loaded ? 1 : 0; }

BOOL ISL_ReadScriptHeaderFromFile(const char* path, ISLScriptHeader* header) {
    Script& s = script();
    if (!s.started || header == nullptr) return 0;
    std::vector<uint8_t> bytes;
    ISLScriptHeader h{};
    // Only the header is needed, but a longer file must still be a script
    // file's length to count.
    if (!detail::read_bounded_file(path, detail::kMaxScriptFileBytes, bytes) || !detail::parse_script_header(bytes, h))
        return 0;
    *header = h;
    s.width = h.width;
    s.height = h.height;
    return 1;
}

BOOL ISL_ExecuteScript(uint8_t* output) {
    const Script& s = script();
    if (!s.started || !s.loaded || s.width < 1 || s.height < 1) return 0;
    if (!detail::render_effects(s.effects, s.width, s.height, s.background, output)) return 0;
    ++renders();
    return 1;
}

namespace detail {
ScriptRun last_script_run() { return last_run(); }
uint64_t script_renders() { return renders(); }
}  // namespace detail

}  // namespace imglib
