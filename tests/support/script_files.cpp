#include "support/script_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

ScriptFolder::ScriptFolder() {
    const std::string folder = make_unique_folder(::testing::TempDir() + "paintcore-");
    if (folder.empty()) ADD_FAILURE() << "cannot make a folder";
    path_ = folder + "/";
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
