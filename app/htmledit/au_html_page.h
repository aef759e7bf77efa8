#pragma once
// CMailEditPageHtmlAu (dialog 2013, "au TU-KA"): the composing dialog's page for HTML mail
// to au TU-KA phones, on the mobile HTML page base (mobile_html_page_base.h), with the
// carrier's rules: a subject of 100 bytes, TEXT and HTML parts of 10,000 bytes each, 20
// inline slots "img@000" to "img@019" (143,600 bytes, 15,360 bytes a file) and attachments
// of 512,000 bytes, images and attachments together at most 25 files. Each of the two
// settings asks the other for its current number of files at every check.

#include <memory>

#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mobile_html_page_base.h"

namespace htmledit {

class CAttachmentSettingDlgHtmlAu;

class CMailEditPageHtmlAu : public CMailEditPageHtmlMobileBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 2013;
    static const MobileHtmlRules& CarrierRules();

    explicit CMailEditPageHtmlAu(QWidget* parent = nullptr);

    CInlineImageSettingDlgAu* GetInlineImageSettings() const override;
    CAttachmentSettingDlgHtmlAu* GetAttachmentSettings() const;
};

}  // namespace htmledit
