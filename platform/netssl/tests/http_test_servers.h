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

// tinyproxy; with a user, it asks for Basic authentication with that user and password.
class SpawnedProxy : public SpawnedScript {
public:
    explicit SpawnedProxy(const std::string& user = "", const std::string& password = "")
        : SpawnedScript(Args(user, password)) {}

private:
    static std::vector<std::string> Args(const std::string& user, const std::string& password) {
        std::vector<std::string> argv = {"/bin/bash", ServerScript("proxy_server.sh")};
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
        : SpawnedScript({"/usr/bin/python3", ServerScript("https_server.py"), "--cert", cert.certFile, "--key",
                         cert.keyFile}) {}
};

}  // namespace nettest
