#include "platform/module_path.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/path.h"

namespace platform {

std::string ProgramPath() {
    std::string buf(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return {};
    buf.resize(static_cast<size_t>(n));
    return buf;
}

std::string ModulePathOf(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved) != nullptr) return resolved;
    return info.dli_fname;
}

std::string ProgramFolder() { return FolderOf(ProgramPath()); }

}  // namespace platform
