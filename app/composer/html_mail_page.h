#pragma once
// CMailEditPageHtml (dialog 2002, "HTMLメール"): the page of an HTML mail that is not edited
// here but taken whole from a MIME message - the one stored in the mail, or an .eml file
// saved by another mail program (the composing dialog's .eml command, ImportEml). The page
// parses the message into its mail model, lets the user keep the message's attachments
// (as the mail's own attachments, through the attachment-settings dialog) or drop them,
// and shows the mail through a temporary .eml file in the environment folder.
//
// Import and analysis refuse, each with its message and leaving the page as it was:
//   -1  the file cannot be read
//   -11 the text is no MIME message the model can hold
//   -12 nothing in it the model can use
//   -13 a text mail (no HTML part)
//   -15 the temporary file cannot be written
//    1  the user stopped the import (attachments that may not be sent)
//   -14 an attachment cannot be extracted into the work folder: the files this import
//       extracted are removed again (and an attachment of the mail that the user let it
//       replace is gone with them), the message stays as it was.
// 0 is success. A message attachment whose name equals one of the mail's attachments is
// kept only when the user agrees to replace that attachment (its entry and work file go
// once the import goes through).
//
// What the page guarantees:
//  - The mail's attachments travel in its attachment list (slot 0 of the work record) and
//    never inside its stored MIME text, so none goes out twice: after an import the
//    message holds no attachment of its own.
//  - Saving never loses a stored text: when the page holds no message (nothing was
//    imported, or the stored text could not be read) the stored body stays as it is.
//  - At most one temporary file exists: each analysis replaces it (its name drawn until
//    unused), and the page deletes it when it goes. The view is drawn from that file and
//    loads nothing from outside the mail (ui::HtmlView: images "cid:" from the mail's own
//    parts, every other resource refused).
//  - Attachment names from the file touch the file system only when they are bare file
//    names (an unsafe name stops the extraction, -14).
//
// The page is an HtmlMailPage of the composing dialog (mail_page_interface.h), which saves
// it into slot 0 and checks and sends the mail as an HTML mail for PCs. Everything runs on
// the GUI thread; texts are Shift_JIS.

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/compose/mail_page_interface.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class HtmlView;
}

namespace compose {

class CMailTextEdit;
class HtmlMimeModel;

class CMailEditPageHtml : public QWidget, public HtmlMailPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 2002;
    enum : int { kIdcSubject = 1022, kIdcHtmlArea = 1562, kIdcAttachLabel = 1820, kIdcAttachNames = 1669, kIdcAttach = 1364 };
    enum ImportResult : int {
        kImported = 0,
        kStopped = 1,
        kFileUnreadable = -1,
        kNotMime = -11,
        kNothingUsable = -12,
        kTextMail = -13,
        kExtractFailed = -14,
        kTempFileFailed = -15,
    };

    explicit CMailEditPageHtml(QWidget* parent = nullptr);
    // Deletes the temporary file.
    ~CMailEditPageHtml() override;

    // ---- The page's own operations --------------------------------------------------------
    // Reads `path` (a file-system path) and analyses it; with takeSubject the message's
    // decoded subject goes into the subject edit. An ImportResult.
    int ImportFile(const std::string& path, bool takeSubject);
    // Analyses a message text (see the header comment); the model, the attachments and the
    // view change only on success (kImported).
    int Analyse(const std::string& text, bool takeSubject);
    // The subject into the record's slot 0 and the message as "<headers>\r\n<body>" into its
    // body: false, the record unchanged, after "HTMLメールの解析に失敗しました。".
    bool Save();
    // The message as the test send takes it: "<headers>\r\n<body>". 0, or -1 when the page
    // holds no message.
    int GetMimeText(std::string& out);
    // The attach button: the attachment-settings dialog over the work folder and the
    // mail's list; OK replaces the list.
    void OnAttach();

