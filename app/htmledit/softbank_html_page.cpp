#include "app/htmledit/softbank_html_page.h"

#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/inline_image_settings.h"

namespace htmledit {

namespace {

// The 256,000 bytes the images and attachments share, each side asking the other at every
// check.
MobileHtmlSettings SoftbankLinkedSettings() {
    auto attachments = std::make_unique<CAttachmentSettingDlgHtmlSoftbank>();
    auto images = std::make_unique<CInlineImageSettingDlgSoftbank>();
    CAttachmentSettingDlgHtmlSoftbank* files = attachments.get();
    CInlineImageSettingDlgSoftbank* imageSlots = images.get();
    files->SetInlineTotalSource([imageSlots] { return imageSlots->GetTotalSize(); });
    imageSlots->SetAttachmentTotalSource([files] { return files->GetTotalSize(); });
    return {std::move(attachments), std::move(images)};
}

}  // namespace

const MobileHtmlRules& CMailEditPageHtmlSoftbank::CarrierRules() {
    // SoftBank draws its last four pictograms from drawings outside its run.
    static const MobileHtmlRules rules{kIdd, compose::kHtmlPageSoftbank, 3, "SoftBank", 512, 30720, "%02u", 737,
                                       {533, 534, 735, 736}};
    return rules;
}

CMailEditPageHtmlSoftbank::CMailEditPageHtmlSoftbank(QWidget* parent)
    : CMailEditPageHtmlMobileBase(CarrierRules(), SoftbankLinkedSettings(), parent) {}

CInlineImageSettingDlgSoftbank* CMailEditPageHtmlSoftbank::GetInlineImageSettings() const {
    return static_cast<CInlineImageSettingDlgSoftbank*>(InlineSettings());
}

CAttachmentSettingDlgHtmlSoftbank* CMailEditPageHtmlSoftbank::GetAttachmentSettings() const {
    return static_cast<CAttachmentSettingDlgHtmlSoftbank*>(AttachmentSettings());
}

}  // namespace htmledit
