// The devices of the Win32 platform layer against the system's own side of
// them: the clipboard read and written by the system's calls, a screen
// capture of a window the test puts on the screen, AVI files read back
// through the system's video file interface, and the font dialog.
#include <windows.h>
#include <vfw.h>

#include <gmock/gmock.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "io/documents.h"
#include "paintcore.h"
#include "platform/dialogs.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A picture of w x h in which every pixel differs, opaque.
Bytes pattern(int32_t w, int32_t h) {
    Bytes rgba(size_t(w) * h * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x * 40 + 5), p[1] = uint8_t(y * 60 + 7), p[2] = uint8_t(x * 9 + y * 3 + 11), p[3] = 255;
        }
    return rgba;
}

Bytes new_rgba() {
    Bytes out(size_t(PTE_GetNewRGBAWidth()) * PTE_GetNewRGBAHeight() * 4);
    PTE_GetNewRGBA32(out.data());
    return out;
}

// The clipboard's CF_DIB as another program reads it.
Bytes clipboard_dib() {
    Bytes dib;
    if (!OpenClipboard(nullptr)) return dib;
    if (HANDLE h = GetClipboardData(CF_DIB)) {
        if (const void* p = GlobalLock(h)) {
            dib.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + GlobalSize(h));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return dib;
}

// Another program puts a packed bitmap on the clipboard.
bool put_dib(const Bytes& dib) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    std::memcpy(GlobalLock(block), dib.data(), dib.size());
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return GlobalFree(block), false;
    const bool set = EmptyClipboard() && SetClipboardData(CF_DIB, block) != nullptr;
    CloseClipboard();
    if (!set) GlobalFree(block);
    return set;
}

bool empty_clipboard() {
    if (!OpenClipboard(nullptr)) return false;
    const bool emptied = EmptyClipboard();
    CloseClipboard();
    return emptied;
}

// A 24-bit bitmap of 2 x 2 as other programs write them: bottom row first,
// blue-green-red, rows padded to four bytes.
Bytes bottom_up_24bit() {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 2;
    h.biHeight = 2;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    Bytes dib(sizeof h);
    std::memcpy(dib.data(), &h, sizeof h);
    const uint8_t rows[] = {3, 2, 1, 6, 5, 4, 0, 0,      // bottom row: (1, 2, 3), (4, 5, 6)
                            30, 20, 10, 60, 50, 40, 0, 0};  // top row: (10, 20, 30), (40, 50, 60)
    dib.insert(dib.end(), std::begin(rows), std::end(rows));
    return dib;
}

}  // namespace

// ---- The clipboard ----

TEST_F(EngineTest, ACopyReachesOtherProgramsAsADibAndPastesBackUnchanged) {
    ASSERT_TRUE(empty_clipboard());
    Bytes picture = pattern(5, 3);
    const Bytes original = picture;
    PTE_RGBA32ToClipboard(picture.data(), 5, 3);
    EXPECT_EQ(PTE_IsClipboardOwner(), 1);

    const Bytes dib = clipboard_dib();
    ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(std::abs(h.biHeight), 3);
    EXPECT_EQ(h.biBitCount, 32);

    PTE_DeleteNewRGBA();
    ASSERT_EQ(PTE_FromClipboard(), 1);
    ASSERT_EQ(PTE_GetNewRGBAWidth(), 5);
    ASSERT_EQ(PTE_GetNewRGBAHeight(), 3);
    EXPECT_EQ(new_rgba(), original);
}

