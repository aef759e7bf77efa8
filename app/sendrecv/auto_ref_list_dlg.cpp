#include "app/sendrecv/auto_ref_list_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/sendrecv/receive_stores.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/record_table.h"
#include "platform/notifier.h"

using shell::dialogs::MakeButton;
using shell::dialogs::MakeLabel;

CAutoRefListDlg::CAutoRefListDlg(QWidget* parent) : QDialog(parent), env_(SendEnvironment::Program()) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("受信拒否メールの処理が完了しました"));
    resize(520, 300);
    auto* column = new QVBoxLayout(this);
    QLabel* text = MakeLabel(this, ui::U8("下記のメールアドレスは、受信拒否メールを受信した為、以後、DMを送ることはできません"));
    text->setWordWrap(true);
    column->addWidget(text);
    edit_ = ui::SetControlId(new QPlainTextEdit(this), kIdcAddresses);
    edit_->setReadOnly(true);
    column->addWidget(edit_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    keepOpen_ = MakeButton(this, ui::U8("自動で閉じなくする"), kIdcKeepOpen);
    QPushButton* close = MakeButton(this, ui::U8("閉じる"), shell::dialogs::kIdCancel);
    close->setDefault(true);
    buttons->addWidget(keepOpen_);
    buttons->addWidget(close);
    column->addLayout(buttons);
    connect(keepOpen_, &QPushButton::clicked, this, &CAutoRefListDlg::StopAutoClose);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &QDialog::reject);
    Fill();
    timer_->start(kAutoCloseMs);
}

int CAutoRefListDlg::DoModal() {
    exec();
    return platform::kIdCancel;
}

void CAutoRefListDlg::Fill() {
    BaseRecordStructer rows;
    std::string text;
    const bool loaded =
        receive_stores::LoadList(env_.env, receive_stores::kRefusals, rows) == receive_stores::kLoaded;
    if (loaded && env_.book != nullptr && rows.GetRecordNumber() > 0) {
        CDatabaseEdit::ChangeGroup group(*env_.book);  // the save below is the commit
        receive_stores::AddressLookup lookup(*env_.book);
        while (rows.GetRecordNumber() > 0) {
            const std::string address = rows.GetStringElement(0, 0);
            if (receive_stores::ApplyRefusal(*env_.book, lookup, address) >= 0) text += "[" + address + "] ";
            rows.DeleteString(0);
        }
        // The refusals are on the disk in the book before they leave their list.
        if (env_.book->WriteFromMemoryToFile() == 0) receive_stores::SaveList(env_.env, receive_stores::kRefusals, rows);
    }
    edit_->setPlainText(text.empty() ? ui::U8("(登録されている個人情報に該当のメールアドレスはありません)")
                                     : ui::FromSjis(text));
}

void CAutoRefListDlg::Refill() {
    Fill();
    if (autoClose_) timer_->start(kAutoCloseMs);
}

void CAutoRefListDlg::CloseRequested() { reject(); }

void CAutoRefListDlg::StopAutoClose() {
    autoClose_ = false;
    timer_->stop();
    keepOpen_->setText(ui::U8("自動で閉じません"));
    keepOpen_->setEnabled(false);
}
