#pragma once
// Where the composing dialog (CMailCreateDialog, "メール作成") and its mail pages meet.
//
// The dialog owns one page per format of the mail: the PC and carrier text pages, or the
// HTML pages (PC; NTT DoCoMo, au TU-KA and SoftBank; or the page of a stored MIME text).
// It gives every page itself (MailComposer) and so the work record, the page's work
// folder and fonts, opens each page once before the user sees it, and asks each page to
// save into the record when a button stores the mail. The pages call back for what the
// dialog owns: the record, the once-per-dialog notices, the destinations, the content
// checks and size measurement, the test sender, and the copies from one carrier's page
// into the others'.
//
// The dialog's library sits above the HTML editor, so the HTML pages are built below it
// and are held only through HtmlMailPage; the dialog makes them through a factory the
// program installs.
//
// Slots of the work record (OneMail) and page indexes: 0 PC, 1 NTT DoCoMo, 2 au TU-KA,
// 3 SoftBank, 4 WILLCOM (5 and 6 the MOZiO and Paldio pages, which are never shown).
// Texts are Shift_JIS. Everything runs on the GUI thread.

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/compose/content_checks.h"
#include "app/compose/destinations_by_terminal.h"
#include "app/compose/mail_size_measure.h"
#include "app/ui/font_layer.h"
#include "core/addressbook/one_customer.h"
#include "core/mailstore/mime_format_struct.h"
#include "core/mailstore/one_mail.h"

class QWidget;

namespace compose {

class HtmlMailPage;
class TestMailService;

// The HTML pages by format: the content checks' kinds 6-9, and the page that holds a
// stored MIME text as it is (an HTML mail made from an .eml file).
enum HtmlPageFormat : int {
    kHtmlPagePc = kKindHtmlPc,
    kHtmlPageDocomo = kKindHtmlDocomo,
    kHtmlPageAu = kKindHtmlAu,
    kHtmlPageSoftbank = kKindHtmlSoftbank,
    kHtmlPageMime = 10,
};

// The attachments of one page as the copies between carriers read and fill them. Indexes
// count the page's attachment entries from 0. Results 1 success, 0 failure.
class PageAttachments {
public:
    virtual ~PageAttachments() = default;
    virtual int GetAttachmentCount() = 0;
    // 0 when index is not below the count.
    virtual int GetAttachmentName(int index, std::string& name) = 0;
    virtual int GetAttachmentSize(int index, std::uint64_t& size) = 0;
    // The whole file of entry `index` into `buffer` (bufferSize bytes): 0 when the index is
    // out of range, the buffer is smaller than the entry, or the file no longer holds
    // exactly the entry's bytes. Nothing is written past buffer + bufferSize.
    virtual int GetAttachmentData(int index, std::size_t bufferSize, char* buffer) = 0;
    // Writes the bytes into the page's work folder under `name` and lists the attachment:
    // 0, writing nothing, when the page's list is full, the name is used or the total
    // would pass the page's limit (the caller tells the user).
    virtual int AddAttachmentFromBuffer(const std::string& name, const char* bytes, std::size_t size) = 0;
    // Deletes every attachment's work copy and entry, last first; 0 at the first failure
    // (the entries before it stay).
    virtual int RemoveAllAttachments() = 0;
    // Shows the names of the page's attachments (joined by ", ") in its names field.
    virtual void ShowAttachmentNames() = 0;
};

// What the pages expect of the composing dialog.
class MailComposer {
public:
    virtual ~MailComposer() = default;

    // The mail being edited. A page reads and writes its own slot.
    virtual OneMail& MailRecord() = 0;
    // True when the pages are to fill themselves from the record's stored content (a
    // stored mail, or a copy of one); false for a new mail.
    virtual bool HasStoredMail() const = 0;
    // Opened by the setup wizard.
    virtual bool IsWizardMode() const = 0;
    // Whether attachments may be added (system option 100 is not "Y", and not in the wizard).
    virtual bool AttachmentsAllowed() const = 0;

