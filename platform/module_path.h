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

}  // namespace platform
