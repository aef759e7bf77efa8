#include "app/dialogs/password_set_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/password_rules.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/env_manager.h"
#include "platform/notifier.h"

namespace shell {

CPasswordSetDlg::CPasswordSetDlg(EnvManager& env, QWidget* parent) : QDialog(parent), env_(env) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("「Varnis」起動パスワードの設定"));
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    use_ = dialogs::MakeCheckBox(this, ui::U8("「Varnis」の起動時にパスワード認証を行う"), kIdcUsePassword);
    column->addWidget(use_);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(20, 4, 0, 4);
    password_ = dialogs::MakeEdit(this, kIdcPassword, true);
    confirm_ = dialogs::MakeEdit(this, kIdcConfirm, true);
    password_->setMinimumWidth(200);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("起動用パスワード"), kIdcPasswordLabel), 0, 0);
    grid->addWidget(password_, 0, 1);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("半角英数字で入力してください。"), kIdcPasswordNote), 1, 1);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("パスワードの確認"), kIdcConfirmLabel), 2, 0);
    grid->addWidget(confirm_, 2, 1);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("確認のため、もう一度入力してください。"), kIdcConfirmNote), 3, 1);
    column->addLayout(grid);
    dialogs::AddOkCancelRow(column, this, true);

    connect(use_, &QCheckBox::toggled, this, &CPasswordSetDlg::UpdateEnabling);
    UpdateEnabling();
}

void CPasswordSetDlg::UpdateEnabling() {
    const bool on = use_->isChecked();
    for (int id = kIdcPasswordLabel; id <= kIdcConfirmNote; ++id)
        if (QWidget* w = ui::FindControl(this, id)) w->setEnabled(on);
}

void CPasswordSetDlg::Refuse(const char* text, const char* caption) {
    ui::MessageBox(this, ui::U8(text), ui::U8(caption), platform::kMbOk | platform::kMbIconWarning);
}

void CPasswordSetDlg::accept() {
    if (!use_->isChecked()) {
        dialogs::TurnPasswordOffIfReadable(env_);
        done(dialogs::kIdOk);
        return;
    }
    const QString password = password_->text();
    const QString confirm = confirm_->text();
    if (password.isEmpty() && confirm.isEmpty()) {
        Refuse("パスワードが入力されていません。\r\n少なくとも一文字以上の半角英数字を入力してください。",
               "パスワード設定のエラー");
        return;
    }
    if (!dialogs::IsPasswordText(password) || !dialogs::IsPasswordText(confirm)) {
        Refuse("半角英数字以外の文字が入力されています。\r\nパスワードには半角英数字しか入力できません。",
               "パスワード設定のエラー");
        return;
    }
    if (password != confirm) {
        Refuse("入力された２つのパスワードが異なります。", "パスワード設定のエラー");
        return;
    }
    switch (dialogs::TurnPasswordOn(env_, password.toStdString())) {
    case -1:
        Refuse("パスワードの変更に失敗しました。", "パスワード変更のエラー");
        return;
    case -2:
        Refuse("パスワードの変更に失敗しました。", "パスワード設定のエラー");
        return;
    default:
        break;
    }
    ui::MessageBox(this,
                   ui::U8("起動用パスワードを正常に設定しました。\r\n"
                          "パスワードを忘れると環境が利用できなくなりますので、\r\nご注意ください。"),
                   ui::U8("パスワード設定完了"), platform::kMbOk | platform::kMbIconInformation);
    done(dialogs::kIdOk);
}

void CPasswordSetDlg::reject() {
    dialogs::TurnPasswordOffIfReadable(env_);
    done(dialogs::kIdCancel);
}

}  // namespace shell
