#include "app/composer/carrier_text_pages.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "app/composer/text_reflection.h"
#include "app/compose/mail_text_edit.h"
#include "app/compose/pictogram_input_dlg.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace compose {

namespace {

constexpr int kImodeFirstBitmap = 333;
constexpr int kEzwebFirstBitmap = 535;
constexpr int kJskyFirstBitmap = 737;
// SoftBank draws its last four pictograms (F9F9-F9FC) from ids outside its run.
constexpr std::array<int, 4> kJskyLastBitmaps = {533, 534, 735, 736};

}  // namespace

CarrierTextPage::CarrierTextPage(int resourceId, int bodyLimit, int subjectLimit,
                                 std::unique_ptr<htmledit::AttachmentLimitDlg> attachments, int firstBitmap,
                                 QWidget* parent)
    : TextMailPage(resourceId, std::move(attachments), kIdcCursorPosition, kIdcAttach, kWrapPosition, parent),
      firstBitmap_(firstBitmap) {
    bodyLimit_ = bodyLimit;
    subjectLimit_ = subjectLimit;
    if (firstBitmap_ != 0) {
        pictogramButton_ = ui::SetControlId(new QPushButton(ui::U8("絵文字(&P)"), this), kIdcPictogram);
        pictogramButton_->setAutoDefault(false);
        rulerInfoRow_->addWidget(pictogramButton_);
        connect(pictogramButton_, &QPushButton::clicked, this, &CarrierTextPage::ShowPalette);
    }
}

CarrierTextPage::~CarrierTextPage() {
    // The palette window goes before the attachments' copies (TextMailPage).
    delete palette_;
    palette_ = nullptr;
}

PictogramList CarrierTextPage::MakePaletteList(int firstBitmap) {
    return MakeCarrierPictogramList(firstBitmap, firstBitmap == kJskyFirstBitmap ? kJskyLastBitmaps : std::array<int, 4>{});
}

void CarrierTextPage::OnInitDialog() {
    TextMailPage::OnInitDialog();
    if (firstBitmap_ == 0) return;
    lastEdit_ = kIdcBody;
    savedStart_ = savedEnd_ = -1;
    if (palette_ == nullptr) {
        palette_ = new CPictogramDialog(this);
        palette_->SetPictogramList(MakePaletteList(firstBitmap_));
        connect(palette_, &CPictogramDialog::pictogramChosen, this, [this] {
            if (MailComposer* owner = GetOwner()) {
                owner->ForwardInsertText();
            } else {
                OnInsertText();
            }
        });
    }
}

bool CarrierTextPage::eventFilter(QObject* watched, QEvent* event) {
    if (palette_ != nullptr && event->type() == QEvent::FocusOut && (watched == Subject() || watched == Body()))
        RememberCaret(static_cast<SjisLimitedEdit*>(watched));
    return TextMailPage::eventFilter(watched, event);
}

void CarrierTextPage::RememberCaret(SjisLimitedEdit* edit) {
    std::size_t start = 0;
    std::size_t end = 0;
    edit->GetSjisSelection(start, end);
    savedStart_ = static_cast<long long>(start);
    savedEnd_ = static_cast<long long>(end);
    lastEdit_ = edit == Subject() ? kIdcSubject : kIdcBody;
}

void CarrierTextPage::ShowPalette() {
    if (palette_ == nullptr) return;
    // Where the caret is now: the button's shortcut (Alt+P) leaves the focus in the edit,
    // which then never lost it, so what a loss of focus remembered may be an older place.
    QWidget* focused = window()->focusWidget();
    if (focused == Subject() || focused == Body()) RememberCaret(static_cast<SjisLimitedEdit*>(focused));
    (lastEdit_ == kIdcSubject ? static_cast<QWidget*>(Subject()) : Body())->setFocus();
    palette_->show();
    palette_->raise();
}

void CarrierTextPage::ClosePalette() {
    if (palette_ != nullptr) palette_->hide();
}

bool CarrierTextPage::OnKillActive() {
    ClosePalette();
    return true;
}

