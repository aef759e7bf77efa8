#include "platform/netssl/pops.h"

#include "platform/netssl/tests/net_test_servers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

// The tests name the network layer's calls unqualified. The directive stays in this file's
// namespace, so that it reaches no file a unity build puts after this one.
namespace pops_test {
using namespace netssl;
using nettest::ScriptConn;
using nettest::ScriptedServer;

namespace {

// The owner of a component: keeps every event it gets.
class PopsRecorder : public POPS {
public:
    PopsRecorder() : h(POPS_Create(this, &POPS::Dispatch)) {}
    ~PopsRecorder() override { POPS_Destroy(h); }
    int FirePITrail(int direction, const std::string& text) override {
        trail.push_back(std::to_string(direction) + ":" + text);
        return 0;
    }
    int FireMessageList(int number, const std::string& uid) override {
        listed.push_back(std::to_string(number) + " " + uid);
        return 0;
    }
    void Server(int port) {
        POPS_Set(h, kPopsServer, 0, "127.0.0.1", 0);
        POPS_Set(h, kPopsPort, 0, port, 0);
        POPS_Set(h, kPopsTimeout, 0, 5, 0);
    }

    PopsComponent* h;
    std::vector<std::string> trail, listed;
};

// A POP3 server of the test's own: answers the commands it knows from a fixed mailbox
// and keeps every command it was sent.
class ScriptedMailbox {
public:
    explicit ScriptedMailbox(std::string greeting = "+OK ready <1896.697170952@dbc.mtview.ca.us>")
        : greeting_(std::move(greeting)), server_([this](ScriptConn& c) { Session(c); }) {}
    int port() const { return server_.port(); }
    int connections() const { return server_.connections(); }
    std::vector<std::string> Commands() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }
    size_t Count(const std::string& prefix) const {
        const auto all = Commands();
        return std::count_if(all.begin(), all.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    }

    // Two messages as the server holds them, dot-stuffing not yet applied.
    static inline const std::vector<std::string> kMessages = {
        "Subject: one\r\nFrom: a@example.jp\r\n\r\n.leading dot\r\n.\r\n..two dots\r\nend\r\n",
        "Subject: two\r\n\r\nsecond\r\n",
    };

private:
    void Session(ScriptConn& c) {
        c.Send(greeting_ + "\r\n");
        std::string line;
        while (c.ReadLine(line)) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                commands_.push_back(line);
            }
            const std::string verb = line.substr(0, line.find(' '));
            const int n = line.size() > verb.size() ? atoi(line.c_str() + verb.size() + 1) : 0;
            if (verb == "USER" || verb == "STLS") c.Send(verb == "USER" ? "+OK\r\n" : "-ERR no TLS here\r\n");
            else if (verb == "PASS") c.Send(line == "PASS secret" ? "+OK\r\n" : "-ERR [AUTH] Authentication failed.\r\n");
            else if (verb == "APOP") c.Send(line == "APOP mrose c4c9334bac560ecc979e58001b3e22fb" ? "+OK\r\n" : "-ERR no\r\n");
            else if (verb == "STAT") c.Send("+OK 2 100\r\n");
            else if (verb == "LIST") c.Send("+OK\r\n1 80\r\n2 20\r\n.\r\n");
            else if (verb == "UIDL") c.Send("+OK\r\n1  uid-one\r\n2 uid-two\r\n.\r\n");
            else if ((verb == "RETR" || verb == "TOP") && n >= 1 && n <= 2) c.Send("+OK\r\n" + nettest::DotStuffed(kMessages[n - 1]) + ".\r\n");
            else if (verb == "DELE") c.Send("+OK deleted\r\n");
            else if (verb == "QUIT") {
                c.Send("+OK bye\r\n");
                return;
            } else c.Send("-ERR unknown\r\n");
        }
    }

    std::string greeting_;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    ScriptedServer server_;  // last: its thread uses the members above
};

}  // namespace

