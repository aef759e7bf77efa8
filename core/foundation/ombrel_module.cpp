#include "core/foundation/ombrel_module.h"

#include "platform/module_path.h"
#include "platform/path.h"

std::string OmbrelModulePath() {
    return platform::ModulePathOf(reinterpret_cast<const void*>(&OmbrelModulePath));
}

std::string OmbrelModuleFolder() { return platform::FolderOf(OmbrelModulePath()); }
