#pragma once
// CAutoDialupDlg (109 "自動ダイアルアップの設定"): dialling a connection of the phone book
// before mail is sent. Over the sheet's option copy (COptionDlg):
//   69 dial by itself (1290)              70 the connection (list 1085, the phone book's
//                                            entries from FillRasEntryList)
//   71 user ID (1281)                     72 password (1283, shown again in 1286)
//   73 keep user ID and password (1285)   74 hang up after sending (1238)
//   75 only within hours (1081)           76-79 from hour, minute, to hour, minute (lists
//                                            1090, 1093, 1096, 1099; "0" when the slot
//                                            names no item)
// While 1290 is off, everything below it is disabled. Unchecking 1285 empties the three
// account edits; the edits are enabled only while it is checked, the time lists only while
// 1081 is. Unchecking 1238 asks first, since the connection then stays up after a run.
//
// With no entry in the phone book (always, where there is no dial-up networking) the
// connection the options name is kept as it is; dial-up cannot be switched on, since OK
// then finds no connection chosen.

#include "app/settings/option_dlg.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace settings {

class CAutoDialupDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 109;
    enum : int {
        kIdcAutoDial = 1290,
        kIdcConnection = 1085,
        kIdcUser = 1281,
        kIdcPassword = 1283,
        kIdcPasswordAgain = 1286,
        kIdcSaveAccount = 1285,
        kIdcHangUp = 1238,
        kIdcHours = 1081,
        kIdcFromHour = 1090,
        kIdcFromMinute = 1093,
        kIdcToHour = 1096,
        kIdcToMinute = 1099,
    };
    enum : int {
        kSlotAutoDial = 69,
        kSlotConnection = 70,
        kSlotUser = 71,
        kSlotPassword = 72,
        kSlotSaveAccount = 73,
        kSlotHangUp = 74,
        kSlotHours = 75,
        kSlotFromHour = 76,
        kSlotFromMinute = 77,
        kSlotToHour = 78,
        kSlotToMinute = 79,
    };

    CAutoDialupDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;
    void UpdateEnabling() override;
    bool CheckInput() override;

private:
    void OnSaveAccountClicked();
    void OnHangUpClicked();

    QCheckBox* autoDial_;
    QGroupBox* group_;
    QComboBox* connection_;
    QCheckBox* saveAccount_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* passwordAgain_;
    QCheckBox* hangUp_;
    QCheckBox* hours_;
    QComboBox* fromHour_;
    QComboBox* fromMinute_;
    QComboBox* toHour_;
    QComboBox* toMinute_;
    std::vector<QLabel*> timeLabels_;
};

}  // namespace settings