// Selecting messages costs no round trip: the unique ids come from one UIDL, and a message
// is retrieved once, when its header or text is read, with the stuffing removed and the
// header split from the text at the blank line.
TEST(Pops, SessionRetrievesOnDemandAndUnstuffs) {
    ScriptedMailbox box;
    PopsRecorder r;
    r.Server(box.port());
    POPS_Set(r.h, kPopsUser, 0, "mrose", 0);
    POPS_Set(r.h, kPopsPassword, 0, "secret", 0);
    ASSERT_EQ(POPS_Do(r.h, kPopsConnect), 0) << POPS_GetLastError(r.h);
    EXPECT_EQ(POPS_Get(r.h, kPopsConnected, 0, nullptr), 1);
    ASSERT_EQ(POPS_Get(r.h, kPopsMessageCount, 0, nullptr), 2);

    for (int n = 1; n <= 2; ++n) {
        ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, n, 0), 0);
        EXPECT_EQ(POPS_GetText(r.h, kPopsMessageUid, 0), n == 1 ? "uid-one" : "uid-two");
    }
    EXPECT_EQ(box.Count("UIDL"), 1u);
    EXPECT_EQ(box.Count("RETR"), 0u);

    ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 1, 0), 0);
    const std::string headers = POPS_GetText(r.h, kPopsMessageHeaders, 0);
    const std::string text = POPS_GetText(r.h, kPopsMessageText, 0);
    EXPECT_EQ(headers, "Subject: one\r\nFrom: a@example.jp\r\n");
    EXPECT_EQ(headers + "\r\n" + text, ScriptedMailbox::kMessages[0]);
    EXPECT_EQ(box.Count("RETR"), 1u);

    EXPECT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 3, 0), kNetBadArgument);
    ASSERT_EQ(POPS_Do(r.h, kPopsList), 0) << POPS_GetLastError(r.h);
    EXPECT_EQ(r.listed, (std::vector<std::string>{"1 uid-one", "2 uid-two"}));
    EXPECT_EQ(box.Count("UIDL"), 1u);

    ASSERT_EQ(POPS_Do(r.h, kPopsConfigure, "MaxLines=5"), 0);
    ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 2, 0), 0);
    EXPECT_EQ(POPS_GetText(r.h, kPopsMessageText, 0), "second\r\n");
    EXPECT_EQ(POPS_Do(r.h, kPopsDelete), 0);
    EXPECT_EQ(POPS_Do(r.h, kPopsDisconnect), 0);
    EXPECT_EQ(POPS_Get(r.h, kPopsConnected, 0, nullptr), 0);

    EXPECT_EQ(box.Commands(), (std::vector<std::string>{"USER mrose", "PASS secret", "STAT", "UIDL", "RETR 1", "LIST",
                                                         "TOP 2 5", "DELE 2", "QUIT"}));
    for (const char* line : {"2:Connecting to mail server.", "2:Connected.", "1:+OK 2 100", "0:QUIT", "2:Disconnected."}) {
        EXPECT_NE(std::find(r.trail.begin(), r.trail.end(), line), r.trail.end()) << line;
    }
    // The message itself is not part of the trail.
    for (const auto& t : r.trail) EXPECT_EQ(t.find("leading dot"), std::string::npos) << t;
}

