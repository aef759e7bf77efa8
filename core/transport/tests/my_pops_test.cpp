#include "core/transport/my_pops.h"

#include "transfer_log_fixture.h"
#include "transport_test_servers.h"

#include <gtest/gtest.h>

#include <set>
#include <type_traits>

// The tests name the network layer's calls unqualified. The directive stays in this file's
// namespace, so that it reaches no file a unity build puts after this one.
namespace my_pops_test {
using namespace netssl;
using transporttest::J;
using transporttest::Replay;
using transporttest::TrailEvent;

// The client owns its component: a copy would destroy it twice.
static_assert(!std::is_copy_constructible_v<CMyPOPS> && !std::is_copy_assignable_v<CMyPOPS>);

namespace {

struct MyPopsTest : transporttest::TransferLogTest {};

// Sets the properties the receive session sets, then connects and logs in.
int Login(CMyPOPS& client, int port, const std::string& user, const std::string& password, int sslMode = kSslOff,
          const char* securityFlags = "SSLSecurityFlags=0x00000000") {
    auto* h = client.GetHandle();
    POPS_Set(h, kPopsTimeout, 0, 10, 0);
    POPS_Set(h, kPopsServer, 0, "127.0.0.1", 0);
    POPS_Set(h, kPopsPort, 0, port, 0);
    POPS_Set(h, kPopsSslStartMode, 0, sslMode, 0);
    POPS_Do(h, kPopsConfigure, securityFlags);
    POPS_Set(h, kPopsUser, 0, user.c_str(), 0);
    POPS_Set(h, kPopsPassword, 0, password.c_str(), 0);
    return POPS_Do(h, kPopsConnect);
}

// Messages as the mailbox stores them: a Japanese one, one whose lines the server must
// stuff, and a plain one.
const std::vector<std::string> kStored = {
    "From: a@example.jp\r\nTo: b@example.jp\r\nSubject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n"
    "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"ISO-2022-JP\"\r\n\r\n"
    "\x1b$B$3$s$K$A$O\x1b(B\r\n\x1b$B@$3&\x1b(B\r\n",
    "From: c@example.jp\r\nSubject: dots\r\n\r\n.leading dot\r\n.\r\n..\r\nend\r\n",
    "From: d@example.jp\r\nSubject: three\r\n\r\nthird\r\n",
};

}  // namespace

// Against a real Dovecot: the count, the unique ids in message order, each message's listed
// size and its header and text making up exactly what is stored, and a DELE that really
// deletes.
TEST_F(MyPopsTest, FetchesListsAndDeletesOnDovecot) {
    auto& dovecot = transporttest::SharedDovecot();
    const std::string user = dovecot.AddUser("pw-fetch");
    for (const auto& m : kStored) dovecot.AddMessage(user, m);

    std::vector<std::string> uids;
    {
        CMyPOPS client;
        client.SetLogTitle(J("メール受信 - テスト"));
        auto* h = client.GetHandle();
        ASSERT_EQ(Login(client, dovecot.pop3Port(), user, "pw-fetch"), 0) << POPS_GetLastError(h);
        ASSERT_EQ(POPS_Get(h, kPopsMessageCount, 0, nullptr), 3);
        ASSERT_EQ(client.ListMessageUIDs(), 0);
        uids = client.GetUidList();
        ASSERT_EQ(uids.size(), 3u);
        EXPECT_EQ(std::set<std::string>(uids.begin(), uids.end()).size(), 3u);
        for (int n = 1; n <= 3; ++n) {
            ASSERT_EQ(POPS_Set(h, kPopsMessageNumber, 0, n, 0), 0);
            EXPECT_EQ(POPS_GetText(h, kPopsMessageUid, 0), uids[n - 1]);
            EXPECT_EQ(POPS_Get(h, kPopsMessageSize, 0, nullptr), static_cast<long>(kStored[n - 1].size())) << n;
            const std::string header = POPS_GetText(h, kPopsMessageHeaders, 0);
            EXPECT_EQ(header + "\r\n" + POPS_GetText(h, kPopsMessageText, 0), kStored[n - 1]) << n;
        }
        EXPECT_EQ(client.GetNowStatus(), CMyPOPS::kStepRetr);
        // The list is only added to: callers empty it with Init.
        ASSERT_EQ(client.ListMessageUIDs(), 0);
        EXPECT_EQ(client.GetUidList().size(), 6u);

        ASSERT_EQ(POPS_Set(h, kPopsMessageNumber, 0, 2, 0), 0);
        ASSERT_EQ(POPS_Do(h, kPopsDelete), 0) << POPS_GetLastError(h);
        EXPECT_EQ(POPS_Do(h, kPopsDisconnect), 0);
        EXPECT_EQ(client.GetNowStatus(), CMyPOPS::kStepDisconnected);
    }
    CMyPOPS again;
    ASSERT_EQ(Login(again, dovecot.pop3Port(), user, "pw-fetch"), 0) << POPS_GetLastError(again.GetHandle());
    EXPECT_EQ(POPS_Get(again.GetHandle(), kPopsMessageCount, 0, nullptr), 2);
    ASSERT_EQ(POPS_Do(again.GetHandle(), kPopsList), 0);  // the message-list event fills the list too
    EXPECT_EQ(again.GetUidList(), (std::vector<std::string>{uids[0], uids[2]}));
    POPS_Do(again.GetHandle(), kPopsDisconnect);
    again.WriteLog();

    const std::string log = LogText();
    for (const std::string& line : {J("メール受信 - テスト"), J("[送信]USER ") + user + "\r\n", J("[送信]PASS ********\r\n"),
                                    J("[送信]UIDL\r\n"), J("[受信]") + uids[2] + " (2)\r\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << SjisToUtf8(line);
    }
    EXPECT_EQ(log.find("pw-fetch"), std::string::npos);
}

// A refused password freezes the step at PASS: the user is told the login failed, and the
// log holds the server's reason but never the password.
TEST_F(MyPopsTest, WrongPasswordOnDovecotNamesTheLogin) {
    auto& dovecot = transporttest::SharedDovecot();
    const std::string user = dovecot.AddUser("right-one");
    CMyPOPS client;
    EXPECT_EQ(Login(client, dovecot.pop3Port(), user, "wrong-one"), kNetServerReply);
    EXPECT_EQ(client.GetNowStatus(), CMyPOPS::kStepPass);
    EXPECT_EQ(client.GetLastErrorInJapanese(),
              J("受信サーバへのログインに失敗しました。ユーザIDやパスワードを確認してください。"));
    EXPECT_EQ(POPS_Get(client.GetHandle(), kPopsConnected, 0, nullptr), 0);
    client.WriteLog();
    const std::string log = LogText();
    EXPECT_NE(log.find(J("[エラー理由][120]-ERR")), std::string::npos);
    EXPECT_NE(log.find(J("[送信]PASS ********\r\n")), std::string::npos);
    EXPECT_EQ(log.find("wrong-one"), std::string::npos);
}

// Implicit TLS and STLS with the test certificate accepted; the same certificate checked
// against the system store is refused with the certificate text; the login method the
// component does not offer is refused with the settings text.
TEST_F(MyPopsTest, TlsModesAndRefusals) {
    auto& dovecot = transporttest::SharedDovecot();
    const std::string user = dovecot.AddUser("pw-tls");
    dovecot.AddMessage(user, kStored[2]);
    const struct {
        const char* name;
        bool implicitPort;
        int sslMode;
        const char* flags;
        int authMode;
        int rc;
        const char* message;  // UTF-8, for a failure
    } cases[] = {
        {"implicit TLS", true, kSslImplicit, "SSLSecurityFlags=0xFFFFFFFF", kPopsAuthUserPass, 0, nullptr},
        {"STLS", false, kSslStartTls, "SSLSecurityFlags=0xFFFFFFFF", kPopsAuthUserPass, 0, nullptr},
        {"unverified certificate", true, kSslImplicit, "SSLSecurityFlags=0x00000000", kPopsAuthUserPass, kNetSslError,
         "サーバ証明書の検証に失敗しました。"},
        {"login method not offered", false, kSslOff, "SSLSecurityFlags=0x00000000", kPopsAuthUnsupported,
         kNetBadArgument, "受信サーバのプロトコル設定が正しくありません"},
    };
    for (const auto& c : cases) {
        CMyPOPS client;
        POPS_Set(client.GetHandle(), kPopsAuthMode, 0, c.authMode, 0);
        const int rc = Login(client, c.implicitPort ? dovecot.pop3sPort() : dovecot.pop3Port(), user, "pw-tls",
                             c.sslMode, c.flags);
        EXPECT_EQ(rc, c.rc) << c.name << ": " << POPS_GetLastError(client.GetHandle());
        if (c.rc == 0) {
            EXPECT_EQ(POPS_Get(client.GetHandle(), kPopsMessageCount, 0, nullptr), 1) << c.name;
            POPS_Do(client.GetHandle(), kPopsDisconnect);
        } else {
            EXPECT_EQ(client.GetLastErrorInJapanese(), J(c.message)) << c.name;
        }
    }
    EXPECT_NE(LogText().find("[SSL ]TLS session: TLSv1."), std::string::npos);
}

TEST_F(MyPopsTest, TrailFollowsTheStepAndMasksCredentials) {
    const struct {
        const char* name;
        std::vector<TrailEvent> events;
        int status;
    } cases[] = {
        {"steps in order",
         {{kTrailInfo, "Connecting to mail server."}, {kTrailInfo, "Connected."}, {kTrailReceived, "+OK ready"},
          {kTrailSent, "user taro"}, {kTrailReceived, "+OK"}, {kTrailSent, "PASS x"}, {kTrailSent, "STAT"},
          {kTrailSent, "UIDL"}},
         CMyPOPS::kStepUidl},
        {"-ERR to PASS freezes the step",
         {{kTrailSent, "USER taro"}, {kTrailSent, "PASS x"}, {kTrailReceived, "-ERR [AUTH] no"}, {kTrailSent, "QUIT"},
          {kTrailInfo, "Disconnected."}},
         CMyPOPS::kStepPass},
        {"error event freezes the step", {{kTrailSent, "RETR 1"}, {-1, "lost"}, {kTrailSent, "QUIT"}}, CMyPOPS::kStepRetr},
        {"disconnected", {{kTrailSent, "QUIT"}, {kTrailReceived, "+OK"}, {kTrailInfo, "Disconnected."}},
         CMyPOPS::kStepDisconnected},
    };
    for (const auto& c : cases) {
        CMyPOPS client;
        Replay(client, c.events);
        EXPECT_EQ(client.GetNowStatus(), c.status) << c.name;
    }
    {
        CMyPOPS client;
        client.FirePITrail(kTrailSent, "pass my secret");
        client.FirePITrail(kTrailSent, "APOP taro c4c9334bac560ecc979e58001b3e22fb");
        client.FireMessageList(7, "uid-7");
        EXPECT_EQ(client.GetUidList(), std::vector<std::string>{"uid-7"});
        // Nothing to list when not connected: the list stays as it was.
        EXPECT_EQ(client.ListMessageUIDs(), 0);
        EXPECT_EQ(client.GetUidList(), std::vector<std::string>{"uid-7"});
        EXPECT_EQ(client.Init(), 0);
        EXPECT_TRUE(client.GetUidList().empty());
    }
    const std::string log = LogText();
    for (const std::string& line :
         {J("[送信]PASS ********\r\n"), J("[送信]APOP taro ********\r\n"), J("[受信]uid-7 (7)\r\n")}) {
        EXPECT_NE(log.find(line), std::string::npos) << SjisToUtf8(line);
    }
    EXPECT_EQ(log.find("secret"), std::string::npos);
    EXPECT_EQ(log.find("c4c9334b"), std::string::npos);
}

TEST(MyPopsErrorText, TextRulesThenNumbersThenTheStep) {
    transporttest::ExpectErrorTexts(&CMyPOPS::JapaneseErrorText, {
        {"APOP timestamp not found.", 121, -2, "サーバがAPOPに対応していません。"},
        {"Timeout. No answer from the server within 1 s.", 301, -6,
         "サーバとの接続がタイムアウトしました。回線の状況を確認してください。"},
        {"Interrupted.", 301, -6, "受信サーバとの通信がタイムアウトしました。"},
        {"Error during handshake: wrong version number.", 276, -2,
         "SSL通信を開始しようとしましたが。何らかの原因で通信が確立しませんでした。"},
        {"Receiving failed (276): bad record mac.", 276, -6, "SSL通信中にエラーが発生しました。接続を中止しました。"},
        {"The remotehost address is invalid (0.0.0.0).", 11001, -1,
         "受信サーバアドレスが正しくありません。接続可能な送信サーバのアドレスを正しく指定してください。"},
        {"Connecting failed: Connection refused (10061).", 10061, -1,
         "接続が拒否されました。ファイアウォールの設定や接続回線の確認をしてください。"},
        {"-ERR [AUTH] Authentication failed.", 120, -4,
         "受信サーバへのログインに失敗しました。ユーザIDやパスワードを確認してください。"},
        {"-ERR no such message", 120, -6, "サーバから受信メールが取得できませんでした。"},
        {"-ERR unknown", 120, 0, "不明なエラーが発生しました。"},
        {"Something else", 120, 5, nullptr},
    });
}

// A reset while a message comes in is told as a reset at the retrieval step, not as
// "disconnected, unknown error"; a refused QUIT fails the logout at the QUIT step, so the
// receive run knows its deletions may not be done.
TEST_F(MyPopsTest, ResetAndRefusedQuitAreFailures) {
    for (const bool resetInRetr : {true, false}) {
        nettest::ScriptedServer server([&](nettest::ScriptConn& conn) {
            conn.Send("+OK ready\r\n");
            std::string line;
            while (conn.ReadLine(line)) {
                if (line.rfind("RETR", 0) == 0 && resetInRetr) {
                    conn.Send("+OK\r\nSubject: half\r\n");
                    conn.Reset();
                    return;
                }
                if (line == "QUIT") {
                    conn.Send("-ERR some deleted messages not removed\r\n");
                    return;
                }
                conn.Send(line == "STAT" ? "+OK 1 10\r\n" : "+OK\r\n");
            }
        });
        CMyPOPS client;
        auto* h = client.GetHandle();
        ASSERT_EQ(Login(client, server.port(), "u", "p"), 0) << POPS_GetLastError(h);
        ASSERT_EQ(POPS_Set(h, kPopsMessageNumber, 0, 1, 0), 0);
        if (resetInRetr) {
            EXPECT_EQ(POPS_GetText(h, kPopsMessageText, 0), "");
            EXPECT_EQ(POPS_GetLastErrorCode(h), kWsaEconnreset);
            EXPECT_EQ(client.GetNowStatus(), CMyPOPS::kStepRetr);
            EXPECT_EQ(client.GetLastErrorInJapanese(),
                      J("受信サーバとの接続がリセットされました。受信サーバの状態や回線の状況を確認してください。"));
        } else {
            ASSERT_EQ(POPS_Do(h, kPopsDelete), 0);
            EXPECT_EQ(POPS_Do(h, kPopsDisconnect), kNetServerReply);
            EXPECT_EQ(client.GetNowStatus(), CMyPOPS::kStepQuit);
            EXPECT_EQ(client.GetLastErrorInJapanese(), J("受信サーバから切断ができませんでした。"));
        }
        EXPECT_EQ(POPS_Get(h, kPopsConnected, 0, nullptr), 0);
    }
    EXPECT_NE(LogText().find(J("[受信]-ERR some deleted messages not removed\r\n")), std::string::npos);
}

}  // namespace my_pops_test
