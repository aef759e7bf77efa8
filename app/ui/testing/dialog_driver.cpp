#include "app/ui/testing/dialog_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

#include "app/ui/control_ids.h"

namespace ui::test {

void WhenDialogShows(const QString& objectName, std::function<void(QDialog*)> action, int ms) {
    auto* timer = new QTimer(QCoreApplication::instance());
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(w);
            if (dialog && dialog->isVisible() && dialog->objectName() == objectName) {
                timer->stop();
                timer->deleteLater();
                action(dialog);
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

void ClickControl(QDialog* dialog, int id) {
    if (auto* button = FindControl<QAbstractButton>(dialog, id)) button->click();
}

}  // namespace ui::test