TEST_F(EngineTest, APictureOfAnotherProgramIsReadTopRowFirst) {
    Bytes picture = pattern(2, 2);
    PTE_RGBA32ToClipboard(picture.data(), 2, 2);
    ASSERT_TRUE(put_dib(bottom_up_24bit()));
    EXPECT_EQ(PTE_IsClipboardOwner(), 0) << "another program replaced our copy";
    ASSERT_EQ(PTE_FromClipboard(), 1);
    EXPECT_EQ(new_rgba(), (Bytes{10, 20, 30, 255, 40, 50, 60, 255, 1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST_F(EngineTest, AnEmptyClipboardLeavesNewRGBAAsItWas) {
    Bytes picture = pattern(2, 1);
    PTE_RGBA32ToClipboard(picture.data(), 2, 1);
    ASSERT_EQ(PTE_FromClipboard(), 1);
    ASSERT_TRUE(empty_clipboard());
    EXPECT_EQ(PTE_IsClipboardOwner(), 0);
    EXPECT_EQ(PTE_FromClipboard(), 0);
    EXPECT_EQ(new_rgba(), picture);
    make_image(4, 4);
    EXPECT_EQ(PTE_FromClipboardInto(0, 0, 0), 0);
}

// ---- Screen capture ----

namespace {

// A borderless window of one colour at the screen's top-left corner, on top.
class ColouredWindow {
public:
    ColouredWindow(int w, int h, COLORREF colour) : brush_(CreateSolidBrush(colour)) {
        WNDCLASSA c{};
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hbrBackground = brush_;
        c.lpszClassName = "paintcore capture test";
        RegisterClassA(&c);
        window_ = CreateWindowExA(WS_EX_TOPMOST, c.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr,
                                  nullptr, c.hInstance, nullptr);
        UpdateWindow(window_);
        // Let the window system show it before the screen is read.
        for (int i = 0; i < 20; ++i) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(25);
        }
    }
    ~ColouredWindow() {
        DestroyWindow(window_);
        UnregisterClassA("paintcore capture test", GetModuleHandleA(nullptr));
        DeleteObject(brush_);
    }
    bool shown() const { return window_ != nullptr; }

private:
    HBRUSH brush_;
    HWND window_ = nullptr;
};

}  // namespace

TEST_F(EngineTest, ACaptureIsTheWholeScreenWithWhatIsShownOnIt) {
    const ColouredWindow window(64, 48, RGB(10, 200, 30));
    ASSERT_TRUE(window.shown());
    ASSERT_EQ(PTE_ScreenCapture(), 1);
    const int32_t w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_EQ(PTE_GetNewRGBAWidth(), w);
    ASSERT_EQ(PTE_GetNewRGBAHeight(), h);
    const Bytes screen = new_rgba();
    const auto at = [&](int32_t x, int32_t y) {
        const uint8_t* p = &screen[(size_t(y) * w + x) * 4];
        return Bytes(p, p + 4);
    };
    EXPECT_EQ(at(0, 0), (Bytes{10, 200, 30, 255}));
    EXPECT_EQ(at(63, 47), (Bytes{10, 200, 30, 255})) << "red and blue not swapped, rows not upside down";
    EXPECT_EQ(at(w - 1, h - 1)[3], 255);

    make_image(8, 4);
    ASSERT_EQ(PTE_ScreenCaptureInto(), 1);
    EXPECT_EQ(px(1, 7, 3, 0), 10 * 256);
    EXPECT_EQ(px(1, 7, 3, 1), 200 * 256);
    EXPECT_EQ(px(1, 7, 3, 2), 30 * 256);
}

// ---- AVI files ----

namespace {

// The compression dialog answered in the user's place.
bool accept(platform::DialogKind) { return true; }
bool cancel(platform::DialogKind) { return false; }

class AviFiles : public EngineTest {
protected:
    void TearDown() override {
        PTE_CloseAVI();
        platform::set_dialog_hook(before_);
        EngineTest::TearDown();
    }

    // A picture file of w x h: pixel (x, y) is (x + shade, y, 100 + x + y).
    std::string frame_file(const std::string& name, int32_t w, int32_t h, uint8_t shade = 0) {
        Bytes rgb(size_t(w) * h * 3);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
                p[0] = uint8_t(x + shade), p[1] = uint8_t(y), p[2] = uint8_t(100 + x + y);
            }
        const std::string path = files_.path(name);
        EXPECT_NE(PTE_WriteToFileRGB24(rgb.data(), w, h, path.c_str(), ".bmp", 72), 0);
        return path;
    }

    TempDir files_{"avifil32"};

private:
    platform::DialogHook before_ = platform::dialog_hook();
};

// An AVI file opened for reading through AVIFIL32, with its video stream.
class AviReader {
public:
    explicit AviReader(const std::string& path) {
        AVIFileInit();
        if (AVIFileOpenA(&file_, path.c_str(), OF_READ, nullptr) != AVIERR_OK) file_ = nullptr;
        if (file_ != nullptr && AVIFileGetStream(file_, &stream_, streamtypeVIDEO, 0) != AVIERR_OK) stream_ = nullptr;
    }
    ~AviReader() {
        if (stream_ != nullptr) AVIStreamRelease(stream_);
        if (file_ != nullptr) AVIFileRelease(file_);
        AVIFileExit();
    }
    PAVISTREAM stream() const { return stream_; }

    AVISTREAMINFOA info() const {
        AVISTREAMINFOA i{};
        AVIStreamInfoA(stream_, &i, sizeof i);
        return i;
    }
    BITMAPINFOHEADER format() const {
        BITMAPINFOHEADER h{};
        LONG size = sizeof h;
        AVIStreamReadFormat(stream_, 0, &h, &size);
        return h;
    }
    Bytes frame(LONG index) const {
        LONG bytes = 0;
        if (AVIStreamRead(stream_, index, 1, nullptr, 0, &bytes, nullptr) != AVIERR_OK || bytes <= 0) return {};
        Bytes out(static_cast<size_t>(bytes));
        if (AVIStreamRead(stream_, index, 1, out.data(), bytes, &bytes, nullptr) != AVIERR_OK) return {};
        return out;
    }

private:
    PAVIFILE file_ = nullptr;
    PAVISTREAM stream_ = nullptr;
};

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST_F(AviFiles, FramesAreReadBackByTheSystemAsWritten) {
    platform::set_dialog_hook(accept);
    const std::string a = frame_file("a.bmp", 3, 2), b = frame_file("b.bmp", 3, 2, 50);
    const std::string movie = files_.path("movie.avi");
    ASSERT_NE(PTE_CreateAVI(movie.c_str(), 40), nullptr);
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 1);
    EXPECT_EQ(PTE_WriteAVI(b.c_str()), 1);
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 1);
    EXPECT_FALSE(exists(movie)) << "put in place only when finished";
    EXPECT_EQ(PTE_CloseAVI(), 0);

    const AviReader avi(movie);
    ASSERT_NE(avi.stream(), nullptr);
    const AVISTREAMINFOA info = avi.info();
    EXPECT_EQ(info.fccType, streamtypeVIDEO);
    EXPECT_EQ(info.dwScale, 40u) << "40 ms a frame: 25 frames a second";
    EXPECT_EQ(info.dwRate, 1000u);
    EXPECT_EQ(AVIStreamLength(avi.stream()), 3);
    EXPECT_EQ(info.rcFrame.right - info.rcFrame.left, 3);
    EXPECT_EQ(info.rcFrame.bottom - info.rcFrame.top, 2);
    const BITMAPINFOHEADER h = avi.format();
    EXPECT_EQ(h.biWidth, 3);
    EXPECT_EQ(h.biHeight, 2) << "rows bottom first";
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(avi.frame(0), (Bytes{101, 1, 0, 102, 1, 1, 103, 1, 2, 0, 0, 0,  // bottom row first, blue-green-red
                                   100, 0, 0, 101, 0, 1, 102, 0, 2, 0, 0, 0}));
    EXPECT_EQ(avi.frame(1), (Bytes{101, 1, 50, 102, 1, 51, 103, 1, 52, 0, 0, 0,  //
                                   100, 0, 50, 101, 0, 51, 102, 0, 52, 0, 0, 0}));
    EXPECT_EQ(avi.frame(2), avi.frame(0));
}

TEST_F(AviFiles, CancellingTheCompressionChoiceLeavesAVideoWithoutFrames) {
    platform::set_dialog_hook(cancel);
    const std::string a = frame_file("a.bmp", 4, 4), movie = files_.path("cancelled.avi");
    ASSERT_NE(PTE_CreateAVI(movie.c_str(), 40), nullptr);
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 0);
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 0) << "nothing more is written";
    EXPECT_EQ(PTE_CloseAVI(), 0) << "closing still succeeds";
    const AviReader avi(movie);
    ASSERT_NE(avi.stream(), nullptr);
    EXPECT_EQ(AVIStreamLength(avi.stream()), 0);
}

