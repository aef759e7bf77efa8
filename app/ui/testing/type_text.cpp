#include "app/ui/testing/type_text.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThread>
#include <QWidget>

namespace ui::test {

void TypeText(QWidget* target, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QString ch = text.mid(i, len);
        i += len;
        int key = Qt::Key_unknown;
        if (ch == QLatin1String("\r") || ch == QLatin1String("\n")) {
            // A line break ("\r\n", or a lone "\r" or "\n") is the Return key, as a person
            // types it; an edit takes no control character as text.
            if (ch == QLatin1String("\r") && i < text.size() && text.at(i) == QLatin1Char('\n')) ++i;
            key = Qt::Key_Return;
            ch = QStringLiteral("\r");
        } else if (ch.size() == 1 && ch.at(0).unicode() < 0x80) {
            key = ch.at(0).toUpper().unicode();
        }
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, ch);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, ch);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

}  // namespace ui::test
