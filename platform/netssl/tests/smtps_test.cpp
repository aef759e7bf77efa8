#include "platform/netssl/smtps.h"

#include "platform/netssl/tests/net_test_servers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

// The tests name the network layer's calls unqualified. The directive stays in this file's
// namespace, so that it reaches no file a unity build puts after this one.
namespace smtps_test {
using namespace netssl;
using nettest::ScriptConn;
using nettest::ScriptedServer;
using nettest::SpawnedSmtpServer;

namespace {

// The owner of a component: keeps every event it gets.
class SmtpsRecorder : public SMTPS {
public:
    SmtpsRecorder() : h(SMTPS_Create(this, &SMTPS::Dispatch)) {}
    ~SmtpsRecorder() override { SMTPS_Destroy(h); }
    int FirePITrail(int direction, const std::string& text) override {
        trail.push_back(std::to_string(direction) + ":" + text);
        return 0;
    }
    int FireSSLStatus(const std::string& text) override {
        ssl.push_back(text);
        return 0;
    }
    bool TrailHas(const std::string& line) const {
        return std::find(trail.begin(), trail.end(), line) != trail.end();
    }
    void Server(int port, const char* host = "127.0.0.1") {
        SMTPS_Set(h, kSmtpsServer, 0, host, 0);
        SMTPS_Set(h, kSmtpsPort, 0, port, 0);
    }
    void Message(const std::string& from, const std::string& to, const std::string& text) {
        SMTPS_Set(h, kSmtpsFrom, 0, from.c_str(), 0);
        SMTPS_Set(h, kSmtpsTo, 0, to.c_str(), 0);
        SMTPS_Set(h, kSmtpsHeaderText, 0, text.c_str(), static_cast<int>(text.size()));
        SMTPS_Set(h, kSmtpsMessageText, 0, "", 0);
    }

    SmtpsComponent* h;
    std::vector<std::string> trail, ssl;
};

// A plain SMTP dialogue for scripted servers: greeting, EHLO with `ehlo` lines.
void Greet(ScriptConn& c, const std::string& ehloLines) {
    c.Send("220 scripted ESMTP\r\n");
    std::string line;
    c.ReadLine(line);
    c.Send(ehloLines);
}

}  // namespace

// What the send session hands over reaches the server unchanged: envelope from the
// bare addresses, headers from the properties, the header text with its body (stuffed on
// the wire, unstuffed by the server), ISO-2022-JP bytes intact.
TEST(Smtps, PlainSendDeliversEnvelopeAndMessageExactly) {
    SpawnedSmtpServer server;
    SmtpsRecorder r;
    r.Server(server.port());
    SMTPS_Do(r.h, kSmtpsConfigure, "Hello=client.test");
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 1);

    const std::string jis = "\x1b$B$3$s$K$A$O\x1b(B";  // "こんにちは" in ISO-2022-JP
    const std::string body = ".leading dot\r\n.\r\n" + jis + "\r\nlast";
    const std::string headerText = "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"ISO-2022-JP\"\r\n"
                                   "Subject: test\r\n\r\n" + body;
    // A long encoded name comes folded from the header encoder: the fold must pass.
    const std::string to = "=?ISO-2022-JP?B?GyRCOjRGIxsoQg==?=\r\n\t=?ISO-2022-JP?B?GyRCOjRGIxsoQg==?= <to@example.jp>";
    r.Message("\"Sato, Ichiro\" <sender@example.jp>", to, headerText);
    SMTPS_Set(r.h, kSmtpsCc, 0, "cc@example.jp", 0);
    SMTPS_Set(r.h, kSmtpsDate, 0, "Wed, 9 Dec 2026 20:00:00 +0900", 0);
    SMTPS_Set(r.h, kSmtpsMessageId, 0, "<1.2@example.jp>", 0);
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSend), 0) << SMTPS_GetLastError(r.h);

    EXPECT_EQ(server.Envelope(1), "sender@example.jp\nto@example.jp\ncc@example.jp\n");
    EXPECT_EQ(server.Message(1),
              "From: \"Sato, Ichiro\" <sender@example.jp>\r\n"
              "To: " + to + "\r\n"
              "Cc: cc@example.jp\r\n"
              "Date: Wed, 9 Dec 2026 20:00:00 +0900\r\n"
              "Message-ID: <1.2@example.jp>\r\n"
              "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"ISO-2022-JP\"\r\n"
              "Subject: test\r\n\r\n.leading dot\r\n.\r\n" + jis + "\r\nlast\r\n");

    // A second message over the same connection, with the body in the message text.
    r.Message("a@example.jp", "b@example.jp", "Subject: two");
    SMTPS_Set(r.h, kSmtpsCc, 0, "", 0);
    SMTPS_Set(r.h, kSmtpsMessageText, 0, "body", 0);
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSend), 0) << SMTPS_GetLastError(r.h);
    EXPECT_EQ(server.Message(2),
              "From: a@example.jp\r\nTo: b@example.jp\r\nDate: Wed, 9 Dec 2026 20:00:00 +0900\r\n"
              "Message-ID: <1.2@example.jp>\r\nSubject: two\r\n\r\nbody\r\n");

    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsDisconnect), 0);
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0);
    for (const char* line : {"2:Connecting to mail server.", "2:Connected.", "0:EHLO client.test",
                             "0:MAIL FROM:<sender@example.jp>", "0:RCPT TO:<cc@example.jp>", "0:DATA", "0:QUIT",
                             "2:Disconnected."}) {
        EXPECT_TRUE(r.TrailHas(line)) << line;
    }
    // The message itself is not part of the trail.
    for (const auto& t : r.trail) EXPECT_EQ(t.find("leading dot"), std::string::npos) << t;
}

