// The HTML mail page of a stored MIME text: .eml files imported into it (refused ones
// change nothing; attachments kept through the attachment dialog, replaced, or dropped),
// its temporary file, and what it stores.
#include <gtest/gtest.h>

#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QTextDocument>

#include <filesystem>
#include <fstream>

#include "app/composer/html_mail_page.h"
#include "app/composer/tests/compose_test_env.h"
#include "app/compose/mail_text_edit.h"
#include "app/ui/html_view.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/screenshot.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace compose {
namespace {

using cdtest::FileBytes;
using cdtest::S;

using ui::U8;

const char kPdf[] = "%PDF-1.4\n% report\n\x00\x01\x02\xff";
const std::string kPdfBytes(kPdf, sizeof kPdf - 1);

class HtmlMailPageTest : public cdtest::ComposeEnvTest {
protected:
    void SetUp() override {
        cdtest::ComposeEnvTest::SetUp();
        ComposeDialogHooks hooks = GetComposeDialogHooks();
        hooks.makeHtmlPage = [this](int format) -> std::unique_ptr<HtmlMailPage> {
            if (format != kHtmlPageMime) return nullptr;
            auto page = std::make_unique<CMailEditPageHtml>();
            page_ = page.get();
            return page;
        };
        SetComposeDialogHooks(std::move(hooks));
        SetOption(100, "N");
    }

    // The composing dialog of a new mail from a stored MIME text.
    std::unique_ptr<CMailCreateDialog> OpenEmlMail(int mailId = -1) {
        auto dialog = Open(0, 2, mailId);
        EXPECT_NE(page_, nullptr);
        return dialog;
    }
    static std::string Eml(const char* name) { return std::string(QUENDREL_TESTDATA) + "/" + name; }
    std::string WorkFile(const char* name) { return env_layout::AttachWorkFolder(*Env(), 0) + name; }
    // The temporary files in the environment folder.
    std::vector<std::string> TempFiles() {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(env_layout::EnvFolder(*Env()))) {
            const std::string name = e.path().filename().string();
            if (name.rfind("~TMP_", 0) == 0 && e.path().extension() == ".eml") out.push_back(e.path().string());
        }
        return out;
    }
    std::string MimeText() {
        std::string text;
        EXPECT_EQ(page_->GetMimeText(text), 0);
        return text;
    }
    // What the page's message holds (the MIME text itself differs in its boundaries each
    // time it is written).
    std::string Content() {
        std::string content = page_->HtmlPart() + "|" + page_->TextPart();
        for (const PageFileEntry& image : page_->InlineImages()) content += "|" + image.contentId + ":" + std::to_string(image.size);
        return content;
    }
    QStringList Captions() const { return prompts_.captions(); }
    static void AcceptAttachmentDialog() {
        ui::test::WhenDialogShows(QStringLiteral("dlg276"), [](QDialog* d) { d->accept(); });
    }

    CMailEditPageHtml* page_ = nullptr;
};

