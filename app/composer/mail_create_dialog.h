#pragma once
// CMailCreateDialog (dialog 118, "メール作成"): where one mail is written or edited - a new
// text mail, a new HTML mail, a stored mail, or a copy of a stored mail. It holds a sheet
// with one page per terminal type of the mail's format (text: the PC page and the mobile
// page with the four carrier pages; HTML: the PC page, or the NTT DoCoMo, au TU-KA and
// SoftBank pages, or the page of a stored MIME text), the destination (a saved list of the
// address book) with its honorific, and the reserved date and time.
//
// Kind letter of the mail: "N" text, "Y" HTML for PCs, "M" HTML for mobile phones. An HTML
// mail made from a stored MIME text (HTML kind 2) is an HTML mail for PCs: its page is
// saved into the PC slot and the mail stored, checked and sent as "Y" - never as a carrier
// mail with empty carrier pages.
//
// Opening (OnInitDialog) loads the mail into the work record (OneMailMaker), takes a
// copy's content from its source (and, when the user agrees, its send history as the new
// destinations; "(メールID%dの履歴から生成)" is appended to the name), prepares the work
// folders MAIL/ATEMP/<tt>/ and gives each page its folder, fonts and the record, opens
// every page once, loads the program's map links (at most 20; more empty the table with a
// message), fills the reservation controls (the first item that begins with the hour, or
// with the minute in two digits, else "00": 9:05 shows 9 and 00), and turns off what may
// not be used (attachments under system option 100 or in the wizard; a test button whose
// recipient has no address or while the program has no test sender).
//
// Buttons (composed_mail_destinations.h for what they do to the files):
//  - "宛先(&A)" chooses the destination list in the address book (in the wizard it saves a
//    draft instead, as OK does);
//  - "下書き保存(&D)" (1), "今すぐ送信(&S)" (32803) and "送信予約日時に送信(&R)" (1353)
//    check the mail, save every page into the record, store it (all of it or nothing,
//    core/mailstore/mail_update.h), write its destination files and its list entry, and
//    close with that command as the result. Send and reserve need a destination and the
//    send-ability check; reserve asks the "RESERVEDATE" confirmation. The status of the
//    mail is left to the caller (a draft while stored here);
//  - "送信可否チェック(&B)" (3) runs the send-ability check alone;
//  - "キャンセル(&C)" (2), Escape and the close box put back the destinations a refresh
//    replaced, and close. When anything the user can change (a subject, a body, an HTML or
//    TEXT part, attachments and inline images, the destination, the reservation) differs
//    from what the dialog showed when it opened, the user is asked first ("確認", OK
//    discards, Cancel - the default - goes back to the mail); with nothing changed the
//    dialog closes at once.
// Any failure is shown and the dialog stays open; a name cut for a message is cut where a
// character ends.
//
// The dialog is also every page's MailComposer (mail_page_interface.h) and the content
// checks' ComposedMailPages. Modal; all on the GUI thread.

#include <QDialog>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/compose/content_checks.h"
#include "app/compose/mail_page_interface.h"
#include "app/ui/font_layer.h"
#include "core/mailstore/one_mail.h"

class OneMailMaker;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {
class CVarnisPropertySheet;
class CTabCtrlEx;
}  // namespace shell

namespace compose {

class CMailEditPageBase;
class CMailEditPageNormal;
class CMailEditPageTextMobile;
class CMailEditPageMozio;
class CMailEditPagePaldio;
class CarrierTextPage;
class ComposedDestinations;
class TextMailPage;

class CMailCreateDialog : public QDialog, public MailComposer, public ComposedMailPages {
    Q_OBJECT
public:
    static constexpr int kIdd = 118;
    enum : int {
        kIdcDestination = 1010,
        kIdcDestinationName = 1046,
        kIdcHonorificLabel = 1039,
        kIdcHonorific = 1770,
        kIdcSheetPlace = 1043,
        kIdcReserveLabel = 1035,
        kIdcReserveDate = 1339,
        kIdcReserveHour = 1025,
        kIdcHourLabel = 1818,
        kIdcReserveMinute = 1027,
        kIdcMinuteLabel = 1819,
        kIdcTestSend = 1835,
        kIdcEmlImport = 1564,
        kIdcSendNow = 32803,
        kIdcReserve = 1353,
        kIdcDraft = 1,
        kIdcCheck = 3,
        kIdcCancel = 2,
    };
    // The result code until a command closes the dialog with OK.
    static constexpr int kNoResult = 1534;
    // The height of the dialog of a text mail.
    static constexpr int kTextMailHeight = 660;