// Lines that begin with a dot, lines of a dot alone and bare line ends arrive as they were
// set, with CR LF line ends: none can end the message early or smuggle a command after it.
TEST(Smtps, DotLinesAndBareLineEndsArriveAsSetAndCannotEndTheMessage) {
    SpawnedSmtpServer server;
    SmtpsRecorder r;
    r.Server(server.port());
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
    struct Case {
        const char* body;
        const char* arrives;
    } cases[] = {
        {"", ""},
        {".", ".\r\n"},
        {".a\r\n.b\r\n", ".a\r\n.b\r\n"},
        {"a.\r\n..\r\n.", "a.\r\n..\r\n.\r\n"},
        {"a\r\n.\r\nb", "a\r\n.\r\nb\r\n"},
        {"a\n.b\r.c", "a\r\n.b\r\n.c\r\n"},
        {"no dots. here", "no dots. here\r\n"},
        {"line\n.\nRSET\r.\r\nend\r\n.", "line\r\n.\r\nRSET\r\n.\r\nend\r\n.\r\n"},
        {"\r\r\n\n\r", "\r\n\r\n\r\n\r\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        r.Message("a@example.jp", "b@example.jp", std::string("Subject: x\r\n\r\n") + c.body);
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSend), 0) << SMTPS_GetLastError(r.h);
        EXPECT_EQ(server.Message(++n),
                  std::string("From: a@example.jp\r\nTo: b@example.jp\r\nSubject: x\r\n\r\n") + c.arrives);
    }
}

// A server that offers PIPELINING gets each envelope (MAIL, RCPT, DATA) as one group, and
// the next envelope right after the end of data, before its reply: the server reads every
// group whole before it answers anything, so a client that waited for a reply would stall
// here. Replies are taken in order: a refused RCPT fails that message (no data goes out,
// RSET leads the next group), a refused end of data fails its own, the trail shows the
// wire's order.
TEST(Smtps, PipelinedEnvelopesTravelTogetherAndRepliesAreReadInOrder) {
    std::vector<std::string> data;
    std::string problem;
    ScriptedServer server([&](ScriptConn& c) {
        const auto group = [&](std::vector<std::string> expected) {
            for (const std::string& e : expected) {
                std::string line;
                if (!c.ReadLine(line) || line != e) problem += "expected " + e + ", got " + line + "; ";
            }
        };
        const auto message = [&] {
            std::string d;
            if (!c.ReadData(d)) problem += "no data; ";
            data.push_back(d);
        };
        std::string line;
        c.Send("220 scripted\r\n");
        c.ReadLine(line);
        c.Send("250-scripted\r\n250-PIPELINING\r\n250 8BITMIME\r\n");
        group({"MAIL FROM:<a@example.jp>", "RCPT TO:<one@example.jp>", "DATA"});
        c.Send("250 ok\r\n250 ok\r\n354 go\r\n");
        message();
        group({"MAIL FROM:<a@example.jp>", "RCPT TO:<bad@example.jp>", "DATA"});
        c.Send("250 queued 1\r\n250 ok\r\n550 5.1.1 no such user\r\n554 5.5.1 no valid recipients\r\n");
        group({"RSET", "MAIL FROM:<a@example.jp>", "RCPT TO:<two@example.jp>", "DATA"});
        c.Send("250 reset\r\n250 ok\r\n250 ok\r\n354 go\r\n");
        message();
        group({"MAIL FROM:<a@example.jp>", "RCPT TO:<three@example.jp>", "DATA"});
        c.Send("554 5.7.1 spam\r\n250 ok\r\n250 ok\r\n354 go\r\n");
        message();
        c.Send("250 queued 3\r\n");
        if (c.ReadLine(line) && line == "QUIT") c.Send("221 bye\r\n");
    });
    SmtpsRecorder r;
    r.Server(server.port());
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsPipelining, 0, nullptr), 1);
    r.Message("a@example.jp", "one@example.jp", "Subject: 1\r\n\r\none");
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendEnvelope), 0);
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendData), 0) << SMTPS_GetLastError(r.h);
    // The next envelope goes out while the first message's reply is on its way.
    r.Message("a@example.jp", "bad@example.jp", "Subject: x\r\n\r\nnever sent");
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendEnvelope), 0);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSendData), kNetBadArgument);  // the result must be read first
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendResult), 0) << SMTPS_GetLastError(r.h);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSendData), kNetServerReply);
    EXPECT_EQ(SMTPS_GetLastError(r.h), "550 5.1.1 no such user");
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsSendStage, 0, nullptr), kSendRcptTo);
    r.Message("a@example.jp", "two@example.jp", "Subject: 2\r\n\r\ntwo");
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendEnvelope), 0);
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendData), 0) << SMTPS_GetLastError(r.h);
    r.Message("a@example.jp", "three@example.jp", "Subject: 3\r\n\r\nthree");
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendEnvelope), 0);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSendResult), kNetServerReply);
    EXPECT_EQ(SMTPS_GetLastError(r.h), "554 5.7.1 spam");
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendData), 0) << SMTPS_GetLastError(r.h);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSendResult), 0) << SMTPS_GetLastError(r.h);
    SMTPS_Do(r.h, kSmtpsDisconnect);

    EXPECT_EQ(problem, "");
    ASSERT_EQ(data.size(), 3u);
    for (std::size_t i = 0; i < data.size(); ++i)
        EXPECT_NE(data[i].find(std::vector<std::string>{"one", "two", "three"}[i] + "\r\n"), std::string::npos) << data[i];
    const std::vector<std::string> wire(std::find(r.trail.begin(), r.trail.end(), "0:MAIL FROM:<a@example.jp>"),
                                        std::find(r.trail.begin(), r.trail.end(), "0:QUIT"));
    EXPECT_EQ(wire, (std::vector<std::string>{
                        "0:MAIL FROM:<a@example.jp>", "0:RCPT TO:<one@example.jp>", "0:DATA",
                        "1:250 ok", "1:250 ok", "1:354 go",
                        "0:MAIL FROM:<a@example.jp>", "0:RCPT TO:<bad@example.jp>", "0:DATA",
                        "1:250 queued 1", "1:250 ok", "1:550 5.1.1 no such user", "1:554 5.5.1 no valid recipients",
                        "0:RSET", "0:MAIL FROM:<a@example.jp>", "0:RCPT TO:<two@example.jp>", "0:DATA",
                        "1:250 reset", "1:250 ok", "1:250 ok", "1:354 go",
                        "0:MAIL FROM:<a@example.jp>", "0:RCPT TO:<three@example.jp>", "0:DATA",
                        "1:554 5.7.1 spam", "1:250 ok", "1:250 ok", "1:354 go", "1:250 queued 3"}));
}

