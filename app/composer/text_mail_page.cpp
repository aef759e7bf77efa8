#include "app/composer/text_mail_page.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/compose/sjis_limited_edit.h"
#include "app/compose/wrap_ruler.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace compose {

namespace {

using ui::U8;

void ShowError(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, U8("エラー"), platform::kMbOk | platform::kMbIconError);
}

}  // namespace

TextMailPage::TextMailPage(int resourceId, std::unique_ptr<htmledit::AttachmentLimitDlg> attachments, int cursorId,
                           int attachButtonId, int wrapPosition, QWidget* parent)
    : CMailEditPageBase(resourceId, parent), attachments_(std::move(attachments)), wrapPosition_(wrapPosition) {
    if (attachments_ != nullptr) {
        attachments_->setParent(this, attachments_->windowFlags());
        files_ = std::make_unique<htmledit::HtmlPageAttachments>(*attachments_, [this]() -> std::vector<AttachData>* {
            MailComposer* owner = GetOwner();
            const int index = GetPageIndex();
            if (owner == nullptr || index < 0 || index >= OneMail::kTermRows) return nullptr;
            return &owner->MailRecord().attach[static_cast<std::size_t>(index)];
        });
    }

    auto* column = new QVBoxLayout(this);
    auto* subjectRow = new QHBoxLayout;
    subjectRow->addWidget(new QLabel(U8("件名"), this));
    subject_ = ui::SetControlId(new SjisLimitedEdit(this, true), kIdcSubject);
    subjectRow->addWidget(subject_, 1);
    column->addLayout(subjectRow);

    rulerInfoRow_ = new QHBoxLayout;
    rulerInfoRow_->addWidget(new QLabel(U8("折り返し位置"), this));
    wrapText_ = ui::SetControlId(new QLabel(QStringLiteral("000"), this), kIdcWrapPosition);
    wrapText_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    wrapText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rulerInfoRow_->addWidget(wrapText_);
    rulerInfoRow_->addWidget(new QLabel(QStringLiteral("pixel"), this));
    rulerInfoRow_->addSpacing(16);
    rulerInfoRow_->addWidget(new QLabel(U8("カーソル位置"), this));
    cursorText_ = ui::SetControlId(new QLabel(QStringLiteral("200"), this), cursorId);
    cursorText_->setMinimumWidth(wrapText_->minimumWidth());
    cursorText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rulerInfoRow_->addWidget(cursorText_);
    rulerInfoRow_->addWidget(new QLabel(QStringLiteral("pixel"), this));
    rulerInfoRow_->addStretch(1);
    column->addLayout(rulerInfoRow_);
    column->addSpacing(kRulerOffset);

    body_ = ui::SetControlId(new htmledit::CMailBodyEdit(0, this), kIdcBody);
    body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    column->addWidget(body_, 1);
    ruler_ = new CWrapRuler(this);

    countRow_ = MakeCountRow();
    countRow_->addStretch(1);
    column->addLayout(countRow_);

    auto* attachRow = new QHBoxLayout;
    attachLabel_ = ui::SetControlId(new QLabel(U8("添付ファイル"), this), kIdcAttachLabel);
    attachRow->addWidget(attachLabel_);
    attachNames_ = ui::SetControlId(new QLineEdit(this), kIdcAttachNames);
    attachNames_->setReadOnly(true);
    attachRow->addWidget(attachNames_, 1);
    attachButton_ = ui::SetControlId(new QPushButton(U8("添付(&F)"), this), attachButtonId);
    attachButton_->setAutoDefault(false);
    attachRow->addWidget(attachButton_);
    column->addLayout(attachRow);

    buttonRow_ = new QHBoxLayout;
    buttonRow_->addStretch(1);
    testButton_ = ui::SetControlId(new QPushButton(U8("テスト送信(&T)"), this), kIdcTestSend);
    testButton_->setAutoDefault(false);
    buttonRow_->addWidget(testButton_);
    column->addLayout(buttonRow_);

    connect(attachButton_, &QPushButton::clicked, this, &TextMailPage::OnAttachFiles);
    connect(testButton_, &QPushButton::clicked, this, &TextMailPage::OnTestSend);
    connect(body_, &QPlainTextEdit::textChanged, this, &TextMailPage::UpdateCharCount);
    connect(ruler_, &CWrapRuler::cursorPositionChanged, this,
            [this](int value) { cursorText_->setText(QString::number(value)); });
    connect(ruler_, &CWrapRuler::wrapPositionChanged, this, [this](int value) {
        wrapPosition_ = value;
        SetBodyWidthFromWrap();
        wrapText_->setText(QString::number(value));
        ShowCaretPosition();  // the lines broke anew
    });
    // Typing, clicks and arrow keys: the caret's place, unless the mouse is on the ruler.
    connect(body_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!ruler_->underMouse()) ShowCaretPosition();
    });
    ruler_->installEventFilter(this);
    body_->installEventFilter(this);
    subject_->installEventFilter(this);
}

TextMailPage::~TextMailPage() {
    // The copies are the page's own; the stored mail keeps its attachments.
    files_.reset();
}

CMailTextEdit* TextMailPage::GetSubjectEdit() { return subject_; }
CMailTextEdit* TextMailPage::GetBodyEdit() { return body_; }

