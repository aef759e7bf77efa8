#pragma once
// The C library's functions as the test binary defines them for io_faults.h: each asks
// whether this call must fail and otherwise goes on to the next definition (libc, or a
// sanitizer's interceptor in front of it). The definitions are weak and the same in every
// source file that includes this, so any number of a binary's files may.

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdarg>

#include "platform/tests/io_faults.h"

namespace io_faults::detail {

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

inline bool FailFd(Call call, int fd) {
    return Fail(call, [fd] { return PathOfFd(fd); });
}
inline bool FailPath(Call call, const char* path) {
    return Fail(call, [path] { return Absolute(path); });
}
inline bool Counted(io_faults::Counted call, int fd) { return io_faults::CountedOf(call).Fire(fd); }
// glibc's flag of a stream opened for reading only (libio.h, unchanged since it began).
constexpr int kNoWrites = 0x0008;
// Only a stream opened for writing counts: reading is not what these calls fault.
inline bool FailStream(FILE* fp) {
    return fp != nullptr && (fp->_flags & kNoWrites) == 0 &&
           Fail(Call::kWrite, [fp] { return PathOfFd(::fileno(fp)); });
}
// A failed stdio write leaves the stream in error, as a real one does.
inline void MarkStreamFailed(FILE* fp) { fp->_flags |= _IO_ERR_SEEN; }

inline bool NeedsMode(int flags) { return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE; }

}  // namespace io_faults::detail

#define IO_FAULTS_NEXT(type, name) static const auto real = io_faults::detail::Next<type>(name)
#define IO_FAULTS_WEAK __attribute__((weak))

