#pragma once
// CPasswordSetDlg (dialog 320, "「Varnis」起動パスワードの設定"): decides whether the
// environment asks for a start-up password and sets it. Offered when an environment whose
// password was never decided is opened, and by the main window's set-password command.
//
// With "「Varnis」の起動時にパスワード認証を行う" unchecked, OK (and Cancel) record "no
// password" (flag "N") when the flag can be read. Checked, OK refuses, in this order and
// with the dialog left open: both edits empty; a character other than A-Z, a-z, 0-9 in
// either; the two differ; the flag or the password not stored. The descriptor is written
// by EnvManager's setters themselves. A password that cannot be stored never leaves the
// flag at "Y" (see TurnPasswordOn).

#include <QDialog>

class EnvManager;
class QCheckBox;
class QLineEdit;

namespace shell {

class CPasswordSetDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 320;
    static constexpr int kIdcUsePassword = 1847;
    static constexpr int kIdcPasswordLabel = 1848;
    static constexpr int kIdcPassword = 1849;
    static constexpr int kIdcPasswordNote = 1850;
    static constexpr int kIdcConfirmLabel = 1851;
    static constexpr int kIdcConfirm = 1852;
    static constexpr int kIdcConfirmNote = 1853;

    explicit CPasswordSetDlg(EnvManager& env, QWidget* parent = nullptr);

    // IDOK (1) or IDCANCEL (2).
    int DoModal() { return exec(); }

protected:
    void accept() override;
    void reject() override;

private:
    void UpdateEnabling();
    void Refuse(const char* text, const char* caption);

    EnvManager& env_;
    QCheckBox* use_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirm_ = nullptr;
};

}  // namespace shell