// What a pipelined session leaves behind when it ends early: with a DATA on its way the
// connection is closed without QUIT (which the server would take for message text); with
// only an end-of-data reply due, that reply is read and QUIT follows. A connection lost
// with a message written leaves its outcome unknown and fails what was queued behind it.
TEST(Smtps, PipelinedSessionEndsWithoutLeavingTextForTheServer) {
    struct Case {
        const char* name;
        bool nextEnvelope;  // the next envelope went out before the end
        bool lost;          // the server drops the connection instead of answering
        std::vector<std::string> after;  // what the server reads after the first message
    } cases[] = {
        {"envelope on its way", true, false, {"MAIL FROM:<a@example.jp>", "RCPT TO:<b@example.jp>", "DATA", "<closed>"}},
        {"result due", false, false, {"QUIT", "<closed>"}},
        {"lost", false, true, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<std::string> after;
        {
            ScriptedServer server([&](ScriptConn& c) {
                std::string line, d;
                c.Send("220 scripted\r\n");
                c.ReadLine(line);
                c.Send("250-scripted\r\n250 PIPELINING\r\n");
                for (int i = 0; i < 3; ++i) c.ReadLine(line);
                c.Send("250 ok\r\n250 ok\r\n354 go\r\n");
                c.ReadData(d);
                if (k.lost) {
                    c.Reset();
                    return;
                }
                c.Send("250 queued\r\n");
                for (int i = 0; i < 4; ++i) {
                    if (!c.ReadLine(line)) {
                        after.push_back("<closed>");
                        break;
                    }
                    after.push_back(line);
                    if (line == "QUIT") c.Send("221 bye\r\n");
                }
            });
            SmtpsRecorder r;
            r.Server(server.port());
            ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
            r.Message("a@example.jp", "b@example.jp", "Subject: x\r\n\r\nbody");
            ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendEnvelope), 0);
            ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendData), 0) << SMTPS_GetLastError(r.h);
            if (k.nextEnvelope) {
                ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendEnvelope), 0);
            }
            if (k.lost) {
                EXPECT_NE(SMTPS_Do(r.h, kSmtpsSendResult), 0);
                EXPECT_EQ(SMTPS_Get(r.h, kSmtpsSendStage, 0, nullptr), kSendMessage);  // the outcome is unknown
                EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSendData), kNetNotConnected);
            }
            SMTPS_Do(r.h, kSmtpsDisconnect);
            EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0);
            EXPECT_EQ(r.TrailHas("1:250 queued"), !k.lost && !k.nextEnvelope);
        }  // the server's session has ended
        EXPECT_EQ(after, k.after);
    }
}