// Deleting many messages in one call: with PIPELINING offered (CAPA), the DELE commands go
// in groups (a server that answers only once a hundred have come is answered at all);
// without it, one at a time (a server that finds a second command waiting before it has
// answered the first would say so). A refusal in the middle is the call's result, and the
// rest still go, the session in step for the QUIT after them.
TEST(Pops, ManyDeletionsGoInGroupsWhereTheServerAllows) {
    constexpr int kMessages = 250;
    for (const bool offered : {true, false}) {
        SCOPED_TRACE(offered ? "PIPELINING offered" : "not offered");
        std::vector<std::string> deletes;
        bool overlapped = false;
        ScriptedServer server([&](ScriptConn& c) {
            c.Send("+OK ready\r\n");
            std::string line, held;
            while (c.ReadLine(line)) {
                const std::string verb = line.substr(0, line.find(' '));
                if (verb == "USER" || verb == "PASS") c.Send("+OK\r\n");
                else if (verb == "STAT") c.Send("+OK " + std::to_string(kMessages) + " 25000\r\n");
                else if (verb == "CAPA") c.Send(offered ? "+OK\r\nTOP\r\nPIPELINING\r\nUIDL\r\n.\r\n" : "-ERR unknown\r\n");
                else if (verb == "DELE") {
                    deletes.push_back(line);
                    const std::string reply = line == "DELE 7" ? "-ERR no such message\r\n" : "+OK\r\n";
                    if (!offered) {
                        overlapped = overlapped || c.Waiting();
                        c.Send(reply);
                        continue;
                    }
                    held += reply;
                    if (deletes.size() % 100 == 0 || deletes.size() == kMessages) {
                        c.Send(held);
                        held.clear();
                    }
                } else if (verb == "QUIT") {
                    c.Send("+OK bye\r\n");
                    return;
                } else {
                    c.Send("-ERR unknown\r\n");
                }
            }
        });
        PopsRecorder r;
        r.Server(server.port());
        POPS_Set(r.h, kPopsUser, 0, "u", 0);
        POPS_Set(r.h, kPopsPassword, 0, "p", 0);
        ASSERT_EQ(POPS_Do(r.h, kPopsConnect), 0) << POPS_GetLastError(r.h);
        std::vector<std::string> texts;
        for (int n = 1; n <= kMessages; ++n) texts.push_back(std::to_string(n));
        std::vector<const char*> values;
        for (const std::string& t : texts) values.push_back(t.c_str());
        EXPECT_EQ(POPS_Do(r.h, kPopsDelete, kMessages, values.data(), nullptr), kNetServerReply);
        EXPECT_EQ(POPS_GetLastError(r.h).rfind("-ERR no such message", 0), 0u) << POPS_GetLastError(r.h);
        EXPECT_EQ(POPS_Do(r.h, kPopsDisconnect), 0) << POPS_GetLastError(r.h);
        EXPECT_EQ(deletes.size(), static_cast<std::size_t>(kMessages));
        EXPECT_FALSE(overlapped);
        // A number outside the mailbox is refused before anything is sent.
        const char* bad[] = {"1", "0"};
        ASSERT_EQ(POPS_Do(r.h, kPopsConnect), 0);
        EXPECT_EQ(POPS_Do(r.h, kPopsDelete, 2, bad, nullptr), kNetBadArgument);
        EXPECT_EQ(deletes.size(), static_cast<std::size_t>(kMessages));
        EXPECT_EQ(POPS_Do(r.h, kPopsDisconnect), 0);
    }
}

