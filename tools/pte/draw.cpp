// `pte draw IN OUT STEP...`: draws on a picture file through the engine's
// drawing, fill and selection calls, step after step, and writes the result
// in the format OUT's extension names. The picture becomes a layer over a
// background, so that erasing leaves transparency where the format keeps it.
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

constexpr int kPictureLayer = 2;

const char* const kUsage =
    "usage: pte draw IN OUT STEP...\n"
    "  a step is a name and its arguments; COLOUR is #RRGGBB or R,G,B; [..] may be left out\n"
    "  rect X1 Y1 X2 Y2 COLOUR [OPACITY%]     a solid rectangle, both corners included\n"
    "  ellipse X1 Y1 X2 Y2 COLOUR [OPACITY%]  a filled ellipse in the box between the corners\n"
    "  gradient KIND X1 Y1 X2 Y2 COUNT COLOUR...\n"
    "                                  KIND Linear or Radial; COUNT 0..4 colours (0 and 1 fade the\n"
    "                                  first colour in and out; give one colour for them)\n"
    "  fill X Y COLOUR TOLERANCE MODE  the paint bucket, TOLERANCE 0..50000, MODE one of\n"
    "                                  \"Paint Connected\", \"Paint Non-connected\", \"Erase Connected\",\n"
    "                                  \"Erase Non-connected\", \"Paint Alpha Connected\",\n"
    "                                  \"Paint Alpha Non-Connected\"\n"
    "  font FACE PIXELS [bold] [italic] [underline] [strikeout]\n"
    "                                  the font of later text steps (FACE \"\" for the default)\n"
    "  text X Y COLOUR TEXT [aliased]  UTF-8 text with its top-left corner at (X, Y)\n"
    "  deselect                        protect everything: later selection steps start afresh\n"
    "  select-all                      select everything (as at the start)\n"
    "  select-rect X1 Y1 X2 Y2 [PERCENT]\n"
    "  select-ellipse X1 Y1 X2 Y2 [PERCENT]\n"
    "  wand X Y TOLERANCE MODE [PERCENT]\n"
    "                                  MODE one of \"Connected\", \"Non-connected\", \"Color Range\",\n"
    "                                  \"Luminance Range\", \"Hue Range\", \"Alpha Connected\",\n"
    "                                  \"Alpha Non-connected\"; selections add to the selection, and\n"
    "                                  later drawing and fills reach only what is selected\n"
    "  show-mask                       the picture becomes the selection: black selected, white not\n";

struct Colour {
    int r = 0, g = 0, b = 0;
};

bool parse_colour(const std::string& text, Colour& c) {
    if (text.size() == 7 && text[0] == '#') {
        char* end = nullptr;
        const unsigned long v = std::strtoul(text.c_str() + 1, &end, 16);
        if (*end != '\0') return false;
        c = {int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)};
        return true;
    }
    char tail = 0;
    return std::sscanf(text.c_str(), "%d,%d,%d%c", &c.r, &c.g, &c.b, &tail) == 3 && c.r >= 0 && c.r <= 255 &&
           c.g >= 0 && c.g <= 255 && c.b >= 0 && c.b <= 255;
}

// What a step reads its arguments with; each getter reports a bad one.
class Arguments {
public:
    Arguments(const std::vector<std::string>& args, const std::string& step) : args_(args), step_(step) {}
    size_t size() const { return args_.size(); }
    const std::string& text(size_t i) const { return args_[i]; }
    int32_t number(size_t i) {
        int32_t v = 0;
        if (!parse_int(args_[i], v)) fail("'" + args_[i] + "' is not a whole number");
        return v;
    }
    // An optional number after the required ones.
    int32_t number_or(size_t i, int32_t fallback) { return i < args_.size() ? number(i) : fallback; }
    Colour colour(size_t i) {
        Colour c;
        if (!parse_colour(args_[i], c)) fail("'" + args_[i] + "' is not a colour (#RRGGBB or R,G,B)");
        return c;
    }
    void fail(const std::string& why) {
        if (error_.empty()) error_ = step_ + ": " + why;
    }
    const std::string& error() const { return error_; }

private:
    const std::vector<std::string>& args_;
    std::string step_;
    std::string error_;
};

