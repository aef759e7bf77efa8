#include "core/transport/mail_pop.h"

#include "transport_test_servers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using nettest::ScriptConn;
using nettest::ScriptedServer;

namespace {

// Three messages as a mail server stores them: CR LF lines, one line starting with a dot.
const std::string kMessages[] = {
    "From: a@example.com\r\nSubject: one\r\n\r\nfirst body\r\n",
    "From: b@example.com\r\nSubject: two\r\n\r\n.leading dot\r\n..two dots\r\n.\r\nend\r\n",
    "From: c@example.com\r\nSubject: three\r\n\r\nthird body\r\n",
};

struct PopFixture : ::testing::Test {
    void SetUp() override {
        user = dovecot.AddUser(password);
        for (const std::string& m : kMessages) dovecot.AddMessage(user, m);
    }
    int Login(MailPop& pop) {
        pop.SetTimeOutTime(10000);
        pop.SetTimeOutTimeBeforeConnect(5000);
        return pop.PopLogin(user.c_str(), password.c_str(), "127.0.0.1", dovecot.pop3Port(), 0);
    }
    transporttest::DovecotServer& dovecot = transporttest::SharedDovecot();
    std::string user;
    const std::string password = "pa^ss word";
};

// List, retrieve byte for byte, delete: the deletion takes effect at logout.
TEST_F(PopFixture, ListRetrieveAndDeleteAgainstDovecot) {
    MailPop pop;
    ASSERT_EQ(Login(pop), 1) << pop.GetErrMsg().GetLastCode();
    EXPECT_EQ(pop.PopLogin(), 0);
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16005);
    ASSERT_EQ(pop.PopListUidl(), 1) << pop.GetErrMsg().GetLastCode();
    ASSERT_EQ(pop.GetMailCount(), 3);
    ASSERT_EQ(pop.GetMailList().size(), 3u);
    long total = 0;
    for (int i = 0; i < 3; ++i) {
        const MailPopInfo& info = pop.GetMailList()[i];
        EXPECT_EQ(info.number, i + 1);
        EXPECT_EQ(info.size, static_cast<long>(kMessages[i].size()));
        EXPECT_FALSE(info.uid.empty());
        total += info.size;
        std::string mail;
        ASSERT_EQ(pop.PopRetr(i + 1, mail), 1);
        EXPECT_EQ(mail, kMessages[i]);
    }
    EXPECT_EQ(pop.GetMailTotalSize(), total);
    EXPECT_NE(pop.GetMailList()[0].uid, pop.GetMailList()[1].uid);
    const std::string keptUid = pop.GetMailList()[2].uid;

    // A reset takes back a deletion mark; a mark still set at logout deletes.
    EXPECT_EQ(pop.PopDelete(1), 1);
    EXPECT_EQ(pop.PopReset(), 1);
    EXPECT_EQ(pop.PopDelete(2), 1);
    EXPECT_EQ(pop.PopDelete(2), 0);  // already marked: the server refuses
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16010);
    EXPECT_EQ(pop.PopLogout(), 1);
    EXPECT_FALSE(pop.IsConnected());
    EXPECT_EQ(pop.PopLogout(), 0);
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16002);

    ASSERT_EQ(pop.PopLogin(), 1);  // the stored account and server are used again
    ASSERT_EQ(pop.PopListUidl(), 1);
    ASSERT_EQ(pop.GetMailCount(), 2);
    EXPECT_EQ(pop.GetMailList()[1].uid, keptUid);
    std::string mail;
    ASSERT_EQ(pop.PopRetr(1, mail), 1);
    EXPECT_EQ(mail, kMessages[0]);
}

TEST_F(PopFixture, RefusedLoginKeepsTheServersReply) {
    MailPop pop;
    pop.SetTimeOutTime(10000);
    EXPECT_EQ(pop.PopLogin(user.c_str(), "wrong", "127.0.0.1", dovecot.pop3Port(), 0), 0);
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16007);
    EXPECT_NE(pop.GetErrMsg().GetLastMsg().find("-ERR"), std::string::npos);
    EXPECT_FALSE(pop.IsLoggedIn());
    EXPECT_EQ(pop.PopLogin(nullptr, password.c_str()), 1);  // a second try with the right one
}

