#pragma once
// A temporary folder for one test (removed afterwards), a guard that works in another
// current folder for a while, and small file helpers.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fennick::test {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "fennick-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
    ~CurrentFolder() {
        std::error_code ec;
        fs::current_path(previous_, ec);
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    fs::path previous_;
};

inline void WriteFile(const fs::path& path, const std::string& text, bool executable = false) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    if (executable) ::chmod(path.c_str(), 0755);
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// An update module: a script that waits a little (so that a caller which does not wait
// misses its marker), then appends its tag, how it was started ($0) and its working
// folder to the file "ran.txt" in its working folder.
inline void WriteModule(const fs::path& path, const std::string& tag) {
    WriteFile(path,
              "#!/bin/sh\n"
              "sleep 0.2\n"
              "printf '%s|%s|%s\\n' '" + tag + "' \"$0\" \"$(pwd)\" >> ran.txt\n",
              true);
}

inline void WriteVersionStore(const fs::path& path, const std::string& version) {
    WriteFile(path, "[SOFTWARE\\Halvorn Corporation\\Varnis]\r\nVersion=" + version + "\r\n");
}

}  // namespace fennick::test
