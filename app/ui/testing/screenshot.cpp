#include "app/ui/testing/screenshot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "app/ui/prompter.h"

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

bool SaveMessageBoxScreenshot(const QString& name, const std::function<void()>& trigger) {
    Prompter* recorder = SetPrompter(nullptr);  // the program's own prompter
    bool shown = false;
    bool written = true;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        poll.stop();
        shown = true;
        written = SaveScreenshot(box, name);
        if (QAbstractButton* escape = box->escapeButton()) escape->click();
        else box->reject();
    });
    poll.start();
    trigger();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();  // a message shown from the event loop
    poll.stop();
    SetPrompter(recorder);
    return shown && written;
}

}  // namespace ui::test
