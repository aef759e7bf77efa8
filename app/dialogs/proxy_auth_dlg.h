#pragma once
// CProxyAuthDlg (dialog 329, "プロキシサーバの認証設定"): asks for the proxy server, its
// port and the proxy user when the information page needs proxy authentication. The
// caller fills the values before it shows the dialog and reads them after OK; storing
// them (and whether to, the "設定を保存する" box) is the caller's.

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;

namespace shell {

struct ProxyAuthValues {
    QString address;
    QString port;
    QString user;
    QString password;
    int save = 0;  // 1 when "設定を保存する" is checked
};

class CProxyAuthDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 329;
    static constexpr int kIdcAddress = 1866;
    static constexpr int kIdcPort = 1867;
    static constexpr int kIdcUser = 1868;
    static constexpr int kIdcPassword = 1869;
    static constexpr int kIdcSave = 1870;

    explicit CProxyAuthDlg(QWidget* parent = nullptr);

    // Fills the controls; Values gives them back as they were taken on OK (what was set
    // otherwise).
    void SetValues(const ProxyAuthValues& values);
    const ProxyAuthValues& Values() const { return values_; }

    // IDOK (1) or IDCANCEL (2); the values change on OK only.
    int DoModal();

protected:
    void accept() override;
    void reject() override;

private:
    ProxyAuthValues values_;
    QLineEdit* address_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* save_ = nullptr;
};

}  // namespace shell
