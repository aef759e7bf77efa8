#pragma once
// Servers for the transport tests, all on loopback and owned by the test process:
//  - the scripted server and the aiosmtpd server of the network layer's tests
//    (nettest::ScriptedServer, nettest::SpawnedSmtpServer), reused as they stand;
//  - DovecotServer: servers/pop3_server.sh, a real Dovecot with POP3 and POP3S on free
//    ports, started at its first use in the process and stopped with the process.

#include "platform/netssl/tests/net_test_servers.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace transporttest {

inline std::filesystem::path TestsDir() {
    return std::filesystem::path(OMBREL_TESTDATA).parent_path();
}

class DovecotServer {
public:
    DovecotServer() {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        std::string script = (TestsDir() / "servers/pop3_server.sh").string();
        std::vector<std::string> argv = {"/bin/bash", script};
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
            throw std::runtime_error("could not start the POP3 test server");
        }
        std::string text;  // "PORT <pop3> <pop3s> <folder>", within 30 s
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 200) > 0) {
                char buf[512];
                const ssize_t n = read(out[0], buf, sizeof buf);
                if (n <= 0) break;
                text.append(buf, static_cast<size_t>(n));
            }
        }
        close(out[0]);
        std::istringstream words(text);
        std::string tag;
        words >> tag >> pop3_ >> pop3s_ >> base_;
        if (tag != "PORT" || pop3_ <= 0 || pop3s_ <= 0 || base_.empty()) {
            Stop();
            throw std::runtime_error("the POP3 test server did not start: " + text);
        }
    }
    ~DovecotServer() { Stop(); }
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

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
    void Stop() {
        if (stdin_ >= 0) {
            close(stdin_);
            stdin_ = -1;
        }
        if (pid_ <= 0) return;
        for (int i = 0; i < 200; ++i) {  // up to 10 s to stop Dovecot and clean up
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
