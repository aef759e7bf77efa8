#pragma once
// CMailEditPageHtmlPc (dialog 2015, "PC"): the composing dialog's page for the HTML mail
// sent to PC recipients, on the HTML page base (html_mail_page_base.h: the preview, HTML
// part and TEXT part tabs, inline parts, preview file). It adds the subject (512 bytes),
// the attachments (20 files, 5,242,880 bytes) and inline images (20 slots "00"-"19",
// 5,242,880 bytes) with the PC limits, the import of a whole mail from an .eml file, the
// removal of inline images the HTML part does not use, the running size figure and its
// detail, and the test send.
//
// Opening (OnInitPage, once, before the dialog shows the page): the sheet, the slots'
// Content-IDs, the attachments of the page's slot of the work record and, when the dialog
// has a stored mail, the stored mail: its subject, its TEXT and HTML parts and its inline
// images renumbered to the slots in order (eml_import.h NormaliseStoredInlineParts; an
// image that does not fit is dropped and named in one message, where it used to vanish
// without a word), every img reference following its own picture. Attachments go when
// attachments are not sent (system option 100 "Y"). The preview then shows the mail.
//
// Saving (SaveToMail) writes the subject and the message text (inline images in slot
// order) into the slot; a message text that cannot be written stores nothing.
//
// The .eml import (ImportEml, button 1890) asks once per page whether the mail being
// edited may be thrown away (key "EMLOPEN"), lets the user choose the file, and analyses
// it whole (AnalyseEmlImport) before anything of the page changes. The commit then
// replaces the attachments first (new files written before the old ones go, so a failed
// write leaves the page as it was), and only after that the subject, the parts and the
// inline images.
//
// Everything runs on the GUI thread; texts are Shift_JIS.

#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "app/htmledit/html_mail_page_base.h"

namespace htmledit {

class CAttachmentSettingDlgHtmlPc;
class CInlineImageSettingDlgPc;
struct EmlImportPlan;

class CMailEditPageHtmlPc : public CMailEditPageHtmlBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 2015;
    // The page's own controls (the others are the base's).
    enum : int { kIdcEmlImport = 1890, kIdcAttach = 1894 };
    static constexpr std::size_t kSubjectBytes = 512;
    static constexpr std::size_t kPartBytes = 100000;
    static constexpr int kWrapPosition = 580;

    explicit CMailEditPageHtmlPc(QWidget* parent = nullptr);
    ~CMailEditPageHtmlPc() override;

    // ---- compose::HtmlMailPage -----------------------------------------------------------------
    int PageFormat() const override;
    QString PageCaption() const override { return QStringLiteral("PC"); }
    int MailSlot() const override { return 0; }
    void OnInitPage() override;
    void ImportEml() override;

    // ---- The page --------------------------------------------------------------------------------
    CInlineImageSettingDlgPc* GetInlineImageSettings() const { return inlineSettings_; }
    CAttachmentSettingDlgHtmlPc* GetAttachmentSettings() const { return attachmentSettings_; }
    // The buttons: the size over the PC recipients, the test mail to the PC test address.
    void OnSizeDetail() override;
    void OnTestSend() override;

private:
    // The stored mail of the page's slot into the page (see above).
    void LoadStoredMail();
    bool CommitEmlImport(EmlImportPlan& plan);

    CInlineImageSettingDlgPc* inlineSettings_ = nullptr;
    CAttachmentSettingDlgHtmlPc* attachmentSettings_ = nullptr;
    bool emlOpenPending_ = true;
    bool initialised_ = false;
};

}  // namespace htmledit