TEST(MailPopSettings, RefusesBadSettings) {
    MailPop pop;
    struct Case {
        const char* host;
        int port, type, code;
    } hosts[] = {{"", 110, 0, 16004}, {"h", 0, 0, 16004}, {"h", 110, 2, 16004}, {"h", 110, 1, 0}};
    for (const Case& c : hosts) {
        EXPECT_EQ(pop.SetPopHost(c.host, c.port, c.type), c.code == 0 ? 1 : 0) << c.host << c.port << c.type;
        if (c.code != 0) {
            EXPECT_EQ(pop.GetErrMsg().GetLastCode(), c.code);
        }
    }
    EXPECT_EQ(pop.GetPopType(), 1);
    EXPECT_EQ(pop.SetUserAccount("", "x"), 0);
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16003);
    EXPECT_EQ(pop.SetUserAccount("u", nullptr), 0);
    // A line break in the account would smuggle a command to the server.
    EXPECT_EQ(pop.PopLogin("u\r\nDELE 1", "p", "127.0.0.1", 110, 0), 0);
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16003);
    EXPECT_EQ(pop.PopLogin("u", "p", "127.0.0.1", nettest::ClosedPort(), 0), 0);
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 2307);  // connection refused
    EXPECT_FALSE(pop.IsConnected());
}

// The example of RFC 1939: the digest of the time stamp and the password.
TEST(MailPopScripted, ApopAnswersTheRfcExample) {
    std::string command;
    ScriptedServer server([&](ScriptConn& conn) {
        conn.Send("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n");
        conn.ReadLine(command);
        conn.Send("+OK maildrop has 0 messages\r\n");
        std::string quit;
        if (conn.ReadLine(quit)) conn.Send("+OK bye\r\n");
    });
    MailPop pop;
    pop.SetTimeOutTime(5000);
    ASSERT_EQ(pop.PopLogin("mrose", "tanstaaf", "127.0.0.1", server.port(), MailPop::kLoginApop), 1);
    EXPECT_EQ(command, "APOP mrose c4c9334bac560ecc979e58001b3e22fb");
}

// APOP with an unusable time stamp fails before anything is sent.
TEST(MailPopScripted, ApopNeedsOneAtSignInTheTimeStamp) {
    for (const char* greeting : {"+OK ready <1.2@a@b>", "+OK ready", "+OK ready <no-at-sign>"}) {
        std::string received = "(nothing)";
        {
            ScriptedServer server([&](ScriptConn& conn) {
                conn.Send(std::string(greeting) + "\r\n");
                if (!conn.ReadLine(received)) received = "(nothing)";
            });
            MailPop pop;
            pop.SetTimeOutTime(5000);
            EXPECT_EQ(pop.PopLogin("u", "p", "127.0.0.1", server.port(), MailPop::kLoginApop), 0);
            EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16013) << greeting;
            EXPECT_FALSE(pop.IsConnected());
        }
        EXPECT_EQ(received, "(nothing)") << greeting;
    }
}

// Numbers outside the list are refused without a command; a list longer than STAT said
// is refused; a greeting other than "+OK" ends the login.
TEST(MailPopScripted, RefusesWhatDoesNotFit) {
    std::vector<std::string> commands;
    ScriptedServer server([&](ScriptConn& conn) {
        conn.Send("+OK hello\r\n");
        std::string line;
        while (conn.ReadLine(line)) {
            commands.push_back(line);
            if (line == "STAT") {
                conn.Send("+OK 1 10\r\n");
            } else if (line == "LIST") {
                conn.Send(commands.size() < 6 ? "+OK\r\n1 10\r\n.\r\n" : "+OK\r\n1 10\r\n2 20\r\n.\r\n");
            } else if (line == "UIDL") {
                conn.Send("+OK\r\n1 uid-one\r\n.\r\n");
            } else if (line == "QUIT") {
                conn.Send("+OK bye\r\n");
                return;
            } else {
                conn.Send("+OK\r\n");
            }
        }
    });
    MailPop pop;
    pop.SetTimeOutTime(5000);
    ASSERT_EQ(pop.PopLogin("u", "p", "127.0.0.1", server.port(), 0), 1);
    ASSERT_EQ(pop.PopListUidl(), 1);
    ASSERT_EQ(pop.GetMailList().size(), 1u);
    EXPECT_EQ(pop.GetMailList()[0].uid, "uid-one");
    std::string mail;
    for (long n : {0L, 2L, -1L}) {
        EXPECT_EQ(pop.PopRetr(n, mail), 0);
        EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16009);
    }
    EXPECT_EQ(pop.PopListUidl(), 0);  // two entries where STAT counted one
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16008);
    EXPECT_EQ(pop.PopLogout(), 1);
    const std::vector<std::string> expected = {"USER u", "PASS p", "STAT", "LIST", "UIDL", "STAT", "LIST", "QUIT"};
    EXPECT_EQ(commands, expected);

    ScriptedServer grumpy([](ScriptConn& conn) { conn.Send("-ERR go away\r\n"); });
    EXPECT_EQ(pop.PopLogin("u", "p", "127.0.0.1", grumpy.port(), 0), 0);
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 16006);
}

