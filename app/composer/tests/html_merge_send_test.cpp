// HTML mails written in the real composing dialog with the HTML editor's pages, saved, and
// sent by the send run to a real SMTP server (aiosmtpd): merge fields typed plain in the
// HTML part and inserted escaped from its menu both reach every recipient with that
// recipient's values, and each HTML part's META names the charset its MIME header gives,
// for PCs and each carrier. The server's messages are read with Python's email package.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

#include "app/compose/mail_text_edit.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/composer/tests/compose_test_env.h"
#include "app/htmledit/html_mail_page_base.h"
#include "app/htmledit/html_page_factory.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/sendrecv/send_job.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/log_writer.h"
#include "platform/netssl/tests/net_test_servers.h"

namespace compose {
namespace {

using cdtest::S;
using ui::U8;

struct SentMessage {
    std::string rcpt;
    QString subject, text, html, htmlCharset, metaCharset;
    int defects = 0;
};

std::map<std::string, SentMessage> ReadSent(const std::filesystem::path& folder) {
    nettest::TempDir work;
    const std::string json = (work.path() / "sent.json").string();
    std::map<std::string, SentMessage> out;
    if (nettest::RunProgram({"/usr/bin/python3", std::string(QUENDREL_TESTDATA) + "/read_sent_html.py", folder.string(),
                             json}) != 0) {
        ADD_FAILURE() << "read_sent_html.py failed";
        return out;
    }
    for (const auto& v : QJsonDocument::fromJson(QByteArray::fromStdString(nettest::ReadFile(json))).array()) {
        const QJsonObject o = v.toObject();
        SentMessage s;
        const QJsonArray rcpts = o["rcpts"].toArray();
        EXPECT_EQ(rcpts.size(), 1);
        s.rcpt = rcpts.isEmpty() ? std::string() : rcpts[0].toString().toStdString();
        s.subject = o["subject"].toString();
        s.text = o["text"].toString();
        s.html = o["html"].toString();
        s.htmlCharset = o["htmlCharset"].toString();
        s.metaCharset = o["metaCharset"].toString();
        s.defects = o["defects"].toInt();
        out[s.rcpt] = s;
    }
    return out;
}

class HtmlMergeSendTest : public cdtest::ComposeEnvTest {
protected:
    void SetUp() override {
        ComposeEnvTest::SetUp();
        ComposeDialogHooks hooks = GetComposeDialogHooks();
        hooks.makeHtmlPage = htmledit::MakeHtmlMailPage;
        SetComposeDialogHooks(hooks);
        TurnOffConfirmation("TEXTPART");
        logDir_ = std::make_unique<nettest::TempDir>();
        LogWriter::SetLogFolderForTesting(logDir_->path().string() + "/");
        for (const auto& [index, value] :
             std::vector<std::pair<int, const char*>>{{0, "info@example.jp"}, {82, "Quendrel Shop"}, {8, "127.0.0.1"},
                                                      {10, "+0900"}, {54, "N"}, {65, "3"}, {66, "30"}, {67, "N"},
                                                      {85, "N"}, {90, "N"}, {100, "N"}})
            SetOption(index, value);
    }
    void TearDown() override {
        LogWriter::SetLogFolderForTesting("");
        ComposeEnvTest::TearDown();
    }

    int Person(const std::string& mail, const char* surname, const char* given) {
        const int id = AddPerson(mail, surname);
        OneCustomer c;
        EXPECT_EQ(Book().GetOneCustomerForEdit(c, id), 0);
        c.KanjiMei = S(given);
        EXPECT_EQ(Book().SetOneCustomerInfo(c, 0), 0);
        return id;
    }
    static htmledit::CMailEditPageHtmlBase* Page(CMailCreateDialog& d, int format) {
        return dynamic_cast<htmledit::CMailEditPageHtmlBase*>(d.GetHtmlPage(format));
    }
    // Types into `edit` where `before` (Shift_JIS) begins (at the end when empty).
    static void TypeAt(SjisLimitedEdit* edit, const std::string& before, const char* utf8) {
        edit->setFocus();
        const std::size_t at = before.empty() ? edit->GetByteCount() : edit->GetSjisText().find(before);
        ASSERT_NE(at, std::string::npos);
        edit->SetSjisSelection(at, at);
        ui::test::TypeText(edit, utf8);
    }
    // Writes the page as a user does: a subject with a field, the HTML part with a field
    // typed plain and one inserted from the menu (and for a carrier a pictogram from the
    // palette), a TEXT part.
    static void Write(htmledit::CMailEditPageHtmlBase& page, bool carrier) {
        TypeAt(page.SubjectEdit(), "", "<%名前(姓)%>様へのご案内");
        htmledit::CMailBodyEditHtml* html = page.HtmlPartPage()->HtmlEdit();
        if (carrier) {
            html->setFocus();
            html->selectAll();
            ui::test::TypeText(html, "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                     "charset=Shift_JIS\"></head><body></body></html>");
        }
        TypeAt(html, "</", "<p><%名前(姓)%> ");
        html->InsertMergeField(static_cast<int>(CMailTextEdit::kIdFirstMailWord) + static_cast<int>(kElemKanjiMei));
        ui::test::TypeText(html, "様");
        if (carrier) html->InsertText(QString(QChar(0xE63E)));  // as the palette puts it in
        ui::test::TypeText(html, "</p>");
        TypeAt(page.TextPartPage()->Edit(), "", "<%名前(姓)%>様 テキスト");
    }
    // Saves the dialog's mail for `list` and makes it wait for sending; its ID.
    int SaveForSending(CMailCreateDialog& d, int list) {
        Choose(d, list);
        EXPECT_TRUE(d.OnButtonAction(CMailCreateDialog::kIdcDraft)) << prompts_.texts().join("|").toStdString();
        const int id = d.GetMailID();
        COneMailData m = MailEntry(id);
        EXPECT_EQ(m.SetStatus("W", 0), 0);
        EXPECT_EQ(Mails().SetMailData(m), 0);
        EXPECT_EQ(Mails().WriteMailList(1), 0);
        return id;
    }
    void Choose(CMailCreateDialog& d, int list) {
        nextChoice_ = {true, list, U8("会員"), QString()};
        d.OnDestination();
    }