// Reading ahead: with ReadAhead=1 and PIPELINING offered, each retrieval of messages read
// in order goes before the answer to the one before it is read (the trail shows the RETR of
// the next message ahead of the answer), every message still comes whole and unmixed, an
// answer read ahead and never asked for (the reader skipped a message, a DELE came next)
// is dropped so that the next reply is the next command's, and a message refused on its
// own retrieval says so. Without either, every RETR waits for the answer before it.
TEST(Pops, ReadAheadSendsTheNextRetrievalWithThisOne) {
    constexpr int kCount = 6;
    const auto message = [](int n) { return "Subject: m" + std::to_string(n) + "\r\n\r\nbody " + std::to_string(n) + "\r\n"; };
    for (const bool enabled : {true, false}) {
        for (const bool offered : {true, false}) {
            SCOPED_TRACE(std::string(enabled ? "ReadAhead=1" : "ReadAhead=0") + (offered ? ", offered" : ", not offered"));
            ScriptedServer server([&](ScriptConn& c) {
                c.Send("+OK ready\r\n");
                std::string line;
                while (c.ReadLine(line)) {
                    const std::string verb = line.substr(0, line.find(' '));
                    const int n = verb.size() < line.size() ? atoi(line.c_str() + verb.size() + 1) : 0;
                    if (verb == "USER" || verb == "PASS") c.Send("+OK\r\n");
                    else if (verb == "STAT") c.Send("+OK " + std::to_string(kCount) + " 600\r\n");
                    else if (verb == "CAPA") c.Send(offered ? "+OK\r\nPIPELINING\r\n.\r\n" : "-ERR unknown\r\n");
                    else if (verb == "RETR") c.Send(n == 4 ? "-ERR message 4 is locked\r\n" : "+OK\r\n" + message(n) + ".\r\n");
                    else if (verb == "DELE") c.Send("+OK\r\n");
                    else if (verb == "QUIT") {
                        c.Send("+OK bye\r\n");
                        return;
                    } else c.Send("-ERR unknown\r\n");
                }
            });
            PopsRecorder r;
            r.Server(server.port());
            POPS_Set(r.h, kPopsUser, 0, "u", 0);
            POPS_Set(r.h, kPopsPassword, 0, "p", 0);
            ASSERT_EQ(POPS_Do(r.h, kPopsConnect), 0) << POPS_GetLastError(r.h);
            ASSERT_EQ(POPS_Do(r.h, kPopsConfigure, enabled ? "ReadAhead=1" : "ReadAhead=0"), 0);
            const auto read = [&](int n) {
                EXPECT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, n, 0), 0);
                return POPS_GetText(r.h, kPopsMessageHeaders, 0) + "\r\n" + POPS_GetText(r.h, kPopsMessageText, 0);
            };
            r.trail.clear();
            for (int n = 1; n <= 3; ++n) EXPECT_EQ(read(n), message(n));
            EXPECT_EQ(read(5), message(5));  // 4 skipped: its answer, if read ahead, is dropped
            ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 4, 0), 0);
            EXPECT_EQ(POPS_GetText(r.h, kPopsMessageHeaders, 0), "");
            EXPECT_EQ(POPS_GetLastError(r.h), "-ERR message 4 is locked");
            EXPECT_EQ(read(6), message(6));
            ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 1, 0), 0);
            EXPECT_EQ(POPS_Do(r.h, kPopsDelete), 0) << POPS_GetLastError(r.h);
            EXPECT_EQ(POPS_Do(r.h, kPopsDisconnect), 0) << POPS_GetLastError(r.h);

            // The commands and answers in the order the client met them.
            std::string order;
            for (const std::string& t : r.trail) {
                if (t.rfind("0:", 0) == 0 && t != "0:CAPA") order += t.substr(2) + ",";
                else if (t.rfind("1:+OK", 0) == 0 || t.rfind("1:-ERR", 0) == 0) order += t.substr(2, t[2] == '+' ? 3 : 4) + ",";
            }
            if (enabled && offered) {
                // Out of order (5, then 4, then 6) the answer read ahead goes unused and is
                // dropped before the next retrieval's.
                EXPECT_EQ(order, "+OK,RETR 1,RETR 2,+OK,RETR 3,+OK,RETR 4,+OK,-ERR,RETR 5,RETR 6,+OK,+OK,RETR 4,RETR 5,-ERR,"
                                 "+OK,RETR 6,+OK,DELE 1,+OK,QUIT,+OK,");
            } else {
                EXPECT_EQ(order, std::string(enabled ? "-ERR," : "") +
                                     "RETR 1,+OK,RETR 2,+OK,RETR 3,+OK,RETR 5,+OK,RETR 4,-ERR,RETR 6,+OK,DELE 1,+OK,QUIT,+OK,");
            }
        }
    }
}

