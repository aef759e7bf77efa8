#include "app/dialogs/proxy_auth_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace shell {

CProxyAuthDlg::CProxyAuthDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("プロキシサーバの認証設定"));
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    auto* grid = new QGridLayout;
    address_ = dialogs::MakeEdit(this, kIdcAddress);
    port_ = dialogs::MakeEdit(this, kIdcPort);
    user_ = dialogs::MakeEdit(this, kIdcUser);
    password_ = dialogs::MakeEdit(this, kIdcPassword, true);
    address_->setMinimumWidth(240);
    port_->setMaximumWidth(80);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("プロキシサーバ :")), 0, 0);
    grid->addWidget(address_, 0, 1);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("ポート :")), 0, 2);
    grid->addWidget(port_, 0, 3);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("ユーザ名 :")), 1, 0);
    grid->addWidget(user_, 1, 1);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("パスワード :")), 2, 0);
    grid->addWidget(password_, 2, 1);
    column->addLayout(grid);
    save_ = dialogs::MakeCheckBox(this, ui::U8("設定を保存する"), kIdcSave);
    column->addWidget(save_);
    dialogs::AddOkCancelRow(column, this, true);
}

void CProxyAuthDlg::SetValues(const ProxyAuthValues& values) {
    values_ = values;
    address_->setText(values.address);
    port_->setText(values.port);
    user_->setText(values.user);
    password_->setText(values.password);
    save_->setChecked(values.save != 0);
}

int CProxyAuthDlg::DoModal() { return exec(); }

void CProxyAuthDlg::accept() {
    values_.address = address_->text();
    values_.port = port_->text();
    values_.user = user_->text();
    values_.password = password_->text();
    values_.save = save_->isChecked() ? 1 : 0;
    done(dialogs::kIdOk);
}

void CProxyAuthDlg::reject() { done(dialogs::kIdCancel); }

}  // namespace shell
