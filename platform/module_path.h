#pragma once
// Where a binary lives: the program's own file (/proc/self/exe) and the file of the
// shared library that contains a given address (dladdr), with their folders.

#include <string>

namespace platform {

// Full path of the running program; "" when it cannot be read.
std::string ProgramPath();
// Full path of the module (program or shared library) holding `address`; "" if unknown.
std::string ModulePathOf(const void* address);
// Folder of the running program, ending in '/'.
std::string ProgramFolder();

// The program's per-user folder of one kind: $<xdgVariable>/quendrel/ (only an absolute
// value counts, as the XDG rules say), by default ~/<homeDefault>/quendrel/; "" when no
// home is known. Only named, not made.
//   UserProgramFolder("XDG_DATA_HOME", ".local/share")  environments
std::string UserProgramFolder(const char* xdgVariable, const char* homeDefault);

// Where the program keeps a file of its own: `preferred` (a module's folder) when the user
// may write there, as in a portable installation; otherwise UserProgramFolder, made when
// missing and kept private (0700). `preferred` when no home is known. "" when what stands
// at UserProgramFolder is refused (another user's folder, or no folder): the refusal,
// naming it, is sent its way (file_refusal.h), and none of the program's files goes there.
//   UserWritableFolder(dir, "XDG_STATE_HOME", ".local/state")  logs
//   UserWritableFolder(dir, "XDG_CONFIG_HOME", ".config")      settings
std::string UserWritableFolder(const std::string& preferred, const char* xdgVariable, const char* homeDefault);

// A folder of the user's alone for what lives as long as a program runs (its locks):
// $XDG_RUNTIME_DIR/quendrel/ when XDG_RUNTIME_DIR names a folder of this user's that only
// they may enter (as the session manager makes it), otherwise the per-user settings folder
// $XDG_CONFIG_HOME/quendrel/ (by default ~/.config/quendrel/), never the program's folder,
// which other users may share. Made when missing (0700); "" when neither can be made or
// the settings folder is refused (as UserWritableFolder refuses it).
std::string UserRuntimeFolder();

}  // namespace platform
