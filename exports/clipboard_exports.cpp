// Clipboard and screen capture.
#include "exports/guard.h"
#include "io/clipboard.h"
#include "io/image_files.h"

using engine::state;
using exports::guarded;
using exports::guarded_quietly;
using exports::guarded_step;

namespace {
constexpr const char* kCreateNewRGBA = "CreateNewRGBA Excpt";
}

extern "C" {

PTE_API void PTE_CALL PTE_ToClipboard(void) {
    guarded_quietly([] { io::to_clipboard(state()); });
}

PTE_API void PTE_CALL PTE_ToClipboardRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    guarded("ToClipBoardRect Excpt", [&] { io::to_clipboard_rect(state(), x1, y1, x2, y2); });
}

PTE_API void PTE_CALL PTE_RGBA32ToClipboard(uint8_t* pixels, int32_t width, int32_t height) {
    guarded_quietly([&] { io::rgba32_to_clipboard(state(), pixels, width, height); });
}

PTE_API int32_t PTE_CALL PTE_IsClipboardOwner(void) {
    return guarded_quietly(int32_t{0}, [] { return io::clipboard_owned(); });
}

PTE_API int32_t PTE_CALL PTE_FromClipboard(void) {
    return guarded_step<io::NewRGBAError>(kCreateNewRGBA, "FromClipBoard Excpt", int32_t{0},
                                          [] { return io::from_clipboard(state()); });
}

PTE_API int32_t PTE_CALL PTE_FromClipboardInto(int32_t x, int32_t y, int32_t centre) {
    return guarded_step<io::NewRGBAError>(kCreateNewRGBA, "FromClipBoardInto Excpt", int32_t{0},
                                          [&] { return io::from_clipboard_into(state(), x, y, centre != 0); });
}

PTE_API int32_t PTE_CALL PTE_FromClipboardIntoEX(int32_t x, int32_t y, float scale, int32_t angle, int32_t centre,
                                                 int32_t smooth) {
    guarded_step<io::NewRGBAError>(kCreateNewRGBA, "FromClipBoardIntoEX Excpt", [&] {
        io::from_clipboard_into_ex(state(), x, y, scale, angle, centre != 0, smooth != 0);
    });
    return 0;
}

PTE_API int32_t PTE_CALL PTE_FromClipboardIntoEX2(int32_t x, int32_t y, int32_t size, int32_t angle, int32_t centre,
                                                  int32_t smooth) {
    guarded_quietly([&] { io::from_clipboard_into_ex2(state(), x, y, size, angle, centre != 0, smooth != 0); });
    return 0;
}

PTE_API int32_t PTE_CALL PTE_ScreenCapture(void) {
    return guarded_step<io::NewRGBAError>(kCreateNewRGBA, "ScreenCapture Excpt", int32_t{0},
                                          [] { return io::screen_capture(state()); });
}

PTE_API int32_t PTE_CALL PTE_ScreenCaptureInto(void) {
    return guarded_step<io::NewRGBAError>(kCreateNewRGBA, "ScreenCaptureInto Excpt", int32_t{0},
                                          [] { return io::screen_capture_into(state()); });
}

}  // extern "C"
