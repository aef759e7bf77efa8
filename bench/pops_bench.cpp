// Throughput of the POP3 component under CMyPOPS on loopback, against a minimal
// in-process POP3 server:
//  - BM_PopsListUids: ListMessageUIDs over a mailbox of 50,000 kept messages (one UIDL
//    listing, then the id of each message selected in turn, as the receive run does);
//  - BM_PopsRetrieve: the text of a 4 MB message of 76-byte lines (bytes per second: the
//    transport's line cutting and the unstuffing).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/foundation/log_writer.h"
#include "core/transport/my_pops.h"
#include "platform/netssl/tests/scripted_server.h"

namespace {

constexpr int kMessages = 50000;

// Answers every connection, one after the other, until the object goes.
class MiniPopServer {
public:
    MiniPopServer() : uidl_(Uidl()), message_(Message()), server_([this](nettest::ScriptConn& c) { Session(c); }) {}
    int port() const { return server_.port(); }

private:
    static std::string Uidl() {
        std::string uidl;
        for (int n = 1; n <= kMessages; ++n) uidl += std::to_string(n) + " 00000000" + std::to_string(4000000 + n) + "\r\n";
        return uidl + ".\r\n";
    }
    static std::string Message() {
        std::string line(74, 'x');
        line[0] = '.';  // every line needs its stuffing removed
        std::string message = "Subject: big\r\n\r\n";
        while (message.size() < (4u << 20)) message += "." + line + "\r\n";
        return message + ".\r\n";
    }
    void Session(nettest::ScriptConn& c) {
        c.Send("+OK ready\r\n");
        std::string cmd;
        while (c.ReadLine(cmd)) {
            if (cmd == "STAT") c.Send("+OK " + std::to_string(kMessages) + " 1000\r\n");
            else if (cmd == "UIDL") c.Send("+OK\r\n" + uidl_);
            else if (cmd.rfind("RETR", 0) == 0) c.Send("+OK\r\n" + message_);
            else if (cmd == "QUIT") {
                c.Send("+OK\r\n");
                return;
            } else c.Send("+OK\r\n");
        }
    }

    const std::string uidl_, message_;
    nettest::ScriptedServer server_;  // last: its thread uses the members above
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
