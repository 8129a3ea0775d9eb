// Script files for tests, in a folder of their own that is removed again.
#pragma once

#include <string>

class ScriptFolder {
public:
    ScriptFolder();
    ~ScriptFolder();
    ScriptFolder(const ScriptFolder&) = delete;
    ScriptFolder& operator=(const ScriptFolder&) = delete;

    // The folder, ending with '/'.
    const std::string& path() const { return path_; }
    // Writes `text` to the file `name` in the folder and returns its path.
    std::string write(const std::string& name, const std::string& text) const;
    // The whole text of a file, or "<missing>".
    static std::string read(const std::string& path);

private:
    std::string path_;
};
