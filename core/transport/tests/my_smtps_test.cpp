#include "core/transport/my_smtps.h"

#include "platform/netssl/net_codec.h"
#include "platform/netssl/tests/net_test_servers.h"
#include "transfer_log_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <type_traits>

// The tests name the network layer's calls unqualified. The directive stays in this file's
// namespace, so that it reaches no file a unity build puts after this one.
namespace my_smtps_test {
using namespace netssl;
using nettest::ScriptConn;
using nettest::ScriptedServer;
using nettest::SpawnedSmtpServer;
using transporttest::J;
using transporttest::Replay;
using transporttest::TrailEvent;

// The client owns its component: a copy would destroy it twice.
static_assert(!std::is_copy_constructible_v<CMySMTPS> && !std::is_copy_assignable_v<CMySMTPS>);

namespace {
struct MySmtpsTest : transporttest::TransferLogTest {};
}  // namespace

TEST_F(MySmtpsTest, TrailFollowsTheProtocolStepAndHoldsItAfterAnError) {
    const struct {
        const char* name;
        std::vector<TrailEvent> events;
        int status;
    } cases[] = {
        {"steps in order",
         {{kTrailInfo, "Connecting to mail server."}, {kTrailInfo, "Connected."}, {kTrailSent, "EHLO host"},
          {kTrailReceived, "250-host"}, {kTrailReceived, "250 AUTH LOGIN"}, {kTrailSent, "mail from:<a@b>"}},
         CMySMTPS::kStepMailFrom},
        {"refused CRAM-MD5 is no error",
         {{kTrailSent, "AUTH CRAM-MD5"}, {kTrailReceived, "504 5.5.4 no"}, {kTrailSent, "AUTH LOGIN"}},
         CMySMTPS::kStepAuthLogin},
        {"error reply freezes the step",
         {{kTrailSent, "MAIL FROM:<a@b>"}, {kTrailReceived, "550 5.7.1 no"}, {kTrailSent, "RSET"},
          {kTrailSent, "QUIT"}, {kTrailInfo, "Disconnected."}},
         CMySMTPS::kStepMailFrom},
        {"continuation line is no reply code",
         {{kTrailSent, "EHLO host"}, {kTrailReceived, "250-host"}, {kTrailReceived, "550-5.1.1 odd"},
          {kTrailReceived, "250 HELP"}, {kTrailSent, "MAIL FROM:<a@b>"}},
         CMySMTPS::kStepMailFrom},
        {"code without a blank is no reply code",
         {{kTrailSent, "DATA"}, {kTrailReceived, "451"}, {kTrailSent, "QUIT"}},
         CMySMTPS::kStepQuit},
        {"error event freezes the step",
         {{kTrailSent, "DATA"}, {-1, "lost"}, {kTrailSent, "QUIT"}},
         CMySMTPS::kStepData},
        {"disconnected", {{kTrailSent, "QUIT"}, {kTrailReceived, "221 bye"}, {kTrailInfo, "Disconnected."}},
         CMySMTPS::kStepDisconnected},
        // Pipelined: each reply answers the oldest command waiting for one.
        {"pipelined refusal of the recipient",
         {{kTrailSent, "MAIL FROM:<a@b>"}, {kTrailSent, "RCPT TO:<c@d>"}, {kTrailSent, "DATA"},
          {kTrailReceived, "250 ok"}, {kTrailReceived, "550 5.1.1 no"}, {kTrailReceived, "554 5.5.1 no valid recipients"}},
         CMySMTPS::kStepRcptTo},
        {"pipelined end of data refused after the next envelope",
         {{kTrailSent, "MAIL FROM:<a@b>"}, {kTrailSent, "RCPT TO:<c@d>"}, {kTrailSent, "DATA"},
          {kTrailReceived, "250 ok"}, {kTrailReceived, "250 ok"}, {kTrailReceived, "354 go"},
          {kTrailSent, "MAIL FROM:<a@b>"}, {kTrailSent, "RCPT TO:<e@f>"}, {kTrailSent, "DATA"},
          {kTrailReceived, "554 5.7.1 spam"}},
         CMySMTPS::kStepData},
        {"a sender taken again ends the last error",
         {{kTrailSent, "MAIL FROM:<a@b>"}, {kTrailReceived, "451 4.7.1 rate"}, {kTrailSent, "RSET"},
          {kTrailSent, "MAIL FROM:<a@b>"}, {kTrailSent, "RCPT TO:<e@f>"}, {kTrailReceived, "250 reset"},
          {kTrailReceived, "250 ok"}, {kTrailReceived, "550 5.1.1 no"}},
         CMySMTPS::kStepRcptTo},
        {"lost while the end of data is due",
         {{kTrailSent, "DATA"}, {kTrailReceived, "354 go"}, {kTrailSent, "MAIL FROM:<a@b>"},
          {kTrailInfo, "Disconnected."}},
         CMySMTPS::kStepData},
    };
    for (const auto& c : cases) {
        CMySMTPS client;
        Replay(client, c.events);
        EXPECT_EQ(client.GetNowStatus(), c.status) << c.name;
    }
}

TEST(MySmtpsErrorText, TextRulesThenNumbersThenTheStep) {
    transporttest::ExpectErrorTexts(&CMySMTPS::JapaneseErrorText, {
        {"Timeout. No answer from the server within 1 s.", 301, -9,
         "サーバとの接続がタイムアウトしました。回線の状況を確認してください。"},
        {"Interrupted.", 301, -11, "送信サーバとの通信がタイムアウトしました。"},
        {"432 4.7.12 A password transition is needed", 120, -9,
         "処理を継続するには、SMTP認証（CRAM-MD5 または LOGIN）を行う必要があります。"},
        {"4327", 120, -9, "処理を継続するには、SMTP認証（CRAM-MD5 または LOGIN）を行う必要があります。"},
        {"450 4.1.2 <x@y>: Recipient address rejected: Domain not found", 120, -10,
         "送信者、もしくは、送信先のドメインが見つかりません。メールの送信に失敗しました。"},
        {"450 4.2.0 busy", 120, -10, "何らかの原因で送信に失敗しました。"},
        {"535 5.7.8 Authentication credentials invalid", 120, -7,
         "SMTP認証に失敗しました。ログインIDやパスワードを確認してください。"},
        {"553 5.7.1 Sender not logged in", 120, -9,
         "送信に失敗しました。SMTP認証でログインしなければならない可能性があります。"},
        {"550", 120, -10, "RCPT TOコマンドが受け付けられませんでした。送信先メールアドレスが正しいか確認してください。"},
        {"Server certificate verification failed. Connection aborted. (self-signed certificate)", 276, -2,
         "サーバ証明書の検証に失敗しました。"},
        {"Error during handshake: wrong version number.", 276, -2,
         "SSL通信を開始しようとしましたが、何らかの原因で通信が確立しませんでした。"},
        {"Receiving failed (276).", 276, -11, "SSL通信中にエラーが発生しました。接続を中止しました。"},
        {"The remotehost address is invalid (0.0.0.0).", 104, -1,
         "送信サーバアドレスが正しくありません。接続可能な送信サーバのアドレスを正しく指定してください。"},
        {"Connecting failed: Connection refused (10061).", 10061, -1,
         "接続が拒否されました。ファイアウォールの設定や接続回線の確認をしてください。"},
        {"Connection closed by the server (10053).", 10053, -2,
         "ソフトウェアが接続を中止しました。サーバへの接続途中で、何らかの障害が起きたようです。"},
        {"Connecting failed: No route to host (10065).", 10065, -1, "ホストへの経路がありません。接続回線の確認をしてください。"},
        {"Connecting failed: Connection timed out (10060).", 10060, -1,
         "サーバとの接続がタイムアウトしました。回線の状況、アドレスやポート番号を確認してください。"},
        {"something else", 120, 0, "不明なエラーが発生しました。"},
        {"something else", 120, -13, "送信サーバから切断しましたが、不明なエラーが発生しました。"},
        {"something else", 120, 3, nullptr},
    });
}

// Against the real server, the log shows the dialogue but no credential in any form.
TEST_F(MySmtpsTest, LogShowsTheTrailButNeverTheCredentials) {
    const std::string user = "taro", password = "s3cret-Pass";
    for (const char* exclude : {"", "LOGIN"}) {  // AUTH LOGIN, then AUTH PLAIN
        SpawnedSmtpServer server(*exclude ? std::vector<std::string>{"--user", user + ":" + password, "--exclude", exclude}
                                          : std::vector<std::string>{"--user", user + ":" + password});
        {
            CMySMTPS client;
            client.SetLogTitle(J("メール送信 - テスト"));
            auto* h = client.GetHandle();
            SMTPS_Set(h, kSmtpsServer, 0, "127.0.0.1", 0);
            SMTPS_Set(h, kSmtpsPort, 0, server.port(), 0);
            SMTPS_Set(h, kSmtpsSslStartMode, 0, kSslOff, 0);
            SMTPS_Set(h, kSmtpsUser, 0, user.c_str(), 0);
            SMTPS_Set(h, kSmtpsPassword, 0, password.c_str(), 0);
            ASSERT_EQ(SMTPS_Do(h, kSmtpsConnect), 0) << SMTPS_GetLastError(h);
            SMTPS_Set(h, kSmtpsFrom, 0, "taro@example.jp", 0);
            SMTPS_Set(h, kSmtpsTo, 0, "hanako@example.jp", 0);
            SMTPS_Set(h, kSmtpsHeaderText, 0, "Subject: hi\r\n\r\nbody", 0);
            ASSERT_EQ(SMTPS_Do(h, kSmtpsSend), 0) << SMTPS_GetLastError(h);
            SMTPS_Do(h, kSmtpsDisconnect);
            EXPECT_EQ(client.GetNowStatus(), CMySMTPS::kStepDisconnected);
        }
        EXPECT_NE(server.AuthLog().find(password), std::string::npos);  // the server did get it
    }
    const std::string log = LogText();
    for (const std::string& line :
         {J("[送信]AUTH LOGIN\r\n"), J("[送信]********\r\n"), J("[送信]AUTH PLAIN ********\r\n"),
          J("[送信]MAIL FROM:<taro@example.jp>\r\n"), J("[受信]235 2.7.0 Authentication successful\r\n"),
          J("[情報]Connected.\r\n"), J("メール送信 - テスト")}) {
        EXPECT_NE(log.find(line), std::string::npos) << SjisToUtf8(line);
    }
    for (const std::string& secret :
         {password, Base64Encode(password), Base64Encode(user), Base64Encode(std::string(1, '\0') + user + '\0' + password)}) {
        EXPECT_EQ(log.find(secret), std::string::npos) << secret;
    }
}

// The send session's connect: CRAM-MD5 first, 161, then LOGIN; a wrong password then
// names the LOGIN step and the server's 535.
TEST_F(MySmtpsTest, WrongPasswordAfterTheCramRetryGivesThe535Text) {
    ScriptedServer server([](ScriptConn& c) {
        c.Send("220 scripted\r\n");
        std::string line;
        while (c.ReadLine(line)) {
            if (line.rfind("EHLO", 0) == 0) c.Send("250-scripted\r\n250 AUTH CRAM-MD5 LOGIN\r\n");
            else if (line == "AUTH CRAM-MD5") c.Send("504 5.5.4 not here\r\n");
            else if (line == "AUTH LOGIN") c.Send("334 VXNlcm5hbWU6\r\n");
            else if (line == Base64Encode("taro")) c.Send("334 UGFzc3dvcmQ6\r\n");
            else if (line == "QUIT") { c.Send("221 bye\r\n"); return; }
            else c.Send("535 5.7.8 Authentication credentials invalid\r\n");
        }
    });
    CMySMTPS client;
    auto* h = client.GetHandle();
    SMTPS_Set(h, kSmtpsServer, 0, "127.0.0.1", 0);
    SMTPS_Set(h, kSmtpsPort, 0, server.port(), 0);
    SMTPS_Set(h, kSmtpsUser, 0, "taro", 0);
    SMTPS_Set(h, kSmtpsPassword, 0, "wrong", 0);
    SMTPS_Set(h, kSmtpsAuthCram, 0, 1, 0);
    ASSERT_EQ(SMTPS_Do(h, kSmtpsConnect), kNetRetryWithoutCram);
    SMTPS_Do(h, kSmtpsDisconnect);
    SMTPS_Set(h, kSmtpsAuthCram, 0, 0, 0);
    EXPECT_EQ(SMTPS_Do(h, kSmtpsConnect), kNetServerReply);
    EXPECT_EQ(client.GetLastErrorInJapanese(), J("SMTP認証に失敗しました。ログインIDやパスワードを確認してください。"));
    EXPECT_EQ(client.GetNowStatus(), CMySMTPS::kStepAuthLogin);
    client.WriteLog();
    EXPECT_NE(LogText().find(J("[エラー理由][120]535 5.7.8 Authentication credentials invalid\r\n")), std::string::npos);
    EXPECT_EQ(LogText().find(Base64Encode("wrong")), std::string::npos);
}

TEST_F(MySmtpsTest, ClosedPortAndInitDefaults) {
    CMySMTPS client;
    auto* h = client.GetHandle();
    SMTPS_Set(h, kSmtpsPort, 0, 2525, 0);
    SMTPS_Set(h, kSmtpsTimeout, 0, 5, 0);
    SMTPS_Set(h, kSmtpsUser, 0, "u", 0);
    EXPECT_EQ(client.Init(), 0);
    EXPECT_EQ(SMTPS_Get(h, kSmtpsPort, 0, nullptr), 25);
    EXPECT_EQ(SMTPS_Get(h, kSmtpsTimeout, 0, nullptr), 60);
    EXPECT_EQ(SMTPS_GetText(h, kSmtpsUser, 0), "");

    SMTPS_Set(h, kSmtpsServer, 0, "127.0.0.1", 0);
    SMTPS_Set(h, kSmtpsPort, 0, nettest::ClosedPort(), 0);
    EXPECT_EQ(SMTPS_Do(h, kSmtpsConnect), 10061);
    EXPECT_EQ(client.GetNowStatus(), CMySMTPS::kStepConnecting);
    EXPECT_EQ(client.GetLastErrorInJapanese(), J("接続が拒否されました。ファイアウォールの設定や接続回線の確認をしてください。"));
}

// A connection lost in the middle of a send (reset, an answer outside the protocol, a
// reply trickled a byte at a time) is told as what happened, and the step stays at the
// command under way: the "Disconnected." line that follows does not turn it into
// "disconnected, unknown error". The trickled reply is cut off once the 1 s time-out
// has passed.
TEST_F(MySmtpsTest, LostConnectionNamesItsCause) {
    using namespace std::chrono_literals;
    const struct {
        const char* name;
        const char* failAt;  // the command whose answer fails
        int rc;
        int step;
        const char* message;  // UTF-8
    } cases[] = {
        {"reset", "MAIL FROM", 10054, CMySMTPS::kStepMailFrom,
         "送信サーバとの接続がリセットされました。送信サーバの状態や回線の状況を確認してください。"},
        {"not SMTP", "RCPT TO", kNetProtocol, CMySMTPS::kStepRcptTo,
         "送信サーバから想定外の応答がありました。アドレスやポート番号が送信サーバのものか確認してください。"},
        {"trickle", "DATA", kNetTimeout, CMySMTPS::kStepData,
         "サーバとの接続がタイムアウトしました。回線の状況を確認してください。"},
    };
    for (const auto& c : cases) {
        const std::string name = c.name;
        ScriptedServer server([&](ScriptConn& conn) {
            conn.Send("220 scripted\r\n");
            std::string line;
            while (conn.ReadLine(line)) {
                if (line.rfind(c.failAt, 0) != 0) {
                    conn.Send("250 ok\r\n");
                } else if (name == "reset") {
                    conn.Reset();
                    return;
                } else if (name == "not SMTP") {
                    conn.Send("hello there\r\n");
                } else {
                    conn.Trickle(std::string(100, '3'), 300ms);
                    return;
                }
            }
        });
        CMySMTPS client;
        auto* h = client.GetHandle();
        SMTPS_Set(h, kSmtpsServer, 0, "127.0.0.1", 0);
        SMTPS_Set(h, kSmtpsPort, 0, server.port(), 0);
        SMTPS_Set(h, kSmtpsTimeout, 0, 1, 0);
        ASSERT_EQ(SMTPS_Do(h, kSmtpsConnect), 0) << SMTPS_GetLastError(h);
        SMTPS_Set(h, kSmtpsFrom, 0, "taro@example.jp", 0);
        SMTPS_Set(h, kSmtpsTo, 0, "hanako@example.jp", 0);
        SMTPS_Set(h, kSmtpsHeaderText, 0, "Subject: hi\r\n\r\nbody", 0);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SMTPS_Do(h, kSmtpsSend), c.rc) << c.name << ": " << SMTPS_GetLastError(h);
        if (name == "trickle") {
            const auto took = std::chrono::steady_clock::now() - start;
            EXPECT_GE(took, 900ms);
            EXPECT_LT(took, 2s);
        }
        EXPECT_EQ(SMTPS_Get(h, kSmtpsConnected, 0, nullptr), 0) << c.name;
        EXPECT_EQ(client.GetNowStatus(), c.step) << c.name;
        EXPECT_EQ(client.GetLastErrorInJapanese(), J(c.message)) << c.name;
    }
}

