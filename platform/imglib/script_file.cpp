#include "platform/imglib/script_file.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/imglib/byte_writer.h"

namespace imglib::detail {

ScriptEffect new_effect(const EffectKind& kind, bool enabled) {
    ScriptEffect e;
    e.number = kind.number;
    e.enabled = enabled;
    for (const auto& [value, start] : kind.defaults) e.values[size_t(value)] = start;
    return e;
}

bool parse_script_header(Bytes data, ISLScriptHeader& header) {
    if (data.size() < sizeof(ISLScriptHeader)) return false;
    ISLScriptHeader h;
    std::memcpy(&h, data.data(), sizeof h);
    // The record is read field by field so that the file's byte order, not
    // the machine's, decides.
    ByteReader r(data);
    uint32_t version = 0, effects = 0, background = 0;
    int32_t width = 0, height = 0;
    if (!r.skip(8) || !r.u32le(version) || !r.u32le(effects) || !r.i32le(width) || !r.i32le(height) ||
        !r.u32le(background))
        return false;
    if (std::memcmp(h.magic, kScriptMagic, sizeof kScriptMagic) != 0 || version != kScriptVersion) return false;
    if (effects > uint32_t(kMaxScriptEffects)) return false;
    if (width < 1 || height < 1 || width > kMaxScriptSide || height > kMaxScriptSide) return false;
    for (uint8_t b : h.reserved)
        if (b != 0) return false;
    h.version = version;
    h.effects = effects;
    h.width = width;
    h.height = height;
    h.background = background;
    header = h;
    return true;
}

bool parse_script(Bytes data, ScriptFile& out) {
    ScriptFile file;
    if (data.size() > kMaxScriptFileBytes || !parse_script_header(data, file.header)) return false;
    ByteReader r(data);
    r.skip(sizeof(ISLScriptHeader));
    try {
        file.effects.reserve(file.header.effects);
        for (uint32_t i = 0; i < file.header.effects; ++i) {
            int32_t number = 0, enabled = 0, count = 0;
            if (!r.i32le(number) || !r.i32le(enabled) || !r.i32le(count)) return false;
            const EffectKind* kind = find_effect(number);
            if (kind == nullptr || (enabled != 0 && enabled != 1) || count < 0 || count > kEffectValueCount)
                return false;
            ScriptEffect e = new_effect(*kind, enabled == 1);
            bool given[kEffectValueCount] = {};
            for (int32_t k = 0; k < count; ++k) {
                int32_t value = 0, setting = 0;
                if (!r.i32le(value) || !r.i32le(setting)) return false;
                if (value < 0 || value >= kEffectValueCount || given[value]) return false;
                given[value] = true;
                e.values[size_t(value)] = setting;
            }
            file.effects.push_back(e);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!r.at_end()) return false;
    out = std::move(file);
    return true;
}

std::vector<uint8_t> write_script(const ScriptFile& script) {
    ByteWriter w;
    w.append(reinterpret_cast<const uint8_t*>(kScriptMagic), sizeof kScriptMagic);
    w.u32le(kScriptVersion);
    w.u32le(uint32_t(script.effects.size()));
    w.u32le(uint32_t(script.header.width));
    w.u32le(uint32_t(script.header.height));
    w.u32le(script.header.background);
    w.zeros(36);
    for (const ScriptEffect& e : script.effects) {
        const EffectKind* kind = find_effect(e.number);
        const ScriptEffect start = kind != nullptr ? new_effect(*kind, true) : ScriptEffect{};
        std::vector<int32_t> given;
        for (int32_t v = 0; v < kEffectValueCount; ++v)
            if (e.values[size_t(v)] != start.values[size_t(v)]) given.push_back(v);
        w.u32le(uint32_t(e.number));
        w.u32le(e.enabled ? 1u : 0u);
        w.u32le(uint32_t(given.size()));
        for (int32_t v : given) {
            w.u32le(uint32_t(v));
            w.u32le(uint32_t(e.values[size_t(v)]));
        }
    }
    return std::move(w.bytes());
}

bool read_bounded_file(const char* path, size_t limit, std::vector<uint8_t>& bytes) {
    if (path == nullptr) return false;
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    std::vector<uint8_t> data;
    bool ok = true;
    try {
        uint8_t chunk[4096];
        for (;;) {
            const size_t n = std::fread(chunk, 1, sizeof chunk, f);
            if (n == 0) break;
            if (data.size() + n > limit) {
                ok = false;
                break;
            }
            data.insert(data.end(), chunk, chunk + n);
        }
        if (std::ferror(f)) ok = false;
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    std::fclose(f);
    if (ok) bytes = std::move(data);
    return ok;
}

bool run_effects(const std::vector<ScriptEffect>& effects, Bgra& picture) {
    for (const ScriptEffect& e : effects) {
        if (!e.enabled) continue;
        const EffectKind* kind = find_effect(e.number);
        if (kind == nullptr) return false;
        try {
            if (!kind->warps) picture.settle();
            if (!kind->run(picture, e.values)) return false;
        } catch (...) {
            return false;
        }
    }
    return true;
}

bool render_effects(const std::vector<ScriptEffect>& effects, int32_t width, int32_t height, uint32_t background,
                    uint8_t* out) {
    if (out == nullptr || width < 1 || height < 1) return false;
    std::vector<uint8_t> canvas;
    try {
        canvas.resize(size_t(width) * size_t(height) * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t i = 0; i < canvas.size(); i += 4)
        for (size_t c = 0; c < 4; ++c) canvas[i + c] = uint8_t(background >> (8 * c));
    Bgra picture{canvas.data(), width, height};
    if (!run_effects(effects, picture)) return false;
    std::memcpy(out, canvas.data(), canvas.size());
    return true;
}

}  // namespace imglib::detail