// An interrupt while the end-of-data reply is awaited ends the wait at once, unless a
// result grace is set: the reply then still counts if it comes within the grace.
TEST(Smtps, ResultGraceLetsTheReplyToAMessageComeAfterAnInterrupt) {
    using namespace std::chrono_literals;
    struct Case {
        int grace;                       // seconds
        std::chrono::milliseconds reply;  // when the server answers the message (0: never)
        int rc;
        std::chrono::milliseconds within;
    } cases[] = {{0, 600ms, kNetTimeout, 400ms},
                 {2, 600ms, kNetOk, 1500ms},
                 {1, 0ms, kNetTimeout, 1800ms},
                 {3000000, 600ms, kNetOk, 1500ms}};  // more milliseconds than an int holds
    for (const Case& k : cases) {
        SCOPED_TRACE(k.grace);
        ScriptedServer server([&](ScriptConn& c) {
            std::string line, d;
            c.Send("220 scripted\r\n");
            c.ReadLine(line);
            c.Send("250-scripted\r\n250 PIPELINING\r\n");
            for (int i = 0; i < 3; ++i) c.ReadLine(line);
            c.Send("250 ok\r\n250 ok\r\n354 go\r\n");
            c.ReadData(d);
            if (k.reply.count() > 0) {
                std::this_thread::sleep_for(k.reply);
                c.Send("250 queued\r\n");
            }
            if (c.ReadLine(line) && line == "QUIT") c.Send("221 bye\r\n");
        });
        SmtpsRecorder r;
        r.Server(server.port());
        SMTPS_Set(r.h, kSmtpsResultGrace, 0, k.grace, 0);
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
        r.Message("a@example.jp", "b@example.jp", "Subject: x\r\n\r\nbody");
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendEnvelope), 0);
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendData), 0);
        std::thread canceller([&] {
            std::this_thread::sleep_for(200ms);
            SMTPS_Do(r.h, kSmtpsInterrupt);
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSendResult), k.rc) << SMTPS_GetLastError(r.h);
        EXPECT_LT(std::chrono::steady_clock::now() - start, k.within);
        canceller.join();
        SMTPS_Do(r.h, kSmtpsDisconnect);
    }
}

// A 421 among the replies to a pipelined group says the server is closing: the send ends
// there, with the 421 as its error and the connection closed, also when the server leaves
// the connection open and never answers the commands after it.
TEST(Smtps, A421InAPipelinedGroupEndsTheConnectionAtOnce) {
    const struct {
        const char* name;
        const char* replies;  // to MAIL, RCPT and DATA, as far as the server gets
        int stage;
    } cases[] = {
        {"at MAIL", "421 4.3.2 closing\r\n", kSendMailFrom},
        {"at RCPT", "250 ok\r\n421 4.3.2 closing\r\n", kSendRcptTo},
        {"at DATA", "250 ok\r\n250 ok\r\n421 4.3.2 closing\r\n", kSendData},
        {"after a refused RCPT", "250 ok\r\n550 5.1.1 no such user\r\n421 4.3.2 closing\r\n", kSendRcptTo},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server([&](ScriptConn& conn) {
            Greet(conn, "250-scripted\r\n250 PIPELINING\r\n");
            std::string line;
            for (int i = 0; i < 3; ++i) conn.ReadLine(line);
            conn.Send(c.replies);
            conn.WaitClose();
        });
        SmtpsRecorder r;
        r.Server(server.port());
        SMTPS_Set(r.h, kSmtpsTimeout, 0, 5, 0);
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
        r.Message("a@example.jp", "b@example.jp", "Subject: x\r\n\r\nbody");
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSendEnvelope), 0);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSendData), kNetServerReply);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ(SMTPS_GetLastError(r.h), "421 4.3.2 closing");
        EXPECT_EQ(SMTPS_Get(r.h, kSmtpsSendStage, 0, nullptr), c.stage);
        EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0);
        SMTPS_Do(r.h, kSmtpsDisconnect);
    }
}

// A reply that is neither the success of its command nor a refusal says that the replies
// no longer pair up with the commands (a server that answered one of them twice): the send
// fails as a protocol fault, never as the server's refusal, and the connection is closed.
TEST(Smtps, AReplyThatDoesNotFitItsCommandEndsTheConnection) {
    const struct {
        const char* name;
        const char* mail;
        const char* rcpt;
        const char* data;
        const char* end;  // the reply to the message
        int stage;
    } cases[] = {
        {"250 where DATA's 354 is due", "250 ok", "250 ok", "250 ok", nullptr, kSendData},
        {"354 to RCPT", "250 ok", "354 go", "354 go", nullptr, kSendRcptTo},
        {"354 to MAIL", "354 go", "250 ok", "354 go", nullptr, kSendMailFrom},
        {"354 to the end of the message", "250 ok", "250 ok", "354 go", "354 go", kSendMessage},
    };
    for (const bool pipelining : {true, false})
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (pipelining ? ", PIPELINING" : ""));
        ScriptedServer server([&](ScriptConn& conn) {
            Greet(conn, pipelining ? "250-scripted\r\n250 PIPELINING\r\n" : "250 scripted\r\n");
            std::string line, data;
            while (conn.ReadLine(line)) {
                const char* reply = line.rfind("MAIL", 0) == 0   ? c.mail
                                    : line.rfind("RCPT", 0) == 0 ? c.rcpt
                                    : line == "DATA"             ? c.data
                                                                 : "250 ok";
                if (!conn.Send(std::string(reply) + "\r\n")) return;
                if (line == "DATA" && std::string(reply).rfind("354", 0) == 0 && c.end != nullptr) {
                    conn.ReadData(data);
                    conn.Send(std::string(c.end) + "\r\n");
                }
            }
        });
        SmtpsRecorder r;
        r.Server(server.port());
        SMTPS_Set(r.h, kSmtpsTimeout, 0, 5, 0);
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
        r.Message("a@example.jp", "b@example.jp", "Subject: x\r\n\r\nbody");
        EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSend), kNetProtocol) << SMTPS_GetLastError(r.h);
        EXPECT_EQ(SMTPS_GetLastError(r.h).rfind("Protocol error", 0), 0u) << SMTPS_GetLastError(r.h);
        EXPECT_EQ(SMTPS_Get(r.h, kSmtpsSendStage, 0, nullptr), c.stage);
        EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0);
    }
}

