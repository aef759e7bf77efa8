#pragma once
// The cursor while a command works on the GUI thread: the wait cursor for the work
// (WaitCursor), and the ordinary one again while the person is asked something or a screen
// is open in between (NormalCursor, inside a WaitCursor).
//
// What they guarantee: each restores exactly what it changed when it goes, so they nest
// in any order of scopes; NormalCursor changes nothing when no override cursor is set (no
// work is going on); without a GUI application (tests of the logic alone) both do nothing.
// GUI thread only.

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace ui {

namespace cursor_detail {
inline bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }
}  // namespace cursor_detail

class WaitCursor {
public:
    WaitCursor() : on_(cursor_detail::HaveGuiApplication()) {
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
    NormalCursor()
        : on_(cursor_detail::HaveGuiApplication() && QGuiApplication::overrideCursor() != nullptr) {
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

}  // namespace ui
