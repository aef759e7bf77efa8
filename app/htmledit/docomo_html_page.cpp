#include "app/htmledit/docomo_html_page.h"

#include <QHBoxLayout>
#include <QPushButton>


#include "app/compose/confirm_dialog.h"
#include "app/mailtext/text_utils.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/au_html_page.h"
#include "app/htmledit/deco_template_import.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_cid_references.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/softbank_html_page.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

namespace {

using ui::U8;

MobileHtmlSettings DocomoSettings() {
    return {std::make_unique<CAttachmentSettingDlgHtmlDocomo>(), std::make_unique<CInlineImageSettingDlgDocomo>()};
}

// The limits of the pages the reflection fills.
constexpr const char* kAu = "au TU-KA";
constexpr const char* kSoftbank = "SoftBank";
constexpr std::uint64_t kAuAttachmentBytes = 512000;
constexpr int kAuAttachmentKBytes = 500;
constexpr std::uint64_t kAuInlineBytes = 143600;
constexpr std::uint64_t kAuInlineFileBytes = 15360;
constexpr int kAuInlineFileKBytes = 15;
constexpr std::uint64_t kAuFiles = 25;
constexpr std::uint64_t kSoftbankSharedBytes = 256000;
constexpr std::uint64_t kSoftbankSharedKBytes = 250;

}  // namespace

const MobileHtmlRules& CMailEditPageHtmlDocomo::CarrierRules() {
    static const MobileHtmlRules rules{kIdd, compose::kHtmlPageDocomo, 1, "NTT DoCoMo", 30, 10000, "%02u", 333,
                                       {0, 0, 0, 0}};
    return rules;
}

CMailEditPageHtmlDocomo::CMailEditPageHtmlDocomo(QWidget* parent)
    : CMailEditPageHtmlMobileBase(CarrierRules(), DocomoSettings(), parent) {
    QPushButton* load = MakePageButton(this, "テンプレート読み込み(&Y)", kIdcTemplate);
    QPushButton* reflect = MakePageButton(this, "他キャリアにも反映(&O)", kIdcReflect);
    // Before the row's closing stretch.
    const int at = ButtonRow()->count() - 1;
    ButtonRow()->insertWidget(at, load);
    ButtonRow()->insertWidget(at + 1, reflect);
    connect(load, &QPushButton::clicked, this, &CMailEditPageHtmlDocomo::ImportTemplate);
    connect(reflect, &QPushButton::clicked, this, &CMailEditPageHtmlDocomo::ReflectToOtherCarriers);
}

void CMailEditPageHtmlDocomo::OnInitPage() {
    reflectionQuestionPending_ = true;
    CMailEditPageHtmlMobileBase::OnInitPage();
}

CInlineImageSettingDlgDocomo* CMailEditPageHtmlDocomo::GetInlineImageSettings() const {
    return static_cast<CInlineImageSettingDlgDocomo*>(InlineSettings());
}

CAttachmentSettingDlgHtmlDocomo* CMailEditPageHtmlDocomo::GetAttachmentSettings() const {
    return static_cast<CAttachmentSettingDlgHtmlDocomo*>(AttachmentSettings());
}

// ---- Template import ---------------------------------------------------------------------------------