TEST_F(AviFiles, AFailedVideoLeavesNoFileAndAnEarlierFileAsItWas) {
    platform::set_dialog_hook(accept);
    const std::string a = frame_file("a.bmp", 3, 2), wide = frame_file("wide.bmp", 4, 2);
    const std::string movie = files_.path("movie.avi");
    ASSERT_NE(PTE_CreateAVI(movie.c_str(), 40), nullptr);
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 1);
    EXPECT_EQ(PTE_CloseAVI(), 0);
    ASSERT_TRUE(exists(movie));

    ASSERT_NE(PTE_CreateAVI(movie.c_str(), 20), nullptr);
    EXPECT_EQ(PTE_WriteAVI(a.c_str()), 1);
    EXPECT_EQ(PTE_WriteAVI(wide.c_str()), 0) << "another size";
    EXPECT_EQ(PTE_CloseAVI(), io::kVideoError);
    const AviReader avi(movie);
    ASSERT_NE(avi.stream(), nullptr);
    EXPECT_EQ(avi.info().dwScale, 40u) << "the first video stays";
    EXPECT_EQ(AVIStreamLength(avi.stream()), 1);
    EXPECT_EQ(PTE_CreateAVI(files_.dir().string().c_str(), 40), nullptr) << "a folder is no video";
}

