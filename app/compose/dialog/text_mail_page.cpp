#include "app/compose/dialog/text_mail_page.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <filesystem>
#include <optional>
#include <system_error>

#include "app/compose/attachment_list.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/compose/text/file_utils.h"
#include "app/compose/wrap_ruler.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/mailstore/attach_writer.h"
#include "platform/notifier.h"

namespace compose {

namespace {

QString U8(const char* utf8) { return ui::U8(utf8); }

void ShowError(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, U8("エラー"), platform::kMbOk | platform::kMbIconError);
}

// The decimal value of a whole size text; nothing for any other text.
std::optional<std::uint64_t> DecimalSize(const std::string& text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

TextMailPage::TextMailPage(int resourceId, std::unique_ptr<htmledit::AttachmentLimitDlg> attachments, int cursorId,
                           int attachButtonId, int wrapPosition, QWidget* parent)
    : CMailEditPageBase(resourceId, parent), attachments_(std::move(attachments)), wrapPosition_(wrapPosition) {
    if (attachments_ != nullptr) attachments_->setParent(this, attachments_->windowFlags());

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
    });
    ruler_->installEventFilter(this);
    body_->installEventFilter(this);
    subject_->installEventFilter(this);
}

TextMailPage::~TextMailPage() {
    // The copies are the page's own; the stored mail keeps its attachments.
    if (attachments_ != nullptr) {
        for (const htmledit::AttachmentEntry& entry : attachments_->GetEntries()) DeleteCopy(entry.path);
    }
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
        cursorText_->clear();
    } else if (watched == subject_ && event->type() == QEvent::FocusIn) {
        QTextCursor cursor = subject_->textCursor();
        cursor.clearSelection();
        subject_->setTextCursor(cursor);
        subject_->ensureCursorVisible();
    }
    return CMailEditPageBase::eventFilter(watched, event);
}

void TextMailPage::SetBodyWidthFromWrap() { body_->SetWrapWidth(ruler_->GetWrapPosition()); }

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

std::vector<AttachData>& TextMailPage::RecordList() {
    MailComposer* owner = GetOwner();
    const int index = GetPageIndex();
    if (owner == nullptr || index < 0 || index >= OneMail::kTermRows) return noRecord_;
    return owner->MailRecord().attach[static_cast<std::size_t>(index)];
}

std::string TextMailPage::CopyPath(const std::string& name) const { return GetWorkFolder() + name; }

bool TextMailPage::DeleteCopy(const std::string& path) const {
    const std::string& folder = GetWorkFolder();
    if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return true;
    if (!AttachWriter::IsSafeAttachName(std::string_view(path).substr(folder.size()))) return true;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return true;
    return RemoveFileNoThrow(path) == 1;
}

void TextMailPage::LoadAttachments() {
    for (const AttachData& item : RecordList()) {
        const std::string path = CopyPath(item.fileName);
        std::uint64_t size = 0;
        if (const std::optional<std::uint64_t> stated = DecimalSize(item.secondText)) {
            size = *stated;
        } else {
            // No size to trust: the copy's own, so the limits still count the file.
            GetFileSizeByName(path, size);
        }
        attachments_->AddAttachment(item.fileName, size, path, 0);
    }
}

void TextMailPage::ShowAttachmentNames() {
    QStringList names;
    for (const AttachData& item : RecordList()) names << ui::FromSjis(item.fileName);
    attachNames_->setText(names.join(QStringLiteral(", ")));
}

