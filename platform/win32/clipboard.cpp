// The clipboard of Windows: one packed device-independent bitmap (CF_DIB),
// put in movable global memory the clipboard then owns, and read from
// whatever the clipboard holds (the system converts other bitmap formats to
// CF_DIB on request).
#include <windows.h>

#include <cstring>
#include <utility>

#include "platform/clipboard.h"

namespace platform {

namespace {

// Another program may hold the clipboard open for a moment.
constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenPause = 10;  // milliseconds

// The clipboard opened without an owner window, closed again on every way out.
class OpenClipboardScope {
public:
    OpenClipboardScope() {
        for (int i = 0; i < kOpenAttempts && !open_; ++i) {
            open_ = OpenClipboard(nullptr) != 0;
            if (!open_) Sleep(kOpenPause);
        }
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    ~OpenClipboardScope() {
        if (open_) CloseClipboard();
    }
    explicit operator bool() const { return open_; }

private:
    bool open_ = false;
};

// A global memory block locked for reading, unlocked on every way out.
class LockedBlock {
public:
    explicit LockedBlock(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    ~LockedBlock() {
        if (data_ != nullptr) GlobalUnlock(block_);
    }
    const uint8_t* data() const { return static_cast<const uint8_t*>(data_); }
    SIZE_T size() const { return data_ != nullptr ? GlobalSize(block_) : 0; }

private:
    HGLOBAL block_;
    void* data_;
};

// The bitmap in movable global memory, or null.
HGLOBAL global_copy(const Dib& dib) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, dib.size());
    if (block == nullptr) return nullptr;
    void* to = GlobalLock(block);
    if (to == nullptr) {
        ::GlobalFree(block);
        return nullptr;
    }
    std::memcpy(to, dib.data(), dib.size());
    GlobalUnlock(block);
    return block;
}

class WindowsClipboard final : public Clipboard {
public:
    bool put(Dib dib) override {
        if (dib.empty()) return false;
        HGLOBAL block = global_copy(dib);
        if (block == nullptr) return false;
        bool stored = false;
        {
            const OpenClipboardScope open;
            stored = open && EmptyClipboard() && SetClipboardData(CF_DIB, block) != nullptr;
        }
        if (!stored) {
            ::GlobalFree(block);
            return false;
        }
        // From here the block is the clipboard's. The sequence number moves
        // with every change, ours included; it is read once the clipboard
        // is closed, when our change is complete.
        sequence_ = GetClipboardSequenceNumber();
        return true;
    }

    Dib take() override {
        const OpenClipboardScope open;
        if (!open || !IsClipboardFormatAvailable(CF_DIB)) return {};
        const LockedBlock locked(GetClipboardData(CF_DIB));
        if (locked.data() == nullptr) return {};
        return Dib(locked.data(), locked.data() + locked.size());
    }

    // Our copy is the clipboard's content until anything changes it.
    bool owned() override { return sequence_ != 0 && GetClipboardSequenceNumber() == sequence_; }

private:
    DWORD sequence_ = 0;
};

}  // namespace

Clipboard& system_clipboard() {
    static WindowsClipboard clipboard;
    return clipboard;
}

}  // namespace platform
