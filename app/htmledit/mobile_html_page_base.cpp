#include "app/htmledit/mobile_html_page_base.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include <cstdio>

#include "app/compose/sjis_limited_edit.h"
#include "app/compose/text/pictogram_table_data.h"
#include "app/compose/text/text_utils.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

namespace {

QString U8(const char* utf8) { return ui::U8(utf8); }

QPushButton* MakeButton(QWidget* parent, const char* text, int id) {
    auto* button = ui::SetControlId(new QPushButton(U8(text), parent), id);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

compose::PictogramList CMailEditPageHtmlMobileBase::MakePictogramList(const MobileHtmlRules& rules) {
    compose::PictogramList list;
    const std::size_t tail = kPaletteSize - rules.lastBitmaps.size();
    for (std::size_t p = 0; p < kPaletteSize; ++p) {
        int bitmap = rules.firstBitmap + static_cast<int>(p);
        if (p >= tail && rules.lastBitmaps[p - tail] != 0) bitmap = rules.lastBitmaps[p - tail];
        list.Add(compose::PictogramEntry(compose::pictogram_data::kCommon[p].docomo, bitmap));
    }
    return list;
}

CMailEditPageHtmlMobileBase::CMailEditPageHtmlMobileBase(const MobileHtmlRules& rules, MobileHtmlSettings settings,
                                                         QWidget* parent)
    : CMailEditPageHtmlBase(rules.resourceId, rules.partBytes, rules.partBytes, kWrapPosition, 0, parent),
      rules_(rules) {
    for (std::size_t i = 0; i < settings.inlineImages->GetMaxCount(); ++i) {
        char id[32];
        std::snprintf(id, sizeof id, rules_.contentIdFormat, static_cast<unsigned>(i));
        settings.inlineImages->SetContentId(i, id);
    }
    BindLimits(std::move(settings.attachments), std::move(settings.inlineImages));

    auto* subjectRow = new QHBoxLayout;
    subjectRow->addWidget(new QLabel(U8("件名"), this));
    subject_ = ui::SetControlId(new compose::SjisLimitedEdit(this, true), kIdcSubject);
    subject_->SetByteLimit(rules_.subjectBytes);
    subjectRow->addWidget(subject_, 1);
    TopArea()->addLayout(subjectRow);
    buttonRow_ = new QHBoxLayout;
    QPushButton* inlineButton = MakeButton(this, "インライン画像の登録(&I)", kIdcInlineImages);
    QPushButton* unused = MakeButton(this, "未使用インライン画像の削除(&U)", kIdcRemoveUnused);
    QPushButton* pictogram = MakeButton(this, "絵文字(&P)", kIdcPictogram);
    for (QPushButton* b : {inlineButton, unused, pictogram}) buttonRow_->addWidget(b);
    buttonRow_->addStretch(1);
    TopArea()->addLayout(buttonRow_);

    auto* attachRow = new QHBoxLayout;
    attachRow->addWidget(ui::SetControlId(new QLabel(U8("添付ファイル"), this), kIdcAttachLabel));
    attachNames_ = ui::SetControlId(new QLineEdit(this), kIdcAttachNames);
    attachNames_->setReadOnly(true);
    attachRow->addWidget(attachNames_, 1);
    attachButton_ = MakeButton(this, "添付(&F)", kIdcAttach);
    attachRow->addWidget(attachButton_);
    BottomArea()->addLayout(attachRow);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(ui::SetControlId(new QLabel(U8("メール合計サイズ"), this), kIdcSizeLabel));
    totalSize_ = ui::SetControlId(new QLabel(QStringLiteral("00000"), this), kIdcTotalSize);
    totalSize_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    totalSize_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00,000,000")));
    sizeRow->addWidget(totalSize_);
    sizeRow->addWidget(new QLabel(U8("バイト"), this));
    QPushButton* detail = MakeButton(this, "詳細(&M)", kIdcSizeDetail);
    sizeRow->addWidget(detail);
    sizeRow->addStretch(1);
    testButton_ = MakeButton(this, "テスト送信(&T)", kIdcTestSend);
    sizeRow->addWidget(testButton_);
    BottomArea()->addLayout(sizeRow);

    connect(subject_, &QPlainTextEdit::textChanged, this, [this] { UpdateMailSizeDisplay(); });
    connect(inlineButton, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnInlineImages);
    connect(unused, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnRemoveUnusedInlineImages);
    connect(pictogram, &QPushButton::clicked, this, &CMailEditPageHtmlMobileBase::OnPictogramButton);
    connect(attachButton_, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnAttachFiles);
    connect(detail, &QPushButton::clicked, this, &CMailEditPageHtmlMobileBase::OnSizeDetail);
    connect(testButton_, &QPushButton::clicked, this, &CMailEditPageHtmlMobileBase::OnTestSend);
    subject_->installEventFilter(this);
}

CMailEditPageHtmlMobileBase::~CMailEditPageHtmlMobileBase() {
    // Leaves the composing sheet while still whole (the sheet asks its pages about
    // themselves as a tab goes), and the palette goes before the page it reports to.
    setParent(nullptr);
    disconnect(subject_, nullptr, this, nullptr);
    delete pictogramDialog_;
    pictogramDialog_ = nullptr;
}

bool CMailEditPageHtmlMobileBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == subject_) {
        if (event->type() == QEvent::FocusIn) {
            QTextCursor cursor = subject_->textCursor();
            cursor.clearSelection();
            subject_->setTextCursor(cursor);
            subject_->ensureCursorVisible();
        } else if (event->type() == QEvent::FocusOut) {
            lastEdit_ = kLastEditSubject;
        }
    }
    return CMailEditPageHtmlBase::eventFilter(watched, event);
}

