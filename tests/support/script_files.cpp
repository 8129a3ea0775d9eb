#include "support/script_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

ScriptFolder::ScriptFolder() {
    std::string pattern = ::testing::TempDir() + "paintcore-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a folder";
    path_ = pattern + "/";
}

ScriptFolder::~ScriptFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScriptFolder::write(const std::string& name, const std::string& text) const {
    const std::string file = path_ + name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

std::string ScriptFolder::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
