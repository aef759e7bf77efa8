#include "platform/safe_write.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path.h"

namespace platform {
namespace {
std::atomic<bool> g_failNextCommit{false};
std::atomic<StepHook> g_stepHook{nullptr};

constexpr const char* kTempMark = ".tmp";

std::string TempPrefix(const std::string& target) { return "." + FileNameOf(target) + kTempMark; }

// The writer's process ID of a temporary name's tail "<pid>_<n>", or 0 when the tail has
// another form (then the file is not one of ours).
pid_t WriterOf(const char* tail) {
    long pid = 0;
    const char* p = tail;
    for (; *p >= '0' && *p <= '9'; ++p) {
        pid = pid * 10 + (*p - '0');
        if (pid > 0x7fffffff) return 0;
    }
    if (p == tail || *p != '_' || p[1] == '\0') return 0;
    for (++p; *p != '\0'; ++p)
        if (*p < '0' || *p > '9') return 0;
    return static_cast<pid_t>(pid);
}

bool WriterIsGone(pid_t pid) {
    if (pid <= 0 || pid == ::getpid()) return false;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}
}  // namespace

int RemoveStaleTemporaries(const std::string& target) {
    const std::string prefix = TempPrefix(target);
    const std::string folder = FolderOf(target);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return 0;
    const int savedErrno = errno;
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
        if (!WriterIsGone(WriterOf(e->d_name + prefix.size()))) continue;
        if (::unlinkat(::dirfd(dir), e->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    errno = savedErrno;
    return removed;
}

void SetStepHookForTesting(StepHook hook) { g_stepHook = hook; }

void TestStep(const char* step) {
    if (const StepHook hook = g_stepHook.load(std::memory_order_relaxed)) hook(step);
}

AtomicFile::~AtomicFile() { Abort(); }

bool AtomicFile::Open(const std::string& target, FileAccess access) {
    Abort();
    target_ = target;
    access_ = access;
    RemoveStaleTemporaries(target);
    std::string folder = FolderOf(target);
    // A private file is made 0600 from the start, so its content is never readable by
    // others, not even for a moment; a kUmask file 0666 for the umask to apply as to any
    // new document. The name is unique per process and attempt.
    const mode_t mode = access == FileAccess::kOwner ? kPrivateFileMode : 0666;
    static std::atomic<unsigned> counter{0};
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp_ = folder + TempPrefix(target) + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        temp_.clear();
        return false;
    }
    fp_ = ::fdopen(fd, "wb");
    if (fp_ == nullptr) {
        const int e = errno;
        ::close(fd);
        ::unlink(temp_.c_str());
        temp_.clear();
        errno = e;
        return false;
    }
    failed_ = false;
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (fp_ == nullptr) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), fp_) != bytes.size()) failed_ = true;
    return !failed_;
}

bool AtomicFile::Commit(bool sync) {
    if (fp_ == nullptr) return false;
    bool ok = !failed_ && std::fflush(fp_) == 0 && !std::ferror(fp_);
    if (ok && sync) ok = ::fsync(::fileno(fp_)) == 0;
    if (ok) {
        // Keep the permissions of the file being replaced (a private file's only for its
        // owner: this is where a file an older version left readable becomes private).
        struct stat st;
        if (::stat(target_.c_str(), &st) == 0) {
            mode_t keep = st.st_mode & 07777;
            if (access_ == FileAccess::kOwner) keep &= ~mode_t{077};
            ::fchmod(::fileno(fp_), keep);
        }
    }
    const int closeResult = std::fclose(fp_);
    fp_ = nullptr;
    ok = ok && closeResult == 0;
    if (ok && g_failNextCommit.exchange(false)) {
        ok = false;
        errno = EIO;
    }
    if (ok) TestStep("safe-write");
    if (ok && beforeReplace_) beforeReplace_(temp_);
    if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        const int e = errno;
        ::unlink(temp_.c_str());
        errno = e;
    } else if (sync) {
        // Make the rename itself durable.
        std::string folder = FolderOf(target_);
        int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
    }
    temp_.clear();
    return ok;
}

void AtomicFile::Abort() {
    if (fp_ != nullptr) {
        std::fclose(fp_);
        fp_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

void AtomicFile::FailNextCommitForTesting() { g_failNextCommit = true; }

bool WriteFileAtomically(const std::string& path, std::string_view bytes, bool sync, FileAccess access) {
    AtomicFile f;
    if (!f.Open(path, access)) return false;
    if (!f.Write(bytes)) return false;
    return f.Commit(sync);
}

namespace {

bool ReadAll(int fd, std::string& out) {
    if (fd < 0) return false;
    std::string data;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    const int error = errno;
    ::close(fd);
    if (n != 0) {
        errno = error;
        return false;
    }
    out.swap(data);
    return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& out) { return ReadAll(OpenPrivateFile(path, O_RDONLY), out); }

bool ReadNamedFile(const std::string& path, std::string& out) { return ReadAll(OpenNamedFile(path, O_RDONLY), out); }

}  // namespace platform
