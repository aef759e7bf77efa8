#include "installhelper/pending_moves.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "installhelper/move_file.h"
#include "platform/module_path.h"
#include "platform/path.h"
#include "platform/private_files.h"

namespace tarbolt {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "tarbolt-pending-moves";

struct PendingMove {
    std::string source;
    std::string target;  // "" to delete
    bool replace = false;
};

// An open, exclusively locked file; unlocked and closed with the object.
class LockedFile {
public:
    LockedFile(const std::string& path, int flags) : fd_(platform::OpenPrivateFile(path, flags)) {
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~LockedFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    int fd() const { return fd_; }

    bool ReadAll(std::string& bytes) const {
        bytes.clear();
        char buffer[8192];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(fd_, buffer, sizeof buffer, at);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) return true;
            bytes.append(buffer, static_cast<std::size_t>(n));
            at += n;
        }
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The records of `bytes`, and in `complete` the length of its complete records (the rest
// is a torn tail). Complete records of the wrong shape are skipped.
std::vector<PendingMove> ParseRecords(const std::string& bytes, std::size_t& complete) {
    std::vector<PendingMove> moves;
    complete = 0;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end1 = bytes.find('\0', at);
        if (end1 == std::string::npos) break;
        const std::size_t end2 = bytes.find('\0', end1 + 1);
        if (end2 == std::string::npos) break;
        std::string source = bytes.substr(at, end1 - at);
        std::string target = bytes.substr(end1 + 1, end2 - end1 - 1);
        at = complete = end2 + 1;
        const bool replace = !target.empty() && target[0] == '!';
        if (replace) target.erase(0, 1);
        if (source.empty() || source[0] != '/' || (!target.empty() && target[0] != '/') || (replace && target.empty())) {
            continue;
        }
        moves.push_back({std::move(source), std::move(target), replace});
    }
    return moves;
}

std::string Absolute(const std::string& name) { return fs::absolute(fs::path(name)).lexically_normal().string(); }

}  // namespace

std::string PendingMovesPath() {
    if (const char* given = std::getenv("TARBOLT_PENDING_MOVES"); given != nullptr && given[0] != '\0') return given;
    static const int anchor = 0;
    const std::string libraryFolder = platform::FolderOf(platform::ModulePathOf(&anchor));
    const std::string folder = platform::UserWritableFolder(libraryFolder, "XDG_STATE_HOME", ".local/state");
    // A refused folder: no record at all, rather than one in whatever folder is current.
    return folder.empty() ? std::string() : platform::JoinPath(folder, kFileName);
}

bool RecordPendingMove(const std::string& source, const std::string& target, bool replace) {
    try {
        if (source.empty()) return false;
        std::string record = Absolute(source);
        record.push_back('\0');
        if (!target.empty()) record += (replace ? "!" : "") + Absolute(target);
        record.push_back('\0');

        LockedFile file(PendingMovesPath(), O_RDWR | O_CREAT | O_APPEND);
        if (file.fd() < 0) return false;
        // Cut a torn tail first, or the new record would be read as its continuation.
        std::string bytes;
        std::size_t complete = 0;
        if (!file.ReadAll(bytes)) return false;
        ParseRecords(bytes, complete);
        if (complete != bytes.size() && ::ftruncate(file.fd(), static_cast<off_t>(complete)) != 0) return false;
        return WriteAll(file.fd(), record) && ::fdatasync(file.fd()) == 0;
    } catch (...) {
        return false;
    }
}

int ApplyPendingMoves(const std::string& path) {
    try {
        LockedFile file(path, O_RDWR);
        if (file.fd() < 0) return 0;
        std::string bytes;
        std::size_t complete = 0;
        if (!file.ReadAll(bytes) || bytes.empty()) return 0;
        int done = 0;
        for (const PendingMove& move : ParseRecords(bytes, complete)) {
            if (MoveFileNow(move.source, move.target, move.replace ? kMoveReplaceExisting : 0)) ++done;
        }
        if (::ftruncate(file.fd(), 0) == 0) ::fdatasync(file.fd());
        return done;
    } catch (...) {
        return 0;
    }
}

}  // namespace tarbolt