void CarrierTextPage::OnInsertText() {
    if (palette_ == nullptr) return;
    const std::string code = palette_->GetSelectedCode();
    // The palette handed the focus back to the composing window: its focus is the edit
    // the user was in.
    QWidget* focused = window()->focusWidget();
    SjisLimitedEdit* edit = focused == Subject() ? Subject() : focused == Body() ? Body() : nullptr;
    if (edit == nullptr || code.empty()) return;
    const std::size_t length = edit->GetByteCount();
    std::size_t start = savedStart_ < 0 ? 0 : std::min(static_cast<std::size_t>(savedStart_), length);
    std::size_t end = savedEnd_ < 0 ? start : std::min(static_cast<std::size_t>(savedEnd_), length);
    if (end < start) std::swap(start, end);
    const QTextCursor before = edit->textCursor();
    edit->SetSjisSelection(start, end);
    if (!edit->InsertSjis(code)) {
        edit->setTextCursor(before);
        return;
    }
    savedStart_ = savedEnd_ = static_cast<long long>(start + code.size());
    edit->SetSjisSelection(static_cast<std::size_t>(savedStart_), static_cast<std::size_t>(savedEnd_));
    edit->ensureCursorVisible();
    edit->setFocus();
    UpdateCharCount();
}

// ---- The carriers ----------------------------------------------------------------------------

CMailEditPageImode::CMailEditPageImode(QWidget* parent)
    : CarrierTextPage(kIdd, 10000, 30, std::make_unique<htmledit::CAttachmentSettingDlgImode>(), kImodeFirstBitmap,
                      parent) {
    reflectButton_ = ui::SetControlId(new QPushButton(ui::U8("他キャリアにも反映(&O)"), this), kIdcReflect);
    reflectButton_->setAutoDefault(false);
    buttonRow_->insertWidget(0, reflectButton_);
    connect(reflectButton_, &QPushButton::clicked, this, &CMailEditPageImode::ReflectToOtherCarrierPages);
}

void CMailEditPageImode::OnInitDialog() {
    CarrierTextPage::OnInitDialog();
    reflectionPending_ = true;
}

void CMailEditPageImode::ReflectToOtherCarrierPages() {
    MailComposer* owner = GetOwner();
    if (owner == nullptr) return;
    if (reflectionPending_) {
        if (!ConfirmReflection(this, 170, 580,
                               "以下の情報を携帯3キャリア(au　TU-KA、Softbank、WILLCOM)向けメールに反映しますか？"
                               "\r\n\r\n　・件名\r\n　・本文\r\n　・添付ファイル"))
            return;
        reflectionPending_ = false;
    }
    std::array<bool, 3> flags{};
    if (!AskAttachmentFlags(this, 1, Attachments().GetTotalSize(), GetAttachmentCount(), false, flags.data())) return;
    owner->CopyDocomoTextToCarrierPages(Subject()->GetSjisText(), Body()->GetSjisText());
    owner->CopyDocomoAttachmentsToCarrierPages(flags);
}

CMailEditPageEzweb::CMailEditPageEzweb(QWidget* parent)
    : CarrierTextPage(kIdd, 10000, 100, std::make_unique<htmledit::CAttachmentSettingDlgEzweb>(), kEzwebFirstBitmap,
                      parent) {}

CMailEditPageJsky::CMailEditPageJsky(QWidget* parent)
    : CarrierTextPage(kIdd, 10000, 40, std::make_unique<htmledit::CAttachmentSettingDlgJsky>(), kJskyFirstBitmap,
                      parent) {}

CMailEditPagePmaildx::CMailEditPagePmaildx(QWidget* parent)
    : CarrierTextPage(kIdd, 40000, 256, std::make_unique<htmledit::CAttachmentSettingDlgPmaildx>(), 0, parent) {}

// ---- MOZiO and Paldio ----------------------------------------------------------------------

CMailEditPageSimple::CMailEditPageSimple(int resourceId, int bodyLimit, QWidget* parent)
    : CMailEditPageBase(resourceId, parent) {
    bodyLimit_ = bodyLimit;
    auto* column = new QVBoxLayout(this);
    auto* subjectRow = new QHBoxLayout;
    subjectRow->addWidget(new QLabel(ui::U8("件名"), this));
    subject_ = ui::SetControlId(new CMailTextEdit(this, true), kIdcSubject);
    subjectRow->addWidget(subject_, 1);
    column->addLayout(subjectRow);
    body_ = ui::SetControlId(new CMailTextEdit(this), kIdcBody);
    column->addWidget(body_, 1);
    QHBoxLayout* count = MakeCountRow();
    count->addStretch(1);
    column->addLayout(count);
    connect(body_, &QPlainTextEdit::textChanged, this, &CMailEditPageSimple::UpdateCharCount);
}

}  // namespace compose
