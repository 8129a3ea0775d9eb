#include "picture_files.h"

#include <cstdio>

#include "paintcore.h"

namespace pte {

std::string extension_of(const std::string& path) {
    const size_t slash = path.find_last_of('/'), dot = path.find_last_of('.');
    const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return has_ext ? path.substr(dot) : "";
}

bool read_picture(const std::string& path, std::vector<uint8_t>& rgba, int& width, int& height, int metafileWidth,
                  int metafileHeight) {
    PTE_CreateImage(nullptr, metafileWidth, metafileHeight, 16, 0);
    const bool read = PTE_ReadFromFile(path.c_str()) == 1;
    width = PTE_GetNewRGBAWidth();
    height = PTE_GetNewRGBAHeight();
    if (read) {
        rgba.resize(size_t(width) * size_t(height) * 4);
        PTE_GetNewRGBA32(rgba.data());
    }
    PTE_DeleteNewRGBA();
    PTE_DeleteImage();
    return read;
}

bool read_image_picture(const char* command, const std::string& path, std::vector<uint8_t>& rgba, int& width,
                        int& height) {
    if (!read_picture(path, rgba, width, height)) {
        std::fprintf(stderr, "pte %s: cannot read %s as a picture\n", command, path.c_str());
        return false;
    }
    if (width > kMaxImageSide || height > kMaxImageSide) {
        std::fprintf(stderr, "pte %s: %s is larger than %d x %d\n", command, path.c_str(), kMaxImageSide, kMaxImageSide);
        return false;
    }
    return true;
}

bool resample_picture(std::vector<uint8_t>& rgba, int& width, int& height, int newWidth, int newHeight) {
    PTE_CreateImage(nullptr, width, height, 16, 0);
    PTE_SetLastError("");
    bool resampled = PTE_CreateLayer(1, width, height) == 1;
    if (resampled) {
        PTE_SetLayer(1);
        PTE_LoadRGBA32Layer(rgba.data(), width * 4, 1, 0, 0, width, height, 0);
        PTE_IPLInit();
        PTE_IPLResize(newWidth, newHeight, "Lanczos3");
        PTE_NewSize(nullptr, newWidth, newHeight, 16, 0);
        std::vector<uint8_t> out(size_t(newWidth) * size_t(newHeight) * 4);
        resampled = *PTE_GetLastError() == '\0' && PTE_GetRGBA32Layer(out.data(), newWidth * 4, 1) == newHeight;
        PTE_IPLExit();
        if (resampled) {
            rgba.swap(out);
            width = newWidth;
            height = newHeight;
        }
    }
    PTE_DeleteImage();
    return resampled;
}

bool write_picture(const std::string& path, const uint8_t* rgba, int width, int height, int dpi) {
    const std::string ext = extension_of(path);
    if (PTE_WriteToFileRGBA32(rgba, width, height, path.c_str(), ext.c_str(), dpi) != 0) return true;
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    PTE_RGBAToRGB(rgb.data(), width, height, rgba);
    return PTE_WriteToFileRGB24(rgb.data(), width, height, path.c_str(), ext.c_str(), dpi) != 0;
}

bool write_result_picture(const char* command, const std::string& path, const uint8_t* rgba, int width, int height,
                          const std::string& readFrom) {
    if (write_picture(path, rgba, width, height, PTE_GetDPIFromFile(readFrom.c_str()))) return true;
    std::fprintf(stderr, "pte %s: cannot write %s (its extension names no format we write, or the write failed)\n",
                 command, path.c_str());
    return false;
}

FileStamp::FileStamp(const std::string& path) : path_(path) { existed_ = ::stat(path.c_str(), &before_) == 0; }

bool FileStamp::replaced() const {
    struct stat after {};
    if (::stat(path_.c_str(), &after) != 0) return false;
    if (!existed_) return true;
    return after.st_ino != before_.st_ino || after.st_dev != before_.st_dev ||
           after.st_mtim.tv_sec != before_.st_mtim.tv_sec || after.st_mtim.tv_nsec != before_.st_mtim.tv_nsec;
}

}  // namespace pte