    // textMail 1 with htmlKind 2: a text mail; textMail 0: an HTML mail of htmlKind (0 PC,
    // 1 mobile, 2 a stored MIME text). mailId -1 for a new mail; sourceMailId the mail a
    // new one is copied from (-1: none). `bodyFile`: a file whose content becomes the body
    // of a new text mail.
    CMailCreateDialog(QWidget* parent, int textMail, int htmlKind, int mailId, int sourceMailId,
                      std::optional<std::string> bodyFile = std::nullopt);
    ~CMailCreateDialog() override;

    // Before DoModal.
    void SetWizardMode(bool on) { wizardMode_ = on; }
    // The program's mail font: the edits of every page show in it.
    void SetMailFont(const ui::LogFont& font) { mailFont_ = font; }

    // Opens and runs the dialog: IDOK (1) when a command stored the mail, IDCANCEL (2).
    int DoModal();
    // The opening; false when the dialog cancelled itself (a copy whose source cannot be
    // read, an HTML mail whose pages the program cannot make). DoModal runs it; a test may
    // run it and then work the controls itself.
    bool OnInitDialog();

    // After DoModal: the command that closed the dialog with OK (kNoResult until one did)
    // and the mail's ID as stored.
    int GetResultCode() const { return resultCode_; }
    int GetMailID() const;
    char GetKindLetter() const;

    // The commands of the buttons.
    void OnDestination();
    // 1, 32803, 1353: true when the mail was stored (the dialog then closes).
    bool OnButtonAction(int command);
    // The check button: true when the mail could be sent.
    bool OnCheckSendable();
    void OnCancel();

    // The steps of the buttons, for the content checks and the tests.
    bool SendabilityCheck(char kind, bool warn);

    // ---- Pages -------------------------------------------------------------------------
    CMailEditPageNormal* GetPcPage() const { return pcPage_; }
    CMailEditPageTextMobile* GetMobilePage() const { return mobilePage_; }
    // The text page of terminal `index` (0 PC ... 4 WILLCOM), or null.
    TextMailPage* GetTextPage(int index) const;
    CMailEditPageMozio* GetMozioPage() const { return mozioPage_.get(); }
    CMailEditPagePaldio* GetPaldioPage() const { return paldioPage_.get(); }
    // The HTML page of `format` (HtmlPageFormat), or null.
    HtmlMailPage* GetHtmlPage(int format) const;
    shell::CVarnisPropertySheet* GetSheet() const { return sheet_; }

    // ---- MailComposer --------------------------------------------------------------------
    OneMail& MailRecord() override { return mail_; }
    bool HasStoredMail() const override;
    bool IsWizardMode() const override { return wizardMode_; }
    bool AttachmentsAllowed() const override { return attachmentsAllowed_; }
    void ShowAttachmentNoticeOnce(QWidget* owner) override;
    bool IsTextPartNoticePending() const override { return textPartNotice_; }
    void ClearTextPartNotice() override { textPartNotice_ = false; }
    std::string DestinationText() const override;
    bool GetDestinationsByTerminal(char kind, TerminalIdLists& lists) override;
    bool CheckComposedMail(char kind, int format) override;
    bool CheckMailSizeForCarriers(MailSizeMeasure& record) override;
    void ForwardInsertText() override;
    TestMailService* GetTestMailService() override { return testMail_.get(); }
    std::string& TestSubject() override { return testSubject_; }
    OneCustomer& TestRecipient() override { return testRecipient_; }
    std::vector<MimeFormatStruct>& TestAttachmentParts() override { return testParts_; }
    int CopyTextToCarrierPages(const std::string& subject, const std::string& body) override;
    int CopyDocomoTextToCarrierPages(const std::string& subject, const std::string& body) override;
    bool CopyAttachmentsToCarrierPages(const std::array<bool, 4>& flags) override;
    bool CopyDocomoAttachmentsToCarrierPages(const std::array<bool, 3>& flags) override;
    bool ClearReflectedAttachments() override;
    bool ReflectAttachments(HtmlMailPage& docomo, bool withAttachments) override;
    void ReflectInlineImages(const std::string& subject, const std::string& html, const std::string& text) override;
    void ResetHtmlPages() override;
    void RefreshHtmlPages() override;

