#include "app/dialogs/test_mail_progress_dlg.h"

#include <QPushButton>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/sjis_text.h"

namespace shell {

CTestMailProgressDlg::CTestMailProgressDlg(QWidget* parent)
    : ProgressDialogBase(kIdd, {kIdcLine1, kIdcLine2, kIdcLine3}, parent) {
    cancel_ = AddButton(ui::U8("中止"), kIdcCancel);
    connect(cancel_, &QPushButton::clicked, this, &CTestMailProgressDlg::CancelTestMail);
    dialogs::KeySwallower::Install(this);
}

void CTestMailProgressDlg::EnableCancel(bool enable) { cancel_->setEnabled(enable); }

void CTestMailProgressDlg::ResetControls() { cancel_->setEnabled(true); }

}  // namespace shell
