#include "app/htmledit/pc_html_page.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include <cstdio>

#include "app/compose/confirm_dialog.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/compose/text/text_utils.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/eml_import.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

namespace {

QString U8(const char* utf8) { return ui::U8(utf8); }

constexpr std::uint64_t kInlineBytes = 5242880;

QPushButton* MakeButton(QWidget* parent, const char* text, int id) {
    auto* button = ui::SetControlId(new QPushButton(U8(text), parent), id);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CMailEditPageHtmlPc::CMailEditPageHtmlPc(QWidget* parent)
    : CMailEditPageHtmlBase(kIdd, kPartBytes, kPartBytes, kWrapPosition, 0, parent) {
    auto attachments = std::make_unique<CAttachmentSettingDlgHtmlPc>();
    auto inlineImages = std::make_unique<CInlineImageSettingDlgPc>();
    attachmentSettings_ = attachments.get();
    inlineSettings_ = inlineImages.get();
    for (std::size_t i = 0; i < inlineSettings_->GetMaxCount(); ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "%02u", static_cast<unsigned>(i));
        inlineSettings_->SetContentId(i, id);
    }
    BindLimits(std::move(attachments), std::move(inlineImages));

    auto* subjectRow = new QHBoxLayout;
    subjectRow->addWidget(new QLabel(U8("件名"), this));
    subject_ = ui::SetControlId(new compose::SjisLimitedEdit(this, true), kIdcSubject);
    subject_->SetByteLimit(kSubjectBytes);
    subjectRow->addWidget(subject_, 1);
    TopArea()->addLayout(subjectRow);
    auto* buttonRow = new QHBoxLayout;
    QPushButton* eml = MakeButton(this, "emlファイル読み込み(&E)", kIdcEmlImport);
    QPushButton* inlineButton = MakeButton(this, "インライン画像の登録(&I)", kIdcInlineImages);
    QPushButton* unused = MakeButton(this, "未使用インライン画像の削除(&U)", kIdcRemoveUnused);
    for (QPushButton* b : {eml, inlineButton, unused}) buttonRow->addWidget(b);
    buttonRow->addStretch(1);
    TopArea()->addLayout(buttonRow);

    auto* attachRow = new QHBoxLayout;
    attachRow->addWidget(new QLabel(U8("添付ファイル"), this));
    attachNames_ = ui::SetControlId(new QLineEdit(this), kIdcAttachNames);
    attachNames_->setReadOnly(true);
    attachRow->addWidget(attachNames_, 1);
    attachButton_ = MakeButton(this, "添付(&F)", kIdcAttach);
    attachRow->addWidget(attachButton_);
    BottomArea()->addLayout(attachRow);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(U8("メールサイズ"), this));
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
    connect(eml, &QPushButton::clicked, this, &CMailEditPageHtmlPc::ImportEml);
    connect(inlineButton, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnInlineImages);
    connect(unused, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnRemoveUnusedInlineImages);
    connect(attachButton_, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnAttachFiles);
    connect(detail, &QPushButton::clicked, this, &CMailEditPageHtmlPc::OnSizeDetail);
    connect(testButton_, &QPushButton::clicked, this, &CMailEditPageHtmlPc::OnTestSend);
    subject_->installEventFilter(this);
}

CMailEditPageHtmlPc::~CMailEditPageHtmlPc() {
    // Leaves the composing sheet while still whole: the sheet tells its owner of the tab
    // that goes, and the owner asks its pages about themselves then.
    setParent(nullptr);
    disconnect(subject_, nullptr, this, nullptr);
}

int CMailEditPageHtmlPc::PageFormat() const { return compose::kHtmlPagePc; }

bool CMailEditPageHtmlPc::eventFilter(QObject* watched, QEvent* event) {
    if (watched == subject_ && event->type() == QEvent::FocusIn) {
        QTextCursor cursor = subject_->textCursor();
        cursor.clearSelection();
        subject_->setTextCursor(cursor);
        subject_->ensureCursorVisible();
    }
    return CMailEditPageHtmlBase::eventFilter(watched, event);
}