// A server sends an answer it has begun whole, so an answer read ahead that the caller does
// not want costs its whole message before the next command. The server here answers the
// retrieval of message 2 with its first line and then stalls: the session goes on only if
// the client never waits for that answer. The caller that knows it will not read message 2
// turns ReadAhead off before message 1 (RETR 2 is never sent, and giving up nothing changes
// nothing); one that finds out later gives the answer up, and the connection is closed at
// once instead.
TEST(Pops, AnAnswerTheCallerWillNotReadIsNeverWaitedFor) {
    std::mutex mutex;
    std::vector<std::string> commands;
    std::atomic<int> sessions{0};  // sessions ended
    ScriptedServer server([&](ScriptConn& c) {
        struct Ended {
            std::atomic<int>& count;
            ~Ended() { ++count; }
        } ended{sessions};
        c.Send("+OK ready\r\n");
        std::string line;
        while (c.ReadLine(line)) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                commands.push_back(line);
            }
            const std::string verb = line.substr(0, line.find(' '));
            if (verb == "USER" || verb == "PASS" || verb == "DELE") c.Send("+OK\r\n");
            else if (verb == "STAT") c.Send("+OK 2 600\r\n");
            else if (verb == "CAPA") c.Send("+OK\r\nPIPELINING\r\n.\r\n");
            else if (line == "RETR 1") c.Send("+OK\r\nSubject: one\r\n\r\nbody\r\n.\r\n");
            else if (line == "RETR 2") {
                c.Send("+OK\r\nSubject: a message of 200 MiB\r\n");
                c.WaitClose();
                return;
            } else if (verb == "QUIT") {
                c.Send("+OK bye\r\n");
                return;
            } else c.Send("-ERR unknown\r\n");
        }
    });
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "given up after" : "turned off before");
        {
            std::lock_guard<std::mutex> lock(mutex);
            commands.clear();
        }
        PopsRecorder r;
        r.Server(server.port());
        POPS_Set(r.h, kPopsTimeout, 0, 3, 0);
        POPS_Set(r.h, kPopsUser, 0, "u", 0);
        POPS_Set(r.h, kPopsPassword, 0, "p", 0);
        ASSERT_EQ(POPS_Do(r.h, kPopsConnect), 0) << POPS_GetLastError(r.h);
        ASSERT_EQ(POPS_Do(r.h, kPopsConfigure, ahead ? "ReadAhead=1" : "ReadAhead=0"), 0);
        ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 1, 0), 0);
        EXPECT_EQ(POPS_GetText(r.h, kPopsMessageText, 0), "body\r\n");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(POPS_Do(r.h, kPopsDropReadAhead), 0);
        EXPECT_EQ(POPS_Get(r.h, kPopsConnected, 0, nullptr), ahead ? 0 : 1);
        if (!ahead) {
            ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 1, 0), 0);
            EXPECT_EQ(POPS_Do(r.h, kPopsDelete), 0) << POPS_GetLastError(r.h);
        }
        EXPECT_EQ(POPS_Do(r.h, kPopsDisconnect), 0) << POPS_GetLastError(r.h);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
        for (int i = 0; i < 500 && sessions.load() < (ahead ? 2 : 1); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard<std::mutex> lock(mutex);
        const bool asked = std::find(commands.begin(), commands.end(), "RETR 2") != commands.end();
        EXPECT_EQ(asked, ahead) << "RETR 2 sent";
    }
}

