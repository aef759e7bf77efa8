#include "platform/process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {

namespace {

ProcessEnd Reap(int status, int& exitCode) {
    if (WIFEXITED(status)) {
        exitCode = WEXITSTATUS(status);
        return ProcessEnd::kExited;
    }
    exitCode = -1;
    return ProcessEnd::kSignalled;
}

void KillAndReap(pid_t pid) {
    ::kill(-pid, SIGKILL);  // the whole group: a script's children go too
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return std::string();
    std::string path;
    if (const char* given = std::getenv("PATH")) {
        path = given;
    } else {
        path.resize(::confstr(_CS_PATH, nullptr, 0));
        if (!path.empty()) ::confstr(_CS_PATH, path.data(), path.size());
        path.resize(std::strlen(path.c_str()));
    }
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find(':', at);
        if (end == std::string::npos) end = path.size();
        const std::string folder = path.substr(at, end - at);
        at = end + 1;
        if (folder.empty() || folder[0] != '/') continue;
        const std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::string();
}

ProcessEnd RunProcess(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                      const std::function<bool()>& cancelled, int& exitCode) {
    exitCode = -1;
    if (argv.empty() || argv[0].empty()) return ProcessEnd::kNotStarted;
    // The program itself: argv[0] as given when it names a place, else as PATH's absolute
    // folders have it (argv[0] stays the name the program was called by).
    const std::string program = argv[0].find('/') == std::string::npos ? FindProgram(argv[0]) : argv[0];
    if (program.empty()) return ProcessEnd::kNotStarted;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int r = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (r != 0) return ProcessEnd::kNotStarted;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        // A program found that could not be executed ends with status 127.
        if (done == pid) return Reap(status, exitCode);
        if (done < 0 && errno != EINTR) return ProcessEnd::kSignalled;
        if (cancelled && cancelled()) {
            KillAndReap(pid);
            return ProcessEnd::kCancelled;
        }
        if (timeout.count() > 0 && std::chrono::steady_clock::now() >= deadline) {
            KillAndReap(pid);
            return ProcessEnd::kTimedOut;
        }
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(20)) pause *= 2;
    }
}

}  // namespace platform
