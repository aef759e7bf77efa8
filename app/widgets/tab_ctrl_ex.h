#pragma once
// CTabCtrlEx: the tab row of a property sheet, with tabs that can be disabled and with a
// page that may refuse to be left.
//
// Attached to a sheet, it takes every way a user changes the tab and applies these rules:
//  - Left/Up selects the previous tab, wrapping from the first to the last; Right/Down
//    the next, wrapping from the last to the first (on the tab row); Ctrl+Tab and
//    Ctrl+PageDown, Ctrl+Shift+Tab and Ctrl+PageUp do the same from anywhere in the sheet.
//    A step onto a disabled tab goes on to the next enabled tab in that direction.
//  - A click on a disabled tab, or beside the tabs, is refused; so is a mnemonic of a
//    disabled tab. The mouse wheel does not change tabs.
//  - Before any change the active page is asked (SheetPage::OnKillActive); a page that
//    refuses keeps the selection. The sheet's tab widget then reports the change
//    (QTabWidget::currentChanged).
// Disabled tabs are drawn in the style's own disabled look.
//
// Every sheet has one attached from the start. A screen that keeps a CTabCtrlEx of its
// own may attach it instead; while it lives it serves the sheet, and when it is destroyed
// the sheet's own one takes over again. The disabled state belongs to the tabs, so it
// stays as it was across that change.

#include <QObject>
#include <QPointer>

class QTabWidget;

namespace shell {

class CVarnisPropertySheet;

class CTabCtrlEx : public QObject {
    Q_OBJECT
public:
    explicit CTabCtrlEx(QObject* parent = nullptr);
    ~CTabCtrlEx() override;

    // Takes over the tab row of `sheet` (from the CTabCtrlEx that served it, and from any
    // sheet this one served before). False when `sheet` is null.
    bool AttachToSheet(CVarnisPropertySheet* sheet);

    // Enables or disables tab `index`; true when the tab is now as asked. Disabling the
    // selected tab first selects the next enabled tab (after it, wrapping to the first),
    // without asking the page; when there is none the call fails and the tab stays
    // enabled. False for an index out of range or when not attached.
    bool EnableItem(int index, bool enable);
    // False for a disabled tab, an index out of range, or when not attached.
    bool IsItemEnabled(int index) const;

    // Selects tab `index` as the program asks, without asking the page. An enabled tab is
    // selected. A disabled one is refused unless it is a step to a neighbour of the
    // selected tab (or a wrap between the first and the last); then the next enabled tab
    // in that direction is selected (searching to the end and on from the start, or
    // backwards), or nothing when there is none. Returns the tab selected before, or -1
    // when refused.
    int SetCurSel(int index);
    // The selected tab, or -1.
    int GetCurSel() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class CVarnisPropertySheet;

    void Detach();
    // A change the user asked for: the tab `index` resolves to, after the page agreed.
    void UserSelect(int index);
    // A keyboard step: +1 next, -1 previous, both wrapping.
    void Step(int direction);

    QPointer<CVarnisPropertySheet> m_sheet;
    QPointer<QTabWidget> m_tabs;
};

}  // namespace shell
