#pragma once
// CAutoReceiveDlg (2005 "自動受信の設定"): receiving every few minutes by itself. Over the
// sheet's option copy (COptionDlg):
//   slot 96 receive by itself (1793);
//   slot 97 the interval in minutes (edit 1781, digits only, 1-99 on OK; written back as a
//           plain number).
// The interval is checked, and enabled, only while 1793 is checked. The main window
// restarts its periodic receive when the sheet is confirmed with these slots changed.

#include "app/settings/option_dlg.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace settings {

class CAutoReceiveDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 2005;
    enum : int { kIdcAutoReceive = 1793, kIdcMinutes = 1781 };
    enum : int { kSlotAutoReceive = 96, kSlotMinutes = 97 };

    CAutoReceiveDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;
    void UpdateEnabling() override;
    bool CheckInput() override;

private:
    QCheckBox* autoReceive_;
    QGroupBox* group_;
    QLineEdit* minutes_;
};

}  // namespace settings
