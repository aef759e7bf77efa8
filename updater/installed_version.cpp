#include "updater/installed_version.h"

#include <cstdlib>

#include "platform/ini_file.h"

namespace fennick {

namespace {
constexpr const char* kDefaultStore = "/etc/quendrel/installed.ini";
constexpr const char* kProductKey = "SOFTWARE\\Halvorn Corporation\\Varnis";
constexpr const char* kVersionValue = "Version";
constexpr std::size_t kComparedLength = 3;

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string VersionStorePath() {
    if (const char* given = std::getenv("FENNICK_VERSION_STORE"); given != nullptr && given[0] != '\0') {
        return given;
    }
    return kDefaultStore;
}

bool ReadInstalledVersion(const std::string& storePath, std::string& version) {
    return platform::ReadIniValue(storePath, kProductKey, kVersionValue, version);
}

bool InstalledVersionMatches(std::string_view installed, std::string_view expected) {
    if (installed.size() < kComparedLength || expected.size() < kComparedLength) return false;
    for (std::size_t i = 0; i < kComparedLength; ++i) {
        if (FoldAscii(installed[i]) != FoldAscii(expected[i])) return false;
    }
    return true;
}

}  // namespace fennick
