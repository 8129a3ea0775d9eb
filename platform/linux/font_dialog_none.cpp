// No font dialog is within the engine's reach here: it answers as a
// dialog the user cancelled.
#include "platform/dialogs.h"

namespace platform {

namespace {

class NoFontDialog final : public FontDialog {
public:
    int32_t choose(FontDialogRecord&, uint32_t& error) override {
        error = 0;
        return 0;
    }
};

}  // namespace

FontDialog& system_font_dialog() {
    static NoFontDialog none;
    return none;
}

}  // namespace platform
