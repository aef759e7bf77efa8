#pragma once
// CMailEditPageHtmlSoftbank (dialog 2014, "SoftBank"): the composing dialog's page for HTML
// mail to SoftBank phones, on the mobile HTML page base (mobile_html_page_base.h), with the
// carrier's rules: a subject of 512 bytes, TEXT and HTML parts of 30,720 bytes each, 40
// inline slots "00" to "39" and 20 attachments, images and attachments together at most
// 256,000 bytes. Each of the two settings asks the other for its current total at every
// check, so a stored mail's attachments count against a new image from the start.

#include <memory>

#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mobile_html_page_base.h"

namespace htmledit {

class CAttachmentSettingDlgHtmlSoftbank;

class CMailEditPageHtmlSoftbank : public CMailEditPageHtmlMobileBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 2014;
    static const MobileHtmlRules& CarrierRules();

    explicit CMailEditPageHtmlSoftbank(QWidget* parent = nullptr);

    CInlineImageSettingDlgSoftbank* GetInlineImageSettings() const override;
    CAttachmentSettingDlgHtmlSoftbank* GetAttachmentSettings() const;
};

}  // namespace htmledit
