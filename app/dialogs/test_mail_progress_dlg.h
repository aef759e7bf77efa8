#pragma once
// CTestMailProgressDlg (dialog 2006): the progress window of a test send, with the button
// "中止". The composing dialog creates it over itself while its test send runs and closes
// it with End; the button signals CancelTestMail, on which the composing dialog sets its
// cancel flag and interrupts the mail client.
//
// Every key is ignored (the cancel button answers the mouse only); the cursor stays as it
// is, so the button can be aimed at.

#include "app/dialogs/progress_dialog_base.h"

class QPushButton;

namespace shell {

class CTestMailProgressDlg : public ProgressDialogBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 2006;
    static constexpr int kIdcLine1 = 1863;
    static constexpr int kIdcLine2 = 1864;
    static constexpr int kIdcLine3 = 1865;
    static constexpr int kIdcCancel = 1836;

    explicit CTestMailProgressDlg(QWidget* parent = nullptr);

    // Enables or disables the cancel button of the created window.
    void EnableCancel(bool enable);

signals:
    void CancelTestMail();

protected:
    void ResetControls() override;

private:
    QPushButton* cancel_ = nullptr;
};

}  // namespace shell