// The font record the font step fills: height at byte 0, weight at 16,
// italic, underline and strike-out at 20 to 22, the face name from 28.
struct FontRecord {
    uint8_t bytes[60] = {};
    void set_int(size_t at, int32_t v) { std::memcpy(bytes + at, &v, 4); }
};

// A rectangle or an ellipse: the corners, the colour and an opacity.
void shape_step(Arguments& a, void (*draw)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)) {
    const Colour c = a.colour(4);
    const int32_t x1 = a.number(0), y1 = a.number(1), x2 = a.number(2), y2 = a.number(3), o = a.number_or(5, 100);
    if (a.error().empty()) draw(c.r, c.g, c.b, x1, y1, x2, y2, o);
}
void step_rect(Arguments& a) { shape_step(a, PTE_IPLRectangle); }
void step_ellipse(Arguments& a) { shape_step(a, PTE_IPLEllipse); }

void step_gradient(Arguments& a) {
    const int32_t x1 = a.number(1), y1 = a.number(2), x2 = a.number(3), y2 = a.number(4), count = a.number(5);
    if (count < 0 || count > 4) return a.fail("COUNT must be 0 to 4");
    const size_t needed = size_t(count < 1 ? 1 : count);
    if (a.size() != 6 + needed) return a.fail("give " + std::to_string(needed) + " colour(s) for COUNT " + std::to_string(count));
    Colour c[4];
    for (size_t i = 0; i < needed; ++i) c[i] = a.colour(6 + i);
    if (!a.error().empty()) return;
    PTE_IPLGradient(c[0].r, c[0].g, c[0].b, c[1].r, c[1].g, c[1].b, c[2].r, c[2].g, c[2].b, c[3].r, c[3].g, c[3].b,
                    count, x1, y1, x2, y2, a.text(0).c_str());
}

void step_fill(Arguments& a) {
    const int32_t x = a.number(0), y = a.number(1), tolerance = a.number(3);
    const Colour c = a.colour(2);
    if (a.error().empty()) PTE_IPLFloodFill(c.r, c.g, c.b, x, y, tolerance, a.text(4).c_str());
}

void step_font(Arguments& a) {
    FontRecord record;
    const int32_t pixels = a.number(1);
    record.set_int(0, -pixels);
    for (size_t i = 2; i < a.size(); ++i) {
        const std::string& style = a.text(i);
        if (style == "bold") record.set_int(16, 700);
        else if (style == "italic") record.bytes[20] = 1;
        else if (style == "underline") record.bytes[21] = 1;
        else if (style == "strikeout") record.bytes[22] = 1;
        else return a.fail("unknown style '" + style + "'");
    }
    const std::string& face = a.text(0);
    if (face.size() > 31) return a.fail("the face name is longer than 31 bytes");
    std::memcpy(record.bytes + 28, face.c_str(), face.size());
    if (a.error().empty()) PTE_SetFontRecord(record.bytes);
}

void step_text(Arguments& a) {
    const int32_t x = a.number(0), y = a.number(1);
    const Colour c = a.colour(2);
    const bool aliased = a.size() > 4 && a.text(4) == "aliased";
    if (a.size() > 4 && !aliased) return a.fail("the last argument may only be 'aliased'");
    if (!a.error().empty()) return;
    // Text draws in the source working buffer the host provides.
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLText(c.r, c.g, c.b, x, y, 0, 0, 0, 0, a.text(3).c_str(), aliased ? 0 : 1);
    PTE_IPLFreeSrcBuffer32();
}

void step_deselect(Arguments&) { PTE_ClearMask(65535, 65535, 65535); }
void step_select_all(Arguments&) { PTE_ClearMask(0, 0, 0); }

// A selection of a shape: the corners and a percentage.
void selection_step(Arguments& a, void (*select)(int32_t, int32_t, int32_t, int32_t, int32_t)) {
    const int32_t x1 = a.number(0), y1 = a.number(1), x2 = a.number(2), y2 = a.number(3), p = a.number_or(4, 0);
    if (a.error().empty()) select(x1, y1, x2, y2, p);
}
void step_select_rect(Arguments& a) { selection_step(a, PTE_IPLMaskRectangle); }
void step_select_ellipse(Arguments& a) { selection_step(a, PTE_IPLMaskEllipse); }