// ---- Opening, loading and saving ------------------------------------------------------------------

void CMailEditPageHtmlPc::OnInitPage() {
    if (initialised_) return;
    initialised_ = true;
    // The parts go into their tabs before the preview first asks the tabs for them.
    LoadFromMail();
    OnInitDialog();
    if (GetComposer() != nullptr && GetComposer()->HasStoredMail()) LoadStoredMail();
    ShowAttachmentNames();
    UpdateMailSizeDisplay();
}

bool CMailEditPageHtmlPc::OnSetActive() {
    if (IsPageFontSet()) {
        QFont font = subject_->font();
        font.setFamilies(ui::ToQFont(PageFont()).families());
        subject_->setFont(font);
    }
    return true;
}

void CMailEditPageHtmlPc::LoadFromMail() {
    if (PageAttachmentFiles() != nullptr) PageAttachmentFiles()->Load();
    std::string text;
    if (GetTextBody(text) == 1) SetTextPart(text);
    if (GetHtmlBody(text) == 1) SetHtmlPart(text);
}

void CMailEditPageHtmlPc::LoadStoredMail() {
    compose::MailComposer* composer = GetComposer();
    const OneMail& record = composer->MailRecord();
    SetSubject(record.subject[0]);
    std::string text;
    std::string html;
    std::vector<MimeFormatStruct> storedParts;
    NormalisedInlineParts images;
    if (SplitStoredMessage(record.body[0], text, html, storedParts)) {
        std::vector<std::string> ids;
        for (const InlineImageSlot& slot : inlineSettings_->GetSlots()) ids.push_back(slot.contentId);
        images = NormaliseStoredInlineParts(storedParts, ids, kInlineBytes);
    }
    if (!images.dropped.empty()) {
        QString list;
        for (const std::string& line : images.dropped) list += U8("\r\n　") + ui::FromSjis(line);
        ui::MessageBox(this,
                       U8("保存されているメールの以下のインライン画像は、PC向けメールに設定できないため読み込みませんでした。") +
                           U8("\r\n") + list,
                       U8("注意"), platform::kMbOk | platform::kMbIconWarning);
    }
    SetTextPart(text);
    SetHtmlPart(RewriteCidReferences(html, images.renames));
    SetInlineParts(images.parts);
    FillSlotsFromInlineParts();
    if (AttachmentsNotSent()) RemoveAllAttachments();
    ShowAttachmentNames();
    RefreshInlineList();
    UpdatePreview();
}

bool CMailEditPageHtmlPc::SaveToMail() {
    compose::MailComposer* composer = GetComposer();
    if (composer == nullptr) return false;
    std::string text;
    if (GetMimeText(text) == 0) {
        ShowError(U8("PC向けHTMLメールのデータを作成できませんでした。"));
        return false;
    }
    OneMail& record = composer->MailRecord();
    record.subject[0] = GetSubject();
    record.body[0] = std::move(text);
    return true;
}

std::string CMailEditPageHtmlPc::GetSubject() const { return subject_->GetSjisText(); }

void CMailEditPageHtmlPc::SetSubject(const std::string& subject) {
    subject_->SetSjisText(CutToMaximum(subject, kSubjectBytes));
}

int CMailEditPageHtmlPc::GetMimeText(std::string& out) {
    SetTextBody(TextPart());
    SetHtmlBody(HtmlPart());
    return CMailEditPageHtmlBase::GetMimeText(out);
}

int CMailEditPageHtmlPc::BuildTestMime(const OneCustomer& record, std::string& header, std::string& body) {
    return BuildTestMimeForTerminal(0, record, header, body);
}

// ---- Controls ---------------------------------------------------------------------------------------

void CMailEditPageHtmlPc::ShowAttachmentNames() {
    attachNames_->setText(PageAttachmentFiles() != nullptr ? PageAttachmentFiles()->NamesText() : QString());
}

void CMailEditPageHtmlPc::DisableAttachmentControls() {
    attachButton_->setEnabled(false);
    attachNames_->setEnabled(false);
}

