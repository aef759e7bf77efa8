#pragma once
// Test helper: another process that takes hold of something (a lock, a socket name) and
// keeps it until it is killed, as another program or another user's process would.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace testing_support {

// Forks a child that runs `hold`, tells the parent whether it succeeded, then runs `stay`
// (by default it only waits) until it is killed. The child's pid once `hold` succeeded;
// -1 otherwise (the child is gone then).
inline pid_t ForkHolder(const std::function<bool()>& hold, const std::function<void()>& stay = {}) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const char ok = hold() ? 1 : 0;
        (void)!::write(ready[1], &ok, 1);
        if (stay) stay();
        for (;;) ::pause();
    }
    char ok = 0;
    (void)!::read(ready[0], &ok, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    if (pid > 0 && ok == 1) return pid;
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return -1;
}

}  // namespace testing_support
