// Throughput of the core library's own mail clients on loopback:
//  - BM_MailSendKeptConnection: MailSend sending 5 KB messages over one kept connection
//    to Postfix's smtp-sink (messages per second; each message is built, converted to
//    ISO-2022-JP and dot-stuffed anew, as Send does);
//  - BM_MailPopRetr: MailPop retrieving a 4 MB message of 76-byte lines from a minimal
//    in-process POP3 server (bytes per second: the line socket's cutting and unstuffing).

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/transport/mail_pop.h"
#include "core/transport/mail_send.h"

extern char** environ;

namespace {

int ListenLoopback(int& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

// Postfix's smtp-sink on a free loopback port while the object lives.
class Sink {
public:
    Sink() {
        std::string sink;
        for (const char* dir : {"/usr/sbin/", "/usr/bin/"}) {
            if (access((std::string(dir) + "smtp-sink").c_str(), X_OK) == 0) sink = std::string(dir) + "smtp-sink";
        }
        if (sink.empty()) return;
        int port = 0;
        const int probe = ListenLoopback(port);
        close(probe);
        std::vector<std::string> argv = {sink};
        if (geteuid() == 0) argv.insert(argv.end(), {"-u", "nobody"});
        argv.insert(argv.end(), {"127.0.0.1:" + std::to_string(port), "64"});
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), environ) != 0) return;
        for (int i = 0; i < 100 && !Accepts(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (Accepts(port)) port_ = port;
    }
    ~Sink() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

void BM_MailSendKeptConnection(benchmark::State& state) {
    Sink sink;
    if (sink.port() == 0) {
        state.SkipWithError("postfix's smtp-sink is needed");
        return;
    }
    std::string body;
    const std::string line(74, 'x');
    while (body.size() < 5 * 1024) body += line + "\r\n";
    MailSend mail;
    mail.SetContCountMax(1 << 30);
    mail.SetTimeOutTime(10000);
    mail.SetSmtpHost("127.0.0.1", sink.port());
    mail.SetSenderAddr("from@example.com");
    for (auto _ : state) {
        mail.SetRecipient("to@example.com");
        mail.SetHeader("Subject: benchmark");
        mail.SetBody(body);
        if (mail.Send() != 1) {
            state.SkipWithError("send failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}

// Answers USER, PASS, STAT, LIST, UIDL and RETR 1 with one prepared message, forever.
class PopServer {
public:
    explicit PopServer(const std::string& message) {
        listen_ = ListenLoopback(port_);
        for (size_t pos = 0; pos < message.size();) {  // dot-stuffed as a server sends it
            const size_t end = message.find("\r\n", pos);
            if (message[pos] == '.') stuffed_ += '.';
            stuffed_.append(message, pos, end + 2 - pos);
            pos = end + 2;
        }
        size_ = message.size();
        thread_ = std::thread([this] { Run(); });
    }
    ~PopServer() {
        stop_ = true;
        shutdown(listen_, SHUT_RDWR);
        thread_.join();
        close(listen_);
    }
    int port() const { return port_; }

private:
    static void SendAll(int fd, const std::string& text) {
        for (size_t done = 0; done < text.size();) {
            const ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    void Run() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            SendAll(fd, "+OK ready\r\n");
            std::string in;
            char buf[4096];
            for (;;) {
                const ssize_t n = recv(fd, buf, sizeof buf, 0);
                if (n <= 0) break;
                in.append(buf, static_cast<size_t>(n));
                size_t nl;
                bool quit = false;
                while ((nl = in.find("\r\n")) != std::string::npos) {
                    const std::string cmd = in.substr(0, nl);
                    in.erase(0, nl + 2);
                    const std::string size = std::to_string(size_);
                    if (cmd == "STAT") SendAll(fd, "+OK 1 " + size + "\r\n");
                    else if (cmd == "LIST") SendAll(fd, "+OK\r\n1 " + size + "\r\n.\r\n");
                    else if (cmd == "UIDL") SendAll(fd, "+OK\r\n1 uid1\r\n.\r\n");
                    else if (cmd == "RETR 1") SendAll(fd, "+OK\r\n" + stuffed_ + ".\r\n");
                    else SendAll(fd, "+OK\r\n");
                    if (cmd == "QUIT") quit = true;
                }
                if (quit) break;
            }
            close(fd);
        }
    }

    int listen_ = -1;
    int port_ = 0;
    std::string stuffed_;
    size_t size_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void BM_MailPopRetr(benchmark::State& state) {
    std::string message = "Subject: benchmark\r\n\r\n";
    const std::string line(74, 'y');
    for (int i = 0; message.size() < (4u << 20); ++i) message += (i % 50 == 0 ? "." : "") + line + "\r\n";
    PopServer server(message);
    MailPop pop;
    pop.SetTimeOutTime(10000);
    if (!pop.PopLogin("u", "p", "127.0.0.1", server.port(), 0) || !pop.PopListUidl()) {
        state.SkipWithError("login failed");
        return;
    }
    std::string mail;
    for (auto _ : state) {
        if (!pop.PopRetr(1, mail) || mail.size() != message.size()) {
            state.SkipWithError("retrieval failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(message.size()));
}

BENCHMARK(BM_MailSendKeptConnection)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MailPopRetr)->Unit(benchmark::kMillisecond);

}  // namespace
