#include "app/settings/import_setting_dlg.h"

#include <QLabel>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace settings {
namespace {

using shell::dialogs::AddRadio;

}  // namespace

CImportSettingDlg::CImportSettingDlg(OptionCopy* options, QWidget* parent, bool enableGeneral, bool enableOther)
    : COptionDlg(kIdd, "データインポートの設定", options, parent), enableGeneral_(enableGeneral), enableOther_(enableOther) {
    general_ = ui::SetControlId(new QGroupBox(ui::U8("一般CSVファイルをインポートする場合"), this), kIdcGeneralGroup);
    new QVBoxLayout(general_);
    generalOverwrite_ = AddRadio(general_, "重複アドレスの個人情報は上書きする", kIdcGeneralOverwrite);
    generalKeep_ = AddRadio(general_, "重複アドレスの個人情報は上書きしない", kIdcGeneralKeep);
    other_ = ui::SetControlId(new QGroupBox(ui::U8("Tormask，Brindellのデータをインポートする場合"), this), kIdcOtherGroup);
    new QVBoxLayout(other_);
    otherNewer_ = AddRadio(other_, "重複アドレスの個人情報は更新時間が新しいデータのみ上書きする", kIdcOtherNewer);
    otherOverwrite_ = AddRadio(other_, "重複アドレスの個人情報は上書きする", kIdcOtherOverwrite);
    otherKeep_ = AddRadio(other_, "重複アドレスの個人情報は上書きしない", kIdcOtherKeep);
    Body()->addWidget(general_);
    Body()->addWidget(other_);
    AddButtons();
}

void CImportSettingDlg::ExchangeOptions(bool load) {
    if (load) {
        LoadRadios(Options(), kSlotGeneralPolicy, {{generalOverwrite_, "1"}, {generalKeep_, "2"}});
        LoadRadios(Options(), kSlotOtherPolicy, {{otherNewer_, "0"}, {otherOverwrite_, "1"}, {otherKeep_, "2"}});
        return;
    }
    StoreRadios(Options(), kSlotGeneralPolicy, {{generalOverwrite_, "1"}, {generalKeep_, "2"}});
    StoreRadios(Options(), kSlotOtherPolicy, {{otherNewer_, "0"}, {otherOverwrite_, "1"}, {otherKeep_, "2"}});
}

void CImportSettingDlg::UpdateEnabling() {
    general_->setEnabled(enableGeneral_);
    other_->setEnabled(enableOther_);
}

void CImportSettingDlg::AfterLoad() {
    if (generalOverwrite_->isChecked())
        generalOverwrite_->setFocus();
    else if (generalKeep_->isChecked())
        generalKeep_->setFocus();
}

}  // namespace settings