    // The virus notice of attachments (confirmation key "ATTACHSECURITY"): shown over
    // `owner` by the first attach command of any page of this dialog, never again.
    virtual void ShowAttachmentNoticeOnce(QWidget* owner) = 0;
    // The TEXT-part notice of the HTML pages: pending from the dialog's opening until the
    // page that showed it clears it.
    virtual bool IsTextPartNoticePending() const = 0;
    virtual void ClearTextPartNotice() = 0;

    // The destination's name as the dialog shows it (edit 1046); empty: none chosen.
    virtual std::string DestinationText() const = 0;
    // The destinations of kind letter `kind` ('N', 'Y', 'M') sorted by terminal type.
    // False after the failure was shown.
    virtual bool GetDestinationsByTerminal(char kind, TerminalIdLists& lists) = 0;
    // The content check of a page's check or test button: kind letter and format 1-9
    // (ContentChecker::CheckComposedMail). False after the user was told why.
    virtual bool CheckComposedMail(char kind, int format) = 0;
    // The size measurement after merging (compose::CheckMailSizeForCarriers over the
    // program's open environment).
    virtual bool CheckMailSizeForCarriers(MailSizeMeasure& record) = 0;

    // The pictogram palette queued a code: the active page takes it (WM_INSERT_TEXT).
    virtual void ForwardInsertText() = 0;

    // ---- Test send --------------------------------------------------------------------
    // The test sender, or null while the program has none (the test buttons are then off).
    virtual TestMailService* GetTestMailService() = 0;
    // The subject of the test being prepared, the test recipient's record (filled by the
    // sender) and the attachment parts the sender prepared for the page.
    virtual std::string& TestSubject() = 0;
    virtual OneCustomer& TestRecipient() = 0;
    virtual std::vector<MimeFormatStruct>& TestAttachmentParts() = 0;

    // ---- Copies into the carrier text pages (the reflect buttons of the text pages) ---
    // Subject and body into the NTT DoCoMo, au TU-KA, SoftBank and WILLCOM text pages, each
    // cut to that page's limits (never inside a two-byte character or a CR LF); 1.
    virtual int CopyTextToCarrierPages(const std::string& subject, const std::string& body) = 0;
    // The same into the au TU-KA, SoftBank and WILLCOM pages, uncut; 1.
    virtual int CopyDocomoTextToCarrierPages(const std::string& subject, const std::string& body) = 0;
    // The PC text page's attachments replace those of the flagged carrier pages (NTT
    // DoCoMo, au TU-KA, SoftBank, WILLCOM); the NTT DoCoMo text page's those of the flagged
    // au TU-KA, SoftBank and WILLCOM pages. False after a failure was told.
    virtual bool CopyAttachmentsToCarrierPages(const std::array<bool, 4>& flags) = 0;
    virtual bool CopyDocomoAttachmentsToCarrierPages(const std::array<bool, 3>& flags) = 0;

    // ---- Copies into the au TU-KA and SoftBank HTML pages (the NTT DoCoMo HTML page) --
    // Removes every attachment and inline image of both pages; false after
    // "添付ファイル反映先の削除に失敗しました。" was shown.
    virtual bool ClearReflectedAttachments() = 0;
    // Copies the NTT DoCoMo page's attachments (with `withAttachments`) and its inline
    // images in use into both pages; false after a failure was told.
    virtual bool ReflectAttachments(HtmlMailPage& docomo, bool withAttachments) = 0;
    // The subject, TEXT part and HTML part into both pages; the au TU-KA page gets every
    // img src "cid:NN" of an NTT DoCoMo image in use as "cid:img@0NN".
    virtual void ReflectInlineImages(const std::string& subject, const std::string& html,
                                     const std::string& text) = 0;
    virtual void ResetHtmlPages() = 0;
    virtual void RefreshHtmlPages() = 0;
};

// One HTML page as the dialog holds it. The page is a widget of its own (PageWidget) that
// the dialog places on its sheet; the page's SheetPage side (app/widgets/sheet_page.h),
// if any, is asked before the page is left.
class HtmlMailPage : public CheckedHtmlPage, public PageAttachments {
public:
    // An HtmlPageFormat.
    virtual int PageFormat() const = 0;
    virtual QWidget* PageWidget() = 0;
    // The tab's title ("PC", "NTT DoCoMo", "au TU-KA", "SoftBank").
    virtual QString PageCaption() const = 0;

