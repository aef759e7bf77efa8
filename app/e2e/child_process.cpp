#include "app/e2e/child_process.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        vars[entry.substr(0, entry.find('='))] = entry;
    }
    for (const std::string& entry : overrides) vars[entry.substr(0, entry.find('='))] = entry;
    std::vector<std::string> out;
    for (auto& [name, entry] : vars) out.push_back(entry);
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (Running()) Kill();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env, const std::string& logPath) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = MergedEnvironment(env);
    std::vector<char*> argp = Pointers(argv), envpp = Pointers(envp);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) return false;
    status_ = -1;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(log, 1);
        ::dup2(log, 2);
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) ::dup2(null, 0);
        ::execve(program.c_str(), argp.data(), envpp.data());
        ::_exit(127);
    }
    ::close(log);
    return pid_ > 0;
}

int ChildProcess::Wait(int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (Running()) {
        if (std::chrono::steady_clock::now() > end) {
            Kill();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return status_;
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    int raw = 0;
    const pid_t r = ::waitpid(pid_, &raw, WNOHANG);
    if (r == 0) return true;
    if (r == pid_) status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    pid_ = -1;
    return false;
}

void ChildProcess::Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int raw = 0;
    ::waitpid(pid_, &raw, 0);
    status_ = 128 + SIGKILL;
    pid_ = -1;
}

MailServers::~MailServers() { Stop(); }

bool MailServers::Start(const std::string& script, const std::string& acceptedFile, const std::string& logPath,
                        std::string& error) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        error = "pipe";
        return false;
    }
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        if (log >= 0) ::dup2(log, 2);
        // Its own process group, so that a stop reaches every server it started.
        ::setpgid(0, 0);
        ::execl("/bin/bash", "bash", script.c_str(), acceptedFile.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (log >= 0) ::close(log);
    input_ = in[1];
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
        if (::poll(&p, 1, 500) > 0) {
            char buf[256];
            const ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            line.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(out[0]);
    std::istringstream words(line);
    std::string ready;
    words >> ready >> smtpPort >> pop3Port >> folder;
    if (ready != "READY" || folder.empty()) {
        error = "no READY line from the mail servers: '" + line + "'\n" + Tail(logPath, 30);
        Stop();
        return false;
    }
    return true;
}

void MailServers::Stop() {
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
    if (pid_ > 0) {
        int raw = 0;
        for (int i = 0; i < 300 && ::waitpid(pid_, &raw, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (::waitpid(pid_, &raw, WNOHANG) == 0) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, &raw, 0);
        }
        pid_ = -1;
    }
}

bool IsolateNetwork(std::string& error) {
    if (::unshare(CLONE_NEWNET) != 0) {
        error = std::string("unshare: ") + std::strerror(errno);
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP | IFF_RUNNING);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (!up) error = std::string("loopback: ") + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return up;
}

std::string Tail(const std::string& path, int lines) {
    std::ifstream in(path);
    std::deque<std::string> last;
    std::string line;
    while (std::getline(in, line)) {
        last.push_back(line);
        if (static_cast<int>(last.size()) > lines) last.pop_front();
    }
    std::string out;
    for (const std::string& l : last) out += l + "\n";
    return out;
}

}  // namespace e2e
