#include "app/environment/main_frame_rect.h"

#include <algorithm>
#include <cstdlib>

#include "core/foundation/ini_manager.h"

namespace shell {
namespace {

constexpr const char* kMainFrameSection = "MAINFRAMEINFO";
constexpr const char* kMaximizedKey = "MAXIMIZED";
// How much of the window must lie on one screen for it to count as reachable: enough of
// the title bar to grab it.
constexpr int kGrabWidth = 64;
constexpr int kGrabHeight = 32;
constexpr long long kMaxExtent = 1 << 20;

int ReadInt(const std::string& ini, const char* key) {
    return static_cast<int>(CIniManager::GetProfileIntA(ini, kMainFrameSection, key, -1));
}

}  // namespace

QRect CheckMainFrameRect(QRect saved, const QList<QRect>& screens) {
    if (!saved.isEmpty()) {
        const int needW = std::min(kGrabWidth, saved.width());
        const int needH = std::min(kGrabHeight, saved.height());
        for (const QRect& screen : screens) {
            const QRect part = saved.intersected(screen);
            if (part.width() >= needW && part.height() >= needH) return saved;
        }
    }
    const QRect first = screens.isEmpty() ? QRect(0, 0, kDefaultFrameWidth, kDefaultFrameHeight) : screens.first();
    return QRect(first.left() + (first.width() - kDefaultFrameWidth) / 2,
                 first.top() + (first.height() - kDefaultFrameHeight) / 2, kDefaultFrameWidth, kDefaultFrameHeight);
}

bool SaveMainFrameRect(const std::string& envIniPath, const QRect& rect) {
    if (envIniPath.empty()) return false;
    const int values[4] = {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    const char* keys[4] = {"LEFT", "TOP", "RIGHT", "BOTTOM"};
    for (int i = 0; i < 4; ++i)
        if (CIniManager::WriteProfileInt(envIniPath, kMainFrameSection, keys[i], values[i]) == 0) return false;
    return true;
}

QRect LoadMainFrameRect(const std::string& envIniPath, const QList<QRect>& screens) {
    QRect saved;
    if (!envIniPath.empty()) {
        const long long left = ReadInt(envIniPath, "LEFT"), top = ReadInt(envIniPath, "TOP");
        const long long right = ReadInt(envIniPath, "RIGHT"), bottom = ReadInt(envIniPath, "BOTTOM");
        // A hand-edited file may hold anything; sizes beyond any desktop are no place.
        const long long width = right - left, height = bottom - top;
        if (width > 0 && height > 0 && width <= kMaxExtent && height <= kMaxExtent && std::llabs(left) <= kMaxExtent &&
            std::llabs(top) <= kMaxExtent)
            saved = QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                          static_cast<int>(height));
    }
    return CheckMainFrameRect(saved, screens);
}

bool SaveMainFrameMaximized(const std::string& envIniPath, bool maximized) {
    if (envIniPath.empty()) return false;
    return CIniManager::WriteProfileStringA(envIniPath, kMainFrameSection, kMaximizedKey, maximized ? "Y" : "N") != 0;
}

bool LoadMainFrameMaximized(const std::string& envIniPath) {
    if (envIniPath.empty()) return false;
    std::string value;
    CIniManager::GetProfileStringA(envIniPath, kMainFrameSection, kMaximizedKey, value, "N");
    return value == "Y";
}

}  // namespace shell
