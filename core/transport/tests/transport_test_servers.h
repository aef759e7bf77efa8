#pragma once
// Servers for the transport tests, all on loopback and owned by the test process:
//  - the scripted server and the aiosmtpd server of the network layer's tests
//    (nettest::ScriptedServer, nettest::SpawnedSmtpServer), reused as they stand;
//  - DovecotServer: the network layer's servers/pop3_server.sh, a real Dovecot with POP3 and POP3S on free
//    ports, started at its first use in the process and stopped with the process. A user
//    it is given can log in as soon as AddUser returns.

#include "platform/netssl/tests/net_test_servers.h"

#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>

namespace transporttest {

class DovecotServer {
public:
    DovecotServer()
        : child_({"/bin/bash", nettest::ServerScript("pop3_server.sh")},
                 {.readOutput = true, .stopSignal = 0, .grace = std::chrono::seconds(10)}) {
        const std::string text = child_.FirstLine(std::chrono::seconds(30));  // "PORT <pop3> <pop3s> <folder>"
        std::istringstream words(text);
        std::string tag;
        words >> tag >> pop3_ >> pop3s_ >> base_;
        if (tag != "PORT" || pop3_ <= 0 || pop3s_ <= 0 || base_.empty()) {
            child_.Stop();
            throw std::runtime_error("the POP3 test server did not start: " + text);
        }
    }

    int pop3Port() const { return pop3_; }
    int pop3sPort() const { return pop3s_; }

    // A new mailbox with its login; returns the user name (unique in this server).
    std::string AddUser(const std::string& password) {
        const std::string user = "user" + std::to_string(++users_);
        const std::filesystem::path home = base_ / "mail" / user;
        for (const char* sub : {"", "/Maildir", "/Maildir/new", "/Maildir/cur", "/Maildir/tmp"}) {
            const std::string dir = home.string() + sub;
            mkdir(dir.c_str(), 0700);
            Own(dir);
        }
        std::ofstream(base_ / "passwd", std::ios::app)
            << user << ":{PLAIN}" << password << ":65534:65534::" << home.string() << "::\n";
        // Dovecot looks at the passwd-file at most once a second (of the wall clock): a
        // login in the second of this change might not see the new user yet.
        const std::time_t written = std::time(nullptr);
        while (std::time(nullptr) <= written) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return user;
    }
    // Delivers `message` (bytes as stored, CR LF lines) into the user's new mail.
    void AddMessage(const std::string& user, const std::string& message) {
        const std::filesystem::path maildir = base_ / "mail" / user / "Maildir";
        const std::string name = std::to_string(++messages_) + ".test.eml";
        std::ofstream(maildir / "tmp" / name, std::ios::binary) << message;
        Own((maildir / "tmp" / name).string());
        std::filesystem::rename(maildir / "tmp" / name, maildir / "new" / name);
    }

private:
    static void Own(const std::string& path) {
        if (chown(path.c_str(), 65534, 65534) != 0) throw std::runtime_error("chown failed: " + path);
    }

    nettest::ChildProcess child_;
    int pop3_ = 0, pop3s_ = 0;
    std::filesystem::path base_;
    int users_ = 0, messages_ = 0;
};

// The Dovecot of this test process, started at the first call.
inline DovecotServer& SharedDovecot() {
    static DovecotServer server;
    return server;
}

}  // namespace transporttest
