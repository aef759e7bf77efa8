#include "app/widgets/tab_ctrl_ex.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QShortcutEvent>
#include <QTabBar>
#include <QTabWidget>

#include "app/widgets/sheet_page.h"
#include "app/widgets/varnis_property_sheet.h"

namespace shell {
namespace {

// The tab that a request for `requested` selects while `current` is selected; -1 when the
// request is refused. See CTabCtrlEx::SetCurSel.
int ResolveSelection(const QTabBar& bar, int current, int requested) {
    const int count = bar.count();
    if (requested < 0 || requested >= count) return -1;
    if (bar.isTabEnabled(requested)) return requested;
    const int last = count - 1;
    const bool forward = requested == current + 1 || (requested == 0 && current == last);
    const bool backward = requested == current - 1 || (requested == last && current == 0);
    if (!forward && !backward) return -1;
    const int step = forward ? 1 : -1;
    for (int k = 1; k < count; ++k) {
        int i = ((requested + step * k) % count + count) % count;
        if (bar.isTabEnabled(i)) return i;
    }
    return -1;
}

}  // namespace

CTabCtrlEx::CTabCtrlEx(QObject* parent) : QObject(parent) {}

CTabCtrlEx::~CTabCtrlEx() {
    CVarnisPropertySheet* sheet = m_sheet;
    Detach();
    if (sheet != nullptr) sheet->TabCtrlGone(this);
}

bool CTabCtrlEx::AttachToSheet(CVarnisPropertySheet* sheet) {
    if (sheet == nullptr) return false;
    if (sheet->m_tabCtrl == this) return true;
    if (sheet->m_tabCtrl) sheet->m_tabCtrl->Detach();
    Detach();
    m_sheet = sheet;
    m_tabs = sheet->GetTabControl();
    m_tabs->installEventFilter(this);
    m_tabs->tabBar()->installEventFilter(this);
    sheet->m_tabCtrl = this;
    return true;
}

void CTabCtrlEx::Detach() {
    if (m_tabs) {
        m_tabs->removeEventFilter(this);
        m_tabs->tabBar()->removeEventFilter(this);
    }
    if (m_sheet && m_sheet->m_tabCtrl == this) m_sheet->m_tabCtrl = nullptr;
    m_tabs = nullptr;
    m_sheet = nullptr;
}

bool CTabCtrlEx::EnableItem(int index, bool enable) {
    if (!m_tabs || index < 0 || index >= m_tabs->count()) return false;
    QTabBar* bar = m_tabs->tabBar();
    if (bar->isTabEnabled(index) == enable) return true;
    if (!enable && index == bar->currentIndex()) {
        const int count = bar->count();
        int next = -1;
        for (int k = 1; k < count && next < 0; ++k)
            if (bar->isTabEnabled((index + k) % count)) next = (index + k) % count;
        if (next < 0) return false;
        m_tabs->setCurrentIndex(next);
    }
    // The tab bar's flag only: the page keeps its own enabled state for when it comes back.
    bar->setTabEnabled(index, enable);
    return true;
}

bool CTabCtrlEx::IsItemEnabled(int index) const {
    return m_tabs && index >= 0 && index < m_tabs->count() && m_tabs->tabBar()->isTabEnabled(index);
}

int CTabCtrlEx::SetCurSel(int index) {
    if (!m_tabs) return -1;
    const int before = m_tabs->currentIndex();
    const int target = ResolveSelection(*m_tabs->tabBar(), before, index);
    if (target < 0) return -1;
    m_tabs->setCurrentIndex(target);
    return before;
}

int CTabCtrlEx::GetCurSel() const { return m_tabs ? m_tabs->currentIndex() : -1; }

void CTabCtrlEx::UserSelect(int index) {
    const int current = m_tabs->currentIndex();
    const int target = ResolveSelection(*m_tabs->tabBar(), current, index);
    if (target < 0 || target == current) return;
    if (!PageMayBeLeft(m_tabs->currentWidget())) return;
    m_tabs->setCurrentIndex(target);
}

void CTabCtrlEx::Step(int direction) {
    const int count = m_tabs->count();
    if (count == 0) return;
    const int current = m_tabs->currentIndex();
    UserSelect(((current + direction) % count + count) % count);
}

bool CTabCtrlEx::eventFilter(QObject* watched, QEvent* event) {
    if (!m_tabs) return false;
    QTabBar* bar = m_tabs->tabBar();
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (ctrl) {
            // The tab widget's own Ctrl+Tab would change pages without asking.
            switch (key->key()) {
            case Qt::Key_Tab: Step((key->modifiers() & Qt::ShiftModifier) ? -1 : 1); return true;
            case Qt::Key_Backtab: Step(-1); return true;
            case Qt::Key_PageDown: Step(1); return true;
            case Qt::Key_PageUp: Step(-1); return true;
            default: return false;
            }
        }
        if (watched != bar) return false;
        switch (key->key()) {
        case Qt::Key_Left: case Qt::Key_Up: Step(-1); return true;
        case Qt::Key_Right: case Qt::Key_Down: Step(1); return true;
        default: return false;
        }
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched != bar || mouse->button() != Qt::LeftButton) return false;
        const int index = bar->tabAt(mouse->position().toPoint());
        if (index >= 0 && bar->isTabEnabled(index)) UserSelect(index);
        return true;
    }
    case QEvent::Wheel:
        return watched == bar;
    case QEvent::Shortcut: {
        if (watched != bar) return false;
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        for (int i = 0; i < bar->count(); ++i) {
            if (bar->isTabEnabled(i) && QKeySequence::mnemonic(bar->tabText(i)) == shortcut->key()) {
                UserSelect(i);
                break;
            }
        }
        return true;
    }
    default:
        return false;
    }
}

}  // namespace shell