void TextMailPage::OnInitDialog() {
    CMailEditPageBase::OnInitDialog();
    body_->SetByteLimit(static_cast<std::size_t>(GetBodyLimit()));
    subject_->SetByteLimit(static_cast<std::size_t>(GetSubjectLimit()));
    PlaceRuler();
    ExchangeTexts(true);
    UpdateCharCount();
    SetBodyWidthFromWrap();
    wrapText_->setText(QString::number(ruler_->GetWrapPosition()));
    cursorText_->clear();
    NoWordBreakProc(body_);
    ShowAttachmentNames();
}

bool TextMailPage::OnSetActive() {
    if (!CMailEditPageBase::OnSetActive()) return false;
    // A new subject font may need another height.
    const int frame = 2 * subject_->frameWidth() + static_cast<int>(2 * subject_->document()->documentMargin());
    subject_->setFixedHeight(subject_->fontMetrics().height() + frame);
    SetBodyWidthFromWrap();
    return true;
}

bool TextMailPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == body_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        PlaceRuler();
    } else if (watched == ruler_ && event->type() == QEvent::Leave) {
        ShowCaretPosition();
    } else if (watched == subject_ && event->type() == QEvent::FocusIn) {
        QTextCursor cursor = subject_->textCursor();
        cursor.clearSelection();
        subject_->setTextCursor(cursor);
        subject_->ensureCursorVisible();
    }
    return CMailEditPageBase::eventFilter(watched, event);
}

void TextMailPage::SetBodyWidthFromWrap() { body_->SetWrapWidth(ruler_->GetWrapPosition()); }

void TextMailPage::ShowCaretPosition() { cursorText_->setText(QString::number(CaretPixel(body_))); }

void TextMailPage::PlaceRuler() {
    const QRect box = body_->geometry();
    const int margin = qRound(body_->document()->documentMargin());
    const int scrollBar = body_->verticalScrollBar()->sizeHint().width();
    const int width = std::max(1, box.width() - 2 * body_->frameWidth() - scrollBar - 2 * margin);
    ruler_->SetTop(box.top() - kRulerOffset);
    ruler_->SetLeft(box.left() + body_->frameWidth() + margin);
    ruler_->SetWidth(width);
    ruler_->SetRange(0, width);
    ruler_->SetWrapPosition(wrapPosition_);
    if (IsInitialised()) {
        SetBodyWidthFromWrap();
        wrapText_->setText(QString::number(ruler_->GetWrapPosition()));
    }
}

// ---- Attachments ----------------------------------------------------------------------------

void TextMailPage::OnWorkFolderSet() {
    if (files_ != nullptr) files_->SetFolder(GetWorkFolder());
}

void TextMailPage::LoadAttachments() { files_->Load(); }

void TextMailPage::ShowAttachmentNames() { attachNames_->setText(files_->NamesText()); }

void TextMailPage::OnAttachFiles() {
    if (GetWorkFolder().empty()) {
        ShowError(this, U8("作業用フォルダが未設定です。"));
        return;
    }
    if (MailComposer* owner = GetOwner()) owner->ShowAttachmentNoticeOnce(this);
    if (attachments_->DoModal() != platform::kIdOk) return;
    files_->ApplyDialogResult(this);
    ShowAttachmentNames();
}

int TextMailPage::GetAttachmentCount() { return files_->Count(); }

int TextMailPage::GetAttachmentName(int index, std::string& name) { return files_->GetName(index, name); }

int TextMailPage::GetAttachmentSize(int index, std::uint64_t& size) { return files_->GetSize(index, size); }

int TextMailPage::GetAttachmentData(int index, std::size_t bufferSize, char* buffer) {
    return files_->GetData(index, bufferSize, buffer);
}

int TextMailPage::AddAttachmentFromBuffer(const std::string& name, const char* bytes, std::size_t size) {
    if (files_->AddFromBuffer(name, bytes, size) == 0) return 0;
    ShowAttachmentNames();
    return 1;
}

int TextMailPage::DeleteAttachment(int index) {
    const int removed = files_->RemoveAt(index);
    ShowAttachmentNames();
    return removed;
}

int TextMailPage::RemoveAllAttachments() {
    const int removed = files_->RemoveAll();
    ShowAttachmentNames();
    return removed;
}

void TextMailPage::DisableAttachmentControls() {
    attachButton_->setEnabled(false);
    attachLabel_->setEnabled(false);
    attachNames_->setEnabled(false);
}

// ---- Test send -------------------------------------------------------------------------------

void TextMailPage::EnableTestButton(bool enable) { testButton_->setEnabled(enable); }

void TextMailPage::OnTestSend() {
    MailComposer* owner = GetOwner();
    if (owner == nullptr) return;
    owner->TestSubject() = subject_->GetSjisText();
    if (!owner->CheckComposedMail('N', ContentCheckTarget())) return;
    SendTestMail(SenderKind(), GetPageIndex());
}

int TextMailPage::BuildTestMime(const OneCustomer& record, std::string& header, std::string& body) {
    return BuildTextTestMime(record, body_->GetSjisText(), GetPageIndex(), header, body);
}

}  // namespace compose
