#pragma once
// FileLock: an exclusive lock on a file (flock(2)), held until it is released or the
// process ends, for "one at a time" across processes whatever else runs on the machine:
// one running program per user, one writer per environment.
//
// Why a lock on a file: the kernel drops it with the last descriptor of its holder, so a
// killed program never leaves a stale lock behind, and nobody who cannot open the file
// (another user, outside a folder that is open to them) can take or hold it. The file
// itself stays when the lock is released: removing it would let a later holder lock a new
// file of the same name while an earlier one still holds the old.
//
// A lock belongs to the open file, not to the process: a second FileLock on the same file
// in the same process is refused like any other holder. The descriptor is closed across
// exec, so a program started from the holder does not keep the lock after it ends.
//
// The file is opened as the program's private files are (private_files.h): made 0600, and
// what is not a regular file of the user's with one name (a link, a FIFO, another user's
// file) is refused at once and the refusal sent its way (file_refusal.h). A FIFO never
// holds the start: the open does not wait. Another user's lock file is refused rather than
// waited on: whoever holds it, it is not this user's to share.

#include <string>

namespace platform {

class FileLock {
public:
    enum class Result {
        kLocked,  // this object holds the lock now
        kBusy,    // another holder has it
        kRefused, // what stands at the path is not a file of the user's (refused; errno as RefusalErrno)
        kFailed,  // the file could not be opened or made (errno: ENOENT no folder, EACCES...)
    };

    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock of `path` without waiting, making the file when it is missing. A lock
    // held already is released first.
    Result Lock(const std::string& path);
    void Release();
    bool IsLocked() const { return fd_ >= 0; }
    // The file locked ("" when none).
    const std::string& Path() const { return path_; }
    // True when this object holds the lock of the very file `path` names (compared by the
    // file's identity, so another spelling of the path or a link to a folder above counts).
    bool IsLockOf(const std::string& path) const;

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace platform
