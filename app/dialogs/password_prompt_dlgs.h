#pragma once
// The two dialogs that ask for the start-up password and check it against the
// environment's descriptor:
//  - CEnvPasswordDlg (dialog 322, "環境の起動"): opening an environment that has a
//    start-up password; Cancel gives up the open.
//  - CPasswordEntryDlg (dialog 319, "Varnis"): unlocking the locked application. It has
//    OK only and refuses Escape, the close box and every other way out: it is left with
//    the right password alone.
//
// A wrong password is told ("パスワードが異なります。..."), the edit emptied and focused,
// and the dialog stays. The password is never kept: on the right one the edit is emptied
// and the dialog ends with IDOK (1). The descriptor only reads the password's digest; a
// descriptor whose digest cannot be read accepts no password.

#include <QDialog>
#include <QString>

class EnvManager;
class QLineEdit;

namespace shell {

class PasswordPromptDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdcPassword = 1846;

    // The window title used when the dialog shows, when not empty (the caption of the
    // dialog otherwise).
    void SetTitle(const QString& title) { title_ = title; }
    // Runs the dialog: IDOK (1) with the right password, IDCANCEL (2) when given up.
    int DoModal() { return exec(); }

protected:
    PasswordPromptDlg(int idd, const QString& caption, bool cancellable, EnvManager& env, QWidget* parent);
    void showEvent(QShowEvent* event) override;
    void accept() override;

private:
    EnvManager& env_;
    QString title_;
    QLineEdit* edit_ = nullptr;
};

class CEnvPasswordDlg : public PasswordPromptDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 322;
    explicit CEnvPasswordDlg(EnvManager& env, QWidget* parent = nullptr);

protected:
    void reject() override;
};

class CPasswordEntryDlg : public PasswordPromptDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 319;
    explicit CPasswordEntryDlg(EnvManager& env, QWidget* parent = nullptr);

protected:
    void reject() override {}
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace shell
