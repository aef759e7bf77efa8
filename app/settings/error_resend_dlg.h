#pragma once
// CErrorResendDlg (107 "エラーメール再送信の設定"): sending a mail again to the recipients
// whose copy bounced. Over the sheet's option copy (COptionDlg):
//   slot 54 resend from bounces (1208);
//   slot 65 how many times (list 1292, "1" ... "10", stored as its number; loaded as the
//           first item that begins with the slot's text, "3" when none does, so "12"
//           loads as "3");
//   slot 66 the interval (list 1329: "10分" ... "50分", "1時間" ... "23時間", "1日" "2日"
//           "3日", stored in minutes "10" ... "4320"; a slot naming no item loads as
//           "1時間").
// The lists are enabled only while 1208 is checked.

#include "app/settings/option_dlg.h"

class QCheckBox;
class QComboBox;
class QGroupBox;

namespace settings {

class CErrorResendDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 107;
    enum : int { kIdcResend = 1208, kIdcCount = 1292, kIdcInterval = 1329 };
    enum : int { kSlotResend = 54, kSlotCount = 65, kSlotInterval = 66 };

    CErrorResendDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;
    void UpdateEnabling() override;

private:
    QCheckBox* resend_;
    QGroupBox* group_;
    QComboBox* count_;
    QComboBox* interval_;
};

}  // namespace settings
