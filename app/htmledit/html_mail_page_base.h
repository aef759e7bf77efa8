#pragma once
// CMailEditPageHtmlBase: what every HTML mail page of the composing dialog shares - the PC
// page (pc_html_page.h) and the NTT DoCoMo, au TU-KA and SoftBank pages. It is abstract.
//
// A page edits one mail as MIME parts (its model: a TEXT part, an HTML part and the HTML
// part's inline images) through an inner sheet of three tabs: the preview (first, so it
// shows when the page opens), the HTML part and the TEXT part (html_sub_pages.h,
// preview_page.h). The model starts from a fixed multipart/alternative message (below):
// a shift_jis 8bit TEXT part with an empty body and a shift_jis 8bit HTML part holding an
// empty document. Edits replace only the two bodies; their headers stay those of the
// template, and the message text of the model is written by the core's mail model with
// boundaries of its own.
//
// Inline images have two views kept in step: the model's inline parts (base64 bodies,
// Content-ID " <id>") and the slots of the page's inline-image settings
// (inline_image_settings.h), whose fixed Content-IDs the HTML part refers to as
// "cid:<id>". The page keeps the parts in slot order, so a stored mail reopens with every
// reference on its own picture. Attachments are html_page_attachments.h; a page hands its
// carrier's two settings objects over once (BindLimits) and names the slot of the work
// record it edits (MailSlot).
//
// The preview (what the recipient's mail program would show): each rebuild writes the
// page's whole message into a new preview file (html_preview_file.h) and shows that file;
// only a change of the HTML part makes the preview stale, and a stale preview is rebuilt
// when its tab is opened. Pages also rebuild it after loading, importing and changing
// images. A failed rebuild leaves the preview showing what it showed. The page's file is
// deleted with the page.
//
// The test send (TestSend) builds the page's mail for the test recipient between the test
// sender's preparation and its confirmation; a mail that cannot be built sends nothing
// and the user is told so.
//
// The controls around the inner sheet are the same on every page: the subject above it
// (edit 1891, cut where a character ends at the page's limit), the inline-image buttons,
// and below it the attachment names with their button and the running mail size with its
// detail and test-send buttons. The derived page builds them through AddSubjectRow,
// AddInlineImageButtons and AddAttachmentAndSizeRows, with its own buttons in between, and
// answers the size detail and the test send for its recipients.
//
// Everything runs on the GUI thread; texts are Shift_JIS.

#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/compose/mail_page_interface.h"
#include "app/widgets/sheet_page.h"
#include "app/ui/font_layer.h"
#include "core/mailstore/mime_analyze.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace compose {
class SjisLimitedEdit;
}

namespace shell {
class CVarnisPropertySheet;
}

namespace htmledit {

class CAttachmentSettingDlg;
class CInlineImageSettingDlg;
class CMailEditHtmlSubPageHtmlpart;
class CMailEditHtmlSubPagePreview;
class CMailEditHtmlSubPageTextpart;
class HtmlPageAttachments;
class HtmlPreviewFile;

class CMailEditPageHtmlBase : public QWidget, public compose::HtmlMailPage, public shell::SheetPage {
    Q_OBJECT
public:
    // The controls every page has.
    enum : int {
        kIdcSubject = 1891,
        kIdcInlineImages = 1898,
        kIdcRemoveUnused = 1908,
        kIdcAttachNames = 1876,
        kIdcTotalSize = 1822,
        kIdcSizeDetail = 1902,
        kIdcTestSend = 1835,
    };

    // The message the model starts from (509 bytes, CR LF line ends).
    static const std::string& TemplateMessage();

    // `textMaximum` / `htmlMaximum`: the bytes the TEXT and HTML parts may hold (0: no
    // limit); `wrapPosition`: the TEXT part's first wrap position in pixels; `captionId`
    // is always 0.
    CMailEditPageHtmlBase(int resourceId, std::size_t textMaximum, std::size_t htmlMaximum, int wrapPosition,
                          int captionId = 0, QWidget* parent = nullptr);
    ~CMailEditPageHtmlBase() override;

    int GetResourceId() const { return resourceId_; }
    // The slot of the work record the page edits (0 PC, 1 NTT DoCoMo, 2 au TU-KA, 3 SoftBank).
    virtual int MailSlot() const = 0;