void CMailEditPageHtmlPc::EnableTestButton(bool enable) { testButton_->setEnabled(enable); }

void CMailEditPageHtmlPc::UpdateMailSizeDisplay() {
    const std::uint64_t total = PartsAndFilesSize() + subject_->GetByteCount();
    totalSize_->setText(QString::fromStdString(compose::FormatNumberWithCommas(total)));
}

void CMailEditPageHtmlPc::OnSizeDetail() { ShowSizeDetail('Y', compose::kKindHtmlPc, 0, GetSubject()); }

void CMailEditPageHtmlPc::OnTestSend() {
    compose::MailComposer* composer = GetComposer();
    if (composer == nullptr || !composer->CheckComposedMail('Y', compose::kKindHtmlPc)) return;
    TestSend(0, 0, subject_);
}

// ---- .eml import ------------------------------------------------------------------------------------

void CMailEditPageHtmlPc::ImportEml() {
    if (emlOpenPending_) {
        compose::CConfirmDialog confirm(this);
        confirm.SetKeyName(QStringLiteral("EMLOPEN"));
        confirm.SetCaption(U8("確認"));
        confirm.SetMessage(U8("emlファイルを読み込むと、編集中の内容は破棄されます。"));
        confirm.SetStyle(compose::CConfirmDialog::kStyleOkCancel | compose::CConfirmDialog::kStyleQuestion);
        if (confirm.DoModal() != platform::kIdOk) return;
        emlOpenPending_ = false;
    }
    ui::FileRequest request;
    request.filter = U8("emlファイル(*.eml)|*.eml||");
    request.fileMustExist = true;
    const std::optional<QString> chosen = ui::CurrentFilePicker().PickFile(this, request);
    if (!chosen) return;
    std::string fileText;
    switch (ReadEmlFile(ui::ToPath(*chosen), fileText)) {
        case 1: break;
        case 0: ShowError(U8("ファイル情報の取得に失敗しました。")); return;
        default:
            ShowError(U8("このemlファイルの形式は正しくありません。\r\n確認の上、再度、Outlook Expressを利用して作り直してください。"));
            return;
    }
    EmlImportLimits limits;
    for (const InlineImageSlot& slot : inlineSettings_->GetSlots()) limits.slotIds.push_back(slot.contentId);
    limits.inlineBytes = inlineSettings_->GetMaxBytes();
    limits.attachmentCount = attachmentSettings_->GetMaxCount();
    limits.attachmentBytes = attachmentSettings_->GetMaxBytes();
    limits.attachmentsNotSent = AttachmentsNotSent();
    std::optional<EmlImportPlan> plan = AnalyseEmlImport(this, fileText, limits);
    if (!plan) return;
    CommitEmlImport(*plan);
}

bool CMailEditPageHtmlPc::CommitEmlImport(EmlImportPlan& plan) {
    // The attachments first: the one step that can fail, done before anything else changes.
    std::string failedName;
    switch (PageAttachmentFiles()->ReplaceAll(plan.attachments, failedName)) {
        case HtmlPageAttachments::ReplaceResult::kDone: break;
        case HtmlPageAttachments::ReplaceResult::kClearFailed:
            ShowError(U8("添付ファイル情報のクリアに失敗しました。\r\n"));
            ShowAttachmentNames();
            UpdateMailSizeDisplay();
            return false;
        case HtmlPageAttachments::ReplaceResult::kWriteFailed:
            ShowError(U8("emlファイル内の添付ファイル「%1」をVarnisに登録できませんでした。").arg(ui::FromSjis(failedName)));
            ShowAttachmentNames();
            UpdateMailSizeDisplay();
            return false;
    }
    SetSubject(plan.subject);
    SetTextPart(plan.text);
    SetHtmlPart(plan.html);
    SetInlineParts(plan.inlineParts);
    FillSlotsFromInlineParts();
    ShowAttachmentNames();
    RefreshInlineList();
    UpdateMailSizeDisplay();
    UpdatePreview();
    return true;
}

}  // namespace htmledit
