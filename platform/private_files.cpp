#include "platform/private_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

constexpr mode_t kOthers = 077;
// Deeper trees are left as they are: an environment is a few levels deep, and every level
// holds a descriptor open.
constexpr int kMaxDepth = 64;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether `st` is an entry of this user that others may use.
bool Wide(const struct stat& st) { return st.st_uid == ::geteuid() && (st.st_mode & kOthers) != 0; }

mode_t Narrowed(const struct stat& st) { return st.st_mode & 07777 & ~kOthers; }

// Narrows the entry `name` of the open folder `dirFd`, through a descriptor of the entry
// itself, so that an entry replaced by a link meanwhile is never followed.
bool NarrowEntry(int dirFd, const char* name) {
    const int fd = ::openat(dirFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISLNK(st.st_mode) && Wide(st)) {
        // A descriptor opened with O_PATH takes no fchmod; its /proc name names the same
        // inode without a path walk.
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
        ok = ::chmod(self, Narrowed(st)) == 0;
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

// Narrows everything below the open folder `dirFd` (which it closes).
long NarrowBelow(int dirFd, int depth) {
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return 0;
    }
    long narrowed = 0;
    while (const dirent* e = ::readdir(dir)) {
        const char* name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode)) continue;
        if (S_ISDIR(st.st_mode)) {
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) continue;
            struct stat cst {};
            if (::fstat(child, &cst) == 0 && Wide(cst) && ::fchmod(child, Narrowed(cst)) == 0) ++narrowed;
            if (depth < kMaxDepth) {
                narrowed += NarrowBelow(child, depth + 1);
            } else {
                ::close(child);
            }
        } else if (Wide(st) && NarrowEntry(::dirfd(dir), name)) {
            ++narrowed;
        }
    }
    ::closedir(dir);
    return narrowed;
}

std::mutex g_reporterMutex;
LinkReporter g_reporter;

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void ReportLink(const std::string& path) {
    LinkReporter reporter;
    {
        std::lock_guard<std::mutex> lock(g_reporterMutex);
        reporter = g_reporter;
    }
    if (reporter) reporter(path);
    else std::fprintf(stderr, "%s: %s\n", path.c_str(), kLinkRefusedText);
}

}  // namespace

int OpenPrivateFile(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, kPrivateFileMode);
    if (fd < 0) {
        // ELOOP also comes of a loop among the folders above: only a link in the file's own
        // place is the refusal described in the header.
        if (errno == ELOOP && IsLink(path)) {
            ReportLink(path);
            errno = ELOOP;
        }
        return -1;
    }
    NarrowToOwner(fd);
    return fd;
}

bool RefuseLink(const std::string& path) {
    if (!IsLink(path)) return false;
    ReportLink(path);
    errno = ELOOP;
    return true;
}

LinkReporter SetLinkReporter(LinkReporter reporter) {
    std::lock_guard<std::mutex> lock(g_reporterMutex);
    LinkReporter previous = std::move(g_reporter);
    g_reporter = std::move(reporter);
    return previous;
}

bool MakePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), kPrivateFolderMode) == 0) return true;
    if (errno != EEXIST) return false;
    if (IsFolder(path)) return true;
    errno = ENOTDIR;
    return false;
}

bool MakePrivateFolders(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (IsFolder(path)) return true;
    // Every level from the top down; an existing level (or a link to a folder) is passed.
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        if (path[at - 1] == '/') continue;
        const std::string level = path.substr(0, at);
        if (!MakePrivateFolder(level)) return false;
    }
    return MakePrivateFolder(path);
}

bool NarrowToOwner(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    return !Wide(st) || ::fchmod(fd, Narrowed(st)) == 0;
}

bool NarrowToOwner(const std::string& path) { return NarrowEntry(AT_FDCWD, path.c_str()); }

namespace {

long NarrowTree(const std::string& top, bool onlyWhenWide) {
    const int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (onlyWhenWide && (!known || !Wide(st))) {
        ::close(fd);
        return 0;
    }
    // NarrowBelow closes the descriptor it is given.
    const int below = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    long narrowed = below < 0 ? 0 : NarrowBelow(below, 0);
    if (known && Wide(st) && ::fchmod(fd, Narrowed(st)) == 0) ++narrowed;
    ::close(fd);
    return narrowed;
}

}  // namespace

long NarrowTreeToOwner(const std::string& top) { return NarrowTree(top, false); }

long NarrowWideTreeToOwner(const std::string& top) { return NarrowTree(top, true); }

}  // namespace platform