    // ---- The page's own operations -------------------------------------------------------
    // The notice about the TEXT part (key "TEXTPART"), at most once per composing dialog;
    // the TEXT tab asks for it each time it becomes active.
    virtual void ShowTextPartNotice();
    // Shows the sum of the subject, HTML part, TEXT part, inline images and attachments in
    // bytes (static 1822, with thousands separators).
    virtual void UpdateMailSizeDisplay();
    // The model's message text, the TEXT and HTML tabs' texts taken into the model first:
    // header, "\r\n", body. 1, or 0 when it cannot be written.
    virtual int GetMimeText(std::string& out);
    // The page's mail merged for `record` as the test sender sends it, its parts made for
    // the page's terminal type (its slot): 1 built, 0 failed.
    virtual int BuildTestMime(const OneCustomer& record, std::string& header, std::string& body);
    // The size detail button and the test-send button, each page for its recipients.
    virtual void OnSizeDetail() = 0;
    virtual void OnTestSend() = 0;

    // ---- The subject, attachment and size controls ------------------------------------------
    std::string GetSubject() const;
    compose::SjisLimitedEdit* SubjectEdit() const { return subject_; }
    // The attachments of the record's slot into the attachment list, then the model's TEXT
    // and HTML parts into their tabs.
    void LoadFromMail();

    // The inner sheet: preview, HTML part, TEXT part (the preview active). Once.
    void OnInitDialog();
    bool IsSheetCreated() const { return sheetCreated_; }
    // True only once the sheet exists and the HTML / TEXT tab is the active one.
    bool IsHtmlPartActive() const;
    bool IsTextPartActive() const;

    // ---- Model -----------------------------------------------------------------------------
    // The TEXT / HTML part's body in Shift_JIS: 1, or 0 when the model has no such part or
    // it cannot be converted.
    int GetTextBody(std::string& out) const;
    int GetHtmlBody(std::string& out) const;
    // Replaces the body of the TEXT / HTML part (its headers stay). 1.
    int SetTextBody(const std::string& text);
    int SetHtmlBody(const std::string& html);
    // The inline parts become copies of `parts`.
    void SetInlineParts(const std::vector<MimeFormatStruct>& parts);
    const std::vector<MimeFormatStruct>& GetInlineParts() const;
    // The first inline part with that Content-ID: 1 with its index, or 0.
    int FindInlinePart(const std::string& contentId, int& index) const;
    void RemoveInlinePartAt(int index);
    // FindInlinePart then RemoveInlinePartAt: 1, or 0 when there is none.
    int RemoveInlinePart(const std::string& contentId);
    // Makes `part` an inline image: exactly the headers "content-type" ("<type>;
    // name=\"<encoded name>\""), "content-transfer-encoding" ("base64") and "content-id"
    // (" <id>"), in this order, the bytes in base64 lines of 76 followed by CR LF.
    static void BuildInlinePart(MimeFormatStruct& part, const std::string& contentType, const std::string& fileName,
                                const std::string& contentId, std::string_view bytes);
    CMimeAnalyze& Model() { return model_; }
    // A stored message text of the page's slot taken apart: its TEXT and HTML parts in
    // Shift_JIS and its inline parts as they stand. A text the mail model cannot read
    // still gives the texts it holds (no inline parts), so saving never writes an empty
    // mail over it. True when the model read it.
    static bool SplitStoredMessage(const std::string& stored, std::string& text, std::string& html,
                                   std::vector<MimeFormatStruct>& inlineParts);

    // ---- Test send ----------------------------------------------------------------------
    // Test kind 0 PC recipient / 1 mobile recipient; terminal type of the page. 1 when the
    // mail went to the sender's confirmation, 0 when it stopped.
    int TestSend(int testKind, int terminalType, compose::SjisLimitedEdit* subjectEdit);

    // ---- Preview --------------------------------------------------------------------------
    // Names a new preview file (and creates it empty): 0 without a preview folder.
    int MakePreviewFileName();
    // Writes the message text into the preview file (naming one first): 1 or 0.
    int WritePreviewFile();
    // Deletes the preview file: 0 when there was none or it could not be deleted.
    int DeletePreviewFile();
    // Deletes the old file, writes a new one and shows it: 1 when both succeeded.
    int UpdatePreview();
    // The preview tab became active: rebuilds a stale preview.
    void OnPreviewActivated();
    void SetPreviewDirty(bool dirty) { previewDirty_ = dirty; }
    bool IsPreviewDirty() const { return previewDirty_; }
    const std::string& GetPreviewFilePath() const;
    const std::string& GetPreviewFolder() const { return previewFolder_; }
    const std::string& GetAttachmentFolder() const { return attachmentFolder_; }

