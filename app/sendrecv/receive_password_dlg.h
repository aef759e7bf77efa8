#pragma once
// CReceivePasswordDlg (dialog 2000, "受信パスワードの入力"): asks for the receive server's
// password when the system options do not keep one. OK is enabled exactly while the edit
// holds text; it keeps the text as the password and ends with IDOK. The password is
// never written anywhere by the dialog.
//
// The receive run and the login test ask from the worker thread through
// AskReceivePassword (pop_receive_session.h), which runs the dialog on the GUI thread.

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class CReceivePasswordDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 2000;
    static constexpr int kIdcPassword = 2000;

    explicit CReceivePasswordDlg(QWidget* parent = nullptr);

    // IDOK (1) with the password kept, IDCANCEL (2).
    int DoModal();
    const QString& Password() const { return password_; }

    void accept() override;

private:
    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QString password_;
};