// APOP answers the greeting's time stamp with the digest of RFC 1939's example; without a
// time stamp nothing is sent and the error says so; a refused password is the server's text.
TEST(Pops, LoginMethods) {
    EXPECT_EQ(ApopDigest("<1896.697170952@dbc.mtview.ca.us>", "tanstaaf"), "c4c9334bac560ecc979e58001b3e22fb");
    const struct {
        const char* name;
        const char* greeting;
        int mode;
        const char* password;
        int rc;
        const char* error;
        std::vector<std::string> commands;
    } cases[] = {
        {"apop", "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>", kPopsAuthApop, "tanstaaf", 0, "",
         {"APOP mrose c4c9334bac560ecc979e58001b3e22fb", "STAT", "QUIT"}},
        {"apop without time stamp", "+OK ready", kPopsAuthApop, "tanstaaf", kNetAuthFailed, "APOP timestamp not found.",
         {"QUIT"}},
        {"wrong password", "+OK ready", kPopsAuthUserPass, "wrong", kNetServerReply,
         "-ERR [AUTH] Authentication failed.", {"USER mrose", "PASS wrong", "QUIT"}},
    };
    for (const auto& c : cases) {
        ScriptedMailbox box(c.greeting);
        PopsRecorder r;
        r.Server(box.port());
        POPS_Set(r.h, kPopsAuthMode, 0, c.mode, 0);
        POPS_Set(r.h, kPopsUser, 0, "mrose", 0);
        POPS_Set(r.h, kPopsPassword, 0, c.password, 0);
        EXPECT_EQ(POPS_Do(r.h, kPopsConnect), c.rc) << c.name;
        EXPECT_EQ(POPS_GetLastError(r.h), c.error) << c.name;
        POPS_Do(r.h, kPopsDisconnect);
        EXPECT_EQ(box.Commands(), c.commands) << c.name;
    }
}

// The login method the component does not offer is refused before anything is sent, and
// so are credentials that would smuggle a second command.
TEST(Pops, UnofferedLoginMethodAndLineBreaksAreRefusedUnsent) {
    ScriptedMailbox box;
    PopsRecorder r;
    r.Server(box.port());
    POPS_Set(r.h, kPopsUser, 0, "mrose", 0);
    POPS_Set(r.h, kPopsAuthMode, 0, kPopsAuthUnsupported, 0);
    EXPECT_EQ(POPS_Do(r.h, kPopsConnect), kNetBadArgument);
    EXPECT_EQ(POPS_GetLastError(r.h).rfind("Unsupported login method 1", 0), 0u) << POPS_GetLastError(r.h);

    POPS_Set(r.h, kPopsAuthMode, 0, kPopsAuthUserPass, 0);
    POPS_Set(r.h, kPopsPassword, 0, "x\r\nDELE 1", 0);
    EXPECT_EQ(POPS_Do(r.h, kPopsConnect), kNetBadArgument);
    EXPECT_EQ(box.connections(), 0);
    EXPECT_TRUE(r.trail.empty());
}

// An interrupt from another thread ends a retrieval that waits on a stalled server at
// once: the text is empty, the error is 301, and the connection is closed.
TEST(Pops, InterruptEndsAStalledRetrieval) {
    ScriptedServer server([](ScriptConn& c) {
        c.Send("+OK ready\r\n");
        std::string line;
        while (c.ReadLine(line)) {
            if (line.rfind("RETR", 0) == 0) {
                c.Send("+OK\r\nSubject: half\r\n");
                c.WaitClose();
                return;
            }
            c.Send(line == "STAT" ? "+OK 1 10\r\n" : "+OK\r\n");
        }
    });
    PopsRecorder r;
    r.Server(server.port());
    POPS_Set(r.h, kPopsTimeout, 0, 30, 0);
    ASSERT_EQ(POPS_Do(r.h, kPopsConnect), 0) << POPS_GetLastError(r.h);
    ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 1, 0), 0);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        POPS_Do(r.h, kPopsInterrupt);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(POPS_GetText(r.h, kPopsMessageText, 0), "");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    canceller.join();
    EXPECT_LT(elapsed, std::chrono::milliseconds(700));
    EXPECT_EQ(POPS_GetLastErrorCode(r.h), kNetTimeout);
    EXPECT_EQ(POPS_GetLastError(r.h), "Interrupted.");
    EXPECT_EQ(POPS_Get(r.h, kPopsConnected, 0, nullptr), 0);
}