TEST(Smtps, RefusesHeaderInjectionAndUnusableAddressesBeforeSending) {
    SpawnedSmtpServer server;
    SmtpsRecorder r;
    r.Server(server.port());
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0);
    const struct {
        const char* from;
        const char* to;
    } cases[] = {
        {"a@example.jp\r\nBcc: x@example.jp", "b@example.jp"},
        {"a@example.jp", "b@example.jp\nRCPT TO:<x@example.jp>"},
        {"a@example.jp", "b@example.jp\r\n"},
        {"a@example.jp", "b@example.jp\r\n\t\r\nX-Injected: 1"},
        {"", "b@example.jp"},
        {"a@example.jp", ""},
        {"a b@example.jp", "b@example.jp"},
    };
    for (const auto& c : cases) {
        r.Message(c.from, c.to, "Subject: x\r\n\r\nbody");
        EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSend), kNetBadArgument) << c.from << " / " << c.to;
    }
    EXPECT_FALSE(r.TrailHas("0:DATA"));
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 1);
}

// Logging in over each transport, with each mechanism, against the real server.
TEST(Smtps, LogsInOverPlainStartTlsAndImplicitTls) {
    nettest::TempDir dir;
    const auto cert = nettest::MakeTestCertificate(dir.path());
    const struct {
        const char* tls;
        int mode;
        int cram;
        const char* exclude;   // mechanism the server leaves out
        const char* expected;  // mechanism the server saw
    } cases[] = {
        {"none", kSslOff, 0, nullptr, "LOGIN"},
        {"none", kSslNone, 0, "LOGIN", "PLAIN"},
        {"starttls", kSslStartTls, 1, nullptr, "CRAM-MD5"},
        {"implicit", kSslImplicit, 0, nullptr, "LOGIN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.tls) + " " + c.expected);
        std::vector<std::string> args = {"--tls", c.tls, "--cert", cert.certFile, "--key", cert.keyFile,
                                         "--user", "taro:pa ss"};
        if (c.exclude) args.insert(args.end(), {"--exclude", c.exclude});
        SpawnedSmtpServer server(args);
        SmtpsRecorder r;
        r.Server(server.port());
        SMTPS_Set(r.h, kSmtpsSslStartMode, 0, c.mode, 0);
        SMTPS_Do(r.h, kSmtpsConfigure, "SSLEnabledProtocols=192");
        SMTPS_Do(r.h, kSmtpsConfigure, "SSLSecurityFlags=0xFFFFFFFF");
        SMTPS_Set(r.h, kSmtpsAuthCram, 0, c.cram, 0);
        SMTPS_Set(r.h, kSmtpsUser, 0, "taro", 0);
        SMTPS_Set(r.h, kSmtpsPassword, 0, "pa ss", 0);
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
        r.Message("taro@example.jp", "b@example.jp", "Subject: x\r\n\r\nbody");
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsSend), 0) << SMTPS_GetLastError(r.h);
        EXPECT_EQ(server.AuthLog().substr(0, server.AuthLog().find(' ')), c.expected);
        if (c.mode == kSslNone || c.mode == kSslOff) {
            EXPECT_TRUE(r.ssl.empty());
        } else {
            ASSERT_GE(r.ssl.size(), 2u);
            EXPECT_EQ(r.ssl[0], "Enabled protocols (mask 192) are served with TLS 1.2 or later.");
            EXPECT_NE(r.ssl[1].find("TLSv1."), std::string::npos) << r.ssl[1];
        }
        if (std::string(c.tls) == "starttls") {
            EXPECT_TRUE(r.TrailHas("0:STARTTLS"));
        }
        SMTPS_Do(r.h, kSmtpsDisconnect);
    }
}

TEST(Smtps, WrongPasswordGivesTheServersReply) {
    SpawnedSmtpServer server({"--user", "taro:secret"});
    SmtpsRecorder r;
    r.Server(server.port());
    SMTPS_Set(r.h, kSmtpsUser, 0, "taro", 0);
    SMTPS_Set(r.h, kSmtpsPassword, 0, "wrong", 0);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), kNetServerReply);
    EXPECT_EQ(SMTPS_GetLastError(r.h).substr(0, 4), "535 ");
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0);
    EXPECT_TRUE(r.TrailHas("0:QUIT"));
}

