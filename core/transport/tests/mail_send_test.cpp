#include "core/transport/mail_send.h"

#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/encoded_word.h"
#include "transfer_log_fixture.h"
#include "transport_test_servers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <functional>
#include <map>
#include <regex>

using nettest::ScriptConn;
using nettest::ScriptedServer;
using nettest::SpawnedSmtpServer;

namespace {

using transporttest::J;

std::string Jis(const std::string& sjis) {
    KCodeC code;
    return code.sjtojis7(sjis, 1);
}

// A client with a complete message for `port`.
void Prepare(MailSend& mail, int port, const std::string& body) {
    mail.SetTimeOutTime(10000);
    mail.SetTimeOutTimeBeforeConnect(5000);
    ASSERT_EQ(mail.SetSmtpHost("127.0.0.1", port), 1);
    ASSERT_EQ(mail.SetSenderAddr("from@example.com"), 1);
    ASSERT_EQ(mail.SetRecipient("to@example.com"), 1);
    mail.SetHeader("Subject: test");
    mail.SetBody(body);
}

// Three messages over one connection (one login), each arriving exactly as built; the
// connection ends after the third.
TEST(MailSendServer, ThreeMessagesOverOneConnectionArriveByteIdentical) {
    SpawnedSmtpServer server({"--user", "alice:pa^ss"});
    MailSend mail;
    mail.SetContCountMax(3);
    mail.SetSmtpAuth(true, false, true, false);
    mail.SetSmtpUserPass("alice", "pa^ss");
    std::vector<std::string> expected;
    for (int i = 1; i <= 3; ++i) {
        const std::string body = J("本文です") + std::to_string(i) + "\r\n.dot line\r\n.\r\nlast";
        if (i == 1) {
            Prepare(mail, server.port(), body);
        } else {  // the connection is kept: the server cannot change now
            EXPECT_EQ(mail.SetSmtpHost("127.0.0.1", server.port()), 0);
            EXPECT_EQ(mail.GetErrMsg().GetLastCode(), 2201);
            mail.SetRecipient("to@example.com");
            mail.SetHeader("Subject: test");
            mail.SetBody(body);
        }
        ASSERT_EQ(mail.AddHeader("To", J("山田 太郎"), "to@example.com"), 1);
        mail.SetMessageID("id" + std::to_string(i) + "@example.com");
        ASSERT_EQ(mail.Send(), 1) << mail.GetErrMsg().GetLastCode() << " " << SjisToUtf8(mail.GetErrMsg().GetLastMsg());
        EXPECT_EQ(mail.IsConnected(), i < 3);
        EXPECT_TRUE(mail.GetRecipient().empty());
        EXPECT_TRUE(mail.GetMessageID().empty());
        expected.push_back("Subject: test\r\nTo: \"" + MIMEBase64EncodeForJIS(Jis(J("山田 太郎"))) +
                           "\" <to@example.com>\r\nMessage-Id: <id" + std::to_string(i) +
                           "@example.com>\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n"
                           "Mime-Version: 1.0\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
                           Jis(body) + "\r\n");
    }
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(server.Message(i), expected[i - 1]) << i;
        EXPECT_EQ(server.Envelope(i), "from@example.com\nto@example.com\n");
    }
    EXPECT_EQ(server.AuthLog(), "LOGIN alice pa^ss\n");  // one login for the three
}