    // ---- Inline images and attachments shared by the pages ------------------------------
    // The slots made anew from the inline parts: every slot emptied, then each part put
    // into the slot of its Content-ID with its name and decoded size. A part whose id
    // matches no slot, or that the limits refuse, is passed over; a part without id, name
    // or size is passed over after its message (each message once), the later parts
    // still fill their slots. Gives "<id> name" of each part with an id and a name that
    // took no slot (the part itself stays in the model).
    std::vector<std::string> FillSlotsFromInlineParts();
    // The inline-image button: runs the settings and takes their result over.
    void OnInlineImages();
    // After the inline-image settings closed with OK: an emptied slot loses its part; a
    // newly assigned file is read again (its size must not have changed, it must read
    // whole, and be GIF or JPEG, else the slot is emptied after a message) and becomes the
    // slot's part. Then the image list, size and preview are refreshed.
    void TakeOverInlineSettings();
    // The button "未使用インライン画像の削除": asks about the images no img src refers to
    // and removes them.
    void OnRemoveUnusedInlineImages();
    // The attachment button: the notice once per dialog, the settings, and their result.
    void OnAttachFiles();
    // The HTML edit's image menu from the slots in use.
    void RefreshInlineList();

    // ---- The sub-pages --------------------------------------------------------------------
    CMailEditHtmlSubPagePreview* PreviewPage() const { return previewPage_; }
    CMailEditHtmlSubPageHtmlpart* HtmlPartPage() const { return htmlPage_; }
    CMailEditHtmlSubPageTextpart* TextPartPage() const { return textPage_; }
    shell::CVarnisPropertySheet* InnerSheet() const { return sheet_; }
    CInlineImageSettingDlg* InlineSettings() const { return inlineSettings_.get(); }
    CAttachmentSettingDlg* AttachmentSettings() const { return attachmentSettings_.get(); }
    HtmlPageAttachments* PageAttachmentFiles() const { return attachments_.get(); }
    compose::MailComposer* GetComposer() const { return composer_; }
    bool IsPageFontSet() const { return pageFontSet_; }
    const ui::LogFont& PageFont() const { return pageFont_; }

    // ---- compose::HtmlMailPage ---------------------------------------------------------------
    QWidget* PageWidget() override { return this; }
    // The subject takes the page's font (its family) each time the page shows.
    bool OnSetActive() override;
    // Writes the subject and the message text (inline images in slot order) into the
    // page's slot of the work record; a message text that cannot be written stores nothing
    // and the user is told so.
    bool SaveToMail() override;
    void DisableAttachmentControls() override;
    void EnableTestButton(bool enable) override;
    // Keeps the subject cut to the page's limit where a character ends.
    void SetSubject(const std::string& subject) override;
    std::string Subject() override { return GetSubject(); }
    void ShowAttachmentNames() override;
    void SetComposer(compose::MailComposer* composer) override { composer_ = composer; }
    // Made when missing (one level): 1, or 0 (the old folder kept).
    int SetAttachmentFolder(const std::string& folder) override;
    // Made when missing; the preview files an earlier run left there are removed. 1 or 0.
    int SetPreviewFolder(const std::string& folder) override;
    void SetEditFont(const ui::LogFont& font) override;
    void SetTextPart(const std::string& text) override;
    void SetHtmlPart(const std::string& html) override;
    std::string HtmlPart() override;
    std::string TextPart() override;
    bool FindInlinePart(const std::string& contentId, MimeFormatStruct& part) override;
    // Replaces the part of the same Content-ID, or adds it in slot order.
    void AppendInlinePart(const MimeFormatStruct& part) override;
    int SetInlineImage(const std::string& contentId, const std::string& fileName, std::uint64_t size) override;
    int RemoveAllInlineImages() override;
    void ResetPage() override;
    void RefreshPage() override;
    std::vector<compose::PageFileEntry> InlineImages() override;
    std::vector<compose::PageFileEntry> Attachments() override;
    // Entry `index` of InlineImages(): its slot is emptied and its part removed.
    bool ClearInlineMark(int index) override;
    void RemoveImageFromEditor(const std::string& contentId) override;
    void RebuildHtmlView() override;
    int GetAttachmentCount() override;
    int GetAttachmentName(int index, std::string& name) override;
    int GetAttachmentSize(int index, std::uint64_t& size) override;
    int GetAttachmentData(int index, std::size_t bufferSize, char* buffer) override;
    int AddAttachmentFromBuffer(const std::string& name, const char* bytes, std::size_t size) override;
    int RemoveAllAttachments() override;
    // Deletes attachment `index`'s copy and entry: 0 when there is none or its copy cannot
    // be deleted.
    int RemoveAttachmentAt(int index);

protected:
    // The page's two settings objects (its carrier's limits), taken over once by the
    // derived page's constructor.
    void BindLimits(std::unique_ptr<CAttachmentSettingDlg> attachments,
                    std::unique_ptr<CInlineImageSettingDlg> inlineImages);
    // Rows above and below the inner sheet, for the derived page's controls.
    QVBoxLayout* TopArea() const { return topArea_; }
    QVBoxLayout* BottomArea() const { return bottomArea_; }
    // A page's push button: never a default button, so Enter in an edit presses nothing.
    static QPushButton* MakePageButton(QWidget* parent, const char* text, int id);
    // The subject row ("件名", edit 1891 holding at most `subjectBytes`) into the top area.
    // The edit drops its selection when it takes the focus and updates the size figure.
    void AddSubjectRow(std::size_t subjectBytes);
    // The buttons "インライン画像の登録(&I)" (1898) and "未使用インライン画像の削除(&U)"
    // (1908) into `row`.
    void AddInlineImageButtons(QHBoxLayout* row);
    // Below the sheet: the attachment row (its label, with `attachLabelId` when not 0, the
    // names 1876 and the button "添付(&F)" `attachButtonId`) and the size row (`sizeLabel`,
    // with `sizeLabelId` when not 0, the figure 1822 with "バイト", "詳細(&M)" 1902 and
    // "テスト送信(&T)" 1835).
    void AddAttachmentAndSizeRows(int attachLabelId, int attachButtonId, const char* sizeLabel, int sizeLabelId);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The bytes of the HTML part, the TEXT part, the inline images and the attachments.
    std::uint64_t PartsAndFilesSize() const;
    // The inline parts in the order of their slots (parts of no slot last).
    void SortInlinePartsBySlot();
    void ShowError(const QString& text);

