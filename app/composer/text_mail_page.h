#pragma once
// TextMailPage: the text pages that carry attachments and a wrap ruler - the PC page and
// the NTT DoCoMo, au TU-KA, SoftBank and WILLCOM pages. It adds to CMailEditPageBase the
// byte-limited subject and body edits, the ruler above the body (the body shows its
// lines broken at the ruler's wrap position, at any character), the attachments and the
// test button.
//
// Attachments have three views that stay in step: the page's slot of the work record
// (name and size text, what the dialog stores), the page's attachment list with its
// carrier's limits (htmledit::CAttachmentSettingDlg: name, size, path, flag, what the user
// edits), and a copy of every attached file in the page's work folder, so that the mail
// no longer depends on the file the user picked. They are kept by the same rules as an
// HTML page's (htmledit::HtmlPageAttachments, which says what is guaranteed):
//  - LoadAttachments takes the record's list (files the dialog decoded into the folder);
//  - the attach command runs the attachment dialog; after OK the files of removed entries
//    are deleted, each newly chosen file is copied into the folder (a file that is
//    already the folder's copy is left as it is; a copy replaces its target only once it
//    is whole), an entry whose copy fails or whose name is no plain file name is dropped
//    with a message, and the record's list is rebuilt from the entries;
//  - the copies between carriers read and fill the list through PageAttachments.
// Only files inside the page's work folder are ever deleted, never the user's own; a page
// deletes its copies when it is destroyed (the stored mail keeps its own).
//
// The test button checks the page's mail for the test recipient and, when the check
// passes, sends it (CMailEditPageBase::SendTestMail).

#include <cstdint>
#include <memory>
#include <string>

#include "app/composer/mail_edit_page_base.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QHBoxLayout;

namespace htmledit {
class AttachmentLimitDlg;
class CMailBodyEdit;
class HtmlPageAttachments;
}  // namespace htmledit

namespace compose {

class CWrapRuler;
class SjisLimitedEdit;

class TextMailPage : public CMailEditPageBase, public PageAttachments {
    Q_OBJECT
public:
    enum : int { kIdcWrapPosition = 1879, kIdcAttachLabel = 1820, kIdcAttachNames = 1876, kIdcTestSend = 1835 };
    // The ruler sits this far above the body.
    static constexpr int kRulerOffset = 18;

    // `attachments` is the carrier's attachment list (the page owns it); `cursorId` the
    // static of the cursor position, `attachButtonId` the attach button, `wrapPosition` the
    // ruler's first wrap position.
    TextMailPage(int resourceId, std::unique_ptr<htmledit::AttachmentLimitDlg> attachments, int cursorId,
                 int attachButtonId, int wrapPosition, QWidget* parent = nullptr);
    ~TextMailPage() override;

    CMailTextEdit* GetSubjectEdit() override;
    CMailTextEdit* GetBodyEdit() override;
    SjisLimitedEdit* Subject() const { return subject_; }
    htmledit::CMailBodyEdit* Body() const { return body_; }
    CWrapRuler* Ruler() const { return ruler_; }
    htmledit::AttachmentLimitDlg& Attachments() const { return *attachments_; }

    // ---- Attachments -------------------------------------------------------------------
    // The record's list of the page into the attachment list (before the page's window
    // exists). A size that is not a clean decimal is taken from the work copy.
    void LoadAttachments();
    void ShowAttachmentNames() override;
    // The attach command (the page's attach button).
    void OnAttachFiles();
    int GetAttachmentCount() override;
    int GetAttachmentName(int index, std::string& name) override;
    int GetAttachmentSize(int index, std::uint64_t& size) override;
    int GetAttachmentData(int index, std::size_t bufferSize, char* buffer) override;
    int AddAttachmentFromBuffer(const std::string& name, const char* bytes, std::size_t size) override;
    // Deletes entry `index`'s copy, its record item and the entry, and shows the names left:
    // 0 when there is no such entry or the copy cannot be deleted (nothing changes then).
    int DeleteAttachment(int index);
    int RemoveAllAttachments() override;
    // Attachments not allowed: the page's attachment controls are disabled.
    virtual void DisableAttachmentControls();

    // ---- Test send ---------------------------------------------------------------------
    void EnableTestButton(bool enable);
    QPushButton* TestButton() const { return testButton_; }
    // The test button: the page's subject becomes the test subject, the content check of
    // the page runs and, when it passes, the test send.
    void OnTestSend();
    // The page's number for the content checks (1 PC ... 5 WILLCOM) and the test
    // recipient's kind (0 PC, 1 mobile).
    virtual int ContentCheckTarget() const = 0;
    virtual int SenderKind() const = 0;
    // The text part built for the page's terminal type (its page index).
    int BuildTestMime(const OneCustomer& record, std::string& header, std::string& body) override;

    bool OnSetActive() override;

protected:
    void OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The cursor position text: where the body's caret stands, in pixels (CaretPixel).
    void ShowCaretPosition();
    // The body shows its lines broken at the ruler's wrap position.
    void SetBodyWidthFromWrap();
    // Places the ruler above the body, over the body's text width.
    void PlaceRuler();
    // The attachments' copies go to the new work folder.
    void OnWorkFolderSet() override;

    // Rows the pages complete: the one beside the wrap and cursor positions (PC: the hard
    // wrap button; palette pages: the pictogram button) and the last one (the reflect
    // button, before the test button).
    QHBoxLayout* rulerInfoRow_ = nullptr;
    QHBoxLayout* buttonRow_ = nullptr;
    QHBoxLayout* countRow_ = nullptr;
    QLabel* attachLabel_ = nullptr;
    QLineEdit* attachNames_ = nullptr;
    QPushButton* attachButton_ = nullptr;

private:
    std::unique_ptr<htmledit::AttachmentLimitDlg> attachments_;
    // The record's list, the attachment list and the work folder's copies kept in step
    // (made with the page when it has an attachment list; goes before that list).
    std::unique_ptr<htmledit::HtmlPageAttachments> files_;
    SjisLimitedEdit* subject_ = nullptr;
    htmledit::CMailBodyEdit* body_ = nullptr;
    CWrapRuler* ruler_ = nullptr;
    QLabel* wrapText_ = nullptr;
    QLabel* cursorText_ = nullptr;
    QPushButton* testButton_ = nullptr;
    int wrapPosition_;
};

}  // namespace compose