// ---- Opening, loading and saving ------------------------------------------------------------------

void CMailEditPageHtmlMobileBase::OnInitPage() {
    if (initialised_) return;
    initialised_ = true;
    // The parts go into their tabs before the preview first asks the tabs for them.
    LoadFromMail();
    FillPictogramList();
    OnInitDialog();
    HtmlPartPage()->SetNotifyWindow([this](int which) { lastEdit_ = which; });
    TextPartPage()->SetNotifyWindow([this](int which) { lastEdit_ = which; });
    if (GetComposer() != nullptr && GetComposer()->HasStoredMail()) LoadStoredMail();
    ShowAttachmentNames();
    UpdateMailSizeDisplay();
}

bool CMailEditPageHtmlMobileBase::OnSetActive() {
    if (IsPageFontSet()) {
        QFont font = subject_->font();
        font.setFamilies(ui::ToQFont(PageFont()).families());
        subject_->setFont(font);
    }
    return true;
}

bool CMailEditPageHtmlMobileBase::OnKillActive() {
    const bool mayLeave = CMailEditPageHtmlBase::OnKillActive();
    if (mayLeave && pictogramDialog_ != nullptr) pictogramDialog_->hide();
    return mayLeave;
}

void CMailEditPageHtmlMobileBase::LoadFromMail() {
    if (PageAttachmentFiles() != nullptr) PageAttachmentFiles()->Load();
    std::string text;
    if (GetTextBody(text) == 1) SetTextPart(text);
    if (GetHtmlBody(text) == 1) SetHtmlPart(text);
}

void CMailEditPageHtmlMobileBase::LoadStoredMail() {
    const OneMail& record = GetComposer()->MailRecord();
    const auto slot = static_cast<std::size_t>(rules_.terminal);
    SetSubject(record.subject[slot]);
    std::string text;
    std::string html;
    std::vector<MimeFormatStruct> parts;
    SplitStoredMessage(record.body[slot], text, html, parts);
    SetTextPart(text);
    SetHtmlPart(html);
    SetInlineParts(parts);
    const std::vector<std::string> passedOver = FillSlotsFromInlineParts();
    if (!passedOver.empty()) {
        // They stay in the mail as they were stored; only the image list cannot show them.
        QString list;
        for (const std::string& line : passedOver) list += U8("\r\n　") + ui::FromSjis(line);
        ui::MessageBox(this,
                       U8("保存されているメールの以下のインライン画像は、%1向けメールのインライン画像として登録できませんでした。")
                               .arg(PageCaption()) +
                           U8("\r\n") + list,
                       U8("注意"), platform::kMbOk | platform::kMbIconWarning);
    }
    if (AttachmentsNotSent()) RemoveAllAttachments();
    ShowAttachmentNames();
    RefreshInlineList();
    UpdatePreview();
}

bool CMailEditPageHtmlMobileBase::SaveToMail() {
    compose::MailComposer* composer = GetComposer();
    if (composer == nullptr) return false;
    std::string text;
    if (GetMimeText(text) == 0) {
        ShowError(U8("%1向けHTMLメールのデータを作成できませんでした。").arg(PageCaption()));
        return false;
    }
    OneMail& record = composer->MailRecord();
    const auto slot = static_cast<std::size_t>(rules_.terminal);
    record.subject[slot] = GetSubject();
    record.body[slot] = std::move(text);
    return true;
}

