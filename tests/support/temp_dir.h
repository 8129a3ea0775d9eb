// A folder of its own for a test's files, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
public:
    // A fresh folder named for the tag and the process.
    explicit TempDir(const std::string& tag);
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& dir() const { return dir_; }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

// Makes a new folder whose path starts with prefix and returns its path;
// empty when none can be made. A portable mkdtemp.
std::string make_unique_folder(const std::string& prefix);
