#pragma once
// The core library's own file and folder (found through the loader, since the library
// may be installed anywhere).

#include <string>

// Full path of libombrel.so as loaded; "" when unknown.
std::string OmbrelModulePath();
// Its folder, ending in '/'.
std::string OmbrelModuleFolder();
