#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/private_files.h"

namespace platform {

FileLock::Result FileLock::Lock(const std::string& path) {
    Release();
    int fd = OpenPrivateFile(path, O_RDWR | O_CREAT);
    // A lock file another user made in a folder shared with them: a lock needs no writing.
    if (fd < 0 && errno == EACCES) fd = OpenPrivateFile(path, O_RDONLY);
    if (fd < 0) return Result::kFailed;
    int r;
    do r = ::flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return error == EWOULDBLOCK ? Result::kBusy : Result::kFailed;
    }
    fd_ = fd;
    path_ = path;
    return Result::kLocked;
}

void FileLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

bool FileLock::IsLockOf(const std::string& path) const {
    struct stat held {}, named {};
    return fd_ >= 0 && ::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

}  // namespace platform
