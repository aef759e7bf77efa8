#pragma once
// CSplitSendDlg (270 "件数分割送信の設定"): sending a large mail in parts, a count of
// recipients at a time with a pause between the parts. Over the sheet's option copy
// (COptionDlg):
//   slot 101 send in parts (1792);
//   slot 102 recipients per part (edit 1780, digits only, 1-999 on OK; written back as a
//            plain number, "007" as "7");
//   slot 103 the pause in seconds (list 1789: "10秒" ... "50秒", "1分" ... "10分", stored
//            as "10" ... "600"; a slot naming no item loads as "10秒").
// The count and the pause are checked, and enabled, only while 1792 is checked.

#include "app/settings/option_dlg.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

namespace settings {

class CSplitSendDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 270;
    enum : int { kIdcSplit = 1792, kIdcCount = 1780, kIdcInterval = 1789 };
    enum : int { kSlotSplit = 101, kSlotCount = 102, kSlotInterval = 103 };

    CSplitSendDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;
    void UpdateEnabling() override;
    bool CheckInput() override;

private:
    QCheckBox* split_;
    QGroupBox* group_;
    QLineEdit* count_;
    QComboBox* interval_;
};

}  // namespace settings
