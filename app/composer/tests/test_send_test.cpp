// The composing dialog's test sends over the real test servers (aiosmtpd, and Dovecot for
// the receive-server login before sending): a page's test button and the dialog's own
// command deliver one copy merged for the test recipient; refusals, cancels and every other
// end leave the scheduler running and no SMTP client behind.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "app/composer/carrier_text_pages.h"
#include "app/composer/html_mail_page.h"
#include "app/composer/mail_edit_page_normal.h"
#include "app/composer/mail_edit_page_text_mobile.h"
#include "app/composer/test_send.h"
#include "app/composer/tests/compose_test_env.h"
#include "app/compose/mail_text_edit.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/tests/test_mail_fixture.h"
#include "app/environment/run_monitor.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/log_writer.h"
#include "core/transport/tests/transport_test_servers.h"
#include "platform/notifier.h"

namespace compose {
namespace {

using cdtest::S;

using ui::U8;

class ComposeTestSendTest : public cdtest::ComposeEnvTest {
protected:
    void SetUp() override {
        cdtest::ComposeEnvTest::SetUp();
        ComposeDialogHooks hooks = GetComposeDialogHooks();
        hooks.makeTestMailService = MakeComposeTestSender;
        hooks.makeHtmlPage = [this](int format) -> std::unique_ptr<HtmlMailPage> {
            if (format != kHtmlPageMime) return nullptr;
            auto page = std::make_unique<CMailEditPageHtml>();
            emlPage_ = page.get();
            return page;
        };
        SetComposeDialogHooks(std::move(hooks));
        LogWriter::SetLogFolderForTesting(logDir_.path().string() + "/");

        SetOption(0, "info@example.jp");
        SetOption(82, "Quendrel Shop");
        SetOption(8, "127.0.0.1");
        SetOption(9, std::to_string(smtp_.port()));
        SetOption(10, "+0900");
        for (int no : {67, 85, 90, 100}) SetOption(no, "N");
        transporttest::DovecotServer& dovecot = transporttest::SharedDovecot();
        SetOption(CPopReceiveSession::kOptionServer, "127.0.0.1");
        SetOption(CPopReceiveSession::kOptionPort, std::to_string(dovecot.pop3Port()));
        SetOption(CPopReceiveSession::kOptionLoginMethod, "0");
        SetOption(CPopReceiveSession::kOptionUser, dovecot.AddUser("secret"));
        SetOption(CPopReceiveSession::kOptionPassword, "secret");
        SetOption(CPopReceiveSession::kOptionPasswordStored, "Y");
        tmtest::SetTestRecipient(Env(), &Options(), 0, "tester@example.jp", "山田", "太郎");
        tmtest::SetTestRecipient(Env(), &Options(), 1, "tester@docomo.ne.jp", "鈴木");
    }
    void TearDown() override {
        LogWriter::SetLogFolderForTesting("");
        cdtest::ComposeEnvTest::TearDown();
    }

    // The nothing-left-behind condition after any test send.
    void ExpectReleased() {
        EXPECT_EQ(service_->GetSmtpClient(), nullptr);
        EXPECT_EQ(service_->GetPopClient(), nullptr);
        EXPECT_TRUE(service_->GetScheduler()->IsEnabled());
    }
    QString LastText() const { return prompts_.prompts().empty() ? QString() : prompts_.prompts().back().text; }
    QString LastCaption() const { return prompts_.prompts().empty() ? QString() : prompts_.prompts().back().caption; }
    std::vector<std::filesystem::path> Delivered() const { return tmtest::SavedMessages(smtp_.out()); }

