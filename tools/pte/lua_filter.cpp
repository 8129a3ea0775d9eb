// `pte lua SCRIPT IN OUT [options]`: runs a Lua filter script over a
// picture file. The picture becomes the background layer of an image of its
// size, the script runs through the working buffers and the filtered layer
// is written in the format OUT's extension names. A paint script the filter
// records goes to scripts/luapaint.srp under the current folder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "paintcore.h"
#include "picture_files.h"

namespace pte {

namespace {

struct Options {
    int32_t sliders[6] = {};
    int32_t styles[2] = {};
    int32_t flags[6] = {};
};

int usage_error(const std::string& text) {
    std::fprintf(stderr, "pte lua: %s\n", text.c_str());
    std::fprintf(stderr,
                 "usage: pte lua SCRIPT IN OUT [--slider1..6 N] [--style1..2 N] [--flag1..6 N]\n"
                 "  a slider N gives sliderVal = N * 0.001, a style styleVal = N + 1, a flag flagVal = N != 0\n");
    return 2;
}

// "--slider3" and the like: the array it sets and the index, or null.
int32_t* option_slot(Options& o, const std::string& name) {
    struct Family {
        const char* prefix;
        int32_t* values;
        int count;
    };
    const Family families[] = {{"--slider", o.sliders, 6}, {"--style", o.styles, 2}, {"--flag", o.flags, 6}};
    for (const Family& f : families) {
        const size_t n = std::strlen(f.prefix);
        if (name.size() != n + 1 || name.compare(0, n, f.prefix) != 0) continue;
        const int index = name[n] - '1';
        if (index >= 0 && index < f.count) return &f.values[index];
    }
    return nullptr;
}

}  // namespace

int run_lua(const std::vector<std::string>& args) {
    if (args.size() < 3) return usage_error("needs a script, an input and an output");
    Options options;
    for (size_t i = 3; i < args.size(); i += 2) {
        int32_t* slot = option_slot(options, args[i]);
        if (slot == nullptr) return usage_error("unknown option " + args[i]);
        if (i + 1 >= args.size() || !parse_int(args[i + 1], *slot))
            return usage_error(args[i] + " needs a whole number");
    }

    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    if (!read_image_picture("lua", args[1], pixels, width, height)) return 1;

    PTE_CreateImage(nullptr, width, height, 64, 0);
    if (PTE_CreateLayer(1, width, height) != 1) {
        std::fprintf(stderr, "pte lua: %s\n", PTE_GetLastError());
        PTE_DeleteImage();
        return 1;
    }
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayer(1);
    PTE_LoadRGBA32(pixels.data(), width * 4, 0);
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLAllocDstBuffer32();
    PTE_SetLastError("");
    const Options& o = options;
    PTE_LuaFilterRun(args[0].c_str(), o.sliders[0], o.sliders[1], o.sliders[2], o.sliders[3], o.sliders[4],
                     o.sliders[5], o.styles[0], o.styles[1], o.flags[0], o.flags[1], o.flags[2], o.flags[3],
                     o.flags[4], o.flags[5]);
    // A script error is already on standard error; any other failure is told here.
    const std::string error = PTE_GetLastError();
    const bool failed = !error.empty();
    if (failed && error.find("Lua Script Error") == std::string::npos)
        std::fprintf(stderr, "pte lua: %s\n", error.c_str());
    if (!failed) PTE_GetRGBA32(pixels.data(), width * 4);
    PTE_IPLFreeSrcBuffer32();
    PTE_IPLFreeDstBuffer32();
    PTE_DeleteImage();
    if (failed) return 1;
    return write_result_picture("lua", args[2], pixels.data(), width, height, args[1]) ? 0 : 1;
}

}  // namespace pte
