#pragma once
// Waiting on the import screens.
//
// ImportWaitDlg is the please-wait window (dialog 177) of an import run with a button that
// stops the run. The button asks first, since stopping puts the address book back as it
// was before the run; on Yes it signals StopRequested once and turns itself off. The
// window stands over its owner window-modally: the owner keeps painting but takes no input
// while the run goes on.
//
// RunWhileWaiting runs a piece of work that a screen needs before it can go on (reading
// an import file of a million lines takes seconds) on a worker thread. The GUI thread
// keeps painting and keeps its timers meanwhile, but takes no user input, so nothing can
// start a second piece of work; after 300 ms the please-wait window shows the given lines.

#include <QString>

#include <functional>

#include "app/dialogs/wait_dlg.h"

class QPushButton;

namespace settings {

class ImportWaitDlg : public shell::CWaitDlg {
    Q_OBJECT
public:
    static constexpr int kIdcStop = 2;

    explicit ImportWaitDlg(QWidget* parent = nullptr);
    // True once the user confirmed the stop (until the next Create).
    bool StopConfirmed() const { return stopConfirmed_; }

signals:
    void StopRequested();

protected:
    void ResetControls() override;

private:
    void OnStop();

    QPushButton* stop_ = nullptr;
    bool stopConfirmed_ = false;
};

// Runs `work` on a worker thread and returns when it has ended, as described above.
void RunWhileWaiting(QWidget* owner, const std::function<void()>& work, const QString& line1, const QString& line2,
                     const QString& line3);

}  // namespace settings
