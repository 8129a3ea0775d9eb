// Scanners through TWAIN's data source manager (TWAINDSM.DLL, or the older
// TWAIN_32.DLL), loaded at run time: the application's session with the
// manager, the sources it knows, and one picture per scan as the source's
// own device-independent bitmap (a native transfer), the source showing its
// own user interface meanwhile.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/scanner.h"

namespace platform {

namespace {

// The manager's records, in its own layout (two-byte packing).
#pragma pack(push, 2)
using TwStr32 = char[34];
struct TwVersion {
    uint16_t MajorNum, MinorNum, Language, Country;
    TwStr32 Info;
};
struct TwIdentity {
    uint32_t Id;
    TwVersion Version;
    uint16_t ProtocolMajor, ProtocolMinor;
    uint32_t SupportedGroups;
    TwStr32 Manufacturer, ProductFamily, ProductName;
};
struct TwUserInterface {
    uint16_t ShowUI, ModalUI;
    HANDLE hParent;
};
struct TwEvent {
    void* pEvent;
    uint16_t TWMessage;
};
struct TwPendingXfers {
    uint16_t Count;
    uint32_t EOJ;
};
struct TwCapability {
    uint16_t Cap, ConType;
    HANDLE hContainer;
};
struct TwOneValue {
    uint16_t ItemType;
    uint32_t Item;
};
#pragma pack(pop)

enum : uint32_t { DG_CONTROL = 1, DG_IMAGE = 2 };
enum : uint16_t {
    DAT_CAPABILITY = 1, DAT_EVENT = 2, DAT_IDENTITY = 3, DAT_PARENT = 4, DAT_PENDINGXFERS = 5,
    DAT_USERINTERFACE = 9, DAT_IMAGENATIVEXFER = 0x0104
};
enum : uint16_t {
    MSG_GET = 1, MSG_GETDEFAULT = 3, MSG_GETFIRST = 4, MSG_GETNEXT = 5, MSG_SET = 6, MSG_RESET = 7,
    MSG_XFERREADY = 0x0101, MSG_CLOSEDSREQ = 0x0102, MSG_CLOSEDSOK = 0x0103, MSG_OPENDSM = 0x0301,
    MSG_CLOSEDSM = 0x0302, MSG_OPENDS = 0x0401, MSG_CLOSEDS = 0x0402, MSG_USERSELECT = 0x0403,
    MSG_DISABLEDS = 0x0501, MSG_ENABLEDS = 0x0502, MSG_PROCESSEVENT = 0x0601, MSG_ENDXFER = 0x0701
};
enum : uint16_t { TWRC_SUCCESS = 0, TWRC_DSEVENT = 4, TWRC_XFERDONE = 6 };
constexpr uint16_t kPixelTypeCap = 0x0101;  // ICAP_PIXELTYPE
constexpr uint16_t kOneValue = 5;           // TWON_ONEVALUE
constexpr uint16_t kUint16 = 4;             // TWTY_UINT16
constexpr uint16_t kColour = 2;             // TWPT_RGB

using DsmEntry = uint16_t(WINAPI*)(TwIdentity*, TwIdentity*, uint32_t, uint16_t, uint16_t, void*);

void copy_text(TwStr32& to, const char* text) {
    std::memset(to, 0, sizeof to);
    std::strncpy(to, text, sizeof to - 1);
}

std::string name_of(const TwIdentity& source) { return std::string(source.ProductName, strnlen(source.ProductName, 34)); }

// A hidden window of the session: the manager's parent for its dialogs and
// the window the sources post their events to.
class SessionWindow {
public:
    SessionWindow() : window_(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)) {}
    SessionWindow(const SessionWindow&) = delete;
    SessionWindow& operator=(const SessionWindow&) = delete;
    ~SessionWindow() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    HWND get() const { return window_; }

private:
    HWND window_;
};

// The application's session with the manager, open while it lives.
class Session {
public:
    explicit Session(DsmEntry entry) : entry_(entry) {
        app_.Version.MajorNum = 1;
        app_.Version.Language = 2;  // English
        app_.Version.Country = 1;
        copy_text(app_.Version.Info, "paintcore");
        app_.ProtocolMajor = 1;
        app_.ProtocolMinor = 9;
        app_.SupportedGroups = DG_CONTROL | DG_IMAGE;
        copy_text(app_.Manufacturer, "paintcore");
        copy_text(app_.ProductFamily, "paintcore");
        copy_text(app_.ProductName, "paintcore");
        HWND parent = window_.get();
        open_ = parent != nullptr && manager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent) == TWRC_SUCCESS;
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (!open_) return;
        HWND parent = window_.get();
        manager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
    }
    explicit operator bool() const { return open_; }
    HWND window() const { return window_.get(); }

    uint16_t manager(uint32_t group, uint16_t data, uint16_t message, void* record) {
        return entry_(&app_, nullptr, group, data, message, record);
    }
    uint16_t source(TwIdentity& s, uint32_t group, uint16_t data, uint16_t message, void* record) {
        return entry_(&app_, &s, group, data, message, record);
    }

