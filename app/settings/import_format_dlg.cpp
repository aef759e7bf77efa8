#include "app/settings/import_format_dlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/settings/import_setting_dlg.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace settings {
namespace {

using ui::U8;
using shell::dialogs::AddButtonRow;
using shell::dialogs::RunDialog;

std::string Option(int slot) {
    std::string value;
    SystemOption* options = shell::GetSystemOption();
    if (options == nullptr || options->GetSODataFromMemoryPinPoint(slot, value) != 0) value.clear();
    return value;
}

}  // namespace

// ---- CImportFormatDlg ---------------------------------------------------------------------

CImportFormatDlg::CImportFormatDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(U8("インポート形式"));
    auto* column = new QVBoxLayout(this);
    auto* box = new QGroupBox(U8("インポートするファイルの形式"), this);
    auto* inner = new QVBoxLayout(box);
    const std::pair<int, const char*> radios[6] = {{kIdcGeneral, "一般CSV"},  {kIdcTormask, "Tormask"},
                                                   {kIdcBrindell, "Brindell"}, {kIdcQuillary, "Quillary"},
                                                   {kIdcOutlook, "Outlook Express"}, {kIdcBecky, "Becky!"}};
    auto* group = new QButtonGroup(this);
    for (int k = 0; k < 6; ++k) {
        radios_[k] = ui::SetControlId(new QRadioButton(U8(radios[k].second), box), radios[k].first);
        group->addButton(radios_[k]);
        inner->addWidget(radios_[k]);
    }
    radios_[0]->setChecked(true);
    column->addWidget(box);
    QLabel* note = shell::dialogs::MakeLabel(this, U8("(項目名も上書きします)"), kIdcNote);
    column->addWidget(note);
    note->setVisible(Option(111) == "Y");
    auto* choose = shell::dialogs::MakeButton(this, U8("選択"), shell::dialogs::kIdOk);
    choose->setDefault(true);
    auto* cancel = shell::dialogs::MakeButton(this, U8("キャンセル"), shell::dialogs::kIdCancel);
    AddButtonRow(column, {choose, cancel});
    connect(choose, &QPushButton::clicked, this, &CImportFormatDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CImportFormatDlg::reject);
}

int CImportFormatDlg::DoModal() { return RunDialog(*this); }

void CImportFormatDlg::accept() {
    kind_ = 0;
    for (int k = 0; k < 6; ++k)
        if (radios_[k]->isChecked()) kind_ = k + 1;
    QDialog::accept();
}

// ---- CImportConfirmDlg --------------------------------------------------------------------

CImportConfirmDlg::CImportConfirmDlg(QWidget* parent, int kind) : QDialog(parent), kind_(kind) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(U8("データインポート"));
    auto* column = new QVBoxLayout(this);
    message_ = shell::dialogs::MakeLabel(this, QString(), kIdcMessage);
    column->addWidget(message_);
    auto* ok = shell::dialogs::MakeButton(this, U8("OK"), shell::dialogs::kIdOk);
    ok->setDefault(true);
    auto* cancel = shell::dialogs::MakeButton(this, U8("キャンセル"), shell::dialogs::kIdCancel);
    auto* change = shell::dialogs::MakeButton(this, U8("変更"), kIdcChange);
    AddButtonRow(column, {ok, cancel, change});
    connect(ok, &QPushButton::clicked, this, &CImportConfirmDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CImportConfirmDlg::reject);
    connect(change, &QPushButton::clicked, this, &CImportConfirmDlg::OnChange);
    RefreshMessage();
}

int CImportConfirmDlg::DoModal() { return RunDialog(*this); }

void CImportConfirmDlg::RefreshMessage() {
    const std::string value = Option(PolicySlot());
    if (value == "0")
        message_->setText(U8("データを“重複アドレスの個人情報は更新時間が新しいデータのみ\r\n上書きする”でインポートします\r\n"
                             "よろしいですか？"));
    else if (value == "1")
        message_->setText(U8("データを“重複アドレスの個人情報は上書きする”でインポートします\r\nよろしいですか？"));
    else if (value == "2")
        message_->setText(U8("データを“重複アドレスの個人情報は上書きしない”でインポートします\r\nよろしいですか？"));
}

