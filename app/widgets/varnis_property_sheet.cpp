#include "app/widgets/varnis_property_sheet.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/widgets/sheet_page.h"
#include "app/widgets/tab_ctrl_ex.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace shell {

CVarnisPropertySheet::CVarnisPropertySheet(const QString& caption, QWidget* parent, int selectPage)
    : QDialog(parent), m_selectPage(selectPage) {
    setWindowTitle(caption);
    setFont(DialogFont());

    m_tabs = ui::SetControlId(new QTabWidget(this), kIdcTabControl);
    m_buttonRow = new QWidget(this);
    m_ok = ui::SetControlId(new QPushButton(QStringLiteral("OK"), m_buttonRow), kIdcOk);
    m_cancel = ui::SetControlId(new QPushButton(ui::U8("キャンセル"), m_buttonRow), kIdcCancel);
    m_apply = ui::SetControlId(new QPushButton(ui::U8("適用(&A)"), m_buttonRow), kIdcApply);
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout(m_buttonRow);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttonRow);

    connect(m_ok, &QPushButton::clicked, this, &CVarnisPropertySheet::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CVarnisPropertySheet::reject);
    connect(m_apply, &QPushButton::clicked, this, [this] { ApplyPages(); });

    m_ownTabCtrl = new CTabCtrlEx(this);
    m_ownTabCtrl->AttachToSheet(this);
}

CVarnisPropertySheet::~CVarnisPropertySheet() {
    // The tab control serving the sheet forgets it now: the widget's own destruction comes
    // later, when this part of the sheet is gone.
    if (m_tabCtrl) m_tabCtrl->Detach();
}

QFont CVarnisPropertySheet::DialogFont() {
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPointSize(9);
    return font;
}

void CVarnisPropertySheet::AddPage(QWidget* page, const QString& title) {
    if (page == nullptr) return;
    page->setFont(DialogFont());
    m_tabs->addTab(page, title);
}

int CVarnisPropertySheet::GetPageCount() const { return m_tabs->count(); }

QWidget* CVarnisPropertySheet::GetPage(int index) const { return m_tabs->widget(index); }

QWidget* CVarnisPropertySheet::GetActivePage() const { return m_tabs->currentWidget(); }

int CVarnisPropertySheet::GetActiveIndex() const { return m_tabs->currentIndex(); }

bool CVarnisPropertySheet::SetActivePage(int index) {
    if (index < 0 || index >= m_tabs->count()) return false;
    if (index == m_tabs->currentIndex()) return true;
    if (!PageMayBeLeft(GetActivePage())) return false;
    return GetTabCtrlEx()->SetCurSel(index) >= 0;
}

CTabCtrlEx* CVarnisPropertySheet::GetTabCtrlEx() const { return m_tabCtrl ? m_tabCtrl.data() : m_ownTabCtrl; }

void CVarnisPropertySheet::TabCtrlGone(CTabCtrlEx* gone) {
    if (gone != m_ownTabCtrl && !m_tabCtrl) m_ownTabCtrl->AttachToSheet(this);
}

void CVarnisPropertySheet::SelectFirstPage() {
    if (m_selectPage >= 0 && m_selectPage < m_tabs->count() && m_tabs->isTabEnabled(m_selectPage))
        m_tabs->setCurrentIndex(m_selectPage);
}

int CVarnisPropertySheet::DoModal() {
    m_buttonRow->show();
    SelectFirstPage();
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

int CVarnisPropertySheet::Create(QWidget* parent, std::uint32_t style, std::uint32_t /*exStyle*/) {
    if (isVisible()) return 0;
    if (style == kUseDefaultStyle) style = kDefaultStyle | kWsSysMenu;
    if (style & kWsChild) {
        if (parent == nullptr) return 0;
        setParent(parent, Qt::Widget);
        layout()->setContentsMargins(0, 0, 0, 0);
    } else {
        Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (style & kWsSysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        setParent(parent, flags);
    }
    setModal(false);
    m_buttonRow->hide();
    SelectFirstPage();
    if (style & kWsVisible) show();
    return 1;
}

bool CVarnisPropertySheet::ApplyPages() {
    if (!PageMayBeLeft(GetActivePage())) return false;
    for (int i = 0; i < m_tabs->count(); ++i) {
        SheetPage* page = AsSheetPage(m_tabs->widget(i));
        if (page != nullptr && !page->OnApply()) {
            m_tabs->setCurrentIndex(i);
            return false;
        }
    }
    return true;
}

void CVarnisPropertySheet::accept() {
    if (IsEmbedded() || !ApplyPages()) return;
    QDialog::accept();
}

void CVarnisPropertySheet::reject() {
    if (IsEmbedded()) return;
    for (int i = 0; i < m_tabs->count(); ++i)
        if (SheetPage* page = AsSheetPage(m_tabs->widget(i))) page->OnCancel();
    QDialog::reject();
}

void CVarnisPropertySheet::keyPressEvent(QKeyEvent* event) {
    // Inside another dialog, Escape and Enter belong to that dialog.
    if (IsEmbedded()) {
        QWidget::keyPressEvent(event);
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace shell
