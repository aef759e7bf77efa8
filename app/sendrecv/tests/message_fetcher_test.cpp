// The fetcher of a receive run when the run stops early (a cancel, or a store that cannot
// be saved): the answer it asked for ahead is not downloaded to be thrown away.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "app/sendrecv/message_fetcher.h"
#include "core/transport/my_pops.h"
#include "platform/netssl/tests/scripted_server.h"

namespace {
namespace message_fetcher_test {

using namespace netssl;

// The run is cancelled while message 1 is on its way, with the retrieval of message 2 sent
// ahead of it. The server holds message 1 until the cancel, and answers message 2 with the
// first line of a long message and then nothing, so a client that waits for that answer
// stalls. The fetcher hands over message 1 and ends; the connection goes at once instead
// of waiting for message 2.
TEST(MessageFetcher, ARunThatStopsEarlyDoesNotWaitForTheAnswerAskedForAhead) {
    std::atomic<int> cancel{0};
    std::atomic<bool> asked{false}, retrievalsTogether{false};
    nettest::ScriptedServer server([&](nettest::ScriptConn& c) {
        c.Send("+OK ready\r\n");
        std::string line;
        while (c.ReadLine(line)) {
            const std::string verb = line.substr(0, line.find(' '));
            if (verb == "USER" || verb == "PASS") c.Send("+OK\r\n");
            else if (verb == "STAT") c.Send("+OK 3 300\r\n");
            else if (verb == "CAPA") c.Send("+OK\r\nPIPELINING\r\n.\r\n");
            else if (verb == "UIDL") c.Send("+OK\r\n1 a\r\n2 b\r\n3 c\r\n.\r\n");
            else if (line == "RETR 1") {
                retrievalsTogether = c.Waiting();
                asked = true;
                for (int i = 0; i < 500 && cancel.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                c.Send("+OK\r\nSubject: one\r\n\r\nbody\r\n.\r\n");
            } else if (verb == "RETR") {
                c.Send("+OK\r\nSubject: a message of 200 MiB\r\n");
                c.WaitClose();
                return;
            } else if (verb == "QUIT") {
                c.Send("+OK bye\r\n");
                return;
            } else c.Send("-ERR unknown\r\n");
        }
    });
    CMyPOPS pop;
    pop.Init();
    PopsComponent* h = pop.GetHandle();
    POPS_Set(h, kPopsServer, 0, "127.0.0.1", 0);
    POPS_Set(h, kPopsPort, 0, server.port(), 0);
    POPS_Set(h, kPopsTimeout, 0, 3, 0);
    POPS_Set(h, kPopsUser, 0, "u", 0);
    POPS_Set(h, kPopsPassword, 0, "p", 0);
    ASSERT_EQ(POPS_Do(h, kPopsConnect), 0) << POPS_GetLastError(h);

    MessageFetcher fetcher(pop, cancel);
    fetcher.Start(1, 3, {});
    for (int i = 0; i < 500 && !asked; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(asked);
    EXPECT_TRUE(retrievalsTogether) << "RETR 2 went with RETR 1";
    cancel = 1;
    const auto start = std::chrono::steady_clock::now();
    const std::optional<MessageFetcher::Message> first = fetcher.Next();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->body, "body\r\n");
    EXPECT_FALSE(fetcher.Next().has_value());
    fetcher.Stop();
    EXPECT_EQ(POPS_Get(h, kPopsConnected, 0, nullptr), 0);
    EXPECT_EQ(POPS_Do(h, kPopsDisconnect), 0) << POPS_GetLastError(h);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
}

}  // namespace message_fetcher_test
}  // namespace
