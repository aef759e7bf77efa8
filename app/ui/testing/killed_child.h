#pragma once
// Crash tests: runs a piece of work in a forked child process and kills the child
// (SIGKILL, as a crash or a power cut ends the program) the moment the work returns, so
// that what the work left on the disk is all a test can find afterwards: nothing of it is
// flushed, saved or destroyed on the way out.
//
// The child is a copy of the test process with only the calling thread. A process that
// runs other threads already (Qt's painting pool after earlier tests of the same run, a
// worker) cannot be copied safely: the child would wait for threads it does not have. The
// test is then skipped; ctest runs every test in a process of its own, where it runs.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace ui::test {

// Runs `work` in a child that is killed right after it. False when the work did not run
// to its kill: a test failure is recorded (the child ended otherwise), or the test is
// marked skipped (this process runs other threads); the caller returns.
inline bool RunThenKill(const std::function<void()>& work) {
    int threads = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        (void)task;
        ++threads;
    }
    if (threads > 1) {
        [] { GTEST_SKIP() << "other threads run in this process: run the test alone (as ctest does)"; }();
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        return false;
    }
    if (child == 0) {
        work();
        ::raise(SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) {
        ADD_FAILURE() << "the child did not end by the kill (status " << status << ")";
        return false;
    }
    return true;
}

}  // namespace ui::test
