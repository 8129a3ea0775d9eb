// The dialogs the engine opens for the host's user where the system has
// them: the font dialog (PTE_ChooseFont), the compression options of a
// video (its first frame) and the scanner selection (PTE_TwainSelectSource
// without a source the host chose). Each keeps its caller waiting until the user
// closes it; a hook can answer them instead, for hosts and tests that must
// not be blocked.
#pragma once

#include <cstdint>

namespace platform {

// What the font dialog starts from and fills in.
struct FontDialogRecord {
    void* owner = nullptr;     // the window that owns the dialog, or null
    uint8_t* font = nullptr;   // the 60-byte logical-font record
    uint32_t colour = 0;       // the text colour, 0x00BBGGRR
    uint32_t flags = 0;        // kFontScreenFonts, kFontFromRecord
};

inline constexpr uint32_t kFontScreenFonts = 1;  // the fonts of the screen
inline constexpr uint32_t kFontFromRecord = 64;  // the dialog opens on the record's font

class FontDialog {
public:
    virtual ~FontDialog() = default;
    // Nonzero when the user chose a font (the record then holds it); 0 when
    // the dialog was cancelled (`error` 0) or could not be shown (`error` the
    // system's extended error code).
    virtual int32_t choose(FontDialogRecord& dialog, uint32_t& error) = 0;
};

FontDialog& system_font_dialog();
FontDialog& font_dialog();
FontDialog* install_font_dialog(FontDialog* replacement);

enum class DialogKind { Font, VideoCompression, ScanSource };

// Answers a dialog in the user's place: true as a user who accepts what the
// dialog offers first (the font of the record; frames kept uncompressed;
// the system's default scanner), false as one who cancels. Null lets the user answer.
using DialogHook = bool (*)(DialogKind kind);
void set_dialog_hook(DialogHook hook);
DialogHook dialog_hook();

}  // namespace platform
