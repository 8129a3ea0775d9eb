#include "support/temp_dir.h"

#include <unistd.h>

#include <atomic>
#include <random>

TempDir::TempDir(const std::string& tag)
    : dir_(std::filesystem::temp_directory_path() / ("paintcore_" + tag + "_" + std::to_string(getpid()))) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string make_unique_folder(const std::string& prefix) {
    static std::atomic<unsigned> serial{0};
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path =
            prefix + std::to_string(getpid()) + "-" + std::to_string(serial++) + "-" + std::to_string(entropy() % 100000);
        std::error_code error;
        if (std::filesystem::create_directory(path, error)) return path;
    }
    return {};
}
