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
    int fd = -1;
    bool refused = false;
    {
        // Only to learn whether the open was a refusal; the refusal goes on its way.
        HeldRefusals held;
        fd = OpenPrivateFile(path, O_RDWR | O_CREAT);
        // The user's own lock file made read-only: a lock needs no writing.
        if (fd < 0 && errno == EACCES && !held.Any()) fd = OpenPrivateFile(path, O_RDONLY);
        refused = fd < 0 && held.Any();
    }  // errno outlives the scope
    if (fd < 0) return refused ? Result::kRefused : Result::kFailed;
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
