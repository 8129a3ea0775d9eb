#include "support/temp_dir.h"

#include <unistd.h>

TempDir::TempDir(const std::string& tag)
    : dir_(std::filesystem::temp_directory_path() / ("paintcore_" + tag + "_" + std::to_string(getpid()))) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}
