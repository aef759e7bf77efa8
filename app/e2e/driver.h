#pragma once
// What a phase of the end-to-end test uses inside the program's own process to act as its
// user: waiting for a window of a kind, typing into and clicking the controls of a
// dialog, the program's test clock, and the record of what went wrong.
//
// A phase child drives the real program: every modal window is answered by an action
// registered before the command that opens it (the command blocks until it closes). A
// fault is written to stderr and makes the phase fail; a window nobody answers ends the
// child through the watchdog with the list of what was open.

#include <QString>
#include <QWidget>

#include <ctime>
#include <functional>
#include <string>

class QDialog;

namespace e2e {

// ---- Faults --------------------------------------------------------------------------------
// Records a fault of the program (the phase fails) when `ok` is false; returns `ok`.
bool Expect(bool ok, const std::string& what);
void Fail(const std::string& what);
int FaultCount();
// Log line on stderr (for the step timings and for diagnosis).
void Log(const std::string& what);

// ---- Waiting for windows -------------------------------------------------------------------
// When a visible top-level widget that `match` accepts shows (within `ms`), runs `action`
// on it once, from the event loop.
void WhenShows(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action, int ms = 120000);
// The same for a widget of class T.
template <class T>
void WhenShows(std::function<void(T*)> action, int ms = 120000) {
    WhenShows([](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
              [action](QWidget* w) { action(qobject_cast<T*>(w)); }, ms);
}
// The same for a dialog named "dlg<idd>".
void WhenDialog(int idd, std::function<void(QDialog*)> action, int ms = 120000);
QList<QWidget*> TopLevels();
// The visible top-level widget of class T, or null.
template <class T>
T* Visible() {
    for (QWidget* w : TopLevels())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) return t;
    return nullptr;
}
// Pumps events until `done` (or `ms`); false on time-out (recorded as a fault naming
// `what`).
bool WaitFor(const std::function<bool()>& done, int ms, const std::string& what);

// ---- Controls ------------------------------------------------------------------------------
// The control "ctl<id>" in `parent`, or null (a fault).
QWidget* Control(QWidget* parent, int id);
// Replaces the text of the line edit, text edit or editable combo box `id` as a user does:
// selects all and types.
void Retype(QWidget* parent, int id, const QString& text);
void Click(QWidget* parent, int id);
// Sets the check box `id` to `on` by clicking it when needed.
void Check(QWidget* parent, int id, bool on);
// Chooses the item of the combo box `id` whose text is `text` (or the index).
void Choose(QWidget* parent, int id, const QString& text);
void Choose(QWidget* parent, int id, int index);

// ---- The test clock ------------------------------------------------------------------------
// The program's clock runs at real time plus an offset that the phase moves.
void InstallTestClock(long long offsetSeconds);
void MoveClock(long long seconds);
long long ClockOffset();
std::time_t TestNow();

// ---- Watchdog ------------------------------------------------------------------------------
// Ends the process with status 3 and the open windows listed when `seconds` pass.
void StartWatchdog(int seconds, const std::string& phase);

}  // namespace e2e