    // What the pages share beyond their own limits:
    // The page's mail merged for `record` as BuildTestMime gives it, its TEXT and HTML
    // parts made for `terminalType` (0 PC ... 3 SoftBank) by the send engine: 1 or 0.
    int BuildTestMimeForTerminal(int terminalType, const OneCustomer& record, std::string& header,
                                 std::string& body);
    // The size detail button: the composing dialog measures `subject` and the parts over
    // the destinations of kind letter `kind` for `terminal`, as mail kind `format`, and
    // the size detail dialog shows the result.
    void ShowSizeDetail(char kind, int format, int terminal, const std::string& subject);
    // System option 100 is "Y": the environment sends no attachments.
    static bool AttachmentsNotSent();
    // The sender address of the system settings: the domain of the test copy's Content-IDs.
    static std::string SenderAddress();

private:
    void OnInnerPageChanged(int index);
    int SlotOfContentId(const std::string& contentId) const;

    int resourceId_;
    compose::MailComposer* composer_ = nullptr;
    CMimeAnalyze model_;
    shell::CVarnisPropertySheet* sheet_ = nullptr;
    CMailEditHtmlSubPagePreview* previewPage_ = nullptr;
    CMailEditHtmlSubPageHtmlpart* htmlPage_ = nullptr;
    CMailEditHtmlSubPageTextpart* textPage_ = nullptr;
    bool sheetCreated_ = false;
    int previewIndex_ = -1;
    int htmlIndex_ = -1;
    int textIndex_ = -1;
    bool previewDirty_ = true;
    bool pageFontSet_ = false;
    ui::LogFont pageFont_;
    std::string attachmentFolder_;
    std::string previewFolder_;
    std::unique_ptr<HtmlPreviewFile> previewFile_;
    // Declared before the attachments, which delete their copies through the settings.
    std::unique_ptr<CAttachmentSettingDlg> attachmentSettings_;
    std::unique_ptr<CInlineImageSettingDlg> inlineSettings_;
    std::unique_ptr<HtmlPageAttachments> attachments_;
    QVBoxLayout* column_ = nullptr;
    QVBoxLayout* topArea_ = nullptr;
    QVBoxLayout* bottomArea_ = nullptr;
    std::size_t subjectBytes_ = 0;
    compose::SjisLimitedEdit* subject_ = nullptr;
    QLineEdit* attachNames_ = nullptr;
    QPushButton* attachButton_ = nullptr;
    QLabel* totalSize_ = nullptr;
    QPushButton* testButton_ = nullptr;
};

}  // namespace htmledit
