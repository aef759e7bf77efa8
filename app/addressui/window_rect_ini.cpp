#include "app/addressui/window_rect_ini.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <string>

#include "app/environment/environment_service.h"
#include "core/foundation/ini_manager.h"

namespace addressui {
namespace {

std::string RectIniPath() {
    shell::EnvironmentService* service = shell::ProgramEnvironment();
    return service != nullptr ? service->EnvIniPath() : std::string();
}

// `rect` moved and shrunk as little as needed to lie on the screen it mostly covers (the
// primary screen when it covers none).
QRect OntoScreen(QRect rect) {
    QScreen* best = nullptr;
    long long bestArea = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->availableGeometry().intersected(rect);
        const long long area = static_cast<long long>(common.width()) * common.height();
        if (common.isValid() && area > bestArea) {
            best = s;
            bestArea = area;
        }
    }
    if (best == nullptr) best = QGuiApplication::primaryScreen();
    if (best == nullptr) return rect;
    const QRect area = best->availableGeometry();
    rect.setWidth(std::min(rect.width(), area.width()));
    rect.setHeight(std::min(rect.height(), area.height()));
    rect.moveLeft(std::clamp(rect.left(), area.left(), area.right() + 1 - rect.width()));
    rect.moveTop(std::clamp(rect.top(), area.top(), area.bottom() + 1 - rect.height()));
    return rect;
}

}  // namespace

void RestoreWindowRect(QWidget* window, const char* section) {
    const std::string ini = RectIniPath();
    if (ini.empty() || window == nullptr) return;
    auto read = [&ini, section](const char* key) {
        return static_cast<int>(CIniManager::GetProfileIntA(ini, section, key, 0));
    };
    const int left = read("LEFT"), top = read("TOP"), right = read("RIGHT"), bottom = read("BOTTOM");
    if (left == 0 || top == 0 || right == 0 || bottom == 0) return;
    const QRect rect(QPoint(std::max(left, 0), std::max(top, 0)), QPoint(right - 1, bottom - 1));
    if (!rect.isValid()) return;
    window->setGeometry(OntoScreen(rect));
}

void SaveWindowRect(const QWidget* window, const char* section) {
    const std::string ini = RectIniPath();
    if (ini.empty() || window == nullptr) return;
    const QRect r = window->geometry();
    if (CIniManager::WriteProfileInt(ini, section, "LEFT", r.left()) == 0) return;
    if (CIniManager::WriteProfileInt(ini, section, "TOP", r.top()) == 0) return;
    if (CIniManager::WriteProfileInt(ini, section, "RIGHT", r.right() + 1) == 0) return;
    CIniManager::WriteProfileInt(ini, section, "BOTTOM", r.bottom() + 1);
}

}  // namespace addressui