// A refused file leaves the page with the message it held: subject, text, attachments and
// temporary file as before, whatever the reason.
TEST_F(HtmlMailPageTest, RefusedFilesChangeNothing) {
    auto dialog = OpenEmlMail();
    ASSERT_EQ(page_->ImportFile(Eml("html_only.eml"), true), CMailEditPageHtml::kImported);
    const std::string subject = page_->Subject();
    const std::string content = Content();
    const std::string temp = page_->GetTempFilePath();
    EXPECT_EQ(subject, S("春の新作のご案内"));
    prompts_.clear();

    const struct {
        const char* file;
        int result;
        const char* caption;
        const char* text;
    } cases[] = {
        {"text_only.eml", CMailEditPageHtml::kTextMail, "HTMLメールではありません",
         "このEMLファイルの内容はHTMLメールではなくテキストメールです。\r\nOutlook ExpressでHTMLメールとして作り直してください。"},
        {"not_mime.eml", CMailEditPageHtml::kNotMime, "不正なEMLファイル",
         "このEMLファイルの形式は正しくありません。\r\n確認の上、再度、Outlook Expressを利用して作り直してください。"},
        {"missing.eml", CMailEditPageHtml::kFileUnreadable, "EMLファイル異常", "EMLファイルの読み込みに失敗しました"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(page_->ImportFile(Eml(c.file), true), c.result) << c.file;
        ASSERT_FALSE(prompts_.prompts().empty());
        EXPECT_EQ(prompts_.prompts().back().caption, U8(c.caption)) << c.file;
        EXPECT_EQ(prompts_.prompts().back().text, U8(c.text)) << c.file;
        EXPECT_EQ(page_->Subject(), subject);
        EXPECT_EQ(Content(), content);
        EXPECT_EQ(page_->GetTempFilePath(), temp);
        EXPECT_EQ(TempFiles(), std::vector<std::string>{temp});
    }
}

// A stored mail of a mail program of today, in UTF-8: the subject goes into the edit
// without what Shift_JIS cannot hold, and says so; the parts stay as the file gave them,
// and the user learns which of their characters show and go out as blanks.
TEST_F(HtmlMailPageTest, CharactersShiftJisCannotHoldAreNamedForTheSubjectAndTheParts) {
    auto dialog = OpenEmlMail();
    const std::string path = WorkFile("utf8.eml");
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    {
        std::ofstream out(path, std::ios::binary);
        out << "MIME-Version: 1.0\r\nSubject: =?UTF-8?B?44GU5qGI5YaF8J+OgQ==?=\r\n"
               "Content-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
               "<p>営業部😀のご案内</p>\r\n";
    }
    prompts_.clear();
    ASSERT_EQ(page_->ImportFile(path, true), CMailEditPageHtml::kImported);
    EXPECT_EQ(page_->Subject(), S("ご案内"));
    const QStringList texts = prompts_.texts();
    ASSERT_EQ(texts.size(), 2) << texts.join("|").toStdString();
    EXPECT_TRUE(texts[0].contains(U8("取り除いて入力しました")) && texts[0].contains(U8("「🎁」"))) << texts[0].toStdString();
    EXPECT_TRUE(texts[1].contains(U8("表示や送信の際には空白になります")) && texts[1].contains(U8("「😀」")))
        << texts[1].toStdString();
}

// Kept attachments become the mail's own: extracted into the work folder and listed after
// the attachment dialog's OK, never inside the message (so none goes out twice); the
// subject comes from the file; the view shows the HTML part with its inline image.
TEST_F(HtmlMailPageTest, KeptAttachmentsBecomeTheMailsOwn) {
    auto dialog = OpenEmlMail();
    AcceptAttachmentDialog();
    ASSERT_EQ(page_->ImportFile(Eml("html_with_attachment.eml"), true), CMailEditPageHtml::kImported);

    EXPECT_EQ(Captions(), QStringList{U8("EML内添付ファイルの利用確認")});
    EXPECT_TRUE(prompts_.texts()[0].endsWith(U8("【設定されている添付ファイル】\r\nreport.pdf")));
    EXPECT_EQ(FileBytes(WorkFile("report.pdf")), kPdfBytes);
    const std::vector<AttachData>& list = dialog->MailRecord().attach[0];
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].fileName, "report.pdf");
    EXPECT_EQ(list[0].secondText, std::to_string(kPdfBytes.size()));
    EXPECT_EQ(page_->GetNamesField()->text(), U8("report.pdf"));
    EXPECT_EQ(page_->GetSubjectEdit()->GetSjisText(), S("春の新作のご案内"));

    const std::string text = MimeText();
    EXPECT_EQ(text.find("report.pdf"), std::string::npos);
    EXPECT_NE(text.find("logo@quendrel"), std::string::npos);
    EXPECT_NE(page_->HtmlPart().find(S("春の新作が入荷しました。")), std::string::npos);
    ASSERT_EQ(page_->InlineImages().size(), 1u);
    EXPECT_EQ(page_->InlineImages()[0].contentId, "logo@quendrel");

    EXPECT_TRUE(page_->GetView()->toPlainText().contains(U8("春の新作が入荷しました。")));
    EXPECT_TRUE(page_->GetView()->Refused().isEmpty());
    const QImage image = page_->GetView()->loadResource(QTextDocument::ImageResource, QUrl("cid:logo@quendrel")).value<QImage>();
    EXPECT_EQ(image.size(), QSize(160, 48));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));

    // Stored, and read back by the page of the stored mail.
    const std::string content = Content();
    ASSERT_TRUE(page_->Save());
    EXPECT_EQ(dialog->MailRecord().body[0].find("report.pdf"), std::string::npos);
    EXPECT_EQ(dialog->MailRecord().subject[0], S("春の新作のご案内"));
    const int id = StoreMail('Y', dialog->MailRecord().subject[0], dialog->MailRecord().body[0]);
    dialog.reset();
    prompts_.clear();
    auto stored = OpenEmlMail(id);
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_EQ(page_->Subject(), S("春の新作のご案内"));
    EXPECT_EQ(Content(), content);
    EXPECT_TRUE(page_->GetView()->toPlainText().contains(U8("春の新作が入荷しました。")));
}

// Cancel in the attachment dialog removes what the import extracted; the list stays.
TEST_F(HtmlMailPageTest, CancelledAttachmentDialogRemovesTheExtractedFiles) {
    auto dialog = OpenEmlMail();
    ui::test::WhenDialogShows(QStringLiteral("dlg276"), [](QDialog* d) { d->reject(); });
    ASSERT_EQ(page_->ImportFile(Eml("html_with_attachment.eml"), false), CMailEditPageHtml::kImported);
    EXPECT_FALSE(std::filesystem::exists(WorkFile("report.pdf")));
    EXPECT_TRUE(dialog->MailRecord().attach[0].empty());
    EXPECT_EQ(MimeText().find("report.pdf"), std::string::npos);
    EXPECT_TRUE(page_->Subject().empty());
}