// A server that refuses CRAM-MD5 makes connect return 161; the caller connects again
// without it and logs in with LOGIN.
TEST(Smtps, RefusedCramGives161AndTheRetryUsesLogin) {
    std::vector<std::string> seen;
    ScriptedServer server([&](ScriptConn& c) {
        Greet(c, "250-scripted\r\n250 AUTH CRAM-MD5 LOGIN\r\n");
        std::string line;
        while (c.ReadLine(line)) {
            seen.push_back(line);
            if (line == "AUTH CRAM-MD5") c.Send("504 5.5.4 Unrecognized authentication type\r\n");
            else if (line == "AUTH LOGIN") c.Send("334 VXNlcm5hbWU6\r\n");
            else if (line == "dGFybw==") c.Send("334 UGFzc3dvcmQ6\r\n");
            else if (line == "c2VjcmV0") c.Send("235 2.7.0 ok\r\n");
            else if (line == "QUIT") { c.Send("221 bye\r\n"); return; }
            else c.Send("500 what\r\n");
        }
    });
    SmtpsRecorder r;
    r.Server(server.port());
    SMTPS_Set(r.h, kSmtpsUser, 0, "taro", 0);
    SMTPS_Set(r.h, kSmtpsPassword, 0, "secret", 0);
    SMTPS_Set(r.h, kSmtpsAuthCram, 0, 1, 0);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), kNetRetryWithoutCram);
    SMTPS_Do(r.h, kSmtpsDisconnect);
    SMTPS_Set(r.h, kSmtpsAuthCram, 0, 0, 0);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
    SMTPS_Do(r.h, kSmtpsDisconnect);
    EXPECT_EQ(server.connections(), 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"AUTH CRAM-MD5", "QUIT", "AUTH LOGIN", "dGFybw==", "c2VjcmV0", "QUIT"}));
}

// A server that does not know EHLO is greeted with HELO; a refused recipient leaves the
// session usable (RSET) with the server's reply as the error.
TEST(Smtps, HeloFallbackAndRefusedRecipientResetsTheTransaction) {
    std::vector<std::string> seen;
    ScriptedServer server([&](ScriptConn& c) {
        c.Send("220-scripted\r\n220 welcome\r\n");
        std::string line, data;
        while (c.ReadLine(line)) {
            seen.push_back(line);
            if (line.rfind("EHLO", 0) == 0) c.Send("502 5.5.2 no EHLO here\r\n");
            else if (line.rfind("RCPT TO:<bad", 0) == 0) c.Send("550-5.1.1 no such user\r\n550 5.1.1 really\r\n");
            else if (line == "DATA") {
                c.Send("354 go\r\n");
                c.ReadData(data);
                c.Send("250 ok\r\n");
            } else if (line == "QUIT") { c.Send("221 bye\r\n"); return; }
            else c.Send("250 ok\r\n");
        }
    });
    SmtpsRecorder r;
    r.Server(server.port());
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
    r.Message("a@example.jp", "bad@example.jp", "Subject: x\r\n\r\nbody");
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSend), kNetServerReply);
    EXPECT_EQ(SMTPS_GetLastError(r.h), "550 5.1.1 no such user 5.1.1 really");
    EXPECT_EQ(SMTPS_GetLastErrorCode(r.h), kNetServerReply);
    r.Message("a@example.jp", "good@example.jp", "Subject: x\r\n\r\nbody");
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSend), 0) << SMTPS_GetLastError(r.h);
    SMTPS_Do(r.h, kSmtpsDisconnect);
    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(seen[0], "EHLO localhost");
    EXPECT_EQ(seen[1], "HELO localhost");
    EXPECT_EQ(seen[4], "RSET");
}

TEST(Smtps, SocketFailuresCarryWinsockNumbers) {
    SmtpsRecorder r;
    r.Server(nettest::ClosedPort());
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 10061);
    EXPECT_NE(SMTPS_GetLastError(r.h).find("(10061)"), std::string::npos) << SMTPS_GetLastError(r.h);
    EXPECT_TRUE(r.TrailHas("2:Connecting to mail server."));
    EXPECT_FALSE(r.TrailHas("2:Connected."));

    SMTPS_Set(r.h, kSmtpsServer, 0, "", 0);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), kNetBadHost);
    EXPECT_EQ(SMTPS_GetLastError(r.h), "The remotehost address is invalid (0.0.0.0).");

    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSend), kNetNotConnected);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsDisconnect), 0);
    EXPECT_EQ(SMTPS_GetLastErrorCode(r.h), kNetNotConnected);  // still readable after closing
}

TEST(Smtps, SilentServerTimesOutWith301) {
    ScriptedServer server([](ScriptConn& c) { c.WaitClose(); });  // never greets
    SmtpsRecorder r;
    r.Server(server.port());
    SMTPS_Set(r.h, kSmtpsTimeout, 0, 1, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), kNetTimeout);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(SMTPS_GetLastError(r.h).substr(0, 8), "Timeout.");
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0);
    EXPECT_TRUE(r.TrailHas("2:Disconnected."));
}

