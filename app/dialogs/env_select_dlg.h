#pragma once
// CEnvSelectDlg (dialog 265): at start-up without a usable environment, and in import
// mode, asks whether to create a new environment or choose an existing one. It ends with
// the number of the button pressed: 1451 new, 1452 existing, 2 cancelled (Escape and the
// close box cancel too).

#include <QDialog>

namespace shell {

class CEnvSelectDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 265;
    static constexpr int kIdcNew = 1451;
    static constexpr int kIdcExisting = 1452;
    static constexpr int kIdcText = 1769;
    static constexpr int kIdcCancel = 1534;

    // `importMode`: the texts of the import of another program's data.
    explicit CEnvSelectDlg(bool importMode, QWidget* parent = nullptr);

    // 1451, 1452 or 2.
    int DoModal() { return exec(); }

protected:
    void reject() override;
};

}  // namespace shell
