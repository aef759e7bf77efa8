#include "app/dialogs/password_change_dlg.h"

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
namespace {

const char* const kChangeError = "パスワード変更のエラー";

}  // namespace

CPasswordChangeDlg::CPasswordChangeDlg(EnvManager& env, QWidget* parent) : QDialog(parent), env_(env) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("パスワードの変更"));
    std::string flag;
    state_ = (env_.GetUseEnvPasswordFlag(flag) == 0 && flag == "Y") ? 0 : 1;

    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    use_ = dialogs::MakeCheckBox(this, ui::U8("「Varnis」の起動時にパスワード認証を行う"), kIdcUsePassword);
    use_->setChecked(state_ == 0);
    column->addWidget(use_);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(20, 4, 0, 4);
    old_ = dialogs::MakeEdit(this, kIdcOldPassword, true);
    new_ = dialogs::MakeEdit(this, kIdcNewPassword, true);
    confirm_ = dialogs::MakeEdit(this, kIdcConfirm, true);
    old_->setMinimumWidth(200);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("古いパスワード :"), kIdcOldLabel), 0, 0);
    grid->addWidget(old_, 0, 1);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("新しいパスワード :"), kIdcNewLabel), 1, 0);
    grid->addWidget(new_, 1, 1);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("新しいパスワードの確認 :"), kIdcConfirmLabel), 2, 0);
    grid->addWidget(confirm_, 2, 1);
    column->addLayout(grid);
    dialogs::AddOkCancelRow(column, this, true);

    connect(use_, &QCheckBox::toggled, this, &CPasswordChangeDlg::UpdateEnabling);
    UpdateEnabling();
}

void CPasswordChangeDlg::UpdateEnabling() {
    const bool on = use_->isChecked();
    for (int id = kIdcNewPassword; id <= kIdcConfirmLabel; ++id)
        if (QWidget* w = ui::FindControl(this, id)) w->setEnabled(on);
    old_->setEnabled(state_ == 0);
    ui::FindControl(this, kIdcOldLabel)->setEnabled(state_ == 0);
}

void CPasswordChangeDlg::Refuse(const char* text, const char* caption) {
    ui::MessageBox(this, ui::U8(text), ui::U8(caption), platform::kMbOk | platform::kMbIconWarning);
    old_->clear();
    new_->clear();
    confirm_->clear();
}

void CPasswordChangeDlg::accept() {
    if (state_ == 0 && env_.IsEnvPasswordOK(ui::ToSjis(old_->text())) != 0) {
        Refuse("入力された古いパスワードの内容が異なります。\r\n正しいパスワードを入力してください。",
               "パスワード設定のエラー");
        return;
    }
    const bool ok = use_->isChecked() ? Change() : Remove();
    if (ok) done(dialogs::kIdOk);
}

bool CPasswordChangeDlg::Change() {
    const QString password = new_->text();
    const QString confirm = confirm_->text();
    if (password.isEmpty() && confirm.isEmpty()) {
        Refuse("パスワードが入力されていません。\r\n少なくとも一文字以上の半角英数字を入力してください。", kChangeError);
        return false;
    }
    if (!dialogs::IsPasswordText(password) || !dialogs::IsPasswordText(confirm)) {
        Refuse("半角英数字以外の文字が入力されています。\r\nパスワードには半角英数字しか入力できません。", kChangeError);
        return false;
    }
    if (password != confirm) {
        Refuse("入力された２つのパスワードが異なります。", kChangeError);
        return false;
    }
    if (dialogs::TurnPasswordOn(env_, password.toStdString()) != 0) {
        Refuse("パスワードの変更に失敗しました。", kChangeError);
        return false;
    }
    dialogs::StampRenewalDate(env_);
    ui::MessageBox(this,
                   ui::U8("起動用パスワードを正常に設定しました。\r\n"
                          "パスワードを忘れると環境が利用できなくなりますので、\r\nご注意ください。"),
                   ui::U8("パスワード設定完了"), platform::kMbOk | platform::kMbIconInformation);
    return true;
}

bool CPasswordChangeDlg::Remove() {
    if (state_ == 1) return true;  // nothing was asked, nothing to remove
    if (env_.SetUseEnvPasswordFlag("N") != 0 || env_.SetEnvPassword(std::string()) != 0) {
        Refuse("パスワード設定の解除に失敗しました。", kChangeError);
        return false;
    }
    dialogs::StampRenewalDate(env_);
    ui::MessageBox(this,
                   ui::U8("起動用パスワードの設定を解除しました。\r\n"
                          "この環境は、どなたでも利用することができますので、\r\n"
                          "不正利用が無いよう、コンピュータの管理を厳重に行ってください。"),
                   ui::U8("パスワード解除完了"), platform::kMbOk | platform::kMbIconInformation);
    return true;
}

void CPasswordChangeDlg::reject() { done(dialogs::kIdCancel); }

}  // namespace shell
