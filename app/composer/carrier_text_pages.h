#pragma once
// The text pages of the carriers, shown on the mobile page (mail_edit_page_text_mobile.h):
//
//   class                 dialog  page  body / subject   attachments        palette
//   CMailEditPageImode    147     1     10000 / 30       10 / 2,097,152     yes (+ reflect)
//   CMailEditPageEzweb    148     2     10000 / 100      5 / 512,000        yes
//   CMailEditPageJsky     149     3     10000 / 40       20 / 256,000       yes
//   CMailEditPagePmaildx  150     4     40000 / 256      20 / 358,400       no
//
// and the MOZiO (151, body 1024) and Paldio (152, body 3000) pages, which the dialog makes
// and asks to save but never shows: they never touch the record.
//
// Pictograms are always entered as NTT DoCoMo Shift_JIS codes, whatever the carrier (the
// send run converts them); each palette shows the 200 pictograms in the same order. The
// palette is its own window, so it takes the focus: the page remembers, when the subject
// or the body loses the focus, which of the two it was and its selection in bytes. A
// chosen pictogram reaches the page through the composing dialog and the mobile page
// (OnInsertText); it replaces that remembered selection of the edit that has the focus
// again - nothing when the focus is elsewhere, and nothing when the text would pass the
// edit's limit (a 29-byte DoCoMo subject takes no pictogram). Leaving the page hides its
// palette; the button "絵文字(&P)" shows the same palette again.
//
// "他キャリアにも反映(&O)" of the NTT DoCoMo page copies subject, body (uncut: the DoCoMo
// limits are the smallest) and attachments into the au TU-KA, SoftBank and WILLCOM pages,
// after the confirmation (pending again at every opening of the page) and the attachment
// questions (text_reflection.h).
//
// The palette inserts where the caret was when it opened, whether by the button or by its
// shortcut: the edit that has the focus at that moment, or else the one left last.

#include <cstddef>
#include <memory>
#include <string>

#include "app/composer/text_mail_page.h"
#include "app/compose/pictogram_input_dlg.h"

class QPushButton;

namespace compose {

class CPictogramDialog;

// A carrier's text page: the layout of dialogs 147-150, the palette where the carrier has
// one.
class CarrierTextPage : public TextMailPage {
    Q_OBJECT
public:
    enum : int { kIdcCursorPosition = 1882, kIdcAttach = 1894, kIdcPictogram = 1886 };
    static constexpr int kWrapPosition = 240;

    // `firstBitmap` of the carrier's pictogram drawings, 0 for a page without a palette.
    CarrierTextPage(int resourceId, int bodyLimit, int subjectLimit,
                    std::unique_ptr<htmledit::AttachmentLimitDlg> attachments, int firstBitmap,
                    QWidget* parent = nullptr);
    ~CarrierTextPage() override;

    CPictogramDialog* Palette() const { return palette_; }
    // The palette's entries of a carrier: the 200 pictograms, each with its drawing's id
    // (`firstBitmap` + position; SoftBank draws its last four from ids 533, 534, 735, 736).
    static PictogramList MakePaletteList(int firstBitmap);

    // "絵文字(&P)": the focus goes back to the last edit and the palette shows.
    void ShowPalette();
    void OnInsertText() override;
    bool OnKillActive() override;
    // The palette hides (leaving the page, or the mobile page).
    void ClosePalette();

    int ContentCheckTarget() const override { return GetPageIndex() + 1; }
    int SenderKind() const override { return 1; }

    // The edit that lost the focus last (1022 or 1015) and its selection in bytes (-1: none).
    int LastEditId() const { return lastEdit_; }
    long long SavedStart() const { return savedStart_; }
    long long SavedEnd() const { return savedEnd_; }

protected:
    void OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QPushButton* pictogramButton_ = nullptr;

private:
    // `edit` (the subject or the body) and its selection are where a pictogram goes.
    void RememberCaret(SjisLimitedEdit* edit);

    int firstBitmap_;
    CPictogramDialog* palette_ = nullptr;
    int lastEdit_ = kIdcBody;
    long long savedStart_ = -1;
    long long savedEnd_ = -1;
};

class CMailEditPageImode : public CarrierTextPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 147;
    enum : int { kIdcReflect = 1906 };
    explicit CMailEditPageImode(QWidget* parent = nullptr);

    // "他キャリアにも反映(&O)".
    void ReflectToOtherCarrierPages();
    bool IsReflectionPending() const { return reflectionPending_; }
    QPushButton* ReflectButton() const { return reflectButton_; }

protected:
    void OnInitDialog() override;

private:
    QPushButton* reflectButton_ = nullptr;
    bool reflectionPending_ = true;
};

class CMailEditPageEzweb : public CarrierTextPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 148;
    explicit CMailEditPageEzweb(QWidget* parent = nullptr);
};

class CMailEditPageJsky : public CarrierTextPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 149;
    explicit CMailEditPageJsky(QWidget* parent = nullptr);
};

class CMailEditPagePmaildx : public CarrierTextPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 150;
    explicit CMailEditPagePmaildx(QWidget* parent = nullptr);
};

// The MOZiO and Paldio pages: a subject and a body without limits on input, and nothing
// to send in a test.
class CMailEditPageSimple : public CMailEditPageBase {
    Q_OBJECT
public:
    CMailEditPageSimple(int resourceId, int bodyLimit, QWidget* parent = nullptr);
    CMailTextEdit* GetSubjectEdit() override { return subject_; }
    CMailTextEdit* GetBodyEdit() override { return body_; }
    int BuildTestMime(const OneCustomer&, std::string&, std::string&) override { return 1; }

private:
    CMailTextEdit* subject_ = nullptr;
    CMailTextEdit* body_ = nullptr;
};

class CMailEditPageMozio : public CMailEditPageSimple {
    Q_OBJECT
public:
    static constexpr int kIdd = 151;
    explicit CMailEditPageMozio(QWidget* parent = nullptr) : CMailEditPageSimple(kIdd, 1024, parent) {}
};

class CMailEditPagePaldio : public CMailEditPageSimple {
    Q_OBJECT
public:
    static constexpr int kIdd = 152;
    explicit CMailEditPagePaldio(QWidget* parent = nullptr) : CMailEditPageSimple(kIdd, 3000, parent) {}
};

}  // namespace compose
