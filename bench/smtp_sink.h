#pragma once
// Postfix's smtp-sink on a free port while the object lives, for the benchmarks that send
// mail over SMTP. It comes with Debian's postfix package; port() is 0 when it is missing
// or did not start, and the benchmark then reports why it is skipped.

#include "platform/netssl/tests/test_process.h"

#include <arpa/inet.h>

#include <optional>

// The path of one of the system's programs; empty when none of the usual folders has it.
inline std::string SystemProgram(const char* name) {
    for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/usr/local/sbin/"}) {
        const std::string p = std::string(dir) + name;
        if (access(p.c_str(), X_OK) == 0) return p;
    }
    return std::string();
}

class SmtpSink {
public:
    struct Options {
        std::string host = "127.0.0.1";   // the IPv4 address it listens on
        int port = 0;                      // 0: a free loopback port
        std::vector<std::string> flags;    // more of smtp-sink's options ("-p": no PIPELINING)
        std::vector<std::string> prefix;   // a command it runs under ("ip netns exec NAME")
    };

    SmtpSink() : SmtpSink(Options{}) {}
    explicit SmtpSink(const Options& o) : host_(o.host) {
        const std::string sink = SystemProgram("smtp-sink");
        if (sink.empty()) return;
        const int port = o.port != 0 ? o.port : nettest::FreePort();
        std::vector<std::string> argv = o.prefix;
        argv.push_back(sink);
        if (geteuid() == 0) argv.insert(argv.end(), {"-u", "nobody"});
        argv.insert(argv.end(), o.flags.begin(), o.flags.end());
        argv.insert(argv.end(), {o.host + ":" + std::to_string(port), "64"});
        try {
            // smtp-sink does not watch its input: it is ended with SIGTERM.
            child_.emplace(argv, nettest::ChildProcess::Options{.readOutput = false, .stopSignal = SIGTERM,
                                                                .grace = std::chrono::seconds(10)});
        } catch (const std::runtime_error&) {
            return;
        }
        for (int i = 0; i < 100 && !Accepts(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (Accepts(port)) port_ = port;
    }

    const std::string& host() const { return host_; }
    int port() const { return port_; }

private:
    bool Accepts(int port) const {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, host_.c_str(), &a.sin_addr);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(fd);
        return ok;
    }

    std::string host_;
    std::optional<nettest::ChildProcess> child_;
    int port_ = 0;
};
