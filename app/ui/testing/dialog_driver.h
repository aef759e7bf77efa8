#pragma once
// Answering modal dialogs in tests: a dialog run with exec() blocks the test until it
// ends, so the test says beforehand what to do with it once it shows.

#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace ui::test {

// When a visible top-level widget that `match` accepts shows, within `ms` milliseconds,
// runs `action` on it (once). Checks every `intervalMs` milliseconds.
void WhenWidgetShows(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action, int ms,
                     int intervalMs = 10);

// When a visible top-level dialog named `objectName` ("dlg265") shows, within `ms`
// milliseconds, runs `action` on it (once). The action typically clicks a control or
// calls done().
void WhenDialogShows(const QString& objectName, std::function<void(QDialog*)> action, int ms = 10000);

// Clicks the button named "ctl<id>" of the dialog.
void ClickControl(QDialog* dialog, int id);

}  // namespace ui::test
