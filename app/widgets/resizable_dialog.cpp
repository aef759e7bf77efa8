#include "app/widgets/resizable_dialog.h"

#include <QResizeEvent>
#include <QShowEvent>

#include <cstdio>

#include "app/ui/control_ids.h"
#include "core/foundation/ini_manager.h"

namespace shell {
namespace {

std::string& ProfileFile() {
    static std::string path;
    return path;
}

const char kKeyCx[] = "CX";
const char kKeyCy[] = "CY";

}  // namespace

CResizableDialog::CResizableDialog(int templateId, QWidget* parent) : QDialog(parent), m_templateId(templateId) {
    setObjectName(ui::DialogName(templateId));
    setSizeGripEnabled(true);
}

CResizableDialog::~CResizableDialog() {
    // A dialog destroyed while shown gets no hide event of its own.
    if (isVisible()) SaveSize();
}

void CResizableDialog::SetProfileFile(const std::string& path) { ProfileFile() = path; }

std::string CResizableDialog::GetProfileFile() { return ProfileFile(); }

void CResizableDialog::AddControl(int id, unsigned flags) {
    if (flags != 0) m_controls.push_back({id, flags});
}

std::string CResizableDialog::GetProfileSection() const {
    char section[16];
    std::snprintf(section, sizeof section, "%x", static_cast<unsigned>(m_templateId));
    return section;
}

void CResizableDialog::SetSizeGrip(bool show) { setSizeGripEnabled(show); }

void CResizableDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        if (!m_minTrackSize.isValid()) {
            m_minTrackSize = size();
            setMinimumSize(m_minTrackSize);
        }
        m_section = GetProfileSection();
        m_sized = false;
        RestoreSize();
    }
    QDialog::showEvent(event);
}

void CResizableDialog::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) {
        SaveSize();
        m_sized = false;
    }
    QDialog::hideEvent(event);
}

void CResizableDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);  // places the size grip
    if (isMinimized()) return;
    const QSize now = event->size();
    if (m_lastSize.isValid() && now != m_lastSize) {
        if (!m_restoring) m_sized = true;
        const int dx = now.width() - m_lastSize.width();
        const int dy = now.height() - m_lastSize.height();
        for (const Control& control : m_controls) {
            QWidget* widget = ui::FindControl<QWidget>(this, control.id);
            if (widget == nullptr) continue;
            QRect r = widget->geometry();
            if (control.flags & kStretchWidth) r.setRight(r.right() + dx);
            else if (control.flags & kFollowRight) r.translate(dx, 0);
            if (control.flags & kStretchHeight) r.setBottom(r.bottom() + dy);
            else if (control.flags & kFollowBottom) r.translate(0, dy);
            widget->setGeometry(r);
        }
    }
    m_lastSize = now;
}

void CResizableDialog::RestoreSize() {
    const std::string& file = ProfileFile();
    if (!m_saveSize || file.empty()) return;
    const int cx = static_cast<int>(CIniManager::GetProfileIntA(file, m_section, kKeyCx, 0));
    const int cy = static_cast<int>(CIniManager::GetProfileIntA(file, m_section, kKeyCy, 0));
    if (cx <= 0 || cy <= 0) return;
    m_restoring = true;
    resize(cx, cy);
    m_restoring = false;
}

void CResizableDialog::SaveSize() {
    const std::string& file = ProfileFile();
    if (!m_saveSize || !m_sized || file.empty()) return;
    CIniManager::WriteProfileInt(file, m_section, kKeyCx, width());
    CIniManager::WriteProfileInt(file, m_section, kKeyCy, height());
}

}  // namespace shell