void CMailEditPageHtmlDocomo::ImportTemplate() {
    if (templateQuestionPending_) {
        compose::CConfirmDialog confirm(this);
        confirm.SetKeyName(QStringLiteral("DMTOPEN"));
        confirm.SetDialogSize(140, 480);
        confirm.SetCaption(U8("確認"));
        confirm.SetMessage(U8("デコメールテンプレートファイルを読み込むと、編集中の内容は破棄されます。"));
        confirm.SetStyle(compose::CConfirmDialog::kStyleOkCancel | compose::CConfirmDialog::kStyleQuestion);
        if (confirm.DoModal() != platform::kIdOk) return;
        templateQuestionPending_ = false;
    }
    ui::FileRequest request;
    request.filter = U8("デコメールテンプレート(*.dmt)|*.dmt||");
    request.defaultExt = QStringLiteral("dmt");
    request.fileMustExist = true;
    const std::optional<QString> chosen = ui::CurrentFilePicker().PickFile(this, request);
    if (!chosen) return;
    std::string fileBytes;
    switch (ReadTemplateFile(ui::ToPath(*chosen), fileBytes)) {
        case 1: break;
        case 0: ShowError(U8("ファイル情報の取得に失敗しました。")); return;
        default: ShowTemplateFormatFault(this); return;
    }
    DecoTemplateLimits limits;
    for (const InlineImageSlot& slot : InlineSettings()->GetSlots()) limits.slotIds.push_back(slot.contentId);
    limits.inlineBytes = InlineSettings()->GetMaxBytes();
    limits.htmlBytes = Rules().partBytes;
    std::optional<DecoTemplatePlan> plan = AnalyseDecoTemplate(this, fileBytes, limits);
    if (!plan) return;

    // The attachments first: the one step that can fail, done before anything else changes.
    if (RemoveAllAttachments() == 0) {
        ShowError(U8("添付ファイル情報のクリアに失敗しました。\r\n"));
        ShowAttachmentNames();
        UpdateMailSizeDisplay();
        return;
    }
    ShowAttachmentNames();
    SetSubject(std::string());
    SetTextPart(std::string());
    SetHtmlPart(plan->html);
    SetInlineParts(plan->inlineParts);
    FillSlotsFromInlineParts();
    RefreshInlineList();
    UpdateMailSizeDisplay();
    UpdatePreview();
}

// ---- Reflection into the au TU-KA and SoftBank pages -------------------------------------------------

std::string CMailEditPageHtmlDocomo::HtmlForAu(const std::string& html) {
    return AuHtmlFromDocomo(html, InlineImages());
}

