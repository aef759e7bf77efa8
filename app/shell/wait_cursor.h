#pragma once
// The cursor while a command of the main window works: the wait cursor for the work
// (WaitCursor), the ordinary one again while the person is asked something or a screen is
// open in between (NormalCursor). Both restore what they changed when they go, and do
// nothing without a GUI application (tests of the logic alone).

#include <QCoreApplication>
#include <QGuiApplication>

namespace shell {

inline bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

class WaitCursor {
public:
    WaitCursor() : on_(HaveGuiApplication()) {
        if (on_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (on_) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool on_;
};

class NormalCursor {
public:
    NormalCursor() : on_(HaveGuiApplication() && QGuiApplication::overrideCursor() != nullptr) {
        if (on_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalCursor() {
        if (on_) QGuiApplication::restoreOverrideCursor();
    }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

private:
    bool on_;
};

}  // namespace shell
