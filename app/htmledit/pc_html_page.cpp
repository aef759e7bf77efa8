#include "app/htmledit/pc_html_page.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

#include "app/compose/confirm_dialog.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/mailtext/text_utils.h"
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

using ui::U8;

constexpr std::uint64_t kInlineBytes = 5242880;

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

    AddSubjectRow(kSubjectBytes);
    auto* buttonRow = new QHBoxLayout;
    QPushButton* eml = MakePageButton(this, "emlファイル読み込み(&E)", kIdcEmlImport);
    buttonRow->addWidget(eml);
    AddInlineImageButtons(buttonRow);
    buttonRow->addStretch(1);
    TopArea()->addLayout(buttonRow);
    AddAttachmentAndSizeRows(0, kIdcAttach, "メールサイズ", 0);
    connect(eml, &QPushButton::clicked, this, &CMailEditPageHtmlPc::ImportEml);
}

CMailEditPageHtmlPc::~CMailEditPageHtmlPc() {
    // Leaves the composing sheet while still whole: the sheet tells its owner of the tab
    // that goes, and the owner asks its pages about themselves then.
    setParent(nullptr);
    disconnect(SubjectEdit(), nullptr, this, nullptr);
}

int CMailEditPageHtmlPc::PageFormat() const { return compose::kHtmlPagePc; }

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

// ---- Controls ---------------------------------------------------------------------------------------

void CMailEditPageHtmlPc::OnSizeDetail() { ShowSizeDetail('Y', compose::kKindHtmlPc, 0, GetSubject()); }

void CMailEditPageHtmlPc::OnTestSend() {
    compose::MailComposer* composer = GetComposer();
    if (composer == nullptr || !composer->CheckComposedMail('Y', compose::kKindHtmlPc)) return;
    TestSend(0, 0, SubjectEdit());
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
