#pragma once
// Servers for the network tests, all on loopback and all owned by the test process:
//  - SpawnedSmtpServer: the aiosmtpd server of servers/smtp_server.py on a free port;
//    it stops when this object goes (or when the test process dies: its stdin closes);
//  - ScriptedServer: a thread that accepts connections and runs a session written in
//    the test, for replies no real server gives on demand (refusals, silence, stalls);
//  - MakeTestCertificate: a self-signed certificate for localhost and 127.0.0.1, made
//    with the openssl command.
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

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace nettest {

#ifndef OMBREL_NET_TEST_SERVERS
#error "OMBREL_NET_TEST_SERVERS must name the folder of the test server scripts"
#endif

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

// Runs a program to its end; returns its exit status (-1 when it could not start).
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

struct Certificate {
    std::string certFile, keyFile;
};

inline Certificate MakeTestCertificate(const std::filesystem::path& dir) {
    Certificate c{(dir / "cert.pem").string(), (dir / "key.pem").string()};
    const int rc = RunProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                               "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", c.keyFile, "-out",
                               c.certFile, "-days", "2", "-subj", "/CN=localhost", "-addext",
                               "subjectAltName=DNS:localhost,IP:127.0.0.1"});
    if (rc != 0) throw std::runtime_error("openssl could not make the test certificate");
    return c;
}

class SpawnedSmtpServer {
public:
    // `extra` are further arguments of smtp_server.py (--tls, --cert, --key, --user ...).
    explicit SpawnedSmtpServer(std::vector<std::string> extra = {}) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        std::vector<std::string> argv = {"/usr/bin/python3", std::string(OMBREL_NET_TEST_SERVERS) + "/smtp_server.py",
                                         "--out", out_.path().string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        const int rc = posix_spawn(&pid_, args[0], &fa, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        if (rc != 0) {
            close(out[0]);
            throw std::runtime_error("could not start the SMTP test server");
        }
        // Wait (at most 20 s) for "PORT <n>".
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 200) > 0) {
                char buf[256];
                const ssize_t n = read(out[0], buf, sizeof buf);
                if (n <= 0) break;
                text.append(buf, static_cast<size_t>(n));
            }
        }
        close(out[0]);
        if (text.rfind("PORT ", 0) != 0) {
            Stop();
            throw std::runtime_error("the SMTP test server did not start: " + text);
        }
        port_ = std::stoi(text.substr(5));
    }
    ~SpawnedSmtpServer() { Stop(); }
    SpawnedSmtpServer(const SpawnedSmtpServer&) = delete;
    SpawnedSmtpServer& operator=(const SpawnedSmtpServer&) = delete;

    int port() const { return port_; }
    const std::filesystem::path& out() const { return out_.path(); }
    // The n-th message received (from 1): its bytes, and its envelope lines.
    std::string Message(int n) const { return ReadFile(out() / Name(n, ".eml")); }
    std::string Envelope(int n) const { return ReadFile(out() / Name(n, ".env")); }
    std::string AuthLog() const { return ReadFile(out() / "auth.log"); }

private:
    static std::string Name(int n, const char* ext) {
        char buf[32];
        snprintf(buf, sizeof buf, "%04d%s", n, ext);
        return buf;
    }
    void Stop() {
        if (stdin_ >= 0) {
            close(stdin_);
            stdin_ = -1;
        }
        if (pid_ <= 0) return;
        for (int i = 0; i < 100; ++i) {  // up to 5 s to end by itself
            int status;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    TempDir out_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

// One accepted connection of a ScriptedServer, with bounded reads.
class ScriptConn {
public:
    explicit ScriptConn(int fd) : fd_(fd) {}
    void Send(const std::string& text) {
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    // One line without CR LF; false when the client closed or 10 s passed.
    bool ReadLine(std::string& line) {
        for (int rounds = 0; rounds < 1000; ++rounds) {
            const size_t nl = buf_.find("\r\n");
            if (nl != std::string::npos) {
                line = buf_.substr(0, nl);
                buf_.erase(0, nl + 2);
                return true;
            }
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0) return false;
            char chunk[65536];
            const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0) return false;
            buf_.append(chunk, static_cast<size_t>(n));
        }
        return false;
    }
    // Reads the message after DATA up to the line "."; false when the client went away.
    bool ReadData(std::string& data) {
        std::string line;
        for (int lines = 0; lines < 1000000; ++lines) {
            if (!ReadLine(line)) return false;
            if (line == ".") return true;
            data += line + "\r\n";
        }
        return false;
    }
    // Waits (at most 10 s) until the client closes the connection.
    void WaitClose() {
        for (int i = 0; i < 1000; ++i) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0) return;
            char chunk[4096];
            if (recv(fd_, chunk, sizeof chunk, 0) <= 0) return;
        }
    }

private:
    int fd_;
    std::string buf_;
};

// Accepts connections on 127.0.0.1 and runs `session` for each, one after the other.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<void(ScriptConn&)> session) : session_(std::move(session)) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listen_, 8) != 0 ||
            getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            throw std::runtime_error("scripted server: cannot listen");
        }
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~ScriptedServer() {
        stop_ = true;
        shutdown(listen_, SHUT_RDWR);
        thread_.join();
        close(listen_);
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;
    int port() const { return port_; }
    int connections() const { return connections_; }

private:
    void Run() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            ++connections_;
            ScriptConn conn(fd);
            session_(conn);
            close(fd);
        }
    }

    std::function<void(ScriptConn&)> session_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A loopback port on which nothing listens (bound once, then released).
inline int ClosedPort() {
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

}  // namespace nettest
