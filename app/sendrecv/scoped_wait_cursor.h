#pragma once
// The wait cursor while a mail dialog works on the GUI thread (a search, a restore), put
// back when the work ends. Without a GUI application (tests of the logic alone) it does
// nothing.

#include <QCoreApplication>
#include <QGuiApplication>

class ScopedWaitCursor {
public:
    ScopedWaitCursor() : on_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (on_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~ScopedWaitCursor() {
        if (on_) QGuiApplication::restoreOverrideCursor();
    }
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;

private:
    bool on_;
};