// A listing that comes a line now and then, each within the time-out, is cut off soon
// after the time-out, not after the sum of its gaps.
TEST(MailPopScripted, DrippingListingEndsAfterTheTimeout) {
    ScriptedServer server([](ScriptConn& conn) {
        conn.Send("+OK hello\r\n");
        std::string line;
        while (conn.ReadLine(line)) {
            if (line == "STAT") {
                conn.Send("+OK 20 200\r\n");
            } else if (line == "LIST") {
                conn.Send("+OK\r\n");
                for (int i = 1; i <= 20; ++i) {
                    if (!conn.Send(std::to_string(i) + " 10\r\n")) return;
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
                conn.Send(".\r\n");
            } else {
                conn.Send("+OK\r\n");
            }
        }
    });
    MailPop pop;
    pop.SetTimeOutTime(300);
    ASSERT_EQ(pop.PopLogin("u", "p", "127.0.0.1", server.port(), 0), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(pop.PopListUidl(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_FALSE(pop.IsConnected());
}

// Only a "+OK" to QUIT commits the deletions (RFC 1939): a "-ERR" or a connection that
// breaks before the answer is a failed logout, so the caller knows the marked messages
// may still be on the server. The connection is closed either way.
TEST(MailPopScripted, LogoutFailsUnlessQuitIsAnsweredOk) {
    const struct {
        const char* name;
        const char* quitReply;  // null: the connection is reset instead
        int result, code;
    } cases[] = {
        {"+OK", "+OK bye", 1, 0},
        {"-ERR", "-ERR some deleted messages not removed", 0, 16012},
        {"reset", nullptr, 0, 2327},
    };
    for (const auto& c : cases) {
        ScriptedServer server([&](ScriptConn& conn) {
            conn.Send("+OK hello\r\n");
            std::string line;
            while (conn.ReadLine(line)) {
                if (line != "QUIT") {
                    conn.Send("+OK\r\n");
                } else {
                    if (c.quitReply) conn.Send(std::string(c.quitReply) + "\r\n");
                    else conn.Reset();
                    return;
                }
            }
        });
        MailPop pop;
        pop.SetTimeOutTime(5000);
        ASSERT_EQ(pop.PopLogin("u", "p", "127.0.0.1", server.port(), 0), 1) << c.name;
        ASSERT_EQ(pop.PopDelete(1), 1) << c.name;
        EXPECT_EQ(pop.PopLogout(), c.result) << c.name;
        EXPECT_FALSE(pop.IsConnected()) << c.name;
        if (c.code != 0) {
            EXPECT_EQ(pop.GetErrMsg().GetLastCode(), c.code) << c.name;
        }
        if (c.code == 16012) {
            EXPECT_NE(pop.GetErrMsg().GetLastMsg().find(c.quitReply), std::string::npos);
        }
    }
}

// A stored message holding a line longer than any reply may be comes whole, and so does
// the message after it: one odd message never blocks the mailbox. The greeting keeps the
// reply limit.
TEST(MailPopScripted, LongLineInsideAMessageIsAccepted) {
    const std::string messages[] = {
        "Subject: long\r\n\r\n" + std::string(3 * SocketSupport::kMaxPendingLine, 'L') + "\r\n.dot\r\n",
        "Subject: next\r\n\r\nbody\r\n",
    };
    ScriptedServer server([&](ScriptConn& conn) {
        conn.Send("+OK hello\r\n");
        std::string line;
        while (conn.ReadLine(line)) {
            if (line == "STAT") {
                conn.Send("+OK 2 100\r\n");
            } else if (line == "LIST") {
                conn.Send("+OK\r\n1 50\r\n2 50\r\n.\r\n");
            } else if (line == "UIDL") {
                conn.Send("+OK\r\n1 a\r\n2 b\r\n.\r\n");
            } else if (line.rfind("RETR ", 0) == 0) {
                conn.Send("+OK\r\n" + nettest::DotStuffed(messages[line[5] - '1']) + ".\r\n");
            } else {
                conn.Send("+OK\r\n");
                if (line == "QUIT") return;
            }
        }
    });
    MailPop pop;
    pop.SetTimeOutTime(5000);
    ASSERT_EQ(pop.PopLogin("u", "p", "127.0.0.1", server.port(), 0), 1);
    ASSERT_EQ(pop.PopListUidl(), 1);
    for (long n : {1L, 2L, 1L}) {
        std::string mail;
        ASSERT_EQ(pop.PopRetr(n, mail), 1) << n << " " << pop.GetErrMsg().GetLastCode();
        EXPECT_EQ(mail, messages[n - 1]) << n;
    }
    EXPECT_EQ(pop.PopLogout(), 1);

    ScriptedServer endless([](ScriptConn& conn) {
        conn.Send("+OK " + std::string(SocketSupport::kMaxPendingLine, 'x'));
        conn.WaitClose();
    });
    EXPECT_EQ(pop.PopLogin("u", "p", "127.0.0.1", endless.port(), 0), 0);
    EXPECT_EQ(pop.GetErrMsg().GetLastCode(), 2328);
}

}  // namespace
