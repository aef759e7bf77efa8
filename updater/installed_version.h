#pragma once
// The installed product version, as the updater reads it before it runs a module.
//
// The product's installer records its version in a machine-wide key/value file, an ini
// file in the program's ini syntax, laid out like the registry key it stands for:
//
//     [SOFTWARE\Halvorn Corporation\Varnis]
//     Version=5.0.3
//
// Section and key names match ignoring ASCII case, as registry names do. The file is
// /etc/quendrel/installed.ini; the environment variable FENNICK_VERSION_STORE names
// another one (an installation under a prefix, tests). The updater only reads it.
//
// A module is for the installed product when the first three characters of the stored
// version equal its expected version ignoring ASCII case: "5.0.3" is version "5.0"; a
// shorter or empty value matches nothing.

#include <string>
#include <string_view>

namespace fennick {

// The path of the version store: $FENNICK_VERSION_STORE when set and not empty, otherwise
// the machine-wide default.
std::string VersionStorePath();

// Reads the installed version from the store at `storePath`. False when the file, the
// section or the value is missing (an unreadable file counts as missing).
bool ReadInstalledVersion(const std::string& storePath, std::string& version);

// True when `installed` names the version `expected` (three characters, ASCII case
// ignored).
bool InstalledVersionMatches(std::string_view installed, std::string_view expected);

}  // namespace fennick