// The cancel button: another thread interrupts a send blocked in DATA.
TEST(Smtps, InterruptFromAnotherThreadStopsASendWithin500ms) {
    ScriptedServer server([](ScriptConn& c) {
        Greet(c, "250 scripted\r\n");
        std::string line;
        while (c.ReadLine(line)) {
            if (line == "DATA") {
                c.Send("354 go\r\n");
                c.WaitClose();  // reads the message but never answers it
                return;
            }
            c.Send("250 ok\r\n");
        }
    });
    SmtpsRecorder r;
    r.Server(server.port());
    ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0);
    r.Message("a@example.jp", "b@example.jp", "Subject: x\r\n\r\nbody");
    std::chrono::steady_clock::time_point interruptedAt;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        interruptedAt = std::chrono::steady_clock::now();
        SMTPS_Do(r.h, kSmtpsInterrupt);
    });
    const int rc = SMTPS_Do(r.h, kSmtpsSend);
    const auto returnedAt = std::chrono::steady_clock::now();
    canceller.join();
    EXPECT_EQ(rc, kNetTimeout);
    EXPECT_LT(returnedAt - interruptedAt, std::chrono::milliseconds(500));
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0);
}

// An interrupt that comes while no call runs stops the next blocking call.
TEST(Smtps, InterruptBetweenCallsStopsTheNextOne) {
    SpawnedSmtpServer server;
    SmtpsRecorder r;
    r.Server(server.port());
    SMTPS_Do(r.h, kSmtpsInterrupt);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), kNetTimeout);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0);  // consumed by the call it stopped
    SMTPS_Do(r.h, kSmtpsDisconnect);
}

// A self-signed certificate is refused while certificates are checked, and taken when
// the settings accept any; a certificate the system store trusts passes the check.
TEST(Smtps, CertificateCheckFollowsTheSecurityFlags) {
    nettest::TempDir dir;
    const auto cert = nettest::MakeTestCertificate(dir.path());
    SpawnedSmtpServer server({"--tls", "implicit", "--cert", cert.certFile, "--key", cert.keyFile});
    SmtpsRecorder r;
    r.Server(server.port());
    SMTPS_Set(r.h, kSmtpsSslStartMode, 0, kSslImplicit, 0);

    SMTPS_Do(r.h, kSmtpsConfigure, "SSLSecurityFlags=0x00000000");
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), kNetSslError);
    EXPECT_EQ(SMTPS_GetLastError(r.h).rfind("Server certificate verification failed. Connection aborted.", 0), 0u)
        << SMTPS_GetLastError(r.h);
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0);

    SMTPS_Do(r.h, kSmtpsConfigure, "SSLSecurityFlags=0xFFFFFFFF");
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
    SMTPS_Do(r.h, kSmtpsDisconnect);

    // The same certificate as the trusted store: verified, for the right name only.
    const char* old = getenv("SSL_CERT_FILE");
    const std::string saved = old ? old : "";
    setenv("SSL_CERT_FILE", cert.certFile.c_str(), 1);
    SMTPS_Do(r.h, kSmtpsConfigure, "SSLSecurityFlags=0");
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
    SMTPS_Do(r.h, kSmtpsDisconnect);
    r.Server(server.port(), "localhost");
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << SMTPS_GetLastError(r.h);
    SMTPS_Do(r.h, kSmtpsDisconnect);
    if (old) setenv("SSL_CERT_FILE", saved.c_str(), 1); else unsetenv("SSL_CERT_FILE");
}

TEST(Smtps, ResetRestoresDefaultsAndConfigureRefusesUnknownSettings) {
    SmtpsRecorder r;
    SMTPS_Set(r.h, kSmtpsPort, 0, 587, 0);
    SMTPS_Set(r.h, kSmtpsUser, 0, "u", 0);
    SMTPS_Set(r.h, kSmtpsTimeout, 0, 5, 0);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsReset), 0);
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsPort, 0, nullptr), 25);
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsTimeout, 0, nullptr), 60);
    EXPECT_EQ(SMTPS_GetText(r.h, kSmtpsUser, 0), "");
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConfigure, "NoSuchThing=1"), kNetBadArgument);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConfigure, "Hello=a\r\nb"), kNetBadArgument);
    EXPECT_EQ(SMTPS_Set(r.h, kSmtpsPort, 0, 70000, 0), kNetBadArgument);
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsPort, 0, nullptr), 25);  // a refused write changes nothing
    EXPECT_EQ(SMTPS_Set(r.h, kSmtpsSslStartMode, 0, kSslOff + 1, 0), kNetBadArgument);
    EXPECT_EQ(SMTPS_Get(r.h, kSmtpsSslStartMode, 0, nullptr), kSslNone);
    EXPECT_EQ(SMTPS_Do(r.h, kSmtpsConfigure, "MaxHeaderLength=0"), 0);
}

