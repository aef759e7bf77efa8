#include "app/settings/export_choice_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

#include "app/addressui/export_choice_hooks.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace settings {
namespace {

using shell::dialogs::AddButtonRow;
using shell::dialogs::RunDialog;

// These dialogs are as narrow as their buttons, narrower than their captions: the window
// manager then cuts the caption ("エクスポ…の選択"). They are kept wide enough for the
// caption and the title bar's icon and buttons (about six lines' height).
void KeepCaptionWhole(QDialog* dialog) {
    const QFontMetrics metrics(dialog->font());
    dialog->setMinimumWidth(metrics.horizontalAdvance(dialog->windowTitle()) + 6 * metrics.height());
}

}  // namespace

// ---- CExportFormatDlg ---------------------------------------------------------------------

CExportFormatDlg::CExportFormatDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("エクスポート形式"));
    KeepCaptionWhole(this);
    auto* column = new QVBoxLayout(this);
    auto* box = new QGroupBox(ui::U8("エクスポートするファイルの形式"), this);
    auto* inner = new QVBoxLayout(box);
    general_ = ui::SetControlId(new QRadioButton(ui::U8("一般CSV"), box), kIdcGeneral);
    brindell_ = ui::SetControlId(new QRadioButton(ui::U8("Brindell"), box), kIdcBrindell);
    webService_ = ui::SetControlId(new QRadioButton(ui::U8("Webサービス"), box), kIdcWebService);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* r : {general_, brindell_, webService_}) {
        group->addButton(r);
        inner->addWidget(r);
    }
    general_->setChecked(true);
    column->addWidget(box);
    auto* choose = shell::dialogs::MakeButton(this, ui::U8("選択"), shell::dialogs::kIdOk);
    choose->setDefault(true);
    auto* cancel = shell::dialogs::MakeButton(this, ui::U8("キャンセル"), shell::dialogs::kIdCancel);
    AddButtonRow(column, {choose, cancel});
    connect(choose, &QPushButton::clicked, this, &CExportFormatDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CExportFormatDlg::reject);
}

int CExportFormatDlg::DoModal() { return RunDialog(*this); }

void CExportFormatDlg::accept() {
    layout_ = general_->isChecked() ? 1 : brindell_->isChecked() ? 2 : webService_->isChecked() ? 3 : 0;
    QDialog::accept();
}

// ---- CExportMethodDlg ---------------------------------------------------------------------

CExportMethodDlg::CExportMethodDlg(QWidget* parent, int layout) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("エクスポート方法の選択"));
    KeepCaptionWhole(this);
    auto* column = new QVBoxLayout(this);
    auto* normal = shell::dialogs::MakeButton(this, ui::U8("通常のエクスポート"), kIdcNormal);
    auto* deleted = shell::dialogs::MakeButton(this, ui::U8("削除済みをエクスポート"), kIdcDeleted);
    auto* all = shell::dialogs::MakeButton(this, ui::U8("すべてをエクスポート"), kIdcAll);
    for (QPushButton* b : {normal, deleted, all}) column->addWidget(b);
    itemNameBox_ = shell::dialogs::MakeCheckBox(this, ui::U8("項目名も出力する"), kIdcItemNames);
    nameOnlyBox_ = shell::dialogs::MakeCheckBox(this, ui::U8("名前とメールアドレスのみ出力する"), kIdcNameOnly);
    column->addWidget(itemNameBox_);
    column->addWidget(nameOnlyBox_);
    auto* cancel = shell::dialogs::MakeButton(this, ui::U8("キャンセル"), shell::dialogs::kIdCancel);
    AddButtonRow(column, {cancel});

    // The layouts' fixed choices: Brindell and the web service always have their item-name
    // row; only the web service has a short form, offered checked.
    const bool fixedHeader = layout == 2 || layout == 3;
    itemNameBox_->setChecked(fixedHeader);
    itemNameBox_->setEnabled(!fixedHeader);
    itemNameBox_->setVisible(!fixedHeader);
    nameOnlyBox_->setChecked(layout == 3);
    nameOnlyBox_->setEnabled(layout == 3);
    nameOnlyBox_->setVisible(layout == 3);

    connect(normal, &QPushButton::clicked, this, [this] { Choose(0); });
    connect(deleted, &QPushButton::clicked, this, [this] { Choose(1); });
    connect(all, &QPushButton::clicked, this, [this] { Choose(2); });
    connect(cancel, &QPushButton::clicked, this, &CExportMethodDlg::reject);
}

int CExportMethodDlg::DoModal() { return RunDialog(*this); }

void CExportMethodDlg::Choose(int recordKind) {
    recordKind_ = recordKind;
    itemNames_ = itemNameBox_->isChecked() ? 1 : 0;
    nameOnly_ = nameOnlyBox_->isChecked() ? 1 : 0;
    accept();
}

// ---- CExportHeaderDlg ---------------------------------------------------------------------

CExportHeaderDlg::CExportHeaderDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("エクスポート形式の選択"));
    KeepCaptionWhole(this);
    auto* column = new QVBoxLayout(this);
    auto* with = shell::dialogs::MakeButton(this, ui::U8("項目名を出力する"), kIdcWithNames);
    auto* without = shell::dialogs::MakeButton(this, ui::U8("項目名を出力しない"), kIdcWithoutNames);
    column->addWidget(with);
    column->addWidget(without);
    auto* cancel = shell::dialogs::MakeButton(this, ui::U8("キャンセル"), shell::dialogs::kIdCancel);
    AddButtonRow(column, {cancel});
    connect(with, &QPushButton::clicked, this, [this] {
        result_ = 1;
        accept();
    });
    connect(without, &QPushButton::clicked, this, [this] {
        result_ = 0;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &CExportHeaderDlg::reject);
}

int CExportHeaderDlg::DoModal() { return RunDialog(*this); }

// ---- Installation -------------------------------------------------------------------------

void InstallExportChoiceDialogs() {
    addressui::ExportChoiceHooks hooks;
    hooks.chooseFormat = [](QWidget* parent) {
        CExportFormatDlg dialog(parent);
        return dialog.DoModal() == platform::kIdOk ? dialog.GetLayout() : 0;
    };
    hooks.chooseMethod = [](QWidget* parent, int layout) {
        CExportMethodDlg dialog(parent, layout);
        addressui::ExportMethodChoice choice;
        if (dialog.DoModal() != platform::kIdOk) return choice;
        choice.accepted = true;
        choice.recordKind = dialog.GetRecordKind();
        choice.itemNames = dialog.GetItemNameFlag() == 1;
        choice.nameAndAddressOnly = dialog.GetNameOnlyFlag() == 1;
        return choice;
    };
    hooks.chooseHeaderRow = [](QWidget* parent) {
        CExportHeaderDlg dialog(parent);
        return dialog.DoModal() == platform::kIdOk ? dialog.GetResult() : -1;
    };
    addressui::SetExportChoices(std::move(hooks));
}

}  // namespace settings