void TextMailPage::OnAttachFiles() {
    if (GetWorkFolder().empty()) {
        ShowError(this, U8("作業用フォルダが未設定です。"));
        return;
    }
    if (MailComposer* owner = GetOwner()) owner->ShowAttachmentNoticeOnce(this);
    if (attachments_->DoModal() != platform::kIdOk) return;

    for (const htmledit::AttachmentEntry& removed : attachments_->GetRemovedList()) {
        if (!DeleteCopy(removed.path)) ShowError(this, U8("テンポラリファイルの削除に失敗しました。"));
    }
    std::vector<AttachData>& list = RecordList();
    list.clear();
    std::size_t index = 0;
    while (index < attachments_->GetCount()) {
        const htmledit::AttachmentEntry entry = attachments_->GetAt(index);
        if (entry.flag == 1) {
            const std::string target = CopyPath(entry.fileName);
            bool copied = SameFile(entry.path, target) || CopyFileSafely(entry.path, target);
            std::uint64_t size = entry.size;
            // The file may have changed since it was chosen: the copy's size is the one
            // the limits and later reads go by.
            if (copied && (GetFileSizeByName(target, size) != 1 ||
                           attachments_->ReplaceAttachment(index, entry.fileName, size, target, entry.flag) != 1)) {
                if (!SameFile(entry.path, target)) DeleteCopy(target);
                copied = false;
            }
            if (!copied) {
                ShowError(this, U8("添付ファイルに指定されたファイル「%1」を作業フォルダにコピーできません。\r\n")
                                    .arg(ui::FromSjis(entry.fileName)));
                attachments_->RemoveAttachment(index);
                continue;
            }
        }
        const htmledit::AttachmentEntry& kept = attachments_->GetAt(index);
        list.push_back({kept.fileName, std::to_string(kept.size)});
        ++index;
    }
    ShowAttachmentNames();
}

int TextMailPage::GetAttachmentCount() { return static_cast<int>(attachments_->GetCount()); }

int TextMailPage::GetAttachmentName(int index, std::string& name) {
    if (index < 0 || static_cast<std::size_t>(index) >= attachments_->GetCount()) return 0;
    name = attachments_->GetAt(static_cast<std::size_t>(index)).fileName;
    return 1;
}

int TextMailPage::GetAttachmentSize(int index, std::uint64_t& size) {
    if (index < 0 || static_cast<std::size_t>(index) >= attachments_->GetCount()) return 0;
    size = attachments_->GetAt(static_cast<std::size_t>(index)).size;
    return 1;
}

int TextMailPage::GetAttachmentData(int index, std::size_t bufferSize, char* buffer) {
    if (index < 0 || static_cast<std::size_t>(index) >= attachments_->GetCount()) return 0;
    const htmledit::AttachmentEntry& entry = attachments_->GetAt(static_cast<std::size_t>(index));
    if (bufferSize < entry.size) return 0;
    return ReadWholeFile(entry.path, buffer, static_cast<std::size_t>(entry.size));
}

int TextMailPage::AddAttachmentFromBuffer(const std::string& name, const char* bytes, std::size_t size) {
    if (attachments_->IsCountFull() || attachments_->IsNameUsed(name) || attachments_->IsAddSizeOver(size)) return 0;
    if (GetWorkFolder().empty() || !AttachWriter::IsSafeAttachName(name)) return 0;
    const std::string path = CopyPath(name);
    if (WriteBufferToFile(path, bytes, size) != 1) return 0;
    if (attachments_->AddAttachment(name, size, path, 0) != 1) {
        DeleteCopy(path);
        return 0;
    }
    RecordList().push_back({name, std::to_string(size)});
    ShowAttachmentNames();
    return 1;
}

int TextMailPage::DeleteAttachment(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= attachments_->GetCount()) return 0;
    const htmledit::AttachmentEntry entry = attachments_->GetAt(static_cast<std::size_t>(index));
    if (!DeleteCopy(entry.path)) return 0;
    std::vector<AttachData>& list = RecordList();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->fileName == entry.fileName) {
            list.erase(it);
            break;
        }
    }
    const int removed = attachments_->RemoveAttachment(static_cast<std::size_t>(index));
    ShowAttachmentNames();
    return removed;
}

int TextMailPage::RemoveAllAttachments() {
    for (int index = GetAttachmentCount() - 1; index >= 0; --index) {
        if (DeleteAttachment(index) == 0) return 0;
    }
    return 1;
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