    const std::string& GetTempFilePath() const { return tempPath_; }
    bool AttachmentsAllowed() const { return attachmentsAllowed_; }
    CMailTextEdit* GetSubjectEdit() const { return subject_; }
    QLineEdit* GetNamesField() const { return names_; }
    ui::HtmlView* GetView() const { return view_; }

    // ---- HtmlMailPage ----------------------------------------------------------------------
    int PageFormat() const override { return kHtmlPageMime; }
    QWidget* PageWidget() override { return this; }
    QString PageCaption() const override;
    void SetComposer(MailComposer* composer) override { composer_ = composer; }
    int SetAttachmentFolder(const std::string& folder) override;
    int SetPreviewFolder(const std::string& folder) override;
    void SetEditFont(const ui::LogFont& font) override;
    // The load: the record's subject, the stored message analysed (its subject not taken),
    // the attachment names when attachments are allowed.
    void OnInitPage() override;
    bool SaveToMail() override { return Save(); }
    void DisableAttachmentControls() override;
    // The page has no test button: the composing dialog's own test command sends it.
    void EnableTestButton(bool) override {}
    void ImportEml() override;

    // CheckedHtmlPage
    std::string Subject() override;
    std::string HtmlPart() override;
    std::string TextPart() override;
    std::vector<PageFileEntry> InlineImages() override;
    std::vector<PageFileEntry> Attachments() override;
    // The image leaves the message when the page is next saved or drawn.
    bool ClearInlineMark(int index) override;
    void RemoveImageFromEditor(const std::string&) override {}
    void RebuildHtmlView() override;

    // PageAttachments: the mail's list (slot 0) and the files of the work folder.
    int GetAttachmentCount() override;
    int GetAttachmentName(int index, std::string& name) override;
    int GetAttachmentSize(int index, std::uint64_t& size) override;
    int GetAttachmentData(int index, std::size_t bufferSize, char* buffer) override;
    int AddAttachmentFromBuffer(const std::string& name, const char* bytes, std::size_t size) override;
    int RemoveAllAttachments() override;
    void ShowAttachmentNames() override;

    // Copies between carrier pages never reach this page; these only keep the interface.
    void SetSubject(const std::string& subject) override;
    void SetTextPart(const std::string&) override {}
    void SetHtmlPart(const std::string&) override {}
    bool FindInlinePart(const std::string& contentId, MimeFormatStruct& part) override;
    void AppendInlinePart(const MimeFormatStruct&) override {}
    int SetInlineImage(const std::string&, const std::string&, std::uint64_t) override { return 0; }
    int RemoveAllInlineImages() override;
    void ResetPage() override { RebuildHtmlView(); }
    void RefreshPage() override { RebuildHtmlView(); }

private:
    std::vector<AttachData>* RecordList() const;
    std::string WorkFile(const std::string& name) const;
    // Shows the names of the mail's attachments in field 1669.
    void ShowNames();
    void ApplyNamesColour();
    // Drops the inline images whose mark was cleared.
    void DropClearedImages();
    int WriteTempFile(const std::string& text);
    void DeleteTempFile();
    // Draws the message of `path` in the view.
    void Navigate(const std::string& path);
    int Fail(const char* text, const char* caption, unsigned icon, int result);

    MailComposer* composer_ = nullptr;
    CMailTextEdit* subject_ = nullptr;
    ui::HtmlView* view_ = nullptr;
    QLabel* attachLabel_ = nullptr;
    QLineEdit* names_ = nullptr;
    QPushButton* attachButton_ = nullptr;

    std::unique_ptr<HtmlMimeModel> model_;
    std::vector<bool> inlineCleared_;
    // The message drawn in the view, read back from the temporary file.
    std::unique_ptr<HtmlMimeModel> shown_;
    std::string tempPath_;
    std::string folder_;         // the attachment work folder (ends in '/')
    std::string previewFolder_;  // where the temporary file goes (ends in '/')
    bool attachmentsAllowed_ = true;
};

}  // namespace compose
