#pragma once
// Dialogs and controls carry the resource numbers the program's screens are known by, as
// object names: a dialog "dlg328", a control "ctl1561". Tests and the screens themselves
// find them by number.

#include <QString>
#include <QWidget>

namespace ui {

inline QString DialogName(int id) { return QStringLiteral("dlg%1").arg(id); }
inline QString ControlName(int id) { return QStringLiteral("ctl%1").arg(id); }

// Names `widget` as control `id` and returns it, for use where the widget is made.
template <class W>
W* SetControlId(W* widget, int id) {
    widget->setObjectName(ControlName(id));
    return widget;
}

// Control `id` below `root` (any depth), or null.
template <class W = QWidget>
W* FindControl(const QObject* root, int id) {
    return root ? root->findChild<W*>(ControlName(id)) : nullptr;
}

}  // namespace ui