extern "C" {

IO_FAULTS_WEAK ssize_t read(int fd, void* buf, size_t n) {
    IO_FAULTS_NEXT(ssize_t (*)(int, void*, size_t), "read");
    if (io_faults::detail::Counted(io_faults::Counted::kRead, fd)) return -1;
    return real(fd, buf, n);
}


IO_FAULTS_WEAK int open(const char* path, int flags, ...) {
    IO_FAULTS_NEXT(int (*)(const char*, int, ...), "open");
    mode_t mode = 0;
    if (io_faults::detail::NeedsMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (io_faults::detail::FailPath(io_faults::Call::kOpen, path)) return -1;
    return real(path, flags, mode);
}

IO_FAULTS_WEAK int open64(const char* path, int flags, ...) {
    IO_FAULTS_NEXT(int (*)(const char*, int, ...), "open64");
    mode_t mode = 0;
    if (io_faults::detail::NeedsMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (io_faults::detail::FailPath(io_faults::Call::kOpen, path)) return -1;
    return real(path, flags, mode);
}

IO_FAULTS_WEAK int openat(int dirfd, const char* path, int flags, ...) {
    IO_FAULTS_NEXT(int (*)(int, const char*, int, ...), "openat");
    mode_t mode = 0;
    if (io_faults::detail::NeedsMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (io_faults::detail::Fail(io_faults::Call::kOpen, [&] { return io_faults::detail::PathAt(dirfd, path); }))
        return -1;
    return real(dirfd, path, flags, mode);
}

IO_FAULTS_WEAK int openat64(int dirfd, const char* path, int flags, ...) {
    IO_FAULTS_NEXT(int (*)(int, const char*, int, ...), "openat64");
    mode_t mode = 0;
    if (io_faults::detail::NeedsMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (io_faults::detail::Fail(io_faults::Call::kOpen, [&] { return io_faults::detail::PathAt(dirfd, path); }))
        return -1;
    return real(dirfd, path, flags, mode);
}

IO_FAULTS_WEAK int creat(const char* path, mode_t mode) {
    IO_FAULTS_NEXT(int (*)(const char*, mode_t), "creat");
    if (io_faults::detail::FailPath(io_faults::Call::kOpen, path)) return -1;
    return real(path, mode);
}

IO_FAULTS_WEAK FILE* fopen(const char* path, const char* mode) {
    IO_FAULTS_NEXT(FILE* (*)(const char*, const char*), "fopen");
    if (io_faults::detail::FailPath(io_faults::Call::kOpen, path)) return nullptr;
    return real(path, mode);
}

IO_FAULTS_WEAK FILE* fopen64(const char* path, const char* mode) {
    IO_FAULTS_NEXT(FILE* (*)(const char*, const char*), "fopen64");
    if (io_faults::detail::FailPath(io_faults::Call::kOpen, path)) return nullptr;
    return real(path, mode);
}

IO_FAULTS_WEAK ssize_t write(int fd, const void* buf, size_t n) {
    IO_FAULTS_NEXT(ssize_t (*)(int, const void*, size_t), "write");
    if (io_faults::detail::Counted(io_faults::Counted::kWrite, fd)) return -1;
    if (io_faults::detail::FailFd(io_faults::Call::kWrite, fd)) return -1;
    return real(fd, buf, n);
}

IO_FAULTS_WEAK ssize_t pwrite(int fd, const void* buf, size_t n, off_t at) {
    IO_FAULTS_NEXT(ssize_t (*)(int, const void*, size_t, off_t), "pwrite");
    if (io_faults::detail::FailFd(io_faults::Call::kWrite, fd)) return -1;
    return real(fd, buf, n, at);
}

IO_FAULTS_WEAK ssize_t writev(int fd, const struct iovec* iov, int count) {
    IO_FAULTS_NEXT(ssize_t (*)(int, const struct iovec*, int), "writev");
    if (io_faults::detail::FailFd(io_faults::Call::kWrite, fd)) return -1;
    return real(fd, iov, count);
}

IO_FAULTS_WEAK ssize_t copy_file_range(int in, loff_t* inAt, int out, loff_t* outAt, size_t n, unsigned flags) {
    IO_FAULTS_NEXT(ssize_t (*)(int, loff_t*, int, loff_t*, size_t, unsigned), "copy_file_range");
    if (io_faults::detail::FailFd(io_faults::Call::kWrite, out)) return -1;
    return real(in, inAt, out, outAt, n, flags);
}

IO_FAULTS_WEAK size_t fwrite(const void* p, size_t size, size_t count, FILE* fp) {
    IO_FAULTS_NEXT(size_t (*)(const void*, size_t, size_t, FILE*), "fwrite");
    if (size != 0 && count != 0 && io_faults::detail::FailStream(fp)) {
        io_faults::detail::MarkStreamFailed(fp);
        return 0;
    }
    return real(p, size, count, fp);
}

IO_FAULTS_WEAK int fputs(const char* text, FILE* fp) {
    IO_FAULTS_NEXT(int (*)(const char*, FILE*), "fputs");
    if (io_faults::detail::FailStream(fp)) {
        io_faults::detail::MarkStreamFailed(fp);
        return EOF;
    }
    return real(text, fp);
}

IO_FAULTS_WEAK int fflush(FILE* fp) {
    IO_FAULTS_NEXT(int (*)(FILE*), "fflush");
    if (io_faults::detail::FailStream(fp)) {
        io_faults::detail::MarkStreamFailed(fp);
        return EOF;
    }
    return real(fp);
}

IO_FAULTS_WEAK int fclose(FILE* fp) {
    IO_FAULTS_NEXT(int (*)(FILE*), "fclose");
    // The stream is closed all the same, as close(2) closes a descriptor whose deferred
    // write error it reports.
    if (io_faults::detail::FailStream(fp)) {
        const int error = errno;
        real(fp);
        errno = error;
        return EOF;
    }
    return real(fp);
}

IO_FAULTS_WEAK int fsync(int fd) {
    IO_FAULTS_NEXT(int (*)(int), "fsync");
    if (io_faults::detail::FailFd(io_faults::Call::kSync, fd)) return -1;
    return real(fd);
}

IO_FAULTS_WEAK int fdatasync(int fd) {
    IO_FAULTS_NEXT(int (*)(int), "fdatasync");
    if (io_faults::detail::Counted(io_faults::Counted::kDataSync, fd)) return -1;
    if (io_faults::detail::FailFd(io_faults::Call::kSync, fd)) return -1;
    return real(fd);
}

IO_FAULTS_WEAK int ftruncate(int fd, off_t length) {
    IO_FAULTS_NEXT(int (*)(int, off_t), "ftruncate");
    if (io_faults::detail::Counted(io_faults::Counted::kTruncate, fd)) return -1;
    if (io_faults::detail::FailFd(io_faults::Call::kTruncate, fd)) return -1;
    return real(fd, length);
}

IO_FAULTS_WEAK int truncate(const char* path, off_t length) {
    IO_FAULTS_NEXT(int (*)(const char*, off_t), "truncate");
    if (io_faults::detail::FailPath(io_faults::Call::kTruncate, path)) return -1;
    return real(path, length);
}

IO_FAULTS_WEAK int rename(const char* from, const char* to) {
    IO_FAULTS_NEXT(int (*)(const char*, const char*), "rename");
    if (io_faults::detail::Fail(io_faults::Call::kRename, [&] {
            const std::string a = io_faults::detail::Absolute(from);
            return io_faults::detail::Under(a) ? a : io_faults::detail::Absolute(to);
        }))
        return -1;
    return real(from, to);
}

IO_FAULTS_WEAK int renameat(int fromDir, const char* from, int toDir, const char* to) {
    IO_FAULTS_NEXT(int (*)(int, const char*, int, const char*), "renameat");
    if (io_faults::detail::Fail(io_faults::Call::kRename, [&] {
            const std::string a = io_faults::detail::PathAt(fromDir, from);
            return io_faults::detail::Under(a) ? a : io_faults::detail::PathAt(toDir, to);
        }))
        return -1;
    return real(fromDir, from, toDir, to);
}

IO_FAULTS_WEAK int unlink(const char* path) {
    IO_FAULTS_NEXT(int (*)(const char*), "unlink");
    if (io_faults::CountedOf(io_faults::Counted::kUnlink).FirePath(path)) return -1;
    if (io_faults::detail::FailPath(io_faults::Call::kUnlink, path)) return -1;
    return real(path);
}

IO_FAULTS_WEAK int unlinkat(int dirfd, const char* path, int flags) {
    IO_FAULTS_NEXT(int (*)(int, const char*, int), "unlinkat");
    if (io_faults::detail::Fail(io_faults::Call::kUnlink, [&] { return io_faults::detail::PathAt(dirfd, path); }))
        return -1;
    return real(dirfd, path, flags);
}

IO_FAULTS_WEAK int remove(const char* path) {
    IO_FAULTS_NEXT(int (*)(const char*), "remove");
    if (io_faults::detail::FailPath(io_faults::Call::kUnlink, path)) return -1;
    return real(path);
}

}  // extern "C"

#undef IO_FAULTS_NEXT
#undef IO_FAULTS_WEAK
