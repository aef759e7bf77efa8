#include "app/ui/testing/screenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace ui::test {

bool ScreenshotsWanted() { return !qEnvironmentVariableIsEmpty("QUENDREL_SCREENSHOT_DIR"); }

bool SaveScreenshot(QWidget* widget, const QString& name) {
    if (!ScreenshotsWanted()) return true;
    QDir dir(qEnvironmentVariable("QUENDREL_SCREENSHOT_DIR"));
    if (!dir.exists() && !dir.mkpath(QStringLiteral("."))) return false;
    widget->show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    return widget->grab().save(dir.filePath(name + QStringLiteral(".png")));
}

}  // namespace ui::test
