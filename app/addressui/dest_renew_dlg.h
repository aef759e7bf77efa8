#pragma once
// CDestRenewDlg (dialog 2003): brings one destination up to date without showing it, for
// the screens that hand a destination to a mail (composing, the send side, the address
// book). It says what it is doing ("アドレス帳の宛先ID[%d]を最新にしています" or
// "メールID[%d]の宛先を最新にしています"), runs the refresh (dest_reextract.h,
// RenewDestination) on a worker and closes itself when it is over; DoModal returns then.
// Its messages (a failed preparation, re-extraction or save) stand over it.
//
// While it works the automatic send/receive scheduler is held, and afterwards it is left
// as it was found (a scheduler that another screen holds stays held). The dialog cannot be
// closed by the user; the wait cursor shows over it.
//
// A failed refresh writes nothing: the destination keeps its recipients and, for a list,
// its last update. IsRefreshed says whether the destination was rebuilt and saved.

#include <QDialog>

#include "app/addressui/screen_worker.h"

namespace addressui {

class CDestRenewDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 2003;
    static constexpr int kIdcLine1 = 1663;
    static constexpr int kIdcLine2 = 1664;
    static constexpr int kIdcLine3 = 1665;

    // `kind` 0 a mail's recipients, 1 a destination list; `id` the mail or list.
    CDestRenewDlg(int kind, int id, QWidget* parent = nullptr);
    ~CDestRenewDlg() override;

    // Runs the refresh and returns when it is over: IDCANCEL (2), as the dialog closes
    // itself.
    int DoModal();
    bool IsRefreshed() const { return refreshed_; }
    bool IsWorking() const { return worker_.Busy(); }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int kind_;
    int id_;
    bool started_ = false;
    bool refreshed_ = false;
    bool finished_ = false;
    ScreenWorker worker_;
};

}  // namespace addressui
