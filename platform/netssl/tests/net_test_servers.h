#pragma once
// Servers for the network tests, all on loopback and all owned by the test process:
//  - ScriptedServer (scripted_server.h): sessions written in the test;
//  - SpawnedScript: a server script of servers/ run as a child on a free port;
//  - SpawnedSmtpServer: the aiosmtpd server of servers/smtp_server.py;
//  - MakeTestCertificate: a self-signed certificate for localhost and 127.0.0.1, made
//    with the openssl command.
// The spawned servers stop when their object goes (or when the test process dies: their
// stdin closes).

#include "platform/netssl/tests/scripted_server.h"
#include "platform/netssl/tests/test_process.h"

#include <cstdio>

namespace nettest {

#ifndef OMBREL_NET_TEST_SERVERS
#error "OMBREL_NET_TEST_SERVERS must name the folder of the test server scripts"
#endif

// The path of a server script of servers/.
inline std::string ServerScript(const char* name) { return std::string(OMBREL_NET_TEST_SERVERS) + "/" + name; }

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

// A server script run as a child: it prints "PORT <n>" once it listens (within 20 s) and
// stops when its standard input closes; `grace` is its time to stop and clean up.
class SpawnedScript {
public:
    explicit SpawnedScript(std::vector<std::string> argv,
                           std::chrono::milliseconds grace = std::chrono::seconds(10))
        : child_(std::move(argv), {.readOutput = true, .stopSignal = 0, .grace = grace}) {
        const std::string text = child_.FirstLine(std::chrono::seconds(20));
        if (text.rfind("PORT ", 0) != 0) {
            child_.Stop();
            throw std::runtime_error("the test server did not start: " + text);
        }
        port_ = std::stoi(text.substr(5));
    }

    int port() const { return port_; }

private:
    ChildProcess child_;
    int port_ = 0;
};

// aiosmtpd, saving what it receives into a folder of its own.
class SpawnedSmtpServer {
public:
    // `extra` are further arguments of smtp_server.py (--tls, --cert, --key, --user ...).
    explicit SpawnedSmtpServer(std::vector<std::string> extra = {}) : server_(Args(out_, std::move(extra)), std::chrono::seconds(5)) {}

    int port() const { return server_.port(); }
    const std::filesystem::path& out() const { return out_.path(); }
    // The n-th message received (from 1): its bytes, and its envelope lines.
    std::string Message(int n) const { return ReadFile(out() / Name(n, ".eml")); }
    std::string Envelope(int n) const { return ReadFile(out() / Name(n, ".env")); }
    std::string AuthLog() const { return ReadFile(out() / "auth.log"); }

private:
    static std::vector<std::string> Args(const TempDir& out, std::vector<std::string> extra) {
        std::vector<std::string> argv = {"/usr/bin/python3", ServerScript("smtp_server.py"), "--out",
                                         out.path().string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return argv;
    }
    static std::string Name(int n, const char* ext) {
        char buf[32];
        snprintf(buf, sizeof buf, "%04d%s", n, ext);
        return buf;
    }

    TempDir out_;           // first: the server writes into it until it stops
    SpawnedScript server_;
};

}  // namespace nettest