// Only a "+OK" to QUIT commits the deletions (RFC 1939). A "-ERR" ("some deleted messages
// not removed") or a connection that breaks before the answer makes the disconnect fail,
// with the reason as the last error, so that the receive run does not take its deletions
// for done. The connection is closed either way.
TEST(Pops, DisconnectFailsUnlessQuitIsAnsweredOk) {
    const struct {
        const char* name;
        const char* quitReply;  // null: the connection is reset instead
        int rc;
        const char* error;
    } cases[] = {
        {"+OK", "+OK bye", kNetOk, ""},
        {"-ERR", "-ERR some deleted messages not removed", kNetServerReply, "-ERR some deleted messages not removed"},
        {"reset", nullptr, kWsaEconnreset, nullptr},
    };
    for (const auto& c : cases) {
        ScriptedServer server([&](ScriptConn& conn) {
            conn.Send("+OK ready\r\n");
            std::string line;
            while (conn.ReadLine(line)) {
                if (line == "QUIT") {
                    if (c.quitReply) conn.Send(std::string(c.quitReply) + "\r\n");
                    else conn.Reset();
                    return;
                }
                conn.Send(line == "STAT" ? "+OK 1 10\r\n" : "+OK\r\n");
            }
        });
        PopsRecorder r;
        r.Server(server.port());
        ASSERT_EQ(POPS_Do(r.h, kPopsConnect), 0) << c.name << ": " << POPS_GetLastError(r.h);
        ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, 1, 0), 0);
        ASSERT_EQ(POPS_Do(r.h, kPopsDelete), 0);
        EXPECT_EQ(POPS_Do(r.h, kPopsDisconnect), c.rc) << c.name;
        EXPECT_EQ(POPS_GetLastErrorCode(r.h), c.rc) << c.name;
        if (c.error) {
            EXPECT_EQ(POPS_GetLastError(r.h), c.error) << c.name;
        }
        EXPECT_EQ(POPS_Get(r.h, kPopsConnected, 0, nullptr), 0) << c.name;
        EXPECT_EQ(r.trail.back(), "2:Disconnected.") << c.name;
    }
}

// A stored message holding a line longer than any reply may be comes whole, and so does
// the message after it: one odd message never ends every session at the same place. The
// greeting (and every reply) keeps the 1 MiB line limit.
TEST(Pops, LongLineInsideAMessageIsAccepted) {
    const std::string longLine(3 << 20, 'L');
    const std::string messages[] = {
        "Subject: long\r\n\r\n" + longLine + "\r\n.dot\r\n",
        "Subject: next\r\n\r\nbody\r\n",
    };
    ScriptedServer server([&](ScriptConn& conn) {
        conn.Send("+OK ready\r\n");
        std::string line;
        while (conn.ReadLine(line)) {
            if (line.rfind("RETR ", 0) == 0) conn.Send("+OK\r\n" + nettest::DotStuffed(messages[line[5] - '1']) + ".\r\n");
            else conn.Send(line == "STAT" ? "+OK 2 100\r\n" : "+OK\r\n");
            if (line == "QUIT") return;
        }
    });
    PopsRecorder r;
    r.Server(server.port());
    ASSERT_EQ(POPS_Do(r.h, kPopsConnect), 0) << POPS_GetLastError(r.h);
    for (int n : {1, 2}) {
        ASSERT_EQ(POPS_Set(r.h, kPopsMessageNumber, 0, n, 0), 0);
        const std::string text = POPS_GetText(r.h, kPopsMessageText, 0);
        EXPECT_EQ(POPS_GetLastErrorCode(r.h), 0) << POPS_GetLastError(r.h);
        EXPECT_EQ(POPS_GetText(r.h, kPopsMessageHeaders, 0) + "\r\n" + text, messages[n - 1]) << n;
    }
    EXPECT_EQ(POPS_Do(r.h, kPopsDisconnect), 0);

    ScriptedServer endless([](ScriptConn& conn) {
        conn.Send("+OK " + std::string(3 << 20, 'x') + "\r\n");
        conn.WaitClose();
    });
    r.Server(endless.port());
    EXPECT_EQ(POPS_Do(r.h, kPopsConnect), kNetProtocol);
    EXPECT_EQ(POPS_GetLastError(r.h), "Protocol error: a line from the server is longer than 1 MiB.");
}

