#pragma once
// CMailEditPageHtmlDocomo (dialog 2009, "NTT DoCoMo"): the composing dialog's page for
// deco-mail, HTML mail to NTT DoCoMo phones, on the mobile HTML page base
// (mobile_html_page_base.h) with the carrier's rules: a subject of 30 bytes, TEXT and HTML
// parts of 10,000 bytes each, 20 inline slots "00" to "19" (92,160 bytes together) and
// 10 attachments of 2,097,152 bytes together. It adds two buttons:
//
// "テンプレート読み込み(&Y)" (ImportTemplate) replaces the mail by a deco-mail template file
// (deco_template_import.h). It asks once per page whether the mail being edited may be
// thrown away (key "DMTOPEN"), lets the user choose the file, and analyses it whole before
// anything of the page changes. The commit then clears the attachments first - the one
// step that can fail, so a failure leaves subject and parts as they were - and only then
// empties the subject and the TEXT part and takes the template's HTML part and pictures.
//
// "他キャリアにも反映(&O)" (ReflectToOtherCarriers) copies the mail - subject, HTML part, TEXT
// part, attachments and inline images - into the au TU-KA and SoftBank HTML pages, through
// the composing dialog (compose::MailComposer), after checking those carriers' limits:
//  1. the confirmation (key "MAILREFLECT"), asked once per opening of the page;
//  2. attachments over au TU-KA's 512,000 bytes: the user may go on without them (OK);
//  3-4. the images over au TU-KA's 143,600 bytes together or 15,360 bytes for one image;
//  5. attachments and images over au TU-KA's 25 files;
//  6. attachments and images over SoftBank's 256,000 bytes together;
//  and, so the copy never cuts a part short, a TEXT or HTML part that would pass a page's
//  limit there (the au TU-KA HTML part grows by its longer image references). Attachments
//  left out at step 2 count in none of the later checks. Any stop leaves the other pages
//  as they were; a reflection replaces their content, never merges into it.
//
// For the copy the page offers read access to its attachments (GetAttachmentCount, Name,
// Size, Data of the page base). GUI thread only; texts are Shift_JIS.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mobile_html_page_base.h"

namespace htmledit {

class CAttachmentSettingDlgHtmlDocomo;

class CMailEditPageHtmlDocomo : public CMailEditPageHtmlMobileBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 2009;
    enum : int { kIdcTemplate = 1907, kIdcReflect = 1904 };
    static const MobileHtmlRules& CarrierRules();

    explicit CMailEditPageHtmlDocomo(QWidget* parent = nullptr);

    void OnInitPage() override;
    CInlineImageSettingDlgDocomo* GetInlineImageSettings() const override;
    CAttachmentSettingDlgHtmlDocomo* GetAttachmentSettings() const;

    // The buttons (see above).
    void ImportTemplate();
    void ReflectToOtherCarriers();

    // The checks of the reflection (steps 2 to 6 and the parts' limits), with their
    // messages: whether the attachments go with the copy, or nothing when it stops.
    std::optional<bool> CheckReflectionLimits();
    // The HTML part as the au TU-KA page gets it: "cid:NN" of an image in use becomes
    // "cid:img@0NN".
    std::string HtmlForAu(const std::string& html);

    bool IsTemplateQuestionPending() const { return templateQuestionPending_; }
    bool IsReflectionQuestionPending() const { return reflectionQuestionPending_; }

private:
    bool templateQuestionPending_ = true;
    bool reflectionQuestionPending_ = true;
};

}  // namespace htmledit