std::optional<bool> CMailEditPageHtmlDocomo::CheckReflectionLimits() {
    auto caution = [this](const QString& text) {
        ui::MessageBox(this, text, U8("注意"), platform::kMbOk | platform::kMbIconWarning);
    };
    const QString au = QString::fromLatin1(kAu);
    const QString softbank = QString::fromLatin1(kSoftbank);
    std::uint64_t attachmentBytes = PageAttachmentFiles()->TotalSize();
    std::uint64_t attachmentCount = static_cast<std::uint64_t>(GetAttachmentCount());
    bool withAttachments = true;
    if (attachmentBytes > kAuAttachmentBytes) {
        const QString question =
            U8("%1向けメールに添付可能なファイルの合計サイズは%2Kバイトまでです。\r\n").arg(au).arg(kAuAttachmentKBytes) +
            U8("[OK]ボタンをクリックすると添付ファイル以外の情報が%1向けメールに反映されます。").arg(au);
        if (ui::MessageBox(this, question, U8("確認"), platform::kMbOkCancel | platform::kMbIconQuestion) !=
            platform::kIdOk)
            return std::nullopt;
        // Attachments that stay behind take no room in the other pages.
        withAttachments = false;
        attachmentBytes = 0;
        attachmentCount = 0;
    }
    const std::vector<compose::PageFileEntry> images = InlineImages();
    std::uint64_t inlineBytes = 0;
    for (const compose::PageFileEntry& image : images) inlineBytes += image.size;
    if (inlineBytes > kAuInlineBytes) {
        caution(U8("インライン画像の合計サイズが%1バイトを超えるため、%2向けメールに反映できません。\r\n")
                    .arg(kAuInlineBytes)
                    .arg(au) +
                U8("%1向けメールには合計%2バイトまでのインライン画像を設定可能です。").arg(au).arg(kAuInlineBytes));
        return std::nullopt;
    }
    for (const compose::PageFileEntry& image : images) {
        if (image.size <= kAuInlineFileBytes) continue;
        caution(U8("インライン画像に%1Kバイトより大きいサイズの画像が含まれているため、%2向けメールに反映できません。\r\n")
                    .arg(kAuInlineFileKBytes)
                    .arg(au) +
                U8("%1向けメールには1ファイル当たり%2Kバイトまでのインライン画像を設定可能です。").arg(au).arg(kAuInlineFileKBytes));
        return std::nullopt;
    }
    if (attachmentCount + images.size() > kAuFiles) {
        caution(U8("インライン画像数と添付ファイル数の合計が%1を超えるため、%2向けメールに反映できません。\r\n")
                    .arg(kAuFiles)
                    .arg(au) +
                U8("%1向けメールにはインライン画像数と添付ファイル数は合計%2ファイルまで設定可能です。").arg(au).arg(kAuFiles));
        return std::nullopt;
    }
    if (inlineBytes + attachmentBytes > kSoftbankSharedBytes) {
        caution(U8("インライン画像、添付ファイルの合計サイズが%1Kバイトを超えるため、%2向けメールに反映できません。\r\n")
                    .arg(kSoftbankSharedKBytes)
                    .arg(softbank) +
                U8("%1向けメールでは、合計%2Kバイト（%3バイト）までのインライン画像、添付ファイルを設定可能です。")
                    .arg(softbank,
                         QString::fromStdString(compose::FormatNumberWithCommas(kSoftbankSharedKBytes)),
                         QString::fromStdString(compose::FormatNumberWithCommas(kSoftbankSharedBytes))));
        return std::nullopt;
    }
    // A part the other page could not hold whole would be cut there; the au TU-KA HTML part
    // grows by its longer image references.
    struct Target {
        const MobileHtmlRules& rules;
        std::size_t html;
    };
    const Target targets[] = {{CMailEditPageHtmlAu::CarrierRules(), HtmlForAu(HtmlPart()).size()},
                              {CMailEditPageHtmlSoftbank::CarrierRules(), HtmlPartPage()->GetByteCount()}};
    for (const Target& target : targets) {
        const QString name = QString::fromLatin1(target.rules.caption);
        const auto limit = static_cast<qulonglong>(target.rules.partBytes);
        const char* part = nullptr;
        if (target.html > target.rules.partBytes) {
            part = "HTML";
        } else if (TextPartPage()->GetByteCount() > target.rules.partBytes) {
            part = "TEXT";
        }
        if (part == nullptr) continue;
        caution(U8("%1パートの文字数が半角%2文字を超えるため、%3向けメールに反映できません。\r\n")
                    .arg(QString::fromLatin1(part))
                    .arg(limit)
                    .arg(name) +
                U8("%1向けHTMLメールの%2パートには半角%3文字(全角%4文字)まで設定可能です。")
                    .arg(name, QString::fromLatin1(part))
                    .arg(limit)
                    .arg(limit / 2));
        return std::nullopt;
    }
    return withAttachments;
}

void CMailEditPageHtmlDocomo::ReflectToOtherCarriers() {
    compose::MailComposer* composer = GetComposer();
    if (composer == nullptr) return;
    if (reflectionQuestionPending_) {
        compose::CConfirmDialog confirm(this);
        confirm.SetKeyName(QStringLiteral("MAILREFLECT"));
        confirm.SetDialogSize(185, 510);
        confirm.SetCaption(U8("確認"));
        confirm.SetMessage(U8("以下の情報を携帯2キャリア(au TU-KA、Softbank)向けメールに反映しますか？\r\n\r"
                              "　・件名\r\n　・本文\r\n　・添付ファイル\r\n　・インライン画像\r\n"));
        confirm.SetStyle(compose::CConfirmDialog::kStyleOkCancel | compose::CConfirmDialog::kStyleQuestion);
        if (confirm.DoModal() != platform::kIdOk) return;
        reflectionQuestionPending_ = false;
    }
    const std::optional<bool> withAttachments = CheckReflectionLimits();
    if (!withAttachments) return;
    const std::string subject = GetSubject();
    const std::string html = HtmlPart();
    const std::string text = TextPart();
    if (!composer->ClearReflectedAttachments()) return;
    if (!composer->ReflectAttachments(*this, *withAttachments)) return;
    composer->ReflectInlineImages(subject, html, text);
    composer->ResetHtmlPages();
    composer->RefreshHtmlPages();
}

}  // namespace htmledit
