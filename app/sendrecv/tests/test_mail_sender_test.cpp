// The test-mail sender against the real test servers (aiosmtpd for sending, Dovecot for
// the receive-server login before it): what arrives, what the user is told on each way a
// test ends, and that every end lets the next test start.
#include <gtest/gtest.h>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/test_mail_sender.h"
#include "app/sendrecv/tests/receive_fixture.h"
#include "app/sendrecv/tests/test_mail_fixture.h"
#include "app/environment/run_monitor.h"
#include "app/ui/sjis_text.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/transport/my_smtps.h"
#include "platform/netssl/smtps.h"
#include "platform/notifier.h"

namespace {

using sendtest::Sjis;

using ui::U8;

class TestMailSenderTest : public rcvtest::ReceiveRunTest {
protected:
    void SetUp() override {
        rcvtest::ReceiveRunTest::SetUp();
        tmtest::SetTestRecipient(env_.get(), options_.get(), 0, "tester@example.jp", "山田", "太郎");
        tmtest::SetTestRecipient(env_.get(), options_.get(), 1, "tester@docomo.ne.jp", "山田");
    }

    // One whole test send of a PC text mail, as a page drives the sender: 1 when sent.
    int SendTest(CTestMailSender& sender, const std::string& subject, const std::string& body,
                 std::vector<std::string> attachments = {}) {
        if (sender.Send(0) == 0) return 0;
        sender.SetAttachmentList(0, std::move(attachments));
        if (sender.AddAttachmentParts(0) == 0) return 0;
        std::string entity;
        MimeFormatStruct part;
        EXPECT_EQ(MakeTextPartHeader(body, 0, entity), 0);
        EXPECT_NE(MimeDecodeTool::MimeDecode(entity, part), 0);
        CMailDataStructure& mail = sender.GetMailModel();
        mail.SetMIMETextBody(part);
        std::string header, text;
        EXPECT_EQ(mail.GetMimeString(header, text, 1, nullptr), 0);
        sender.SetMergedSubject(subject);
        return sender.ConfirmAndSend(header, text, 0);
    }

