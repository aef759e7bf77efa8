#pragma once
// ScriptedServer: a thread that accepts connections on loopback and runs a session written
// in the test (or benchmark) for each, for replies no real server gives on demand
// (refusals, silence, stalls, resets, a byte at a time) or that must cost next to nothing. Reads are bounded, so a
// broken client fails the test instead of hanging it. DotStuffed gives the POP3 sessions
// written on it a message as a server sends it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace nettest {

// A message as a POP3 server sends it: every line (each ending with CR LF) that starts
// with "." gets another one before it.
inline std::string DotStuffed(const std::string& message) {
    std::string out;
    size_t start = 0;
    while (start < message.size()) {
        const size_t end = message.find("\r\n", start) + 2;
        if (message[start] == '.') out += '.';
        out.append(message, start, end - start);
        start = end;
    }
    return out;
}

// One accepted connection of a ScriptedServer, with bounded reads.
class ScriptConn {
public:
    explicit ScriptConn(int fd) : fd_(fd) {}
    // False when the client went away.
    bool Send(const std::string& text) {
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
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
    // Whether the client has sent more already (a command waits behind the one read).
    bool Waiting() {
        if (buf_.find("\r\n") != std::string::npos) return true;
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, 0) > 0;
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
    // Makes the end of the session a reset (RST) instead of an orderly close.
    void Reset() {
        const linger hard{1, 0};
        setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    // Sends `text` a byte at a time, `gap` apart, while the client listens; false when it
    // went away.
    bool Trickle(const std::string& text, std::chrono::milliseconds gap) {
        for (char c : text) {
            if (send(fd_, &c, 1, MSG_NOSIGNAL) != 1) return false;
            std::this_thread::sleep_for(gap);
        }
        return true;
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

}  // namespace nettest