    // Set by the dialog before OnInitPage, in this order.
    virtual void SetComposer(MailComposer* composer) = 0;
    // The page's attachment work folder (made when missing, one level): 1, or 0 when it
    // cannot be made (the old folder is kept).
    virtual int SetAttachmentFolder(const std::string& folder) = 0;
    // The folder of the preview files (made when missing): 1 or 0.
    virtual int SetPreviewFolder(const std::string& folder) = 0;
    virtual void SetEditFont(const ui::LogFont& font) = 0;
    // The page's opening: limits, its slot of the record loaded unless the dialog has no
    // stored mail, sizes shown. Called once, before the page is first shown.
    virtual void OnInitPage() = 0;
    // The page became the active tab; false refuses (the tab then goes back).
    virtual bool OnSetActive() { return true; }

    // Subject, MIME text and attachment list into the page's slot of the record. False
    // when the MIME text could not be built (the page told the user): nothing is stored.
    virtual bool SaveToMail() = 0;
    // Attachments not allowed: the page's attachment controls are disabled.
    virtual void DisableAttachmentControls() = 0;
    // The test button (1835) is usable only when the program has a test sender and the
    // test recipient of the page's terminal has an address.
    virtual void EnableTestButton(bool enable) = 0;
    // The pictogram palette chose a code (WM_INSERT_TEXT): the page takes it.
    virtual void InsertPictogram() {}
    // The dialog's hidden .eml button (the page of a stored MIME text only).
    virtual void ImportEml() {}

    // ---- Targets of the NTT DoCoMo page's copies (au TU-KA and SoftBank pages) --------
    virtual void SetSubject(const std::string& subject) = 0;
    virtual void SetTextPart(const std::string& text) = 0;
    virtual void SetHtmlPart(const std::string& html) = 0;
    // The inline MIME part of `contentId` (as CheckedHtmlPage::InlineImages names it):
    // false when the page has none.
    virtual bool FindInlinePart(const std::string& contentId, MimeFormatStruct& part) = 0;
    virtual void AppendInlinePart(const MimeFormatStruct& part) = 0;
    // Puts an image into the slot of `contentId`: 1, or 0 when no slot has that Content-ID
    // or the page's limits refuse it.
    virtual int SetInlineImage(const std::string& contentId, const std::string& fileName, std::uint64_t size) = 0;
    // Empties every inline slot and removes the inline MIME parts: 1, or 0.
    virtual int RemoveAllInlineImages() = 0;
    // After a copy: the page's sizes, inline lists and preview made anew from its content.
    virtual void ResetPage() = 0;
    virtual void RefreshPage() = 0;
};

// The test sender of a composing dialog (one per dialog, made when it opens).
class TestMailService {
public:
    virtual ~TestMailService() = default;
    // Reads the test recipient of `recipientKind` (0 PC, 1 mobile) into the dialog's test
    // recipient and prepares the mail client: 1, or 0 after its own message (a send or
    // receive run is going on, the test settings cannot be read, the recipient has no
    // address).
    virtual int Send(int recipientKind) = 0;
    // The page's attachments as MIME parts in the dialog's test part array: 1, or 0 after
    // its message, the test then ended (as after Abandon).
    virtual int AddAttachmentParts(int pageIndex) = 0;
    // Asks the user, sends the dialog's test subject with `header` and `body`, and reports.
    virtual int ConfirmAndSend(const std::string& header, const std::string& body, int pageIndex) = 0;
    // Ends a test that Send prepared without sending anything (the mail could not be
    // built): what Send paused resumes and what it took is released.
    virtual void Abandon() = 0;
};

// Makes the HTML page of `format` (an HtmlPageFormat); null when there is none.
using HtmlPageFactory = std::function<std::unique_ptr<HtmlMailPage>(int format)>;
// Makes the test sender of a composing dialog (`owner` the dialog's window).
using TestMailServiceFactory = std::function<std::unique_ptr<TestMailService>(MailComposer& composer, QWidget* owner)>;

}  // namespace compose