// A "^" in the password stays a "^" with every mechanism; with all allowed, CRAM-MD5 wins.
TEST(MailSendServer, LogsInWithEachMechanism) {
    SpawnedSmtpServer server({"--user", "bob:pa^ss^"});
    struct Case {
        bool cram, login, plain;
        const char* logged;
    } cases[] = {
        {false, false, true, "PLAIN bob pa^ss^"},
        {false, true, true, "LOGIN bob pa^ss^"},
        {true, true, true, "CRAM-MD5 bob "},  // then the hex digest
    };
    std::string log;
    for (const Case& c : cases) {
        MailSend mail;
        Prepare(mail, server.port(), "hello");
        mail.SetSmtpAuth(true, c.cram, c.login, c.plain);
        mail.SetSmtpUserPass("bob", "pa^ss^");
        EXPECT_EQ(mail.Send(), 1) << c.logged << " " << mail.GetErrMsg().GetLastCode();
        const std::string now = server.AuthLog();
        EXPECT_EQ(now.substr(log.size()).rfind(c.logged, 0), 0u) << now;
        log = now;
    }
    MailSend wrong;
    Prepare(wrong, server.port(), "hello");
    wrong.SetSmtpAuth(true, false, false, true);
    wrong.SetSmtpUserPass("bob", "pa^ss");
    EXPECT_EQ(wrong.Send(), -3);
    EXPECT_EQ(wrong.GetErrMsg().GetLastCode(), 2108);
    EXPECT_FALSE(wrong.IsConnected());

    MailSend check;
    Prepare(check, server.port(), "unused");
    check.SetSmtpAuth(true, true, true, true);
    check.SetSmtpUserPass("bob", "pa^ss^");
    EXPECT_EQ(check.CheckSMTP(), 0);
    EXPECT_FALSE(check.IsConnected());
    check.SetSmtpUserPass("bob", "bad");
    EXPECT_EQ(check.CheckSMTP(), -3);
    EXPECT_EQ(check.GetErrMsg().GetLastCode(), 2108);
}

// An SMTP server that answers each command by the first reply whose key starts the
// command, and records what it received (the DATA payload as it came, still stuffed).
struct SmtpScript {
    std::string greeting = "220 scripted ESMTP";
    std::map<std::string, std::string> replies;
    std::vector<std::string> commands;
    std::string data;

    void Run(ScriptConn& conn) {
        conn.Send(greeting + "\r\n");
        std::string line;
        while (conn.ReadLine(line)) {
            commands.push_back(line);
            std::string reply = "250 ok";
            for (const auto& [key, answer] : replies) {
                if (line.rfind(key, 0) == 0) reply = answer;
            }
            if (line == "DATA" && replies.count("DATA") == 0) reply = "354 go on";
            conn.Send(reply + "\r\n");
            if (line == "DATA" && reply[0] == '3' && !conn.ReadData(data)) return;
            if (line == "DATA" && reply[0] == '3') conn.Send("250 queued\r\n");
            if (line == "QUIT") return;
        }
    }
};

// The example of RFC 2195.
TEST(MailSendScripted, CramMd5AnswersTheRfcExample) {
    SmtpScript script;
    script.replies = {{"EHLO", "250-scripted\r\n250 AUTH CRAM-MD5"},
                      {"AUTH CRAM-MD5", "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+"},
                      {"dGlt", "235 Authentication successful"}};
    ScriptedServer server([&](ScriptConn& conn) { script.Run(conn); });
    {
        MailSend mail;
        Prepare(mail, server.port(), "x");
        mail.SetSmtpAuth(true, true, true, true);
        mail.SetSmtpUserPass("tim", "tanstaaftanstaaf");
        EXPECT_EQ(mail.Send(), 1) << mail.GetErrMsg().GetLastCode();
    }
    ASSERT_GE(script.commands.size(), 3u);
    EXPECT_EQ(script.commands[2], "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw");
}

// The trail shows commands, replies and steps, but never the login's lines.
TEST(MailSendScripted, TrailLogHidesTheCredentials) {
    nettest::TempDir dir;
    LogWriter::SetLogFolderForTesting(dir.path().string() + "/");
    SmtpScript script;
    script.replies = {{"EHLO", "250-scripted\r\n250 AUTH LOGIN"},
                      {"AUTH LOGIN", "334 VXNlcm5hbWU6"},  // "Username:"
                      {"dXNlcg", "334 UGFzc3dvcmQ6"},      // "Password:"
                      {"c2VjcmV0", "235 ok"}};
    ScriptedServer server([&](ScriptConn& conn) { script.Run(conn); });
    {
        MailSend mail;
        mail.SetLogSwitch(true);
        mail.InitLog();
        mail.WriteLogHeader("env", 7, 12, "");
        Prepare(mail, server.port(), "x");
        mail.SetSmtpAuth(true, true, true, true);
        mail.SetSmtpUserPass("user", "secret");
        EXPECT_EQ(mail.Send(), 1) << mail.GetErrMsg().GetLastCode();
        mail.WriteLogToFile();
    }
    LogWriter::SetLogFolderForTesting("");
    std::string log;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) log += nettest::ReadFile(e.path());
    for (const std::string& part : {std::string("EnvName:env\r\nMailID:7\r\nCustID:12\r\n"), std::string("[Send] Connect"),
                                    J("｜S｜") + "MAIL FROM:<from@example.com>", J("｜R｜") + "235 ok",
                                    J("｜S｜") + "********"}) {
        EXPECT_NE(log.find(part), std::string::npos) << part << "\n" << log;
    }
    EXPECT_EQ(log.find("dXNlcg"), std::string::npos);
    EXPECT_EQ(log.find("c2VjcmV0"), std::string::npos);
}

