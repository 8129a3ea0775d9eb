// Which implementation of each device the engine uses: the system's, or one
// a test installed in its place.
#include <utility>

#include "platform/clipboard.h"
#include "platform/pdf.h"
#include "platform/scanner.h"
#include "platform/screen.h"
#include "platform/tablet.h"
#include "platform/video.h"

namespace platform {

namespace {

template <class Device>
Device*& installed() {
    static Device* replacement = nullptr;
    return replacement;
}

template <class Device>
Device& in_use(Device& (*system)()) {
    Device* replacement = installed<Device>();
    return replacement != nullptr ? *replacement : system();
}

template <class Device>
Device* install(Device* replacement) {
    return std::exchange(installed<Device>(), replacement);
}

}  // namespace

Clipboard& clipboard() { return in_use(system_clipboard); }
Clipboard* install_clipboard(Clipboard* replacement) { return install(replacement); }

Screen& screen() { return in_use(system_screen); }
Screen* install_screen(Screen* replacement) { return install(replacement); }

Scanner& scanner() { return in_use(system_scanner); }
Scanner* install_scanner(Scanner* replacement) { return install(replacement); }

PdfWriter& pdf_writer() { return in_use(system_pdf_writer); }
PdfWriter* install_pdf_writer(PdfWriter* replacement) { return install(replacement); }

VideoFiles& video_files() { return in_use(system_video_files); }
VideoFiles* install_video_files(VideoFiles* replacement) { return install(replacement); }

TabletDriver& tablet_driver() { return in_use(system_tablet_driver); }
TabletDriver* install_tablet_driver(TabletDriver* replacement) { return install(replacement); }

}  // namespace platform