// A status reply must come whole within the time-out, and a multi-line answer within the
// time-out plus a second for each KiB it brought: a server that drips its greeting or its
// listing is cut off soon after the time-out, while a large message that comes at a
// sound rate is read whole though it takes longer than the time-out.
TEST(Pops, EachReplyIsBoundedByTheTimeoutAndItsSize) {
    using namespace std::chrono;
    const std::string big = "Subject: big\r\n\r\n" + std::string(300 << 10, 'b') + "\r\n";  // ~300 KiB
    const struct {
        const char* name;
        const char* drips;  // the reply that drips, or "RETR" for the steady message
        int rc;
        milliseconds atLeast, below;
    } cases[] = {
        {"greeting", "greeting", kNetTimeout, milliseconds(900), milliseconds(1600)},
        {"listing", "UIDL", kNetTimeout, milliseconds(900), milliseconds(1600)},
        {"steady message", "RETR", kNetOk, milliseconds(1500), seconds(10)},
    };
    for (const auto& c : cases) {
        const std::string drips = c.drips;
        ScriptedServer server([&](ScriptConn& conn) {
            if (drips == "greeting") {
                conn.Trickle("+OK a greeting that comes a byte at a time\r\n", milliseconds(50));
                return;
            }
            conn.Send("+OK ready\r\n");
            std::string line;
            while (conn.ReadLine(line)) {
                if (line == "UIDL") {
                    conn.Send("+OK\r\n");
                    for (int i = 1; i <= 8; ++i) {
                        if (!conn.Send(std::to_string(i) + " uid-" + std::to_string(i) + "\r\n")) return;
                        std::this_thread::sleep_for(milliseconds(400));
                    }
                    conn.Send(".\r\n");
                } else if (line == "RETR 1") {
                    // ~150 KiB/s in 16 KiB pieces: twice the time-out in all.
                    const std::string wire = "+OK\r\n" + big + ".\r\n";
                    for (size_t at = 0; at < wire.size(); at += 16 << 10) {
                        conn.Send(wire.substr(at, 16 << 10));
                        std::this_thread::sleep_for(milliseconds(100));
                    }
                } else if (line == "QUIT") {
                    conn.Send("+OK bye\r\n");
                    return;
                } else {
                    conn.Send(line == "STAT" ? "+OK 1 300000\r\n" : line == "LIST" ? "+OK\r\n1 300000\r\n.\r\n" : "+OK\r\n");
                }
            }
        });
        PopsRecorder r;
        r.Server(server.port());
        POPS_Set(r.h, kPopsTimeout, 0, 1, 0);
        auto start = steady_clock::now();
        int rc = POPS_Do(r.h, kPopsConnect);
        if (drips != "greeting") {
            ASSERT_EQ(rc, 0) << c.name << ": " << POPS_GetLastError(r.h);
            start = steady_clock::now();
            if (drips == "UIDL") {
                rc = POPS_Do(r.h, kPopsList);
            } else {
                POPS_Set(r.h, kPopsMessageNumber, 0, 1, 0);
                EXPECT_EQ(POPS_GetText(r.h, kPopsMessageHeaders, 0) + "\r\n" + POPS_GetText(r.h, kPopsMessageText, 0), big)
                    << c.name;
                rc = POPS_GetLastErrorCode(r.h);
            }
        }
        const auto took = steady_clock::now() - start;
        EXPECT_EQ(rc, c.rc) << c.name << ": " << POPS_GetLastError(r.h);
        if (c.rc == kNetTimeout) {
            EXPECT_EQ(POPS_GetLastError(r.h).rfind("Timeout. The server's reply did not come whole within 1 s", 0), 0u)
                << c.name << ": " << POPS_GetLastError(r.h);
            EXPECT_EQ(POPS_Get(r.h, kPopsConnected, 0, nullptr), 0) << c.name;
        }
        EXPECT_GE(took, c.atLeast) << c.name;
        EXPECT_LT(took, c.below) << c.name;
    }
}

}  // namespace pops_test
