// Throughput of the core library's own mail clients on loopback:
//  - BM_MailSendKeptConnection: MailSend sending 5 KB messages over one kept connection
//    to Postfix's smtp-sink (messages per second; each message is built, converted to
//    ISO-2022-JP and dot-stuffed anew, as Send does);
//  - BM_MailPopRetr: MailPop retrieving a 4 MB message of 76-byte lines from a minimal
//    in-process POP3 server (bytes per second: the line socket's cutting and unstuffing).

#include <benchmark/benchmark.h>

#include <string>

#include "core/transport/mail_pop.h"
#include "core/transport/mail_send.h"
#include "platform/netssl/tests/scripted_server.h"
#include "smtp_sink.h"

namespace {

void BM_MailSendKeptConnection(benchmark::State& state) {
    SmtpSink sink;
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
    explicit PopServer(const std::string& message)
        : stuffed_(nettest::DotStuffed(message)), size_(std::to_string(message.size())),
          server_([this](nettest::ScriptConn& c) { Session(c); }) {}
    int port() const { return server_.port(); }

private:
    void Session(nettest::ScriptConn& c) {
        c.Send("+OK ready\r\n");
        std::string cmd;
        while (c.ReadLine(cmd)) {
            if (cmd == "STAT") c.Send("+OK 1 " + size_ + "\r\n");
            else if (cmd == "LIST") c.Send("+OK\r\n1 " + size_ + "\r\n.\r\n");
            else if (cmd == "UIDL") c.Send("+OK\r\n1 uid1\r\n.\r\n");
            else if (cmd == "RETR 1") c.Send("+OK\r\n" + stuffed_ + ".\r\n");
            else c.Send("+OK\r\n");
            if (cmd == "QUIT") return;
        }
    }

    const std::string stuffed_, size_;
    nettest::ScriptedServer server_;  // last: its thread uses the members above
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
