#pragma once
// Injected I/O faults for tests: the Nth call of one kind (a write, a flush to the disk, a
// cut, a rename, a removal, an open) on the files below a folder fails with a chosen errno,
// and then the calls are normal again; or every call below the folder fails from that one
// on until the test disarms (a disk that went away); or the process is killed at the next
// call after the failure (a crash while the program deals with the error).
//
// How: io_faults_interpose.h defines the C library's functions in the test binary, which
// stands before libc in the symbol search, so the calls of the test's own code, of
// libombrel.so and of the static libraries alike come here first and go on to libc through
// dlsym(RTLD_NEXT). stdio writes reach the kernel through libc's internal write, which no
// one can interpose, so the stdio calls that the stores use are faulted themselves:
// fwrite, fputs, fflush and fclose count as writes (a failed fclose closes the stream, as
// close(2) does when it reports a deferred error).
//
// Use: include io_faults_interpose.h in the test binary (its definitions are weak, so more
// than one source file may include it); this header anywhere. Nothing is counted until a
// test arms a plan.

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

namespace io_faults {

// The kinds of call that are counted and failed.
enum class Call : int {
    kOpen,      // open, openat, creat, fopen (any mode: a file that cannot be read is a fault too)
    kWrite,     // write, pwrite, writev, copy_file_range, fwrite, fputs, fflush, fclose
    kSync,      // fsync, fdatasync
    kTruncate,  // ftruncate, truncate
    kRename,    // rename, renameat (either name below the folder)
    kUnlink,    // unlink, unlinkat, remove
    kCount
};

inline const char* Name(Call call) {
    static const char* const kNames[] = {"open", "write", "sync", "truncate", "rename", "unlink"};
    return kNames[static_cast<int>(call)];
}

// What happens once the Nth call has failed.
enum class Then : int {
    kRecover,  // later calls are normal again
    kPersist,  // every later call below the folder fails too, until Disarm
    kKill,     // the process is killed (SIGKILL) at the next call below the folder
};

struct Plan {
    std::string under;  // the folder (an absolute path without "..", as the code names it)
    Call call = Call::kWrite;
    int nth = 1;        // 1: the first call of that kind
    int error = EIO;
    Then then = Then::kRecover;
};

namespace detail {

struct State {
    std::atomic<bool> armed{false};
    std::atomic<bool> fired{false};
    std::atomic<int> seen[static_cast<int>(Call::kCount)] = {};
    Plan plan;  // written only while disarmed
};

inline State& TheState() {
    static State state;
    return state;
}

inline bool Under(const std::string& path) {
    const std::string& under = TheState().plan.under;
    return !under.empty() && path.compare(0, under.size(), under) == 0;
}

inline std::string Absolute(const char* path) {
    if (path == nullptr) return std::string();
    if (path[0] == '/') return path;
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
    return std::string(cwd) + "/" + path;
}

inline std::string PathOfFd(int fd) {
    char link[4096];
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(proc.c_str(), link, sizeof link);
    return n > 0 ? std::string(link, static_cast<std::size_t>(n)) : std::string();
}

// The path that `dirfd` and `name` name together (openat and its kin).
inline std::string PathAt(int dirfd, const char* name) {
    if (name == nullptr) return std::string();
    if (name[0] == '/' || dirfd == AT_FDCWD) return Absolute(name);
    return PathOfFd(dirfd) + "/" + name;
}

}  // namespace detail

// Starts counting the calls below `plan.under`; the counts start at 0.
inline void Arm(const Plan& plan) {
    detail::State& s = detail::TheState();
    s.armed = false;
    s.plan = plan;
    // The calls name files by the paths the code forms, the descriptors by their real
    // paths: the folder is compared as it really is.
    if (char* real = ::realpath(plan.under.c_str(), nullptr)) {
        s.plan.under = real;
        std::free(real);
    }
    if (!s.plan.under.empty() && s.plan.under.back() != '/') s.plan.under += '/';
    for (auto& n : s.seen) n = 0;
    s.fired = false;
    s.armed = true;
}

// Stops counting and failing (the counts stay readable).
inline void Disarm() { detail::TheState().armed = false; }

// Calls of `call` below the folder since Arm.
inline int Seen(Call call) { return detail::TheState().seen[static_cast<int>(call)].load(); }
// Whether the planned failure happened.
inline bool Fired() { return detail::TheState().fired.load(); }

// Disarms when the scope ends, whatever the test did.
struct Scope {
    Scope() = default;
    explicit Scope(const Plan& plan) { Arm(plan); }
    ~Scope() { Disarm(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

namespace detail {

// Decides about one call of `call` on `path` (computed only when armed): true when it must
// fail (errno set).
template <typename PathFn>
bool Fail(Call call, PathFn&& path) {
    State& s = TheState();
    if (!s.armed.load(std::memory_order_relaxed)) return false;
    const int saved = errno;
    if (!Under(path())) {
        errno = saved;
        return false;
    }
    const int n = ++s.seen[static_cast<int>(call)];
    if (s.fired.load()) {
        if (s.plan.then == Then::kKill) {
            ::kill(::getpid(), SIGKILL);
            ::_exit(137);
        }
        if (s.plan.then == Then::kPersist) {
            errno = s.plan.error;
            return true;
        }
        errno = saved;
        return false;
    }
    if (call != s.plan.call || n != s.plan.nth) {
        errno = saved;
        return false;
    }
    s.fired = true;
    errno = s.plan.error;
    return true;
}

}  // namespace detail

// Counted failures, for focused tests that want one kind of call to fail a number of times
// (core/foundation/tests/syscall_faults.h names them): after `skip` calls, the next `count`
// calls of the kind fail with `error`, only on the file `path` when it is given.
struct Armed {
    std::atomic<int> count{0};
    std::string path;  // set before arming
    std::atomic<int> error{EIO};
    std::atomic<int> skip{0};
    bool Fire(int fd) {
        if (count.load() <= 0) return false;
        if (!path.empty() && detail::PathOfFd(fd) != path) return false;
        return Count();
    }
    bool FirePath(const char* name) {
        if (count.load() <= 0) return false;
        if (!path.empty() && (name == nullptr || path != name)) return false;
        return Count();
    }
    bool Count() {
        if (skip.load() > 0) {
            skip.fetch_sub(1);
            return false;
        }
        count.fetch_sub(1);
        errno = error.load();
        return true;
    }
    void Arm(int times, int err = EIO, int after = 0, const std::string& file = "") {
        path = file;
        error = err;
        skip = after;
        count = times;
    }
    void Disarm() {
        count = 0;
        path.clear();
    }
};

// The calls counted so: read, write, fdatasync, ftruncate, unlink.
enum class Counted : int { kRead, kWrite, kDataSync, kTruncate, kUnlink, kCount };
inline Armed& CountedOf(Counted call) {
    static Armed armed[static_cast<int>(Counted::kCount)];
    return armed[static_cast<int>(call)];
}

}  // namespace io_faults
