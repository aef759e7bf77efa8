#pragma once
// CPasswordChangeDlg (dialog 321, "パスワードの変更"): changes or removes the start-up
// password (the main window's change-password command).
//
// Its state is read when it is made: 0 when the environment asks for a password (flag
// "Y"), 1 when not. In state 0 every change, removal included, needs the old password
// first. OK refuses, in this order: a wrong old password (state 0); both new edits empty;
// a character other than A-Z, a-z, 0-9; the two differ; the descriptor refusing the
// change. Every refusal empties the three edits and leaves the dialog open. A change or a
// removal stamps the descriptor's renewal date and writes it.

#include <QDialog>

class EnvManager;
class QCheckBox;
class QLineEdit;

namespace shell {

class CPasswordChangeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 321;
    static constexpr int kIdcUsePassword = 1847;
    static constexpr int kIdcOldPassword = 1852;
    static constexpr int kIdcNewPassword = 1853;
    static constexpr int kIdcConfirm = 1854;
    static constexpr int kIdcNewLabel = 1855;
    static constexpr int kIdcConfirmLabel = 1856;
    static constexpr int kIdcOldLabel = 1857;

    explicit CPasswordChangeDlg(EnvManager& env, QWidget* parent = nullptr);

    // IDOK (1) or IDCANCEL (2).
    int DoModal() { return exec(); }
    // 0 when the environment asked for a password when the dialog was made, 1 when not.
    int State() const { return state_; }

protected:
    void accept() override;
    void reject() override;

private:
    void UpdateEnabling();
    // Shows the refusal and empties the three edits.
    void Refuse(const char* text, const char* caption);
    bool Change();
    bool Remove();

    EnvManager& env_;
    int state_ = 1;
    QCheckBox* use_ = nullptr;
    QLineEdit* old_ = nullptr;
    QLineEdit* new_ = nullptr;
    QLineEdit* confirm_ = nullptr;
};

}  // namespace shell
