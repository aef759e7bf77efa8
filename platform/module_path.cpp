#include "platform/module_path.h"

#include <dlfcn.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path.h"
#include "platform/private_files.h"

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

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
    struct passwd pw;
    struct passwd* result = nullptr;
    char buf[4096];
    if (::getpwuid_r(::getuid(), &pw, buf, sizeof buf, &result) == 0 && result != nullptr) return pw.pw_dir;
    return std::string();
}

}  // namespace

std::string UserProgramFolder(const char* xdgVariable, const char* homeDefault) {
    std::string base;
    if (const char* xdg = std::getenv(xdgVariable); xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const std::string home = HomeFolder();
        if (home.empty()) return std::string();
        base = JoinPath(home, homeDefault);
    }
    return JoinPath(base, "quendrel/");
}

namespace {

// UserProgramFolder made private; "" when no home is known (`refused` false) or when the
// folder is refused (`refused` true): what stands there is another user's folder, or no
// folder at all. A refused folder is refused for every file the program keeps in it (its
// settings, its lock, its logs), and the refusal is sent its way (file_refusal.h).
std::string UserFolder(const char* xdgVariable, const char* homeDefault, bool& refused) {
    refused = false;
    const std::string folder = UserProgramFolder(xdgVariable, homeDefault);
    if (folder.empty()) return folder;
    const std::string bare = folder.substr(0, folder.size() - 1);
    // The program's own folder of the user's settings and logs: theirs alone, also when
    // an earlier version made it readable by others.
    MakePrivateFolders(folder);
    NarrowToOwner(bare);
    // A link to a folder of the user's is the user's arrangement, and is followed.
    struct stat st {};
    if (::stat(bare.c_str(), &st) != 0) {
        if (::lstat(bare.c_str(), &st) != 0) return std::string();  // cannot be made: no folder
        st.st_mode = S_IFLNK;  // a link to nothing
    }
    RefusedFile refusal{bare, Refusal::kNotAFolder, st.st_mode & S_IFMT, st.st_uid};
    if (S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()) return folder;
    if (S_ISDIR(st.st_mode)) refusal.why = Refusal::kNotTheUsers;
    refused = true;
    Refuse(refusal);
    return std::string();
}

// Whether `path` is a folder of this user's that nobody else may use.
bool IsOwnPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

}  // namespace

std::string UserWritableFolder(const std::string& preferred, const char* xdgVariable, const char* homeDefault) {
    if (!preferred.empty() && ::access(preferred.c_str(), W_OK) == 0) return preferred;
    bool refused = false;
    const std::string folder = UserFolder(xdgVariable, homeDefault, refused);
    return folder.empty() && !refused ? preferred : folder;
}

std::string UserRuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/') {
        std::string base(runtime);
        while (base.size() > 1 && base.back() == '/') base.pop_back();
        if (IsOwnPrivateFolder(base)) {
            const std::string folder = JoinPath(base, "quendrel");
            MakePrivateFolder(folder);
            if (IsOwnPrivateFolder(folder)) return folder + "/";
        }
    }
    bool refused = false;
    const std::string folder = UserFolder("XDG_CONFIG_HOME", ".config", refused);
    return !folder.empty() && IsOwnPrivateFolder(folder.substr(0, folder.size() - 1)) ? folder : std::string();
}

}  // namespace platform