// Every line of the payload that starts with a dot is stuffed, attachment parts included,
// and bare LF becomes CR LF: the message cannot end early.
TEST(MailSendScripted, StuffsTextAndAttachmentParts) {
    SmtpScript script;
    ScriptedServer server([&](ScriptConn& conn) { script.Run(conn); });
    {
        MailSend mail;
        Prepare(mail, server.port(), ".first\r\ntext\r\n.");
        mail.AddAttachFile("Content-Type: text/plain\nContent-Disposition: attachment\n\n.\n..two\nQUIT");
        EXPECT_EQ(mail.Send(), 1) << mail.GetErrMsg().GetLastCode();
    }
    const std::vector<std::string> expected = {"HELO", "MAIL FROM:<from@example.com>", "RCPT TO:<to@example.com>",
                                               "DATA", "QUIT"};
    ASSERT_EQ(script.commands.size(), expected.size());
    EXPECT_EQ(script.commands[0].rfind("HELO ", 0), 0u);
    for (size_t i = 1; i < expected.size(); ++i) EXPECT_EQ(script.commands[i], expected[i]);

    std::smatch m;
    ASSERT_TRUE(std::regex_search(script.data, m, std::regex("boundary=\"(_MULTIPART_[0-9]{17}_.{4}_MIXED_)\"")))
        << script.data;
    const std::string b = m[1];
    EXPECT_NE(script.data.find("\r\n\r\n--" + b + "\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n"
                               "Content-Transfer-Encoding: 7bit\r\n\r\n..first\r\ntext\r\n..\r\n"
                               "--" + b + "\r\nContent-Type: text/plain\r\nContent-Disposition: attachment\r\n\r\n"
                               "..\r\n...two\r\nQUIT\r\n--" + b + "--\r\n"),
              std::string::npos)
        << script.data;
}

// Refusals and failures: result, error number, and for a refused recipient the entry.
TEST(MailSendScripted, RefusalsGiveTheirNumbers) {
    struct Case {
        const char* name;
        std::string greeting;
        std::map<std::string, std::string> replies;
        bool auth;
        int result, code;
    } cases[] = {
        {"greeting", "554 no service", {}, false, -3, 2104},
        {"HELO", "220 hi", {{"HELO", "501 bad name"}}, false, -3, 2104},
        {"EHLO", "220 hi", {{"EHLO", "502 not implemented"}}, true, -3, 2104},
        {"no AUTH", "220 hi", {{"EHLO", "250-hi\r\n250 SIZE 100"}}, true, -2, 2106},
        {"no allowed mechanism", "220 hi", {{"EHLO", "250-hi\r\n250 AUTH GSSAPI"}}, true, -4, 2107},
        {"AUTH refused", "220 hi", {{"EHLO", "250 AUTH LOGIN"}, {"AUTH", "504 no"}}, true, -4, 2109},
        {"odd LOGIN prompt", "220 hi", {{"EHLO", "250 AUTH=LOGIN"}, {"AUTH", "334 V2hvPw=="}}, true, -4, 2109},
        {"MAIL", "220 hi", {{"MAIL", "550 sender refused"}}, false, 0, 2105},
        {"RCPT", "220 hi", {{"RCPT", "550 no such user"}}, false, 0, 2105},
        {"DATA", "220 hi", {{"DATA", "554 no data"}}, false, 0, 2105},
    };
    for (const Case& c : cases) {
        SmtpScript script;
        script.greeting = c.greeting;
        script.replies = c.replies;
        ScriptedServer server([&](ScriptConn& conn) { script.Run(conn); });
        MailSend mail;
        Prepare(mail, server.port(), "x");
        mail.SetSmtpAuth(c.auth, true, true, true);
        mail.SetSmtpUserPass("u", "p");
        EXPECT_EQ(mail.Send(), c.result) << c.name;
        EXPECT_EQ(mail.GetErrMsg().GetLastCode(), c.code) << c.name;
        EXPECT_FALSE(mail.IsConnected()) << c.name;
        std::vector<MailSendErr> refused;
        mail.GetErrList(refused);
        if (std::string(c.name) == "RCPT") {
            ASSERT_EQ(refused.size(), 1u);
            EXPECT_EQ(refused[0].addr, "to@example.com");
            EXPECT_EQ(refused[0].code, 550);
            EXPECT_NE(refused[0].msg.find("550 no such user"), std::string::npos);
        } else {
            EXPECT_TRUE(refused.empty()) << c.name;
        }
    }
}