// The client collects its protocol lines, yet every line is on the disk before the client
// waits for the server: a hang (or a kill during one) never hides the last exchange.
TEST_F(MySmtpsTest, ProtocolLinesAreOnTheDiskWhileTheClientWaits) {
    std::atomic<bool> seen{false};
    ScriptedServer server([&](ScriptConn& c) {
        c.Send("220 scripted ESMTP\r\n");
        std::string line;
        if (!c.ReadLine(line)) return;
        // The answer to EHLO is held until the log shows the command (at most 10 s).
        for (int i = 0; i < 1000 && !seen; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        c.Send("250 scripted\r\n");
        if (c.ReadLine(line)) c.Send("221 bye\r\n");
    });
    std::thread watcher([&] {
        for (int i = 0; i < 1000 && !seen; ++i) {
            const std::string log = LogText();
            seen = log.find(J("[受信]220 scripted ESMTP\r\n")) != std::string::npos &&
                   log.find(J("[送信]EHLO ")) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    CMySMTPS client;
    auto* h = client.GetHandle();
    SMTPS_Set(h, kSmtpsServer, 0, "127.0.0.1", 0);
    SMTPS_Set(h, kSmtpsPort, 0, server.port(), 0);
    EXPECT_EQ(SMTPS_Do(h, kSmtpsConnect), 0) << SMTPS_GetLastError(h);
    watcher.join();
    EXPECT_TRUE(seen);
    SMTPS_Do(h, kSmtpsDisconnect);
    client.WriteLog();
    EXPECT_NE(LogText().find(J("[受信]221 bye\r\n")), std::string::npos);
}

}  // namespace my_smtps_test
