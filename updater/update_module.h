#pragma once
// Where the updater finds the update module it is to run.
//
// Two kinds of module exist, told apart by their file names; each updates one product
// version. A folder is searched for kind 1 first and for kind 2 only when it holds no
// kind-1 file, so a folder with both runs kind 1. Names match their pattern ignoring ASCII
// case (the modules come from a platform whose file names do); among several matches of
// one pattern the first by name wins, so the choice never depends on the order in which
// the file system lists a folder. Only regular files (or links to them) count: a folder
// that happens to match is passed over.
//
// Folders are searched in the order given. The updater runs modules from its own folder
// only; it looks at the current folder just to say that a module found there is not run
// (see updater.h).

#include <optional>
#include <string>
#include <vector>

namespace fennick {

struct UpdateModuleKind {
    const char* pattern;          // file-name pattern: '*' stands for any run of characters
    const char* caption;          // caption of the messages about this module
    const char* expectedVersion;  // the installed version this kind updates (3 characters)
};

// The kinds in the order they are tried.
const std::vector<UpdateModuleKind>& UpdateModuleKinds();

struct FoundModule {
    std::string path;  // absolute path of the module file
    const UpdateModuleKind* kind = nullptr;
};

// The first module in `folders` (searched in order, each for every kind in order);
// nothing when no folder holds one. A folder that is missing or unreadable holds none, and
// so does an empty name; relative folders are taken from the current folder. The same
// folder named twice is searched once.
std::optional<FoundModule> FindUpdateModule(const std::vector<std::string>& folders);

}  // namespace fennick
