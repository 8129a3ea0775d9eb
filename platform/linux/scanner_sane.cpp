// Scanners through SANE: the library is started on first use and left at
// unload; devices are found through its configuration (SANE_CONFIG_DIR
// names another folder of configuration files than the system's).
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/imglib/dib.h"
#include "platform/scan_frames.h"
#include "platform/scanner.h"

namespace platform {

namespace {

std::vector<std::string> device_names() {
    std::vector<std::string> names;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr) return names;
    for (const SANE_Device** d = list; *d != nullptr; ++d) names.emplace_back((*d)->name);
    return names;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& n : names)
        if (n == name) return true;
    return false;
}

// Asks for colour scans where the device offers them.
void choose_colour(SANE_Handle h) {
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* o = sane_get_option_descriptor(h, i);
        if (o == nullptr) return;
        if (o->name == nullptr || std::strcmp(o->name, SANE_NAME_SCAN_MODE) != 0 || o->type != SANE_TYPE_STRING ||
            o->constraint_type != SANE_CONSTRAINT_STRING_LIST || !SANE_OPTION_IS_SETTABLE(o->cap))
            continue;
        for (const SANE_String_Const* v = o->constraint.string_list; *v != nullptr; ++v) {
            if (std::strcmp(*v, SANE_VALUE_SCAN_MODE_COLOR) != 0) continue;
            std::vector<char> value(size_t(o->size) + 1, '\0');
            std::strncpy(value.data(), *v, size_t(o->size));
            sane_control_option(h, i, SANE_ACTION_SET_VALUE, value.data(), nullptr);
            return;
        }
        return;
    }
}

bool frame_of(const SANE_Parameters& p, ScanFrame& f) {
    switch (p.format) {
        case SANE_FRAME_GRAY: f.kind = ScanFrame::Kind::Gray; break;
        case SANE_FRAME_RGB: f.kind = ScanFrame::Kind::Rgb; break;
        case SANE_FRAME_RED: f.kind = ScanFrame::Kind::Red; break;
        case SANE_FRAME_GREEN: f.kind = ScanFrame::Kind::Green; break;
        case SANE_FRAME_BLUE: f.kind = ScanFrame::Kind::Blue; break;
        default: return false;
    }
    f.bytesPerLine = p.bytes_per_line;
    f.pixelsPerLine = p.pixels_per_line;
    f.lines = p.lines;
    f.depth = p.depth;
    return true;
}

// Reads every frame of one scan; false when the scan fails or a frame
// cannot be taken.
bool read_scan(SANE_Handle h, ScanAssembler& scan) {
    std::vector<SANE_Byte> buffer(size_t(64) * 1024);
    for (;;) {
        if (sane_start(h) != SANE_STATUS_GOOD) return false;
        SANE_Parameters p{};
        ScanFrame frame;
        if (sane_get_parameters(h, &p) != SANE_STATUS_GOOD || !frame_of(p, frame) || !scan.begin(frame)) return false;
        SANE_Status status;
        SANE_Int got = 0;
        while ((status = sane_read(h, buffer.data(), SANE_Int(buffer.size()), &got)) == SANE_STATUS_GOOD)
            scan.add(buffer.data(), size_t(got));
        scan.end();
        if (status != SANE_STATUS_EOF) return false;
        if (p.last_frame) return true;
    }
}

class SaneScanner final : public Scanner {
public:
    ~SaneScanner() override {
        if (started_) sane_exit();
    }

    bool available() override {
        if (!tried_) {
            tried_ = true;
            SANE_Int version = 0;
            started_ = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
        }
        return started_;
    }

    bool select_source() override {
        if (!available()) return false;
        const std::vector<std::string> names = device_names();
        selected_ = !chosen_.empty() && contains(names, chosen_) ? chosen_ : names.empty() ? std::string() : names[0];
        return !selected_.empty();
    }

    std::string source_name(int32_t index) override {
        if (!available() || index < 0) return {};
        const std::vector<std::string> names = device_names();
        return size_t(index) < names.size() ? names[size_t(index)] : std::string();
    }

    bool choose_source(const std::string& name) override {
        if (!available() || !contains(device_names(), name)) return false;
        chosen_ = selected_ = name;
        return true;
    }

    Dib acquire() override {
        if (!available() || (selected_.empty() && !select_source())) return {};
        SANE_Handle h = nullptr;
        if (sane_open(selected_.c_str(), &h) != SANE_STATUS_GOOD) return {};
        choose_colour(h);
        ScanAssembler scan;
        const bool read = read_scan(h, scan);
        sane_cancel(h);
        sane_close(h);
        std::vector<uint8_t> rgba;
        uint32_t w = 0, h_px = 0;
        if (!read || !scan.picture(rgba, w, h_px)) return {};
        Dib dib(size_t(imglib::IS3DIBSizeOfRGBA(w, h_px)));
        if (dib.empty() || !imglib::IS3RGBAToDIB(rgba.data(), w, h_px, dib.data(), dib.size())) return {};
        return dib;
    }

private:
    bool tried_ = false;
    bool started_ = false;
    std::string chosen_;    // the host's choice
    std::string selected_;  // the device scans come from
};

}  // namespace

Scanner& system_scanner() {
    static SaneScanner scanner;
    return scanner;
}

}  // namespace platform
