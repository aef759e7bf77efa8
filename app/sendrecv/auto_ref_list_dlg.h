#pragma once
// CAutoRefListDlg (dialog 206, "受信拒否メールの処理が完了しました"): the refusals that
// receive runs collected (DB/autoref.dat). Opening it applies them to the address book
// (advertising mail off for each address found; the receive run has done so already, so
// this only repeats what holds) and empties the list; the addresses found are shown.
//
// The book is written before the emptied list: a refusal leaves the list only once the
// book on the disk holds it. When the book cannot be written the list keeps its rows (and
// the next opening applies them again).
//
// The dialog closes by itself 20 seconds after it opened (or was refilled) unless the
// user presses "自動で閉じなくする".

#include <QDialog>
#include <QString>

#include "app/sendrecv/send_job.h"

class QPlainTextEdit;
class QPushButton;
class QTimer;

class CAutoRefListDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 206;
    enum : int { kIdcAddresses = 1250, kIdcKeepOpen = 1553 };
    static constexpr int kAutoCloseMs = 20000;

    // Over the program's open environment; applies the refusals at once.
    explicit CAutoRefListDlg(QWidget* parent = nullptr);

    // IDCANCEL (2) when closed.
    int DoModal();

    QPlainTextEdit* Addresses() const { return edit_; }
    QTimer* AutoCloseTimer() const { return timer_; }
    bool AutoClose() const { return autoClose_; }

public slots:
    // Reads the refusal list again and applies it (the timer starts again when the dialog
    // still closes by itself).
    void Refill();
    // The application asks its windows to close.
    void CloseRequested();

private:
    void Fill();
    void StopAutoClose();

    SendEnvironment env_;
    bool autoClose_ = true;
    QPlainTextEdit* edit_ = nullptr;
    QPushButton* keepOpen_ = nullptr;
    QTimer* timer_ = nullptr;
};
