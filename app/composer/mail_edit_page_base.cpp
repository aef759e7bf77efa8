#include "app/composer/mail_edit_page_base.h"

#include <QHBoxLayout>
#include <QLabel>

#include "app/compose/mail_text_edit.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/sendrecv/message_headers.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/directory_utils.h"
#include "core/mailstore/mail_data_structure.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/mime_decode_tool.h"
#include "platform/notifier.h"
#include "platform/private_files.h"

namespace compose {

CMailEditPageBase::CMailEditPageBase(int resourceId, QWidget* parent) : QWidget(parent), resourceId_(resourceId) {
    setObjectName(ui::DialogName(resourceId));
}

CMailEditPageBase::~CMailEditPageBase() = default;

void CMailEditPageBase::SetSubjectText(const std::string& sjis) {
    if (CMailTextEdit* edit = GetSubjectEdit()) edit->SetSjisText(sjis);
}

void CMailEditPageBase::UpdateCharCount() {
    if (count_ == nullptr) return;
    CMailTextEdit* body = GetBodyEdit();
    std::size_t bytes = 0;
    if (auto* limited = qobject_cast<SjisLimitedEdit*>(body)) {
        bytes = limited->GetByteCount();
    } else if (body != nullptr) {
        bytes = body->GetSjisText().size();
    }
    count_->setText(QString::number(bytes));
}

int CMailEditPageBase::SetSubjectFont(const QFont& font) {
    subjectFont_ = font;
    subjectFontSet_ = true;
    return 1;
}

int CMailEditPageBase::SetBodyFont(const QFont& font) {
    bodyFont_ = font;
    bodyFontSet_ = true;
    return 1;
}

int CMailEditPageBase::SetWorkFolder(const std::string& path) {
    if (path.empty()) return 0;
    if (CheckDirectory(path) != 0 && !platform::MakePrivateFolder(path)) return 0;
    workFolder_ = path;
    OnWorkFolderSet();
    return 1;
}

void CMailEditPageBase::ExchangeTexts(bool toPage) {
    if (!initialised_ || owner_ == nullptr || pageIndex_ < 0 || pageIndex_ >= OneMail::kTermRows) return;
    CMailTextEdit* subject = GetSubjectEdit();
    CMailTextEdit* body = GetBodyEdit();
    if (subject == nullptr || body == nullptr) return;
    OneMail& mail = owner_->MailRecord();
    const auto slot = static_cast<std::size_t>(pageIndex_);
    if (toPage) {
        subject->SetSjisText(mail.subject[slot]);
        body->SetSjisText(mail.body[slot]);
    } else {
        mail.subject[slot] = subject->GetSjisText();
        mail.body[slot] = body->GetSjisText();
    }
}

void CMailEditPageBase::SendTestMail(int senderKind, int pageIndex) {
    TestMailService* sender = owner_ != nullptr ? owner_->GetTestMailService() : nullptr;
    if (sender == nullptr) return;
    if (sender->Send(senderKind) == 0) return;
    if (sender->AddAttachmentParts(pageIndex) == 0) return;
    std::string header;
    std::string body;
    if (BuildTestMime(owner_->TestRecipient(), header, body) != 1) {
        // Half a mail must not reach the test address looking like the real one.
        ui::MessageBox(this, ui::U8("テストメールを作成できないため、送信を中止しました。"),
                       ui::U8("テストメール送信失敗"), platform::kMbOk | platform::kMbIconWarning);
        sender->Abandon();
        return;
    }
    owner_->TestSubject() = MailWordInsert::GetMailWordInsert(owner_->TestRecipient(), owner_->TestSubject(), 0);
    sender->ConfirmAndSend(header, body, pageIndex);
}

void CMailEditPageBase::InitialisePage() {
    if (initialised_) return;
    initialised_ = true;
    OnInitDialog();
}

void CMailEditPageBase::OnInitDialog() {
    if (max_ != nullptr) max_->setText(QString::number(static_cast<unsigned>(GetBodyLimit())));
    UpdateCharCount();
}

bool CMailEditPageBase::OnSetActive() {
    InitialisePage();
    if (subjectFontSet_) {
        if (CMailTextEdit* edit = GetSubjectEdit()) edit->setFont(subjectFont_);
    }
    if (bodyFontSet_) {
        if (CMailTextEdit* edit = GetBodyEdit()) edit->setFont(bodyFont_);
    }
    return true;
}

QHBoxLayout* CMailEditPageBase::MakeCountRow() {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(ui::U8("文字数 ："), this));
    count_ = ui::SetControlId(new QLabel(QStringLiteral("(Cnt)"), this), kIdcCount);
    row->addWidget(count_);
    row->addWidget(new QLabel(QStringLiteral("/"), this));
    max_ = ui::SetControlId(new QLabel(QStringLiteral("(Max)"), this), kIdcMax);
    row->addWidget(max_);
    return row;
}

int CMailEditPageBase::BuildTextTestMime(const OneCustomer& record, const std::string& bodyText, int termType,
                                         std::string& header, std::string& body) {
    if (owner_ == nullptr) return 0;
    const std::string merged = MailWordInsert::GetMailWordInsert(record, bodyText, 0);
    std::string partText;
    if (MakeTextPartHeader(merged, termType, partText) < 0) return 0;
    MimeFormatStruct part;
    if (MimeDecodeTool::MimeDecode(partText, part) == 0) return 0;
    CMailDataStructure mail;
    mail.Init();
    mail.SetMIMETextBody(part);
    mail.RemoveAllMIMENormalAttach();
    for (const MimeFormatStruct& attachment : owner_->TestAttachmentParts()) mail.AddMIMENormalAttach(attachment);
    return mail.GetMimeString(header, body, 1, nullptr) < 0 ? 0 : 1;
}

}  // namespace compose
