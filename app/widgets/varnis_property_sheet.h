#pragma once
// CVarnisPropertySheet: the base of the program's property sheets. A dialog with a row of
// tabs over pages and the buttons OK (control 1), キャンセル (2) and 適用(&A) (12321); the
// tab widget is control 12320. The sheet and every page draw in the dialog font
// "MS UI Gothic" 9 points, which the font layer maps onto the program's Japanese font.
//
// Pages are plain widgets added with AddPage; a page that derives from SheetPage is asked
// before it is left, on OK and Apply, and told of Cancel:
//  - OK: the active page must agree to be left, then every page stores its values in tab
//    order (OnApply); a page that refuses is shown and the sheet stays open. Then the
//    sheet closes with IDOK. Apply does the same and stays open.
//  - Cancel, Escape and the close box: every page hears OnCancel, the sheet closes with
//    IDCANCEL.
// Tab changes go through the attached CTabCtrlEx (tab_ctrl_ex.h), which asks the page too.
//
// A sheet runs modally (DoModal) or modelessly (Create). A modeless sheet has no buttons
// (its owner handles what OK and Cancel would do); created with the child style it sits
// inside its parent as a control does, and leaves Escape and Enter to the parent dialog.

#include <QDialog>
#include <QFont>
#include <QPointer>

#include <cstdint>

#include "app/widgets/tab_ctrl_ex.h"

class QPushButton;
class QTabWidget;

namespace shell {

class CVarnisPropertySheet : public QDialog {
    Q_OBJECT
public:
    // Window styles that Create understands; other bits are accepted and ignored.
    static constexpr std::uint32_t kWsChild = 0x40000000;    // a child inside the parent
    static constexpr std::uint32_t kWsVisible = 0x10000000;  // shown at once
    static constexpr std::uint32_t kWsSysMenu = 0x00080000;  // a window with a close box
    // Style -1 of Create stands for this, with the system menu added.
    static constexpr std::uint32_t kDefaultStyle = 0x90C020C4;
    static constexpr std::uint32_t kUseDefaultStyle = 0xFFFFFFFF;

    // Control numbers of the sheet's parts.
    enum : int { kIdcOk = 1, kIdcCancel = 2, kIdcTabControl = 12320, kIdcApply = 12321 };

    // `selectPage` is the page shown first when the sheet opens.
    explicit CVarnisPropertySheet(const QString& caption, QWidget* parent = nullptr, int selectPage = 0);
    ~CVarnisPropertySheet() override;

    // "MS UI Gothic", 9 points.
    static QFont DialogFont();

    // Adds `page` (the sheet takes it over) as the last tab, titled `title`, in the dialog
    // font.
    void AddPage(QWidget* page, const QString& title);
    int GetPageCount() const;
    QWidget* GetPage(int index) const;  // null when out of range
    QWidget* GetActivePage() const;
    int GetActiveIndex() const;
    // Shows page `index` after the active page agreed to be left; a disabled tab follows
    // the rule of CTabCtrlEx::SetCurSel. False when refused.
    bool SetActivePage(int index);

    QTabWidget* GetTabControl() const { return m_tabs; }
    // The CTabCtrlEx serving the tabs now (the sheet's own unless another was attached).
    CTabCtrlEx* GetTabCtrlEx() const;

    // Runs the sheet modally: 1 (IDOK) or 2 (IDCANCEL).
    int DoModal();
    // Creates the sheet modelessly with window style `style` (kUseDefaultStyle: the
    // default, a popup with a close box) under `parent`. Of the styles, the child style,
    // visibility and the close box are honoured; the extended style is ignored. 1, or 0
    // when a child is asked for without a parent or the sheet is already shown.
    int Create(QWidget* parent = nullptr, std::uint32_t style = kUseDefaultStyle, std::uint32_t exStyle = 0);

    // OK: see above. A sheet embedded as a child neither accepts nor rejects itself.
    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class CTabCtrlEx;

    // The active page agrees to be left and every page stores its values.
    bool ApplyPages();
    void SelectFirstPage();
    // `gone` is being destroyed: the sheet's own tab control takes over again if needed.
    void TabCtrlGone(CTabCtrlEx* gone);
    bool IsEmbedded() const { return !isWindow(); }

    int m_selectPage;
    QTabWidget* m_tabs;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_apply;
    QWidget* m_buttonRow;
    CTabCtrlEx* m_ownTabCtrl;
    QPointer<CTabCtrlEx> m_tabCtrl;
};

}  // namespace shell
