#pragma once
// CMailEditPageBase: what every plain-text page of the composing dialog shares - the PC
// page, the four carrier pages and the MOZiO and Paldio pages that are made but never
// shown. A page edits one slot of the dialog's work record (its page index: 0 PC, 1 NTT
// DoCoMo, 2 au TU-KA, 3 SoftBank, 4 WILLCOM); it holds the subject and body limits (bytes
// of Shift_JIS, a full-width character counting 2), the fonts the dialog gives it, its
// attachment work folder, the byte count under the body and the entry of the test send.
//
// A page's "window" is made when the dialog first shows the page (InitialisePage, run
// once; the dialog shows every page it places once while it opens). Until then the page
// never touches the record: ExchangeTexts does nothing, so a page that was never shown -
// the MOZiO and Paldio pages always - leaves its slot's texts as they were when the mail
// is saved. Fonts given before that take effect at the page's first activation, later
// ones at the next.
//
// The test send builds the page's mail for the test recipient (BuildTestMime) between
// the test sender's preparation and its confirmation: a mail that cannot be built sends
// nothing, and the user is told so (the sender is asked to let go of what it prepared).
//
// Widgets live on the GUI thread; the record is the dialog's and is read and written only
// through the page index.

#include <QFont>
#include <QWidget>

#include <string>

#include "app/compose/mail_page_interface.h"
#include "app/widgets/sheet_page.h"

class QLabel;
class QHBoxLayout;

namespace compose {

class CMailTextEdit;

class CMailEditPageBase : public QWidget, public shell::SheetPage {
    Q_OBJECT
public:
    enum : int { kIdcSubject = 1022, kIdcBody = 1015, kIdcCount = 1554, kIdcMax = 1873 };

    explicit CMailEditPageBase(int resourceId, QWidget* parent = nullptr);
    ~CMailEditPageBase() override;

    int GetResourceId() const { return resourceId_; }

    void SetOwner(MailComposer* owner) { owner_ = owner; }
    MailComposer* GetOwner() const { return owner_; }
    // -1 until the owner assigns it.
    void SetPageIndex(int index) { pageIndex_ = index; }
    int GetPageIndex() const { return pageIndex_; }

    // The page's edits (GetSubjectCtrl / GetBodyCtrl are the same controls again).
    virtual CMailTextEdit* GetSubjectEdit() = 0;
    virtual CMailTextEdit* GetBodyEdit() = 0;
    CMailTextEdit* GetBodyCtrl() { return GetBodyEdit(); }
    CMailTextEdit* GetSubjectCtrl() { return GetSubjectEdit(); }
    virtual void SetSubjectText(const std::string& sjis);
    virtual int GetBodyLimit() const { return bodyLimit_; }
    // 0: no limit.
    virtual int GetSubjectLimit() const { return subjectLimit_; }
    // The page's mail merged for `record`, as the test sender sends it: the header block
    // and the body of the MIME text. 1 built, 0 failed.
    virtual int BuildTestMime(const OneCustomer& record, std::string& header, std::string& body) = 0;
    // Shows the body's length in bytes in static 1554.
    virtual void UpdateCharCount();

    // The fonts reach the edits at the page's next activation. 1.
    int SetSubjectFont(const QFont& font);
    int SetBodyFont(const QFont& font);
    bool IsSubjectFontSet() const { return subjectFontSet_; }
    bool IsBodyFontSet() const { return bodyFontSet_; }

    // The page's attachment work folder (ends in '/'). A missing folder is made (one level,
    // no parents); 1 when the folder is there, 0 when it is not and cannot be made (the
    // previous folder stays). The page is told of a new folder (OnWorkFolderSet).
    int SetWorkFolder(const std::string& path);
    const std::string& GetWorkFolder() const { return workFolder_; }

    // With toPage the record's subject and body of the page index go into the edits,
    // otherwise the edits' texts into the record. Nothing before the page's window exists.
    void ExchangeTexts(bool toPage);

    // The test send of the page's mail (sender kind 0 PC recipient, 1 mobile recipient).
    void SendTestMail(int senderKind, int pageIndex);

    // The page's window: made once (OnInitDialog), before the page is first shown.
    bool IsInitialised() const { return initialised_; }
    void InitialisePage();
    // The page became the active one; false refuses the activation.
    virtual bool OnSetActive();
    // A pictogram was chosen in a palette (WM_INSERT_TEXT); pages without one ignore it.
    virtual void OnInsertText() {}

protected:
    virtual void OnInitDialog();
    // SetWorkFolder took a new folder (GetWorkFolder() gives it).
    virtual void OnWorkFolderSet() {}
    // The row "文字数 ：" 1554 "/" 1873 that shows the count and the limit.
    QHBoxLayout* MakeCountRow();
    // The merged text part of `body` for terminal `termType` made into a mail with the
    // test attachment parts the sender prepared: header block and body. 1, or 0 when a
    // step failed.
    int BuildTextTestMime(const OneCustomer& record, const std::string& bodyText, int termType, std::string& header,
                          std::string& body);

    int bodyLimit_ = 0;
    int subjectLimit_ = 0;

private:
    int resourceId_;
    MailComposer* owner_ = nullptr;
    int pageIndex_ = -1;
    bool initialised_ = false;
    bool subjectFontSet_ = false;
    bool bodyFontSet_ = false;
    QFont subjectFont_;
    QFont bodyFont_;
    std::string workFolder_;
    QLabel* count_ = nullptr;
    QLabel* max_ = nullptr;
};

}  // namespace compose
