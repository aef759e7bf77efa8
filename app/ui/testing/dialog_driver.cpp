#include "app/ui/testing/dialog_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

#include "app/ui/control_ids.h"

namespace ui::test {

void WhenWidgetShows(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action, int ms,
                     int intervalMs) {
    auto* timer = new QTimer(QCoreApplication::instance());
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    timer->setInterval(intervalMs);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && match(w)) {
                timer->stop();
                timer->deleteLater();
                action(w);
                return;
            }
        }
        if (started->elapsed() > ms) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void WhenDialogShows(const QString& objectName, std::function<void(QDialog*)> action, int ms) {
    WhenWidgetShows([objectName](QWidget* w) { return qobject_cast<QDialog*>(w) && w->objectName() == objectName; },
                    [action](QWidget* w) { action(qobject_cast<QDialog*>(w)); }, ms);
}

void ClickControl(QDialog* dialog, int id) {
    if (auto* button = FindControl<QAbstractButton>(dialog, id)) button->click();
}

}  // namespace ui::test