    std::vector<TwIdentity> sources() {
        std::vector<TwIdentity> found;
        TwIdentity s{};
        for (uint16_t m = MSG_GETFIRST; manager(DG_CONTROL, DAT_IDENTITY, m, &s) == TWRC_SUCCESS; m = MSG_GETNEXT) {
            found.push_back(s);
            s = TwIdentity{};
        }
        return found;
    }

private:
    DsmEntry entry_;
    SessionWindow window_;
    TwIdentity app_{};
    bool open_ = false;
};

// Asks the source for colour; a source that cannot is scanned as it is.
void ask_for_colour(Session& session, TwIdentity& source) {
    HGLOBAL container = ::GlobalAlloc(GHND, sizeof(TwOneValue));
    if (container == nullptr) return;
    if (auto* one = static_cast<TwOneValue*>(GlobalLock(container))) {
        one->ItemType = kUint16;
        one->Item = kColour;
        GlobalUnlock(container);
        TwCapability cap{kPixelTypeCap, kOneValue, container};
        session.source(source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    }
    ::GlobalFree(container);
}

// Runs the messages of the session's thread through the source until it
// offers a picture or asks to be closed; the picture as a packed bitmap.
Dib transfer(Session& session, TwIdentity& source) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TwEvent event{&msg, 0};
        if (session.source(source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (event.TWMessage == MSG_CLOSEDSREQ || event.TWMessage == MSG_CLOSEDSOK) return {};
        if (event.TWMessage != MSG_XFERREADY) continue;
        HANDLE bitmap = nullptr;
        const uint16_t got = session.source(source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap);
        TwPendingXfers pending{};
        session.source(source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        if (pending.Count != 0) session.source(source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
        Dib dib;
        if (got == TWRC_XFERDONE && bitmap != nullptr) {
            if (const void* data = GlobalLock(bitmap)) {
                const auto* bytes = static_cast<const uint8_t*>(data);
                dib.assign(bytes, bytes + GlobalSize(bitmap));
                GlobalUnlock(bitmap);
            }
        }
        if (bitmap != nullptr) ::GlobalFree(bitmap);
        return dib;
    }
    return {};
}

class TwainScanner final : public Scanner {
public:
    bool available() override {
        if (!tried_) {
            tried_ = true;
            for (const char* name : {"TWAINDSM.DLL", "TWAIN_32.DLL"}) {
                module_ = LoadLibraryA(name);
                if (module_ == nullptr) continue;
                entry_ = reinterpret_cast<DsmEntry>(reinterpret_cast<void*>(GetProcAddress(module_, "DSM_Entry")));
                if (entry_ != nullptr) break;
                FreeLibrary(module_);
                module_ = nullptr;
            }
        }
        return entry_ != nullptr;
    }

    // The host's source, else the one the user picks in the manager's
    // selection dialog.
    bool select_source() override {
        if (!available()) return false;
        Session session(entry_);
        if (!session) return false;
        if (!chosen_.empty() && find(session, chosen_, selected_)) return true;
        TwIdentity picked{};
        if (const DialogHook hook = dialog_hook()) {
            if (!hook(DialogKind::ScanSource) ||
                session.manager(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &picked) != TWRC_SUCCESS)
                return false;
        } else if (session.manager(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &picked) != TWRC_SUCCESS) {
            return false;
        }
        selected_ = picked;
        return true;
    }

    std::string source_name(int32_t index) override {
        if (!available() || index < 0) return {};
        Session session(entry_);
        if (!session) return {};
        const std::vector<TwIdentity> sources = session.sources();
        return size_t(index) < sources.size() ? name_of(sources[size_t(index)]) : std::string();
    }

    bool choose_source(const std::string& name) override {
        if (!available()) return false;
        Session session(entry_);
        TwIdentity found{};
        if (!session || !find(session, name, found)) return false;
        chosen_ = name;
        selected_ = found;
        return true;
    }

    Dib acquire() override {
        if (!available()) return {};
        Session session(entry_);
        if (!session) return {};
        TwIdentity source = selected_;
        if (name_of(source).empty() && session.manager(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &source) != TWRC_SUCCESS)
            return {};
        if (session.manager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) != TWRC_SUCCESS) return {};
        ask_for_colour(session, source);
        TwUserInterface ui{1, 1, session.window()};
        Dib dib;
        if (session.source(source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_SUCCESS) {
            dib = transfer(session, source);
            session.source(source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        }
        session.manager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
        return dib;
    }

private:
    static bool find(Session& session, const std::string& name, TwIdentity& out) {
        for (const TwIdentity& s : session.sources())
            if (name_of(s) == name) {
                out = s;
                return true;
            }
        return false;
    }

    bool tried_ = false;
    HMODULE module_ = nullptr;
    DsmEntry entry_ = nullptr;
    std::string chosen_;        // the host's choice
    TwIdentity selected_{};     // the source scans come from; none while its name is empty
};

}  // namespace

Scanner& system_scanner() {
    static TwainScanner scanner;
    return scanner;
}

}  // namespace platform