void step_wand(Arguments& a) {
    const int32_t x = a.number(0), y = a.number(1), tolerance = a.number(2), p = a.number_or(4, 0);
    if (a.error().empty()) PTE_IPLMaskWand(x, y, tolerance, p, a.text(3).c_str());
}

void step_show_mask(Arguments&) { PTE_CreateImageFromMask(); }

struct Step {
    const char* name;
    size_t least, most;  // how many arguments
    void (*run)(Arguments&);
};

constexpr Step kSteps[] = {
    {"rect", 5, 6, step_rect},
    {"ellipse", 5, 6, step_ellipse},
    {"gradient", 7, 10, step_gradient},
    {"fill", 5, 5, step_fill},
    {"font", 2, 6, step_font},
    {"text", 4, 5, step_text},
    {"deselect", 0, 0, step_deselect},
    {"select-all", 0, 0, step_select_all},
    {"select-rect", 4, 5, step_select_rect},
    {"select-ellipse", 4, 5, step_select_ellipse},
    {"wand", 4, 5, step_wand},
    {"show-mask", 0, 0, step_show_mask},
};

const Step* find_step(const std::string& name) {
    for (const Step& s : kSteps)
        if (name == s.name) return &s;
    return nullptr;
}

int usage_error(const std::string& text) {
    std::fprintf(stderr, "pte draw: %s\n%s", text.c_str(), kUsage);
    return 2;
}

// A step and the arguments it takes: at least its least, then more up to
// its most while the next word names no step.
struct Planned {
    const Step* step;
    std::vector<std::string> args;
};

bool plan(const std::vector<std::string>& words, std::vector<Planned>& steps, std::string& error) {
    for (size_t i = 0; i < words.size();) {
        const Step* step = find_step(words[i]);
        if (step == nullptr) {
            error = "unknown step '" + words[i] + "'";
            return false;
        }
        Planned p{step, {}};
        ++i;
        while (p.args.size() < step->most && i < words.size() &&
               (p.args.size() < step->least || find_step(words[i]) == nullptr))
            p.args.push_back(words[i++]);
        if (p.args.size() < step->least) {
            error = std::string(step->name) + " needs at least " + std::to_string(step->least) + " arguments";
            return false;
        }
        steps.push_back(std::move(p));
    }
    return true;
}

bool make_image(const std::vector<uint8_t>& rgba, int width, int height) {
    PTE_CreateImage(nullptr, width, height, 64, 0);
    if (PTE_CreateLayer(1, width, height) != 1 || PTE_CreateLayer(kPictureLayer, width, height) != 1) return false;
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(kPictureLayer, 1, 0, 100, "Normal");
    PTE_SetLayer(kPictureLayer);
    PTE_LoadRGBA32(rgba.data(), width * 4, 0);
    PTE_EnableMask(1);
    PTE_IPLInit();
    return true;
}

}  // namespace

int run_draw(const std::vector<std::string>& args) {
    if (args.size() < 3) return usage_error("needs an input, an output and at least one step");
    std::vector<Planned> steps;
    std::string error;
    if (!plan(std::vector<std::string>(args.begin() + 2, args.end()), steps, error)) return usage_error(error);

    std::vector<uint8_t> rgba;
    int width = 0, height = 0;
    if (!read_image_picture("draw", args[0], rgba, width, height)) return 1;
    if (!make_image(rgba, width, height)) {
        std::fprintf(stderr, "pte draw: %s\n", PTE_GetLastError());
        PTE_DeleteImage();
        return 1;
    }
    PTE_SetLastError("");
    for (const Planned& p : steps) {
        Arguments a(p.args, p.step->name);
        p.step->run(a);
        if (!a.error().empty()) {
            PTE_DeleteImage();
            return usage_error(a.error());
        }
        const std::string failure = PTE_GetLastError();
        if (!failure.empty()) {
            std::fprintf(stderr, "pte draw: %s: %s\n", p.step->name, failure.c_str());
            PTE_DeleteImage();
            return 1;
        }
    }
    PTE_GetRGBA32(rgba.data(), width * 4);
    PTE_IPLExit();
    PTE_DeleteImage();
    return write_result_picture("draw", args[1], rgba.data(), width, height, args[0]) ? 0 : 1;
}

}  // namespace pte
