#include "app/addressui/name_dlgs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

struct Texts {
    const char* title;
    const char* text;
    const char* note;  // null: none
    const char* ok;
    const char* cancel;
};

void Build(QDialog* dialog, QLineEdit* edit, const Texts& t) {
    dialog->setWindowTitle(ui::U8(t.title));
    auto* column = new QVBoxLayout(dialog);
    column->addWidget(shell::dialogs::MakeLabel(dialog, ui::U8(t.text)));
    edit->setMinimumWidth(320);
    column->addWidget(edit);
    if (t.note != nullptr) column->addWidget(shell::dialogs::MakeLabel(dialog, ui::U8(t.note)));
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = shell::dialogs::MakeButton(dialog, ui::U8(t.ok), shell::dialogs::kIdOk);
    ok->setDefault(true);
    auto* cancel = shell::dialogs::MakeButton(dialog, ui::U8(t.cancel), shell::dialogs::kIdCancel);
    row->addWidget(ok);
    row->addWidget(cancel);
    column->addLayout(row);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

// The refusal of an empty name: the message, then the edit focused for typing.
void RefuseEmpty(QDialog* dialog, QLineEdit* edit, const char* text, const char* caption, unsigned icon) {
    ui::MessageBox(dialog, ui::U8(text), ui::U8(caption), platform::kMbOk | icon);
    edit->setFocus();
    edit->selectAll();
}

}  // namespace

NameDialogBase::NameDialogBase(int idd, int editId, QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(idd));
    edit_ = shell::dialogs::MakeEdit(this, editId);
}

int NameDialogBase::DoModal() {
    Load();
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void NameDialogBase::Load() { edit_->setText(ui::FromSjis(name_)); }

bool NameDialogBase::Store() {
    name_ = ui::ToSjis(edit_->text());
    return true;
}

CDestNameDlg::CDestNameDlg(QWidget* parent) : NameDialogBase(kIdd, kIdcName, parent) {
    Build(this, Edit(),
          {"宛先の名称", "抽出結果に付ける名前を書いてください。\n今後、宛先として使用するときの識別名称になります",
           "※未入力不可です。", "決定", "キャンセル"});
}

void CDestNameDlg::accept() {
    if (Edit()->text().isEmpty()) {
        RefuseEmpty(this, Edit(), "宛先名称の未入力はできません", "宛先名称を入力してください",
                    platform::kMbIconWarning);
        return;
    }
    Store();
    QDialog::accept();
}

CConditionNameDlg::CConditionNameDlg(QWidget* parent) : NameDialogBase(kIdd, kIdcName, parent) {
    Build(this, Edit(),
          {"抽出条件名称の変更",
           "メールの抽出条件名称を変更する場合には\r\n新たな抽出条件名称を入力してください\r\n"
           "(名称を変更しても抽出条件は変更されません)",
           "※未入力不可です", "変更する", "変更しない"});
}

void CConditionNameDlg::accept() {
    if (Edit()->text().isEmpty()) {
        RefuseEmpty(this, Edit(), "抽出条件名称の未入力はできません", "抽出条件名称を入力してください",
                    platform::kMbIconInformation);
        return;
    }
    Store();
    QDialog::accept();
}

CHonorificDlg::CHonorificDlg(QWidget* parent) : NameDialogBase(kIdd, kIdcName, parent) {
    Build(this, Edit(),
          {"敬称一括追加",
           "敬称キーワードを設定してください。\r\n宛先の表示名に自動的にキーワードを差し込んでメール送信を行います",
           nullptr, "OK", "キャンセル"});
}

void CHonorificDlg::Load() {
    name_.clear();
    Edit()->clear();
}

void CHonorificDlg::accept() {
    Store();
    QDialog::accept();
}

}  // namespace addressui
