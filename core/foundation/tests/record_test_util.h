#pragma once
// Helpers shared by the record-file tests: a temporary folder and whole-file access.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/foundation/string_array.h"

namespace record_test {

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/ombrel_records_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return path + "/" + name; }
};

// A record (row) of the given fields.
inline XCStringArrayEx Row(std::initializer_list<std::string> items) { return XCStringArrayEx(items); }

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace record_test
