#pragma once
// DialogWatch: while it lives, answers the dialog named `name` (a modal run in the middle
// of the code under test) the first time it shows, and says whether it showed. Unlike a
// watch that outlives its test, it can never act on a later test's dialog.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

namespace maptest {

class DialogWatch {
public:
    DialogWatch(const QString& name, std::function<void(QDialog*)> action) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, name, action = std::move(action)] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(w);
                if (dialog && dialog->isVisible() && dialog->objectName() == name) {
                    timer_.stop();
                    ++shown_;
                    if (action) action(dialog);
                    return;
                }
            }
        });
        timer_.start();
    }
    DialogWatch(const DialogWatch&) = delete;
    DialogWatch& operator=(const DialogWatch&) = delete;

    bool shown() const { return shown_ > 0; }
    // Watches for the next showing as well.
    void Rearm() { timer_.start(); }

private:
    QTimer timer_;
    int shown_ = 0;
};

}  // namespace maptest
