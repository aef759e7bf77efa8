#include "app/e2e/driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <unistd.h>

#include "app/ui/control_ids.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/type_text.h"
#include "platform/date_time.h"

namespace e2e {
namespace {

int g_faults = 0;
std::atomic<long long> g_offset{0};

std::string Describe(QWidget* w) {
    return std::string(w->metaObject()->className()) + " '" + w->objectName().toStdString() + "' \"" +
           w->windowTitle().toStdString() + "\"";
}

}  // namespace

bool Expect(bool ok, const std::string& what) {
    if (!ok) Fail(what);
    return ok;
}

void Fail(const std::string& what) {
    ++g_faults;
    std::fprintf(stderr, "E2E FAULT: %s\n", what.c_str());
    std::fflush(stderr);
}

int FaultCount() { return g_faults; }

void Log(const std::string& what) {
    std::fprintf(stderr, "e2e: %s\n", what.c_str());
    std::fflush(stderr);
}

QList<QWidget*> TopLevels() { return QApplication::topLevelWidgets(); }

void WhenShows(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action, int ms) {
    ui::test::WhenWidgetShows(std::move(match), std::move(action), ms, 20);
}

void WhenDialog(int idd, std::function<void(QDialog*)> action, int ms) {
    const QString name = ui::DialogName(idd);
    WhenShows([name](QWidget* w) { return qobject_cast<QDialog*>(w) && w->objectName() == name; },
              [action](QWidget* w) { action(qobject_cast<QDialog*>(w)); }, ms);
}

bool WaitFor(const std::function<bool()>& done, int ms, const std::string& what) {
    if (ui::test::WaitUntil(done, ms)) return true;
    Fail("timed out waiting for " + what);
    return false;
}

QWidget* Control(QWidget* parent, int id) {
    QWidget* w = ui::FindControl<QWidget>(parent, id);
    if (w == nullptr) Fail("no control " + std::to_string(id) + " in " + Describe(parent));
    return w;
}

void Retype(QWidget* parent, int id, const QString& text) {
    QWidget* w = Control(parent, id);
    if (w == nullptr) return;
    // An editable combo box is typed into through its edit.
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->isEditable()) w = combo->lineEdit();
    // The user sees the control before typing: what was posted (a page shown, a hint)
    // happens first.
    ui::test::WaitUntil([] { return false; }, 30);
    // and clicks into it.
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    w->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->selectAll();
        line->del();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        plain->selectAll();
        plain->textCursor().removeSelectedText();
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        rich->selectAll();
        rich->textCursor().removeSelectedText();
    }
    ui::test::TypeText(w, text);
    if (auto* line = qobject_cast<QLineEdit*>(w); line && line->text() != text)
        Fail("control " + std::to_string(id) + " holds '" + line->text().toStdString() + "' after typing '" +
             text.toStdString() + "' (enabled " + std::to_string(line->isEnabled()) + ", visible " +
             std::to_string(line->isVisible()) + ")");
}

void Click(QWidget* parent, int id) {
    auto* button = qobject_cast<QAbstractButton*>(Control(parent, id));
    if (button == nullptr) return;
    if (!Expect(button->isEnabled(), "button " + std::to_string(id) + " is disabled")) return;
    button->click();
}

void Check(QWidget* parent, int id, bool on) {
    auto* box = qobject_cast<QAbstractButton*>(Control(parent, id));
    if (box != nullptr && box->isChecked() != on) box->click();
}

void Choose(QWidget* parent, int id, const QString& text) {
    auto* combo = qobject_cast<QComboBox*>(Control(parent, id));
    if (combo == nullptr) return;
    const int index = combo->findText(text);
    if (Expect(index >= 0, "no item '" + text.toStdString() + "' in list " + std::to_string(id)))
        combo->setCurrentIndex(index);
}

void Choose(QWidget* parent, int id, int index) {
    auto* combo = qobject_cast<QComboBox*>(Control(parent, id));
    if (combo != nullptr && Expect(index < combo->count(), "list " + std::to_string(id) + " too short"))
        combo->setCurrentIndex(index);
}

void InstallTestClock(long long offsetSeconds) {
    g_offset.store(offsetSeconds);
    platform::SetClockForTesting([] { return TestNow(); });
}

void MoveClock(long long seconds) { g_offset.fetch_add(seconds); }
long long ClockOffset() { return g_offset.load(); }
std::time_t TestNow() { return std::time(nullptr) + static_cast<std::time_t>(g_offset.load()); }

void StartWatchdog(int seconds, const std::string& phase) {
    // A thread, not a timer: a window waiting for an answer may be the reason nothing else
    // runs on the GUI thread's schedule.
    std::thread([seconds, phase] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        std::fprintf(stderr, "E2E FAULT: phase %s still running after %d s\n", phase.c_str(), seconds);
        std::fflush(stderr);
        ::_exit(3);
    }).detach();
}

}  // namespace e2e