// Every reply must come whole within the time-out, however its lines are spaced: a server
// that sends one line of a reply now and then, each well within the time-out, is cut off
// once the time-out has passed since the reply was awaited, not after the sum of its gaps.
TEST(Smtps, EachReplyComesWholeWithinTheTimeout) {
    using namespace std::chrono;
    const auto drip = [](ScriptConn& c, const char* code) {
        for (int i = 0; i < 8; ++i) {
            if (!c.Send(std::string(code) + "-line " + std::to_string(i) + "\r\n")) return;
            std::this_thread::sleep_for(milliseconds(400));
        }
        c.Send(std::string(code) + " done\r\n");
    };
    const struct {
        const char* name;
        bool atEndOfData;  // false: the EHLO reply drips
    } cases[] = {{"EHLO", false}, {"end of data", true}};
    for (const auto& c : cases) {
        ScriptedServer server([&](ScriptConn& conn) {
            conn.Send("220 scripted ESMTP\r\n");
            std::string line, data;
            conn.ReadLine(line);
            if (!c.atEndOfData) return drip(conn, "250");
            conn.Send("250 scripted\r\n");
            while (conn.ReadLine(line)) {
                if (line != "DATA") {
                    conn.Send("250 ok\r\n");
                    continue;
                }
                conn.Send("354 go\r\n");
                conn.ReadData(data);
                return drip(conn, "250");
            }
        });
        SmtpsRecorder r;
        r.Server(server.port());
        SMTPS_Set(r.h, kSmtpsTimeout, 0, 1, 0);
        auto start = steady_clock::now();
        int rc = SMTPS_Do(r.h, kSmtpsConnect);
        if (c.atEndOfData) {
            ASSERT_EQ(rc, 0) << SMTPS_GetLastError(r.h);
            r.Message("a@example.jp", "b@example.jp", "Subject: x\r\n\r\nbody");
            start = steady_clock::now();
            rc = SMTPS_Do(r.h, kSmtpsSend);
        }
        const auto took = steady_clock::now() - start;
        EXPECT_EQ(rc, kNetTimeout) << c.name;
        EXPECT_EQ(SMTPS_GetLastError(r.h), "Timeout. The server's reply did not come whole within 1 s.") << c.name;
        EXPECT_GE(took, milliseconds(900)) << c.name;
        EXPECT_LT(took, milliseconds(1600)) << c.name;
        EXPECT_EQ(SMTPS_Get(r.h, kSmtpsConnected, 0, nullptr), 0) << c.name;
    }
}

// How far a send got, whatever its result: whether a failure came before the message went
// out (it was not taken) or after it (only then may the server have kept it), and which
// command a refusal answered.
TEST(Smtps, SendStageTellsWhereASendEnded) {
    const struct {
        const char* name;
        const char* failAt;  // the command at which the server stops behaving; "." the message
        const char* how;     // "reply NNN", "drop" (close without a reply), "silent"
        int rc;
        int stage;
    } cases[] = {
        {"accepted", nullptr, nullptr, kNetOk, kSendMessage},
        {"sender deferred", "MAIL", "reply 451", kNetServerReply, kSendMailFrom},
        {"recipient deferred", "RCPT", "reply 452", kNetServerReply, kSendRcptTo},
        {"dropped at DATA", "DATA", "drop", kWsaEconnaborted, kSendData},
        {"deferred after the message", ".", "reply 451", kNetServerReply, kSendMessage},
        {"dropped after the message", ".", "drop", kWsaEconnaborted, kSendMessage},
        {"no reply to the message", ".", "silent", kNetTimeout, kSendMessage},
    };
    for (const auto& c : cases) {
        ScriptedServer server([&](ScriptConn& conn) {
            Greet(conn, "250 scripted\r\n");
            std::string line, data;
            const std::string how = c.how ? c.how : "";
            // false: the session ends here
            const auto fail = [&] {
                if (how == "silent") conn.WaitClose();
                if (how.rfind("reply ", 0) != 0) return false;
                conn.Send(how.substr(6) + " 4.x.x not now\r\n");
                return true;
            };
            while (conn.ReadLine(line)) {
                if (c.failAt && std::string(c.failAt) != "." && line.rfind(c.failAt, 0) == 0) {
                    if (!fail()) return;
                    continue;
                }
                if (line == "DATA") {
                    conn.Send("354 go\r\n");
                    conn.ReadData(data);
                    if (c.failAt && !fail()) return;
                    if (c.failAt) continue;
                }
                conn.Send(line == "QUIT" ? "221 bye\r\n" : "250 ok\r\n");
            }
        });
        SmtpsRecorder r;
        r.Server(server.port());
        SMTPS_Set(r.h, kSmtpsTimeout, 0, 1, 0);
        ASSERT_EQ(SMTPS_Do(r.h, kSmtpsConnect), 0) << c.name << ": " << SMTPS_GetLastError(r.h);
        r.Message("a@example.jp", "b@example.jp", "Subject: x\r\n\r\nbody");
        EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSend), c.rc) << c.name << ": " << SMTPS_GetLastError(r.h);
        EXPECT_EQ(SMTPS_Get(r.h, kSmtpsSendStage, 0, nullptr), c.stage) << c.name;
        SMTPS_Do(r.h, kSmtpsDisconnect);
        // The next send starts afresh.
        EXPECT_EQ(SMTPS_Do(r.h, kSmtpsSend), kNetNotConnected) << c.name;
        EXPECT_EQ(SMTPS_Get(r.h, kSmtpsSendStage, 0, nullptr), kSendNotBegun) << c.name;
    }
}

}  // namespace smtps_test
