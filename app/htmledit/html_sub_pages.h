#pragma once
// The two editing tabs of every HTML mail page (html_mail_page_base.h): the HTML part
// (CMailEditHtmlSubPageHtmlpart, dialog 2012, "HTMLパート": the mail's HTML source) and
// the TEXT part (CMailEditHtmlSubPageTextpart, dialog 2011, "TEXTパート": the plain-text
// alternative that mail programs without HTML show, under a wrap ruler). The third tab,
// the preview, is preview_page.h.
//
// Both are plain Shift_JIS editors (CMailBodyEditHtml 1893 / CMailBodyEdit 1892) with a
// byte maximum given by their page (0: none):
//  - SetText cuts a longer text where a character ends: walking by characters (a lead
//    byte with its trail byte, a CR LF pair, any other byte), a character that would end
//    past the maximum is left out, so the text never ends in half a character or in a CR
//    without its LF;
//  - typing, pasting and insertions are refused whole when the text would pass the
//    maximum, as the edit refuses them (compose::SjisLimitedEdit);
//  - the selection is remembered when the edit loses the focus and put back when it gets
//    the focus again; OnInsertText (a pictogram from the palette) replaces that
//    remembered selection, so the palette taking the focus does not move the insertion
//    point. An insertion that would pass the maximum is dropped without a message;
//  - leaving the edit is told to the notify function once one is set (the mobile pages
//    route the palette by it), with 3 for the HTML part and 2 for the TEXT part;
//  - a change of the HTML part marks the page's preview stale and refreshes the page's
//    size figure; a change of the TEXT part refreshes only the size figure, so the TEXT
//    part never costs a preview rebuild.
// The TEXT tab tells its page each time it becomes active, so the page can show its
// one-time notice about what the TEXT part is for.
//
// The tabs are made with their page; OnInitDialog (run by the page's inner sheet the
// first time the tab shows) applies the font, the ruler and the wrap. Texts set earlier
// are kept in the edit and shown as they are. GUI thread only.

#include <QWidget>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "app/widgets/sheet_page.h"
#include "app/ui/font_layer.h"

class QLabel;

namespace compose {
class CWrapRuler;
}

namespace htmledit {

class CMailBodyEdit;
class CMailBodyEditHtml;
class CMailEditPageHtmlBase;

// The start of `text` that SetText keeps for `maximum` bytes (0: the whole text).
std::string CutToMaximum(std::string_view text, std::size_t maximum);

class CMailEditHtmlSubPagePart : public QWidget, public shell::SheetPage {
    Q_OBJECT
public:
    // What the notify function is told when the edit loses the focus.
    enum : int { kLeftTextPart = 2, kLeftHtmlPart = 3 };
    using NotifyFunction = std::function<void(int which)>;

    ~CMailEditHtmlSubPagePart() override;

    int GetResourceId() const { return resourceId_; }
    void SetOwnerPage(CMailEditPageHtmlBase* owner) { owner_ = owner; }
    CMailEditPageHtmlBase* GetOwnerPage() const { return owner_; }
    std::size_t GetMaximum() const { return maximum_; }

    // Stores `text` cut to the maximum (see above).
    void SetText(const std::string& text);
    std::string GetText() const;
    // The bytes of the text now (what GetText().size() gives, without converting).
    std::size_t GetByteCount() const;
    // The edit's font from now on (applied at once once the tab has shown).
    void SetEditFont(const ui::LogFont& font);
    // Turns the leave notifications on, to `notify`.
    void SetNotifyWindow(NotifyFunction notify);
    // Replaces the remembered selection with `sjis`, puts the caret after it and gives the
    // edit the focus; nothing changes when the text would pass the maximum. Always 1.
    int OnInsertText(std::string_view sjis);
    // Remembers the edit's selection now (as a loss of focus does).
    void RememberSelection();
    // The remembered selection (byte offsets).
    std::size_t SavedSelectionStart() const { return selStart_; }
    std::size_t SavedSelectionEnd() const { return selEnd_; }

    CMailBodyEdit* Edit() const { return edit_; }

    bool IsInitialised() const { return initialised_; }
    // The tab's opening, once.
    void InitialisePage();
    // The tab became the active one.
    virtual bool OnSetActive();

protected:
    CMailEditHtmlSubPagePart(int resourceId, int which, std::size_t maximum, CMailBodyEdit* edit,
                             QWidget* parent);
    virtual void OnInitDialog();
    // The edit's text changed.
    virtual void OnTextChanged() = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;

    bool fontSet_ = false;
    ui::LogFont font_;

private:
    int resourceId_;
    int which_;
    std::size_t maximum_;
    CMailBodyEdit* edit_;
    CMailEditPageHtmlBase* owner_ = nullptr;
    std::size_t selStart_ = 0;
    std::size_t selEnd_ = 0;
    NotifyFunction notify_;
    bool notificationsOff_ = true;
    bool initialised_ = false;
};

class CMailEditHtmlSubPageHtmlpart : public CMailEditHtmlSubPagePart {
    Q_OBJECT
public:
    static constexpr int kIdd = 2012;
    enum : int { kIdcEdit = 1893 };

    explicit CMailEditHtmlSubPageHtmlpart(std::size_t maximum = 0, QWidget* parent = nullptr);

    CMailBodyEditHtml* HtmlEdit() const;
    bool OnSetActive() override;

protected:
    void OnTextChanged() override;
};

class CMailEditHtmlSubPageTextpart : public CMailEditHtmlSubPagePart {
    Q_OBJECT
public:
    static constexpr int kIdd = 2011;
    enum : int { kIdcEdit = 1892, kIdcWrapPosition = 1879, kIdcCursorPosition = 1882 };
    // The ruler sits this far above the edit.
    static constexpr int kRulerOffset = 18;

    explicit CMailEditHtmlSubPageTextpart(std::size_t maximum = 0, int wrapPosition = 580, QWidget* parent = nullptr);

    int GetWrapPosition() const { return wrapPosition_; }
    compose::CWrapRuler* Ruler() const { return ruler_; }
    // Shows the owner's TEXT-part notice first.
    bool OnSetActive() override;

protected:
    void OnInitDialog() override;
    void OnTextChanged() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The cursor position text: where the edit's caret stands, in pixels.
    void ShowCaretPosition();
    void PlaceRuler();

    int wrapPosition_;
    compose::CWrapRuler* ruler_ = nullptr;
    QLabel* wrapText_ = nullptr;
    QLabel* cursorText_ = nullptr;
};

}  // namespace htmledit
