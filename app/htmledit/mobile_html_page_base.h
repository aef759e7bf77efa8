#pragma once
// CMailEditPageHtmlMobileBase: the HTML mail pages for phones - NTT DoCoMo
// (docomo_html_page.h), au TU-KA (au_html_page.h) and SoftBank (softbank_html_page.h) -
// on the HTML page base (html_mail_page_base.h: the preview, HTML part and TEXT part tabs,
// the inline parts, the preview file). The three pages behave alike; what differs is a
// table of each carrier's rules (MobileHtmlRules: its numbers, subject and part limits,
// the Content-ID form of its image slots, its pictogram drawings) and the carrier's
// attachment and inline-image settings with their limits (attachment_limits.h,
// inline_image_settings.h), which the derived page hands over.
//
// What a page holds: the subject (edit 1891, cut where a character ends), the TEXT and
// HTML parts, the inline images in slots whose fixed Content-IDs the HTML part names as
// "cid:<id>", and the attachments (copies in the page's work folder). The au TU-KA page
// counts its attachments and images together (25 files), the SoftBank page their bytes
// (256,000 bytes): each settings object asks the other for its current figure at every
// check, so loading, removing or reflecting files never leaves a stale figure behind.
//
// Pictograms: the button "絵文字(&P)" shows the carrier's palette (compose::CPictogramDialog,
// a window of its own, so it takes the focus). A chosen pictogram (always its NTT DoCoMo
// code) reaches the page through the composing dialog (InsertPictogram) and goes where
// the caret was when the palette opened (by the button or its shortcut): the edit that
// had the focus then, or else the one that lost it last - the subject, the TEXT part or
// the HTML part - only while that edit has the focus again, and for a part only while its
// tab is the one shown; anywhere else it is dropped. An insertion that would pass the edit's limit is
// dropped without a word. Leaving the page hides the palette.
//
// Opening (OnInitPage, once, before the page is first shown): the palette, the sheet, the
// attachments of the page's slot of the work record and, when the dialog has a stored
// mail, the stored mail of the slot as it was saved: its subject, its parts and its
// inline images, no Content-ID changed and no part dropped. Every image takes the slot of
// its id; one that takes none (an id of no slot, or one the limits refuse) stays in the
// mail and the user is told once which those are, and the images after it still take
// their slots. Attachments go when attachments are not sent (system option 100 "Y").
//
// Saving (SaveToMail) writes the subject and the message text (inline images in slot
// order) into the slot; a message text that cannot be written stores nothing.
//
// Everything runs on the GUI thread; texts are Shift_JIS.

#include <QString>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "app/compose/pictogram_input_dlg.h"
#include "app/htmledit/html_mail_page_base.h"

class QHBoxLayout;

namespace htmledit {

// One carrier's rules.
struct MobileHtmlRules {
    int resourceId;                 // the page's dialog number
    int format;                     // compose::HtmlPageFormat (7, 8, 9) and the content checks' kind
    int terminal;                   // slot of the work record, terminal type (1, 2, 3)
    const char* caption;            // the tab's title, also the carrier's name in messages
    std::size_t subjectBytes;       // subject limit
    std::size_t partBytes;          // TEXT part and HTML part limit
    const char* contentIdFormat;    // of slot i's Content-ID ("%02u", "img@%03u")
    int firstBitmap;                // palette drawing of the first pictogram; the others follow
    std::array<int, 4> lastBitmaps; // drawings of the last four pictograms when not in the run (0: in it)
};

// A carrier's attachment and inline-image settings, made (and linked) together.
struct MobileHtmlSettings {
    std::unique_ptr<CAttachmentSettingDlg> attachments;
    std::unique_ptr<CInlineImageSettingDlg> inlineImages;
};

class CMailEditPageHtmlMobileBase : public CMailEditPageHtmlBase {
    Q_OBJECT
public:
    // The pages' own controls (the others are the base's).
    enum : int { kIdcPictogram = 1886, kIdcAttachLabel = 1820, kIdcAttach = 1895, kIdcSizeLabel = 1821 };
    static constexpr int kWrapPosition = 240;
    // The edit a pictogram goes to: the one that lost the focus last.
    enum LastEdit : int { kLastEditNone = 0, kLastEditSubject = 1, kLastEditText = 2, kLastEditHtml = 3 };
    static constexpr std::size_t kPaletteSize = compose::kPaletteSize;

    ~CMailEditPageHtmlMobileBase() override;

    const MobileHtmlRules& Rules() const { return rules_; }
    // The palette's entries of a carrier: the 200 pictograms of every palette in their
    // order, each with the carrier's drawing.
    static compose::PictogramList MakePictogramList(const MobileHtmlRules& rules);

    // ---- compose::HtmlMailPage -----------------------------------------------------------------
    int PageFormat() const override { return rules_.format; }
    QString PageCaption() const override { return QString::fromLatin1(rules_.caption); }
    int MailSlot() const override { return rules_.terminal; }
    void OnInitPage() override;
    // A pictogram the palette queued (see above).
    void InsertPictogram() override;

    // ---- shell::SheetPage ----------------------------------------------------------------------
    // Leaving the page hides the palette.
    bool OnKillActive() override;

    // ---- The page --------------------------------------------------------------------------------
    // Makes the palette with the carrier's list (once).
    virtual void FillPictogramList();
    // Replaces the subject's selection with `text` when the result stays within the
    // limit (caret after it, the edit focused); drops it otherwise.
    virtual void InsertPictogramIntoSubject(const std::string& text);
    virtual CInlineImageSettingDlg* GetInlineImageSettings() const { return InlineSettings(); }
    // Focuses the edit that lost the focus last (none yet: the subject, which becomes it).
    void SetFocusToLastEdit();
    // The buttons: the palette; the size over the carrier's recipients and the test mail
    // to the mobile test address.
    void OnPictogramButton();
    void OnSizeDetail() override;
    void OnTestSend() override;

    int GetLastEdit() const { return lastEdit_; }
    compose::CPictogramDialog* PictogramDialog() const { return pictogramDialog_; }

protected:
    // Takes the carrier's settings over (their slots get the carrier's Content-IDs).
    CMailEditPageHtmlMobileBase(const MobileHtmlRules& rules, MobileHtmlSettings settings, QWidget* parent);
    // The row of buttons under the subject, for a carrier's own buttons.
    QHBoxLayout* ButtonRow() const { return buttonRow_; }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadStoredMail();

    MobileHtmlRules rules_;
    compose::CPictogramDialog* pictogramDialog_ = nullptr;
    int lastEdit_ = kLastEditNone;
    QHBoxLayout* buttonRow_ = nullptr;
    bool initialised_ = false;
};

}  // namespace htmledit
