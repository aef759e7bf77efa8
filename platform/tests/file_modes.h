#pragma once
// Test helpers for the modes files and folders are made with.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

namespace filemodes {

// Sets the process's umask for the scope.
struct Umask {
    mode_t old;
    explicit Umask(mode_t mask) : old(::umask(mask)) {}
    ~Umask() { ::umask(old); }
};

// The permission bits of `path` itself (a link is not followed).
inline mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

}  // namespace filemodes
