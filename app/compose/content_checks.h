#pragma once
// The content checks a composed mail must pass before it is saved as a draft, checked
// with a page's check button, or sent (reserved). One check per mail kind:
//  - CheckTextMail: the text pages of PC, NTT DoCoMo, au TU-KA, SoftBank and WILLCOM;
//  - CheckHtmlMailPc: the PC HTML page;
//  - CheckHtmlMailMobile: the NTT DoCoMo, au TU-KA and SoftBank HTML pages.
// A terminal kind whose destination list is empty is skipped entirely: no limit, no
// character test, no question.
//
// For each kind that has destinations a check
//  1. measures the texts as they will be after merging (the largest over the
//     destinations, or with the test-mail recipient for the check button; see
//     mail_size_measure.h) and stops with an OK-only message when a merged size is over
//     the kind's limit;
//  2. stops when the unmerged texts hold characters the kind's terminals show wrongly
//     (machine-dependent characters; carrier pictograms pass where the carrier takes
//     them, and SoftBank text with a pictogram is tested with the relaxed repertoire),
//     listing them;
//  3. notes merge tags of the older version, merge fields the merge cannot fill (an
//     unknown name, in an HTML part in either form), empty fields, HTML tags a carrier
//     does not allow and inline images no part refers to;
// and then, only when asked to ask questions, asks about what it noted (in the fixed
// order of each check), stopping when the user declines. The questions end in "save"
// wording for purpose 300 and "send" wording otherwise. A check returns true when the
// operation may go on. It changes nothing, except that the user may let it drop unused
// inline images from an HTML page.
//
// When the measurement itself fails (the address book or the test recipient cannot be
// read) its message is shown and the check goes on with the unmerged sizes.
//
// The checks read the texts from the composing dialog through ComposedMailPages and show
// every message through ui::MessageBox with the dialog as owner; they make no widget.
// Texts are Shift_JIS.

#include <QString>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/compose/destinations_by_terminal.h"
#include "app/compose/mail_size_measure.h"
#include "app/compose/mobile_html_tags.h"
#include "core/mailstore/html_tag.h"

class QWidget;

namespace compose {

// One HTML page of the composing dialog, as the checks see it.
class CheckedHtmlPage {
public:
    virtual ~CheckedHtmlPage() = default;
    virtual std::string Subject() = 0;
    virtual std::string HtmlPart() = 0;
    virtual std::string TextPart() = 0;
    // The inline-image list and the attachment list, in the page's order.
    virtual std::vector<PageFileEntry> InlineImages() = 0;
    virtual std::vector<PageFileEntry> Attachments() = 0;
    // Clears the inline mark of entry `index` of InlineImages(): the image then neither
    // counts nor goes out as an inline image. False when the index is out of range.
    virtual bool ClearInlineMark(int index) = 0;
    // Removes the image of `contentId` from the page's editor.
    virtual void RemoveImageFromEditor(const std::string& contentId) = 0;
    // Rebuilds the page's HTML view after images were removed.
    virtual void RebuildHtmlView() = 0;
};

// What the checks read of the composing dialog.
class ComposedMailPages {
public:
    virtual ~ComposedMailPages() = default;
    // The subject and body of the text page of terminal `terminal` (TermType 0-4).
    virtual std::string TextSubject(int terminal) = 0;
    virtual std::string TextBody(int terminal) = 0;
    // The HTML page of kind 6-9; null when the dialog has none.
    virtual CheckedHtmlPage* HtmlPage(int kind) = 0;
    // The destination text of the dialog (control 1046).
    virtual std::string DestinationText() = 0;
    // The destinations by terminal for the mail kind (GetDestinationsByTerminal with the
    // dialog's state). False after the failure was shown and the dialog's destination
    // snapshot written back.
    virtual bool DestinationsByTerminal(char kind, TerminalIdLists& lists) = 0;
};

// Fills `found` (emptied first) with each character of `text` that fails the JIS test,
// once each, in order of first appearance; true when there is none. A character is one
// Shift_JIS double-byte character or one byte. The strict test (relaxed false) passes
// 7-bit bytes and JIS X 0208-1983 double-byte characters; the relaxed test also half-width
// katakana and the two characters JIS X 0208-1990 added. With allowPictograms a carrier
// pictogram (one of the 252 NTT DoCoMo codes) passes too.
bool CollectMachineDependentChars(std::string_view text, bool relaxed, bool allowPictograms, CArrayOfString& found);

// The lines that list found characters in a message: a heading, then the characters, 25 to
// a line.
QString MachineDependentListing(const CArrayOfString& found);

// The inline images of `page` that no img src of `html` names ("cid:" and the content ID,
// without regard to ASCII case; blanks, tabs and line breaks inside a src are ignored).
// Each unused image's text "[content id]  file name" goes into `unused` (emptied first)
// once. With deleteUnused each unused image loses its inline mark and leaves the page's
// editor, and the page's view is rebuilt when anything was removed. True when every
// inline image is used.
bool FindUnusedInlineImages(bool deleteUnused, const std::string& html, CheckedHtmlPage& page,
                            CArrayOfString& unused);

class ContentChecker {
public:
    // Nothing is owned; `parent` owns the message boxes (may be null).
    ContentChecker(QWidget* parent, ComposedMailPages& pages, const CheckStores& stores,
                   const MobileTagRuleTables& tagRules = MobileTagRuleTables::Shared());

    // The text pages; the lists are the destinations of PC, NTT DoCoMo, au TU-KA, SoftBank
    // and WILLCOM.
    bool CheckTextMail(int purpose, bool askQuestions, const std::vector<int>& pc, const std::vector<int>& docomo,
                       const std::vector<int>& au, const std::vector<int>& softbank,
                       const std::vector<int>& willcom);
    bool CheckHtmlMailPc(int purpose, bool askQuestions, const std::vector<int>& pc);
    bool CheckHtmlMailMobile(int purpose, bool askQuestions, const std::vector<int>& docomo,
                             const std::vector<int>& au, const std::vector<int>& softbank);

    // The check button of page `page` (1-5 the text pages of PC, NTT DoCoMo, au TU-KA,
    // SoftBank, WILLCOM; 6-9 the HTML pages of PC, NTT DoCoMo, au TU-KA, SoftBank) for mail
    // kind `kind` ('N', 'Y', 'M'), against the test-mail recipient, with questions. False at
    // once for another page; false after a notice ("注意") when the page is not one of the
    // kind's ('Y' on a page other than PC, 'M' on PC or WILLCOM); true for another kind
    // letter.
    bool CheckComposedMail(char kind, int page);

    // Before a draft is saved: with a destination, the destinations by terminal (false
    // when they cannot be had) and the kind's check with purpose 300, asking questions only
    // when some kind has destinations; without one, nothing is checked. True for another
    // kind letter.
    bool CheckMailBeforeSave(char kind);

private:
    // The sizes and image counts of an HTML page measured again for the last questions.
    MailSizeResult Remeasure(CheckedHtmlPage* page, const MailSizeMeasure& first);
    int Ask(const QString& text, unsigned buttons);
    void Stop(const QString& text, const char* caption);

    QWidget* parent_;
    ComposedMailPages& pages_;
    CheckStores stores_;
    const MobileTagRuleTables& tagRules_;
};

}  // namespace compose
