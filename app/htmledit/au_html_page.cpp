#include "app/htmledit/au_html_page.h"

#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/inline_image_settings.h"

namespace htmledit {

namespace {

// The 25-file rule of both settings, each asking the other at every check.
MobileHtmlSettings AuLinkedSettings() {
    auto attachments = std::make_unique<CAttachmentSettingDlgHtmlAu>();
    auto images = std::make_unique<CInlineImageSettingDlgAu>();
    CAttachmentSettingDlgHtmlAu* files = attachments.get();
    CInlineImageSettingDlgAu* imageSlots = images.get();
    files->SetInlineImageCountSource([imageSlots] { return imageSlots->GetCount(); });
    imageSlots->SetAttachmentCountSource([files] { return static_cast<std::uint32_t>(files->GetCount()); });
    return {std::move(attachments), std::move(images)};
}

}  // namespace

const MobileHtmlRules& CMailEditPageHtmlAu::CarrierRules() {
    static const MobileHtmlRules rules{kIdd, compose::kHtmlPageAu, 2, "au TU-KA", 100, 10000, "img@%03u", 535,
                                       {0, 0, 0, 0}};
    return rules;
}

CMailEditPageHtmlAu::CMailEditPageHtmlAu(QWidget* parent)
    : CMailEditPageHtmlMobileBase(CarrierRules(), AuLinkedSettings(), parent) {}

CInlineImageSettingDlgAu* CMailEditPageHtmlAu::GetInlineImageSettings() const {
    return static_cast<CInlineImageSettingDlgAu*>(InlineSettings());
}

CAttachmentSettingDlgHtmlAu* CMailEditPageHtmlAu::GetAttachmentSettings() const {
    return static_cast<CAttachmentSettingDlgHtmlAu*>(AttachmentSettings());
}

}  // namespace htmledit
