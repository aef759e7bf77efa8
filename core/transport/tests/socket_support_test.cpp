#include "core/transport/socket_support.h"

#include "transport_test_servers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using nettest::ScriptConn;
using nettest::ScriptedServer;

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(SocketSupportLines, CutOffOneLineCases) {
    struct Case {
        const char* buffer;
        bool takeRest;
        int length;
        const char* line;
        const char* rest;
    } cases[] = {
        {"abc\r\nnext", false, 3, "abc", "next"},
        {"abc\nnext", false, 3, "abc", "next"},
        {"abc\r\r\n\nnext", false, 3, "abc", "\nnext"},  // trailing CRs cut, one line per LF
        {"\r\nx", false, 0, "", "x"},
        {"a\rb\nc", false, 3, "a\rb", "c"},              // a CR inside the line stays
        {"no end", false, -1, "", "no end"},
        {"no end\r", true, 6, "no end", ""},
        {"", true, 0, "", ""},
    };
    for (const Case& c : cases) {
        std::string buffer = c.buffer, line = "old";
        EXPECT_EQ(SocketSupport::CutOffOneLine(buffer, line, c.takeRest), c.length) << c.buffer;
        EXPECT_EQ(line, c.line) << c.buffer;
        EXPECT_EQ(buffer, c.rest) << c.buffer;
    }
    EXPECT_EQ(SocketSupport::FindCRorLF("ab\r\ncd"), 4u);
    EXPECT_EQ(SocketSupport::FindCRorLF("ab\rcd"), 0u);
}