void CImportConfirmDlg::OnChange() {
    SystemOption* options = shell::GetSystemOption();
    if (options == nullptr) return;
    OptionCopy copy;
    if (options->GetSODataFromMemoryToAllData(copy) < 0) return;
    copy.resize(kOptionSlots);
    CImportSettingDlg settingDialog(&copy, this, kind_ == 1, kind_ != 1);
    if (settingDialog.DoModal() != platform::kIdOk) return;
    bool stored = true;
    for (int slot : {109, 110}) {
        const std::string& value = copy[static_cast<std::size_t>(slot)];
        std::string back;
        if (options->SetSODataToMemoryPinPoint(slot, value) != 0 ||
            options->GetSODataFromMemoryPinPoint(slot, back) != 0 || back != value)
            stored = false;
    }
    // An options record of an older layout does not take the slots one by one; the whole
    // copy (taken just now, so only the policies differ) brings it to the full layout.
    if (!stored) stored = options->SetSODataFromAllDataToMemory(copy) == 0;
    if (!stored || options->WriteSODataFromMemoryToFile() < 0)
        ui::MessageBox(this, U8("データインポートの設定を保存できませんでした"), U8("データインポート"),
                       platform::kMbOk | platform::kMbIconWarning);
    RefreshMessage();
}

// ---- CDmFlagModeDlg -----------------------------------------------------------------------

CDmFlagModeDlg::CDmFlagModeDlg(QWidget* parent, int kind) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(U8("DM送付可否フラグの扱い"));
    auto* column = new QVBoxLayout(this);
    const char* explanation = kind == 4   ? "Quillaryのアドレス帳には、VarnisのDM送付可否フラグの情報がありません。"
                                            "インポート時、DM送付可否フラグは、どのように設定しますか？"
                              : kind == 5 ? "Outlook Express には、VarnisのDM送付可否フラグの情報がありません。"
                                            "インポート時、DM送付可否フラグは、どのように設定しますか？"
                              : kind == 6 ? "Becky! には、VarnisのDM送付可否フラグの情報がありません。"
                                            "インポート時、DM送付可否フラグは、どのように設定しますか？"
                                          : "";
    QLabel* text = shell::dialogs::MakeLabel(this, U8(explanation), kIdcExplanation);
    text->setWordWrap(true);
    column->addWidget(text);
    auto* box = new QGroupBox(this);
    auto* inner = new QVBoxLayout(box);
    const std::pair<int, const char*> radios[4] = {
        {kIdcAllYes, "追加、上書き共にすべてのデータを 【 Y 】"},
        {kIdcAllNo, "追加、上書き共にすべてのデータを 【 N 】 "},
        {kIdcNewYes, "追加の場合は 【 Y 】 、上書きの場合は【 変更しない 】"},
        {kIdcNewNo, "追加の場合は 【 N 】 、上書きの場合は【 変更しない 】"}};
    auto* group = new QButtonGroup(this);
    for (int k = 0; k < 4; ++k) {
        radios_[k] = ui::SetControlId(new QRadioButton(U8(radios[k].second), box), radios[k].first);
        group->addButton(radios_[k]);
        inner->addWidget(radios_[k]);
    }
    radios_[0]->setChecked(true);
    column->addWidget(box);
    auto* ok = shell::dialogs::MakeButton(this, U8("OK"), shell::dialogs::kIdOk);
    ok->setDefault(true);
    auto* cancel = shell::dialogs::MakeButton(this, U8("キャンセル"), shell::dialogs::kIdCancel);
    AddButtonRow(column, {ok, cancel});
    connect(ok, &QPushButton::clicked, this, &CDmFlagModeDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CDmFlagModeDlg::reject);
    setMinimumWidth(460);
}

int CDmFlagModeDlg::DoModal() { return RunDialog(*this); }

void CDmFlagModeDlg::accept() {
    mode_ = radios_[0]->isChecked() ? 1 : radios_[1]->isChecked() ? 2 : radios_[2]->isChecked() ? 3 : 4;
    QDialog::accept();
}

void CDmFlagModeDlg::reject() {
    mode_ = 0;
    QDialog::reject();
}

}  // namespace settings