// An attachment of the file named like one of the mail's: No keeps the mail's (file and
// entry) and drops the file's, so nothing else is asked; Yes replaces it.
TEST_F(HtmlMailPageTest, SameNamedAttachmentIsReplacedOnlyWhenAsked) {
    auto dialog = OpenEmlMail();
    cdtest::WriteFile(WorkFile("report.pdf"), "old");
    dialog->MailRecord().attach[0] = {{"report.pdf", "3"}};

    prompts_.Answer(platform::kIdNo);
    ASSERT_EQ(page_->ImportFile(Eml("html_with_attachment.eml"), false), CMailEditPageHtml::kImported);
    EXPECT_EQ(Captions(), QStringList{U8("同一名称ファイルの添付確認")});
    EXPECT_TRUE(prompts_.texts()[0].startsWith(U8("次の名称の添付ファイルがEMLファイルの中に見つかりました。\r\n\r\nreport.pdf\r\n\r\n")));
    EXPECT_EQ(FileBytes(WorkFile("report.pdf")), "old");
    ASSERT_EQ(dialog->MailRecord().attach[0].size(), 1u);
    EXPECT_EQ(dialog->MailRecord().attach[0][0].secondText, "3");

    prompts_.clear();
    AcceptAttachmentDialog();
    ASSERT_EQ(page_->ImportFile(Eml("html_with_attachment.eml"), false), CMailEditPageHtml::kImported);
    EXPECT_EQ(Captions(), (QStringList{U8("同一名称ファイルの添付確認"), U8("EML内添付ファイルの利用確認")}));
    EXPECT_EQ(FileBytes(WorkFile("report.pdf")), kPdfBytes);
    ASSERT_EQ(dialog->MailRecord().attach[0].size(), 1u);
    EXPECT_EQ(dialog->MailRecord().attach[0][0].secondText, std::to_string(kPdfBytes.size()));
}

// With attachments switched off: a file without any is taken without a question; one with
// attachments is taken only when the user lets them go, else the page is left as it was.
TEST_F(HtmlMailPageTest, AttachmentsThatMayNotBeSentAreDroppedOnlyWithConsent) {
    SetOption(100, "Y");
    auto dialog = OpenEmlMail();
    EXPECT_EQ(page_->ImportFile(Eml("html_only.eml"), false), CMailEditPageHtml::kImported);
    EXPECT_TRUE(prompts_.prompts().empty());
    const std::string content = Content();
    const std::string temp = page_->GetTempFilePath();

    prompts_.Answer(platform::kIdNo);
    EXPECT_EQ(page_->ImportFile(Eml("html_with_attachment.eml"), false), CMailEditPageHtml::kStopped);
    EXPECT_EQ(Captions(), (QStringList{U8("EML内添付ファイルの破棄確認"), U8("添付ファイル送信のヒント")}));
    EXPECT_EQ(prompts_.prompts()[0].style & 0xF00u, unsigned(ui::kMbDefButton2));
    EXPECT_TRUE(prompts_.texts()[0].endsWith(U8("【破棄される添付ファイル】\r\nreport.pdf")));
    EXPECT_EQ(Content(), content);
    EXPECT_EQ(TempFiles(), std::vector<std::string>{temp});

    prompts_.clear();
    EXPECT_EQ(page_->ImportFile(Eml("html_with_attachment.eml"), false), CMailEditPageHtml::kImported);
    EXPECT_EQ(Captions(), QStringList{U8("EML内添付ファイルの破棄確認")});
    EXPECT_NE(Content(), content);
    EXPECT_TRUE(dialog->MailRecord().attach[0].empty());
    EXPECT_FALSE(std::filesystem::exists(WorkFile("report.pdf")));
}

// One temporary file at a time, gone with the page.
TEST_F(HtmlMailPageTest, OneTemporaryFileGoneWithThePage) {
    auto dialog = OpenEmlMail();
    ASSERT_EQ(page_->ImportFile(Eml("html_only.eml"), false), CMailEditPageHtml::kImported);
    const std::string first = page_->GetTempFilePath();
    ASSERT_EQ(page_->ImportFile(Eml("html_only.eml"), false), CMailEditPageHtml::kImported);
    const std::string second = page_->GetTempFilePath();
    EXPECT_NE(first, second);
    EXPECT_EQ(TempFiles(), std::vector<std::string>{second});
    EXPECT_EQ(std::filesystem::path(second).parent_path().string() + "/", env_layout::EnvFolder(*Env()));
    dialog.reset();
    EXPECT_TRUE(TempFiles().empty());
}

// The page with an imported mail, for people to look at.
class HtmlMailPageShot : public HtmlMailPageTest {
public:
    void TestBody() override {
        auto dialog = OpenEmlMail();
        AcceptAttachmentDialog();
        ASSERT_EQ(page_->ImportFile(Eml("html_with_attachment.eml"), true), CMailEditPageHtml::kImported);
        dialog->resize(760, 560);
        EXPECT_TRUE(ui::test::SaveScreenshot(dialog.get(), QStringLiteral("compose_html_mail_page")));
    }
};

[[maybe_unused]] const bool registered = [] {
    ::testing::RegisterTest("Screenshots.HtmlMailPage", "ImportedEml", nullptr, nullptr, __FILE__, __LINE__,
                            []() -> HtmlMailPageTest* { return new HtmlMailPageShot; });
    return true;
}();

}  // namespace
}  // namespace compose
