// The system's font dialog (ChooseFontA), on the engine's record, which is
// a LOGFONTA in its stored layout.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "platform/dialogs.h"

namespace platform {

namespace {

static_assert(sizeof(LOGFONTA) == 60, "the engine's font record is a LOGFONTA");
static_assert(kFontScreenFonts == CF_SCREENFONTS && kFontFromRecord == CF_INITTOLOGFONTSTRUCT);

class ChooseFontDialog final : public FontDialog {
public:
    int32_t choose(FontDialogRecord& d, uint32_t& error) override {
        error = 0;
        if (d.font == nullptr) return 0;
        if (const DialogHook hook = dialog_hook()) return hook(DialogKind::Font) ? 1 : 0;
        LOGFONTA font;
        std::memcpy(&font, d.font, sizeof font);
        CHOOSEFONTA c{};
        c.lStructSize = sizeof c;
        c.hwndOwner = static_cast<HWND>(d.owner);
        c.lpLogFont = &font;
        c.rgbColors = d.colour;
        c.Flags = d.flags;
        const BOOL chosen = ChooseFontA(&c);
        if (!chosen) {
            error = CommDlgExtendedError();
            return 0;
        }
        std::memcpy(d.font, &font, sizeof font);
        d.colour = c.rgbColors;
        return chosen;
    }
};

}  // namespace

FontDialog& system_font_dialog() {
    static ChooseFontDialog dialog;
    return dialog;
}

}  // namespace platform