// A connection that breaks, a line over the limit and a server that trickles its reply
// each end the send with a number and text of their own (never "no message for this
// code"); the connection is closed.
TEST(MailSendScripted, ConnectionFailuresSayWhatHappened) {
    using namespace std::chrono_literals;
    const auto afterHelo = [](ScriptConn& conn) {
        conn.Send("220 hi\r\n");
        std::string line;
        conn.ReadLine(line);
    };
    const struct {
        const char* name;
        std::function<void(ScriptConn&)> session;
        int code;
        int timeoutMs = 100;  // a reply must be whole within this
    } cases[] = {
        {"reset", [&](ScriptConn& conn) { afterHelo(conn); conn.Reset(); }, 2327},
        {"closed", afterHelo, 2326},
        // A megabyte over loopback may take longer than 0.1 s on a busy machine; the line is
        // refused once it passes the limit, long before this time-out.
        {"line over the limit",
         [](ScriptConn& conn) {
             conn.Send("220 " + std::string(SocketSupport::kMaxPendingLine, 'x'));
             conn.WaitClose();
         },
         2328, 30000},
        {"trickle", [](ScriptConn& conn) { conn.Trickle("220 " + std::string(200, 'x'), 20ms); }, 2320},
        {"dripping lines",
         [](ScriptConn& conn) {
             for (int i = 0; i < 20; ++i) {
                 if (!conn.Send("220-line " + std::to_string(i) + "\r\n")) return;
                 std::this_thread::sleep_for(60ms);
             }
             conn.Send("220 ready\r\n");
         },
         2320},
    };
    for (const auto& c : cases) {
        ScriptedServer server(c.session);
        MailSend mail;
        Prepare(mail, server.port(), "x");
        mail.SetTimeOutTime(c.timeoutMs);
        EXPECT_EQ(mail.Send(), -2) << c.name;
        EXPECT_EQ(mail.GetErrMsg().GetLastCode(), c.code) << c.name;
        std::string text;
        EXPECT_EQ(CErrMsg::GetErrMsgFromDefined(c.code, text), 1) << c.name;
        EXPECT_EQ(mail.GetErrMsg().GetLastMsg(), text) << c.name;
        EXPECT_FALSE(mail.IsConnected()) << c.name;
    }
}

