#pragma once
// Test support: a temporary folder that is the current folder for the test's life, file
// helpers, and name lists in the shell's double-zero form.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace tarbolt::test {

namespace fs = std::filesystem;

class InTempFolder {
public:
    InTempFolder() : previous_(fs::current_path()) {
        std::string pattern = (fs::temp_directory_path() / "tarbolt-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
        fs::current_path(path_);
    }
    ~InTempFolder() {
        std::error_code ec;
        fs::current_path(previous_, ec);
        fs::remove_all(path_, ec);
    }
    InTempFolder(const InTempFolder&) = delete;
    InTempFolder& operator=(const InTempFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path previous_;
    fs::path path_;
};

inline void Write(const fs::path& path, const std::string& text) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The file's bytes; "<missing>" when it does not exist.
inline std::string Read(const fs::path& path) {
    if (!fs::exists(path)) return "<missing>";
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Names of the entries in `folder` (not descending), sorted, joined by '|'.
inline std::string Listing(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& n : names) joined += (joined.empty() ? "" : "|") + n;
    return joined;
}

// "a\0b\0" whose c_str() ends with the list's closing zero.
inline std::string List(std::initializer_list<std::string> names) {
    std::string list;
    for (const std::string& n : names) {
        list += n;
        list.push_back('\0');
    }
    return list;
}

}  // namespace tarbolt::test
