#include "app/sendrecv/receive_password_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/sendrecv/pop_receive_session.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/gui_bridge.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

CReceivePasswordDlg::CReceivePasswordDlg(QWidget* parent) : QDialog(parent) {
    using namespace shell::dialogs;
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("受信パスワードの入力"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeLabel(this, ui::U8("受信サーバに接続するためのパスワードを入力してください")));
    edit_ = MakeEdit(this, kIdcPassword, true);
    layout->addWidget(edit_);
    AddOkCancelRow(layout, this, true);
    ok_ = ui::FindControl<QPushButton>(this, kIdOk);
    ok_->setEnabled(false);
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { ok_->setEnabled(!text.isEmpty()); });
}

int CReceivePasswordDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

void CReceivePasswordDlg::accept() {
    // Enter in the edit reaches here even while OK is disabled.
    if (edit_->text().isEmpty()) return;
    password_ = edit_->text();
    QDialog::accept();
}

bool AskReceivePassword(std::string& password, QWidget* owner) {
    return ui::CallOnGuiThread([&password, owner] {
        CReceivePasswordDlg dialog(owner);
        if (dialog.DoModal() != platform::kIdOk) return false;
        password = ui::ToSjis(dialog.Password());
        return true;
    });
}