TEST(MailSendSettings, RefusesMissingDataAndUnsafeAddresses) {
    MailSend mail;
    EXPECT_EQ(mail.Send(), -1);
    EXPECT_EQ(mail.GetErrMsg().GetLastCode(), 2005);
    ASSERT_EQ(mail.SetRecipient("earlier@example.com"), 1);
    EXPECT_EQ(mail.SetSmtpHost("", 25), 0);
    EXPECT_EQ(mail.GetErrMsg().GetLastCode(), 2205);
    EXPECT_EQ(mail.SetSmtpHost("h", 0), 0);
    for (const char* bad : {"a@b\r\nRCPT TO:<c@d>", "a@b\n", "a@b>", "<a@b", "a\rb"}) {
        EXPECT_EQ(mail.SetRecipient(bad), 0) << bad;
        EXPECT_EQ(mail.SetSenderAddr(bad), 0) << bad;
        EXPECT_EQ(mail.GetErrMsg().GetLastCode(), 2005);
        EXPECT_EQ(mail.AddHeader("To", "", bad), 0) << bad;
    }
    EXPECT_TRUE(mail.GetRecipient().empty());
    EXPECT_EQ(mail.AddHeader("To", "x\r\nBcc: spy@example.com", "a@b"), 0);
    ASSERT_EQ(mail.SetHeader("To", "Name", "a@b"), 1);
    ASSERT_EQ(mail.AddHeader("Cc", "", "c@d"), 1);
    ASSERT_EQ(mail.AddHeader("X-Note", "plain words", ""), 1);
    EXPECT_EQ(mail.SetHeader("From", "y\n", "z@w"), 0);  // a refused header keeps the text
    Prepare(mail, nettest::ClosedPort(), "x");
    mail.ClearMailHeader();
    mail.AddHeader("Subject: x");
    EXPECT_EQ(mail.Send(), -2);
    EXPECT_EQ(mail.GetErrMsg().GetLastCode(), 2307);  // connection refused
}

TEST(MailSendTexts, ReplyCodes) {
    struct Case {
        const char* reply;
        int result, signedCode;
    } cases[] = {
        {"250 ok\r\n", 250, 250},         {"250\r\n", 250, 250},       {"250-more\r\n", 250, -250},
        {"250-a\r\n354 go\r\n", 354, 354}, {"25O ok\r\n", 0, 0},        {"250x\r\n", 0, 0},
        {"", 0, 0},                        {"25\r\n", 0, 0},
    };
    for (const Case& c : cases) {
        int code = 99;
        EXPECT_EQ(MailSend::GetResponseStatus(c.reply, code), c.result) << c.reply;
        EXPECT_EQ(code, c.signedCode) << c.reply;
    }
}

TEST(MailSendTexts, IdsDatesBoundariesAndNames) {
    const std::string a = MailSend::MakeMessageID("example.com", 42);
    const std::string b = MailSend::MakeMessageID("example.com", 42);
    EXPECT_TRUE(std::regex_match(a, std::regex("[0-9]{17}\\.[0-9]{5}\\.42\\.example\\.com"))) << a;
    EXPECT_NE(a, b);  // the counter or the clock tells them apart

    EXPECT_TRUE(std::regex_match(MailSend::MakeSmtpDateNow(900),
                                 std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [0-9]{2} [A-Z][a-z]{2} [0-9]{4} "
                                            "[0-9]{2}:[0-9]{2}:[0-9]{2} \\+0900")));
    EXPECT_EQ(MailSend::MakeSmtpDateNow(-500).substr(26), "-0500");
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char zone[32];
    std::snprintf(zone, sizeof zone, "%c%02ld%02ld", local.tm_gmtoff < 0 ? '-' : '+', labs(local.tm_gmtoff) / 3600,
                  labs(local.tm_gmtoff) / 60 % 60);
    EXPECT_EQ(MailSend::MakeSmtpDateNow().substr(26), zone);  // the machine's own offset

    EXPECT_TRUE(std::regex_match(MailSend::MakeBoundary(),
                                 std::regex("_MULTIPART_[0-9]{17}_[A-Za-z0-9+/]{4}_MIXED_")));

    EXPECT_EQ(MailSend::EncodeFileName("report.pdf"), "report.pdf");
    const std::string encoded = MailSend::EncodeFileName(J("報告.pdf"));
    EXPECT_EQ(encoded.rfind("=?ISO-2022-JP?B?", 0), 0u) << encoded;

    EXPECT_TRUE(std::regex_match(MailSend::GetDllVersion(), std::regex("[0-9]+(\\.[0-9]+)+")))
        << MailSend::GetDllVersion();

    MailSend::SetXMailer("Ombrel test");
    EXPECT_EQ(MailSend::GetXMailer(), "Ombrel test");
    MailSend::SetXMailer("");
}

}  // namespace
