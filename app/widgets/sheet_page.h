#pragma once
// SheetPage: what a property sheet (CVarnisPropertySheet) asks its pages. A page is any
// QWidget; one that also derives from SheetPage answers the questions below, a plain
// widget answers yes to all of them.
//
//   class CMyPage : public QWidget, public shell::SheetPage { ... };

class QWidget;

namespace shell {

class SheetPage {
public:
    virtual ~SheetPage() = default;

    // The page is about to be left: for another tab, or for OK or Apply. Check what the
    // user entered, say what is wrong (through ui::MessageBox) and answer false to keep
    // the page on screen.
    virtual bool OnKillActive() { return true; }
    // OK or Apply, after the active page agreed to be left: store the page's values.
    // False stops the OK or Apply and shows this page.
    virtual bool OnApply() { return true; }
    // Cancel, Escape or the close box: the sheet closes without storing.
    virtual void OnCancel() {}
};

// The SheetPage side of `page`, or null for a plain widget (or null).
SheetPage* AsSheetPage(QWidget* page);

// True when `page` may be left: a plain widget always, a SheetPage when OnKillActive agrees.
bool PageMayBeLeft(QWidget* page);

}  // namespace shell
