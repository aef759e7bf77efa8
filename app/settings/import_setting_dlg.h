#pragma once
// CImportSettingDlg (274 "データインポートの設定"): what an import does with a person whose
// mail address the address book already holds, for the two kinds of import. Built on an
// option copy (COptionDlg: loaded when shown, written back on OK only):
//   slot 109, general CSV files (group 1817): "1" overwrite (1789), "2" keep (1790);
//   slot 110, the Tormask and Brindell books (group 1818): "0" overwrite only with newer
//   data (1786), "1" overwrite (1787), "2" keep (1788).
// A slot whose text checks no radio keeps that text when the dialog is confirmed.
//
// The settings page shows both groups; the import confirmation shows only the group of
// its own import (the other one is disabled) and writes the copy back itself.

#include "app/settings/option_dlg.h"

class QGroupBox;
class QRadioButton;

namespace settings {

class CImportSettingDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 274;
    enum : int {
        kIdcGeneralGroup = 1817,
        kIdcGeneralOverwrite = 1789,
        kIdcGeneralKeep = 1790,
        kIdcOtherGroup = 1818,
        kIdcOtherNewer = 1786,
        kIdcOtherOverwrite = 1787,
        kIdcOtherKeep = 1788,
    };
    enum : int { kSlotGeneralPolicy = 109, kSlotOtherPolicy = 110 };

    CImportSettingDlg(OptionCopy* options, QWidget* parent = nullptr, bool enableGeneral = true, bool enableOther = true);

protected:
    void ExchangeOptions(bool load) override;
    void UpdateEnabling() override;
    void AfterLoad() override;

private:
    bool enableGeneral_;
    bool enableOther_;
    QGroupBox* general_;
    QGroupBox* other_;
    QRadioButton* generalOverwrite_;
    QRadioButton* generalKeep_;
    QRadioButton* otherNewer_;
    QRadioButton* otherOverwrite_;
    QRadioButton* otherKeep_;
};

}  // namespace settings
