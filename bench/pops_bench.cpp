// Throughput of the POP3 component under CMyPOPS on loopback, against a minimal
// in-process POP3 server:
//  - BM_PopsListUids: ListMessageUIDs over a mailbox of 50,000 kept messages (one UIDL
//    listing, then the id of each message selected in turn, as the receive run does);
//  - BM_PopsRetrieve: the text of a 4 MB message of 76-byte lines (bytes per second: the
//    transport's line cutting and the unstuffing).

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "core/foundation/log_writer.h"
#include "core/transport/my_pops.h"

namespace {

constexpr int kMessages = 50000;

// Answers every connection from its own thread until the object goes.
class MiniPopServer {
public:
    MiniPopServer() {
        for (int n = 1; n <= kMessages; ++n) uidl_ += std::to_string(n) + " 00000000" + std::to_string(4000000 + n) + "\r\n";
        uidl_ += ".\r\n";
        std::string line(74, 'x');
        line[0] = '.';  // every line needs its stuffing removed
        message_ = "Subject: big\r\n\r\n";
        while (message_.size() < (4u << 20)) message_ += "." + line + "\r\n";
        message_ += ".\r\n";
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listen_, 8);
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~MiniPopServer() {
        stop_ = true;
        thread_.join();
        close(listen_);
    }
    int port() const { return port_; }

private:
    void Run() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) Session(fd);
        }
    }
    static void Send(int fd, const std::string& s) {
        for (size_t done = 0; done < s.size();) {
            const ssize_t n = send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    void Session(int fd) {
        Send(fd, "+OK ready\r\n");
        std::string in;
        char buf[4096];
        for (;;) {
            const size_t nl = in.find("\r\n");
            if (nl == std::string::npos) {
                const ssize_t n = recv(fd, buf, sizeof buf, 0);
                if (n <= 0) break;
                in.append(buf, static_cast<size_t>(n));
                continue;
            }
            const std::string cmd = in.substr(0, nl);
            in.erase(0, nl + 2);
            if (cmd == "STAT") Send(fd, "+OK " + std::to_string(kMessages) + " 1000\r\n");
            else if (cmd == "UIDL") Send(fd, "+OK\r\n" + uidl_);
            else if (cmd.rfind("RETR", 0) == 0) Send(fd, "+OK\r\n" + message_);
            else if (cmd == "QUIT") {
                Send(fd, "+OK\r\n");
                break;
            } else Send(fd, "+OK\r\n");
        }
        close(fd);
    }

    std::string uidl_, message_;
    int listen_ = -1, port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct LogFolder {
    LogFolder() {
        std::string t = (std::filesystem::temp_directory_path() / "pops-bench-XXXXXX").string();
        if (mkdtemp(t.data())) path = t;
        LogWriter::SetLogFolderForTesting(path + "/");
    }
    ~LogFolder() {
        LogWriter::SetLogFolderForTesting("");
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

bool Login(CMyPOPS& client, int port) {
    auto* h = client.GetHandle();
    POPS_Set(h, netssl::kPopsServer, 0, "127.0.0.1", 0);
    POPS_Set(h, netssl::kPopsPort, 0, port, 0);
    POPS_Set(h, netssl::kPopsUser, 0, "u", 0);
    POPS_Set(h, netssl::kPopsPassword, 0, "p", 0);
    return POPS_Do(h, netssl::kPopsConnect) == 0;
}

void BM_PopsListUids(benchmark::State& state) {
    LogFolder logs;
    MiniPopServer server;
    for (auto _ : state) {
        CMyPOPS client;
        if (!Login(client, server.port()) || client.ListMessageUIDs() != 0 ||
            client.GetUidList().size() != static_cast<size_t>(kMessages)) {
            state.SkipWithError("listing failed");
            break;
        }
        POPS_Do(client.GetHandle(), netssl::kPopsDisconnect);
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}
BENCHMARK(BM_PopsListUids)->Unit(benchmark::kMillisecond);

void BM_PopsRetrieve(benchmark::State& state) {
    LogFolder logs;
    MiniPopServer server;
    CMyPOPS client;
    if (!Login(client, server.port())) {
        state.SkipWithError("login failed");
        return;
    }
    auto* h = client.GetHandle();
    size_t bytes = 0;
    int n = 0;
    for (auto _ : state) {
        POPS_Set(h, netssl::kPopsMessageNumber, 0, ++n % kMessages + 1, 0);
        bytes += POPS_GetText(h, netssl::kPopsMessageText, 0).size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PopsRetrieve)->Unit(benchmark::kMillisecond);

}  // namespace
