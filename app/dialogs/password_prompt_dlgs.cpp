#include "app/dialogs/password_prompt_dlgs.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/env_manager.h"
#include "platform/notifier.h"

namespace shell {

PasswordPromptDlg::PasswordPromptDlg(int idd, const QString& caption, bool cancellable, EnvManager& env,
                                     QWidget* parent)
    : QDialog(parent), env_(env) {
    setObjectName(ui::DialogName(idd));
    setWindowTitle(caption);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    auto* row = new QHBoxLayout;
    row->addWidget(dialogs::MakeLabel(this, ui::U8("パスワード :")));
    edit_ = dialogs::MakeEdit(this, kIdcPassword, true);
    edit_->setMinimumWidth(240);
    row->addWidget(edit_, 1);
    column->addLayout(row);
    dialogs::AddOkCancelRow(column, this, cancellable);
}

void PasswordPromptDlg::showEvent(QShowEvent* event) {
    if (!title_.isEmpty()) setWindowTitle(title_);
    QDialog::showEvent(event);
    edit_->setFocus();
}

void PasswordPromptDlg::accept() {
    const std::string typed = ui::ToSjis(edit_->text());
    if (env_.IsEnvPasswordOK(typed) != 0) {
        ui::MessageBox(this,
                       ui::U8("パスワードが異なります。再度入力してください。\r\n\r\n"
                              "パスワードを入力するときには大文字と小文字に注意してください。\r\n"
                              "CapsLockキーが押されていないか確認してください。"),
                       ui::U8("パスワードの入力エラー"), platform::kMbOk | platform::kMbIconWarning);
        edit_->clear();
        edit_->setFocus();
        return;
    }
    edit_->clear();
    done(dialogs::kIdOk);
}

CEnvPasswordDlg::CEnvPasswordDlg(EnvManager& env, QWidget* parent)
    : PasswordPromptDlg(kIdd, ui::U8("環境の起動"), true, env, parent) {}

void CEnvPasswordDlg::reject() { done(dialogs::kIdCancel); }

CPasswordEntryDlg::CPasswordEntryDlg(EnvManager& env, QWidget* parent)
    : PasswordPromptDlg(kIdd, ui::U8("Varnis"), false, env, parent) {
    // A title bar without the close box (and without the system menu's Close).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

void CPasswordEntryDlg::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace shell
