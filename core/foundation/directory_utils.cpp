#include "core/foundation/directory_utils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/path.h"
#include "platform/private_files.h"

int CheckDirectory(std::string_view path) {
    if (path.empty()) return -1;
    const std::string fixed = platform::FixPath(path);
    struct stat st {};
    if (::stat(fixed.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
    return ::access(fixed.c_str(), X_OK) == 0 ? 0 : -1;
}

int CheckDirectoryName(std::string_view path) {
    if (path.empty() || (path.front() != '/' && path.front() != '\\')) return 0;
    if (path.find("//") != std::string_view::npos || path.back() == ' ') return 0;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view component = path.substr(start, end - start);
        if (component.find_first_of(":*?<>|") != std::string_view::npos) return 0;
        if (!component.empty() && component.back() == ' ') return 0;
        start = end + 1;
    }
    return 1;
}

int MakeDirectoryCompel(std::string_view path) {
    if (!CheckDirectoryName(path)) return -2;
    const std::string fixed = platform::FixPath(path);
    if (!platform::MakePrivateFolders(fixed)) return -1;
    return CheckDirectory(fixed) == 0 ? 0 : -1;
}

namespace {

// Empties the open folder `dirFd` (which it closes). Returns false when an entry could
// not be removed. Works through file descriptors relative to the folder, so a folder
// renamed or replaced by a link meanwhile is never followed out of the tree.
bool ClearOpenFolder(int dirFd) {
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0) ok = false;  // the listing itself failed
            break;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        struct stat st {};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) ok = false;  // gone meanwhile is fine
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (name[0] == '.') continue;  // dot-folders are kept
            const int childFd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd < 0) {
                ok = false;
                continue;
            }
            if (!ClearOpenFolder(childFd)) ok = false;
            if (::unlinkat(dirFd, name, AT_REMOVEDIR) != 0) ok = false;
        } else if (::unlinkat(dirFd, name, 0) != 0 && errno != ENOENT) {
            ok = false;
        }
    }
    ::closedir(dir);
    return ok;
}

}  // namespace

int RemoveDirectoryCompel(std::string_view path, int removeTop) {
    if (path.empty() || (path.front() != '/' && path.front() != '\\')) return -2;
    std::string top = std::filesystem::path(platform::FixPath(path)).lexically_normal().string();
    // Without a trailing '/', so that O_NOFOLLOW applies to the folder's own name.
    while (top.size() > 1 && top.back() == '/') top.pop_back();
    if (top == "/" || top.empty()) return -2;

    const int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -2;
    const bool cleared = ClearOpenFolder(fd);

    if (removeTop) return ::rmdir(top.c_str()) == 0 ? 0 : -1;
    return cleared ? 0 : -1;
}

int ClearDirectoryCompel(std::string_view path) { return RemoveDirectoryCompel(path, 0); }

void PathFix(std::string& path) { path = platform::FixPath(path); }

void PathFix(char* path) {
    if (path == nullptr) return;
    const std::string fixed = platform::FixPath(path);  // never longer than the input
    std::memcpy(path, fixed.c_str(), fixed.size() + 1);
}