    std::unique_ptr<nettest::TempDir> logDir_;
};

TEST_F(HtmlMergeSendTest, BothFieldFormsReachEveryRecipientAndTheMetaNamesTheCharsetSent) {
    const int tanaka = Person("tanaka@example.jp", "田中", "一郎");
    const int yamamoto = Person("yamamoto@example.jp", "山本", "花子");
    const int pcList = AddList("PC会員", {tanaka, yamamoto, pc_});
    const int mobileList = AddList("携帯会員", {docomo_, au_, softbank_});

    auto pcMail = Open(0, 0, -1);
    ASSERT_TRUE(opened_);
    pcMail->show();
    Write(*Page(*pcMail, kHtmlPagePc), false);  // into the page's own skeleton, META and all
    const int pcId = SaveForSending(*pcMail, pcList);

    auto mobileMail = Open(0, 1, -1);
    ASSERT_TRUE(opened_);
    mobileMail->show();
    for (int format : {kHtmlPageDocomo, kHtmlPageAu, kHtmlPageSoftbank}) {
        mobileMail->GetSheet()->SetActivePage(format - kHtmlPageDocomo);
        Write(*Page(*mobileMail, format), true);
    }
    const int mobileId = SaveForSending(*mobileMail, mobileList);

    nettest::SpawnedSmtpServer server;
    SetOption(9, std::to_string(server.port()));
    for (int id : {pcId, mobileId}) {
        CSendJob job(SendEnvironment{Env(), &Options(), &Book(), &Mails()});
        ASSERT_EQ(job.SendOneMail(id), 0) << SjisToUtf8(job.GetErrMsg().GetLastMsg());
        ASSERT_EQ(job.SaveProgress(1), 0);
    }

    const std::map<std::string, SentMessage> sent = ReadSent(server.out());
    struct Expect {
        const char* address;
        const char* surname;
        const char* given;
        const char* charset;
    } expects[] = {
        {"tanaka@example.jp", "田中", "一郎", "iso-2022-jp"},
        {"yamamoto@example.jp", "山本", "花子", "iso-2022-jp"},
        {"sato@example.jp", "佐藤", "", "iso-2022-jp"},
        {"suzuki@docomo.ne.jp", "鈴木", "", "iso-2022-jp"},
        {"takahashi@ezweb.ne.jp", "高橋", "", "iso-2022-jp"},
        {"ito@softbank.ne.jp", "伊藤", "", "shift_jis"},  // SoftBank's pictograms go in Shift_JIS
    };
    ASSERT_EQ(sent.size(), std::size(expects));
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.address);
        ASSERT_EQ(sent.count(e.address), 1u);
        const SentMessage& s = sent.at(e.address);
        EXPECT_EQ(s.defects, 0);
        EXPECT_EQ(s.subject, U8(e.surname) + U8("様へのご案内"));
        EXPECT_TRUE(s.text.startsWith(U8(e.surname) + U8("様 テキスト"))) << s.text.toStdString();
        // The typed field and the menu's field, each with this recipient's value.
        const QString merged = U8(e.surname) + QStringLiteral(" ") + U8(e.given) + U8("様");
        EXPECT_TRUE(s.html.contains(QStringLiteral("<p>") + merged)) << s.html.toStdString();
        for (const QString& text : {s.subject, s.text, s.html}) {
            EXPECT_FALSE(text.contains(QStringLiteral("<%"))) << text.toStdString();
            EXPECT_FALSE(text.contains(QStringLiteral("&lt;%"))) << text.toStdString();
        }
        EXPECT_EQ(s.htmlCharset, QString::fromLatin1(e.charset));
        EXPECT_EQ(s.metaCharset, s.htmlCharset) << s.html.toStdString();
    }
}

}  // namespace
}  // namespace compose
