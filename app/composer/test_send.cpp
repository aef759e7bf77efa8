#include "app/composer/test_send.h"

#include <QTabWidget>

#include "app/composer/carrier_text_pages.h"
#include "app/composer/html_mail_page.h"
#include "app/composer/mail_create_dialog.h"
#include "app/composer/mail_edit_page_text_mobile.h"
#include "app/sendrecv/message_headers.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/file_info.h"
#include "core/mailstore/mail_data_structure.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/mime_decode_tool.h"
#include "platform/notifier.h"

namespace compose {

namespace {

using ui::U8;

using ui::kExclamation;

// A version string of a file of this system as the about box shows it ("1.0.0.0").
std::string FileVersionOf(const char* file) {
    char buffer[256] = {};
    if (GetFileVerInfo(file, "FileVersion", buffer, sizeof buffer) != 1) return std::string();
    std::string version;
    for (const char* c = buffer; *c != '\0'; ++c) {
        if (*c == ',') {
            version += '.';
        } else if (*c != ' ') {
            version += *c;
        }
    }
    return version;
}

}  // namespace

// ---- The pages' test sender -----------------------------------------------------------------

ComposeTestSender::ComposeTestSender(MailComposer& composer, QWidget* owner, SendEnvironment environment)
    : composer_(composer), sender_(owner, environment) {}

int ComposeTestSender::Send(int recipientKind) {
    composer_.TestAttachmentParts().clear();
    if (sender_.Send(recipientKind) == 0) return 0;
    composer_.TestRecipient() = sender_.GetRecipient();
    return 1;
}

int ComposeTestSender::AddAttachmentParts(int pageIndex) {
    std::vector<std::string> names;
    if (pageIndex >= 0 && pageIndex < OneMail::kAttachTypes) {
        for (const AttachData& a : composer_.MailRecord().attach[static_cast<std::size_t>(pageIndex)]) names.push_back(a.fileName);
    }
    sender_.SetAttachmentList(pageIndex, std::move(names));
    if (sender_.AddAttachmentParts(pageIndex) == 0) return 0;
    std::vector<MimeFormatStruct>& parts = composer_.TestAttachmentParts();
    parts.clear();
    const CMailDataStructure& mail = sender_.GetMailModel();
    for (int i = 0; i < mail.CountMIMENormalAttach(); ++i) {
        MimeFormatStruct part;
        if (mail.GetMIMENormalAttach(i, part) == 0) parts.push_back(std::move(part));
    }
    return 1;
}

int ComposeTestSender::ConfirmAndSend(const std::string& header, const std::string& body, int pageIndex) {
    sender_.SetMergedSubject(composer_.TestSubject());
    return sender_.ConfirmAndSend(header, body, pageIndex);
}

void ComposeTestSender::Abandon() { sender_.Abandon(); }

std::unique_ptr<TestMailService> MakeComposeTestSender(MailComposer& composer, QWidget* owner) {
    return std::make_unique<ComposeTestSender>(composer, owner);
}

// ---- The dialog's own command ---------------------------------------------------------------

ComposedTestContent ReadComposedTestContent(CMailCreateDialog& dialog) {
    ComposedTestContent content;
    content.honorific = dialog.MailRecord().honorific;
    content.textMail = dialog.GetKindLetter() == 'N';
    if (content.textMail) {
        const int tab = dialog.GetSheet() != nullptr ? dialog.GetSheet()->GetTabControl()->currentIndex() : -1;
        content.terminal = -1;
        if (tab == 0) {
            content.terminal = 0;
        } else if (tab == 1 && dialog.GetMobilePage() != nullptr) {
            if (CarrierTextPage* carrier = dialog.GetMobilePage()->GetActiveCarrierPage()) content.terminal = carrier->GetPageIndex();
        }
        content.recipientIndex = tab != 0 ? 1 : 0;
        if (content.terminal >= 0) {
            content.subject = dialog.TextSubject(content.terminal);
            content.body = dialog.TextBody(content.terminal);
        }
    } else {
        content.terminal = 0;
        content.recipientIndex = dialog.GetKindLetter() == 'M' ? 1 : 0;
        if (auto* page = dynamic_cast<CMailEditPageHtml*>(dialog.GetHtmlPage(kHtmlPageMime))) {
            content.subject = page->Subject();
            page->GetMimeText(content.body);
        }
    }
    content.withAttachments = !content.textMail || content.terminal == 0;
    for (const AttachData& a : dialog.MailRecord().attach[0]) content.attachments.push_back(a.fileName);
    return content;
}

std::string ComposedTestMailerLine() {
    char name[256] = {};
    if (GetFileVerInfo("Quendrel", "InternalName", name, sizeof name) != 1) name[0] = '\0';
    return std::string("X-Mailer: ") + name + " version " + FileVersionOf("Quendrel") + "/" + FileVersionOf("libombrel.so");
}

int SendComposedTest(const ComposedTestContent& content, QWidget* owner, SendEnvironment environment) {
    CTestMailSender sender(owner, environment);
    sender.SetHonorific(content.honorific);
    sender.SetExtraHeaderLine(ComposedTestMailerLine());
    if (sender.Send(content.recipientIndex) == 0) return 0;
    if (content.withAttachments) {
        sender.SetAttachmentList(0, content.attachments);
        if (sender.AddAttachmentParts(0) == 0) return 0;
    }
    const QString failed = U8("テストメール送信失敗");
    const OneCustomer& recipient = sender.GetRecipient();
    CMailDataStructure& mail = sender.GetMailModel();
    const int terminal = content.terminal < 0 ? 0 : content.terminal;

    // Merged before it is encoded: the merge fields are Shift_JIS text.
    bool bodyEmpty = false;
    bool built = true;
    std::string header;
    std::string body;
    if (content.textMail) {
        const std::string merged = MailWordInsert::GetMailWordInsert(recipient, content.body, 0);
        bodyEmpty = merged.empty();
        std::string entity;
        MimeFormatStruct part;
        built = MakeTextPartHeader(merged, terminal, entity) == 0 && MimeDecodeTool::MimeDecode(entity, part) != 0;
        if (built) {
            mail.SetMIMETextBody(part);
            built = mail.GetMimeString(header, body, 1, nullptr) == 0;
        }
    } else {
        bodyEmpty = content.body.empty();
        if (!bodyEmpty) {
            built = mail.AnalyzeMime(content.body) == 0;
            const int written = built ? mail.GetMimeString(header, body, 1, &recipient) : -2;
            bodyEmpty = written == -1 || (written == 0 && body.empty());
            built = written != -2;
        }
    }
    const std::string subject = MailWordInsert::GetMailWordInsertForHeader(recipient, content.subject);
    if (subject.empty()) return sender.Finish(U8("メールのタイトルがありません"), failed, kExclamation, CTestMailSender::kFinishWindow);
    if (bodyEmpty) return sender.Finish(U8("メールの本文がありません"), failed, kExclamation, CTestMailSender::kFinishWindow);
    // Half a mail must not reach the test address looking like the real one.
    if (!built) {
        return sender.Finish(U8("テストメールを作成できないため、送信を中止しました。"), failed, kExclamation,
                             CTestMailSender::kFinishWindow);
    }
    sender.SetMergedSubject(subject);
    return sender.ConfirmAndSend(header, body, terminal);
}

int TestSendComposedMail(CMailCreateDialog& dialog) {
    return SendComposedTest(ReadComposedTestContent(dialog), &dialog);
}

}  // namespace compose