    // ---- ComposedMailPages ---------------------------------------------------------------
    std::string TextSubject(int terminal) override;
    std::string TextBody(int terminal) override;
    CheckedHtmlPage* HtmlPage(int kind) override;
    std::string DestinationText() override { return static_cast<const CMailCreateDialog*>(this)->DestinationText(); }
    bool DestinationsByTerminal(char kind, TerminalIdLists& lists) override;

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void MakePages();
    // Opening steps.
    void BindMaker();
    bool TakeCopy();
    void PrepareWorkFolders();
    void PlacePages();
    void ActivateEveryPage();
    void LoadMapLinks();
    void FillReservation();
    void ReadReservation();
    void ApplyFonts();
    void DisableAttachments();
    void EnableTestButtons();
    void EnterWizardMode();
    void ShowGuidance();
    // The sheet's page `index` became active.
    void OnSheetPageChanged(int index);
    void ActivateSheetPage(int index);

    // Button action steps.
    bool SavePages(char kind);
    bool SaveStep(char kind);
    QString DestinationFilesStep(int mailId);
    bool ConfirmReservation();
    // What the user can change, in one text: equal texts mean nothing was changed.
    std::string ContentSnapshot();
    // True when the mail may be closed without saving: nothing changed, or the user agreed.
    bool ConfirmDiscard();
    bool MobileAttachmentAdvice(char kind, const TerminalIdLists& lists);
    // Copies the attachments of `source` into the flagged `targets`.
    bool CopyAttachments(PageAttachments& source, const std::vector<PageAttachments*>& targets);

    // Construction arguments.
    int textMail_;
    int htmlKind_;
    int openedMailId_;
    int sourceMailId_;
    std::optional<std::string> bodyFile_;

    OneMail mail_;
    std::unique_ptr<OneMailMaker> maker_;
    std::string attachTempDir_;
    std::unique_ptr<ComposedDestinations> destinations_;
    ui::LogFont mailFont_;

    // Pages (the sheet owns those it shows).
    shell::CVarnisPropertySheet* sheet_ = nullptr;
    std::unique_ptr<shell::CTabCtrlEx> wizardTabs_;
    CMailEditPageNormal* pcPage_ = nullptr;
    CMailEditPageTextMobile* mobilePage_ = nullptr;
    std::unique_ptr<CMailEditPageMozio> mozioPage_;
    std::unique_ptr<CMailEditPagePaldio> paldioPage_;
    std::vector<std::unique_ptr<HtmlMailPage>> htmlPages_;
    int shownSheetPage_ = 0;

    // Controls.
    QPushButton* destinationButton_ = nullptr;
    QLineEdit* destinationName_ = nullptr;
    QLineEdit* honorific_ = nullptr;
    QDateEdit* reserveDate_ = nullptr;
    QComboBox* reserveHour_ = nullptr;
    QComboBox* reserveMinute_ = nullptr;
    std::vector<QWidget*> reservationControls_;
    QPushButton* draftButton_ = nullptr;

    int resultCode_ = kNoResult;
    bool wizardMode_ = false;
    bool showGuidance_ = false;
    bool attachmentsAllowed_ = true;
    bool attachmentNotice_ = false;
    bool textPartNotice_ = false;
    bool destinationsChosen_ = false;
    int chosenListId_ = -1;
    bool copied_ = false;
    bool initialised_ = false;
    std::optional<std::string> openedContent_;  // ContentSnapshot() once opened

    // Test send.
    std::unique_ptr<TestMailService> testMail_;
    std::string testSubject_;
    OneCustomer testRecipient_;
    std::vector<MimeFormatStruct> testParts_;
};

}  // namespace compose
