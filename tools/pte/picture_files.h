// Picture files for the command-line host, through the engine's file functions.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pte {

// The longest side of an image the engine makes.
constexpr int kMaxImageSide = 10000;

// The extension of the file name at the end of `path`, dot included, or "".
std::string extension_of(const std::string& path);

// Reads a picture file of any format the engine reads as packed RGBA32.
// Metafiles are drawn at metafileWidth x metafileHeight. False when the file
// cannot be read as a picture.
bool read_picture(const std::string& path, std::vector<uint8_t>& rgba, int& width, int& height,
                  int metafileWidth = 1024, int metafileHeight = 768);

// read_picture for a picture an image is made of: false, with the reason on
// standard error after "pte COMMAND: ", when it cannot be read or a side is
// longer than kMaxImageSide.
bool read_image_picture(const char* command, const std::string& path, std::vector<uint8_t>& rgba, int& width,
                        int& height);

// Resamples a packed RGBA32 picture to newWidth x newHeight through the
// engine's whole-image resize (Lanczos3). False, the picture unchanged,
// when the engine cannot.
bool resample_picture(std::vector<uint8_t>& rgba, int& width, int& height, int newWidth, int newHeight);

// Writes a packed RGBA32 picture in the format the extension of `path`
// names: with alpha where the format keeps it, else as RGB24. False when
// the extension names no format the engine writes or the write fails.
bool write_picture(const std::string& path, const uint8_t* rgba, int width, int height, int dpi);

// write_picture of a command's result at the resolution of the file it was
// read from: false, with the reason on standard error after "pte COMMAND: ".
bool write_result_picture(const char* command, const std::string& path, const uint8_t* rgba, int width, int height,
                          const std::string& readFrom);

// What a file was before an engine call that may replace it: the engine
// writes a new file and renames it over the old one only on success, so a
// file that is there afterwards and is not the one before was written.
class FileStamp {
public:
    explicit FileStamp(const std::string& path);
    bool replaced() const;

private:
    std::string path_;
    bool existed_ = false;
    struct stat before_ {};
};

}  // namespace pte
