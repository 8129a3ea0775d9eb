// AVI files through the system's video file interface (AVIFIL32): a raw
// video stream, a compressed stream made from it with the options the user
// chooses in the system's compression dialog (or uncompressed, "DIB "),
// and each frame written as one key frame. The file is written beside its
// name and put in place only when it was closed in full.
#include <windows.h>
#include <vfw.h>

#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/video.h"

namespace platform {

namespace {

// The first RIFF chunk of an AVI file counts its bytes in 32 bits, which
// readers take as signed: frames that would carry the file past this are
// refused rather than written into a file no reader can open.
constexpr uint64_t kMostVideoBytes = 0x7F000000;

bool is_folder(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class AviFile final : public VideoFile {
public:
    AviFile(PAVIFILE file, std::string target, std::string temp)
        : file_(file), target_(std::move(target)), temp_(std::move(temp)) {}
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;
    ~AviFile() override { discard(); }

    bool start_stream(const VideoFormat& f) override {
        if (file_ == nullptr || raw_ != nullptr || f.width <= 0 || f.height <= 0 || f.scale == 0 || f.rate == 0 ||
            f.bitsPerPixel != 24 || f.frameBytes == 0 || f.frameBytes > kMostVideoBytes)
            return false;
        AVISTREAMINFOA info{};
        info.fccType = streamtypeVIDEO;
        info.fccHandler = 0;
        info.dwScale = f.scale;
        info.dwRate = f.rate;
        info.dwSuggestedBufferSize = DWORD(f.frameBytes);
        SetRect(&info.rcFrame, 0, 0, f.width, f.height);
        if (AVIFileCreateStreamA(file_, &raw_, &info) != AVIERR_OK) {
            raw_ = nullptr;
            return false;
        }
        header_ = BITMAPINFOHEADER{};
        header_.biSize = sizeof header_;
        header_.biWidth = f.width;
        header_.biHeight = f.height;  // rows bottom first
        header_.biPlanes = 1;
        header_.biBitCount = 24;
        header_.biCompression = BI_RGB;
        header_.biSizeImage = DWORD(f.frameBytes);
        frameBytes_ = f.frameBytes;
        return true;
    }

    CompressionChoice choose_compression(void* owner) override {
        if (raw_ == nullptr || compressed_ != nullptr) return CompressionChoice::Failed;
        if (const DialogHook hook = dialog_hook())
            return !hook(DialogKind::VideoCompression) ? CompressionChoice::Cancelled
                   : compress_uncompressed()          ? CompressionChoice::Chosen
                                                      : CompressionChoice::Failed;
        AVICOMPRESSOPTIONS options{};
        LPAVICOMPRESSOPTIONS chosen[1] = {&options};
        PAVISTREAM streams[1] = {raw_};
        if (!AVISaveOptions(static_cast<HWND>(owner), 0, 1, streams, chosen)) {
            AVISaveOptionsFree(1, chosen);
            return CompressionChoice::Cancelled;
        }
        const bool made = compress(options);
        AVISaveOptionsFree(1, chosen);
        return made ? CompressionChoice::Chosen : CompressionChoice::Failed;
    }

    bool write_frame(int64_t index, const uint8_t* bits, uint64_t size) override {
        if (raw_ == nullptr || bits == nullptr || size != frameBytes_ || index < 0 || index > LONG_MAX) return false;
        if (compressed_ == nullptr && !compress_uncompressed()) return false;
        if (written_ + size > kMostVideoBytes) return false;
        LONG bytes = 0;
        if (AVIStreamWrite(compressed_, LONG(index), 1, const_cast<uint8_t*>(bits), LONG(size), AVIIF_KEYFRAME, nullptr,
                           &bytes) != AVIERR_OK)
            return false;
        written_ += uint64_t(bytes > 0 ? bytes : 0);
        return true;
    }

    bool close() override {
        if (file_ == nullptr) return false;
        const bool started = raw_ != nullptr;
        release();
        if (!started) {
            DeleteFileA(temp_.c_str());
            return true;
        }
        if (MoveFileExA(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        DeleteFileA(temp_.c_str());
        return false;
    }

    void discard() override {
        if (file_ == nullptr) return;
        release();
        DeleteFileA(temp_.c_str());
    }

private:
    // The compressed stream frames go to, with the frames' format.
    bool compress(AVICOMPRESSOPTIONS& options) {
        if (AVIMakeCompressedStream(&compressed_, raw_, &options, nullptr) != AVIERR_OK) {
            compressed_ = nullptr;
            return false;
        }
        return AVIStreamSetFormat(compressed_, 0, &header_, sizeof header_) == AVIERR_OK;
    }

    bool compress_uncompressed() {
        AVICOMPRESSOPTIONS options{};
        options.fccType = streamtypeVIDEO;
        options.fccHandler = comptypeDIB;
        return compress(options);
    }

    // The compressed stream first, then the raw one, then the file.
    void release() {
        if (compressed_ != nullptr) AVIStreamRelease(compressed_);
        if (raw_ != nullptr) AVIStreamRelease(raw_);
        AVIFileRelease(file_);
        AVIFileExit();
        compressed_ = raw_ = nullptr;
        file_ = nullptr;
    }

    PAVIFILE file_;
    PAVISTREAM raw_ = nullptr;
    PAVISTREAM compressed_ = nullptr;
    BITMAPINFOHEADER header_{};
    uint64_t frameBytes_ = 0;
    uint64_t written_ = 0;
    std::string target_;
    std::string temp_;
};

class AviFiles final : public VideoFiles {
public:
    std::unique_ptr<VideoFile> create(const char* path) override {
        // A folder cannot become a video; nothing is written beside it either.
        if (path == nullptr || *path == '\0' || is_folder(path)) return nullptr;
        const std::string target = path, temp = target + ".part" + std::to_string(GetCurrentProcessId());
        AVIFileInit();
        PAVIFILE file = nullptr;
        if (AVIFileOpenA(&file, temp.c_str(), OF_WRITE | OF_CREATE, nullptr) != AVIERR_OK || file == nullptr) {
            AVIFileExit();
            return nullptr;
        }
        return std::make_unique<AviFile>(file, target, temp);
    }
};

}  // namespace

VideoFiles& system_video_files() {
    static AviFiles files;
    return files;
}

}  // namespace platform