    QString LastText() const { return prompts_.prompts().empty() ? QString() : prompts_.prompts().back().text; }
    QString LastCaption() const { return prompts_.prompts().empty() ? QString() : prompts_.prompts().back().caption; }
};

// The acceptance path: one copy arrives at the test address, reads as composed (subject,
// body with its dotted lines, the attachment's bytes), the sender's quoted name with its
// escapes, a Message-ID with the sender's domain, the read-receipt request; and the
// client is gone afterwards.
TEST_F(TestMailSenderTest, OneCopyArrivesAndReadsAsComposed) {
    nettest::SpawnedSmtpServer server;
    UseServer(server.port());
    SetOption(82, "Shop \"Q\", Inc.");
    SetOption(67, "Y");
    const std::string pdf("%PDF-1.4\r\n\x00\x01\xFF binary", 19);
    tmtest::WriteWorkFile(*env_, 0, Sjis("見積書.pdf"), pdf);

    CTestMailSender sender(nullptr, Stores());
    const std::string body = Sjis(".先頭が点の行\r\n二行目\r\n.\r\n..二つ\r\n");
    ASSERT_EQ(SendTest(sender, Sjis("テスト件名です"), body, {Sjis("見積書.pdf")}), 1) << LastText().toStdString();

    EXPECT_EQ(LastCaption(), U8("テストメール送信成功"));
    EXPECT_EQ(LastText(), U8("テストメールを正常に送信しました。"));
    const QStringList texts = prompts_.texts();
    ASSERT_GE(texts.size(), 2);
    EXPECT_TRUE(texts[texts.size() - 2].contains(U8("テスト送信用アドレス[tester@example.jp]にメールを送信します。")));
    EXPECT_EQ(sender.GetSmtpClient(), nullptr);
    EXPECT_FALSE(sender.IsPrepared());

    const auto saved = tmtest::SavedMessages(server.out());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(server.Envelope(1), "info@example.jp\ntester@example.jp\n");
    const tmtest::Delivered d = tmtest::ReadDelivered(saved[0]);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.defects, 0);
    EXPECT_EQ(d.subject, U8("テスト件名です"));
    // (The line break before the next part's boundary belongs to the boundary: a reader may
    // show one more empty line at the end.)
    EXPECT_TRUE(d.text.startsWith(U8(".先頭が点の行\n二行目\n.\n..二つ\n"))) << d.text.toStdString();
    EXPECT_TRUE(d.text.mid(int(U8(".先頭が点の行\n二行目\n.\n..二つ\n").size())).trimmed().isEmpty());
    ASSERT_EQ(d.attachments.keys(), QStringList{U8("見積書.pdf")});
    EXPECT_EQ(d.attachments.first(), QByteArray::fromStdString(pdf));
    EXPECT_EQ(d.rawFrom, U8(R"("Shop \"Q\", Inc." <info@example.jp>)"));
    EXPECT_EQ(d.fromName, U8("Shop \"Q\", Inc."));
    EXPECT_EQ(d.toName, U8("山田太郎"));
    EXPECT_EQ(d.toAddress, U8("tester@example.jp"));
    EXPECT_TRUE(d.messageId.endsWith(U8("@example.jp>"))) << d.messageId.toStdString();
    EXPECT_EQ(d.dispositionTo, U8("info@example.jp"));
}

// What Send puts on the client, before anything goes over the wire: From by the kind of
// sender name (an ASCII name with specials is quoted and escaped, never an encoded word in
// quotes), the port (25 without one), the Message-ID with "@".
TEST_F(TestMailSenderTest, SendPreparesTheClientFromTheSettings) {
    const struct {
        const char* name;
        const char* port;
        const char* from;
        int portUsed;
    } cases[] = {
        {"", "", "info@example.jp", 25},
        {"Shop", "2525", "\"Shop\" <info@example.jp>", 2525},
        {"Shop, Inc. <sales>", "587", "\"Shop, Inc. <sales>\" <info@example.jp>", 587},
        {"a\"b(c)\\d", "25", "\"a\\\"b\\(c\\)\\\\d\" <info@example.jp>", 25},
    };
    for (const auto& c : cases) {
        SetOption(82, c.name);
        SetOption(9, c.port);
        CTestMailSender sender(nullptr, Stores());
        ASSERT_EQ(sender.Send(0), 1) << c.name;
        netssl::SmtpsComponent* h = sender.GetSmtpClient()->GetHandle();
        EXPECT_EQ(netssl::SMTPS_GetText(h, netssl::kSmtpsFrom, 0), c.from) << c.name;
        EXPECT_EQ(netssl::SMTPS_Get(h, netssl::kSmtpsPort, 0, nullptr), c.portUsed) << c.name;
        const std::string id = netssl::SMTPS_GetText(h, netssl::kSmtpsMessageId, 0);
        EXPECT_NE(id.find("@example.jp>"), std::string::npos) << id;
        sender.Abandon();
        EXPECT_EQ(sender.GetSmtpClient(), nullptr);
    }
    // A Japanese name goes as encoded words.
    SetOption(82, Sjis("山田商店"));
    CTestMailSender sender(nullptr, Stores());
    ASSERT_EQ(sender.Send(0), 1);
    const std::string from = netssl::SMTPS_GetText(sender.GetSmtpClient()->GetHandle(), netssl::kSmtpsFrom, 0);
    EXPECT_EQ(from.rfind("=?ISO-2022-JP?B?", 0), 0u) << from;
    EXPECT_NE(from.find("?= <info@example.jp>"), std::string::npos) << from;
}

class RunUnderWay : public shell::RunMonitor {
public:
    RunUnderWay() : previous_(shell::SetRunMonitor(this)) {}
    ~RunUnderWay() override { shell::SetRunMonitor(previous_); }
    bool IsRunning() const override { return true; }
    int RunKind() const override { return shell::kRunManualSend; }

private:
    shell::RunMonitor* previous_;
};

// Refusals before anything is prepared or sent; each leaves no client behind.
TEST_F(TestMailSenderTest, RefusalsLeaveNothingPrepared) {
    const QString notSet = U8("テスト送信用アドレスが設定されていません。\r\n[システム設定]-[送受信オプション]-[テスト送信の設定]から\r\n"
                             "テスト送信用アドレスを登録してください。");
    {
        RunUnderWay run;
        CTestMailSender sender(nullptr, Stores());
        EXPECT_EQ(sender.Send(0), 0);
        EXPECT_EQ(LastText(), U8("送受信中はテストメールの送信ができません"));
        EXPECT_EQ(LastCaption(), U8("テストメール送信"));
        EXPECT_EQ(prompts_.prompts().back().style, unsigned(platform::kMbIconInformation));
        EXPECT_EQ(sender.GetSmtpClient(), nullptr);
    }
    // An empty address, and a test-recipient file without the record.
    tmtest::SetTestRecipient(env_.get(), options_.get(), 0, "");
    for (int index : {0, 7}) {
        CTestMailSender sender(nullptr, Stores());
        EXPECT_EQ(sender.Send(index), 0);
        EXPECT_EQ(LastText(), notSet) << index;
        EXPECT_EQ(LastCaption(), U8("テスト送信用アドレス未設定"));
        EXPECT_FALSE(sender.IsPrepared());
        EXPECT_EQ(sender.GetSmtpClient(), nullptr);
    }
    // A recipient address that would reach several mailboxes is never used.
    tmtest::SetTestRecipient(env_.get(), options_.get(), 0, "a@example.jp, b@example.jp");
    CTestMailSender sender(nullptr, Stores());
    EXPECT_EQ(sender.Send(0), 0);
    EXPECT_EQ(LastCaption(), U8("テストメール送信失敗"));
    EXPECT_FALSE(sender.IsPrepared());
}

// Every way a prepared test ends short of the server taking the mail: the message the user
// sees, nothing delivered, nothing left prepared - and the next test goes through.
TEST_F(TestMailSenderTest, EveryEndTellsTheUserAndFreesTheClient) {
    nettest::SpawnedSmtpServer server;
    const int goodPort = server.port();
    const QString loginFailed = U8("受信サーバにログインできませんので、テスト送信を中止します。\r\n\r\n");
    struct Case {
        const char* what;
        std::function<void()> arrange;
        QString caption;
        QString text;  // a prefix of the message
        std::vector<std::string> attachments = {};
    };
    std::unique_ptr<nettest::ScriptedServer> silent;
    std::unique_ptr<sendtest::SendTestServer> refusing;
    const std::vector<Case> cases = {
        {"declined", [&] { prompts_.Answer(platform::kIdNo); }, U8("テストメール送信中止"), U8("テストメールの送信を中止しました。")},
        {"missing attachment", [] {}, U8("テストメール送信失敗"), U8("指定した添付ファイル\r\n\r\nmissing.pdf\r\n\r\nを送信できません。"),
         {"missing.pdf"}},
        {"bad receive TLS setting",
         [&] {
             SetOption(CPopReceiveSession::kOptionSsl, "Y");
             SetOption(CPopReceiveSession::kOptionSslKind, "9");
         },
         U8("受信サーバログイン失敗"), loginFailed + U8("【考えられる問題】\r\n受信時の暗号化通信の設定が正しくありません[-1]")},
        {"wrong receive password", [&] { SetOption(CPopReceiveSession::kOptionPassword, "wrong"); },
         U8("受信サーバログイン失敗"), loginFailed},
        {"cancel during the receive login",
         [&] {
             silent = std::make_unique<nettest::ScriptedServer>([](nettest::ScriptConn& c) { c.WaitClose(); });
             SetOption(CPopReceiveSession::kOptionPort, std::to_string(silent->port()));
             tmtest::CancelWhen([&] { return silent->connections() > 0; });
         },
         U8("テストメール送信キャンセル"),
         U8("テスト送信前の受信サーバへのログインテストを中止しました。\r\nテストメール送信をキャンセルしました。")},
        {"cancel during connect",
         [&] {
             silent = std::make_unique<nettest::ScriptedServer>([](nettest::ScriptConn& c) { c.WaitClose(); });
             UseServer(silent->port());
             tmtest::CancelWhen([&] { return silent->connections() > 0; });
         },
         U8("テストメール送信キャンセル"), U8("テストメール送信をキャンセルしました。")},
        {"server refuses the recipient",
         [&] {
             refusing = std::make_unique<sendtest::SendTestServer>(std::vector<std::string>{"--refuse", "tester@example.jp"});
             UseServer(refusing->port());
         },
         U8("テストメール送信エラー"), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseServer(goodPort);
        SetOption(CPopReceiveSession::kOptionSsl, "N");
        SetOption(CPopReceiveSession::kOptionPort, std::to_string(dovecot_->pop3Port()));
        SetOption(CPopReceiveSession::kOptionPassword, "secret");
        c.arrange();
        CTestMailSender sender(nullptr, Stores());
        EXPECT_EQ(SendTest(sender, "Test", "Body\r\n", c.attachments), 0);
        EXPECT_EQ(LastCaption(), c.caption);
        EXPECT_TRUE(LastText().startsWith(c.text)) << LastText().toStdString();
        EXPECT_FALSE(sender.IsPrepared());
        EXPECT_EQ(sender.GetSmtpClient(), nullptr);
        silent.reset();
        if (refusing != nullptr) {
            EXPECT_EQ(refusing->Count(), 0);
        }
        refusing.reset();
    }
    EXPECT_TRUE(tmtest::SavedMessages(server.out()).empty());

    // The next test after all of these goes through.
    UseServer(goodPort);
    CTestMailSender sender(nullptr, Stores());
    EXPECT_EQ(SendTest(sender, "Test", "Body\r\n"), 1) << LastText().toStdString();
    EXPECT_EQ(tmtest::SavedMessages(server.out()).size(), 1u);
}

}  // namespace
