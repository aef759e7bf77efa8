#pragma once
// The result dialog (dialog 179 "結果の表示": three lines and OK) as the extraction page
// shows an extraction's outcome. The dialog belongs to the settings screens, which sit
// above this folder; the program installs it here at start-up, and tests install what
// they need.
//
// With nothing installed the three lines are shown in an information box captioned
// "結果の表示", so the outcome is never kept from the user.

#include <QString>

#include <functional>

class QWidget;

namespace addressui {

// Shows the three lines modally over `parent` and returns when the user closed them.
using ResultDialogHook =
    std::function<void(QWidget* parent, const QString& line1, const QString& line2, const QString& line3)>;

// Installs `hook` (empty: none); returns the one it replaces.
ResultDialogHook SetResultDialogHook(ResultDialogHook hook);

// Shows the lines through the hook (or the information box).
void ShowResultDialog(QWidget* parent, const QString& line1, const QString& line2, const QString& line3);

}  // namespace addressui