std::string CMailEditPageHtmlMobileBase::GetSubject() const { return subject_->GetSjisText(); }

void CMailEditPageHtmlMobileBase::SetSubject(const std::string& subject) {
    subject_->SetSjisText(CutToMaximum(subject, rules_.subjectBytes));
}

int CMailEditPageHtmlMobileBase::GetMimeText(std::string& out) {
    SetTextBody(TextPart());
    SetHtmlBody(HtmlPart());
    return CMailEditPageHtmlBase::GetMimeText(out);
}

int CMailEditPageHtmlMobileBase::BuildTestMime(const OneCustomer& record, std::string& header, std::string& body) {
    return BuildTestMimeForTerminal(rules_.terminal, record, header, body);
}

// ---- Pictograms ---------------------------------------------------------------------------------------

void CMailEditPageHtmlMobileBase::FillPictogramList() {
    if (pictogramDialog_ != nullptr) return;
    pictogramDialog_ = new compose::CPictogramDialog(this);
    pictogramDialog_->SetPictogramList(MakePictogramList(rules_));
    connect(pictogramDialog_, &compose::CPictogramDialog::pictogramChosen, this, [this] {
        if (compose::MailComposer* composer = GetComposer()) {
            composer->ForwardInsertText();
        } else {
            InsertPictogram();
        }
    });
}

void CMailEditPageHtmlMobileBase::InsertPictogram() {
    if (pictogramDialog_ == nullptr) return;
    const std::string code = pictogramDialog_->GetSelectedCode();
    if (code.empty()) return;
    // The palette handed the focus back to the composing window: its focus is the edit the
    // user was in, or the choice belongs nowhere.
    QWidget* focused = window()->focusWidget();
    if (focused != subject_ && focused != TextPartPage()->Edit() && focused != HtmlPartPage()->Edit()) return;
    switch (lastEdit_) {
        case kLastEditSubject: InsertPictogramIntoSubject(code); break;
        case kLastEditText:
            if (IsTextPartActive()) TextPartPage()->OnInsertText(code);
            break;
        case kLastEditHtml:
            if (IsHtmlPartActive()) HtmlPartPage()->OnInsertText(code);
            break;
        default: break;
    }
}

void CMailEditPageHtmlMobileBase::InsertPictogramIntoSubject(const std::string& text) {
    std::size_t start = 0;
    std::size_t end = 0;
    subject_->GetSjisSelection(start, end);
    if (subject_->GetByteCount() - (end - start) + text.size() > rules_.subjectBytes) return;
    subject_->SetSjisSelection(start, end);
    if (!subject_->InsertSjis(text)) return;
    subject_->SetSjisSelection(start + text.size(), start + text.size());
    subject_->ensureCursorVisible();
    subject_->setFocus();
}

void CMailEditPageHtmlMobileBase::SetFocusToLastEdit() {
    switch (lastEdit_) {
        case kLastEditText: TextPartPage()->Edit()->setFocus(); break;
        case kLastEditHtml: HtmlPartPage()->Edit()->setFocus(); break;
        default:
            lastEdit_ = kLastEditSubject;
            subject_->setFocus();
            break;
    }
}

void CMailEditPageHtmlMobileBase::OnPictogramButton() {
    SetFocusToLastEdit();
    FillPictogramList();
    pictogramDialog_->show();
    pictogramDialog_->raise();
}

// ---- Controls -----------------------------------------------------------------------------------------

void CMailEditPageHtmlMobileBase::ShowAttachmentNames() {
    attachNames_->setText(PageAttachmentFiles() != nullptr ? PageAttachmentFiles()->NamesText() : QString());
}

void CMailEditPageHtmlMobileBase::DisableAttachmentControls() {
    attachButton_->setEnabled(false);
    attachNames_->setEnabled(false);
}

void CMailEditPageHtmlMobileBase::EnableTestButton(bool enable) { testButton_->setEnabled(enable); }

void CMailEditPageHtmlMobileBase::UpdateMailSizeDisplay() {
    const std::uint64_t total = PartsAndFilesSize() + subject_->GetByteCount();
    totalSize_->setText(QString::fromStdString(compose::FormatNumberWithCommas(total)));
}

void CMailEditPageHtmlMobileBase::OnSizeDetail() { ShowSizeDetail('M', rules_.format, rules_.terminal, GetSubject()); }

void CMailEditPageHtmlMobileBase::OnTestSend() {
    compose::MailComposer* composer = GetComposer();
    if (composer == nullptr || !composer->CheckComposedMail('M', rules_.format)) return;
    TestSend(1, rules_.terminal, subject_);
}

}  // namespace htmledit
