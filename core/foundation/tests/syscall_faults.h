#pragma once
// Failures of the system calls the stores make, for tests of what a store does when the
// disk fails it: the test binary's own read, write and fdatasync stand before the C
// library's (the library calls them through its symbol table), and fail on request.
//
// Include this header in exactly one source file of a test binary. Nothing fails until a
// test arms a call; each armed call fails once per count with the given errno.

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace syscall_faults {

struct Armed {
    std::atomic<int> count{0};
    // Only calls on this file fail (empty: any); set before arming.
    std::string path;
    std::atomic<int> error{EIO};
    // Calls let through before the failures start.
    std::atomic<int> skip{0};
    bool Fire(int fd) {
        if (count.load() <= 0) return false;
        if (!path.empty()) {
            char link[4096];
            const std::string proc = "/proc/self/fd/" + std::to_string(fd);
            const ssize_t n = ::readlink(proc.c_str(), link, sizeof link);
            if (n <= 0 || std::string(link, static_cast<std::size_t>(n)) != path) return false;
        }
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

enum Call { kRead, kWrite, kDataSync, kTruncate, kCalls };
inline Armed& Of(Call call) {
    static Armed armed[kCalls];
    return armed[call];
}
inline Armed& Read() { return Of(kRead); }
inline Armed& Write() { return Of(kWrite); }
inline Armed& DataSync() { return Of(kDataSync); }
inline Armed& Truncate() { return Of(kTruncate); }

// Disarms everything when the scope ends, whatever the test did.
struct Scope {
    ~Scope() {
        for (int call = 0; call < kCalls; ++call) Of(static_cast<Call>(call)).Disarm();
    }
};

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace syscall_faults

extern "C" ssize_t read(int fd, void* buf, size_t n) {
    static const auto real = syscall_faults::Next<ssize_t (*)(int, void*, size_t)>("read");
    if (syscall_faults::Read().Fire(fd)) return -1;
    return real(fd, buf, n);
}

extern "C" ssize_t write(int fd, const void* buf, size_t n) {
    static const auto real = syscall_faults::Next<ssize_t (*)(int, const void*, size_t)>("write");
    if (syscall_faults::Write().Fire(fd)) return -1;
    return real(fd, buf, n);
}

extern "C" int fdatasync(int fd) {
    static const auto real = syscall_faults::Next<int (*)(int)>("fdatasync");
    if (syscall_faults::DataSync().Fire(fd)) return -1;
    return real(fd);
}

extern "C" int ftruncate(int fd, off_t length) {
    static const auto real = syscall_faults::Next<int (*)(int, off_t)>("ftruncate");
    if (syscall_faults::Truncate().Fire(fd)) return -1;
    return real(fd, length);
}
