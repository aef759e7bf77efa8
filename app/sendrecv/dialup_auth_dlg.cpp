#include "app/sendrecv/dialup_auth_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/sendrecv/dialup_connection.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/gui_bridge.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

CDialupAuthDlg::CDialupAuthDlg(const QString& id, const QString& password, QWidget* parent) : QDialog(parent) {
    using namespace shell::dialogs;
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("ダイアルアップ接続"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeLabel(this, ui::U8("ダイアルアップのIDとパスワードを\n入力してください")));
    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(this, ui::U8("ID")), 0, 0);
    idEdit_ = MakeEdit(this, kIdcId);
    grid->addWidget(idEdit_, 0, 1);
    grid->addWidget(MakeLabel(this, ui::U8("パスワード")), 1, 0);
    passwordEdit_ = MakeEdit(this, kIdcPassword, true);
    grid->addWidget(passwordEdit_, 1, 1);
    layout->addLayout(grid);
    AddOkCancelRow(layout, this, true);
    idEdit_->setText(id);
    passwordEdit_->setText(password);
}

int CDialupAuthDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

void CDialupAuthDlg::accept() {
    if (idEdit_->text().isEmpty()) {
        ui::MessageBox(this, ui::U8("IDが未入力です"), ui::U8("ダイアルアップ"), platform::kMbOk | platform::kMbIconWarning);
        idEdit_->setFocus();
        return;
    }
    id_ = idEdit_->text();
    password_ = passwordEdit_->text();
    QDialog::accept();
}

bool AskDialupLogin(QWidget* owner, std::string& user, std::string& password) {
    return ui::CallOnGuiThread([&] {
        CDialupAuthDlg dialog(ui::FromSjis(user), ui::FromSjis(password), owner);
        if (dialog.DoModal() != platform::kIdOk) return false;
        user = ui::ToSjis(dialog.Id());
        password = ui::ToSjis(dialog.Password());
        return true;
    });
}
