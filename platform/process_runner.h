#pragma once
// RunProcess: starts a program as a child process and waits for it, in place of creating
// a process and waiting on its handle. The program gets its arguments as a vector (no
// shell is involved, so no text of a path is ever read as shell syntax), standard input
// from /dev/null, and its own process group, so that a time-out or a cancel ends the
// program together with any children it started.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class ProcessEnd {
    kExited,      // ended on its own; exitCode holds its status
    kNotStarted,  // the program could not be started (missing, not executable, no arguments)
    kSignalled,   // ended by a signal it did not catch
    kTimedOut,    // ran past the time-out and was killed
    kCancelled,   // *cancel became nonzero and the process was killed
};

// The program `name` (a name without "/") as the first absolute folder of PATH holding it
// as an executable regular file has it; "" when none does. Only absolute entries count: an
// empty entry, "." or a relative folder names the current folder (a download folder, a
// shared temporary one, anyone's), and a program found there would run as the user. PATH
// unset: the system's default path.
std::string FindProgram(const std::string& name);

// Runs argv[0] (found by FindProgram when it holds no "/") with argv and waits until it ends,
// `timeout` passes (zero or less: no limit) or `cancelled` (may be empty; asked every few
// milliseconds) answers true. A process still running then is killed with its group and
// reaped before the return.
ProcessEnd RunProcess(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                      const std::function<bool()>& cancelled, int& exitCode);

}  // namespace platform
