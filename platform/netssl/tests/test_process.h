#pragma once
// What the network tests and benchmarks need around the servers they run:
//  - ChildProcess: a server program run as a child, its first output line read with a
//    bounded wait, and ended with the object (its input closed, then killed if it lingers);
//  - FreePort: a loopback port on which nothing listens;
//  - TempDir, ReadFile and RunProgram for the files and tools around them.
// Every wait is bounded, so a broken client or server fails the test instead of hanging.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace nettest {

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir() {
        std::string t = (std::filesystem::temp_directory_path() / "ombrel-net-XXXXXX").string();
        if (!mkdtemp(t.data())) throw std::runtime_error("mkdtemp failed");
        path_ = t;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Runs a program to its end, its output thrown away; returns its exit status (-1 when it
// could not start).
inline int RunProgram(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A program (argv[0] a path) run as a child while the object lives. Its standard input is
// a pipe held here: the test servers stop when it closes, so they stop with this object
// and also when the test process dies.
class ChildProcess {
public:
    struct Options {
        bool readOutput = true;  // standard output a pipe for FirstLine; else inherited
        int stopSignal = 0;      // sent on stopping, for a program that does not watch its input
        std::chrono::milliseconds grace{10000};  // to end by itself before it is killed
    };

    // Throws when the program cannot be started.
    ChildProcess(std::vector<std::string> argv, Options options) : options_(options) {
        int in[2], out[2] = {-1, -1};
        if (pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        if (options_.readOutput && pipe2(out, O_CLOEXEC) != 0) {
            close(in[0]);
            close(in[1]);
            throw std::runtime_error("pipe failed");
        }
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        if (options_.readOutput) posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        const int rc = posix_spawn(&pid_, args[0], &fa, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        close(in[0]);
        stdin_ = in[1];
        if (options_.readOutput) {
            close(out[1]);
            stdout_ = out[0];
        }
        if (rc != 0) {
            pid_ = -1;
            Stop();
            throw std::runtime_error("could not start " + argv[argv.size() > 1 ? 1 : 0]);
        }
    }
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The child's output up to and with its first line end, or what came of it within
    // `wait` (or before the output closed). The output is not read again after this.
    std::string FirstLine(std::chrono::seconds wait) {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (stdout_ >= 0 && text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{stdout_, POLLIN, 0};
            if (poll(&p, 1, 200) > 0) {
                char buf[512];
                const ssize_t n = read(stdout_, buf, sizeof buf);
                if (n <= 0) break;
                text.append(buf, static_cast<size_t>(n));
            }
        }
        CloseFd(stdout_);
        return text;
    }

    // Closes the child's input (and sends the stop signal), gives it the grace time to
    // end, then kills it.
    void Stop() {
        CloseFd(stdin_);
        CloseFd(stdout_);
        if (pid_ <= 0) return;
        if (options_.stopSignal != 0) kill(pid_, options_.stopSignal);
        const auto deadline = std::chrono::steady_clock::now() + options_.grace;
        for (;;) {
            int status;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    static void CloseFd(int& fd) {
        if (fd >= 0) close(fd);
        fd = -1;
    }

    Options options_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
};

// A loopback port on which nothing listens (bound once, then released): for a refused
// connection, or for a server started next to listen on.
inline int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

// The name the tests of refused connections use.
inline int ClosedPort() { return FreePort(); }

}  // namespace nettest
