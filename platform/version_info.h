#pragma once
// The version table compiled into every binary: the stand-in for the version resources
// that the program queries by module and by name ("FileVersion", "InternalName", ...).
// Modules are known by their own file names ("libombrel.so", "Quendrel", "Fennick",
// "libtarbolt.so"); a module may be named with or without a folder.

#include <string>
#include <string_view>

namespace platform {

// The value of version string `name` of `module`, or false when the module or the name
// is not in the table.
bool LookupVersionString(std::string_view module, std::string_view name, std::string& out);

// "1.0.0.0"-style file version of this build.
const char* BuildFileVersion();

}  // namespace platform