    nettest::TempDir logDir_;
    nettest::SpawnedSmtpServer smtp_;
    CMailEditPageHtml* emlPage_ = nullptr;
};

// A page's test button: the page's subject and body merged for the PC test recipient and
// its attachment, one copy at the test address.
TEST_F(ComposeTestSendTest, PageTestButtonSendsTheMailMergedForTheTestRecipient) {
    auto dialog = OpenTextMail();
    TextMailPage* pc = dialog->GetTextPage(0);
    ASSERT_TRUE(pc->TestButton()->isEnabled());
    pc->Subject()->SetSjisText(S("<%名前(姓)%>様へ春のご案内"));
    pc->Body()->SetSjisText(S("<%名前(姓)%>様\r\n.点で始まる行\r\n"));
    const std::string pdf("%PDF-1.4\x00\xff", 10);
    ASSERT_EQ(pc->AddAttachmentFromBuffer(S("案内.pdf"), pdf.data(), pdf.size()), 1);

    pc->TestButton()->click();

    EXPECT_EQ(LastCaption(), U8("テストメール送信成功")) << LastText().toStdString();
    ExpectReleased();
    const auto delivered = Delivered();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(smtp_.Envelope(1), "info@example.jp\ntester@example.jp\n");
    const tmtest::Delivered d = tmtest::ReadDelivered(delivered[0]);
    EXPECT_EQ(d.defects, 0);
    EXPECT_EQ(d.subject, U8("山田様へ春のご案内"));
    EXPECT_TRUE(d.text.startsWith(U8("山田様\n.点で始まる行\n"))) << d.text.toStdString();
    EXPECT_EQ(d.attachments.value(U8("案内.pdf")), QByteArray::fromStdString(pdf));
    EXPECT_EQ(d.toName, U8("山田太郎"));
    EXPECT_EQ(d.rawFrom, U8("\"Quendrel Shop\" <info@example.jp>"));
    EXPECT_TRUE(d.messageId.endsWith(U8("@example.jp>")));
    EXPECT_TRUE(d.xMailer.isEmpty());
}

// A carrier page's test button over the real server: the mobile recipient gets the au TU-KA
// text part in ISO-2022-JP with au's own code of the pictogram (the sun, F89F in the page,
// JIS 0x7541 on the wire), and a mail reader parses it cleanly.
TEST_F(ComposeTestSendTest, CarrierPageSendsItsCarriersPictogramCodes) {
    tmtest::SetTestRecipient(Env(), &Options(), 1, "tester@ezweb.ne.jp", "鈴木");
    auto dialog = OpenTextMail();
    TextMailPage* au = dialog->GetTextPage(2);
    ASSERT_TRUE(au->TestButton()->isEnabled());
    au->Subject()->SetSjisText(S("<%名前(姓)%>様へ"));
    au->Body()->SetSjisText(S("晴れ") + "\xF8\x9F" + "\r\n");

    au->TestButton()->click();

    EXPECT_EQ(LastCaption(), U8("テストメール送信成功")) << LastText().toStdString();
    ExpectReleased();
    const auto delivered = Delivered();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(smtp_.Envelope(1), "info@example.jp\ntester@ezweb.ne.jp\n");
    const tmtest::Delivered d = tmtest::ReadDelivered(delivered[0]);
    EXPECT_EQ(d.defects, 0);
    EXPECT_EQ(d.subject, U8("鈴木様へ"));
    const std::string raw = cdtest::FileBytes(delivered[0].string());
    const QString unfolded = QString::fromLatin1(raw).replace(QRegularExpression(QStringLiteral("\r?\n[ \t]+")), QStringLiteral(" "));
    EXPECT_TRUE(unfolded.contains(QRegularExpression(QStringLiteral("^Content-Type: text/plain;\\s*charset=\"?iso-2022-jp\"?\r?$"),
                                                     QRegularExpression::CaseInsensitiveOption |
                                                         QRegularExpression::MultilineOption)))
        << raw;
    EXPECT_NE(raw.find("\x1B$B@2$luA\x1B(B"), std::string::npos) << raw;
}

// The dialog's own command on the page of a stored MIME text: the message with its inline
// image, the attachment kept from the file, the honorific after the recipient's name and
// the program's X-Mailer; sent to the PC recipient (the mail is one for PCs).
TEST_F(ComposeTestSendTest, DialogCommandSendsThePageOfAStoredMimeText) {
    auto dialog = Open(0, 2, -1);
    ASSERT_NE(emlPage_, nullptr);
    ui::test::WhenDialogShows(QStringLiteral("dlg276"), [](QDialog* d) { d->accept(); });
    ASSERT_EQ(emlPage_->ImportFile(std::string(QUENDREL_TESTDATA) + "/html_with_attachment.eml", true), 0);
    dialog->MailRecord().honorific = S("様");

    EXPECT_EQ(TestSendComposedMail(*dialog), 1) << LastText().toStdString();

    ExpectReleased();
    const auto delivered = Delivered();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(smtp_.Envelope(1), "info@example.jp\ntester@example.jp\n");
    const tmtest::Delivered d = tmtest::ReadDelivered(delivered[0]);
    EXPECT_EQ(d.defects, 0);
    EXPECT_EQ(d.subject, U8("春の新作のご案内"));
    EXPECT_TRUE(d.html.contains(U8("<p>春の新作が入荷しました。</p>"))) << d.html.toStdString();
    EXPECT_TRUE(d.html.contains(U8("cid:logo@quendrel")));
    ASSERT_EQ(d.inlineParts.keys(), QStringList{U8("logo@quendrel")});
    EXPECT_TRUE(d.inlineParts.first().startsWith("\x89PNG"));
    ASSERT_EQ(d.attachments.keys(), QStringList{U8("report.pdf")});
    EXPECT_EQ(d.attachments.first(), QByteArray::fromStdString(cdtest::FileBytes(env_layout::AttachWorkFolder(*Env(), 0) + "report.pdf")));
    EXPECT_EQ(d.toName, U8("山田太郎様"));
    EXPECT_EQ(d.xMailer, QString::fromStdString(ComposedTestMailerLine().substr(10)));
    EXPECT_TRUE(d.xMailer.startsWith(U8("Quendrel version ")));
    EXPECT_TRUE(d.messageId.endsWith(U8("@example.jp>")));
}

// The dialog's command takes the active tab's page and its recipient, and refuses an empty
// merged subject or body before asking anything.
TEST_F(ComposeTestSendTest, DialogCommandTakesTheActivePageAndRefusesEmptyTexts) {
    auto dialog = OpenTextMail();
    const QString failed = U8("テストメール送信失敗");
    dialog->GetTextPage(0)->Body()->SetSjisText(S("本文"));
    EXPECT_EQ(TestSendComposedMail(*dialog), 0);
    EXPECT_EQ(LastText(), U8("メールのタイトルがありません"));
    EXPECT_EQ(LastCaption(), failed);
    ExpectReleased();

    dialog->GetTextPage(0)->Subject()->SetSjisText(S("件名"));
    dialog->GetTextPage(0)->Body()->SetSjisText("");
    EXPECT_EQ(TestSendComposedMail(*dialog), 0);
    EXPECT_EQ(LastText(), U8("メールの本文がありません"));
    ExpectReleased();

    // The NTT DoCoMo tab goes to the mobile recipient; declined at the question.
    dialog->GetTextPage(1)->Subject()->SetSjisText(S("携帯向け"));
    dialog->GetTextPage(1)->Body()->SetSjisText(S("本文"));
    dialog->GetSheet()->SetActivePage(1);
    dialog->GetMobilePage()->GetSheet()->SetActivePage(0);
    prompts_.clear();
    prompts_.Answer(platform::kIdNo);
    EXPECT_EQ(TestSendComposedMail(*dialog), 0);
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_TRUE(prompts_.texts()[0].contains(U8("テスト送信用アドレス[tester@docomo.ne.jp]")));
    EXPECT_EQ(LastText(), U8("テストメールの送信を中止しました。"));
    ExpectReleased();
    EXPECT_TRUE(Delivered().empty());
}

// Cancel while connecting: the cancel message, not an error; while the test ran the
// scheduler was paused and the client existed; afterwards neither, so the next test goes.
TEST_F(ComposeTestSendTest, CancelDuringConnectLetsTheNextTestGo) {
    nettest::ScriptedServer silent([](nettest::ScriptConn& c) { c.WaitClose(); });
    SetOption(9, std::to_string(silent.port()));
    auto dialog = OpenTextMail();
    TextMailPage* pc = dialog->GetTextPage(0);
    pc->Subject()->SetSjisText(S("件名"));
    pc->Body()->SetSjisText(S("本文\r\n"));
    bool pausedDuring = false, clientDuring = false;
    tmtest::CancelWhen([&] {
        if (silent.connections() == 0) return false;
        pausedDuring = !service_->GetScheduler()->IsEnabled();
        clientDuring = service_->GetSmtpClient() != nullptr;
        return true;
    });
    pc->TestButton()->click();
    EXPECT_EQ(LastText(), U8("テストメール送信をキャンセルしました。"));
    EXPECT_EQ(LastCaption(), U8("テストメール送信キャンセル"));
    EXPECT_TRUE(pausedDuring);
    EXPECT_TRUE(clientDuring);
    ExpectReleased();

    SetOption(9, std::to_string(smtp_.port()));
    pc->TestButton()->click();
    EXPECT_EQ(LastCaption(), U8("テストメール送信成功")) << LastText().toStdString();
    EXPECT_EQ(Delivered().size(), 1u);
}

class RunUnderWay : public shell::RunMonitor {
public:
    RunUnderWay() : previous_(shell::SetRunMonitor(this)) {}
    ~RunUnderWay() override { shell::SetRunMonitor(previous_); }
    bool IsRunning() const override { return true; }
    int RunKind() const override { return shell::kRunAutoSendReceive; }

private:
    shell::RunMonitor* previous_;
};

// While a send or receive run is under way, or its SMTP client exists, a test is refused
// and neither the client nor the scheduler is touched.
TEST_F(ComposeTestSendTest, RefusedWhileARunHoldsTheClient) {
    auto dialog = OpenTextMail();
    TextMailPage* pc = dialog->GetTextPage(0);
    pc->Subject()->SetSjisText(S("件名"));
    pc->Body()->SetSjisText(S("本文\r\n"));
    {
        RunUnderWay run;
        pc->TestButton()->click();
        EXPECT_EQ(LastText(), U8("送受信中はテストメールの送信ができません"));
        ExpectReleased();
    }
    CMySMTPS* runs = service_->CreateSmtpClient();
    service_->GetScheduler()->SetEnabled(false);
    prompts_.clear();
    pc->TestButton()->click();
    EXPECT_EQ(LastText(), U8("送受信中はテストメールの送信ができません"));
    EXPECT_EQ(service_->GetSmtpClient(), runs);
    EXPECT_FALSE(service_->GetScheduler()->IsEnabled());
    service_->DeleteSmtpClient();
    service_->GetScheduler()->SetEnabled(true);
    EXPECT_TRUE(Delivered().empty());
}

}  // namespace
}  // namespace compose
