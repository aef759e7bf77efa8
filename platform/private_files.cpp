#include "platform/private_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

// The refusal of what an open of one of the program's files found at `path` (status `st`);
// why is left kLink (never a refusal: the caller tells) when nothing is wrong with it.
bool RefusalOf(const std::string& path, const struct stat& st, RefusedFile& refused) {
    refused = RefusedFile{path, Refusal::kLink, st.st_mode & S_IFMT, st.st_uid};
    if (S_ISLNK(st.st_mode)) refused.why = Refusal::kLink;
    else if (!S_ISREG(st.st_mode)) refused.why = Refusal::kNotAFile;
    else if (st.st_uid != ::geteuid()) refused.why = Refusal::kNotTheUsers;
    else if (st.st_nlink > 1) refused.why = Refusal::kMoreNames;
    else return false;
    return true;
}

int CloseRefused(int fd, const RefusedFile& refused) {
    ::close(fd);
    Refuse(refused);
    return -1;
}

// Clears O_NONBLOCK, which only served the open, so that reads and writes of the regular
// file behave as usual.
bool Blocking(int fd) {
    const int fl = ::fcntl(fd, F_GETFL);
    return fl >= 0 && ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) == 0;
}

}  // namespace

namespace {

int OpenOwn(const std::string& path, int flags, bool narrow) {
    // Without blocking: a FIFO would hold an open for reading (or for writing, where the
    // system waits for a reader) until another process came, for ever. And nothing is cut
    // before the file is known to be the user's.
    const bool truncate = (flags & O_TRUNC) != 0;
    const int fd = ::open(path.c_str(), (flags & ~O_TRUNC) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, kPrivateFileMode);
    if (fd < 0) {
        // What stands there says more than the system's error: a link (ELOOP, which also
        // comes of a loop among the folders above), a FIFO without a reader or a socket
        // (ENXIO), a folder (EISDIR), another user's file the user may not open (EACCES).
        const int error = errno;
        struct stat st {};
        RefusedFile refused;
        if (error != ENOENT && ::lstat(path.c_str(), &st) == 0 && RefusalOf(path, st, refused) &&
            refused.why != Refusal::kMoreNames) {
            Refuse(refused);
            return -1;
        }
        errno = error;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    RefusedFile refused;
    if (RefusalOf(path, st, refused)) return CloseRefused(fd, refused);
    if (!Blocking(fd) || (truncate && ::ftruncate(fd, 0) != 0)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    if (narrow) NarrowToOwner(fd);
    return fd;
}

}  // namespace

int OpenPrivateFile(const std::string& path, int flags) {
    // What is opened only to be read stays as it is (a reader changes nothing).
    return OpenOwn(path, flags, (flags & O_ACCMODE) != O_RDONLY);
}

int CheckPrivateFile(const std::string& path) {
    const int fd = OpenOwn(path, O_RDONLY, false);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

int OpenNamedFile(const std::string& path, int flags, mode_t mode) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
    if (fd < 0) return -1;
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0) error = errno;
    else if (S_ISDIR(st.st_mode)) error = EISDIR;
    else if (!S_ISREG(st.st_mode)) error = ENXIO;
    else if (!Blocking(fd)) error = errno;
    if (error == 0) return fd;
    ::close(fd);
    errno = error;
    return -1;
}

namespace {

std::FILE* StreamOf(int fd) {
    if (fd < 0) return nullptr;
    std::FILE* fp = ::fdopen(fd, "rb");
    if (fp == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return fp;
}

}  // namespace

std::FILE* OpenPrivateStream(const std::string& path) { return StreamOf(OpenPrivateFile(path, O_RDONLY)); }

std::FILE* OpenNamedStream(const std::string& path) { return StreamOf(OpenNamedFile(path, O_RDONLY)); }

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
