#include "picture_files.h"

#include "paintcore.h"

namespace pte {

bool write_picture(const std::string& path, const uint8_t* rgba, int width, int height, int dpi) {
    const size_t dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    if (PTE_WriteToFileRGBA32(rgba, width, height, path.c_str(), ext.c_str(), dpi) != 0) return true;
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (size_t i = 0, j = 0; j < rgb.size(); i += 4, j += 3) {
        rgb[j] = rgba[i];
        rgb[j + 1] = rgba[i + 1];
        rgb[j + 2] = rgba[i + 2];
    }
    return PTE_WriteToFileRGB24(rgb.data(), width, height, path.c_str(), ext.c_str(), dpi) != 0;
}

}  // namespace pte
