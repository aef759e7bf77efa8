#include "platform/version_info.h"

#include <array>

#include "platform/path.h"
#include "version_info_data.h"

namespace platform {
namespace {

struct ModuleVersion {
    std::string_view module;
    std::string_view internalName;
    std::string_view description;
};

constexpr std::array<ModuleVersion, 4> kModules{{
    {"libombrel.so", "Ombrel", "Ombrel core library"},
    {"Quendrel", "Quendrel", "Quendrel broadcast mail"},
    {"Fennick", "Fennick", "Fennick updater"},
    {"libtarbolt.so", "Tarbolt", "Tarbolt installer helper"},
}};

constexpr const char* kFileVersion = OMBREL_VERSION_STRING ".0";

// "libombrel.so.1.0.0" and "/opt/q/libombrel.so" both name "libombrel.so".
bool SameModule(std::string_view given, std::string_view known) {
    const std::string name = FileNameOf(given);
    if (name == known) return true;
    return name.size() > known.size() && name.compare(0, known.size(), known) == 0 &&
           name[known.size()] == '.';
}

}  // namespace

const char* BuildFileVersion() { return kFileVersion; }

bool LookupVersionString(std::string_view module, std::string_view name, std::string& out) {
    for (const ModuleVersion& m : kModules) {
        if (!SameModule(module, m.module)) continue;
        if (name == "FileVersion" || name == "ProductVersion") out = kFileVersion;
        else if (name == "InternalName") out = std::string(m.internalName);
        else if (name == "OriginalFilename") out = std::string(m.module);
        else if (name == "FileDescription") out = std::string(m.description);
        else if (name == "ProductName") out = "Quendrel";
        else if (name == "CompanyName") out = "Quendrel Project";
        else return false;
        return true;
    }
    return false;
}

}  // namespace platform
