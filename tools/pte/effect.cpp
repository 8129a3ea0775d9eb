// `pte effect NAME IN OUT [options]` applies one of the engine's named
// effects to a picture file; `pte effects` lists the names with the route
// each takes.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "arguments.h"
#include "commands.h"
#include "effect_runs.h"
#include "paintcore.h"
#include "picture_files.h"

namespace pte {

namespace {

int usage_error(const std::string& text) {
    std::fprintf(stderr, "pte effect: %s\n", text.c_str());
    std::fprintf(stderr,
                 "usage: pte effect NAME IN OUT [--p1..--p8 N] [--f1..--f6 N] [--color R,G,B] [--seed N] [--text PATH]\n"
                 "  p1..p6 are settings in tenths (default 500), p7 and p8 options (default 0), f1..f6 flags;\n"
                 "  the colour defaults to 200,60,40; `pte effects` lists the names\n");
    return 2;
}

bool parse_colour(const std::string& text, std::array<int32_t, 3>& colour) {
    const size_t a = text.find(','), b = a == std::string::npos ? a : text.find(',', a + 1);
    if (b == std::string::npos) return false;
    return parse_int(text.substr(0, a), colour[0]) && parse_int(text.substr(a + 1, b - a - 1), colour[1]) &&
           parse_int(text.substr(b + 1), colour[2]);
}

// "--p3", "--f2" and the like: the value they set, or null.
int32_t* numbered_option(EffectSettings& s, const std::string& name) {
    if (name.size() != 4 || name.compare(0, 2, "--") != 0) return nullptr;
    const int index = name[3] - '1';
    if (name[2] == 'p' && index >= 0 && index < 8) return &s.p[size_t(index)];
    if (name[2] == 'f' && index >= 0 && index < 6) return &s.f[size_t(index)];
    return nullptr;
}

}  // namespace

int run_effect(const std::vector<std::string>& args) {
    if (args.size() < 3) return usage_error("needs an effect name, an input and an output");
    EffectSettings settings;
    for (size_t i = 3; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) return usage_error(option + " needs a value");
        const std::string& value = args[i + 1];
        if (int32_t* slot = numbered_option(settings, option)) {
            if (!parse_int(value, *slot)) return usage_error(option + " needs a whole number");
        } else if (option == "--seed") {
            if (!parse_int(value, settings.seed)) return usage_error("--seed needs a whole number");
        } else if (option == "--color") {
            if (!parse_colour(value, settings.colour)) return usage_error("--color needs R,G,B");
        } else if (option == "--text") {
            settings.text = value;
        } else {
            return usage_error("unknown option " + option);
        }
    }
    // The engine skips a script it cannot read without a word; here the
    // user hears of it before anything is written.
    if (!settings.text.empty()) {
        std::FILE* script = std::fopen(settings.text.c_str(), "rb");
        if (script == nullptr) {
            std::fprintf(stderr, "pte effect: cannot read %s: %s\n", settings.text.c_str(), std::strerror(errno));
            return 1;
        }
        std::fclose(script);
    }
    std::vector<uint8_t> rgba;
    int width = 0, height = 0;
    if (!read_picture(args[1], rgba, width, height)) {
        std::fprintf(stderr, "pte effect: cannot read %s as a picture\n", args[1].c_str());
        return 1;
    }
    if (width > kMaxImageSide || height > kMaxImageSide) {
        std::fprintf(stderr, "pte effect: %s is larger than %d x %d\n", args[1].c_str(), kMaxImageSide, kMaxImageSide);
        return 1;
    }
    std::string error;
    if (!apply_effect(args[0], settings, rgba, width, height, error)) {
        std::fprintf(stderr, "pte effect: %s\n", error.c_str());
        return 1;
    }
    if (!write_picture(args[2], rgba.data(), width, height, PTE_GetDPIFromFile(args[1].c_str()))) {
        std::fprintf(stderr, "pte effect: cannot write %s (its extension names no format we write, or the write failed)\n",
                     args[2].c_str());
        return 1;
    }
    return 0;
}

int run_effects(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: pte effects\n");
        return 2;
    }
    for (const CatalogueEntry& entry : catalogue()) std::printf("%s\t%s\n", entry.name.c_str(), entry.route.c_str());
    return 0;
}

}  // namespace pte