// ---- The font dialog ----

namespace {

int CALLBACK note_face(const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM found) {
    if ((type & TRUETYPE_FONTTYPE) == 0 || font->lfFaceName[0] == '@') return 1;
    *reinterpret_cast<std::string*>(found) = font->lfFaceName;
    return 0;
}

// The face of a TrueType font the system has: the dialog lists it.
std::string installed_face() {
    std::string face;
    LOGFONTA any{};
    any.lfCharSet = DEFAULT_CHARSET;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &any, note_face, reinterpret_cast<LPARAM>(&face), 0);
    ReleaseDC(nullptr, screen);
    return face;
}

}  // namespace

TEST_F(EngineTest, TheFontDialogOpensOnTheRecordAndHandsBackTheChoice) {
    const std::string installed = installed_face();
    ASSERT_FALSE(installed.empty());
    LOGFONTA font{};
    font.lfHeight = -24;
    font.lfWeight = FW_NORMAL;
    std::strcpy(font.lfFaceName, installed.c_str());
    PTE_SetFontRecord(&font);
    const platform::DialogHook before = platform::dialog_hook();
    platform::set_dialog_hook(nullptr);
    // A helper accepts the dialog as a user would, after reading its face.
    std::atomic<bool> done{false};
    std::string face;
    std::thread user([&] {
        for (int i = 0; i < 500 && !done; ++i) {
            // Once the dialog has filled its face name box.
            if (HWND box = FindWindowA("#32770", "Font")) {
                char text[LF_FACESIZE] = {};
                GetDlgItemTextA(box, 0x470, text, sizeof text);
                if (text[0] != '\0') {
                    face = text;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                    return;
                }
            }
            Sleep(20);
        }
        // A dialog that never showed the face is closed: the test fails, it does not hang.
        if (HWND box = FindWindowA("#32770", "Font")) PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    });
    const int32_t chosen = PTE_ChooseFont();
    done = true;
    user.join();
    EXPECT_NE(chosen, 0);
    EXPECT_EQ(face, installed) << "the dialog opened on the record's font";
    LOGFONTA back{};
    PTE_GetFontRecord(&back);
    EXPECT_EQ(back.lfFaceName, installed);
    EXPECT_EQ(back.lfWeight, FW_NORMAL);
    EXPECT_LT(back.lfHeight, 0) << "a character height, as the record had";

    platform::set_dialog_hook(cancel);
    EXPECT_EQ(PTE_ChooseFont(), 0);
    PTE_GetFontRecord(&back);
    EXPECT_EQ(back.lfFaceName, installed) << "a cancelled dialog leaves the record";
    platform::set_dialog_hook(before);
}
