#include "app/composer/mail_edit_page_normal.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringDecoder>

#include <algorithm>
#include <array>

#include "app/composer/text_reflection.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/mailtext/file_utils.h"
#include "app/mailtext/sjis_cut.h"
#include "app/compose/wrap_line_breaks.h"
#include "app/compose/wrap_ruler.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_input.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/kcode.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace compose {

namespace {

constexpr int kOptionSignature = 80;
constexpr int kOptionInsertSignature = 81;

using shell::ProgramOption;

bool IsUtf8WithNonAscii(const std::string& bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

// The body file's bytes as Shift_JIS text without NUL bytes. The characters of a UTF-8
// file that Shift_JIS cannot hold are left out and named in `lost`.
std::string BodyFileText(std::string bytes, QStringList& lost) {
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    if (IsUtf8WithNonAscii(bytes)) {
        const ui::KeptInput kept = ui::KeepSjisCharacters(QString::fromUtf8(bytes));
        lost = kept.dropped;
        return KCodeC::utf8tosj(lost.isEmpty() ? bytes : kept.text.toUtf8().toStdString());
    }
    KCodeC converter;
    return converter.ToSJIS(bytes);
}

}  // namespace

CMailEditPageNormal::CMailEditPageNormal(QWidget* parent)
    : TextMailPage(kIdd, std::make_unique<htmledit::CAttachmentSettingDlgNormal>(), kIdcCursorPosition, kIdcAttach,
                   kWrapPosition, parent) {
    bodyLimit_ = kBodyLimit;
    subjectLimit_ = kSubjectLimit;
    insertButton_ = ui::SetControlId(new QPushButton(ui::U8("折り返し位置に改行挿入(&I)"), this), kIdcInsertLineBreaks);
    insertButton_->setAutoDefault(false);
    rulerInfoRow_->addWidget(insertButton_);
    // The counts after line breaks of the old layout stay empty.
    for (int id : {1887, 1555, 1888, 1874, 1889}) countRow_->insertWidget(countRow_->count() - 1, ui::SetControlId(new QLabel(this), id));
    reflectButton_ = ui::SetControlId(new QPushButton(ui::U8("携帯にも反映(&K)"), this), kIdcReflect);
    reflectButton_->setAutoDefault(false);
    buttonRow_->insertWidget(0, reflectButton_);
    connect(insertButton_, &QPushButton::clicked, this, &CMailEditPageNormal::InsertLineBreaksAtWrap);
    connect(reflectButton_, &QPushButton::clicked, this, &CMailEditPageNormal::ReflectToCarrierPages);
}

void CMailEditPageNormal::OnInitDialog() {
    TextMailPage::OnInitDialog();
    if (GetOwner() != nullptr && GetOwner()->IsWizardMode()) reflectButton_->setEnabled(false);
}

bool CMailEditPageNormal::OnSetActive() {
    const std::string insertSignature = ProgramOption(kOptionInsertSignature);
    if (!TextMailPage::OnSetActive()) return false;
    if (signaturePending_ && insertSignature == "Y") {
        Body()->SetSjisText("\r\n" + ProgramOption(kOptionSignature));
        ExchangeTexts(false);
        signaturePending_ = false;
    }
    if (bodyFile_ && !TakeBodyFile()) return false;
    return true;
}

bool CMailEditPageNormal::TakeBodyFile() {
    std::string bytes;
    if (ReadWholeFile(*bodyFile_, bytes) != 1) return false;
    bodyFile_.reset();
    QStringList lost;
    std::string text = BodyFileText(std::move(bytes), lost);
    if (text.size() > static_cast<std::size_t>(kBodyLimit)) {
        const QString question =
            ui::U8("本文ファイルの内容が半角%1文字(全角%2文字)を超えています。\r\n"
                   "[OK]ボタンをクリックすると%1文字目までが本文になります。")
                .arg(kBodyLimit)
                .arg(kBodyLimit / 2);
        if (ui::MessageBox(this, question, ui::U8("確認"), platform::kMbOkCancel | platform::kMbIconQuestion) !=
            platform::kIdOk)
            return true;
        text = CutSjisText(text, static_cast<std::size_t>(kBodyLimit));
    }
    Body()->SetSjisText(text);
    ExchangeTexts(false);
    UpdateCharCount();
    ui::TellInputAltered(Body(), lost);
    return true;
}

void CMailEditPageNormal::InsertLineBreaksAtWrap() {
    std::string result;
    if (InsertLineBreaks(Body()->GetSjisText(), Body()->font(), Ruler()->GetWrapPosition() - 2, result, "\r\n", 0) != 1)
        return;
    Body()->SetSjisText(result);
}

void CMailEditPageNormal::ReflectToCarrierPages() {
    MailComposer* owner = GetOwner();
    if (owner == nullptr) return;
    if (reflectionPending_) {
        if (!ConfirmReflection(this, 170, 640,
                               "以下の情報を携帯4キャリア(NTT DoCoMo、au TU-KA、Softbank、WILLCOM)向けメールに反映しますか？"
                               "\r\n\r\n　・件名\r\n　・本文\r\n　・添付ファイル\r\n"))
            return;
        reflectionPending_ = false;
    }
    const std::string subject = Subject()->GetSjisText();
    const std::string body = Body()->GetSjisText();
    if (!AskTextCuts(this, subject, body)) return;
    std::array<bool, 4> flags{};
    if (!AskAttachmentFlags(this, 0, Attachments().GetTotalSize(), GetAttachmentCount(), true, flags.data())) return;
    owner->CopyTextToCarrierPages(subject, body);
    owner->CopyAttachmentsToCarrierPages(flags);
}

void CMailEditPageNormal::DisableAttachmentControls() { attachButton_->setEnabled(false); }

}  // namespace compose
