#pragma once
// Servers for the HTTP tests, on loopback and owned by the test process:
//  - HttpOriginServer: a small HTTP server of the tests' own (a ScriptedServer that reads
//    each request and answers with the raw text a handler writes), keeping every request
//    it saw;
//  - SpawnedProxy: servers/proxy_server.sh, a real tinyproxy on a free port, with Basic
//    authentication when a user is given;
//  - SpawnedHttpsServer: servers/https_server.py, an HTTPS server on a free port.
// The spawned ones stop when their object goes (or when the test process dies: their
// stdin closes).

#include "platform/netssl/tests/net_test_servers.h"

#include <strings.h>

#include <mutex>

namespace nettest {

struct HttpRequest {
    std::string line;  // "GET /path HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;

    std::string Header(const std::string& name) const {
        for (const auto& h : headers) {
            if (strcasecmp(h.first.c_str(), name.c_str()) == 0) return h.second;
        }
        return std::string();
    }
};

// Reads a request line and its headers up to the blank line; false when the client went.
inline bool ReadHttpRequest(ScriptConn& conn, HttpRequest& request) {
    request = HttpRequest{};
    if (!conn.ReadLine(request.line)) return false;
    std::string line;
    for (int n = 0; n < 200; ++n) {
        if (!conn.ReadLine(line)) return false;
        if (line.empty()) return true;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const size_t value = line.find_first_not_of(' ', colon + 1);
        request.headers.emplace_back(line.substr(0, colon), value == std::string::npos ? "" : line.substr(value));
    }
    return false;
}

class HttpOriginServer {
public:
    using Handler = std::function<std::string(const HttpRequest&)>;

    explicit HttpOriginServer(Handler handler)
        : handler_(std::move(handler)), server_([this](ScriptConn& conn) {
              HttpRequest request;
              if (!ReadHttpRequest(conn, request)) return;
              {
                  std::lock_guard<std::mutex> lock(mutex_);
                  requests_.push_back(request);
              }
              conn.Send(handler_(request));
          }) {}

    int port() const { return server_.port(); }
    std::vector<HttpRequest> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    Handler handler_;
    mutable std::mutex mutex_;
    std::vector<HttpRequest> requests_;
    ScriptedServer server_;  // last: its thread uses the members above
};

// A server script run as a child: it prints "PORT <n>" once it listens and stops when its
// standard input closes (this object going, or the test process dying).
class SpawnedScript {
public:
    explicit SpawnedScript(std::vector<std::string> argv) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
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
            throw std::runtime_error("could not start " + argv[1]);
        }
        std::string text;  // "PORT <n>", within 20 s
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
            throw std::runtime_error("the test server did not start: " + text);
        }
        port_ = std::stoi(text.substr(5));
    }
    ~SpawnedScript() { Stop(); }
    SpawnedScript(const SpawnedScript&) = delete;
    SpawnedScript& operator=(const SpawnedScript&) = delete;

    int port() const { return port_; }

private:
    void Stop() {
        if (stdin_ >= 0) {
            close(stdin_);
            stdin_ = -1;
        }
        if (pid_ <= 0) return;
        for (int i = 0; i < 200; ++i) {  // up to 10 s to stop and clean up
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

    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

// tinyproxy; with a user, it asks for Basic authentication with that user and password.
class SpawnedProxy : public SpawnedScript {
public:
    explicit SpawnedProxy(const std::string& user = "", const std::string& password = "")
        : SpawnedScript(Args(user, password)) {}

private:
    static std::vector<std::string> Args(const std::string& user, const std::string& password) {
        std::vector<std::string> argv = {"/bin/bash", std::string(OMBREL_NET_TEST_SERVERS) + "/proxy_server.sh"};
        if (!user.empty()) {
            argv.push_back(user);
            argv.push_back(password);
        }
        return argv;
    }
};

// servers/https_server.py with a certificate of MakeTestCertificate.
class SpawnedHttpsServer : public SpawnedScript {
public:
    explicit SpawnedHttpsServer(const Certificate& cert)
        : SpawnedScript({"/usr/bin/python3", std::string(OMBREL_NET_TEST_SERVERS) + "/https_server.py", "--cert",
                         cert.certFile, "--key", cert.keyFile}) {}
};

}  // namespace nettest