// Lines that arrive a byte at a time come out one per call; the unfinished tail stays in
// the line buffer when the peer closes.
TEST(SocketSupportServer, GetLineOverOneByteChunks) {
    ScriptedServer server([](ScriptConn& conn) {
        for (char c : std::string("a\r\nb\nc")) {
            conn.Send(std::string(1, c));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    SocketSupport sock;
    ASSERT_EQ(sock.Connect("127.0.0.1", server.port(), 5000), 1);
    sock.SetTimeOutTime(5000);
    std::string out;
    EXPECT_EQ(sock.GetLine(out), 3);
    EXPECT_EQ(sock.GetLine(out), 3);
    EXPECT_EQ(out, "a\r\nb\r\n");
    EXPECT_EQ(sock.GetLine(out), 0);
    EXPECT_EQ(sock.GetLineBuffer(), "c");
}

TEST(SocketSupportServer, NulBecomesBlankAndBlocksAreSentWhole) {
    std::string received;
    const std::string big(3 << 20, 'x');  // larger than any socket buffer
    {
        ScriptedServer server([&](ScriptConn& conn) {
            conn.Send(std::string("1\0002\r\n", 5));
            conn.ReadLine(received);
        });
        SocketSupport sock;
        ASSERT_EQ(sock.Connect("localhost", server.port(), 5000), 1);  // by name, too
        std::string out;
        EXPECT_EQ(sock.GetLine(out, 0, 5000), 5);
        EXPECT_EQ(out, "1 2\r\n");
        std::string text = big + "\r\n";
        EXPECT_EQ(sock.SendBlock(text, 5000), static_cast<int>(big.size() + 2));
        EXPECT_TRUE(text.empty());
    }  // the server's session has ended: `received` is complete
    EXPECT_EQ(received, big);
}

TEST(SocketSupportServer, SilentPeerTimesOut) {
    ScriptedServer server([](ScriptConn& conn) { conn.WaitClose(); });
    SocketSupport sock;
    ASSERT_EQ(sock.Connect("127.0.0.1", server.port(), 5000), 1);
    EXPECT_EQ(sock.SetTimeOutTime(200), 0);
    const auto start = Clock::now();
    std::string out;
    EXPECT_EQ(sock.GetLine(out), -1);
    EXPECT_EQ(sock.GetLastError(), 10060);
    EXPECT_GE(MsSince(start), 150);
    EXPECT_LT(MsSince(start), 3000);
}

// Another thread ends a receive that has no time-out at all.
TEST(SocketSupportServer, ForceTimeoutEndsABlockingCall) {
    ScriptedServer server([](ScriptConn& conn) { conn.WaitClose(); });
    SocketSupport sock;
    ASSERT_EQ(sock.Connect("127.0.0.1", server.port(), 5000), 1);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sock.ForceTimeout();
    });
    const auto start = Clock::now();
    std::string text;
    EXPECT_EQ(sock.Receive(text), -1);
    EXPECT_EQ(sock.GetLastError(), 10060);
    EXPECT_LT(MsSince(start), 3000);
    canceller.join();
}

// A peer that never ends its line is cut off instead of filling the memory.
TEST(SocketSupportServer, EndlessLineIsRefused) {
    ScriptedServer server([](ScriptConn& conn) {
        conn.Send(std::string(SocketSupport::kMaxPendingLine + 200000, 'z'));
        conn.WaitClose();
    });
    SocketSupport sock;
    ASSERT_EQ(sock.Connect("127.0.0.1", server.port(), 5000), 1);
    std::string out;
    EXPECT_EQ(sock.GetLine(out, 0, 5000), -1);
    EXPECT_EQ(sock.GetLastError(), SocketSupport::kWsaMsgSize);
    EXPECT_TRUE(out.empty());
    sock.Close();
}

// A peer that sends a byte now and then never lets one wait run out, but the line as a
// whole must come within ten times the time-out.
TEST(SocketSupportServer, TricklingPeerTimesOutByTheLine) {
    ScriptedServer server([](ScriptConn& conn) { conn.Trickle(std::string(1000, 'x'), std::chrono::milliseconds(20)); });
    SocketSupport sock;
    ASSERT_EQ(sock.Connect("127.0.0.1", server.port(), 5000), 1);
    sock.SetTimeOutTime(250);
    const auto start = Clock::now();
    std::string out;
    EXPECT_EQ(sock.GetLine(out), -1);
    EXPECT_EQ(sock.GetLastError(), 10060);
    EXPECT_GE(MsSince(start), 2400);
    EXPECT_LT(MsSince(start), 6000);
    EXPECT_TRUE(out.empty());
    sock.Close();
}

// A reply is bounded as a whole: lines that each come within the time-out still end the
// reply once the time-out has passed since it began, unless the caller gave it a rate that
// the bytes keep up with.
TEST(SocketSupportServer, ReplyComesWholeWithinTheTimeoutOrItsRate) {
    const struct {
        const char* name;
        std::size_t bytesPerSecond;
        bool whole;
    } cases[] = {{"plain reply", 0, false}, {"answer at a sound rate", 64, true}};
    for (const auto& c : cases) {
        ScriptedServer server([](ScriptConn& conn) {
            for (int i = 0; i < 6; ++i) {
                if (!conn.Send("250-line " + std::string(100, 'x') + "\r\n")) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
            }
            conn.Send("250 end\r\n");
            conn.WaitClose();
        });
        SocketSupport sock;
        ASSERT_EQ(sock.Connect("127.0.0.1", server.port(), 5000), 1);
        sock.SetTimeOutTime(500);
        const auto start = Clock::now();
        sock.BeginReply(0, c.bytesPerSecond);
        std::string out;
        int lines = 0, n = 0;
        while ((n = sock.GetLine(out)) > 0 && ++lines < 7) {
        }
        sock.EndReply();
        if (c.whole) {
            EXPECT_EQ(lines, 7) << c.name;
        } else {
            EXPECT_EQ(n, -1) << c.name;
            EXPECT_EQ(sock.GetLastError(), 10060) << c.name;
            EXPECT_GE(MsSince(start), 450) << c.name;
            EXPECT_LT(MsSince(start), 800) << c.name;
        }
        sock.Close();
    }
}

// A caller that expects long lines (a message coming in) raises the limit for them and
// lowers it again for the replies.
TEST(SocketSupportServer, LineLimitCanBeRaisedForLongLines) {
    const std::string longLine(SocketSupport::kMaxPendingLine * 3, 'q');
    ScriptedServer server([&](ScriptConn& conn) {
        conn.Send(longLine + "\r\nshort\r\n" + longLine + "\r\n");
        conn.WaitClose();
    });
    SocketSupport sock;
    ASSERT_EQ(sock.Connect("127.0.0.1", server.port(), 5000), 1);
    sock.SetTimeOutTime(5000);
    EXPECT_EQ(sock.SetLineLimit(SocketSupport::kMaxPendingLine * 4), SocketSupport::kMaxPendingLine);
    std::string out;
    EXPECT_EQ(sock.GetLine(out), static_cast<int>(longLine.size()) + 2);
    EXPECT_EQ(out, longLine + "\r\n");
    EXPECT_EQ(sock.SetLineLimit(0), SocketSupport::kMaxPendingLine * 4);
    out.clear();
    EXPECT_EQ(sock.GetLine(out), 7);
    EXPECT_EQ(sock.GetLine(out), -1);
    EXPECT_EQ(sock.GetLastError(), SocketSupport::kWsaMsgSize);
    sock.Close();
}

TEST(SocketSupportServer, ConnectFailuresCarryWinsockNumbers) {
    SocketSupport sock;
    EXPECT_EQ(sock.Connect("127.0.0.1", nettest::ClosedPort(), 2000), 0);
    EXPECT_EQ(sock.GetLastError(), 10061);
    EXPECT_FALSE(sock.IsConnected());
    EXPECT_EQ(sock.Connect("", 25, 2000), 0);
    EXPECT_EQ(sock.GetLastError(), SocketSupport::kWsaHostNotFound);
    std::string text = "x";
    EXPECT_EQ(sock.Send(text), -1);
    EXPECT_EQ(sock.GetLastError(), SocketSupport::kWsaNotConnected);
}

}  // namespace

namespace {

// The POP3 server of the client tests starts, greets and stops with the test process.
TEST(SocketSupportServer, TalksToTheDovecotFixture) {
    auto& dovecot = transporttest::SharedDovecot();
    SocketSupport sock;
    ASSERT_EQ(sock.Connect("127.0.0.1", dovecot.pop3Port(), 5000), 1);
    sock.SetTimeOutTime(5000);
    std::string out;
    ASSERT_GT(sock.GetLine(out), 0);
    EXPECT_EQ(out.rfind("+OK", 0), 0u) << out;
    std::string quit = "QUIT\r\n";
    EXPECT_EQ(sock.SendBlock(quit), 6);
}

}  // namespace
